#include "driver/catalogue/CatalogueRows.h"

#include "driver/handles/Connection.h"

namespace kervane::odbc {
namespace {

ColumnInfo describedColumn(const CatalogueColumn& column, bool odbc3)
{
    return catalogueColumnInfo(odbc3 || column.odbc2Name == nullptr ? column.name : column.odbc2Name, column.type);
}

// "SELECT column1 AS c1, ... FROM (VALUES (?, ...), ...)", or one empty row set.
std::string valuesQuery(std::size_t columnCount, std::size_t rowCount)
{
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < columnCount; ++i)
        sql += (i ? ", " : "") + (rowCount ? "column" + std::to_string(i + 1) : std::string("NULL"));
    if (rowCount == 0)
        return sql + " WHERE 0";
    std::string row = "(";
    for (std::size_t i = 0; i < columnCount; ++i)
        row += i ? ", ?" : "?";
    row += ")";
    sql += " FROM (VALUES ";
    for (std::size_t r = 0; r < rowCount; ++r)
        sql += (r ? ", " : "") + row;
    return sql + ")";
}

void bindValue(sqlite3_stmt* statement, int index, const CatalogueValue& value)
{
    if (const auto* number = std::get_if<long long>(&value))
        sqlite3_bind_int64(statement, index, *number);
    else if (const auto* text = std::get_if<std::string>(&value))
        sqlite3_bind_text(statement, index, text->c_str(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(statement, index);
}

}  // namespace

ColumnInfo catalogueColumnInfo(const char* name, SQLSMALLINT type)
{
    ColumnInfo info;
    info.name = name;
    info.nullable = SQL_NULLABLE;
    switch (type) {
    case SQL_SMALLINT:
        info.type = ColumnType{SQL_SMALLINT, 5, 0, "SMALLINT", TextForm::Plain};
        break;
    case SQL_INTEGER:
        info.type = ColumnType{SQL_INTEGER, 10, 0, "INTEGER", TextForm::Plain};
        break;
    default:
        info.type = ColumnType{SQL_VARCHAR, 128, 0, "VARCHAR", TextForm::Plain};
    }
    return info;
}

std::string catalogueName(Statement& statement)
{
    return statement.connection().database().path();
}

void showRows(Statement& statement, std::span<const CatalogueColumn> columns, const std::vector<CatalogueRow>& rows)
{
    statement.prepareNative(valuesQuery(columns.size(), rows.size()));
    int index = 1;
    for (const CatalogueRow& row : rows)
        for (std::size_t i = 0; i < columns.size(); ++i)
            bindValue(statement.sqlite(), index++, i < row.size() ? row[i] : CatalogueValue{});
    statement.execute();
    std::vector<ColumnInfo> described;
    for (const CatalogueColumn& column : columns)
        described.push_back(describedColumn(column, statement.isOdbc3()));
    statement.describeColumns(std::move(described));
}

}  // namespace kervane::odbc
