#include "driver/catalogue/TableRelations.h"

#include "driver/base/SchemaQuery.h"
#include "driver/catalogue/DeclaredConstraints.h"

#include <map>

namespace kervane::odbc {
namespace {

// Relationship attributes of MSysRelationships.grbit (DAO's RelationAttributeEnum).
constexpr long long kUpdateCascade = 0x100;
constexpr long long kDeleteCascade = 0x1000;

SQLSMALLINT ruleFor(const std::optional<std::string>& action)
{
    const std::string text = action.value_or("NO ACTION");
    if (text == "CASCADE")
        return SQL_CASCADE;
    if (text == "SET NULL")
        return SQL_SET_NULL;
    if (text == "SET DEFAULT")
        return SQL_SET_DEFAULT;
    if (text == "RESTRICT")
        return SQL_RESTRICT;
    return SQL_NO_ACTION;
}

// A reference without columns names the referenced table's primary key.
std::vector<std::string> primaryKeyColumns(sqlite3* db, const std::string& table)
{
    std::vector<std::string> columns;
    forEachRow(db, "SELECT name FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk", {table},
               [&columns](sqlite3_stmt* row) { columns.push_back(textAt(row, 0).value_or("")); });
    return columns;
}

// The name the foreign key was given with CONSTRAINT; else, as Access names a relationship,
// the referenced table's name followed by the referring one's.
std::string relationName(const std::vector<DeclaredConstraint>& constraints, const Relation& relation)
{
    for (const DeclaredConstraint& constraint : constraints)
        if (constraint.kind == DeclaredConstraint::Kind::ForeignKey && !constraint.name.empty() &&
            sameName(constraint.referencedTable, relation.primaryTable) &&
            sameColumnNames(constraint.columns, relation.foreignColumns))
            return constraint.name;
    return relation.primaryTable + relation.foreignTable;
}

std::vector<Relation> sqliteRelations(sqlite3* db)
{
    std::vector<std::string> tables;
    forEachRow(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", {},
               [&tables](sqlite3_stmt* row) { tables.push_back(textAt(row, 0).value_or("")); });
    std::vector<Relation> relations;
    for (const std::string& table : tables) {
        std::map<long long, Relation> byId;
        forEachRow(db, R"(SELECT id, "table", "from", "to", on_update, on_delete FROM pragma_foreign_key_list(?1)
                          ORDER BY id, seq)",
                   {table}, [&](sqlite3_stmt* row) {
                       Relation& relation = byId[sqlite3_column_int64(row, 0)];
                       relation.foreignTable = table;
                       relation.primaryTable = textAt(row, 1).value_or("");
                       relation.foreignColumns.push_back(textAt(row, 2).value_or(""));
                       if (const auto to = textAt(row, 3))
                           relation.primaryColumns.push_back(*to);
                       relation.updateRule = ruleFor(textAt(row, 4));
                       relation.deleteRule = ruleFor(textAt(row, 5));
                   });
        const std::vector<DeclaredConstraint> constraints = declaredConstraints(db, table);
        for (auto& [id, relation] : byId) {
            relation.primaryTable = schemaName(db, relation.primaryTable).value_or(relation.primaryTable);
            relation.name = relationName(constraints, relation);
            if (relation.primaryColumns.empty())
                relation.primaryColumns = primaryKeyColumns(db, relation.primaryTable);
            if (relation.primaryColumns.size() == relation.foreignColumns.size())
                relations.push_back(std::move(relation));
        }
    }
    return relations;
}

// One MSysRelationships row per column of a relationship, numbered by icolumn.
std::vector<Relation> accessRelations(sqlite3* db)
{
    std::map<std::string, std::map<long long, std::pair<std::string, std::string>>> columns;
    std::map<std::string, Relation> byName;
    const bool read = forEachRow(
        db,
        "SELECT szRelationship, grbit, icolumn, szObject, szColumn, szReferencedObject, szReferencedColumn "
        "FROM MSysRelationships",
        {}, [&](sqlite3_stmt* row) {
            const std::string name = textAt(row, 0).value_or("");
            const long long attributes = sqlite3_column_int64(row, 1);
            Relation& relation = byName[name];
            relation.name = name;
            relation.foreignTable = textAt(row, 3).value_or("");
            relation.primaryTable = textAt(row, 5).value_or("");
            relation.updateRule = (attributes & kUpdateCascade) ? SQL_CASCADE : SQL_NO_ACTION;
            relation.deleteRule = (attributes & kDeleteCascade) ? SQL_CASCADE : SQL_NO_ACTION;
            columns[name][sqlite3_column_int64(row, 2)] = {textAt(row, 4).value_or(""), textAt(row, 6).value_or("")};
        });
    std::vector<Relation> relations;
    if (!read)
        return relations;
    for (auto& [name, relation] : byName) {
        for (const auto& [position, pair] : columns[name]) {
            relation.foreignColumns.push_back(pair.first);
            relation.primaryColumns.push_back(pair.second);
        }
        relations.push_back(std::move(relation));
    }
    return relations;
}

}  // namespace

std::vector<Relation> readRelations(Database& database)
{
    if (database.jetFile() == nullptr)
        return sqliteRelations(database.handle());
    // Only a file that has the system table is asked (an empty one may lack it).
    database.declareTable("MSysRelationships");
    if (!schemaName(database.handle(), "MSysRelationships"))
        return {};
    return accessRelations(database.handle());
}

}  // namespace kervane::odbc
