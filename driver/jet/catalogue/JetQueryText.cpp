#include "driver/jet/catalogue/JetQueryText.h"

#include "driver/jet/catalogue/JetQuerySources.h"

#include <algorithm>

namespace kervane::jet {

namespace {

using namespace queryrow;

// Attribute 3 of a union: without it the union keeps duplicates (UNION ALL).
constexpr int kUnionDistinct = 0x02;
// Output columns of an append query that are VALUES rather than SELECT columns.
constexpr int kAppendValue = 0x8000;
// Output columns and groupings of a crosstab: the pivot, and the row headings; the value
// (TRANSFORM) has neither flag.
constexpr int kPivot = 0x01;
constexpr int kRowHeading = 0x02;

// Union parts are kept as input "tables" with these aliases.
const char* const kUnionFirst = "X7YZ_____1";
const char* const kUnionSecond = "X7YZ_____2";

// MSysObjects Flags: the kind is the high nibble of the low byte.
constexpr int kObjectKindMask = 0xF0;

using Rows = std::vector<QueryRow>;

Rows rowsOf(const Rows& rows, int attribute)
{
    Rows found;
    for (const QueryRow& row : rows) {
        if (row.attribute == attribute)
            found.push_back(row);
    }
    return found;
}

const QueryRow* firstOf(const Rows& rows, int attribute)
{
    for (const QueryRow& row : rows) {
        if (row.attribute == attribute)
            return &row;
    }
    return nullptr;
}

Rows withFlag(const Rows& rows, int mask, bool set)
{
    Rows kept;
    for (const QueryRow& row : rows) {
        if (((row.flag & mask) != 0) == set)
            kept.push_back(row);
    }
    return kept;
}

std::string textOrEmpty(const std::optional<std::string>& value)
{
    return value.value_or(std::string());
}

// Stored texts end lines with CR LF and texts typed in SQL view may end with NULs.
std::string cleanText(const std::string& text)
{
    std::string clean;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        clean += text[i] == '\r' ? '\n' : text[i];
    }
    const auto last = clean.find_last_not_of(std::string(" \t\n\0", 4));
    const auto first = clean.find_first_not_of(" \t\n");
    return last == std::string::npos ? std::string() : clean.substr(first, last - first + 1);
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : "") + parts[i];
    return text;
}

std::string withAlias(const std::string& expression, const std::optional<std::string>& alias)
{
    return alias && !alias->empty() ? expression + " AS " + quotedIdentifier(*alias) : expression;
}

std::string parameterType(const QueryRow& row)
{
    switch (row.flag) {
    case 1: return "Bit";
    case 2: return "Byte";
    case 3: return "Short";
    case 4: return "Long";
    case 5: return "Currency";
    case 6: return "IEEESingle";
    case 7: return "IEEEDouble";
    case 8: return "DateTime";
    case 9: return "Binary";
    case 10: return row.extra > 0 ? "Text ( " + std::to_string(row.extra) + " )" : "Text";
    case 11: return "LongBinary";
    case 12: return "Memo";
    case 15: return "Guid";
    default: return "Value";
    }
}

// " IN 'path' [type]" after a table or target that lies in another database.
std::string inDatabase(const std::optional<std::string>& path, const std::optional<std::string>& type)
{
    if (!path && !type)
        return {};
    std::string text = " IN '" + textOrEmpty(path) + "'";
    if (type && !type->empty())
        text += " [" + *type + "]";
    return text;
}

int selectFlags(const Rows& rows)
{
    const QueryRow* row = firstOf(rows, kSelectFlags);
    return row != nullptr ? row->flag : 0;
}

std::string predicate(const Rows& rows)
{
    const int flags = selectFlags(rows);
    std::string text;
    if (flags & kDistinct)
        text = "DISTINCT ";
    else if (flags & kDistinctRow)
        text = "DISTINCTROW ";
    if (flags & kTop) {
        text += "TOP " + textOrEmpty(firstOf(rows, kSelectFlags)->name1) + " ";
        if (flags & kPercent)
            text += "PERCENT ";
    }
    return text;
}

std::vector<std::string> outputColumns(const Rows& columns, int flags)
{
    std::vector<std::string> texts;
    for (const QueryRow& row : columns)
        texts.push_back(withAlias(textOrEmpty(row.expression), row.name1));
    if (flags & kAllFields)
        texts.emplace_back("*");
    return texts;
}

std::vector<std::string> expressions(const Rows& rows)
{
    std::vector<std::string> texts;
    for (const QueryRow& row : rows)
        texts.push_back(textOrEmpty(row.expression));
    return texts;
}

