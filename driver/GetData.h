#pragma once
// Values of the current row given to the application: SQLGetData in pieces, and the
// columns bound with SQLBindCol.
#include "driver/Statement.h"

namespace kervane::odbc {

// SQLGetData on column number (from 1). Text and binary values come in pieces across calls.
SQLRETURN getData(Statement& statement, int column, SQLSMALLINT cType, SQLPOINTER target, SQLLEN bufferLength,
                  SQLLEN* indicator);
// Fills every bound column for the row just fetched.
SQLRETURN fillBoundColumns(Statement& statement);

}  // namespace kervane::odbc
