// Reading the diagnostic records in UTF-16. The message of SQLGetDiagRecW and SQLErrorW counts
// characters; the string fields of SQLGetDiagFieldW, whose buffer is untyped, count bytes.
#include "driver/api/EntryBodies.h"

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT fHandleType, SQLHANDLE handle, SQLSMALLINT iRecord,
                                 SQLWCHAR* szSqlState, SQLINTEGER* pfNativeError, SQLWCHAR* szErrorMsg,
                                 SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg)
{
    return diagnosticRecord(fHandleType, handle, iRecord, TextTarget::wide(szSqlState, SQLSTATE_BUFFER), pfNativeError,
                            TextTarget::wide(szErrorMsg, cbErrorMsgMax), pcbErrorMsg);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT fHandleType, SQLHANDLE handle, SQLSMALLINT iRecord,
                                   SQLSMALLINT fDiagField, SQLPOINTER rgbDiagInfo, SQLSMALLINT cbDiagInfoMax,
                                   SQLSMALLINT* pcbDiagInfo)
{
    return diagnosticField(fHandleType, handle, iRecord, fDiagField, TextTarget::wideBytes(rgbDiagInfo, cbDiagInfoMax),
                           pcbDiagInfo);
}

SQLRETURN SQL_API SQLErrorW(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLWCHAR* szSqlState, SQLINTEGER* pfNativeError,
                            SQLWCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg)
{
    return takeOldestError(henv, hdbc, hstmt, TextTarget::wide(szSqlState, SQLSTATE_BUFFER), pfNativeError,
                           TextTarget::wide(szErrorMsg, cbErrorMsgMax), pcbErrorMsg);
}

}  // extern "C"
