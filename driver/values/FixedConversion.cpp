#include "driver/values/FixedConversion.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace kervane::odbc {
namespace {

struct Number {
    bool isInteger = true;
    sqlite3_int64 integer = 0;
    double real = 0.0;
    double asDouble() const { return isInteger ? static_cast<double>(integer) : real; }
};

std::string_view columnText(sqlite3_stmt* statement, int index)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

Number numberOf(sqlite3_stmt* statement, int index)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return Number{true, sqlite3_column_int64(statement, index), 0.0};
    case SQLITE_FLOAT:
        return Number{false, 0, sqlite3_column_double(statement, index)};
    case SQLITE_TEXT: {
        std::string_view text = columnText(statement, index);
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        Number number{false, 0, 0.0};
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number.real);
        if (error == std::errc() && end == text.data() + text.size() && !text.empty())
            return number;
        throw OdbcError{"22018", "La valeur « " + std::string(text) + " » n'est pas un nombre.", 0};
    }
    default:
        throw OdbcError{"07006", "Une valeur binaire ne peut pas être convertie en nombre.", 0};
    }
}

template <class T>
SQLRETURN putInteger(const Number& number, SQLPOINTER target, SQLLEN* indicator)
{
    const double value = number.asDouble();
    const bool fits = number.isInteger
        ? (number.integer >= static_cast<sqlite3_int64>(std::numeric_limits<T>::min())
           && (number.integer < 0
               || static_cast<std::uint64_t>(number.integer) <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
        : (std::isfinite(value) && value > static_cast<double>(std::numeric_limits<T>::min()) - 1.0
           && value < static_cast<double>(std::numeric_limits<T>::max()) + 1.0);
    if (!fits)
        throw OdbcError{"22003", "La valeur numérique dépasse la capacité du type demandé.", 0};
    const T converted = number.isInteger ? static_cast<T>(number.integer) : static_cast<T>(std::trunc(value));
    std::memcpy(target, &converted, sizeof converted);
    if (indicator != nullptr)
        *indicator = sizeof(T);
    return SQL_SUCCESS;
}

template <class T>
SQLRETURN putFloating(const Number& number, SQLPOINTER target, SQLLEN* indicator)
{
    const T converted = static_cast<T>(number.asDouble());
    std::memcpy(target, &converted, sizeof converted);
    if (indicator != nullptr)
        *indicator = sizeof(T);
    return SQL_SUCCESS;
}

int digits(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    if (at + count > text.size())
        return -1;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss[.fff]" or "hh:mm:ss".
SQL_TIMESTAMP_STRUCT timestampOf(sqlite3_stmt* statement, int index)
{
    if (sqlite3_column_type(statement, index) != SQLITE_TEXT)
        throw OdbcError{"07006", "La valeur ne peut pas être convertie en date.", 0};
    const std::string_view text = columnText(statement, index);
    SQL_TIMESTAMP_STRUCT stamp{};
    std::size_t time = 0;
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        stamp.year = static_cast<SQLSMALLINT>(digits(text, 0, 4));
        stamp.month = static_cast<SQLUSMALLINT>(digits(text, 5, 2));
        stamp.day = static_cast<SQLUSMALLINT>(digits(text, 8, 2));
        time = 11;
    } else {
        stamp.year = 1899;
        stamp.month = 12;
        stamp.day = 30;
    }
    if (text.size() >= time + 8 && text[time + 2] == ':') {
        stamp.hour = static_cast<SQLUSMALLINT>(digits(text, time, 2));
        stamp.minute = static_cast<SQLUSMALLINT>(digits(text, time + 3, 2));
        stamp.second = static_cast<SQLUSMALLINT>(digits(text, time + 6, 2));
    } else if (time == 0) {
        throw OdbcError{"22018", "La valeur « " + std::string(text) + " » n'est pas une date.", 0};
    }
    // An extended date's fraction: up to seven digits, 100 ns each.
    if (time > 0 && text.size() > 20 && text[19] == '.' && text.size() <= 27) {
        const int fraction = digits(text, 20, text.size() - 20);
        if (fraction < 0)
            throw OdbcError{"22018", "La valeur « " + std::string(text) + " » n'est pas une date.", 0};
        SQLUINTEGER nanoseconds = static_cast<SQLUINTEGER>(fraction);
        for (std::size_t i = text.size() - 20; i < 9; ++i)
            nanoseconds *= 10;
        stamp.fraction = nanoseconds;
    }
    if (stamp.month == 0 || stamp.month > 12 || stamp.day == 0 || stamp.day > 31 || stamp.hour > 23
        || stamp.minute > 59 || stamp.second > 59)
        throw OdbcError{"22018", "La valeur « " + std::string(text) + " » n'est pas une date.", 0};
    return stamp;
}

template <class T>
SQLRETURN putStruct(const T& value, SQLPOINTER target, SQLLEN* indicator)
{
    std::memcpy(target, &value, sizeof value);
    if (indicator != nullptr)
        *indicator = sizeof(T);
    return SQL_SUCCESS;
}

}  // namespace

SQLRETURN convertFixed(sqlite3_stmt* statement, int index, SQLSMALLINT cType, SQLPOINTER target, SQLLEN* indicator,
                       Diagnostics&)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) {
        if (indicator == nullptr)
            throw OdbcError{"22002", "La valeur est NULL mais aucun indicateur n'a été fourni.", 0};
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    if (target == nullptr)
        throw OdbcError{"HY009", "Aucune zone de réception n'a été fournie.", 0};
    switch (cType) {
    case SQL_C_LONG:
    case SQL_C_SLONG:
        return putInteger<SQLINTEGER>(numberOf(statement, index), target, indicator);
    case SQL_C_ULONG:
        return putInteger<SQLUINTEGER>(numberOf(statement, index), target, indicator);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        return putInteger<SQLSMALLINT>(numberOf(statement, index), target, indicator);
    case SQL_C_USHORT:
        return putInteger<SQLUSMALLINT>(numberOf(statement, index), target, indicator);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        return putInteger<SQLSCHAR>(numberOf(statement, index), target, indicator);
    case SQL_C_UTINYINT:
        return putInteger<SQLCHAR>(numberOf(statement, index), target, indicator);
    case SQL_C_SBIGINT:
        return putInteger<SQLBIGINT>(numberOf(statement, index), target, indicator);
    case SQL_C_UBIGINT:
        return putInteger<SQLUBIGINT>(numberOf(statement, index), target, indicator);
    case SQL_C_BIT: {
        const double value = numberOf(statement, index).asDouble();
        return putStruct<SQLCHAR>(value != 0.0 ? 1 : 0, target, indicator);
    }
    case SQL_C_DOUBLE:
        return putFloating<SQLDOUBLE>(numberOf(statement, index), target, indicator);
    case SQL_C_FLOAT:
        return putFloating<SQLREAL>(numberOf(statement, index), target, indicator);
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        return putStruct(timestampOf(statement, index), target, indicator);
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: {
        const SQL_TIMESTAMP_STRUCT stamp = timestampOf(statement, index);
        return putStruct(SQL_DATE_STRUCT{stamp.year, stamp.month, stamp.day}, target, indicator);
    }
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: {
        const SQL_TIMESTAMP_STRUCT stamp = timestampOf(statement, index);
        return putStruct(SQL_TIME_STRUCT{stamp.hour, stamp.minute, stamp.second}, target, indicator);
    }
    default:
        throw OdbcError{"HY003", "Type C " + std::to_string(cType) + " non pris en charge par ce pilote.", 0};
    }
}

}  // namespace kervane::odbc
