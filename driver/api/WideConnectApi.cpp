// Connecting from a Unicode application: the connect calls with UTF-16 texts.
#include "driver/Entry.h"
#include "driver/api/EntryBodies.h"

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLConnectW(SQLHDBC hdbc, SQLWCHAR* szDSN, SQLSMALLINT cbDSN, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                              SQLSMALLINT)
{
    // User name and password are not checked: the file is the whole security.
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return connectDataSource(connection, narrowText(szDSN, cbDSN));
    });
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND, SQLWCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                    SQLWCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                    SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT)
{
    // No dialog can be shown: every completion mode behaves as SQL_DRIVER_NOPROMPT.
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return driverConnect(connection, narrowText(szConnStrIn, cbConnStrIn),
                             TextTarget::wide(szConnStrOut, cbConnStrOutMax), pcbConnStrOut);
    });
}

}  // extern "C"
