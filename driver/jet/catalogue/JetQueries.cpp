#include "driver/jet/catalogue/JetQueries.h"

#include "driver/jet/catalogue/JetQueryText.h"
#include "driver/jet/file/JetFile.h"
#include "driver/jet/rows/JetCursor.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <map>

namespace kervane::jet {

namespace {

using Values = std::vector<SqlValue>;

// Every row of `tableName`, with the values of `columns` in that order (Null for a column
// the table lacks: Jet 3 has no LvExtra); false when the table is missing or unreadable.
bool readRows(JetFile& file, const std::string& tableName, const std::vector<std::string>& columns,
              std::vector<Values>& rows)
{
    const JetTable* table = file.table(tableName);
    if (table == nullptr)
        return false;
    std::vector<int> positions;
    for (const std::string& name : columns) {
        const auto found = std::find_if(table->columns.begin(), table->columns.end(),
                                        [&](const JetColumn& column) { return sql::equalIgnoringAsciiCase(column.name, name); });
        positions.push_back(found == table->columns.end() ? -1 : static_cast<int>(found - table->columns.begin()));
    }
    JetCursor cursor(file, *table);
    std::string error;
    if (!cursor.rewind(error))
        return false;
    while (!cursor.atEnd()) {
        Values values(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (positions[i] >= 0 && !cursor.value(positions[i], values[i], error))
                return false;
        }
        rows.push_back(std::move(values));
        if (!cursor.next(error))
            return false;
    }
    return true;
}

std::optional<std::string> optionalText(const SqlValue& value)
{
    if (value.kind == SqlValue::Kind::Null)
        return std::nullopt;
    return value.bytes;
}

int integerOf(const SqlValue& value)
{
    return value.kind == SqlValue::Kind::Integer ? static_cast<int>(value.integer) : 0;
}

struct QueryObject {
    std::string name;
    int flags = 0;
};

// The query objects come from the catalogue the file was opened with.
bool readQueryObjects(const JetFile& file, std::map<std::int64_t, QueryObject>& objects)
{
    for (const CatalogueObject& object : file.catalogue()) {
        if (object.type == kQueryObject)
            objects[object.id] = QueryObject{object.name, static_cast<int>(object.flags)};
    }
    return true;
}

bool readQueryRows(JetFile& file, std::map<std::int64_t, std::vector<QueryRow>>& byObject)
{
    std::vector<Values> rows;
    if (!readRows(file, "MSysQueries",
                  {"ObjectId", "Attribute", "Expression", "Flag", "LvExtra", "Name1", "Name2", "Order"}, rows))
        return false;
    for (const Values& row : rows) {
        if (row[0].kind != SqlValue::Kind::Integer)
            continue;
        QueryRow query;
        query.attribute = integerOf(row[1]);
        query.expression = optionalText(row[2]);
        query.flag = integerOf(row[3]);
        query.extra = integerOf(row[4]);
        query.name1 = optionalText(row[5]);
        query.name2 = optionalText(row[6]);
        query.order = row[7].bytes;
        byObject[row[0].integer].push_back(std::move(query));
    }
    return true;
}

}  // namespace

std::vector<StoredQuery> readStoredQueries(JetFile& file)
{
    std::map<std::int64_t, QueryObject> objects;
    std::map<std::int64_t, std::vector<QueryRow>> rows;
    if (!readQueryObjects(file, objects) || !readQueryRows(file, rows))
        return {};
    std::vector<StoredQuery> queries;
    for (const auto& [id, object] : objects) {
        const std::vector<QueryRow>& parts = rows[id];
        const auto kind = queryKind(object.flags, kindRowFlag(parts));
        if (!kind)
            continue;
        queries.push_back(StoredQuery{object.name, *kind, queryText(*kind, parts), queryParameters(parts)});
    }
    std::sort(queries.begin(), queries.end(),
              [](const StoredQuery& a, const StoredQuery& b) { return a.name < b.name; });
    return queries;
}

}  // namespace kervane::jet
