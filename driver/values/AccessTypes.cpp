#include "driver/values/AccessTypes.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>

namespace kervane::odbc {
namespace {

struct Family {
    std::string_view word;
    ColumnType type;
};

// Families whose precision does not depend on the size written in parentheses.
const std::array<Family, 30> FAMILIES = {{
    {"MEMO", {SQL_LONGVARCHAR, LONG_COLUMN_SIZE, 0, "LONGCHAR", TextForm::Plain}},
    {"LONGTEXT", {SQL_LONGVARCHAR, LONG_COLUMN_SIZE, 0, "LONGCHAR", TextForm::Plain}},
    {"LONGCHAR", {SQL_LONGVARCHAR, LONG_COLUMN_SIZE, 0, "LONGCHAR", TextForm::Plain}},
    {"NOTE", {SQL_LONGVARCHAR, LONG_COLUMN_SIZE, 0, "LONGCHAR", TextForm::Plain}},
    {"LONG", {SQL_INTEGER, 10, 0, "INTEGER", TextForm::Plain}},
    {"INTEGER", {SQL_INTEGER, 10, 0, "INTEGER", TextForm::Plain}},
    {"INT", {SQL_INTEGER, 10, 0, "INTEGER", TextForm::Plain}},
    {"COUNTER", {SQL_INTEGER, 10, 0, "COUNTER", TextForm::Plain}},
    {"AUTOINCREMENT", {SQL_INTEGER, 10, 0, "COUNTER", TextForm::Plain}},
    {"SHORT", {SQL_SMALLINT, 5, 0, "SMALLINT", TextForm::Plain}},
    {"SMALLINT", {SQL_SMALLINT, 5, 0, "SMALLINT", TextForm::Plain}},
    {"BYTE", {SQL_TINYINT, 3, 0, "BYTE", TextForm::Plain}},
    {"TINYINT", {SQL_TINYINT, 3, 0, "BYTE", TextForm::Plain}},
    {"SINGLE", {SQL_REAL, 7, 0, "REAL", TextForm::Single}},
    {"REAL", {SQL_REAL, 7, 0, "REAL", TextForm::Single}},
    {"DOUBLE", {SQL_DOUBLE, 15, 0, "DOUBLE", TextForm::Double}},
    {"FLOAT", {SQL_DOUBLE, 15, 0, "DOUBLE", TextForm::Double}},
    {"CURRENCY", {SQL_NUMERIC, 19, 4, "CURRENCY", TextForm::Scaled}},
    {"MONEY", {SQL_NUMERIC, 19, 4, "CURRENCY", TextForm::Scaled}},
    {"DATETIME", {SQL_TIMESTAMP, 19, 0, "DATETIME", TextForm::DateTime}},
    {"DATE", {SQL_TIMESTAMP, 19, 0, "DATETIME", TextForm::DateTime}},
    {"TIMESTAMP", {SQL_TIMESTAMP, 19, 0, "DATETIME", TextForm::DateTime}},
    // Date/Time Extended: seven digits of fraction (100 ns).
    {"DATETIME2", {SQL_TIMESTAMP, 27, 7, "DATETIME2", TextForm::DateTime}},
    {"BIGINT", {SQL_BIGINT, 19, 0, "BIGINT", TextForm::Plain}},
    {"BIT", {SQL_BIT, 1, 0, "BIT", TextForm::Bit}},
    {"YESNO", {SQL_BIT, 1, 0, "BIT", TextForm::Bit}},
    {"LOGICAL", {SQL_BIT, 1, 0, "BIT", TextForm::Bit}},
    {"OLEOBJECT", {SQL_LONGVARBINARY, LONG_COLUMN_SIZE, 0, "LONGBINARY", TextForm::Plain}},
    {"LONGBINARY", {SQL_LONGVARBINARY, LONG_COLUMN_SIZE, 0, "LONGBINARY", TextForm::Plain}},
    {"BLOB", {SQL_LONGVARBINARY, LONG_COLUMN_SIZE, 0, "LONGBINARY", TextForm::Plain}},
}};

std::string upperWord(std::string_view text, std::string_view::size_type& end)
{
    std::string word;
    std::string_view::size_type i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) {
        word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))));
        ++i;
    }
    end = i;
    return word;
}

// Numbers written in parentheses after the type word: "(50)" or "(18, 2)".
int sizeArguments(std::string_view rest, long (&values)[2])
{
    const auto open = rest.find('(');
    if (open == std::string_view::npos)
        return 0;
    int count = 0;
    const char* p = rest.data() + open + 1;
    const char* const last = rest.data() + rest.size();
    while (count < 2 && p < last) {
        while (p < last && (*p == ' ' || *p == ','))
            ++p;
        long value = 0;
        const auto [next, error] = std::from_chars(p, last, value);
        if (error != std::errc())
            break;
        values[count++] = value;
        p = next;
    }
    return count;
}

}  // namespace

