#pragma once
// Moving forward by one rowset: up to its size in rows read and given out through the bound
// columns, with the status of each row and the count of rows read.
#include "driver/handles/Statement.h"

namespace kervane::odbc {

struct RowsetRequest {
    SQLULEN size = 1;                      // rows asked for
    SQLULEN* rowsFetched = nullptr;        // receives the rows read, error rows included
    SQLUSMALLINT* rowStatus = nullptr;     // one status per row asked for
    bool odbc2 = false;                    // SQLExtendedFetch: an error row is also announced by 01S01
};

// SQL_NO_DATA when no row is left. A row whose value cannot be given keeps SQL_ROW_ERROR and
// its diagnostic names it; the other rows are still read and the call gives
// SQL_SUCCESS_WITH_INFO, unless the rowset is of one row: then the call fails.
SQLRETURN fetchRowset(Statement& statement, const RowsetRequest& request);

}  // namespace kervane::odbc
