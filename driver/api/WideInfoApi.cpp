// What the driver tells about itself, and the connection and statement attributes, for a
// Unicode application. Their buffers are untyped: text lengths count bytes.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"

#include <sqlext.h>

#include <cstdint>

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue, SQLSMALLINT cbInfoValueMax,
                              SQLSMALLINT* pcbInfoValue)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return driverInformation(connection, fInfoType, TextTarget::wideBytes(rgbInfoValue, cbInfoValueMax),
                                 pcbInfoValue);
    });
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER cbValueMax,
                                     SQLINTEGER* pcbValue)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return getConnectAttribute(connection, fAttribute, TextTarget::wideBytes(rgbValue, cbValueMax), pcbValue);
    });
}

// No attribute the driver takes is a text: the value is read as the narrow form reads it.
SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return setConnectAttribute(connection, fAttribute, rgbValue);
    });
}

// ODBC 2 gives no buffer length: as in the narrow form, a text option's buffer is taken to
// hold SQL_MAX_OPTION_STRING_LENGTH units, the final 0 included.
SQLRETURN SQL_API SQLGetConnectOptionW(SQLHDBC hdbc, SQLUSMALLINT fOption, SQLPOINTER pvParam)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return getConnectAttribute(connection, fOption, TextTarget::wide(pvParam, SQL_MAX_OPTION_STRING_LENGTH),
                                   static_cast<SQLINTEGER*>(nullptr));
    });
}

SQLRETURN SQL_API SQLSetConnectOptionW(SQLHDBC hdbc, SQLUSMALLINT fOption, SQLULEN vParam)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return setConnectAttribute(connection, fOption,
                                   reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(vParam)));
    });
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER, SQLINTEGER*)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return getStatementAttribute(statement, fAttribute, rgbValue);
    });
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return setStatementAttribute(statement, fAttribute, rgbValue);
    });
}

}  // extern "C"
