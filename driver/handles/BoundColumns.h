#pragma once
// The columns bound with SQLBindCol: where each value of one row of a rowset goes in the
// application's buffers, and filling them through SQLGetData's conversions.
#include "driver/handles/Statement.h"

#include <vector>

namespace kervane::odbc {

// One bound column as a fetch fills it: its C type resolved, and how far apart its values and
// its lengths lie from one row of the rowset to the next.
struct BoundColumn {
    int column = 0;  // from 1
    const ColumnInfo* info = nullptr;
    SQLSMALLINT cType = 0;
    SQLLEN bufferLength = 0;
    char* target = nullptr;     // row 0's value, before the bind offset
    char* indicator = nullptr;  // row 0's length or indicator, before the bind offset
    SQLULEN valueStep = 0;
    SQLULEN indicatorStep = 0;
};

// Size of one element of a column-wise array of this C type: the type's own size for the
// fixed-size types, the bound buffer length for texts and binaries.
SQLLEN elementSize(SQLSMALLINT cType, SQLLEN bufferLength);
// Whether values can be given in this C type (SQL_C_DEFAULT included).
bool convertibleCType(SQLSMALLINT cType);

// The statement's bound columns laid out from its bindings and row binding type, made again
// only when stale. Throws 07009 for a column bound beyond the result.
const std::vector<BoundColumn>& boundColumns(Statement& statement);

// Fills the bound columns of the statement's current row into row (from 0) of the rowset, each
// address moved by offset bytes (SQL_ATTR_ROW_BIND_OFFSET_PTR). Throws OdbcError for a value
// that cannot be given in its C type; SQL_SUCCESS_WITH_INFO when a value was truncated.
SQLRETURN fillBoundRow(Statement& statement, const std::vector<BoundColumn>& columns, SQLULEN offset, SQLULEN row);

}  // namespace kervane::odbc
