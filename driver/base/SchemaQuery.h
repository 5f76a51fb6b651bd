#pragma once
// Small read-only queries the catalogue functions run on the connection's schema.
#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kervane::odbc {

// Runs `sql` with the texts `arguments` bound to ?1, ?2...; calls `row` for each result row.
// False when the query fails (a table whose definition cannot be read), with no more rows.
bool forEachRow(sqlite3* db, const char* sql, const std::vector<std::string>& arguments,
                const std::function<void(sqlite3_stmt*)>& row);

// A column of the current row as text; nullopt for NULL.
std::optional<std::string> textAt(sqlite3_stmt* statement, int column);

// The name of the table or view named `name` without regard to case, as the schema spells it.
std::optional<std::string> schemaName(sqlite3* db, const std::string& name);

// Names compared as Access compares them, without regard to case (ASCII letters).
bool sameName(const std::string& a, const std::string& b);
bool nameBefore(const std::string& a, const std::string& b);

}  // namespace kervane::odbc
