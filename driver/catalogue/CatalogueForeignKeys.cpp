#include "driver/catalogue/CatalogueForeignKeys.h"

#include "driver/catalogue/CatalogueRows.h"
#include "driver/base/SchemaQuery.h"
#include "driver/catalogue/TableIndexes.h"
#include "driver/catalogue/TableRelations.h"
#include "driver/handles/Connection.h"

#include <algorithm>

namespace kervane::odbc {
namespace {

const CatalogueColumn FOREIGN_KEY_COLUMNS[] = {
    {"PKTABLE_CAT", "PKTABLE_QUALIFIER", SQL_VARCHAR}, {"PKTABLE_SCHEM", "PKTABLE_OWNER", SQL_VARCHAR},
    {"PKTABLE_NAME", nullptr, SQL_VARCHAR},            {"PKCOLUMN_NAME", nullptr, SQL_VARCHAR},
    {"FKTABLE_CAT", "FKTABLE_QUALIFIER", SQL_VARCHAR}, {"FKTABLE_SCHEM", "FKTABLE_OWNER", SQL_VARCHAR},
    {"FKTABLE_NAME", nullptr, SQL_VARCHAR},            {"FKCOLUMN_NAME", nullptr, SQL_VARCHAR},
    {"KEY_SEQ", nullptr, SQL_SMALLINT},                {"UPDATE_RULE", nullptr, SQL_SMALLINT},
    {"DELETE_RULE", nullptr, SQL_SMALLINT},            {"FK_NAME", nullptr, SQL_VARCHAR},
    {"PK_NAME", nullptr, SQL_VARCHAR},                 {"DEFERRABILITY", nullptr, SQL_SMALLINT},
};

bool matches(const std::optional<std::string>& wanted, const std::string& table)
{
    return !givenName(wanted) || sameName(*wanted, table);
}

bool sameColumns(const std::vector<IndexedColumn>& key, const std::vector<std::string>& columns)
{
    return std::equal(key.begin(), key.end(), columns.begin(), columns.end(),
                      [](const IndexedColumn& a, const std::string& b) { return sameName(a.name, b); });
}

// The name of the referenced table's primary key when the relationship refers to it.
CatalogueValue primaryKeyName(Database& database, const Relation& relation)
{
    const auto table = describeTable(database, relation.primaryTable, false);
    const TableIndex* key = table ? primaryKey(*table) : nullptr;
    if (key == nullptr || !sameColumns(key->columns, relation.primaryColumns))
        return {};
    return key->name;
}

void addRows(Database& database, const std::string& catalogue, const Relation& relation,
             std::vector<CatalogueRow>& rows)
{
    const CatalogueValue keyName = primaryKeyName(database, relation);
    const CatalogueValue name = relation.name ? CatalogueValue{*relation.name} : CatalogueValue{};
    for (std::size_t i = 0; i < relation.foreignColumns.size(); ++i)
        rows.push_back(CatalogueRow{catalogue, {}, relation.primaryTable, relation.primaryColumns[i], catalogue, {},
                                    relation.foreignTable, relation.foreignColumns[i], static_cast<long long>(i + 1),
                                    static_cast<long long>(relation.updateRule),
                                    static_cast<long long>(relation.deleteRule), name, keyName,
                                    static_cast<long long>(SQL_NOT_DEFERRABLE)});
}

}  // namespace

void listForeignKeys(Statement& statement, const ForeignKeysRequest& request)
{
    std::vector<CatalogueRow> rows;
    const bool byPrimary = givenName(request.primaryTable);
    if (byPrimary || givenName(request.foreignTable)) {
        Database& database = statement.connection().database();
        std::vector<Relation> relations = readRelations(database);
        std::erase_if(relations, [&](const Relation& relation) {
            return !matches(request.primaryTable, relation.primaryTable)
                || !matches(request.foreignTable, relation.foreignTable);
        });
        // Keys referring to a table are sorted by the referring table, a table's own keys by
        // the referenced one; each key's columns in key order.
        std::stable_sort(relations.begin(), relations.end(), [byPrimary](const Relation& a, const Relation& b) {
            return byPrimary ? nameBefore(a.foreignTable, b.foreignTable) : nameBefore(a.primaryTable, b.primaryTable);
        });
        for (const Relation& relation : relations)
            addRows(database, catalogueName(statement), relation, rows);
    }
    showRows(statement, FOREIGN_KEY_COLUMNS, rows);
}

}  // namespace kervane::odbc
