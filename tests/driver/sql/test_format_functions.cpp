// Format and its kin on SQLite. Under the C locale the VBA reference's own examples (written
// for US settings) hold, with French day and month names; under a French locale the decimal
// comma, the no-break space between thousands and the euro after the amount apply.
#include "FunctionTestSupport.h"

#include <tuple>

namespace kervane::sql {
namespace {

class FormatFunctions : public FunctionTest<registerDateFunctions> {};

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

TEST_F(FormatFunctions, ReferenceExamplesWithUsSettings)
{
    const LocaleScope locale("C");
    expectTexts({
        {format(MY_TIME, "h:m:s"), "17:4:23"},
        {format(MY_TIME, "hh:mm:ss am/pm"), "05:04:23 pm"},
        {format(MY_TIME, "hh:mm:ss AM/PM"), "05:04:23 PM"},
        {format(MY_DATE, "dddd, mmm d yyyy"), "mercredi, janv. 27 1993"},  // "Wednesday, Jan 27 1993"
        {"kv_format(23)", "23"},
        {format("5459.4", "##,##0.00"), "5,459.40"},
        {format("334.9", "###0.00"), "334.90"},
        {format("5", "0.00%"), "500.00%"},
        {format("'HELLO'", "<"), "hello"},
        {format("'This is it'", ">"), "THIS IS IT"},
        {format("1234.5", "Fixed"), "1234.50"},
        {format("1234.5", "Standard"), "1,234.50"},
        {format("0.5", "Percent"), "50.00%"},
        {format("100000000", "##0,,"), "100"},   // scaled by a million
        {format("400000", "##0,,"), "0"},        // below a million
    });
}

TEST_F(FormatFunctions, UserDefinedDateFormats)
{
    const LocaleScope locale("C");
    expectTexts({
        {format(DEC_7_1958, "m/d/yy"), "12/7/58"},
        {format(DEC_7_1958, "d-mmm"), "7-déc."},
        {format(DEC_7_1958, "d-mmmm-yy"), "7-décembre-58"},
        {format(DEC_7_1958, "hh:mm AM/PM"), "08:50 PM"},
        {format(DEC_7_1958, "h:mm:ss a/p"), "8:50:35 p"},
        {format(DEC_7_1958, "h:mm"), "20:50"},
        {format(DEC_7_1958, "m/d/yy h:mm"), "12/7/58 20:50"},
        // Letters of the date symbol tables.
        {format(MY_DATE, "w"), "4"},              // Wednesday, Sunday = 1
        {"kv_format(" + MY_DATE + ", 'w', 2)", "3"},   // first day Monday
        {format(MY_DATE, "ww"), "5"},
        {format("'1993-01-01'", "ww"), "1"},
        {format(MY_DATE, "q"), "1"},
        {format(MY_DATE, "y"), "27"},
        {format(MY_DATE, "dd/mm/yy"), "27/01/93"},
        {format(MY_DATE, "ddd"), "mer."},
        {format(MY_DATE, "ddddd"), "27/01/1993"},
        {format(MY_DATE, "dddddd"), "mercredi 27 janvier 1993"},
        {format(MY_TIME, "ttttt"), "17:04:23"},
        {format(MY_TIME, "nn\\m\\i\\n"), "04min"},
        {format(MY_DATE, "\"le\" d"), "le 27"},
        {format("'1993-01-27 17:04:23'", "c"), "27/01/1993 17:04:23"},
        {format(MY_DATE, "c"), "27/01/1993"},     // no fraction: the date only
        {format(MY_TIME, "c"), "17:04:23"},       // no whole part: the time only
        {format("33996", "dd/mm/yyyy"), "27/01/1993"},   // a serial number through a date format
        {format("'27/01/1993'", "yyyy"), "1993"},        // a text CDate reads
        {format("NULL", "dd/mm/yyyy"), std::nullopt},
    });
}

TEST_F(FormatFunctions, NamedDateFormatsFollowTheFrenchSettings)
{
    const LocaleScope locale("fr_FR.UTF-8");
    expectTexts({
        {format(MY_DATE, "Long Date"), "mercredi 27 janvier 1993"},
        {format(MY_DATE, "Short Date"), "27/01/1993"},
        {format(MY_TIME, "Long Time"), "17:04:23"},
        {format(MY_TIME, "Short Time"), "17:04"},
        {format(MY_TIME, "Medium Time"), "05:04 PM"},
        {format("'1993-01-27 17:04:23'", "General Date"), "27/01/1993 17:04:23"},
        {format(MY_DATE, "General Date"), "27/01/1993"},
        {format(MY_TIME, "General Date"), "17:04:23"},
        {"kv_format(" + MY_DATE + ")", "27/01/1993"},    // a date without a format: General Date
        {format(MY_DATE, "long date"), "mercredi 27 janvier 1993"},
    });
}

TEST_F(FormatFunctions, NumbersWithTheFrenchSeparators)
{
    const LocaleScope locale("fr_FR.UTF-8");
    expectTexts({
        {"kv_format(1234.5)", "1234,5"},
        {"kv_format(-459.65)", "-459,65"},
        {format("5459.4", "##,##0.00"), "5" + NBSP + "459,40"},
        {format("1234.5", "Currency"), "1" + NBSP + "234,50" + NBSP + "€"},
        {format("-1234.5", "Currency"), "-1" + NBSP + "234,50" + NBSP + "€"},
        {format("1234.5", "Standard"), "1" + NBSP + "234,50"},
        {format("1234.5", "General Number"), "1234,5"},
        {format("'12,5'", "0.00"), "12,50"},       // a text that reads as a number
    });
}

TEST_F(FormatFunctions, NumberFormatRules)
{
    const LocaleScope locale("C");
    expectTexts({
        {format("0.5", "#.##"), ".5"},             // only # left of the point: no leading zero
        {format("0.5", "0.##"), "0.5"},
        {format("12345", "0"), "12345"},           // extra digits shown as they are
        {format("7", "000"), "007"},
        {format("1234567", "#,##0"), "1,234,567"},
        {format("1234.5", "Scientific"), "1.23E+03"},
        {format("0.05", "0.0E-00"), "5.0E-02"},
        {format("5000", "0.0e-00"), "5.0e03"},     // E- shows only a minus
        {format("5", "\\$0"), "$5"},
        {format("5", "\"n° \"0"), "n° 5"},
        {format("0", "$#,##0;;\\Z\\e\\r\\o"), "Zero"},   // an empty section takes the first one
        {format("0", "0;-0;\\n\\u\\l"), "nul"},           // three sections: zero
        {format("NULL", "0;-0;0;\\N\\e\\a\\n\\t"), "Neant"},    // four sections: Null
        {format("NULL", "0.00"), std::nullopt},
    });
    for (const auto& [name, yes, no] : {std::tuple{"Yes/No", "Oui", "Non"}, std::tuple{"True/False", "Vrai", "Faux"},
                                        std::tuple{"On/Off", "Actif", "Inactif"}})
        expectTexts({{format("5", name), yes}, {format("-1", name), yes}, {format("0", name), no}});
}

TEST_F(FormatFunctions, StringFormats)
{
    expectTexts({
        {format("'abc'", "@@@@@"), "  abc"},      // filled from the right, spaces for @
        {format("'abc'", "!@@@@@"), "abc  "},     // from the left with !
        {format("'abc'", "&&&&&"), "abc"},        // & shows nothing
        {format("'5551234'", "@@@-@@@@"), "555-1234"},
        {format("'été'", ">"), "ÉTÉ"},
        {format("''", "@;vide"), "vide"},         // the second section serves "" and Null
        {format("NULL", "@;vide"), "vide"},
        {format("NULL", ">"), std::nullopt},
    });
}

TEST_F(FormatFunctions, FormatNumberCurrencyPercentAndDateTime)
{
    {
        const LocaleScope locale("C");
        expectTexts({
            {"kv_formatnumber(1234.5)", "1,234.50"},
            {"kv_formatpercent(4.0 / 5)", "80.00%"},
            {"kv_formatcurrency(10456.45)", "10,456.45" + NBSP + "€"},
            {"kv_formatnumber(1234.5678, 1)", "1,234.6"},
            {"kv_formatnumber(0.5, 2, 0)", ".50"},
            {"kv_formatnumber(-3, 0, -2, -1)", "(3)"},
            {"kv_formatnumber(1234.5, 2, -1, 0, 0)", "1234.50"},
            {"kv_formatnumber(NULL)", std::nullopt},
        });
    }
    const LocaleScope locale("fr_FR.UTF-8");
    expectTexts({
        {"kv_formatnumber(1234.5)", "1" + NBSP + "234,50"},
        {"kv_formatcurrency(-1234.5)", "-1" + NBSP + "234,50" + NBSP + "€"},
        {"kv_formatpercent(0.5)", "50,00%"},
        {"kv_formatdatetime('1993-01-27 17:04:23')", "27/01/1993 17:04:23"},
        {"kv_formatdatetime(" + MY_DATE + ", 0)", "27/01/1993"},
        {"kv_formatdatetime(" + MY_DATE + ", 1)", "mercredi 27 janvier 1993"},
        {"kv_formatdatetime(" + MY_DATE + ", 2)", "27/01/1993"},
        {"kv_formatdatetime(" + MY_TIME + ", 3)", "17:04:23"},
        {"kv_formatdatetime(" + MY_TIME + ", 4)", "17:04"},
        {"kv_formatdatetime(NULL)", std::nullopt},
    });
    expectErrors({
        {"kv_formatdatetime(" + MY_DATE + ", 5)", badArgument("FormatDateTime")},
        {"kv_formatnumber('abc')", "[22018]Type de données incompatible dans l'expression."},
    });
}

}  // namespace
}  // namespace kervane::sql
