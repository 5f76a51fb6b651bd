#pragma once
// Catalogue results computed by the driver itself (type list, indexes, keys): rows of plain
// values handed to SQLite as one VALUES list, so that they are fetched like any other result.
#include "driver/handles/Statement.h"

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kervane::odbc {

using CatalogueValue = std::variant<std::monostate, long long, std::string>;
using CatalogueRow = std::vector<CatalogueValue>;

// A result column: its ODBC 3 name, its ODBC 2 name (nullptr when the same) and its SQL type
// (SQL_VARCHAR, SQL_SMALLINT or SQL_INTEGER).
struct CatalogueColumn {
    const char* name;
    const char* odbc2Name;
    SQLSMALLINT type;
};

// How a catalogue result column named `name`, of SQL type `type` (as above), is described.
ColumnInfo catalogueColumnInfo(const char* name, SQLSMALLINT type);

// Makes `rows` (each as long as `columns`) the statement's result, in their order.
void showRows(Statement& statement, std::span<const CatalogueColumn> columns, const std::vector<CatalogueRow>& rows);

// The catalogue every table belongs to: the database file's path, as the connection named it
// (a path an application may open the file by).
std::string catalogueName(Statement& statement);

// A catalogue name argument: absent or empty means "any".
inline bool givenName(const std::optional<std::string>& name)
{
    return name && !name->empty();
}

}  // namespace kervane::odbc
