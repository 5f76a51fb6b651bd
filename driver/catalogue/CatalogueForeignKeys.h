#pragma once
// SQLForeignKeys: the keys that refer to a table's primary key, or a table's own foreign keys.
#include "driver/handles/Statement.h"

#include <optional>
#include <string>

namespace kervane::odbc {

struct ForeignKeysRequest {
    std::optional<std::string> primaryTable;
    std::optional<std::string> foreignTable;
};

void listForeignKeys(Statement& statement, const ForeignKeysRequest& request);

}  // namespace kervane::odbc
