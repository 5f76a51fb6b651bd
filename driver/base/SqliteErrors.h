#pragma once
// SQLite failures turned into SQLSTATE and French messages that name the object concerned.
#include "driver/values/Diagnostics.h"

#include <string>
#include <string_view>

namespace kervane::odbc {

// code: SQLite result code; text: sqlite3_errmsg; readOnlyFile: the Access file when the
// connection is read-only (a denied write then names it), empty otherwise.
OdbcError errorFromSqlite(int code, std::string_view text, std::string_view readOnlyFile);

// « name » quoting used in every message.
std::string quoted(std::string_view name);

}  // namespace kervane::odbc
