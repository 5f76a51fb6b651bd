// Format, FormatNumber, FormatCurrency, FormatPercent and FormatDateTime on SQLite values.
// A text that reads as a date is a date for the date formats: that is how a date column's
// canonical texts arrive.
#include "driver/sql/functions/DateFamily.h"
#include "driver/sql/functions/DateSupport.h"
#include "driver/sql/functions/FormatSupport.h"
#include "driver/semantics/Locale.h"

namespace kervane::sql {
namespace {

constexpr std::size_t LONGEST_FORMAT = 257;

// The value as a number for the numeric formats: numbers, texts that read as numbers, and
// canonical dates (their serial).
std::optional<double> numberOf(sqlite3_value* value)
{
    if (isNumberValue(value))
        return sqlite3_value_double(value);
    if (sqlite3_value_type(value) != SQLITE_TEXT)
        return std::nullopt;
    if (const auto serial = readCanonical(textOf(value)))
        return serial;
    return parseNumber(textOf(value));
}

bool isCanonicalDate(sqlite3_value* value)
{
    return sqlite3_value_type(value) == SQLITE_TEXT && readCanonical(textOf(value)).has_value();
}

std::optional<std::string> formatWithPattern(sqlite3_value* value, std::string_view format, int firstDay, int firstWeek)
{
    const bool null = sqlite3_value_type(value) == SQLITE_NULL;
    PatternKind kind = patternKind(format);
    if (kind == PatternKind::Literal)
        kind = isNumberValue(value) || null ? PatternKind::Number : isCanonicalDate(value) ? PatternKind::Date : PatternKind::Text;
    switch (kind) {
    case PatternKind::Number:
        if (null)
            return formatNumberPattern(std::nullopt, format);
        if (const auto number = numberOf(value))
            return formatNumberPattern(*number, format);
        break;
    case PatternKind::Date:
        if (null)
            return std::nullopt;
        if (const auto serial = dateFromValue(value))
            return formatDatePattern(*serial, format, firstDay, firstWeek);
        break;
    case PatternKind::Text:
    case PatternKind::Literal:
        if (null)
            return formatTextPattern(std::nullopt, format);
        // A date becomes text as CStr writes it: its General Date form.
        if (isCanonicalDate(value))
            return formatTextPattern(generalDate(readCanonical(textOf(value)).value_or(0)), format);
        return formatTextPattern(textValue(value), format);
    }
    // A value the pattern cannot apply to comes back as its text.
    return textValue(value);
}

// Null gives Null, except through a pattern with a section for it.
std::optional<std::string> formatValue(sqlite3_value* value, std::string_view format, int firstDay, int firstWeek)
{
    const bool named = isNamedDateFormat(format) || isNamedNumberFormat(format);
    if (sqlite3_value_type(value) == SQLITE_NULL && (format.empty() || named))
        return std::nullopt;
    if (format.empty()) {
        if (isNumberValue(value))
            return numberText(sqlite3_value_double(value), userLocale().decimal);
        if (isCanonicalDate(value))
            return generalDate(readCanonical(textOf(value)).value_or(0));
        return textValue(value);
    }
    if (isNamedDateFormat(format)) {
        const auto serial = dateFromValue(value);
        return serial ? namedDateFormat(format, *serial) : textValue(value);
    }
    if (isNamedNumberFormat(format)) {
        const auto number = numberOf(value);
        return number ? namedNumberFormat(format, *number) : textValue(value);
    }
    return formatWithPattern(value, format, firstDay, firstWeek);
}

void sendText(sqlite3_context* context, const std::optional<std::string>& text)
{
    if (text)
        resultText(context, *text);
    else
        sqlite3_result_null(context);
}

void formatFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 1, 4, "Format"))
        return;
    const auto firstDay = readFirstDay(context, argc, argv, 2, 1, "Format");
    const auto firstWeek = firstDay ? readFirstWeek(context, argc, argv, 3, 1, "Format") : std::nullopt;
    if (!firstWeek)
        return;
    std::string_view format;
    if (sqlite3_value* given = optionalArgument(argc, argv, 1))
        format = textOf(given).substr(0, LONGEST_FORMAT);
    sendText(context, formatValue(argv[0], format, *firstDay, *firstWeek));
}

