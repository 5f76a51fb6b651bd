// Preparing, running and describing statements for a Unicode application: the UTF-16 forms.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        statement.prepare(narrowText(szSqlStr, cbSqlStr, STATEMENT_TEXT));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        statement.prepare(narrowText(szSqlStr, cbSqlStr, STATEMENT_TEXT));
        return statement.run();
    });
}

SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC hdbc, SQLWCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLWCHAR* szSqlStr,
                                SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return TextTarget::wide(szSqlStr, cbSqlStrMax)
            .put(narrowText(szSqlStrIn, cbSqlStrIn, NATIVE_STATEMENT_TEXT), pcbSqlStr, connection.diagnostics());
    });
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLWCHAR* szColName, SQLSMALLINT cbColNameMax,
                                  SQLSMALLINT* pcbColName, SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
                                  SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return describeColumn(statement, icol, TextTarget::wide(szColName, cbColNameMax), pcbColName, pfSqlType,
                              pcbColDef, pibScale, pfNullable);
    });
}

// The character attribute's buffer is untyped: its lengths count bytes.
SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT hstmt, SQLUSMALLINT iCol, SQLUSMALLINT iField, SQLPOINTER pCharAttr,
                                   SQLSMALLINT cbCharAttrMax, SQLSMALLINT* pcbCharAttr, SQLLEN* pNumAttr)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return columnAttribute(statement, iCol, iField, TextTarget::wideBytes(pCharAttr, cbCharAttrMax), pcbCharAttr,
                               pNumAttr);
    });
}

SQLRETURN SQL_API SQLColAttributesW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT fDescType, SQLPOINTER rgbDesc,
                                    SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc, SQLLEN* pfDesc)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return columnAttribute(statement, icol, fDescType, TextTarget::wideBytes(rgbDesc, cbDescMax), pcbDesc, pfDesc);
    });
}

}  // extern "C"
