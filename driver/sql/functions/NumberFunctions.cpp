// Access's number and conversion functions (Choose, IsNumeric, Val, Str, the C... conversions,
// Int, Round, Sqr, Hex...) and the numeric functions of ODBC's {fn} escapes.
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"
#include "driver/semantics/Characters.h"
#include "driver/semantics/Locale.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <numbers>

namespace kervane::sql {
namespace {

constexpr double CURRENCY_LIMIT = 922337203685477.5807;
constexpr double DECIMAL_LIMIT = 79228162514264337593543950335.0;

// ---- Choices and tests -------------------------------------------------------------------

// Choose(i, c1, c2...): i rounded like an Integer; out of range gives Null.
void choose(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc < 2)
        return reportBadArgument(context, "Choose");
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    const std::optional<std::int64_t> index = readWholeNumber(context, argv[0], INT16_MIN, INT16_MAX);
    if (!index)
        return;
    if (*index < 1 || *index >= argc)
        return sqlite3_result_null(context);
    sqlite3_result_value(context, argv[*index]);
}

// True for numbers and texts that read as numbers; False for Null, dates and other texts.
void isnumeric(sqlite3_context* context, int, sqlite3_value** argv)
{
    resultBoolean(context, numberValue(argv[0]).has_value());
}

// ---- Val and Str -------------------------------------------------------------------------

struct ValReading {
    double value = 0;
    std::string_view error;   // empty, or the message to report
};

// &H... / &O... at the start of text (already without blanks). A following '&' makes it a Long.
ValReading valOfRadix(std::string_view text, int radix)
{
    std::size_t end = 2;
    while (end < text.size() && (radix == 16 ? isHexDigit(text[end]) : isOctalDigit(text[end])))
        ++end;
    std::uint64_t value = 0;
    for (char c : text.substr(2, end - 2)) {
        value = value * static_cast<std::uint64_t>(radix)
              + hexDigitValue(c);
        if (value > 0xFFFFFFFFu)
            return {0, OVERFLOW_MESSAGE};
    }
    const bool asLong = end < text.size() && text[end] == '&';
    if (value <= 0xFFFFu && !asLong)
        return {static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value))), {}};
    return {static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))), {}};
}

std::size_t skipDigits(std::string_view text, std::size_t position)
{
    while (position < text.size() && isDigit(text[position]))
        ++position;
    return position;
}

// A type suffix after the number: % (Integer) and & (Long) need a whole number in range.
std::string_view suffixError(char suffix, bool whole, double value)
{
    if (suffix != '%' && suffix != '&')
        return {};
    if (!whole)
        return TYPE_MISMATCH_MESSAGE;
    const double limit = suffix == '%' ? 32768.0 : 2147483648.0;
    return value >= -limit && value < limit ? std::string_view() : OVERFLOW_MESSAGE;
}

// The number at the start of text (already without blanks): sign, digits, '.', exponent.
ValReading valOfDecimal(std::string_view text)
{
    std::size_t position = 0;
    if (position < text.size() && (text[position] == '-' || text[position] == '+'))
        ++position;
    position = skipDigits(text, position);
    bool whole = true;
    if (position < text.size() && text[position] == '.') {
        position = skipDigits(text, position + 1);
        whole = false;
    }
    std::string number(text.substr(0, position));
    if (position < text.size() && std::string_view("EeDd").find(text[position]) != std::string_view::npos) {
        std::size_t exponent = position + 1;
        if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+'))
            ++exponent;
        const std::size_t exponentEnd = skipDigits(text, exponent);
        if (exponentEnd > exponent) {
            number += 'e';
            number += text.substr(position + 1, exponentEnd - position - 1);
            position = exponentEnd;
            whole = false;
        }
    }
    if (!number.empty() && number.front() == '+')
        number.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        return {0, OVERFLOW_MESSAGE};
    if (end != number.data() + number.size())
        value = 0;   // no digits: "-", ".", "abc"
    const char suffix = position < text.size() ? text[position] : '\0';
    return {value, suffixError(suffix, whole, value)};
}

// Val(s): blanks, tabs and line feeds are dropped, then the leading number is read; only '.'
// separates decimals.
void val(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    std::string text;
    for (char c : textValue(argv[0])) {
        if (c != ' ' && c != '\t' && c != '\n')
            text += c;
    }
    ValReading reading;
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h'))
        reading = valOfRadix(text, 16);
    else if (text.size() >= 2 && text[0] == '&' && (text[1] == 'O' || text[1] == 'o'))
        reading = valOfRadix(text, 8);
    else
        reading = valOfDecimal(text);
    if (!reading.error.empty())
        return reportError(context, reading.error);
    resultDouble(context, reading.value);
}

