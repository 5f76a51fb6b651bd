#pragma once
// Conversion of one value into a fixed-size C type (numbers, bit, date and time structures).
#include "driver/values/Diagnostics.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace kervane::odbc {

SQLRETURN convertFixed(sqlite3_stmt* statement, int index, SQLSMALLINT cType, SQLPOINTER target, SQLLEN* indicator,
                       Diagnostics& diagnostics);

}  // namespace kervane::odbc
