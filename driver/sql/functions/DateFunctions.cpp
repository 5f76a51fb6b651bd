// The date family: the current date, parts of a date, names of days and months, conversions
// to dates, and the ODBC {fn} date functions; the family's list and registration.
#include "driver/sql/functions/DateFamily.h"
#include "driver/sql/functions/DateSupport.h"
#include "driver/semantics/Locale.h"

#include <cmath>
#include <ctime>
#include <vector>

namespace kervane::sql {
namespace {

Moment now()
{
    const std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    const DateParts parts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec > 59 ? 59 : local.tm_sec};
    return momentOf(serialFromParts(parts).value_or(0));
}

void nowFunction(sqlite3_context* context, int, sqlite3_value**)
{
    const Moment moment = now();
    resultDate(context, serialOf(moment.day, moment.second));
}

void dateFunction(sqlite3_context* context, int, sqlite3_value**)
{
    resultDate(context, serialOf(now().day, 0));
}

void timeFunction(sqlite3_context* context, int, sqlite3_value**)
{
    resultDate(context, serialOf(0, now().second));
}

// One part of a date argument as an Integer.
template <int (*part)(const Moment&)>
void partFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (const auto serial = readOrNull(context, argv[0], readDate))
        sqlite3_result_int(context, part(momentOf(*serial)));
}

int yearOf(const Moment& m) { return m.parts.year; }
int monthOf(const Moment& m) { return m.parts.month; }
int dayOf(const Moment& m) { return m.parts.day; }
int hourOf(const Moment& m) { return m.parts.hour; }
int minuteOf(const Moment& m) { return m.parts.minute; }
int secondOf(const Moment& m) { return m.parts.second; }
int quarterOf(const Moment& m) { return (m.parts.month - 1) / 3 + 1; }
int dayOfYearOf(const Moment& m) { return dayOfYear(m.parts); }
int sundayWeekdayOf(const Moment& m) { return weekdayOf(m.day, 1); }
int sundayWeekOf(const Moment& m) { return weekOfYear(m.day, 1, 1); }

void weekdayFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 1, 2, "Weekday"))
        return;
    const auto serial = readOrNull(context, argv[0], readDate);
    if (!serial)
        return;
    if (const auto firstDay = readFirstDay(context, argc, argv, 1, 1, "Weekday"))
        sqlite3_result_int(context, weekdayOf(momentOf(*serial).day, *firstDay));
}

// The optional "abbreviate" flag: any non-zero number is true.
std::optional<bool> readFlag(sqlite3_context* context, int argc, sqlite3_value** argv, int index)
{
    sqlite3_value* given = optionalArgument(argc, argv, index);
    if (given == nullptr)
        return false;
    const auto number = readDouble(context, given);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

void weekdayNameFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 1, 3, "WeekdayName"))
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    const auto number = readWholeNumber(context, argv[0], -32768, 32767);
    const auto abbreviate = number ? readFlag(context, argc, argv, 1) : std::nullopt;
    const auto firstDay = abbreviate ? readFirstDay(context, argc, argv, 2, SYSTEM_FIRST_DAY, "WeekdayName")
                                     : std::nullopt;
    if (!firstDay)
        return;
    if (*number < 1 || *number > 7)
        return reportBadArgument(context, "WeekdayName");
    const UserLocale locale = userLocale();
    const auto index = static_cast<std::size_t>((*number - 1 + *firstDay - 1) % 7);
    resultText(context, *abbreviate ? locale.dayAbbreviations[index] : locale.dayNames[index]);
}

// MonthName(month[, abbreviate]); also {fn MONTHNAME(date)}, which names the month of a date.
void monthNameFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (!checkArgumentCount(context, argc, 1, 2, "MonthName"))
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    int month = 0;
    if (numberValue(argv[0])) {
        const auto number = readWholeNumber(context, argv[0], -32768, 32767);
        if (!number)
            return;
        month = static_cast<int>(*number);
    } else if (const auto serial = readDate(context, argv[0])) {
        month = momentOf(*serial).parts.month;
    } else {
        return;
    }
    const auto abbreviate = readFlag(context, argc, argv, 1);
    if (!abbreviate)
        return;
    if (month < 1 || month > 12)
        return reportBadArgument(context, "MonthName");
    const UserLocale locale = userLocale();
    const auto index = static_cast<std::size_t>(month - 1);
    resultText(context, *abbreviate ? locale.monthAbbreviations[index] : locale.monthNames[index]);
}

// {fn DAYNAME(date)}: the name of the day.
void dayNameFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (const auto serial = readOrNull(context, argv[0], readDate)) {
        const auto index = static_cast<std::size_t>(weekdayOf(momentOf(*serial).day, 1) - 1);
        resultText(context, userLocale().dayNames[index]);
    }
}

// A date argument made a date through convert.
template <double (*convert)(double)>
void conversionFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (const auto serial = readOrNull(context, argv[0], readDate))
        resultDate(context, convert(*serial));
}

