#include "driver/sql/functions/FunctionSupport.h"

#include <new>

#include "driver/semantics/Characters.h"
#include "driver/semantics/Locale.h"

#include <charconv>
#include <cmath>

namespace kervane::sql {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// 99 for a character that is no digit in any radix read here.
int digitValue(char c) { return isHexDigit(c) ? static_cast<int>(hexDigitValue(c)) : 99; }

// &H and &O numbers are Integers when they fit in 16 bits and Longs in 32, read as two's
// complement: "&HFFFF" is -1.
std::optional<double> parseRadix(std::string_view digits, int radix)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = digitValue(c);
        if (digit >= radix || value > 0xFFFFFFFFu)
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    }
    if (value <= 0xFFFFu)
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    if (value <= 0xFFFFFFFFu)
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    return std::nullopt;
}

// Appends the digits starting at position; returns how many there were.
std::size_t copyDigits(std::string_view text, std::size_t& position, std::string& out)
{
    const std::size_t start = position;
    while (position < text.size() && isDigit(text[position]))
        out += text[position++];
    return position - start;
}

std::optional<double> parseDecimal(std::string_view text, char localeDecimal)
{
    std::string normal;
    std::size_t position = 0;
    if (position < text.size() && (text[position] == '-' || text[position] == '+')) {
        if (text[position] == '-')
            normal += '-';
        ++position;
    }
    std::size_t digits = copyDigits(text, position, normal);
    if (position < text.size() && (text[position] == '.' || text[position] == localeDecimal)) {
        normal += '.';
        ++position;
        digits += copyDigits(text, position, normal);
    }
    if (digits == 0)
        return std::nullopt;
    if (position < text.size() && (text[position] == 'E' || text[position] == 'e' || text[position] == 'D'
                                   || text[position] == 'd')) {
        normal += 'e';
        ++position;
        if (position < text.size() && (text[position] == '-' || text[position] == '+'))
            normal += text[position++];
        if (copyDigits(text, position, normal) == 0)
            return std::nullopt;
    }
    if (position != text.size())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (error != std::errc() || end != normal.data() + normal.size())
        return std::nullopt;
    return value;
}

}  // namespace

// ---- Errors ------------------------------------------------------------------------------

void reportError(sqlite3_context* context, std::string_view message)
{
    sqlite3_result_error(context, message.data(), static_cast<int>(message.size()));
}

void reportTypeMismatch(sqlite3_context* context) { reportError(context, TYPE_MISMATCH_MESSAGE); }
void reportOverflow(sqlite3_context* context) { reportError(context, OVERFLOW_MESSAGE); }
void reportDivisionByZero(sqlite3_context* context) { reportError(context, DIVISION_BY_ZERO_MESSAGE); }
void reportInvalidNull(sqlite3_context* context) { reportError(context, INVALID_NULL_MESSAGE); }

void reportBadArgument(sqlite3_context* context, std::string_view functionName)
{
    std::string message = "[22023]Argument ou appel de procédure incorrect dans « ";
    message += functionName;
    message += " ».";
    reportError(context, message);
}

// ---- Registration ------------------------------------------------------------------------

void reportFailure(sqlite3_context* context) noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    } catch (...) {
        sqlite3_result_error(context, "[HY000]Erreur interne du pilote.", -1);
    }
}

namespace {

// A function runs inside SQLite's C code: no C++ exception may cross it. The entry (static,
// as the tables of functions are) is the function's user data.
void guardedScalar(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept
{
    const auto* entry = static_cast<const ScalarFunctionEntry*>(sqlite3_user_data(context));
    try {
        entry->function(context, argc, argv);
    } catch (...) {
        reportFailure(context);
    }
}

}  // namespace

void registerScalarFunctions(sqlite3* db, std::span<const ScalarFunctionEntry> entries)
{
    for (const ScalarFunctionEntry& entry : entries) {
        const int flags = SQLITE_UTF8 | (entry.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, entry.sqliteName, entry.argumentCount, flags,
                                   const_cast<ScalarFunctionEntry*>(&entry), guardedScalar, nullptr, nullptr,
                                   nullptr);
    }
}

// ---- Reading arguments -------------------------------------------------------------------

bool isNull(sqlite3_value* value) { return sqlite3_value_type(value) == SQLITE_NULL; }

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (isNull(argv[i]))
            return true;
    }
    return false;
}

bool isNumberValue(sqlite3_value* value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

std::optional<double> parseNumber(std::string_view text)
{
    text = trimBlanks(text);
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h'))
        return parseRadix(text.substr(2), 16);
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'O' || text[1] == 'o'))
        return parseRadix(text.substr(2), 8);
    return parseDecimal(text, userLocale().decimal);
}

