// Environment, connection and statement attributes (ODBC 3 calls and their ODBC 2 forms).
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"

#include <sqlext.h>

#include <cstdint>

using namespace kervane::odbc;

namespace {

SQLULEN attributeInteger(SQLPOINTER value)
{
    return static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
}

template <class T>
SQLRETURN putValue(SQLPOINTER target, T value)
{
    if (target != nullptr)
        *static_cast<T*>(target) = value;
    return SQL_SUCCESS;
}

// A rowset has at least one row.
SQLULEN rowsetSize(SQLULEN number)
{
    if (number == 0)
        throw OdbcError{"HY024", "Un bloc de lignes compte au moins une ligne.", 0};
    return number;
}

}  // namespace

namespace kervane::odbc {

SQLRETURN setConnectAttribute(Connection& connection, SQLINTEGER attribute, SQLPOINTER value)
{
    switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
        connection.setAutocommit(attributeInteger(value) != SQL_AUTOCOMMIT_OFF);
        return SQL_SUCCESS;
    case SQL_ATTR_LOGIN_TIMEOUT:
        connection.loginTimeout = static_cast<SQLUINTEGER>(attributeInteger(value));
        return SQL_SUCCESS;
    case SQL_ATTR_ACCESS_MODE:
        connection.accessMode = static_cast<SQLUINTEGER>(attributeInteger(value));
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        // A statement attribute given to the connection (ODBC 2): for all its statements.
        connection.setQueryTimeout(attributeInteger(value));
        return SQL_SUCCESS;
    case SQL_ATTR_TXN_ISOLATION:
        if (connection.setIsolation(attributeInteger(value)))
            return SQL_SUCCESS;
        return connection.diagnostics().add("01S02", "Ce niveau d'isolation n'est pas disponible : le niveau "
                                                     "disponible immédiatement plus strict est appliqué.");
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_QUIET_MODE:
    case SQL_ATTR_TRACE:
    case SQL_ATTR_TRACEFILE:
    case SQL_ATTR_PACKET_SIZE:
    case SQL_ATTR_ODBC_CURSORS:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ANSI_APP:
        return SQL_SUCCESS;
    default:
        throw OdbcError{"HYC00", "Attribut de connexion " + std::to_string(attribute) + " non pris en charge.", 0};
    }
}

SQLRETURN getConnectAttribute(Connection& connection, SQLINTEGER attribute, const TextTarget& target,
                              SQLINTEGER* outLength)
{
    const SQLPOINTER value = target.buffer;
    switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
        return putValue<SQLUINTEGER>(value, connection.autocommit() ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    case SQL_ATTR_LOGIN_TIMEOUT:
        return putValue<SQLUINTEGER>(value, connection.loginTimeout);
    case SQL_ATTR_ACCESS_MODE:
        return putValue<SQLUINTEGER>(value, connection.isConnected() && connection.database().isReadOnly()
                                                ? SQL_MODE_READ_ONLY
                                                : connection.accessMode);
    case SQL_ATTR_TXN_ISOLATION:
        return putValue<SQLUINTEGER>(value, connection.isolation());
    case SQL_ATTR_QUERY_TIMEOUT:
        return putValue<SQLULEN>(value, connection.queryTimeout());
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_QUIET_MODE:
        return putValue<SQLUINTEGER>(value, 0);
    case SQL_ATTR_CONNECTION_DEAD:
        return putValue<SQLUINTEGER>(value, connection.isConnected() ? SQL_CD_FALSE : SQL_CD_TRUE);
    case SQL_ATTR_CURRENT_CATALOG:
        return target.put(connection.isConnected() ? connection.database().path() : std::string(), outLength,
                          connection.diagnostics());
    default:
        throw OdbcError{"HYC00", "Attribut de connexion " + std::to_string(attribute) + " non pris en charge.", 0};
    }
}

