#pragma once
// Access-style ODBC types derived from the declared type of a column.
#include <sql.h>
#include <sqlext.h>

#include <string_view>

namespace kervane::odbc {

// How a value of the column is turned into text.
enum class TextForm : unsigned char {
    Plain,     // as SQLite gives it
    Single,    // floating value of single precision (7 digits)
    Double,    // floating value of double precision (15 digits)
    Scaled,    // fixed number of decimals (CURRENCY, DECIMAL)
    DateTime,  // "yyyy-mm-dd hh:mm:ss"
    Bit,       // "1" or "0"
};

// The size reported for memo and OLE columns (LONGCHAR, LONGBINARY): the longest value Access
// keeps, 2^30 - 1 bytes.
inline constexpr SQLULEN LONG_COLUMN_SIZE = 1073741823;

struct ColumnType {
    SQLSMALLINT sqlType = SQL_VARCHAR;  // ODBC 2 code (SQL_TIMESTAMP for dates)
    SQLULEN precision = 255;
    SQLSMALLINT scale = 0;
    std::string_view typeName = "VARCHAR";
    TextForm form = TextForm::Plain;
};

// Declared type (case-insensitive, first word, size in parentheses) to ODBC type.
ColumnType typeFromDeclared(std::string_view declared);
// Type of an expression column from the SQLite storage class of its first value.
ColumnType typeFromValue(int sqliteType);

// The SQL type code for the application's ODBC version (dates are 93 for ODBC 3, 11 for 2).
SQLSMALLINT sqlTypeFor(const ColumnType& type, bool odbc3);
// Bytes transferred for the type's default C type (LENGTH of the catalogue, SQL_DESC_OCTET_LENGTH).
SQLLEN octetLength(const ColumnType& type);
// Characters needed to show any value of the type.
SQLLEN displaySize(const ColumnType& type);
// 10 for exact and approximate numbers, 0 otherwise.
SQLSMALLINT numericRadix(const ColumnType& type);
bool isCharacterType(SQLSMALLINT sqlType);

}  // namespace kervane::odbc
