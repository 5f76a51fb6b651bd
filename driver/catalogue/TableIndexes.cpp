#include "driver/catalogue/TableIndexes.h"

#include "driver/base/SchemaQuery.h"
#include "driver/catalogue/DeclaredConstraints.h"
#include "driver/jet/index/JetIndexList.h"

#include <algorithm>

namespace kervane::odbc {
namespace {

std::vector<TableColumn> readColumns(sqlite3* db, const std::string& table, bool& readable)
{
    std::vector<TableColumn> columns;
    readable = forEachRow(db, R"(SELECT name, type, "notnull" OR coalesce(kervane_column_property(?1, name, 2), 0)
                                  FROM pragma_table_info(?1) ORDER BY cid)", {table},
                          [&columns](sqlite3_stmt* row) {
                              columns.push_back(TableColumn{textAt(row, 0).value_or(""), textAt(row, 1).value_or(""),
                                                            sqlite3_column_int(row, 2) != 0});
                          });
    return columns;
}

// The name a key was given with CONSTRAINT, or `unnamed`.
std::string declaredName(const std::vector<DeclaredConstraint>& constraints, DeclaredConstraint::Kind kind,
                         const std::vector<IndexedColumn>& columns, const std::string& unnamed)
{
    std::vector<std::string> names;
    for (const IndexedColumn& column : columns)
        names.push_back(column.name);
    for (const DeclaredConstraint& constraint : constraints)
        if (constraint.kind == kind && !constraint.name.empty() && sameColumnNames(constraint.columns, names))
            return constraint.name;
    return unnamed;
}

// SQLite: the primary key from the columns' key positions (a rowid key has no index of its
// own), the other indexes from the index list; expression parts of an index are left out. Keys
// are named as the table's statement named them.
void readSqliteIndexes(sqlite3* db, TableDescription& table)
{
    const std::vector<DeclaredConstraint> constraints = declaredConstraints(db, table.name);
    TableIndex key{PRIMARY_KEY_NAME, true, true, true, {}};
    forEachRow(db, "SELECT name FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk", {table.name},
               [&key](sqlite3_stmt* row) { key.columns.push_back(IndexedColumn{textAt(row, 0).value_or(""), false}); });
    key.name = declaredName(constraints, DeclaredConstraint::Kind::PrimaryKey, key.columns, key.name);
    if (!key.columns.empty())
        table.indexes.push_back(std::move(key));
    std::vector<TableIndex> others;
    std::vector<bool> fromConstraint;
    forEachRow(db, R"(SELECT name, "unique", origin = 'u' FROM pragma_index_list(?1) WHERE origin <> 'pk')",
               {table.name}, [&](sqlite3_stmt* row) {
                   others.push_back(TableIndex{textAt(row, 0).value_or(""), false, sqlite3_column_int(row, 1) != 0,
                                               false, {}});
                   fromConstraint.push_back(sqlite3_column_int(row, 2) != 0);
               });
    for (std::size_t i = 0; i < others.size(); ++i) {
        TableIndex& index = others[i];
        forEachRow(db, R"(SELECT name, "desc" FROM pragma_index_xinfo(?1) WHERE key = 1 AND name IS NOT NULL
                          ORDER BY seqno)",
                   {index.name}, [&index](sqlite3_stmt* row) {
                       index.columns.push_back(IndexedColumn{textAt(row, 0).value_or(""), sqlite3_column_int(row, 1) != 0});
                   });
        if (fromConstraint[i])
            index.name = declaredName(constraints, DeclaredConstraint::Kind::Unique, index.columns, index.name);
        if (!index.columns.empty())
            table.indexes.push_back(std::move(index));
    }
}

// The only key column, declared INTEGER and numbered by AUTOINCREMENT, is the AutoNumber column
// Access's COUNTER becomes in a SQLite base: it is described as COUNTER again.
void markAutoNumber(sqlite3* db, TableDescription& table)
{
    const TableIndex* key = primaryKey(table);
    if (key == nullptr || key->columns.size() != 1)
        return;
    bool numbered = false;
    forEachRow(db, "SELECT upper(sql) LIKE '%AUTOINCREMENT%' FROM sqlite_master WHERE name = ?1", {table.name},
               [&numbered](sqlite3_stmt* row) { numbered = sqlite3_column_int(row, 0) != 0; });
    for (TableColumn& column : table.columns)
        if (numbered && column.name == key->columns[0].name && sameName(column.declared, "INTEGER"))
            column.declared = "COUNTER";
}

void readJetIndexes(jet::JetFile& file, TableDescription& table)
{
    std::vector<jet::JetIndexDefinition> indexes;
    long long rows = 0;
    if (!jet::readTableIndexes(file, table.name, indexes, rows))
        return;
    table.rowCount = rows;
    for (jet::JetIndexDefinition& index : indexes) {
        TableIndex described{std::move(index.name), index.primary, index.unique || index.primary,
                             index.required || index.primary, {}};
        for (jet::JetIndexColumn& column : index.columns)
            described.columns.push_back(IndexedColumn{std::move(column.name), column.descending});
        table.indexes.push_back(std::move(described));
    }
}

// Columns of a required index, and of a primary key, never hold Null.
void markRequired(TableDescription& table)
{
    for (const TableIndex& index : table.indexes) {
        if (!index.required)
            continue;
        for (const IndexedColumn& key : index.columns)
            for (TableColumn& column : table.columns)
                if (sameName(column.name, key.name))
                    column.notNull = true;
    }
}

std::optional<long long> countRows(sqlite3* db, const std::string& table)
{
    std::string quoted = "\"";
    for (const char c : table)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    std::optional<long long> count;
    forEachRow(db, ("SELECT count(*) FROM " + quoted + "\"").c_str(), {},
               [&count](sqlite3_stmt* row) { count = sqlite3_column_int64(row, 0); });
    return count;
}

}  // namespace

std::optional<TableDescription> describeTable(Database& database, const std::string& table, bool countRowsToo)
{
    sqlite3* db = database.handle();
    database.declareTable(table);
    database.declareTable("MSysObjects");  // its rows give the columns' properties
    const std::optional<std::string> name = schemaName(db, table);
    if (!name)
        return std::nullopt;
    TableDescription described;
    described.name = *name;
    bool readable = false;
    described.columns = readColumns(db, described.name, readable);
    if (!readable)
        return std::nullopt;
    if (database.jetFile() != nullptr) {
        readJetIndexes(*database.jetFile(), described);
    } else {
        readSqliteIndexes(db, described);
        markAutoNumber(db, described);
        if (countRowsToo)
            described.rowCount = countRows(db, described.name);
    }
    std::stable_sort(described.indexes.begin(), described.indexes.end(), [](const TableIndex& a, const TableIndex& b) {
        if (a.primary != b.primary)
            return a.primary;
        return nameBefore(a.name, b.name);
    });
    markRequired(described);
    return described;
}

const TableIndex* primaryKey(const TableDescription& table)
{
    for (const TableIndex& index : table.indexes)
        if (index.primary)
            return &index;
    return nullptr;
}

}  // namespace kervane::odbc