// Str(n): '.' for decimals and a leading space where a positive number's sign would be.
void str(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    const std::optional<double> number = readDouble(context, argv[0]);
    if (!number)
        return;
    std::string text = sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? std::to_string(sqlite3_value_int64(argv[0]))
                                                                     : numberText(*number, '.');
    if (text.front() != '-')
        text.insert(text.begin(), ' ');
    resultText(context, text);
}

// ---- Conversions -------------------------------------------------------------------------

// CStr: numbers with the user's decimal separator; a Null is an error.
void cstr(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return reportInvalidNull(context);
    resultText(context, textValue(argv[0]));
}

void convertWhole(sqlite3_context* context, sqlite3_value* value, std::int64_t minimum, std::int64_t maximum)
{
    if (isNull(value))
        return sqlite3_result_null(context);
    const std::optional<std::int64_t> whole = readWholeNumber(context, value, minimum, maximum);
    if (whole)
        sqlite3_result_int64(context, *whole);
}

void cint(sqlite3_context* context, int, sqlite3_value** argv) { convertWhole(context, argv[0], INT16_MIN, INT16_MAX); }
void clng(sqlite3_context* context, int, sqlite3_value** argv) { convertWhole(context, argv[0], INT32_MIN, INT32_MAX); }
void cbyte(sqlite3_context* context, int, sqlite3_value** argv) { convertWhole(context, argv[0], 0, 255); }

// CSng: the Single nearest the value, given back as the double of its text with 7 significant
// digits, the precision VBA shows a Single with: CSng(75.3421555) is 75.34216.
void csng(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (!number)
        return;
    if (std::fabs(*number) > FLT_MAX)
        return reportOverflow(context);
    // to_chars and from_chars ignore the C locale, which the application may have set.
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(static_cast<float>(*number)),
                                       std::chars_format::general, 7);
    double single = 0;
    std::from_chars(buffer, written.ptr, single);
    sqlite3_result_double(context, single);
}

void cdbl(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (number)
        resultDouble(context, *number);
}

// CCur: four decimals, rounded the banker's way.
void ccur(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (!number)
        return;
    const double currency = roundToPlaces(*number, 4);
    if (std::fabs(currency) > CURRENCY_LIMIT)
        return reportOverflow(context);
    sqlite3_result_double(context, currency);
}

void cdec(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        return sqlite3_result_value(context, argv[0]);
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (!number)
        return;
    if (std::fabs(*number) > DECIMAL_LIMIT)
        return reportOverflow(context);
    sqlite3_result_double(context, *number);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

// CBool: any non-zero number is True; also "True"/"False" and the user's "Vrai"/"Faux".
void cbool(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        std::string text = textValue(argv[0]);
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        const UserLocale locale = userLocale();
        if (equalsIgnoringCase(text, "True") || equalsIgnoringCase(text, locale.trueText))
            return resultBoolean(context, true);
        if (equalsIgnoringCase(text, "False") || equalsIgnoringCase(text, locale.falseText))
            return resultBoolean(context, false);
    }
    const std::optional<double> number = readDouble(context, argv[0]);
    if (number)
        resultBoolean(context, *number != 0);
}

// ---- Arithmetic --------------------------------------------------------------------------

// Int, Fix, Abs, CEILING, FLOOR keep an integer an integer; other values become Doubles.
void wholePart(sqlite3_context* context, sqlite3_value* value, double (*operation)(double))
{
    if (sqlite3_value_type(value) == SQLITE_INTEGER)
        return sqlite3_result_value(context, value);
    const std::optional<double> number = readOrNull(context, value, readDouble);
    if (number)
        resultDouble(context, operation(*number));
}

double floorOf(double x) { return std::floor(x); }
double truncationOf(double x) { return std::trunc(x); }
double ceilingOf(double x) { return std::ceil(x); }

void intFunction(sqlite3_context* context, int, sqlite3_value** argv) { wholePart(context, argv[0], floorOf); }
void fix(sqlite3_context* context, int, sqlite3_value** argv) { wholePart(context, argv[0], truncationOf); }
void ceiling(sqlite3_context* context, int, sqlite3_value** argv) { wholePart(context, argv[0], ceilingOf); }

void absoluteValue(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const sqlite3_int64 value = sqlite3_value_int64(argv[0]);
        if (value == INT64_MIN)
            return reportOverflow(context);
        return sqlite3_result_int64(context, value < 0 ? -value : value);
    }
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (number)
        resultDouble(context, std::fabs(*number));
}

