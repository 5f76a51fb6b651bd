#pragma once
// The bodies the narrow (UTF-8) and wide (UTF-16) forms of an entry point share. Each writes
// its texts through a TextTarget, so that only the form of the buffers differs between the two.
// The connection and statement bodies run inside guarded<>; the diagnostic ones are whole
// entry points of their own (reading diagnostics must not clear them).
#include "driver/handles/Connection.h"
#include "driver/handles/Statement.h"
#include "driver/values/TextTarget.h"

#include <optional>
#include <string>
#include <string_view>

namespace kervane::odbc {

// CatalogueApi.cpp: the catalogue functions whose arguments need checking, given their names
// in UTF-8 (absent when the application passed none).
SQLRETURN statistics(Statement& statement, std::optional<std::string> table, SQLUSMALLINT unique,
                     SQLUSMALLINT reserved);
SQLRETURN primaryKeys(Statement& statement, std::optional<std::string> table);
SQLRETURN specialColumns(Statement& statement, SQLUSMALLINT identifierType, std::optional<std::string> table,
                         SQLUSMALLINT scope, SQLUSMALLINT nullable);
SQLRETURN foreignKeys(Statement& statement, std::optional<std::string> primaryTable,
                      std::optional<std::string> foreignTable);

// ConnectApi.cpp: SQL_SUCCESS_WITH_INFO (01000) when the opening has something to tell.
SQLRETURN connectDataSource(Connection& connection, const std::string& dataSource, std::string_view password);
SQLRETURN driverConnect(Connection& connection, std::string_view connectionString, const TextTarget& out,
                        SQLSMALLINT* outLength);

// ExecuteApi.cpp
SQLRETURN describeColumn(Statement& statement, SQLUSMALLINT number, const TextTarget& name, SQLSMALLINT* nameLength,
                         SQLSMALLINT* dataType, SQLULEN* columnSize, SQLSMALLINT* decimalDigits,
                         SQLSMALLINT* nullable);
// A text attribute goes to text; a numeric one to numeric.
SQLRETURN columnAttribute(Statement& statement, SQLUSMALLINT number, SQLUSMALLINT field, const TextTarget& text,
                          SQLSMALLINT* outLength, SQLLEN* numeric);

// DiagnosticsApi.cpp. A state buffer holds the five characters of the state and the final 0.
inline constexpr SQLLEN SQLSTATE_BUFFER = 6;
SQLRETURN diagnosticRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, const TextTarget& state,
                           SQLINTEGER* native, const TextTarget& message, SQLSMALLINT* messageLength) noexcept;
// A numeric field is written to the target's buffer as it is.
SQLRETURN diagnosticField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, SQLSMALLINT field,
                          const TextTarget& target, SQLSMALLINT* length) noexcept;
SQLRETURN takeOldestError(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement, const TextTarget& state,
                          SQLINTEGER* native, const TextTarget& message, SQLSMALLINT* messageLength) noexcept;

// InfoApi.cpp: a numeric answer is written to the target's buffer as it is.
SQLRETURN driverInformation(Connection& connection, SQLUSMALLINT type, const TextTarget& target, SQLSMALLINT* length);

// AttributesApi.cpp: a numeric attribute is read from or written to the value as it is.
SQLRETURN setConnectAttribute(Connection& connection, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN getConnectAttribute(Connection& connection, SQLINTEGER attribute, const TextTarget& target,
                              SQLINTEGER* length);
SQLRETURN setStatementAttribute(Statement& statement, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN getStatementAttribute(Statement& statement, SQLINTEGER attribute, SQLPOINTER value);

}  // namespace kervane::odbc