SQLRETURN setStatementAttribute(Statement& statement, SQLINTEGER attribute, SQLPOINTER value)
{
    const SQLULEN number = attributeInteger(value);
    switch (attribute) {
    case SQL_ATTR_MAX_ROWS:
        statement.maxRows = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        statement.rowsFetched = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        statement.rowStatus = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE:
        statement.rowArraySize = rowsetSize(number);
        return SQL_SUCCESS;
    case SQL_ROWSET_SIZE:
        statement.rowsetSize = rowsetSize(number);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
        statement.rowBindType = number;
        statement.setBoundLayoutStale(true);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        statement.rowBindOffset = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_OPERATION_PTR:
        statement.rowOperation = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
        if (number != SQL_CURSOR_FORWARD_ONLY)
            return statement.diagnostics().add("01S02", "Seul le curseur en avant seulement est disponible.");
        return SQL_SUCCESS;
    case SQL_ATTR_CONCURRENCY:
        if (number != SQL_CONCUR_READ_ONLY)
            return statement.diagnostics().add("01S02", "Seul le curseur en lecture seule est disponible.");
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        statement.queryTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
        if (number == 0)
            throw OdbcError{"HY024", "La taille d'un tableau de paramètres ne peut être nulle.", 0};
        statement.parameterArrays.size = number;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_TYPE:
        statement.parameterArrays.bindType = number;
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        statement.parameterArrays.processed = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_STATUS_PTR:
        statement.parameterArrays.status = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_OPERATION_PTR:
        statement.parameterArrays.operation = static_cast<SQLUSMALLINT*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
        statement.parameterArrays.bindOffset = static_cast<SQLULEN*>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_NOSCAN:
    case SQL_ATTR_RETRIEVE_DATA:
    case SQL_ATTR_CURSOR_SCROLLABLE:
    case SQL_ATTR_CURSOR_SENSITIVITY:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_METADATA_ID:
        return SQL_SUCCESS;
    case SQL_ATTR_USE_BOOKMARKS:
        if (number != SQL_UB_OFF)
            throw OdbcError{"HYC00", "Les signets ne sont pas pris en charge.", 0};
        return SQL_SUCCESS;
    default:
        throw OdbcError{"HYC00", "Attribut d'instruction " + std::to_string(attribute) + " non pris en charge.", 0};
    }
}