void sgn(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::optional<double> number = readOrNull(context, argv[0], readDouble);
    if (number)
        sqlite3_result_int(context, *number > 0 ? 1 : (*number < 0 ? -1 : 0));
}

// Round(x[, places]): banker's rounding on the decimal digits.
void roundNumber(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    std::int32_t places = 0;
    if (argc == 2) {
        const std::optional<std::int32_t> given = readLongAtLeast(context, argv[1], 0, "Round");
        if (!given)
            return;
        places = *given;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        return sqlite3_result_value(context, argv[0]);
    const std::optional<double> number = readDouble(context, argv[0]);
    if (number)
        resultDouble(context, roundToPlaces(*number, places));
}

// A Double function whose argument must satisfy valid, else VBA's error 5 naming the function.
void checkedDouble(sqlite3_context* context, sqlite3_value* value, double (*operation)(double),
                   bool (*valid)(double), std::string_view name)
{
    const std::optional<double> number = readOrNull(context, value, readDouble);
    if (!number)
        return;
    if (!valid(*number))
        return reportBadArgument(context, name);
    resultDouble(context, operation(*number));
}

bool anyValue(double) { return true; }
bool notNegative(double x) { return x >= 0; }
bool positive(double x) { return x > 0; }
double squareRoot(double x) { return std::sqrt(x); }
double exponential(double x) { return std::exp(x); }
double naturalLog(double x) { return std::log(x); }
double decimalLog(double x) { return std::log10(x); }
double arcTangent(double x) { return std::atan(x); }
double cosine(double x) { return std::cos(x); }
double sine(double x) { return std::sin(x); }
double tangent(double x) { return std::tan(x); }

void sqrFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], squareRoot, notNegative, "Sqr"); }
void expFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], exponential, anyValue, "Exp"); }
void logFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], naturalLog, positive, "Log"); }
void log10Function(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], decimalLog, positive, "LOG10"); }
void atnFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], arcTangent, anyValue, "Atn"); }
void cosFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], cosine, anyValue, "Cos"); }
void sinFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], sine, anyValue, "Sin"); }
void tanFunction(sqlite3_context* c, int, sqlite3_value** v) { checkedDouble(c, v[0], tangent, anyValue, "Tan"); }
void floorFunction(sqlite3_context* c, int, sqlite3_value** v) { wholePart(c, v[0], floorOf); }
void piFunction(sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_double(context, std::numbers::pi); }

// ---- Rnd ---------------------------------------------------------------------------------
// VBA's generator: x = (x * 1140671485 + 12820163) mod 2^24, starting from 327680; Rnd is
// x / 2^24. Rnd(0) repeats the last number; a negative argument reseeds from its bits.

struct RandomState {
    std::uint32_t seed = 327680;
};

thread_local RandomState randomState;

void rnd(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    double argument = 1;
    if (argc == 1) {
        const std::optional<double> given = readOrNull(context, argv[0], readDouble);
        if (!given)
            return;
        argument = *given;
    }
    if (argument < 0) {
        const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(argument));
        randomState.seed = (bits + (bits >> 24)) & 0xFFFFFFu;
    }
    if (argument != 0)
        randomState.seed = (randomState.seed * 1140671485u + 12820163u) & 0xFFFFFFu;
    sqlite3_result_double(context, static_cast<float>(randomState.seed) / 16777216.0f);
}

// ---- Hex and Oct -------------------------------------------------------------------------

// Negative numbers are written in two's complement: on 16 bits down to -32767, on 32 below.
void radixText(sqlite3_context* context, sqlite3_value* value, int radix)
{
    const std::optional<std::int32_t> number = readOrNull(context, value, readLong);
    if (!number)
        return;
    std::uint32_t bits = static_cast<std::uint32_t>(*number);
    if (*number < 0 && *number >= -32767)
        bits &= 0xFFFFu;
    char buffer[16];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, bits, radix);
    std::string text(buffer, written.ptr);
    for (char& c : text)
        c = static_cast<char>(c >= 'a' ? c - 32 : c);
    resultText(context, text);
}

void hex(sqlite3_context* context, int, sqlite3_value** argv) { radixText(context, argv[0], 16); }
void oct(sqlite3_context* context, int, sqlite3_value** argv) { radixText(context, argv[0], 8); }

