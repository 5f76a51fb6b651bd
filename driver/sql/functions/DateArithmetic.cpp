// DateAdd, DateDiff, DatePart, DateSerial and TimeSerial.
#include "driver/semantics/Characters.h"
#include "driver/sql/functions/DateFamily.h"
#include "driver/sql/functions/DateSupport.h"

#include <cstdint>
#include <string>

namespace kervane::sql {
namespace {

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

std::optional<Interval> intervalFromText(std::string_view text)
{
    const std::string name = lowerCaseText(text);
    static constexpr std::pair<std::string_view, Interval> NAMES[] = {
        {"yyyy", Interval::Year}, {"q", Interval::Quarter},    {"m", Interval::Month},
        {"y", Interval::DayOfYear}, {"d", Interval::Day},      {"w", Interval::Weekday},
        {"ww", Interval::Week},   {"h", Interval::Hour},       {"n", Interval::Minute},
        {"s", Interval::Second}};
    for (const auto& [key, interval] : NAMES)
        if (name == key)
            return interval;
    return std::nullopt;
}

std::optional<Interval> readInterval(sqlite3_context* context, sqlite3_value* value, std::string_view functionName)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const auto interval = intervalFromText(text == nullptr ? "" : text);
    if (!interval)
        reportBadArgument(context, functionName);
    return interval;
}

int lastValidDay(int year, int month, int day)
{
    while (day > 28 && !serialFromParts({year, month, day, 0, 0, 0}))
        --day;
    return day;
}

// The date moved by a number of months, kept on the last day of a shorter month.
std::optional<double> addMonths(const Moment& moment, long long months)
{
    const long long total = moment.parts.year * 12LL + (moment.parts.month - 1) + months;
    const long long year = floorDivide(total, 12);
    if (year < 100 || year > 9999)
        return std::nullopt;
    const int month = static_cast<int>(total - year * 12) + 1;
    const int day = lastValidDay(static_cast<int>(year), month, moment.parts.day);
    return serialOf(dayOfDate(static_cast<int>(year), month, day), moment.second);
}

// Seconds counted from 1899-12-30 00:00:00 as a serial.
double serialOfSeconds(long long seconds)
{
    const long long day = floorDivide(seconds, SECONDS_PER_DAY);
    return serialOf(day, static_cast<double>(seconds - day * SECONDS_PER_DAY));
}

std::optional<double> addSeconds(const Moment& moment, long long seconds)
{
    return serialOfSeconds(moment.day * SECONDS_PER_DAY + moment.second + seconds);
}

std::optional<double> addInterval(Interval interval, long long number, double serial)
{
    const Moment moment = momentOf(serial);
    switch (interval) {
    case Interval::Year: return addMonths(moment, number * 12);
    case Interval::Quarter: return addMonths(moment, number * 3);
    case Interval::Month: return addMonths(moment, number);
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday: return addSeconds(moment, number * SECONDS_PER_DAY);
    case Interval::Week: return addSeconds(moment, number * 7 * SECONDS_PER_DAY);
    case Interval::Hour: return addSeconds(moment, number * 3600);
    case Interval::Minute: return addSeconds(moment, number * 60);
    case Interval::Second: return addSeconds(moment, number);
    }
    return std::nullopt;
}

void dateAddFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (anyNull(3, argv))
        return sqlite3_result_null(context);
    const auto interval = readInterval(context, argv[0], "DateAdd");
    const auto number = interval ? readWholeNumber(context, argv[1], INT32_MIN, INT32_MAX) : std::nullopt;
    const auto serial = number ? readDate(context, argv[2]) : std::nullopt;
    if (!serial)
        return;
    const auto result = addInterval(*interval, *number, *serial);
    if (!result || !isSerialInRange(*result))
        return reportBadArgument(context, "DateAdd");
    resultDate(context, *result);
}

// Boundaries crossed from the first moment to the second.
long long countBoundaries(Interval interval, const Moment& a, const Moment& b, int firstDay)
{
    const auto months = [](const Moment& m) { return m.parts.year * 12LL + m.parts.month - 1; };
    const auto quarters = [](const Moment& m) { return m.parts.year * 4LL + (m.parts.month - 1) / 3; };
    const auto seconds = [](const Moment& m) { return m.day * SECONDS_PER_DAY + m.second; };
    switch (interval) {
    case Interval::Year: return b.parts.year - a.parts.year;
    case Interval::Quarter: return quarters(b) - quarters(a);
    case Interval::Month: return months(b) - months(a);
    case Interval::DayOfYear:
    case Interval::Day: return b.day - a.day;
    case Interval::Weekday: return (b.day - a.day) / 7;
    // Day x falls on weekday f (1 = Sunday) when x - f is a multiple of 7 (day 1 was a Sunday).
    case Interval::Week: return floorDivide(b.day - firstDay, 7) - floorDivide(a.day - firstDay, 7);
    case Interval::Hour: return floorDivide(seconds(b), 3600) - floorDivide(seconds(a), 3600);
    case Interval::Minute: return floorDivide(seconds(b), 60) - floorDivide(seconds(a), 60);
    case Interval::Second: return seconds(b) - seconds(a);
    }
    return 0;
}

void dateDiffFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 3, 5, "DateDiff"))
        return;
    if (anyNull(3, argv))
        return sqlite3_result_null(context);
    const auto interval = readInterval(context, argv[0], "DateDiff");
    const auto first = interval ? readDate(context, argv[1]) : std::nullopt;
    const auto second = first ? readDate(context, argv[2]) : std::nullopt;
    const auto firstDay = second ? readFirstDay(context, argc, argv, 3, 1, "DateDiff") : std::nullopt;
    if (!firstDay || !readFirstWeek(context, argc, argv, 4, 1, "DateDiff"))
        return;
    const long long count = countBoundaries(*interval, momentOf(*first), momentOf(*second), *firstDay);
    if (count < INT32_MIN || count > INT32_MAX)
        return reportOverflow(context);
    sqlite3_result_int64(context, count);
}

int partOf(Interval interval, const Moment& m, int firstDay, int firstWeek)
{
    switch (interval) {
    case Interval::Year: return m.parts.year;
    case Interval::Quarter: return (m.parts.month - 1) / 3 + 1;
    case Interval::Month: return m.parts.month;
    case Interval::DayOfYear: return dayOfYear(m.parts);
    case Interval::Day: return m.parts.day;
    case Interval::Weekday: return weekdayOf(m.day, firstDay);
    case Interval::Week: return weekOfYear(m.day, firstDay, firstWeek);
    case Interval::Hour: return m.parts.hour;
    case Interval::Minute: return m.parts.minute;
    case Interval::Second: return m.parts.second;
    }
    return 0;
}

void datePartFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 2, 4, "DatePart"))
        return;
    if (anyNull(2, argv))
        return sqlite3_result_null(context);
    const auto interval = readInterval(context, argv[0], "DatePart");
    const auto serial = interval ? readDate(context, argv[1]) : std::nullopt;
    const auto firstDay = serial ? readFirstDay(context, argc, argv, 2, 1, "DatePart") : std::nullopt;
    const auto firstWeek = firstDay ? readFirstWeek(context, argc, argv, 3, 1, "DatePart") : std::nullopt;
    if (firstWeek)
        sqlite3_result_int(context, partOf(*interval, momentOf(*serial), *firstDay, *firstWeek));
}

// The Integer arguments of DateSerial and TimeSerial (-32768..32767, else an overflow); a Null
// among them gives Null.
bool readIntegers(sqlite3_context* context, sqlite3_value** argv, long long (&values)[3])
{
    if (anyNull(3, argv)) {
        sqlite3_result_null(context);
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        const auto value = readWholeNumber(context, argv[i], -32768, 32767);
        if (!value)
            return false;
        values[i] = *value;
    }
    return true;
}

void dateSerialFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    long long values[3];
    if (!readIntegers(context, argv, values))
        return;
    long long year = values[0];
    if (year >= 0 && year <= 99)
        year += year < 30 ? 2000 : 1900;
    // Months and days out of their range carry into the year and the month, either way.
    const long long totalMonths = year * 12 + values[1] - 1;
    const long long monthYear = floorDivide(totalMonths, 12);
    if (monthYear < 100 || monthYear > 9999)
        return reportBadArgument(context, "DateSerial");
    const int month = static_cast<int>(totalMonths - monthYear * 12) + 1;
    const long long day = dayOfDate(static_cast<int>(monthYear), month, 1) + values[2] - 1;
    const double serial = serialOf(day, 0);
    if (!isSerialInRange(serial))
        return reportBadArgument(context, "DateSerial");
    resultDate(context, serial);
}

void timeSerialFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    long long values[3];
    if (!readIntegers(context, argv, values))
        return;
    resultDate(context, serialOfSeconds(values[0] * 3600 + values[1] * 60 + values[2]));
}

constexpr ScalarFunctionEntry DATE_ARITHMETIC_ENTRIES[] = {
    {"kv_dateadd", 3, dateAddFunction},
    {"kv_datediff", -1, dateDiffFunction},
    {"kv_datepart", -1, datePartFunction},
    {"kv_dateserial", 3, dateSerialFunction},
    {"kv_timeserial", 3, timeSerialFunction},
};

}  // namespace

std::span<const ScalarFunctionEntry> dateArithmeticFunctions()
{
    return DATE_ARITHMETIC_ENTRIES;
}

}  // namespace kervane::sql
