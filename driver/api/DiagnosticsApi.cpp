// Reading the diagnostic records: SQLGetDiagRec, SQLGetDiagField and the ODBC 2 SQLError.
#include "driver/Entry.h"
#include "driver/OutText.h"

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

void copyState(const std::string& state, SQLCHAR* target)
{
    if (target != nullptr) {
        std::memcpy(target, state.c_str(), 5);
        target[5] = '\0';
    }
}

// Copies the message without adding a record: truncation only shows in the return code.
SQLRETURN copyMessage(const std::string& message, SQLCHAR* target, SQLLEN length, SQLSMALLINT* outLength)
{
    Diagnostics scratch;
    return copyText(message, target, length, outLength, scratch) == SQL_SUCCESS ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
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

SQLRETURN headerField(Handle& handle, SQLSMALLINT type, SQLSMALLINT field, SQLPOINTER target, SQLSMALLINT length,
                      SQLSMALLINT* outLength)
{
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
    case SQL_DIAG_DYNAMIC_FUNCTION: {
        Diagnostics scratch;
        return copyText("", target, length, outLength, scratch);
    }
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        return putNumber<SQLINTEGER>(target, SQL_DIAG_UNKNOWN_STATEMENT);
    default:
        return SQL_ERROR;
    }
}

SQLRETURN recordField(const DiagRecord& record, SQLSMALLINT field, SQLPOINTER target, SQLSMALLINT length,
                      SQLSMALLINT* outLength)
{
    Diagnostics scratch;
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        return copyText(record.state, target, length, outLength, scratch);
    case SQL_DIAG_NATIVE:
        return putNumber<SQLINTEGER>(target, record.native);
    case SQL_DIAG_MESSAGE_TEXT:
        return copyMessage(record.message, static_cast<SQLCHAR*>(target), length, outLength);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        return copyText(classOrigin(record.state), target, length, outLength, scratch);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        return copyText("", target, length, outLength, scratch);
    case SQL_DIAG_COLUMN_NUMBER:
        return putNumber<SQLINTEGER>(target, SQL_COLUMN_NUMBER_UNKNOWN);
    case SQL_DIAG_ROW_NUMBER:
        return putNumber<SQLLEN>(target, SQL_ROW_NUMBER_UNKNOWN);
    default:
        return SQL_ERROR;
    }
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber, SQLCHAR* Sqlstate,
                                SQLINTEGER* NativeError, SQLCHAR* MessageText, SQLSMALLINT BufferLength,
                                SQLSMALLINT* TextLength)
{
    auto* handle = anyHandle(HandleType, Handle);
    if (handle == nullptr)
        return SQL_INVALID_HANDLE;
    if (RecNumber < 1 || BufferLength < 0)
        return SQL_ERROR;
    const auto& records = handle->diagnostics().records();
    if (static_cast<std::size_t>(RecNumber) > records.size())
        return SQL_NO_DATA;
    const DiagRecord& record = records[static_cast<std::size_t>(RecNumber - 1)];
    copyState(record.state, Sqlstate);
    if (NativeError != nullptr)
        *NativeError = record.native;
    return copyMessage(record.message, MessageText, BufferLength, TextLength);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
                                  SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo, SQLSMALLINT BufferLength,
                                  SQLSMALLINT* StringLength)
{
    auto* handle = anyHandle(HandleType, Handle);
    if (handle == nullptr)
        return SQL_INVALID_HANDLE;
    if (RecNumber == 0)
        return headerField(*handle, HandleType, DiagIdentifier, DiagInfo, BufferLength, StringLength);
    const auto& records = handle->diagnostics().records();
    if (RecNumber < 0)
        return SQL_ERROR;
    if (static_cast<std::size_t>(RecNumber) > records.size())
        return SQL_NO_DATA;
    return recordField(records[static_cast<std::size_t>(RecNumber - 1)], DiagIdentifier, DiagInfo, BufferLength,
                       StringLength);
}

SQLRETURN SQL_API SQLError(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLCHAR* szSqlState, SQLINTEGER* pfNativeError,
                           SQLCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg)
{
    Handle* handle = hstmt != nullptr ? anyHandle(SQL_HANDLE_STMT, hstmt)
        : hdbc != nullptr             ? anyHandle(SQL_HANDLE_DBC, hdbc)
                                      : anyHandle(SQL_HANDLE_ENV, henv);
    if (handle == nullptr)
        return SQL_INVALID_HANDLE;
    DiagRecord record;
    try {
        if (!handle->diagnostics().popFirst(record))
            return SQL_NO_DATA;
    } catch (...) {
        return SQL_ERROR;
    }
    copyState(record.state, szSqlState);
    if (pfNativeError != nullptr)
        *pfNativeError = record.native;
    return copyMessage(record.message, szErrorMsg, cbErrorMsgMax, pcbErrorMsg);
}

}  // extern "C"