std::string_view textOf(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text == nullptr ? std::string_view{} : std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

sqlite3_value* optionalArgument(int argc, sqlite3_value** argv, int index)
{
    return index < argc && !isNull(argv[index]) ? argv[index] : nullptr;
}

std::optional<double> numberValue(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return static_cast<double>(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_TEXT:
        return parseNumber(textOf(value));
    default:
        return std::nullopt;
    }
}

std::optional<double> readDouble(sqlite3_context* context, sqlite3_value* value)
{
    if (isNull(value)) {
        reportInvalidNull(context);
        return std::nullopt;
    }
    const std::optional<double> number = numberValue(value);
    if (!number)
        reportTypeMismatch(context);
    return number;
}

std::optional<std::int64_t> readWholeNumber(sqlite3_context* context, sqlite3_value* value, std::int64_t minimum,
                                            std::int64_t maximum)
{
    std::int64_t whole = 0;
    if (sqlite3_value_type(value) == SQLITE_INTEGER) {
        whole = sqlite3_value_int64(value);
    } else {
        const std::optional<double> number = readDouble(context, value);
        if (!number)
            return std::nullopt;
        const double rounded = roundHalfEven(*number);
        if (!(rounded >= static_cast<double>(minimum) && rounded <= static_cast<double>(maximum))) {
            reportOverflow(context);
            return std::nullopt;
        }
        whole = static_cast<std::int64_t>(rounded);
    }
    if (whole < minimum || whole > maximum) {
        reportOverflow(context);
        return std::nullopt;
    }
    return whole;
}

std::optional<std::int32_t> readLong(sqlite3_context* context, sqlite3_value* value)
{
    const std::optional<std::int64_t> whole = readWholeNumber(context, value, INT32_MIN, INT32_MAX);
    if (!whole)
        return std::nullopt;
    return static_cast<std::int32_t>(*whole);
}

std::optional<std::int32_t> readLongAtLeast(sqlite3_context* context, sqlite3_value* value, std::int32_t minimum,
                                            std::string_view functionName)
{
    const std::optional<std::int32_t> number = readLong(context, value);
    if (number && *number < minimum) {
        reportBadArgument(context, functionName);
        return std::nullopt;
    }
    return number;
}

// ---- Numbers -----------------------------------------------------------------------------

double roundHalfEven(double value)
{
    // nearbyint rounds in the current mode, which is to nearest, ties to even.
    return std::nearbyint(value);
}

double roundToPlaces(double value, int places)
{
    if (!std::isfinite(value) || value == 0 || places < 0)
        return value;
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
    const std::size_t exponentAt = text.find('e');
    std::string digits;
    for (char c : text.substr(0, exponentAt)) {
        if (isDigit(c))
            digits += c;
    }
    int exponent = 0;
    std::string_view exponentText = text.substr(exponentAt + 1);
    if (!exponentText.empty() && exponentText.front() == '+')
        exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    // digits[0] weighs 10^exponent; keep those weighing 10^-places or more.
    const long kept = static_cast<long>(exponent) + places + 1;
    if (kept >= static_cast<long>(digits.size()))
        return value;
    if (kept < 0)
        return 0.0;
    std::string result = digits.substr(0, static_cast<std::size_t>(kept));
    const std::string_view rest = std::string_view(digits).substr(static_cast<std::size_t>(kept));
    const bool beyondHalf = rest.front() > '5' || (rest.front() == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
    const bool tie = rest.front() == '5' && !beyondHalf;
    const bool lastIsOdd = !result.empty() && (result.back() - '0') % 2 == 1;
    if (beyondHalf || (tie && lastIsOdd)) {
        std::size_t i = result.size();
        while (i > 0 && result[i - 1] == '9')
            result[--i] = '0';
        if (i == 0)
            result.insert(result.begin(), '1');
        else
            ++result[i - 1];
    }
    if (result.empty())
        return 0.0;
    result += 'e';
    result += std::to_string(-places);
    double rounded = 0;
    std::from_chars(result.data(), result.data() + result.size(), rounded);
    return value < 0 ? -rounded : rounded;
}

std::string numberText(double value, char decimal)
{
    if (value == 0)
        return "0";
    // Like printf's %.15G, but without regard to the C locale the application may have set.
    char buffer[40];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, written.ptr);
    for (char& c : text) {
        if (c == '.')
            c = decimal;
        else if (c == 'e')
            c = 'E';
    }
    return text;
}

std::string textValue(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return numberText(sqlite3_value_double(value), userLocale().decimal);
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
    }
    default:
        return std::string(textOf(value));
    }
}

// ---- Results -----------------------------------------------------------------------------

void resultText(sqlite3_context* context, std::string_view text)
{
    // A null pointer would give NULL, not "".
    const char* data = text.empty() ? "" : text.data();
    sqlite3_result_text64(context, data, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void resultDouble(sqlite3_context* context, double value)
{
    if (!std::isfinite(value)) {
        reportOverflow(context);
        return;
    }
    sqlite3_result_double(context, value);
}

void resultBoolean(sqlite3_context* context, bool value) { sqlite3_result_int(context, value ? -1 : 0); }

}  // namespace kervane::sql
