#pragma once
// Small readings of SQL text.
#include <string_view>

namespace kervane::odbc {

// True when the text holds nothing but spaces, semicolons and comments.
bool isBlank(std::string_view sql);
// True when the statement's first keyword is INSERT, UPDATE, DELETE or REPLACE.
bool changesRows(std::string_view sql);

}  // namespace kervane::odbc