constexpr ScalarFunctionEntry NUMBER_SCALARS[] = {
    {"kv_choose", -1, choose},        {"kv_isnumeric", 1, isnumeric},  {"kv_val", 1, val},
    {"kv_str", 1, str},               {"kv_cstr", 1, cstr},            {"kv_cint", 1, cint},
    {"kv_clng", 1, clng},             {"kv_cbyte", 1, cbyte},          {"kv_csng", 1, csng},
    {"kv_cdbl", 1, cdbl},             {"kv_ccur", 1, ccur},            {"kv_cbool", 1, cbool},
    {"kv_cdec", 1, cdec},             {"kv_int", 1, intFunction},      {"kv_fix", 1, fix},
    {"kv_abs", 1, absoluteValue},     {"kv_sgn", 1, sgn},              {"kv_round", 1, roundNumber},
    {"kv_round", 2, roundNumber},     {"kv_sqr", 1, sqrFunction},      {"kv_exp", 1, expFunction},
    {"kv_log", 1, logFunction},       {"kv_log10", 1, log10Function},  {"kv_atn", 1, atnFunction},
    {"kv_cos", 1, cosFunction},       {"kv_sin", 1, sinFunction},      {"kv_tan", 1, tanFunction},
    {"kv_ceiling", 1, ceiling},       {"kv_floor", 1, floorFunction},  {"kv_pi", 0, piFunction},
    {"kv_rnd", 0, rnd, false},        {"kv_rnd", 1, rnd, false},       {"kv_hex", 1, hex},
    {"kv_oct", 1, oct},
};

using enum AccessType;

// Int, Fix, Abs, Round, CEILING and FLOOR have the type of their argument.
constexpr FunctionInfo NUMBER_CATALOGUE[] = {
    {"Choose", "kv_choose", 2, -1, Unknown},
    {"IsNumeric", "kv_isnumeric", 1, 1, Boolean},
    {"Val", "kv_val", 1, 1, Double},
    {"Str", "kv_str", 1, 1, Text}, {"Str$", "kv_str", 1, 1, Text},
    {"CStr", "kv_cstr", 1, 1, Text},
    {"CInt", "kv_cint", 1, 1, Short},
    {"CLng", "kv_clng", 1, 1, Long},
    {"CByte", "kv_cbyte", 1, 1, Byte},
    {"CSng", "kv_csng", 1, 1, Single},
    {"CDbl", "kv_cdbl", 1, 1, Double},
    {"CCur", "kv_ccur", 1, 1, Currency},
    {"CBool", "kv_cbool", 1, 1, Boolean},
    {"CDec", "kv_cdec", 1, 1, Decimal},
    {"Int", "kv_int", 1, 1, Unknown, 0},
    {"Fix", "kv_fix", 1, 1, Unknown, 0},
    {"Abs", "kv_abs", 1, 1, Unknown, 0},
    {"Sgn", "kv_sgn", 1, 1, Short},
    {"Round", "kv_round", 1, 2, Unknown, 0},
    {"Sqr", "kv_sqr", 1, 1, Double},
    {"Exp", "kv_exp", 1, 1, Double},
    {"Log", "kv_log", 1, 1, Double},
    {"Rnd", "kv_rnd", 0, 1, Single},
    {"Hex", "kv_hex", 1, 1, Text}, {"Hex$", "kv_hex", 1, 1, Text},
    {"Oct", "kv_oct", 1, 1, Text}, {"Oct$", "kv_oct", 1, 1, Text},
    {"Atn", "kv_atn", 1, 1, Double},
    {"Cos", "kv_cos", 1, 1, Double},
    {"Sin", "kv_sin", 1, 1, Double},
    {"Tan", "kv_tan", 1, 1, Double},
    // ODBC {fn} names that are not Access names already (ABS, EXP, LOG, COS... are).
    {"ATAN", "kv_atn", 1, 1, Double},
    {"CEILING", "kv_ceiling", 1, 1, Unknown, 0},
    {"FLOOR", "kv_floor", 1, 1, Unknown, 0},
    {"LOG10", "kv_log10", 1, 1, Double},
    {"MOD", "kv_mod", 2, 2, Long},
    {"PI", "kv_pi", 0, 0, Double},
    {"POWER", "kv_pow", 2, 2, Double},
    {"RAND", "kv_rnd", 0, 1, Double},
    {"SIGN", "kv_sgn", 1, 1, Short},
    {"SQRT", "kv_sqr", 1, 1, Double},
};

}  // namespace

std::span<const FunctionInfo> numberFunctions() { return NUMBER_CATALOGUE; }

void registerNumberFunctions(sqlite3* db)
{
    registerScalarFunctions(db, NUMBER_SCALARS);
    registerOperatorFunctions(db);
}

}  // namespace kervane::sql
