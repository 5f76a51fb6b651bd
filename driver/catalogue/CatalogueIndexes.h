#pragma once
// SQLStatistics, SQLPrimaryKeys and SQLSpecialColumns: the indexes and keys of one table.
#include "driver/handles/Statement.h"

#include <optional>
#include <string>

namespace kervane::odbc {

struct StatisticsRequest {
    std::optional<std::string> table;
    bool uniqueOnly = false;  // SQL_INDEX_UNIQUE
    bool countRows = false;   // SQL_ENSURE
};

struct SpecialColumnsRequest {
    SQLUSMALLINT identifierType = SQL_BEST_ROWID;
    std::optional<std::string> table;
    bool nullsAllowed = true;  // SQL_NULLABLE: a key whose columns may hold Null will do
};

void listStatistics(Statement& statement, const StatisticsRequest& request);
void listPrimaryKeys(Statement& statement, const std::optional<std::string>& table);
void listSpecialColumns(Statement& statement, const SpecialColumnsRequest& request);

}  // namespace kervane::odbc
