#pragma once
// The relationships between tables (foreign keys): from SQLite's foreign-key lists for a
// SQLite-format base, from the MSysRelationships system table for an Access file.
#include "driver/base/Database.h"

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

namespace kervane::odbc {

// What a referenced row's change does to the rows that refer to it (SQL_CASCADE...).
struct Relation {
    std::optional<std::string> name;
    std::string primaryTable;  // the referenced table
    std::string foreignTable;  // the table that refers to it
    std::vector<std::string> primaryColumns;
    std::vector<std::string> foreignColumns;  // in key order, as long as primaryColumns
    SQLSMALLINT updateRule = SQL_NO_ACTION;
    SQLSMALLINT deleteRule = SQL_NO_ACTION;
};

// Every relationship of the base; an Access file whose MSysRelationships cannot be read has none.
std::vector<Relation> readRelations(Database& database);

}  // namespace kervane::odbc
