#include "driver/values/ParameterValue.h"

#include "driver/values/Diagnostics.h"
#include "driver/semantics/DateText.h"
#include "driver/semantics/ExtendedDate.h"
#include "driver/values/UnicodeText.h"
#include "driver/values/WideText.h"

#include <charconv>
#include <cstring>
#include <optional>

namespace kervane::odbc {
namespace {

using Kind = ParameterValue::Kind;

// "du paramètre 2", "du paramètre 1 (« Ville »)" for one the statement declares.
std::string parameterName(const ParameterSource& source)
{
    const std::string number = "du paramètre " + std::to_string(source.number);
    return source.use.name.empty() ? number : number + " (« " + source.use.name + " »)";
}

ParameterValue integerValue(std::int64_t number)
{
    ParameterValue value;
    value.kind = Kind::Integer;
    value.integer = number;
    return value;
}

ParameterValue realValue(double number)
{
    ParameterValue value;
    value.kind = Kind::Real;
    value.real = number;
    return value;
}

ParameterValue bytesValue(Kind kind, std::string bytes)
{
    ParameterValue value;
    value.kind = kind;
    value.bytes = std::move(bytes);
    return value;
}

std::size_t byteLength(const ParameterSource& source)
{
    if (source.length >= 0)
        return static_cast<std::size_t>(source.length);
    if (source.length != SQL_NTS || source.cType == SQL_C_BINARY)
        throw OdbcError{"HY090", "Longueur invalide pour la valeur " + parameterName(source) + ".", 0};
    return terminatedByteLength(source.data, source.cType);
}

bool isBinaryType(SQLSMALLINT sqlType)
{
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

// The value as UTF-8, refused (never repaired) when it is not well-formed: its pieces given by
// SQLPutData are checked here once joined, a piece may end inside a character.
std::string textOf(const ParameterSource& source)
{
    const std::size_t bytes = byteLength(source);
    const std::string subject = "La valeur " + parameterName(source);
    const TextUse use{subject, "l'instruction n'a pas été exécutée et rien n'a été enregistré"};
    if (source.cType == SQL_C_WCHAR) {
        const std::size_t units = bytes / sizeof(SQLWCHAR);
        if (bytes % sizeof(SQLWCHAR) != 0)
            throw textRefusal(use, TextFault{true, units + 1, "un octet seul termine la valeur, sans former d'unité"});
        return utf8FromUtf16(static_cast<const SQLWCHAR*>(source.data), units, use);
    }
    std::string text(static_cast<const char*>(source.data), bytes);
    if (!isBinaryType(source.sqlType))
        requireUtf8(text, use);
    return text;
}

std::optional<ParameterValue> numberFromText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    const char* end = text.data() + text.size();
    std::int64_t integer = 0;
    if (auto [ptr, ec] = std::from_chars(text.data(), end, integer); ec == std::errc() && ptr == end)
        return integerValue(integer);
    double real = 0;
    if (auto [ptr, ec] = std::from_chars(text.data(), end, real); ec == std::errc() && ptr == end)
        return realValue(real);
    return std::nullopt;
}

// A date, a time (on 1899-12-30, as Access keeps a time alone) or both; a Date holds whole
// seconds, the fraction of a second is dropped. Meeting an extended date, a timestamp keeps
// its fraction (up to seven digits) and its year may lie from 1 to 99.
ParameterValue dateValue(const ParameterSource& source)
{
    const bool extended = sql::declaresExtendedDate(source.use.declared);
    sql::DateParts parts{1899, 12, 30, 0, 0, 0};
    std::string fraction;
    switch (source.cType) {
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: {
        const auto* date = static_cast<const SQL_DATE_STRUCT*>(source.data);
        parts = {date->year, date->month, date->day, 0, 0, 0};
        break;
    }
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: {
        const auto* time = static_cast<const SQL_TIME_STRUCT*>(source.data);
        parts = {1899, 12, 30, time->hour, time->minute, time->second};
        break;
    }
    default: {
        const auto* stamp = static_cast<const SQL_TIMESTAMP_STRUCT*>(source.data);
        parts = {stamp->year, stamp->month, stamp->day, stamp->hour, stamp->minute, stamp->second};
        if (extended && stamp->fraction < 1000000000)
            fraction = sql::extendedDateText({parts, static_cast<int>(stamp->fraction / 100)}).substr(19);
        break;
    }
    }
    if (extended ? !sql::isExtendedDate(parts) : !sql::serialFromParts(parts))
        throw OdbcError{"22007", "La date " + parameterName(source) + " n'est pas valide.", 0};
    return bytesValue(Kind::Text, sql::canonicalDate(parts) + fraction);
}

// The decimal text of an exact number: sign, digits of the 128-bit value, point at the scale.
std::string numericText(const SQL_NUMERIC_STRUCT& number)
{
    // The value is little-endian base 256: divide it by ten until nothing is left.
    unsigned char bytes[SQL_MAX_NUMERIC_LEN];
    std::memcpy(bytes, number.val, sizeof bytes);
    std::string digits;
    bool remaining = true;
    while (remaining) {
        unsigned remainder = 0;
        remaining = false;
        for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) {
            const unsigned current = (remainder << 8) | bytes[i];
            bytes[i] = static_cast<unsigned char>(current / 10);
            remainder = current % 10;
            remaining = remaining || bytes[i] != 0;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    if (number.scale < 0)
        digits.append(static_cast<std::size_t>(-number.scale), '0');
    else if (number.scale > 0) {
        const auto scale = static_cast<std::size_t>(number.scale);
        if (digits.size() <= scale)
            digits.insert(0, scale - digits.size() + 1, '0');
        digits.insert(digits.size() - scale, ".");
    }
    return (number.sign == 0 ? "-" : "") + digits;
}

// A replication ID as Access shows it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", capitals.
ParameterValue guidValue(const SQLGUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return bytesValue(Kind::Text, text);
}

ParameterValue fixedValue(const ParameterSource& source)
{
    const void* data = source.data;
    switch (source.cType) {
    case SQL_C_BIT: return integerValue(*static_cast<const unsigned char*>(data) != 0 ? 1 : 0);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT: return integerValue(*static_cast<const signed char*>(data));
    case SQL_C_UTINYINT: return integerValue(*static_cast<const unsigned char*>(data));
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return integerValue(*static_cast<const SQLSMALLINT*>(data));
    case SQL_C_USHORT: return integerValue(*static_cast<const SQLUSMALLINT*>(data));
    case SQL_C_LONG:
    case SQL_C_SLONG: return integerValue(*static_cast<const SQLINTEGER*>(data));
    case SQL_C_ULONG: return integerValue(*static_cast<const SQLUINTEGER*>(data));
    case SQL_C_SBIGINT: return integerValue(*static_cast<const SQLBIGINT*>(data));
    case SQL_C_UBIGINT: {
        const auto number = *static_cast<const SQLUBIGINT*>(data);
        if (number > static_cast<SQLUBIGINT>(INT64_MAX))
            return realValue(static_cast<double>(number));
        return integerValue(static_cast<std::int64_t>(number));
    }
    case SQL_C_FLOAT: return realValue(*static_cast<const SQLREAL*>(data));
    case SQL_C_DOUBLE: return realValue(*static_cast<const SQLDOUBLE*>(data));
    case SQL_C_NUMERIC: {
        const std::string text = numericText(*static_cast<const SQL_NUMERIC_STRUCT*>(data));
        return *numberFromText(text);
    }
    case SQL_C_GUID: return guidValue(*static_cast<const SQLGUID*>(data));
    default: return dateValue(source);
    }
}

bool isNumberType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL: return true;
    default: return false;
    }
}

bool isDateType(SQLSMALLINT sqlType)
{
    return sqlType == SQL_DATE || sqlType == SQL_TIME || sqlType == SQL_TIMESTAMP || sqlType == SQL_TYPE_DATE
        || sqlType == SQL_TYPE_TIME || sqlType == SQL_TYPE_TIMESTAMP;
}

// A text meets the type of what it is compared with or stored into: a number where a
// number is expected, a date where the application said it sends a date.
ParameterValue textValue(const ParameterSource& source)
{
    std::string text = textOf(source);
    const sql::AccessType meets = source.use.type;
    const bool wantsNumber = sql::isNumeric(meets) || (meets == sql::AccessType::Unknown && isNumberType(source.sqlType));
    if (wantsNumber) {
        if (std::optional<ParameterValue> number = numberFromText(text))
            return *number;
        throw OdbcError{"22018", "La valeur « " + text + " » " + parameterName(source) + " n'est pas un nombre.",
                        0};
    }
    if (!sql::isText(meets) && isDateType(source.sqlType)) {
        const std::optional<double> serial = sql::readStoredDate(text);
        if (!serial)
            throw OdbcError{"22007",
                            "La valeur « " + text + " » " + parameterName(source) + " n'est pas une date valide.",
                            0};
        return bytesValue(Kind::Text, sql::canonicalDate(*serial));
    }
    return bytesValue(Kind::Text, std::move(text));
}

}  // namespace

