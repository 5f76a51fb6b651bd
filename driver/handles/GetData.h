#pragma once
// Values of the current row given to the application in the C type it asks for: SQLGetData in
// pieces, and (through the same conversions) the columns bound with SQLBindCol.
#include "driver/handles/Statement.h"

namespace kervane::odbc {

// SQLGetData on column number (from 1). Text and binary values come in pieces across calls.
SQLRETURN getData(Statement& statement, int column, SQLSMALLINT cType, SQLPOINTER target, SQLLEN bufferLength,
                  SQLLEN* indicator);
// The C type SQL_C_DEFAULT stands for with this column; any other type unchanged.
SQLSMALLINT resolvedCType(SQLSMALLINT cType, const ColumnInfo& column);
// getData once the row, the column (info) and its C type (resolved) are known good: the
// bound columns check them once per fetch.
SQLRETURN giveValue(Statement& statement, int column, const ColumnInfo& info, SQLSMALLINT cType, SQLPOINTER target,
                    SQLLEN bufferLength, SQLLEN* indicator);
// A column bound with a length buffer but no value buffer: only the length (in bytes of the
// C type) or SQL_NULL_DATA.
SQLRETURN giveLength(Statement& statement, int column, const ColumnInfo& info, SQLSMALLINT cType, SQLLEN* indicator);

}  // namespace kervane::odbc
