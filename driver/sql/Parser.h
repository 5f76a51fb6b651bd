#pragma once
// Parser of Access (Jet 4) SQL: one statement or one lone expression into the syntax tree.
#include "driver/sql/SqlError.h"
#include "driver/sql/SyntaxTree.h"

#include <string_view>

namespace kervane::sql {

// One statement, with an optional trailing ";". Throws SqlError (SQLSTATE 42000) with a French
// message giving the offending token and its character position.
Statement parseStatement(std::string_view sql);

// A lone expression, as the criteria of a domain aggregate ("[ShipRegion] = 'CA'").
ExprPtr parseExpression(std::string_view text);

}  // namespace kervane::sql
