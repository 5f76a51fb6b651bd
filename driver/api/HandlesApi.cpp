// Allocation and release of environments, connections and statements.
#include "driver/api/Entry.h"

#include <memory>
#include <mutex>

using namespace kervane::odbc;

namespace {

SQLRETURN allocateEnvironment(SQLHANDLE* output) noexcept
{
    if (output == nullptr)
        return SQL_ERROR;
    try {
        auto environment = std::make_unique<Environment>();
        *output = environment.release()->asOdbc();  // owned by the application until SQLFreeHandle
        return SQL_SUCCESS;
    } catch (...) {
        *output = SQL_NULL_HENV;
        return SQL_ERROR;
    }
}

SQLRETURN allocateConnection(SQLHANDLE input, SQLHANDLE* output) noexcept
{
    return guarded<Environment>(input, [&](Environment& environment) -> SQLRETURN {
        if (output == nullptr)
            throw OdbcError{"HY009", "Aucune zone de réception pour le handle.", 0};
        *output = SQL_NULL_HDBC;
        *output = environment.allocateConnection().asOdbc();
        return SQL_SUCCESS;
    });
}

SQLRETURN allocateStatement(SQLHANDLE input, SQLHANDLE* output) noexcept
{
    return guarded<Connection>(input, [&](Connection& connection) -> SQLRETURN {
        if (output == nullptr)
            throw OdbcError{"HY009", "Aucune zone de réception pour le handle.", 0};
        *output = SQL_NULL_HSTMT;
        *output = connection.allocateStatement().asOdbc();
        return SQL_SUCCESS;
    });
}

SQLRETURN freeEnvironment(SQLHANDLE handle) noexcept
{
    return unlockedCall<Environment>(handle, [&](Environment& environment) -> SQLRETURN {
        if (environment.hasConnections())
            throw OdbcError{"HY010", "Des connexions sont encore allouées sur cet environnement.", 0};
        std::unique_ptr<Environment> owned(&environment);
        return SQL_SUCCESS;
    });
}

SQLRETURN freeConnection(SQLHANDLE handle) noexcept
{
    return unlockedCall<Connection>(handle, [&](Connection& connection) -> SQLRETURN {
        if (connection.isConnected())
            throw OdbcError{"HY010", "La connexion est encore ouverte : appelez SQLDisconnect d'abord.", 0};
        connection.environment().freeConnection(connection);
        return SQL_SUCCESS;
    });
}

SQLRETURN freeStatement(SQLHANDLE handle) noexcept
{
    Statement* statement = handleOf<Statement>(handle);
    if (statement == nullptr)
        return SQL_INVALID_HANDLE;
    Connection& connection = statement->connection();
    try {
        // The connection's lock, not the statement's call: the statement is gone at the end.
        std::scoped_lock lock(connection.callLock());
        connection.freeStatement(*statement);
        return SQL_SUCCESS;
    } catch (...) {
        return SQL_ERROR;
    }
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle, SQLHANDLE* OutputHandle)
{
    switch (HandleType) {
    case SQL_HANDLE_ENV:
        return allocateEnvironment(OutputHandle);
    case SQL_HANDLE_DBC:
        return allocateConnection(InputHandle, OutputHandle);
    case SQL_HANDLE_STMT:
        return allocateStatement(InputHandle, OutputHandle);
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLAllocEnv(SQLHENV* EnvironmentHandle)
{
    return allocateEnvironment(EnvironmentHandle);
}

SQLRETURN SQL_API SQLAllocConnect(SQLHENV EnvironmentHandle, SQLHDBC* ConnectionHandle)
{
    return allocateConnection(EnvironmentHandle, ConnectionHandle);
}

SQLRETURN SQL_API SQLAllocStmt(SQLHDBC ConnectionHandle, SQLHSTMT* StatementHandle)
{
    return allocateStatement(ConnectionHandle, StatementHandle);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT HandleType, SQLHANDLE Handle)
{
    switch (HandleType) {
    case SQL_HANDLE_ENV:
        return freeEnvironment(Handle);
    case SQL_HANDLE_DBC:
        return freeConnection(Handle);
    case SQL_HANDLE_STMT:
        return freeStatement(Handle);
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeEnv(SQLHENV EnvironmentHandle)
{
    return freeEnvironment(EnvironmentHandle);
}

SQLRETURN SQL_API SQLFreeConnect(SQLHDBC ConnectionHandle)
{
    return freeConnection(ConnectionHandle);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    if (Option == SQL_DROP)
        return freeStatement(StatementHandle);
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        switch (Option) {
        case SQL_CLOSE:
            statement.closeCursor();
            return SQL_SUCCESS;
        case SQL_UNBIND:
            statement.bindings().clear();
            return SQL_SUCCESS;
        case SQL_RESET_PARAMS:
            statement.parameterBindings().clear();
            return SQL_SUCCESS;
        default:
            throw OdbcError{"HY092", "Option de SQLFreeStmt inconnue.", 0};
        }
    });
}

}  // extern "C"