double wholeDate(double serial) { return serial; }
double dayOnly(double serial) { return serialOf(momentOf(serial).day, 0); }
double timeOnly(double serial) { return serialOf(0, momentOf(serial).second); }

// A text that reads as a date; numbers are not dates (a date column's values are texts).
void isDateFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const bool isDate = sqlite3_value_type(argv[0]) == SQLITE_TEXT && dateFromValue(argv[0]).has_value();
    resultBoolean(context, isDate);
}

constexpr ScalarFunctionEntry DATE_ENTRIES[] = {
    {"kv_now", 0, nowFunction, false},
    {"kv_date", 0, dateFunction, false},
    {"kv_time", 0, timeFunction, false},
    {"kv_year", 1, partFunction<yearOf>},
    {"kv_month", 1, partFunction<monthOf>},
    {"kv_day", 1, partFunction<dayOf>},
    {"kv_hour", 1, partFunction<hourOf>},
    {"kv_minute", 1, partFunction<minuteOf>},
    {"kv_second", 1, partFunction<secondOf>},
    {"kv_weekday", -1, weekdayFunction},
    {"kv_weekdayname", -1, weekdayNameFunction},
    {"kv_monthname", -1, monthNameFunction},
    {"kv_datevalue", 1, conversionFunction<dayOnly>},
    {"kv_timevalue", 1, conversionFunction<timeOnly>},
    {"kv_cdate", 1, cdateFunction},
    {"kv_isdate", 1, isDateFunction},
    {"kv_quarter", 1, partFunction<quarterOf>},
    {"kv_dayofyear", 1, partFunction<dayOfYearOf>},
    {"kv_dayofweek", 1, partFunction<sundayWeekdayOf>},
    {"kv_week", 1, partFunction<sundayWeekOf>},
    {"kv_dayname", 1, dayNameFunction},
};

constexpr FunctionInfo DATE_INFOS[] = {
    {"Now", "kv_now", 0, 0, AccessType::Date},
    {"Date", "kv_date", 0, 0, AccessType::Date},
    {"Time", "kv_time", 0, 0, AccessType::Date},
    {"Year", "kv_year", 1, 1, AccessType::Short},
    {"Month", "kv_month", 1, 1, AccessType::Short},
    {"Day", "kv_day", 1, 1, AccessType::Short},
    {"Hour", "kv_hour", 1, 1, AccessType::Short},
    {"Minute", "kv_minute", 1, 1, AccessType::Short},
    {"Second", "kv_second", 1, 1, AccessType::Short},
    {"Weekday", "kv_weekday", 1, 2, AccessType::Short},
    {"WeekdayName", "kv_weekdayname", 1, 3, AccessType::Text},
    {"MonthName", "kv_monthname", 1, 2, AccessType::Text},
    {"DateAdd", "kv_dateadd", 3, 3, AccessType::Date},
    {"DateDiff", "kv_datediff", 3, 5, AccessType::Long},
    {"DatePart", "kv_datepart", 2, 4, AccessType::Short},
    {"DateSerial", "kv_dateserial", 3, 3, AccessType::Date},
    {"TimeSerial", "kv_timeserial", 3, 3, AccessType::Date},
    {"DateValue", "kv_datevalue", 1, 1, AccessType::Date},
    {"TimeValue", "kv_timevalue", 1, 1, AccessType::Date},
    {"CDate", "kv_cdate", 1, 1, AccessType::Date},
    {"CVDate", "kv_cdate", 1, 1, AccessType::Date},
    {"IsDate", "kv_isdate", 1, 1, AccessType::Boolean},
    // ODBC {fn} names; NOW, HOUR, MINUTE, MONTH, MONTHNAME, SECOND and YEAR are above.
    {"CurDate", "kv_date", 0, 0, AccessType::Date},
    {"CurTime", "kv_time", 0, 0, AccessType::Date},
    {"DayName", "kv_dayname", 1, 1, AccessType::Text},
    {"DayOfMonth", "kv_day", 1, 1, AccessType::Short},
    {"DayOfWeek", "kv_dayofweek", 1, 1, AccessType::Short},
    {"DayOfYear", "kv_dayofyear", 1, 1, AccessType::Short},
    {"Quarter", "kv_quarter", 1, 1, AccessType::Short},
    {"Week", "kv_week", 1, 1, AccessType::Short},
};

}  // namespace

void cdateFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    conversionFunction<wholeDate>(context, argc, argv);
}

std::span<const FunctionInfo> dateFunctions()
{
    static const std::vector<FunctionInfo> all = [] {
        std::vector<FunctionInfo> infos(std::begin(DATE_INFOS), std::end(DATE_INFOS));
        const auto formats = formatFunctions();
        infos.insert(infos.end(), formats.begin(), formats.end());
        return infos;
    }();
    return all;
}

void registerDateFunctions(sqlite3* db)
{
    registerScalarFunctions(db, DATE_ENTRIES);
    registerScalarFunctions(db, dateArithmeticFunctions());
    registerScalarFunctions(db, dateWriterFunctions());
    registerFormatFunctions(db);
}

}  // namespace kervane::sql