ColumnType typeFromDeclared(std::string_view declared)
{
    std::string_view::size_type end = 0;
    const std::string word = upperWord(declared, end);
    long sizes[2] = {0, 0};
    const int nSizes = sizeArguments(declared.substr(end), sizes);

    if (word == "TEXT" || word == "VARCHAR" || word == "CHAR" || word == "CHARACTER" || word == "NVARCHAR"
        || word == "NCHAR" || word == "STRING") {
        ColumnType type;
        if (nSizes > 0 && sizes[0] > 0)
            type.precision = static_cast<SQLULEN>(sizes[0]);
        return type;
    }
    if (word == "DECIMAL" || word == "NUMERIC") {
        ColumnType type{SQL_NUMERIC, 18, 0, "DECIMAL", TextForm::Scaled};
        if (nSizes > 0 && sizes[0] > 0)
            type.precision = static_cast<SQLULEN>(sizes[0]);
        if (nSizes > 1 && sizes[1] >= 0)
            type.scale = static_cast<SQLSMALLINT>(std::min(sizes[1], 28L));
        return type;
    }
    if (word == "BINARY" || word == "VARBINARY") {
        // Bytes of a size given in parentheses (255 at most, as Access keeps them).
        ColumnType type{SQL_BINARY, 255, 0, "BINARY", TextForm::Plain};
        if (nSizes > 0 && sizes[0] > 0)
            type.precision = static_cast<SQLULEN>(sizes[0]);
        return type;
    }
    if (word == "GUID")
        return ColumnType{SQL_GUID, 38, 0, "GUID", TextForm::Plain};  // Replication ID, as Access reports it
    for (const Family& family : FAMILIES)
        if (family.word == word)
            return family.type;
    return ColumnType{};
}

ColumnType typeFromValue(int sqliteType)
{
    switch (sqliteType) {
    case SQLITE_INTEGER:
        return ColumnType{SQL_INTEGER, 10, 0, "INTEGER", TextForm::Plain};
    case SQLITE_FLOAT:
        return ColumnType{SQL_DOUBLE, 15, 0, "DOUBLE", TextForm::Double};
    case SQLITE_BLOB:
        return ColumnType{SQL_LONGVARBINARY, LONG_COLUMN_SIZE, 0, "LONGBINARY", TextForm::Plain};
    default:
        return ColumnType{};
    }
}

SQLSMALLINT sqlTypeFor(const ColumnType& type, bool odbc3)
{
    if (odbc3 && type.sqlType == SQL_TIMESTAMP)
        return SQL_TYPE_TIMESTAMP;
    return type.sqlType;
}

SQLLEN octetLength(const ColumnType& type)
{
    switch (type.sqlType) {
    case SQL_INTEGER:
    case SQL_REAL:
        return 4;
    case SQL_SMALLINT:
        return 2;
    case SQL_TINYINT:
    case SQL_BIT:
        return 1;
    case SQL_DOUBLE:
    case SQL_BIGINT:
        return 8;
    case SQL_NUMERIC:
        return static_cast<SQLLEN>(type.precision) + 2;
    case SQL_TIMESTAMP:
        return 16;
    default:
        return static_cast<SQLLEN>(type.precision);
    }
}

SQLLEN displaySize(const ColumnType& type)
{
    switch (type.sqlType) {
    case SQL_INTEGER:
        return 11;
    case SQL_SMALLINT:
        return 6;
    case SQL_TINYINT:
        return 3;
    case SQL_REAL:
        return 13;
    case SQL_DOUBLE:
        return 22;
    case SQL_NUMERIC:
        return static_cast<SQLLEN>(type.precision) + 2;
    case SQL_TIMESTAMP:
        return static_cast<SQLLEN>(type.precision);
    case SQL_BIGINT:
        return 20;
    case SQL_BIT:
        return 1;
    default:
        return static_cast<SQLLEN>(type.precision);
    }
}

SQLSMALLINT numericRadix(const ColumnType& type)
{
    switch (type.sqlType) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_BIGINT:
        return 10;
    default:
        return 0;
    }
}

bool isCharacterType(SQLSMALLINT sqlType)
{
    return sqlType == SQL_VARCHAR || sqlType == SQL_CHAR || sqlType == SQL_LONGVARCHAR;
}

}  // namespace kervane::odbc
