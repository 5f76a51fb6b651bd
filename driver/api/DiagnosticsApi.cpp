// Reading the diagnostic records: SQLGetDiagRec, SQLGetDiagField and the ODBC 2 SQLError.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"

#include <sqlext.h>

#include <cstring>

using namespace kervane::odbc;

namespace {

Handle* anyHandle(SQLSMALLINT type, SQLHANDLE handle) noexcept
{
    switch (type) {
    case SQL_HANDLE_ENV:
        return handleOf<Environment>(handle);
    case SQL_HANDLE_DBC:
        return handleOf<Connection>(handle);
    case SQL_HANDLE_STMT:
        return handleOf<Statement>(handle);
    default:
        return nullptr;
    }
}

void copyState(const std::string& state, const TextTarget& target)
{
    Diagnostics scratch;
    target.put<SQLSMALLINT>(std::string_view(state).substr(0, 5), nullptr, scratch);
}

// Copies a text without adding a record: truncation only shows in the return code.
template <class Length>
SQLRETURN copyMessage(std::string_view message, const TextTarget& target, Length* outLength)
{
    Diagnostics scratch;
    return target.put(message, outLength, scratch) == SQL_SUCCESS ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

std::string_view classOrigin(const std::string& state)
{
    return state.starts_with("IM") || state.starts_with("HY") || state.starts_with("01S") ? "ODBC 3.0" : "ISO 9075";
}

template <class T>
SQLRETURN putNumber(SQLPOINTER target, T value)
{
    if (target != nullptr)
        std::memcpy(target, &value, sizeof value);
    return SQL_SUCCESS;
}

SQLRETURN headerField(Handle& handle, SQLSMALLINT type, SQLSMALLINT field, const TextTarget& text,
                      SQLSMALLINT* outLength)
{
    const SQLPOINTER target = text.buffer;
    const auto& records = handle.diagnostics().records();
    switch (field) {
    case SQL_DIAG_NUMBER:
        return putNumber<SQLINTEGER>(target, static_cast<SQLINTEGER>(records.size()));
    case SQL_DIAG_RETURNCODE:
        return putNumber<SQLRETURN>(target, records.empty() ? SQL_SUCCESS : SQL_ERROR);
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT: {
        if (type != SQL_HANDLE_STMT)
            return SQL_ERROR;
        auto& statement = static_cast<Statement&>(handle);
        SQLLEN count = 0;
        try {
            count = statement.rowCount();
        } catch (const OdbcError&) {
        }
        return putNumber<SQLLEN>(target, count);
    }
    case SQL_DIAG_DYNAMIC_FUNCTION:
        return copyMessage("", text, outLength);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        return putNumber<SQLINTEGER>(target, SQL_DIAG_UNKNOWN_STATEMENT);
    default:
        return SQL_ERROR;
    }
}

SQLRETURN recordField(const DiagRecord& record, SQLSMALLINT field, const TextTarget& text, SQLSMALLINT* outLength)
{
    const SQLPOINTER target = text.buffer;
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        return copyMessage(record.state, text, outLength);
    case SQL_DIAG_NATIVE:
        return putNumber<SQLINTEGER>(target, record.native);
    case SQL_DIAG_MESSAGE_TEXT:
        return copyMessage(record.message, text, outLength);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        return copyMessage(classOrigin(record.state), text, outLength);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        return copyMessage("", text, outLength);
    case SQL_DIAG_COLUMN_NUMBER:
        return putNumber<SQLINTEGER>(target, SQL_COLUMN_NUMBER_UNKNOWN);
    case SQL_DIAG_ROW_NUMBER:
        return putNumber<SQLLEN>(target, record.row);
    default:
        return SQL_ERROR;
    }
}

}  // namespace

namespace kervane::odbc {

SQLRETURN diagnosticRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, const TextTarget& state,
                           SQLINTEGER* native, const TextTarget& message, SQLSMALLINT* messageLength) noexcept
{
    auto* owner = anyHandle(handleType, handle);
    if (owner == nullptr)
        return SQL_INVALID_HANDLE;
    if (number < 1 || message.capacity < 0)
        return SQL_ERROR;
    const auto& records = owner->diagnostics().records();
    if (static_cast<std::size_t>(number) > records.size())
        return SQL_NO_DATA;
    const DiagRecord& record = records[static_cast<std::size_t>(number - 1)];
    try {
        copyState(record.state, state);
        if (native != nullptr)
            *native = record.native;
        return copyMessage(record.message, message, messageLength);
    } catch (...) {
        return SQL_ERROR;
    }
}

SQLRETURN diagnosticField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, SQLSMALLINT field,
                          const TextTarget& target, SQLSMALLINT* length) noexcept
{
    auto* owner = anyHandle(handleType, handle);
    if (owner == nullptr)
        return SQL_INVALID_HANDLE;
    try {
        if (number == 0)
            return headerField(*owner, handleType, field, target, length);
        const auto& records = owner->diagnostics().records();
        if (number < 0)
            return SQL_ERROR;
        if (static_cast<std::size_t>(number) > records.size())
            return SQL_NO_DATA;
        return recordField(records[static_cast<std::size_t>(number - 1)], field, target, length);
    } catch (...) {
        return SQL_ERROR;
    }
}

SQLRETURN takeOldestError(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement, const TextTarget& state,
                          SQLINTEGER* native, const TextTarget& message, SQLSMALLINT* messageLength) noexcept
{
    Handle* handle = statement != nullptr ? anyHandle(SQL_HANDLE_STMT, statement)
        : connection != nullptr           ? anyHandle(SQL_HANDLE_DBC, connection)
                                          : anyHandle(SQL_HANDLE_ENV, environment);
    if (handle == nullptr)
        return SQL_INVALID_HANDLE;
    try {
        DiagRecord record;
        if (!handle->diagnostics().popFirst(record))
            return SQL_NO_DATA;
        copyState(record.state, state);
        if (native != nullptr)
            *native = record.native;
        return copyMessage(record.message, message, messageLength);
    } catch (...) {
        return SQL_ERROR;
    }
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber, SQLCHAR* Sqlstate,
                                SQLINTEGER* NativeError, SQLCHAR* MessageText, SQLSMALLINT BufferLength,
                                SQLSMALLINT* TextLength)
{
    return diagnosticRecord(HandleType, Handle, RecNumber, TextTarget::narrow(Sqlstate, SQLSTATE_BUFFER), NativeError,
                            TextTarget::narrow(MessageText, BufferLength), TextLength);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                  SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo, SQLSMALLINT BufferLength,
                                  SQLSMALLINT* StringLength)
{
    return diagnosticField(HandleType, Handle, RecNumber, DiagIdentifier, TextTarget::narrow(DiagInfo, BufferLength),
                           StringLength);
}

SQLRETURN SQL_API SQLError(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLCHAR* szSqlState, SQLINTEGER* pfNativeError,
                           SQLCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg)
{
    return takeOldestError(henv, hdbc, hstmt, TextTarget::narrow(szSqlState, SQLSTATE_BUFFER), pfNativeError,
                           TextTarget::narrow(szErrorMsg, cbErrorMsgMax), pcbErrorMsg);
}

}  // extern "C"
