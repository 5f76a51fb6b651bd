#include "driver/catalogue/CatalogueIndexes.h"

#include "driver/catalogue/CatalogueRows.h"
#include "driver/base/SchemaQuery.h"
#include "driver/catalogue/TableIndexes.h"
#include "driver/handles/Connection.h"

#include <algorithm>

namespace kervane::odbc {
namespace {

const CatalogueColumn STATISTICS_COLUMNS[] = {
    {"TABLE_CAT", "TABLE_QUALIFIER", SQL_VARCHAR},  {"TABLE_SCHEM", "TABLE_OWNER", SQL_VARCHAR},
    {"TABLE_NAME", nullptr, SQL_VARCHAR},           {"NON_UNIQUE", nullptr, SQL_SMALLINT},
    {"INDEX_QUALIFIER", nullptr, SQL_VARCHAR},      {"INDEX_NAME", nullptr, SQL_VARCHAR},
    {"TYPE", nullptr, SQL_SMALLINT},                {"ORDINAL_POSITION", "SEQ_IN_INDEX", SQL_SMALLINT},
    {"COLUMN_NAME", nullptr, SQL_VARCHAR},          {"ASC_OR_DESC", "COLLATION", SQL_VARCHAR},
    {"CARDINALITY", nullptr, SQL_INTEGER},          {"PAGES", nullptr, SQL_INTEGER},
    {"FILTER_CONDITION", nullptr, SQL_VARCHAR},
};

const CatalogueColumn PRIMARY_KEY_COLUMNS[] = {
    {"TABLE_CAT", "TABLE_QUALIFIER", SQL_VARCHAR}, {"TABLE_SCHEM", "TABLE_OWNER", SQL_VARCHAR},
    {"TABLE_NAME", nullptr, SQL_VARCHAR},          {"COLUMN_NAME", nullptr, SQL_VARCHAR},
    {"KEY_SEQ", nullptr, SQL_SMALLINT},            {"PK_NAME", nullptr, SQL_VARCHAR},
};

const CatalogueColumn SPECIAL_COLUMNS[] = {
    {"SCOPE", nullptr, SQL_SMALLINT},         {"COLUMN_NAME", nullptr, SQL_VARCHAR},
    {"DATA_TYPE", nullptr, SQL_SMALLINT},     {"TYPE_NAME", nullptr, SQL_VARCHAR},
    {"COLUMN_SIZE", "PRECISION", SQL_INTEGER}, {"BUFFER_LENGTH", "LENGTH", SQL_INTEGER},
    {"DECIMAL_DIGITS", "SCALE", SQL_SMALLINT}, {"PSEUDO_COLUMN", nullptr, SQL_SMALLINT},
};

std::optional<TableDescription> described(Statement& statement, const std::optional<std::string>& table,
                                          bool countRows)
{
    if (!givenName(table))
        return std::nullopt;
    return describeTable(statement.connection().database(), *table, countRows);
}

CatalogueValue optionalNumber(const std::optional<long long>& value)
{
    return value ? CatalogueValue{*value} : CatalogueValue{};
}

// Unique indexes first, then by name; the rows of an index follow in key order.
std::vector<const TableIndex*> indexOrder(const TableDescription& table, bool uniqueOnly)
{
    std::vector<const TableIndex*> chosen;
    for (const TableIndex& index : table.indexes)
        if (index.unique || !uniqueOnly)
            chosen.push_back(&index);
    std::stable_sort(chosen.begin(), chosen.end(), [](const TableIndex* a, const TableIndex* b) {
        if (a->unique != b->unique)
            return a->unique;
        return nameBefore(a->name, b->name);
    });
    return chosen;
}

const TableColumn* findColumn(const TableDescription& table, const std::string& name)
{
    for (const TableColumn& column : table.columns)
        if (sameName(column.name, name))
            return &column;
    return nullptr;
}

// The best key to find a row again: the primary key, else a unique index (one whose columns
// never hold Null when the application asks so).
const TableIndex* bestKey(const TableDescription& table, bool nullsAllowed)
{
    if (const TableIndex* key = primaryKey(table))
        return key;
    for (const TableIndex& index : table.indexes) {
        if (!index.unique)
            continue;
        const bool noNulls = std::all_of(index.columns.begin(), index.columns.end(), [&](const IndexedColumn& key) {
            const TableColumn* column = findColumn(table, key.name);
            return column != nullptr && column->notNull;
        });
        if (nullsAllowed || noNulls)
            return &index;
    }
    return nullptr;
}

CatalogueRow specialColumnRow(const TableColumn& column, bool odbc3)
{
    const ColumnType type = typeFromDeclared(column.declared);
    const bool numeric = numericRadix(type) != 0;
    return CatalogueRow{static_cast<long long>(SQL_SCOPE_SESSION),
                        column.name,
                        static_cast<long long>(sqlTypeFor(type, odbc3)),
                        std::string(type.typeName),
                        static_cast<long long>(type.precision),
                        static_cast<long long>(octetLength(type)),
                        numeric ? CatalogueValue{static_cast<long long>(type.scale)} : CatalogueValue{},
                        static_cast<long long>(SQL_PC_NOT_PSEUDO)};
}

}  // namespace

void listStatistics(Statement& statement, const StatisticsRequest& request)
{
    std::vector<CatalogueRow> rows;
    if (const auto table = described(statement, request.table, request.countRows)) {
        const std::string catalogue = catalogueName(statement);
        rows.push_back(CatalogueRow{catalogue, {}, table->name, {}, {}, {}, static_cast<long long>(SQL_TABLE_STAT), {}, {}, {},
                                    optionalNumber(table->rowCount), {}, {}});
        for (const TableIndex* index : indexOrder(*table, request.uniqueOnly))
            for (std::size_t i = 0; i < index->columns.size(); ++i)
                rows.push_back(CatalogueRow{catalogue, {}, table->name, index->unique ? 0LL : 1LL, {}, index->name,
                                            static_cast<long long>(SQL_INDEX_OTHER), static_cast<long long>(i + 1),
                                            index->columns[i].name, std::string(index->columns[i].descending ? "D" : "A"),
                                            {}, {}, {}});
    }
    showRows(statement, STATISTICS_COLUMNS, rows);
}

void listPrimaryKeys(Statement& statement, const std::optional<std::string>& tableName)
{
    std::vector<CatalogueRow> rows;
    if (const auto table = described(statement, tableName, false))
        if (const TableIndex* key = primaryKey(*table))
            for (std::size_t i = 0; i < key->columns.size(); ++i)
                rows.push_back(CatalogueRow{catalogueName(statement), {}, table->name, key->columns[i].name,
                                            static_cast<long long>(i + 1),
                                            key->name});
    showRows(statement, PRIMARY_KEY_COLUMNS, rows);
}

void listSpecialColumns(Statement& statement, const SpecialColumnsRequest& request)
{
    std::vector<CatalogueRow> rows;
    // No column changes by itself when a row changes (SQL_ROWVER): none is listed.
    if (request.identifierType == SQL_BEST_ROWID)
        if (const auto table = described(statement, request.table, false))
            if (const TableIndex* key = bestKey(*table, request.nullsAllowed))
                for (const IndexedColumn& keyColumn : key->columns)
                    if (const TableColumn* column = findColumn(*table, keyColumn.name))
                        rows.push_back(specialColumnRow(*column, statement.isOdbc3()));
    showRows(statement, SPECIAL_COLUMNS, rows);
}

}  // namespace kervane::odbc