std::string orderByClause(const Rows& rows)
{
    std::vector<std::string> orderings;
    for (const QueryRow& row : rowsOf(rows, kOrderBy)) {
        const bool descending = row.name1 && (*row.name1 == "D" || *row.name1 == "d");
        orderings.push_back(textOrEmpty(row.expression) + (descending ? " DESC" : ""));
    }
    return orderings.empty() ? std::string() : "\nORDER BY " + joined(orderings, ", ");
}

std::string fromClause(const Rows& rows)
{
    const std::vector<std::string> sources = fromSources(rowsOf(rows, kTable), rowsOf(rows, kJoin));
    if (sources.empty())
        return {};
    const QueryRow* remote = firstOf(rows, kRemoteDatabase);
    return "\nFROM " + joined(sources, ", ") +
           (remote != nullptr ? inDatabase(remote->name1, remote->expression) : std::string());
}

// FROM, WHERE, GROUP BY, HAVING and ORDER BY, each on its own line.
std::string selectTail(const Rows& rows, const Rows& groupings)
{
    std::string text = fromClause(rows);
    if (const QueryRow* where = firstOf(rows, kWhere))
        text += "\nWHERE " + textOrEmpty(where->expression);
    if (!groupings.empty())
        text += "\nGROUP BY " + joined(expressions(groupings), ", ");
    if (const QueryRow* having = firstOf(rows, kHaving))
        text += "\nHAVING " + textOrEmpty(having->expression);
    return text + orderByClause(rows);
}

std::string selectText(const Rows& rows, const Rows& columns, const std::string& into, const Rows& groupings)
{
    return "SELECT " + predicate(rows) + joined(outputColumns(columns, selectFlags(rows)), ", ") + into +
           selectTail(rows, groupings);
}

std::string targetOf(const Rows& rows)
{
    const QueryRow* kind = firstOf(rows, kKind);
    if (kind == nullptr)
        return {};
    return quotedName(textOrEmpty(kind->name1)) + inDatabase(kind->name2, kind->expression);
}

std::string appendText(const Rows& rows)
{
    const Rows columns = rowsOf(rows, kColumn);
    const Rows values = withFlag(columns, kAppendValue, true);
    const Rows selected = withFlag(columns, kAppendValue, false);
    std::vector<std::string> fields;
    for (const QueryRow& row : values.empty() ? selected : values) {
        if (row.name2 && !row.name2->empty())
            fields.push_back(quotedName(*row.name2));
    }
    std::string text = "INSERT INTO " + targetOf(rows);
    if (!fields.empty())
        text += " ( " + joined(fields, ", ") + " )";
    if (!values.empty())
        return text + "\nVALUES (" + joined(expressions(values), ", ") + ")";
    return text + "\n" + selectText(rows, selected, {}, rowsOf(rows, kGroupBy));
}

std::string updateText(const Rows& rows)
{
    std::vector<std::string> settings;
    for (const QueryRow& row : rowsOf(rows, kColumn))
        settings.push_back(quotedName(textOrEmpty(row.name2)) + " = " + textOrEmpty(row.expression));
    const QueryRow* remote = firstOf(rows, kRemoteDatabase);
    std::string text = "UPDATE " + joined(fromSources(rowsOf(rows, kTable), rowsOf(rows, kJoin)), ", ") +
                       (remote != nullptr ? inDatabase(remote->name1, remote->expression) : std::string());
    text += "\nSET " + joined(settings, ", ");
    if (const QueryRow* where = firstOf(rows, kWhere))
        text += "\nWHERE " + textOrEmpty(where->expression);
    return text;
}

std::string deleteText(const Rows& rows)
{
    const std::vector<std::string> columns = outputColumns(rowsOf(rows, kColumn), selectFlags(rows));
    return "DELETE " + (columns.empty() ? std::string("*") : joined(columns, ", ")) +
           selectTail(rows, rowsOf(rows, kGroupBy));
}

std::string crosstabText(const Rows& rows)
{
    const Rows columns = rowsOf(rows, kColumn);
    std::string text;
    for (const QueryRow& row : withFlag(columns, kPivot | kRowHeading, false))
        text += "TRANSFORM " + withAlias(textOrEmpty(row.expression), row.name1) + "\n";
    text += selectText(rows, withFlag(columns, kRowHeading, true), {},
                       withFlag(rowsOf(rows, kGroupBy), kRowHeading, true));
    for (const QueryRow& row : withFlag(columns, kPivot, true))
        text += "\nPIVOT " + textOrEmpty(row.expression);
    return text;
}

std::string unionPart(const Rows& tables, const char* alias, std::size_t position)
{
    for (const QueryRow& row : tables) {
        if (row.name2 == alias)
            return cleanText(textOrEmpty(row.expression));
    }
    return position < tables.size() ? cleanText(textOrEmpty(tables[position].expression)) : std::string();
}

