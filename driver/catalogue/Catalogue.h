#pragma once
// SQLTables, SQLColumns and SQLProcedures, answered by queries on the schema of the SQLite
// connection.
#include "driver/handles/Statement.h"

#include <optional>
#include <string>

namespace kervane::odbc {

struct TablesRequest {
    std::optional<std::string> catalog;
    std::optional<std::string> schema;
    std::optional<std::string> table;  // search pattern
    std::optional<std::string> types;  // "'TABLE','VIEW'" or "TABLE,VIEW"
};

struct ColumnsRequest {
    std::optional<std::string> table;   // search pattern
    std::optional<std::string> column;  // search pattern
};

void listTables(Statement& statement, const TablesRequest& request);
void listColumns(Statement& statement, const ColumnsRequest& request);
// The stored queries a call runs (action queries, queries with parameters) whose names match
// the search pattern.
void listProcedures(Statement& statement, const std::optional<std::string>& pattern);

}  // namespace kervane::odbc
