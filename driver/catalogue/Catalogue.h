#pragma once
// SQLTables and SQLColumns, answered by queries on the schema of the SQLite connection.
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

}  // namespace kervane::odbc