std::size_t terminatedByteLength(const void* data, SQLSMALLINT cType)
{
    if (cType == SQL_C_WCHAR)
        return terminatedUnitCount(static_cast<const SQLWCHAR*>(data)) * sizeof(SQLWCHAR);
    return std::strlen(static_cast<const char*>(data));
}

ParameterValue readParameterValue(const ParameterSource& source)
{
    if (source.length == SQL_NULL_DATA)
        return ParameterValue{};
    if (source.data == nullptr)
        throw OdbcError{"HY009", "Aucune valeur n'est liée au paramètre " + std::to_string(source.number) + ".", 0};
    switch (source.cType) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR: return textValue(source);
    case SQL_C_BINARY: {
        const std::size_t bytes = byteLength(source);
        return bytesValue(Kind::Blob, std::string(static_cast<const char*>(source.data), bytes));
    }
    default: return fixedValue(source);
    }
}

void bindParameterValue(sqlite3_stmt* statement, int number, const ParameterValue& value)
{
    int rc = SQLITE_OK;
    switch (value.kind) {
    case Kind::Null: rc = sqlite3_bind_null(statement, number); break;
    case Kind::Integer: rc = sqlite3_bind_int64(statement, number, value.integer); break;
    case Kind::Real: rc = sqlite3_bind_double(statement, number, value.real); break;
    case Kind::Text:
        rc = sqlite3_bind_text64(statement, number, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
    case Kind::Blob:
        rc = sqlite3_bind_blob64(statement, number, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT);
        break;
    }
    if (rc == SQLITE_TOOBIG)
        throw OdbcError{"22001", "La valeur du paramètre " + std::to_string(number) + " est trop longue.", rc};
    if (rc != SQLITE_OK)
        throw OdbcError{"HY000", "Le paramètre " + std::to_string(number) + " n'a pas pu être transmis : "
                                     + sqlite3_errstr(rc) + ".",
                        rc};
}

}  // namespace kervane::odbc
