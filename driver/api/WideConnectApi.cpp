// Connecting from a Unicode application: the connect calls with UTF-16 texts.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/semantics/SecretText.h"

using namespace kervane::odbc;

namespace {

constexpr TextUse DATA_SOURCE_NAME{"Le nom de la source de données", "aucune connexion n'a été ouverte"};
constexpr TextUse CONNECTION_STRING{"La chaîne de connexion", "aucune connexion n'a été ouverte"};
constexpr TextUse PASSWORD{"Le mot de passe", "aucune connexion n'a été ouverte"};

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLConnectW(SQLHDBC hdbc, SQLWCHAR* szDSN, SQLSMALLINT cbDSN, SQLWCHAR*, SQLSMALLINT,
                              SQLWCHAR* szAuthStr, SQLSMALLINT cbAuthStr)
{
    // The user name is not checked; the password is the file's database password, if any.
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        kervane::SecretText password;
        if (szAuthStr != nullptr)
            password.text() = narrowText(szAuthStr, cbAuthStr, PASSWORD);
        return connectDataSource(connection, narrowText(szDSN, cbDSN, DATA_SOURCE_NAME), password.text());
    });
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND, SQLWCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                    SQLWCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                    SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT)
{
    // No dialog can be shown: every completion mode behaves as SQL_DRIVER_NOPROMPT.
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return driverConnect(connection, narrowText(szConnStrIn, cbConnStrIn, CONNECTION_STRING),
                             TextTarget::wide(szConnStrOut, cbConnStrOutMax), pcbConnStrOut);
    });
}

}  // extern "C"
