// The date family on SQLite: the documented examples of the VBA reference (dates written as
// canonical texts, the form date columns hold, or as texts CDate reads), Null handling, the
// ODBC {fn} names and the functions the SQL writer places around dates.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionCatalogue.h"

namespace kervane::sql {
namespace {

class DateFunctions : public FunctionTest<registerDateFunctions> {};

const std::string FEB_12_1969 = "'1969-02-12 00:00:00'";

TEST_F(DateFunctions, PartsOfADate)
{
    expectIntegers({
        {"kv_year(" + FEB_12_1969 + ")", 1969},
        {"kv_month(" + FEB_12_1969 + ")", 2},
        {"kv_day(" + FEB_12_1969 + ")", 12},
        {"kv_year('February 12, 1969')", 1969},
        {"kv_hour('4:35:17 PM')", 16},
        {"kv_minute('4:35:17 PM')", 35},
        {"kv_second('4:35:17 PM')", 17},
        {"kv_weekday(" + FEB_12_1969 + ")", 4},       // a Wednesday, Sunday = 1
        {"kv_weekday(" + FEB_12_1969 + ", 2)", 3},    // counted from Monday (derived)
        {"kv_weekday(" + FEB_12_1969 + ", 0)", 3},    // the system's first day: Monday
        {"kv_year(25246)", 1969},                      // a serial is a date
        {"kv_year(NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_year('hier')", "[22018]Type de données incompatible dans l'expression."},
        {"kv_weekday(" + FEB_12_1969 + ", 8)", badArgument("Weekday")},
    });
}

TEST_F(DateFunctions, NamesOfDaysAndMonthsAreFrench)
{
    expectTexts({
        {"kv_weekdayname(1, 0, 1)", "dimanche"},   // Sunday first: 1 is Sunday
        {"kv_weekdayname(1)", "lundi"},            // the system's first day, Monday
        {"kv_weekdayname(7, -1, 1)", "sam."},
        {"kv_monthname(1)", "janvier"},
        {"kv_monthname(2, -1)", "févr."},
        {"kv_weekdayname(NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_weekdayname(8)", badArgument("WeekdayName")},
        {"kv_monthname(13)", badArgument("MonthName")},
    });
}

TEST_F(DateFunctions, DateSerialAndTimeSerialRollOver)
{
    expectTexts({
        {"kv_dateserial(1969, 2, 12)", "1969-02-12 00:00:00"},
        {"kv_dateserial(1990 - 10, 8 - 2, 1 - 1)", "1980-05-31 00:00:00"},
        {"kv_dateserial(1969, 1, 35)", "1969-02-04 00:00:00"},   // day 35 moves into the next month
        {"kv_dateserial(1969, 14, 1)", "1970-02-01 00:00:00"},
        {"kv_dateserial(69, 2, 12)", "1969-02-12 00:00:00"},     // two-digit years
        {"kv_dateserial(29, 2, 12)", "2029-02-12 00:00:00"},
        {"kv_timeserial(16, 35, 17)", "1899-12-30 16:35:17"},
        {"kv_timeserial(12 - 6, -15, 0)", "1899-12-30 05:45:00"},
        {"kv_timeserial(0, 75, 0)", "1899-12-30 01:15:00"},      // 75 minutes: 1 h 15 min
        {"kv_dateserial(NULL, 1, 1)", std::nullopt},
        {"kv_timeserial(1, NULL, 1)", std::nullopt},
    });
    expectErrors({
        {"kv_dateserial(32768, 1, 1)", "[22003]Dépassement de capacité."},
        {"kv_timeserial(0, 0, 40000)", "[22003]Dépassement de capacité."},
        {"kv_dateserial(10000, 1, 1)", badArgument("DateSerial")},
    });
}

TEST_F(DateFunctions, ConversionsToDates)
{
    expectTexts({
        {"kv_datevalue('February 12, 1969')", "1969-02-12 00:00:00"},
        {"kv_datevalue('1969-02-12 16:35:17')", "1969-02-12 00:00:00"},   // date part only
        {"kv_timevalue('4:35:17 PM')", "1899-12-30 16:35:17"},
        {"kv_timevalue('1969-02-12 16:35:17')", "1899-12-30 16:35:17"},  // time part only
        {"kv_cdate('12/02/1969')", "1969-02-12 00:00:00"},               // the French order
        {"kv_cdate(25246.5)", "1969-02-12 12:00:00"},                    // whole part date, fraction time
        {"kv_datevalue(NULL)", std::nullopt},
        {"kv_timevalue(NULL)", std::nullopt},
        {"kv_cdate(NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_datevalue('89:98')", "[22018]Type de données incompatible dans l'expression."},
        {"kv_cdate('mercredi 27 janvier 1993')", "[22018]Type de données incompatible dans l'expression."},
    });
    expectIntegers({
        {"kv_isdate('April 28, 2014')", -1},
        {"kv_isdate('13/32/2014')", 0},
        {"kv_isdate(" + FEB_12_1969 + ")", -1},
        {"kv_isdate(NULL)", 0},
    });
}

TEST_F(DateFunctions, DateAddNeverGivesAnInvalidDate)
{
    expectTexts({
        {"kv_dateadd('m', 1, '31-Jan-95')", "1995-02-28 00:00:00"},
        {"kv_dateadd('m', 1, '31-Jan-96')", "1996-02-29 00:00:00"},
        {"kv_dateadd('w', 1, '2021-01-01')", "2021-01-02 00:00:00"},   // calendar days, not workdays
        {"kv_dateadd('y', 1, '2021-01-01')", "2021-01-02 00:00:00"},
        {"kv_dateadd('d', -1, '2021-01-01')", "2020-12-31 00:00:00"},
        {"kv_dateadd('d', 1.6, '2021-01-01')", "2021-01-03 00:00:00"},  // rounded first
        {"kv_dateadd('ww', 2, '2021-01-01')", "2021-01-15 00:00:00"},
        {"kv_dateadd('q', 1, '2021-11-30')", "2022-02-28 00:00:00"},
        {"kv_dateadd('yyyy', 1, '2020-02-29')", "2021-02-28 00:00:00"},
        {"kv_dateadd('n', 45, '2021-01-01 23:30:00')", "2021-01-02 00:15:00"},
        {"kv_dateadd('h', -1, '2021-01-01 00:30:00')", "2020-12-31 23:30:00"},
        {"kv_dateadd('s', 30, '2021-01-01 10:00:45')", "2021-01-01 10:01:15"},
        {"kv_dateadd(NULL, 1, '2021-01-01')", std::nullopt},
        {"kv_dateadd('d', 1, NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_dateadd('yyyy', -2000, '2021-01-01')", badArgument("DateAdd")},
        {"kv_dateadd('x', 1, '2021-01-01')", badArgument("DateAdd")},
        {"kv_dateadd('d', 'un', '2021-01-01')", "[22018]Type de données incompatible dans l'expression."},
    });
}

TEST_F(DateFunctions, DateDiffCountsBoundaries)
{
    expectIntegers({
        {"kv_datediff('yyyy', '2020-12-31', '2021-01-01')", 1},
        {"kv_datediff('d', '2021-01-01', '2021-01-31')", 30},
        {"kv_datediff('y', '2021-01-01', '2021-01-31')", 30},
        {"kv_datediff('d', '2021-01-31', '2021-01-01')", -30},   // negative when date1 is later
        {"kv_datediff('m', '2021-01-31', '2021-02-01')", 1},
        {"kv_datediff('q', '2021-03-31', '2021-04-01')", 1},
        {"kv_datediff('ww', '2021-01-02', '2021-01-03')", 1},    // Saturday to Sunday
        {"kv_datediff('ww', '2021-01-03', '2021-01-09')", 0},    // date1's own Sunday is not counted
        {"kv_datediff('ww', '2021-01-02', '2021-01-04', 2)", 1}, // Mondays when the week starts on Monday
        // "w": from a Monday, the Mondays after it up to and including date2.
        {"kv_datediff('w', '2021-01-04', '2021-01-18')", 2},
        {"kv_datediff('w', '2021-01-04', '2021-01-17')", 1},
        {"kv_datediff('d', NULL, '2021-01-01')", std::nullopt},
    });
}

TEST_F(DateFunctions, DatePartWithWeeksAndQuarters)
{
    expectIntegers({
        {"kv_datepart('q', " + FEB_12_1969 + ")", 1},
        {"kv_datepart('yyyy', " + FEB_12_1969 + ")", 1969},
        {"kv_datepart('y', " + FEB_12_1969 + ")", 43},
        {"kv_datepart('w', " + FEB_12_1969 + ")", 4},
        {"kv_datepart('w', " + FEB_12_1969 + ", 2)", 3},
        {"kv_datepart('ww', '2021-01-01')", 1},          // 1 January is always in week 1
        {"kv_datepart('ww', '2022-01-01')", 1},
        {"kv_datepart('ww', '2021-01-03')", 2},          // the first Sunday after 1 January 2021 (a Friday)
        {"kv_datepart('h', '1899-12-30 16:35:17')", 16},
        {"kv_datepart('q', NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_datepart('ww', '2021-01-01', 1, 4)", badArgument("DatePart")},
    });
}

TEST_F(DateFunctions, OdbcDateFunctions)
{
    expectIntegers({
        {"kv_dayofweek(" + FEB_12_1969 + ")", 4},
        {"kv_quarter(" + FEB_12_1969 + ")", 1},
        {"kv_dayofyear(" + FEB_12_1969 + ")", 43},
        {"kv_week('2021-01-01')", 1},
    });
    expectTexts({
        {"kv_dayname(" + FEB_12_1969 + ")", "mercredi"},
        {"kv_monthname(" + FEB_12_1969 + ")", "février"},   // {fn MONTHNAME(date)}
    });
    for (const char* name : {"CurDate", "CurTime", "DayName", "DayOfMonth", "DayOfWeek", "DayOfYear", "Quarter", "Week",
                             "Now", "Hour", "Minute", "Month", "MonthName", "Second", "Year"})
        EXPECT_NE(findFunction(name), nullptr) << name;
}

TEST_F(DateFunctions, CurrentDateAndTime)
{
    const Result now = evaluate("kv_now()");
    const Result today = evaluate("kv_date()");
    const Result time = evaluate("kv_time()");
    ASSERT_EQ(now.text.size(), 19u);
    EXPECT_EQ(today.text.substr(11), "00:00:00");
    EXPECT_EQ(time.text.substr(0, 11), "1899-12-30 ");
    EXPECT_EQ(evaluate("kv_isdate(kv_now())").integer, -1);
}

TEST_F(DateFunctions, CatalogueNamesRegisteredFunctions)
{
    for (const FunctionInfo& info : dateFunctions()) {
        const Result result = evaluate("count(*) FROM pragma_function_list WHERE name = '" + std::string(info.sqliteName) + "'");
        EXPECT_GT(result.integer, 0) << info.name;
        EXPECT_EQ(findFunction(info.name), &info) << info.name;
    }
    const FunctionInfo* dateAdd = findFunction("dateadd");
    ASSERT_NE(dateAdd, nullptr);
    EXPECT_EQ(dateAdd->result, AccessType::Date);
    EXPECT_EQ(findFunction("Year")->result, AccessType::Short);
    EXPECT_EQ(findFunction("Format")->result, AccessType::Text);
}

TEST_F(DateFunctions, WriterFunctions)
{
    expectTexts({
        {"kv_date_plus('2024-05-17', 1.5)", "2024-05-18 12:00:00"},
        {"kv_date_plus('17/05/2024', -17)", "2024-04-30 00:00:00"},
        {"kv_date_plus(NULL, 1)", std::nullopt},
        {"kv_to_date('12 février 1969')", "1969-02-12 00:00:00"},
        {"kv_to_date(25246)", "1969-02-12 00:00:00"},
        {"kv_to_date(NULL)", std::nullopt},
        {"kv_store_date('17/05/2024 10:30', 'D')", "2024-05-17 10:30:00"},
        {"kv_store_date('#5/17/2024#', 'D')", "2024-05-17 00:00:00"},
        {"kv_store_date(25246, 'D')", "1969-02-12 00:00:00"},
        {"kv_store_date(NULL, 'D')", std::nullopt},
        {"kv_compare_date('17 mai 2024')", "2024-05-17 00:00:00"},
        {"kv_compare_date('2024-05-17')", "2024-05-17 00:00:00"},
        {"kv_compare_date('pas une date')", "pas une date"},
        {"kv_compare_date(NULL)", std::nullopt},
    });
    const Result days = evaluate("kv_date_minus('2024-05-17', '2024-05-01 12:00')");
    EXPECT_EQ(days.type, SQLITE_FLOAT);
    EXPECT_DOUBLE_EQ(days.real, 15.5);
    expectErrors({
        {"kv_store_date('05/17/2024', 'DATE_COMMANDE')",
         "[22007]La valeur « 05/17/2024 » n'est pas une date valide pour la colonne « DATE_COMMANDE »."},
        {"kv_to_date('hier')", "[22018]Type de données incompatible dans l'expression."},
        {"kv_date_plus('2024-05-17', 'un')", "[22018]Type de données incompatible dans l'expression."},
        {"kv_date_plus('9999-12-31', 1)", "[22003]Dépassement de capacité."},
    });
}

}  // namespace
}  // namespace kervane::sql