std::string unionText(const Rows& rows)
{
    const Rows tables = rowsOf(rows, kTable);
    std::string text = unionPart(tables, kUnionFirst, 0) + "\nUNION " +
                       ((selectFlags(rows) & kUnionDistinct) ? "" : "ALL ") + unionPart(tables, kUnionSecond, 1);
    return text + orderByClause(rows);
}

// A reference to a form control, Forms!Form name!Control, is written [Forms]![Form name]![Control].
std::string parameterName(const std::string& name)
{
    if (name.find('[') != std::string::npos)
        return name;
    if (name.find('!') == std::string::npos)
        return quotedIdentifier(name);
    std::string text;
    std::size_t start = 0;
    for (std::size_t bang = name.find('!'); bang != std::string::npos; bang = name.find('!', start)) {
        text += "[" + name.substr(start, bang - start) + "]!";
        start = bang + 1;
    }
    return text + "[" + name.substr(start) + "]";
}

std::string parametersClause(const Rows& rows)
{
    std::vector<std::string> declarations;
    for (const QueryRow& row : rowsOf(rows, kParameter)) {
        declarations.push_back(parameterName(textOrEmpty(row.name1)) + " " + parameterType(row));
    }
    return declarations.empty() ? std::string() : "PARAMETERS " + joined(declarations, ", ") + ";\n";
}

std::string statementText(StoredQuery::Kind kind, const Rows& rows)
{
    using Kind = StoredQuery::Kind;
    switch (kind) {
    case Kind::Select: return selectText(rows, rowsOf(rows, kColumn), {}, rowsOf(rows, kGroupBy));
    case Kind::MakeTable:
        return selectText(rows, rowsOf(rows, kColumn), " INTO " + targetOf(rows), rowsOf(rows, kGroupBy));
    case Kind::Append: return appendText(rows);
    case Kind::Update: return updateText(rows);
    case Kind::Delete: return deleteText(rows);
    case Kind::Crosstab: return crosstabText(rows);
    case Kind::Union: return unionText(rows);
    case Kind::DataDefinition:
    case Kind::PassThrough: break;
    }
    return {};
}

}  // namespace

std::optional<StoredQuery::Kind> queryKind(int objectFlags, int rowFlag)
{
    using Kind = StoredQuery::Kind;
    switch (objectFlags & kObjectKindMask) {
    case 0: break;
    case 16: return Kind::Crosstab;
    case 32: return Kind::Delete;
    case 48: return Kind::Update;
    case 64: return Kind::Append;
    case 80: return Kind::MakeTable;
    case 96: return Kind::DataDefinition;
    case 112: return Kind::PassThrough;
    case 128: return Kind::Union;
    default: return std::nullopt;
    }
    // The object says "select", but its rows may tell another kind.
    switch (rowFlag) {
    case 2: return Kind::MakeTable;
    case 3: return Kind::Append;
    case 4: return Kind::Update;
    case 5: return Kind::Delete;
    case 6: return Kind::Crosstab;
    case 7: return Kind::DataDefinition;
    case 8: return Kind::PassThrough;
    case 9: return Kind::Union;
    default: return Kind::Select;
    }
}

int kindRowFlag(const std::vector<QueryRow>& rows)
{
    const QueryRow* row = firstOf(rows, kKind);
    return row != nullptr ? row->flag : 0;
}

std::string queryText(StoredQuery::Kind kind, std::vector<QueryRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
        return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
    });
    // Pass-through and data-definition queries keep the text typed, and no clause is added.
    if (kind == StoredQuery::Kind::PassThrough || kind == StoredQuery::Kind::DataDefinition) {
        const QueryRow* row = firstOf(rows, kKind);
        return row != nullptr ? cleanText(textOrEmpty(row->expression)) : std::string();
    }
    std::string text = parametersClause(rows) + statementText(kind, rows);
    if (selectFlags(rows) & kOwnerAccess)
        text += "\nWITH OWNERACCESS OPTION";
    return text + ";";
}

std::vector<std::string> queryParameters(const std::vector<QueryRow>& rows)
{
    std::vector<QueryRow> parameters = rowsOf(rows, kParameter);
    std::stable_sort(parameters.begin(), parameters.end(),
                     [](const QueryRow& a, const QueryRow& b) { return a.order < b.order; });
    std::vector<std::string> names;
    for (const QueryRow& row : parameters) {
        std::string name = textOrEmpty(row.name1);
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']' &&
            name.find(']') == name.size() - 1)
            name = name.substr(1, name.size() - 2);
        names.push_back(name);
    }
    return names;
}

}  // namespace kervane::jet
