#include "driver/sql/functions/FunctionSupport.h"

#include "driver/sql/Locale.h"

#include <charconv>
#include <cmath>

namespace kervane::sql {
namespace {

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int digitValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

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

// Length of the UTF-8 sequence starting at offset; 1 for a malformed byte.
std::size_t sequenceLength(std::string_view text, std::size_t offset, char32_t* decoded)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        length = 1;
        value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    }
    if (length == 0 || offset + length > text.size())
        length = 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[offset + i]);
        if ((next & 0xC0u) != 0x80u) {
            length = 0;
            break;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF));
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (length == 0 || overlong || surrogate) {
        if (decoded != nullptr)
            *decoded = REPLACEMENT_CHARACTER;
        return 1;
    }
    if (decoded != nullptr)
        *decoded = value;
    return length;
}

bool inRange(char32_t c, char32_t low, char32_t high) { return c >= low && c <= high; }

// Latin Extended-A and Latin Extended Additional pair capitals and small letters side by side.
bool upperIsEven(char32_t c)
{
    return inRange(c, 0x100, 0x137) || inRange(c, 0x14A, 0x177) || inRange(c, 0x1E00, 0x1E95)
        || inRange(c, 0x1EA0, 0x1EFF);
}
bool upperIsOdd(char32_t c) { return inRange(c, 0x139, 0x148) || inRange(c, 0x179, 0x17E); }

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

void registerScalarFunctions(sqlite3* db, std::span<const ScalarFunctionEntry> entries)
{
    for (const ScalarFunctionEntry& entry : entries) {
        const int flags = SQLITE_UTF8 | (entry.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, entry.sqliteName, entry.argumentCount, flags, nullptr, entry.function,
                                   nullptr, nullptr, nullptr);
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

std::optional<double> numberValue(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return static_cast<double>(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return parseNumber(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
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
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
    }
    }
}

// ---- UTF-8 text --------------------------------------------------------------------------

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += sequenceLength(text, offset, nullptr))
        ++count;
    return count;
}

std::size_t byteOffset(std::string_view text, std::size_t index)
{
    std::size_t offset = 0;
    for (; index > 0 && offset < text.size(); --index)
        offset += sequenceLength(text, offset, nullptr);
    return offset;
}

std::string_view characterSlice(std::string_view text, std::size_t index, std::size_t count)
{
    const std::size_t begin = byteOffset(text, index);
    const std::string_view rest = text.substr(begin);
    return rest.substr(0, byteOffset(rest, count));
}

std::u32string decodeUtf8(std::string_view text)
{
    std::u32string decoded;
    decoded.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        char32_t character = 0;
        offset += sequenceLength(text, offset, &character);
        decoded += character;
    }
    return decoded;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = REPLACEMENT_CHARACTER;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string encodeUtf8(std::u32string_view text)
{
    std::string encoded;
    encoded.reserve(text.size());
    for (char32_t c : text)
        appendUtf8(encoded, c);
    return encoded;
}

char32_t lowerCase(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (inRange(c, 0xC0, 0xDE) && c != 0xD7)
        return c + 32;
    if (c == 0x130)
        return U'i';
    if (c == 0x178)
        return 0xFF;
    if (upperIsEven(c))
        return c % 2 == 0 ? c + 1 : c;
    if (upperIsOdd(c))
        return c % 2 == 1 ? c + 1 : c;
    if (c == 0x386)
        return 0x3AC;
    if (inRange(c, 0x388, 0x38A))
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (inRange(c, 0x38E, 0x38F))
        return c + 63;
    if (inRange(c, 0x391, 0x3AB) && c != 0x3A2)
        return c + 32;
    if (inRange(c, 0x400, 0x40F))
        return c + 80;
    if (inRange(c, 0x410, 0x42F) || inRange(c, 0xFF21, 0xFF3A))
        return c + 32;
    return c;
}

char32_t upperCase(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (inRange(c, 0xE0, 0xFE) && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x131)
        return U'I';
    if (upperIsEven(c))
        return c % 2 == 1 ? c - 1 : c;
    if (upperIsOdd(c))
        return c % 2 == 0 ? c - 1 : c;
    if (c == 0x3AC)
        return 0x386;
    if (inRange(c, 0x3AD, 0x3AF))
        return c - 37;
    if (c == 0x3CC)
        return 0x38C;
    if (inRange(c, 0x3CD, 0x3CE))
        return c - 63;
    if (c == 0x3C2)
        return 0x3A3;
    if (inRange(c, 0x3B1, 0x3CB) || inRange(c, 0x430, 0x44F) || inRange(c, 0xFF41, 0xFF5A))
        return c - 32;
    if (inRange(c, 0x450, 0x45F))
        return c - 80;
    return c;
}

char32_t foldCase(char32_t c) { return lowerCase(upperCase(c)); }

std::string upperCaseText(std::string_view text)
{
    std::u32string characters = decodeUtf8(text);
    for (char32_t& c : characters)
        c = upperCase(c);
    return encodeUtf8(characters);
}

std::string lowerCaseText(std::string_view text)
{
    std::u32string characters = decodeUtf8(text);
    for (char32_t& c : characters)
        c = lowerCase(c);
    return encodeUtf8(characters);
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