SQLRETURN getStatementAttribute(Statement& statement, SQLINTEGER attribute, SQLPOINTER value)
{
    switch (attribute) {
    case SQL_ATTR_MAX_ROWS:
        return putValue<SQLULEN>(value, statement.maxRows);
    case SQL_ATTR_ROWS_FETCHED_PTR:
        return putValue<SQLULEN*>(value, statement.rowsFetched);
    case SQL_ATTR_ROW_STATUS_PTR:
        return putValue<SQLUSMALLINT*>(value, statement.rowStatus);
    case SQL_ATTR_ROW_ARRAY_SIZE:
        return putValue<SQLULEN>(value, statement.rowArraySize);
    case SQL_ROWSET_SIZE:
        return putValue<SQLULEN>(value, statement.rowsetSize);
    case SQL_ATTR_ROW_BIND_TYPE:
        return putValue<SQLULEN>(value, statement.rowBindType);
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
        return putValue<SQLULEN*>(value, statement.rowBindOffset);
    case SQL_ATTR_ROW_OPERATION_PTR:
        return putValue<SQLUSMALLINT*>(value, statement.rowOperation);
    case SQL_ATTR_ROW_NUMBER:
        // The current row is the first of the rowset last read; none past the end.
        return putValue<SQLULEN>(value, statement.rowsetRows == 0 ? 0
                                                                  : statement.rowNumber - statement.rowsetRows + 1);
    case SQL_ATTR_CURSOR_TYPE:
        return putValue<SQLULEN>(value, SQL_CURSOR_FORWARD_ONLY);
    case SQL_ATTR_CONCURRENCY:
        return putValue<SQLULEN>(value, SQL_CONCUR_READ_ONLY);
    case SQL_ATTR_CURSOR_SCROLLABLE:
        return putValue<SQLULEN>(value, SQL_NONSCROLLABLE);
    case SQL_ATTR_CURSOR_SENSITIVITY:
        return putValue<SQLULEN>(value, SQL_INSENSITIVE);
    case SQL_ATTR_USE_BOOKMARKS:
        return putValue<SQLULEN>(value, SQL_UB_OFF);
    case SQL_ATTR_QUERY_TIMEOUT:
        return putValue<SQLULEN>(value, statement.queryTimeout);
    case SQL_ATTR_PARAMSET_SIZE:
        return putValue<SQLULEN>(value, statement.parameterArrays.size);
    case SQL_ATTR_PARAM_BIND_TYPE:
        return putValue<SQLULEN>(value, statement.parameterArrays.bindType);
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        return putValue<SQLULEN*>(value, statement.parameterArrays.processed);
    case SQL_ATTR_PARAM_STATUS_PTR:
        return putValue<SQLUSMALLINT*>(value, statement.parameterArrays.status);
    case SQL_ATTR_PARAM_OPERATION_PTR:
        return putValue<SQLUSMALLINT*>(value, statement.parameterArrays.operation);
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
        return putValue<SQLULEN*>(value, statement.parameterArrays.bindOffset);
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_NOSCAN:
    case SQL_ATTR_METADATA_ID:
        return putValue<SQLULEN>(value, 0);
    case SQL_ATTR_RETRIEVE_DATA:
        return putValue<SQLULEN>(value, SQL_RD_ON);
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
        // Descriptors are not exposed; the driver manager keeps its own.
        return putValue<SQLPOINTER>(value, statement.asOdbc());
    default:
        throw OdbcError{"HYC00", "Attribut d'instruction " + std::to_string(attribute) + " non pris en charge.", 0};
    }
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return guarded<Environment>(EnvironmentHandle, [&](Environment& environment) -> SQLRETURN {
        switch (Attribute) {
        case SQL_ATTR_ODBC_VERSION:
            environment.setOdbcVersion(static_cast<SQLINTEGER>(attributeInteger(Value)));
            return SQL_SUCCESS;
        case SQL_ATTR_OUTPUT_NTS:
        case SQL_ATTR_CONNECTION_POOLING:
        case SQL_ATTR_CP_MATCH:
            return SQL_SUCCESS;
        default:
            throw OdbcError{"HYC00", "Attribut d'environnement non pris en charge.", 0};
        }
    });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER,
                                SQLINTEGER*)
{
    return guarded<Environment>(EnvironmentHandle, [&](Environment& environment) -> SQLRETURN {
        switch (Attribute) {
        case SQL_ATTR_ODBC_VERSION:
            return putValue<SQLINTEGER>(Value, environment.odbcVersion());
        case SQL_ATTR_OUTPUT_NTS:
            return putValue<SQLINTEGER>(Value, SQL_TRUE);
        case SQL_ATTR_CONNECTION_POOLING:
            return putValue<SQLUINTEGER>(Value, SQL_CP_OFF);
        case SQL_ATTR_CP_MATCH:
            return putValue<SQLUINTEGER>(Value, SQL_CP_STRICT_MATCH);
        default:
            throw OdbcError{"HYC00", "Attribut d'environnement non pris en charge.", 0};
        }
    });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return guarded<Connection>(ConnectionHandle,
                               [&](Connection& connection) { return setConnectAttribute(connection, Attribute, Value); });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                    SQLINTEGER BufferLength, SQLINTEGER* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) {
        return getConnectAttribute(connection, Attribute, TextTarget::narrow(Value, BufferLength), StringLength);
    });
}

SQLRETURN SQL_API SQLSetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option, SQLULEN Value)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) {
        return setConnectAttribute(connection, Option,
                                   reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(Value)));
    });
}

SQLRETURN SQL_API SQLGetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option, SQLPOINTER Value)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) {
        return getConnectAttribute(connection, Option, TextTarget::narrow(Value, SQL_MAX_OPTION_STRING_LENGTH),
                                   static_cast<SQLINTEGER*>(nullptr));
    });
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return guarded<Statement>(StatementHandle,
                              [&](Statement& statement) { return setStatementAttribute(statement, Attribute, Value); });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER,
                                 SQLINTEGER*)
{
    return guarded<Statement>(StatementHandle,
                              [&](Statement& statement) { return getStatementAttribute(statement, Attribute, Value); });
}

SQLRETURN SQL_API SQLSetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option, SQLULEN Value)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return setStatementAttribute(statement, Option,
                                     reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(Value)));
    });
}

SQLRETURN SQL_API SQLGetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option, SQLPOINTER Value)
{
    return guarded<Statement>(StatementHandle,
                              [&](Statement& statement) { return getStatementAttribute(statement, Option, Value); });
}

}  // extern "C"
