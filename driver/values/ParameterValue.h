#pragma once
// The value of one parameter, read from the application's C type and handed to SQLite as a
// constant of the statement would be: numbers as numbers, dates as the canonical date text
// "yyyy-mm-dd hh:mm:ss", texts in UTF-8, binaries as blobs. Never pasted into the SQL text.
#include "driver/jet/format/JetValue.h"
#include "driver/semantics/AccessType.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kervane::odbc {

// A value as SQLite holds it: the same kinds the Jet reader gives its columns.
using ParameterValue = jet::SqlValue;

// Where the value comes from: its bytes and length as the application gave them (a length in
// bytes, SQL_NTS or SQL_NULL_DATA; ignored for fixed-size C types), the SQL type it was bound
// with, and what the statement tells of the parameter. Throws OdbcError (22007 for an
// impossible date; 22018 for a text that is no number where a number is expected, and for a
// text that is not well-formed UTF-8 (SQL_C_CHAR) or UTF-16 (SQL_C_WCHAR), which is never
// repaired; HY003 for a C type the driver does not know). SQL_C_CHAR bytes given to a binary
// SQL type are not read as text and go as they are.
struct ParameterSource {
    int number = 0;  // from 1, for messages
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    const void* data = nullptr;
    SQLLEN length = SQL_NTS;
    sql::ParameterUse use;
};

ParameterValue readParameterValue(const ParameterSource& source);
// The bytes of a text given with SQL_NTS: up to its 0 unit for SQL_C_WCHAR, its 0 byte otherwise.
std::size_t terminatedByteLength(const void* data, SQLSMALLINT cType);
// sqlite3_bind_* of the value at its number; throws OdbcError when SQLite refuses it.
void bindParameterValue(sqlite3_stmt* statement, int number, const ParameterValue& value);

}  // namespace kervane::odbc
