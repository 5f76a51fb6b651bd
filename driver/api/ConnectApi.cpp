// Connecting to the database file a data source names, and disconnecting.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/base/SqliteErrors.h"
#include "driver/handles/ConnectionString.h"
#include "driver/semantics/SecretText.h"

using namespace kervane::odbc;

namespace {

std::string requireFile(const std::string& dataSource, const std::string& file)
{
    if (!file.empty())
        return file;
    if (dataSource.empty())
        throw OdbcError{"08001", "Aucune base n'est indiquée : ni DBQ ni DSN dans la chaîne de connexion.", 0};
    throw OdbcError{"08001",
                    "La source de données " + quoted(dataSource) + " n'indique aucune base (attribut DBQ absent).", 0};
}

// A base opened with something to tell the user (a crash journal set aside): a warning.
SQLRETURN openingOutcome(Connection& connection)
{
    const std::string& notice = connection.database().openingNotice();
    return notice.empty() ? SQL_SUCCESS : connection.diagnostics().add("01000", notice);
}

}  // namespace

namespace kervane::odbc {

SQLRETURN connectDataSource(Connection& connection, const std::string& dataSource, std::string_view password)
{
    SecretText given;
    given.text() = password.empty() ? dataSourceValue(dataSource, "PWD") : std::string(password);
    connection.connect(dataSource, requireFile(dataSource, dataSourceFile(dataSource)), exclusiveAsked({}, dataSource),
                       given.text());
    return openingOutcome(connection);
}

SQLRETURN driverConnect(Connection& connection, std::string_view connectionString, const TextTarget& out,
                        SQLSMALLINT* outLength)
{
    Attributes attributes = parseConnectionString(connectionString);
    const std::string dataSource = attributes.contains("DSN") ? attributes["DSN"] : std::string();
    std::string file = attributes.contains("DBQ") ? attributes["DBQ"] : std::string();
    if (file.empty() && !dataSource.empty())
        file = dataSourceFile(dataSource);
    SecretText password;
    password.text() = attributes.contains("PWD") ? attributes["PWD"] : dataSourceValue(dataSource, "PWD");
    connection.connect(dataSource, requireFile(dataSource, file), exclusiveAsked(attributes, dataSource),
                       password.text());
    const SQLRETURN opened = openingOutcome(connection);
    attributes["DBQ"] = file;
    const SQLRETURN written = out.put(formatConnectionString(attributes), outLength, connection.diagnostics());
    return written != SQL_SUCCESS ? written : opened;
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLConnect(SQLHDBC ConnectionHandle, SQLCHAR* ServerName, SQLSMALLINT NameLength1, SQLCHAR*,
                             SQLSMALLINT, SQLCHAR* Authentication, SQLSMALLINT NameLength3)
{
    // The user name is not checked (no user-level security); the password is the file's
    // database password, when it has one.
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) {
        return connectDataSource(connection, std::string(inText(ServerName, NameLength1)),
                                 Authentication != nullptr ? inText(Authentication, NameLength3) : std::string_view());
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC hdbc, SQLHWND, SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                   SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
                                   SQLUSMALLINT)
{
    // No dialog can be shown: every completion mode behaves as SQL_DRIVER_NOPROMPT.
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        return driverConnect(connection, inText(szConnStrIn, cbConnStrIn),
                             TextTarget::narrow(szConnStrOut, cbConnStrOutMax), pcbConnStrOut);
    });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) -> SQLRETURN {
        connection.disconnect();
        return SQL_SUCCESS;
    });
}

}  // extern "C"
