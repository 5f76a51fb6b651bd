// Statements of definition (CREATE, DROP, ALTER...), handed to SQLite nearly as written.
#include "driver/semantics/DateText.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"

#include <optional>

namespace kervane::sql {
namespace {

bool isWord(const RawToken& token, std::string_view word)
{
    return token.kind == RawToken::Kind::Word && sameName(token.text, word);
}

bool isAutoNumber(const RawToken& token)
{
    return isWord(token, "COUNTER") || isWord(token, "AUTOINCREMENT");
}

bool isSymbol(const RawToken& token, std::string_view symbol)
{
    return token.kind == RawToken::Kind::Symbol && token.text == symbol;
}

// How a CREATE TABLE's AutoNumber column is written. SQLite numbers only an INTEGER PRIMARY KEY
// by itself: the AutoNumber column becomes one when it is the table's key or no column is,
// its key declared after it; a table constraint making it the key alone, "[CONSTRAINT name]
// PRIMARY KEY (column)", is then folded into it (tokens [skipBegin, skipEnd) left out). When
// another column is the key, the type stays as written, unnumbered.
struct AutoNumberKey {
    bool numbered = false;
    std::size_t skipBegin = 0;
    std::size_t skipEnd = 0;
    std::string constraint;  // the folded constraint's name
};

// ", [CONSTRAINT name] PRIMARY KEY ( column )" starting at the comma `i`: its end, or 0.
std::size_t tableKeyEnd(const std::vector<RawToken>& tokens, std::size_t i, const std::string& column,
                        std::string& name)
{
    std::size_t j = i + 1;
    name.clear();
    if (j + 1 < tokens.size() && isWord(tokens[j], "CONSTRAINT")) {
        name = tokens[j + 1].text;
        j += 2;
    }
    const bool key = j + 5 < tokens.size() && isWord(tokens[j], "PRIMARY") && isWord(tokens[j + 1], "KEY") &&
                     isSymbol(tokens[j + 2], "(") && sameName(tokens[j + 3].text, column) &&
                     isSymbol(tokens[j + 4], ")");
    return key ? j + 5 : 0;
}

AutoNumberKey autoNumberKey(const std::vector<RawToken>& tokens)
{
    AutoNumberKey plan;
    if (tokens.size() < 4 || !isWord(tokens[0], "CREATE") || !isWord(tokens[1], "TABLE"))
        return plan;
    int counters = 0;
    std::string column;
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (isAutoNumber(tokens[i]) && i > 0) {
            ++counters;
            column = tokens[i - 1].text;
        }
    if (counters != 1)
        return plan;
    int keys = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        std::string name;
        if (isSymbol(tokens[i], ",") && plan.skipEnd == 0)
            if (const std::size_t end = tableKeyEnd(tokens, i, column, name)) {
                plan = AutoNumberKey{false, i, end, name};
                ++keys;
                i = end - 1;
                continue;
            }
        if (isWord(tokens[i], "PRIMARY") && (i == 0 || !isAutoNumber(tokens[i - 1])))
            ++keys;
    }
    // Any key left that is not the folded one makes another column the key.
    plan.numbered = keys == (plan.skipEnd != 0 ? 1 : 0);
    if (!plan.numbered)
        plan = AutoNumberKey{};
    return plan;
}

// SQLite gives a column whose declared type holds neither CHAR, CLOB nor TEXT a numeric
// affinity: a memo "007" would be stored as the number 7. The Access text types that SQLite
// would misread are declared by a synonym that keeps every text as written.
std::optional<std::string> textTypeSynonym(const std::vector<RawToken>& tokens, std::size_t i)
{
    const RawToken& token = tokens[i];
    if (token.kind != RawToken::Kind::Word || i < 2)
        return std::nullopt;
    // A type follows its column's name, which follows "(", "," or COLUMN/ADD.
    const RawToken& column = tokens[i - 1];
    const RawToken& before = tokens[i - 2];
    const bool afterName = column.kind == RawToken::Kind::Name || column.kind == RawToken::Kind::Word;
    const bool startsDefinition = (before.kind == RawToken::Kind::Symbol && (before.text == "(" || before.text == ","))
                                  || isWord(before, "COLUMN") || isWord(before, "ADD");
    if (!afterName || !startsDefinition)
        return std::nullopt;
    if (sameName(token.text, "MEMO") || sameName(token.text, "NOTE"))
        return "LONGTEXT";
    if (sameName(token.text, "STRING") || sameName(token.text, "ALPHANUMERIC"))
        return "VARCHAR";
    return std::nullopt;
}

std::string dateLiteral(const std::string& text)
{
    const std::optional<double> serial = readDateLiteral(text.substr(1, text.size() - 2));
    if (!serial)
        throw SqlError("22007", "Erreur de syntaxe dans la date « " + text + " ».");
    return quotedText(canonicalDate(*serial));
}

}  // namespace

std::string writeRaw(const std::vector<RawToken>& tokens)
{
    const AutoNumberKey autoNumber = autoNumberKey(tokens);
    std::string sql;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (autoNumber.skipEnd != 0 && i == autoNumber.skipBegin) {
            i = autoNumber.skipEnd - 1;
            continue;
        }
        const RawToken& token = tokens[i];
        if (!sql.empty())
            sql += ' ';
        if (autoNumber.numbered && isAutoNumber(token)) {
            sql += "INTEGER";
            if (!autoNumber.constraint.empty())
                sql += " CONSTRAINT " + quotedName(autoNumber.constraint);
            sql += " PRIMARY KEY AUTOINCREMENT";
            if (i + 2 < tokens.size() && isWord(tokens[i + 1], "PRIMARY") && isWord(tokens[i + 2], "KEY"))
                i += 2;
            continue;
        }
        if (const std::optional<std::string> synonym = textTypeSynonym(tokens, i)) {
            sql += *synonym;
            continue;
        }
        switch (token.kind) {
        case RawToken::Kind::Name: sql += quotedName(token.text); break;
        case RawToken::Kind::Text: sql += quotedText(token.text); break;
        case RawToken::Kind::Symbol:
            // A #date# (a default value) in its stored form.
            sql += token.text.size() > 2 && token.text.front() == '#' && token.text.back() == '#'
                ? dateLiteral(token.text)
                : token.text;
            break;
        default: sql += token.text;
        }
    }
    return sql;
}

}  // namespace kervane::sql