// A tristate argument: -1 true, 0 false, -2 (or missing) the regional setting.
std::optional<bool> readTristate(sqlite3_context* context, int argc, sqlite3_value** argv, int index, bool regional)
{
    sqlite3_value* given = optionalArgument(argc, argv, index);
    if (given == nullptr)
        return regional;
    const auto value = readWholeNumber(context, given, INT32_MIN, INT32_MAX);
    if (!value)
        return std::nullopt;
    return *value == -2 ? regional : *value != 0;
}

// The arguments shared by FormatNumber, FormatCurrency and FormatPercent after the value.
std::optional<NumberStyle> readStyle(sqlite3_context* context, int argc, sqlite3_value** argv, std::string_view name)
{
    NumberStyle style;
    if (sqlite3_value* given = optionalArgument(argc, argv, 1)) {
        const auto digits = readWholeNumber(context, given, INT32_MIN, INT32_MAX);
        if (!digits)
            return std::nullopt;
        if (*digits < -1 || *digits > 99) {
            reportBadArgument(context, name);
            return std::nullopt;
        }
        if (*digits >= 0)
            style.decimals = static_cast<int>(*digits);
    }
    const auto leadingZero = readTristate(context, argc, argv, 2, style.leadingZero);
    const auto parentheses = leadingZero ? readTristate(context, argc, argv, 3, style.parentheses) : std::nullopt;
    const auto grouping = parentheses ? readTristate(context, argc, argv, 4, style.grouping) : std::nullopt;
    if (!grouping)
        return std::nullopt;
    style.leadingZero = *leadingZero;
    style.parentheses = *parentheses;
    style.grouping = *grouping;
    return style;
}

template <std::string (*write)(double, const NumberStyle&)>
void styledFunction(sqlite3_context* context, int argc, sqlite3_value** argv, std::string_view name)
{
    if (!checkArgumentCount(context, argc, 1, 5, name))
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    const auto number = numberOf(argv[0]);
    if (!number)
        return reportTypeMismatch(context);
    if (const auto style = readStyle(context, argc, argv, name))
        resultText(context, write(*number, *style));
}

void formatNumberFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    styledFunction<styledNumber>(context, argc, argv, "FormatNumber");
}

void formatCurrencyFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    styledFunction<currencyText>(context, argc, argv, "FormatCurrency");
}

void formatPercentFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    styledFunction<percentText>(context, argc, argv, "FormatPercent");
}

void formatDateTimeFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 1, 2, "FormatDateTime"))
        return;
    const auto serial = readOrNull(context, argv[0], readDate);
    if (!serial)
        return;
    std::int64_t named = 0;
    if (sqlite3_value* given = optionalArgument(argc, argv, 1)) {
        const auto value = readWholeNumber(context, given, INT32_MIN, INT32_MAX);
        if (!value)
            return;
        named = *value;
    }
    static constexpr std::string_view NAMES[] = {"General Date", "Long Date", "Short Date", "Long Time"};
    if (named < 0 || named > 4)
        return reportBadArgument(context, "FormatDateTime");
    if (named == 4)
        return resultText(context, formatDatePattern(*serial, "hh:nn", 1, 1));
    sendText(context, namedDateFormat(NAMES[static_cast<std::size_t>(named)], *serial));
}

constexpr ScalarFunctionEntry FORMAT_ENTRIES[] = {
    {"kv_format", -1, formatFunction},
    {"kv_formatnumber", -1, formatNumberFunction},
    {"kv_formatcurrency", -1, formatCurrencyFunction},
    {"kv_formatpercent", -1, formatPercentFunction},
    {"kv_formatdatetime", -1, formatDateTimeFunction},
};

constexpr FunctionInfo INFOS[] = {
    {"Format", "kv_format", 1, 4, AccessType::Text},
    {"FormatNumber", "kv_formatnumber", 1, 5, AccessType::Text},
    {"FormatCurrency", "kv_formatcurrency", 1, 5, AccessType::Text},
    {"FormatPercent", "kv_formatpercent", 1, 5, AccessType::Text},
    {"FormatDateTime", "kv_formatdatetime", 1, 2, AccessType::Text},
};

}  // namespace

std::span<const FunctionInfo> formatFunctions()
{
    return INFOS;
}

void registerFormatFunctions(sqlite3* db)
{
    registerScalarFunctions(db, FORMAT_ENTRIES);
}

}  // namespace kervane::sql
