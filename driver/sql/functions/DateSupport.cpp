#include "driver/sql/functions/DateSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <cmath>
#include <string>

namespace kervane::sql {
namespace {

// The first day of the first week of a year under a first-week rule.
long long firstWeekStart(int year, int firstDay, int firstWeek)
{
    const long long january1 = dayOfDate(year, 1, 1);
    const long long weekStart = january1 - (weekdayOf(january1, firstDay) - 1);
    const long long daysBefore = january1 - weekStart;  // days of that week in the old year
    if ((firstWeek == 2 && daysBefore > 3) || (firstWeek == 3 && daysBefore > 0))
        return weekStart + 7;
    return weekStart;
}

std::optional<int> readSetting(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                               int fallback, int maximum, int system, std::string_view functionName)
{
    sqlite3_value* given = optionalArgument(argc, argv, index);
    if (given == nullptr)
        return fallback;
    const auto number = readDouble(context, given);
    if (!number)
        return std::nullopt;
    const double rounded = roundHalfEven(*number);
    if (rounded < 0 || rounded > maximum) {
        reportBadArgument(context, functionName);
        return std::nullopt;
    }
    return rounded == 0 ? system : static_cast<int>(rounded);
}

}  // namespace

std::optional<double> serialFromValue(sqlite3_value* value, std::optional<double> (*readText)(std::string_view))
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double serial = sqlite3_value_double(value);
        return isSerialInRange(serial) ? std::optional<double>(serial) : std::nullopt;
    }
    case SQLITE_TEXT:
        return readText(textOf(value));
    default:
        return std::nullopt;
    }
}

std::optional<double> dateFromValue(sqlite3_value* value)
{
    return serialFromValue(value, readUserDate);
}

std::optional<double> readDate(sqlite3_context* context, sqlite3_value* value)
{
    const auto serial = dateFromValue(value);
    if (!serial)
        reportTypeMismatch(context);
    return serial;
}

void resultDate(sqlite3_context* context, double serial)
{
    if (!isSerialInRange(serial)) {
        reportOverflow(context);
        return;
    }
    resultText(context, canonicalDate(serial));
}

Moment momentOf(double serial)
{
    Moment moment;
    moment.parts = partsFromSerial(serial);
    moment.day = dayOfDate(moment.parts.year, moment.parts.month, moment.parts.day);
    moment.second = moment.parts.hour * 3600 + moment.parts.minute * 60 + moment.parts.second;
    return moment;
}

double serialOf(long long day, double secondOfDay)
{
    const double time = secondOfDay / SECONDS_PER_DAY;
    const auto days = static_cast<double>(day);
    return day >= 0 ? days + time : days - time;
}

long long floorDivide(long long a, long long b)
{
    const long long quotient = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

long long dayOfDate(int year, int month, int day)
{
    // Years at the edges of the range (a week computation may look at year 99 or 10000) are
    // moved by 400 years, a whole cycle of the calendar.
    if (year < 100)
        return dayOfDate(year + 400, month, day) - 146097;
    if (year > 9999)
        return dayOfDate(year - 400, month, day) + 146097;
    const auto serial = serialFromParts({year, month, day, 0, 0, 0});
    return serial ? static_cast<long long>(*serial) : 0;
}

int weekdayOf(long long day, int firstDay)
{
    // Day 0, 1899-12-30, was a Saturday.
    const long long sundayFirst = (day % 7 + 7 + 6) % 7 + 1;
    return static_cast<int>((sundayFirst - firstDay + 7) % 7 + 1);
}

int weekOfYear(long long day, int firstDay, int firstWeek)
{
    const DateParts parts = momentOf(serialOf(day, 0)).parts;
    long long start = firstWeekStart(parts.year, firstDay, firstWeek);
    if (firstWeek != 1) {
        const long long nextStart = firstWeekStart(parts.year + 1, firstDay, firstWeek);
        if (day >= nextStart)
            return 1;
    }
    if (day < start)
        start = firstWeekStart(parts.year - 1, firstDay, firstWeek);
    return static_cast<int>(floorDivide(day - start, 7) + 1);
}

int dayOfYear(const DateParts& parts)
{
    return static_cast<int>(dayOfDate(parts.year, parts.month, parts.day) - dayOfDate(parts.year, 1, 1) + 1);
}

std::optional<int> readFirstDay(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                                int fallback, std::string_view functionName)
{
    return readSetting(context, argc, argv, index, fallback, 7, SYSTEM_FIRST_DAY, functionName);
}

std::optional<int> readFirstWeek(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                                 int fallback, std::string_view functionName)
{
    return readSetting(context, argc, argv, index, fallback, 3, SYSTEM_FIRST_WEEK, functionName);
}

bool checkArgumentCount(sqlite3_context* context, int argc, int minimum, int maximum,
                        std::string_view functionName)
{
    if (argc >= minimum && argc <= maximum)
        return true;
    reportBadArgument(context, functionName);
    return false;
}

}  // namespace kervane::sql
