// Ending transactions: SQLEndTran and the ODBC 2 SQLTransact.
#include "driver/api/Entry.h"

#include <mutex>

using namespace kervane::odbc;

namespace {

bool isCommit(SQLSMALLINT completion)
{
    if (completion != SQL_COMMIT && completion != SQL_ROLLBACK)
        throw OdbcError{"HY012", "Type de fin de transaction inconnu.", 0};
    return completion == SQL_COMMIT;
}

SQLRETURN endConnection(SQLHDBC handle, SQLSMALLINT completion)
{
    return guarded<Connection>(handle, [&](Connection& connection) -> SQLRETURN {
        const bool commit = isCommit(completion);
        if (!connection.isConnected())
            throw OdbcError{"08003", "La connexion n'est pas ouverte.", 0};
        connection.endTransaction(commit);
        return SQL_SUCCESS;
    });
}

SQLRETURN endEnvironment(SQLHENV handle, SQLSMALLINT completion)
{
    return guarded<Environment>(handle, [&](Environment& environment) -> SQLRETURN {
        const bool commit = isCommit(completion);
        SQLRETURN result = SQL_SUCCESS;
        environment.forEachConnection([&](Connection& connection) {
            std::scoped_lock lock(connection.callLock());
            if (!connection.isConnected())
                return;
            try {
                connection.endTransaction(commit);
            } catch (const OdbcError& error) {
                result = environment.diagnostics().add(error);
            }
        });
        return result;
    });
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT CompletionType)
{
    if (HandleType == SQL_HANDLE_DBC)
        return endConnection(Handle, CompletionType);
    if (HandleType == SQL_HANDLE_ENV)
        return endEnvironment(Handle, CompletionType);
    return SQL_ERROR;
}

SQLRETURN SQL_API SQLTransact(SQLHENV EnvironmentHandle, SQLHDBC ConnectionHandle, SQLUSMALLINT CompletionType)
{
    const auto completion = static_cast<SQLSMALLINT>(CompletionType);
    if (ConnectionHandle != SQL_NULL_HDBC)
        return endConnection(ConnectionHandle, completion);
    return endEnvironment(EnvironmentHandle, completion);
}

}  // extern "C"
