#pragma once
// The columns bound with SQLBindCol: where each value of one row of a rowset goes in the
// application's buffers, and filling them through SQLGetData's conversions.
#include "driver/Statement.h"

namespace kervane::odbc {

// How the bound buffers are laid out for the fetch under way.
struct RowsetLayout {
    SQLULEN bindType = SQL_BIND_BY_COLUMN;  // or the size in bytes of the application's row structure
    SQLULEN offset = 0;                     // bytes added to every bound address
};

RowsetLayout rowsetLayout(const Statement& statement);

// Size of one element of a column-wise array of this C type: the type's own size for the
// fixed-size types, the bound buffer length for texts and binaries.
SQLLEN elementSize(SQLSMALLINT cType, SQLLEN bufferLength);

// Fills the bound columns of the statement's current row into row (from 0) of the rowset.
// Throws OdbcError for a value that cannot be given in its C type; SQL_SUCCESS_WITH_INFO when
// a value was truncated.
SQLRETURN fillBoundRow(Statement& statement, const RowsetLayout& layout, SQLULEN row);

}  // namespace kervane::odbc
