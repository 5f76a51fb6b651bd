#pragma once
// A column's default value, between the three forms it takes: the DEFAULT of a CREATE TABLE in
// Access SQL ("0", "'Lyon'", "Now()"), the DefaultValue property Access keeps in the file ("0",
// "\"Lyon\"", "=Now()"), and the expression that gives it to a row inserted without it.
#include "driver/sql/SyntaxTree.h"

#include <string>
#include <string_view>

namespace kervane::sql {

// The expression of a default: a literal (number, text, date, True, False, Yes, No, Null, a sign
// allowed before a number) or Now(), Date(), Time(), with or without the "=" Access's table
// design puts in front. nullptr for any other expression, which the driver cannot give rows.
ExprPtr defaultExpression(std::string_view text);

// The DefaultValue property Access keeps for a DEFAULT written in Access SQL: a text between
// double quotes (as its table design writes one), anything else as written.
std::string accessDefaultProperty(std::string_view text);

}  // namespace kervane::sql
