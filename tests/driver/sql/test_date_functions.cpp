// The date family on SQLite: the documented examples of the VBA reference (dates written as
// canonical texts, the form date columns hold, or as texts CDate reads), Null handling, the
// ODBC {fn} names and the functions the SQL writer places around dates. Then Format and its
// kin: under the C locale the reference's own examples (written for US settings) hold, with
// French day and month names; under a French locale the decimal comma, the no-break space
// between thousands and the euro after the amount apply.
#include "FunctionTestSupport.h"

#include <tuple>

namespace kervane::sql {
namespace {

using DateFunctions = SqliteTest;
using FormatFunctions = SqliteTest;

const std::string FEB_12_1969 = "'1969-02-12 00:00:00'";
// MyTime = #17:04:23# and MyDate = #January 27, 1993# of the Format reference page, as a date
// column holds them.
const std::string MY_TIME = "'1899-12-30 17:04:23'";
const std::string MY_DATE = "'1993-01-27 00:00:00'";
// 7 December 1958 8:50:35 PM, the date of the reference's "user-defined date/time formats" examples.
const std::string DEC_7_1958 = "'1958-12-07 20:50:35'";
const std::string NBSP = "\u00A0";

std::string format(const std::string& value, const std::string& pattern)
{
    return "kv_format(" + value + ", '" + pattern + "')";
}

TEST_F(DateFunctions, PartsNamesSerialsAndConversions)
{
    expect({
        {"kv_year(" + FEB_12_1969 + ")", "1969"}, {"kv_month(" + FEB_12_1969 + ")", "2"},
        {"kv_day(" + FEB_12_1969 + ")", "12"}, {"kv_year('February 12, 1969')", "1969"},
        {"kv_hour('4:35:17 PM')", "16"}, {"kv_minute('4:35:17 PM')", "35"}, {"kv_second('4:35:17 PM')", "17"},
        {"kv_weekday(" + FEB_12_1969 + ")", "4"},       // a Wednesday, Sunday = 1
        {"kv_weekday(" + FEB_12_1969 + ", 2)", "3"},    // counted from Monday (derived)
        {"kv_weekday(" + FEB_12_1969 + ", 0)", "3"},    // the system's first day: Monday
        {"kv_year(25246)", "1969"},                      // a serial is a date
        {"kv_year(NULL)", "Null"}, {"kv_year('hier')", MISMATCH},
        {"kv_weekday(" + FEB_12_1969 + ", 8)", badArgument("Weekday")},
        {"kv_weekdayname(1, 0, 1)", "'dimanche'"},   // Sunday first: 1 is Sunday
        {"kv_weekdayname(1)", "'lundi'"},            // the system's first day, Monday
        {"kv_weekdayname(7, -1, 1)", "'sam.'"}, {"kv_monthname(1)", "'janvier'"}, {"kv_monthname(2, -1)", "'févr.'"},
        {"kv_weekdayname(NULL)", "Null"},
        {"kv_weekdayname(8)", badArgument("WeekdayName")}, {"kv_monthname(13)", badArgument("MonthName")},
        {"kv_dateserial(1969, 2, 12)", "'1969-02-12 00:00:00'"},
        {"kv_dateserial(1990 - 10, 8 - 2, 1 - 1)", "'1980-05-31 00:00:00'"},
        {"kv_dateserial(1969, 1, 35)", "'1969-02-04 00:00:00'"},   // day 35 moves into the next month
        {"kv_dateserial(1969, 14, 1)", "'1970-02-01 00:00:00'"},
        {"kv_dateserial(69, 2, 12)", "'1969-02-12 00:00:00'"},     // two-digit years
        {"kv_dateserial(29, 2, 12)", "'2029-02-12 00:00:00'"}, {"kv_timeserial(16, 35, 17)", "'1899-12-30 16:35:17'"},
        {"kv_timeserial(12 - 6, -15, 0)", "'1899-12-30 05:45:00'"},
        {"kv_timeserial(0, 75, 0)", "'1899-12-30 01:15:00'"},      // 75 minutes: 1 h 15 min
        {"kv_dateserial(NULL, 1, 1)", "Null"}, {"kv_timeserial(1, NULL, 1)", "Null"},
        {"kv_dateserial(32768, 1, 1)", OVERFLOW},
        {"kv_timeserial(0, 0, 40000)", OVERFLOW}, {"kv_dateserial(10000, 1, 1)", badArgument("DateSerial")},
        {"kv_datevalue('February 12, 1969')", "'1969-02-12 00:00:00'"},
        {"kv_datevalue('1969-02-12 16:35:17')", "'1969-02-12 00:00:00'"},   // date part only
        {"kv_timevalue('4:35:17 PM')", "'1899-12-30 16:35:17'"},
        {"kv_timevalue('1969-02-12 16:35:17')", "'1899-12-30 16:35:17'"},  // time part only
        {"kv_cdate('12/02/1969')", "'1969-02-12 00:00:00'"},               // the French order
        {"kv_cdate(25246.5)", "'1969-02-12 12:00:00'"},                    // whole part date, fraction time
        {"kv_datevalue(NULL)", "Null"}, {"kv_timevalue(NULL)", "Null"}, {"kv_cdate(NULL)", "Null"},
        {"kv_datevalue('89:98')", MISMATCH}, {"kv_cdate('mercredi 27 janvier 1993')", MISMATCH},
        {"kv_isdate('April 28, 2014')", "-1"}, {"kv_isdate('13/32/2014')", "0"},
        {"kv_isdate(" + FEB_12_1969 + ")", "-1"}, {"kv_isdate(NULL)", "0"},
    });
}

TEST_F(DateFunctions, DateAddDateDiffAndDatePart)
{
    expect({
        {"kv_dateadd('m', 1, '31-Jan-95')", "'1995-02-28 00:00:00'"},
        {"kv_dateadd('m', 1, '31-Jan-96')", "'1996-02-29 00:00:00'"},
        {"kv_dateadd('w', 1, '2021-01-01')", "'2021-01-02 00:00:00'"},   // calendar days, not workdays
        {"kv_dateadd('y', 1, '2021-01-01')", "'2021-01-02 00:00:00'"},
        {"kv_dateadd('d', -1, '2021-01-01')", "'2020-12-31 00:00:00'"},
        {"kv_dateadd('d', 1.6, '2021-01-01')", "'2021-01-03 00:00:00'"},  // rounded first
        {"kv_dateadd('ww', 2, '2021-01-01')", "'2021-01-15 00:00:00'"},
        {"kv_dateadd('q', 1, '2021-11-30')", "'2022-02-28 00:00:00'"},
        {"kv_dateadd('yyyy', 1, '2020-02-29')", "'2021-02-28 00:00:00'"},
        {"kv_dateadd('n', 45, '2021-01-01 23:30:00')", "'2021-01-02 00:15:00'"},
        {"kv_dateadd('h', -1, '2021-01-01 00:30:00')", "'2020-12-31 23:30:00'"},
        {"kv_dateadd('s', 30, '2021-01-01 10:00:45')", "'2021-01-01 10:01:15'"},
        {"kv_dateadd(NULL, 1, '2021-01-01')", "Null"}, {"kv_dateadd('d', 1, NULL)", "Null"},
        {"kv_dateadd('yyyy', -2000, '2021-01-01')", badArgument("DateAdd")},
        {"kv_dateadd('x', 1, '2021-01-01')", badArgument("DateAdd")},
        {"kv_dateadd('d', 'un', '2021-01-01')", MISMATCH}, {"kv_datediff('yyyy', '2020-12-31', '2021-01-01')", "1"},
        {"kv_datediff('d', '2021-01-01', '2021-01-31')", "30"}, {"kv_datediff('y', '2021-01-01', '2021-01-31')", "30"},
        {"kv_datediff('d', '2021-01-31', '2021-01-01')", "-30"},   // negative when date1 is later
        {"kv_datediff('m', '2021-01-31', '2021-02-01')", "1"}, {"kv_datediff('q', '2021-03-31', '2021-04-01')", "1"},
        {"kv_datediff('ww', '2021-01-02', '2021-01-03')", "1"},    // Saturday to Sunday
        {"kv_datediff('ww', '2021-01-03', '2021-01-09')", "0"},    // date1's own Sunday is not counted
        {"kv_datediff('ww', '2021-01-02', '2021-01-04', 2)", "1"}, // Mondays when the week starts on Monday
        // "w": from a Monday, the Mondays after it up to and including date2.
        {"kv_datediff('w', '2021-01-04', '2021-01-18')", "2"}, {"kv_datediff('w', '2021-01-04', '2021-01-17')", "1"},
        {"kv_datediff('d', NULL, '2021-01-01')", "Null"},
        {"kv_datepart('q', " + FEB_12_1969 + ")", "1"}, {"kv_datepart('yyyy', " + FEB_12_1969 + ")", "1969"},
        {"kv_datepart('y', " + FEB_12_1969 + ")", "43"}, {"kv_datepart('w', " + FEB_12_1969 + ")", "4"},
        {"kv_datepart('w', " + FEB_12_1969 + ", 2)", "3"},
        {"kv_datepart('ww', '2021-01-01')", "1"},          // 1 January is always in week 1
        {"kv_datepart('ww', '2022-01-01')", "1"},
        {"kv_datepart('ww', '2021-01-03')", "2"},          // the first Sunday after 1 January 2021 (a Friday)
        {"kv_datepart('h', '1899-12-30 16:35:17')", "16"}, {"kv_datepart('q', NULL)", "Null"},
        {"kv_datepart('ww', '2021-01-01', 1, 4)", badArgument("DatePart")},
    });
}

TEST_F(DateFunctions, OdbcNamesCurrentDateAndWriterFunctions)
{
    expect({
        {"kv_dayofweek(" + FEB_12_1969 + ")", "4"}, {"kv_quarter(" + FEB_12_1969 + ")", "1"},
        {"kv_dayofyear(" + FEB_12_1969 + ")", "43"}, {"kv_week('2021-01-01')", "1"},
        {"kv_dayname(" + FEB_12_1969 + ")", "'mercredi'"},
        {"kv_monthname(" + FEB_12_1969 + ")", "'février'"},   // {fn MONTHNAME(date)}
        {"length(kv_now())", "19"}, {"kv_isdate(kv_now())", "-1"}, {"substr(kv_date(), 12)", "'00:00:00'"},
        {"substr(kv_time(), 1, 11)", "'1899-12-30 '"},
    });
    for (const char* name : {"CurDate", "CurTime", "DayName", "DayOfMonth", "DayOfWeek", "DayOfYear", "Quarter", "Week",
                             "Now", "Hour", "Minute", "Month", "MonthName", "Second", "Year"})
        EXPECT_NE(findFunction(name), nullptr) << name;
    expect({
        {"kv_date_plus('2024-05-17', 1.5)", "'2024-05-18 12:00:00'"},
        {"kv_date_plus('17/05/2024', -17)", "'2024-04-30 00:00:00'"}, {"kv_date_plus(NULL, 1)", "Null"},
        {"kv_to_date('12 février 1969')", "'1969-02-12 00:00:00'"}, {"kv_to_date(25246)", "'1969-02-12 00:00:00'"},
        {"kv_to_date(NULL)", "Null"}, {"kv_store_date('17/05/2024 10:30', 'D')", "'2024-05-17 10:30:00'"},
        {"kv_store_date('#5/17/2024#', 'D')", "'2024-05-17 00:00:00'"},
        {"kv_store_date(25246, 'D')", "'1969-02-12 00:00:00'"}, {"kv_store_date(NULL, 'D')", "Null"},
        {"kv_compare_date('17 mai 2024')", "'2024-05-17 00:00:00'"},
        {"kv_compare_date('2024-05-17')", "'2024-05-17 00:00:00'"},
        {"kv_compare_date('pas une date')", "'pas une date'"}, {"kv_compare_date(NULL)", "Null"},
        {"kv_date_minus('2024-05-17', '2024-05-01 12:00')", "15.5"},
        {"kv_store_date('05/17/2024', 'DATE_COMMANDE')",
         "[22007]La valeur « 05/17/2024 » n'est pas une date valide pour la colonne « DATE_COMMANDE »."},
        {"kv_to_date('hier')", MISMATCH}, {"kv_date_plus('2024-05-17', 'un')", MISMATCH},
        {"kv_date_plus('9999-12-31', 1)", OVERFLOW},
    });
}

TEST_F(FormatFunctions, ExamplesAndRulesWithUsSettings)
{
    const LocaleScope locale("en_US.UTF-8");
    expect({
        {format(MY_TIME, "h:m:s"), "'17:4:23'"}, {format(MY_TIME, "hh:mm:ss am/pm"), "'05:04:23 pm'"},
        {format(MY_TIME, "hh:mm:ss AM/PM"), "'05:04:23 PM'"},
        {format(MY_DATE, "dddd, mmm d yyyy"), "'Wednesday, Jan 27 1993'"},
        {"kv_format(23)", "'23'"}, {format("5459.4", "##,##0.00"), "'5,459.40'"},
        {format("334.9", "###0.00"), "'334.90'"}, {format("5", "0.00%"), "'500.00%'"},
        {format("'HELLO'", "<"), "'hello'"}, {format("'This is it'", ">"), "'THIS IS IT'"},
        {format("1234.5", "Fixed"), "'1234.50'"}, {format("1234.5", "Standard"), "'1,234.50'"},
        {format("0.5", "Percent"), "'50.00%'"},
        {format("100000000", "##0,,"), "'100'"},   // scaled by a million
        {format("400000", "##0,,"), "'0'"},        // below a million
        {format(DEC_7_1958, "m/d/yy"), "'12/7/58'"}, {format(DEC_7_1958, "d-mmm"), "'7-Dec'"},
        {format(DEC_7_1958, "d-mmmm-yy"), "'7-December-58'"}, {format(DEC_7_1958, "hh:mm AM/PM"), "'08:50 PM'"},
        {format(DEC_7_1958, "h:mm:ss a/p"), "'8:50:35 p'"}, {format(DEC_7_1958, "h:mm"), "'20:50'"},
        {format(DEC_7_1958, "m/d/yy h:mm"), "'12/7/58 20:50'"},
        // Letters of the date symbol tables.
        {format(MY_DATE, "w"), "'4'"},              // Wednesday, Sunday = 1
        {"kv_format(" + MY_DATE + ", 'w', 2)", "'3'"},   // first day Monday
        {format(MY_DATE, "ww"), "'5'"}, {format("'1993-01-01'", "ww"), "'1'"}, {format(MY_DATE, "q"), "'1'"},
        {format(MY_DATE, "y"), "'27'"}, {format(MY_DATE, "dd/mm/yy"), "'27/01/93'"},
        {format(MY_DATE, "ddd"), "'Wed'"}, {format(MY_DATE, "ddddd"), "'1/27/1993'"},
        {format(MY_DATE, "dddddd"), "'Wednesday, January 27, 1993'"}, {format(MY_TIME, "ttttt"), "'5:04:23 PM'"},
        {format(MY_TIME, "nn\\m\\i\\n"), "'04min'"}, {format(MY_DATE, "\"le\" d"), "'le 27'"},
        {format("'1993-01-27 17:04:23'", "c"), "'1/27/1993 5:04:23 PM'"},
        {format(MY_DATE, "c"), "'1/27/1993'"},     // no fraction: the date only
        {format(MY_TIME, "c"), "'5:04:23 PM'"},       // no whole part: the time only
        {format("33996", "dd/mm/yyyy"), "'27/01/1993'"},   // a serial number through a date format
        {format("'1/27/1993'", "yyyy"), "'1993'"},         // a text CDate reads, month first
        {format("NULL", "dd/mm/yyyy"), "Null"},
        {format("0.5", "#.##"), "'.5'"},             // only # left of the point: no leading zero
        {format("0.5", "0.##"), "'0.5'"},
        {format("12345", "0"), "'12345'"},           // extra digits shown as they are
        {format("7", "000"), "'007'"}, {format("1234567", "#,##0"), "'1,234,567'"},
        {format("1234.5", "Scientific"), "'1.23E+03'"}, {format("0.05", "0.0E-00"), "'5.0E-02'"},
        {format("5000", "0.0e-00"), "'5.0e03'"},     // E- shows only a minus
        {format("5", "\\$0"), "'$5'"}, {format("5", "\"n° \"0"), "'n° 5'"},
        {format("0", "$#,##0;;\\Z\\e\\r\\o"), "'Zero'"},   // an empty section takes the first one
        {format("0", "0;-0;\\n\\u\\l"), "'nul'"},           // three sections: zero
        {format("NULL", "0;-0;0;\\N\\e\\a\\n\\t"), "'Neant'"},    // four sections: Null
        {format("NULL", "0.00"), "Null"},
    });
    for (const auto& [name, yes, no] : {std::tuple{"Yes/No", "'Yes'", "'No'"},
                                        std::tuple{"True/False", "'True'", "'False'"},
                                        std::tuple{"On/Off", "'On'", "'Off'"}})
        expect({{format("5", name), yes}, {format("-1", name), yes}, {format("0", name), no}});
}

TEST_F(FormatFunctions, FrenchSettingsAndStringFormats)
{
    const LocaleScope locale("fr_FR.UTF-8");
    expect({
        {format(MY_DATE, "Long Date"), "'mercredi 27 janvier 1993'"}, {format(MY_DATE, "Short Date"), "'27/01/1993'"},
        {format(MY_TIME, "Long Time"), "'17:04:23'"}, {format(MY_TIME, "Short Time"), "'17:04'"},
        {format(MY_TIME, "Medium Time"), "'05:04 PM'"},
        {format("'1993-01-27 17:04:23'", "General Date"), "'27/01/1993 17:04:23'"},
        {format(MY_DATE, "General Date"), "'27/01/1993'"}, {format(MY_TIME, "General Date"), "'17:04:23'"},
        {"kv_format(" + MY_DATE + ")", "'27/01/1993'"},    // a date without a format: General Date
        {format(MY_DATE, "long date"), "'mercredi 27 janvier 1993'"},
        {"kv_format(1234.5)", "'1234,5'"}, {"kv_format(-459.65)", "'-459,65'"},
        {format("5459.4", "##,##0.00"), "'5" + NBSP + "459,40'"},
        {format("1234.5", "Currency"), "'1" + NBSP + "234,50" + NBSP + "€'"},
        {format("-1234.5", "Currency"), "'-1" + NBSP + "234,50" + NBSP + "€'"},
        {format("1234.5", "Standard"), "'1" + NBSP + "234,50'"}, {format("1234.5", "General Number"), "'1234,5'"},
        {format("'12,5'", "0.00"), "'12,50'"},       // a text that reads as a number
        {format("'abc'", "@@@@@"), "'  abc'"},      // filled from the right, spaces for @
        {format("'abc'", "!@@@@@"), "'abc  '"},     // from the left with !
        {format("'abc'", "&&&&&"), "'abc'"},        // & shows nothing
        {format("'5551234'", "@@@-@@@@"), "'555-1234'"}, {format("'été'", ">"), "'ÉTÉ'"},
        {format("''", "@;vide"), "'vide'"},         // the second section serves "" and Null
        {format("NULL", "@;vide"), "'vide'"}, {format("NULL", ">"), "Null"},
        {format("5", "Yes/No"), "'Oui'"}, {format("0", "True/False"), "'Faux'"}, {format("-1", "On/Off"), "'Actif'"},
    });
}

TEST_F(FormatFunctions, FormatNumberCurrencyPercentAndDateTime)
{
    {
        const LocaleScope locale("en_US.UTF-8");
        expect({
            {"kv_formatnumber(1234.5)", "'1,234.50'"}, {"kv_formatpercent(4.0 / 5)", "'80.00%'"},
            {"kv_formatcurrency(10456.45)", "'$10,456.45'"}, {"kv_formatcurrency(-2)", "'-$2.00'"},
            {"kv_formatnumber(1234.5678, 1)", "'1,234.6'"}, {"kv_formatnumber(0.5, 2, 0)", "'.50'"},
            {"kv_formatnumber(-3, 0, -2, -1)", "'(3)'"}, {"kv_formatnumber(1234.5, 2, -1, 0, 0)", "'1234.50'"},
            {"kv_formatnumber(NULL)", "Null"},
        });
    }
    const LocaleScope locale("fr_FR.UTF-8");
    expect({
        {"kv_formatnumber(1234.5)", "'1" + NBSP + "234,50'"},
        {"kv_formatcurrency(-1234.5)", "'-1" + NBSP + "234,50" + NBSP + "€'"}, {"kv_formatpercent(0.5)", "'50,00%'"},
        {"kv_formatdatetime('1993-01-27 17:04:23')", "'27/01/1993 17:04:23'"},
        {"kv_formatdatetime(" + MY_DATE + ", 0)", "'27/01/1993'"},
        {"kv_formatdatetime(" + MY_DATE + ", 1)", "'mercredi 27 janvier 1993'"},
        {"kv_formatdatetime(" + MY_DATE + ", 2)", "'27/01/1993'"},
        {"kv_formatdatetime(" + MY_TIME + ", 3)", "'17:04:23'"}, {"kv_formatdatetime(" + MY_TIME + ", 4)", "'17:04'"},
        {"kv_formatdatetime(NULL)", "Null"}, {"kv_formatdatetime(" + MY_DATE + ", 5)", badArgument("FormatDateTime")},
        {"kv_formatnumber('abc')", MISMATCH},
    });
}

}  // namespace
}  // namespace kervane::sql
