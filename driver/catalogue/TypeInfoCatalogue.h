#pragma once
// SQLGetTypeInfo: the Access data types as this driver declares and reports them.
#include "driver/handles/Statement.h"

namespace kervane::odbc {

// Every type for SQL_ALL_TYPES, else the types of that SQL type (SQL_TIMESTAMP and
// SQL_TYPE_TIMESTAMP name the same dates); sorted by DATA_TYPE, the closest type first.
void listTypeInfo(Statement& statement, SQLSMALLINT dataType);

}  // namespace kervane::odbc
