// The date model and the readers of date texts: the serial numbers of the Date data type,
// Access SQL literals, ODBC escapes, the texts CDate reads for a French user, and the rule of
// what a date column accepts.
#include "driver/semantics/DateText.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kervane::sql {
namespace {

using Reader = std::optional<double> (*)(std::string_view);

// Each text must read as the canonical date given, or be refused.
void expectReadings(Reader read, std::initializer_list<std::pair<const char*, const char*>> cases)
{
    for (const auto& [text, expected] : cases) {
        const std::optional<double> serial = read(text);
        EXPECT_EQ(serial ? canonicalDate(*serial) : "refused", expected) << text;
    }
}

// The escape's letter, then its text.
std::optional<double> readEscape(std::string_view text) { return readOdbcEscape(text[0], text.substr(1)); }

TEST(DateText, SerialsCountDaysFrom30December1899WithTheTimeAsFraction)
{
    EXPECT_EQ(serialFromParts({1899, 12, 30, 0, 0, 0}), 0.0);
    EXPECT_EQ(serialFromParts({1899, 12, 31, 12, 0, 0}), 1.5);   // noon is .5
    EXPECT_EQ(serialFromParts({1899, 12, 29, 0, 0, 0}), -1.0);   // before the origin: negative
    EXPECT_EQ(serialFromParts({100, 1, 1, 0, 0, 0}), -657434.0);  // first date of the range
    EXPECT_EQ(serialFromParts({9999, 12, 31, 0, 0, 0}), 2958465.0);  // last date of the range
    for (const DateParts& outside : {DateParts{99, 12, 31, 0, 0, 0}, DateParts{10000, 1, 1, 0, 0, 0},
                                     DateParts{2023, 2, 29, 0, 0, 0}, DateParts{2024, 4, 31, 0, 0, 0},
                                     DateParts{2024, 1, 1, 24, 0, 0}, DateParts{2024, 13, 1, 0, 0, 0}})
        EXPECT_FALSE(serialFromParts(outside).has_value()) << outside.year << '-' << outside.month << '-' << outside.day;
    EXPECT_TRUE(serialFromParts({2024, 2, 29, 23, 59, 59}).has_value());

    const DateParts noon = partsFromSerial(1.5);
    EXPECT_EQ(std::vector<int>({noon.year, noon.month, noon.day, noon.hour, noon.minute, noon.second}),
              std::vector<int>({1899, 12, 31, 12, 0, 0}));
    EXPECT_EQ(canonicalDate(0), "1899-12-30 00:00:00");
    EXPECT_EQ(canonicalDate(-657434), "0100-01-01 00:00:00");
    EXPECT_EQ(canonicalDate(2958465), "9999-12-31 00:00:00");
    EXPECT_TRUE(isSerialInRange(2958465.5));
    EXPECT_FALSE(isSerialInRange(2958466));
    EXPECT_FALSE(isSerialInRange(-657435));
}

TEST(DateText, CanonicalTextsEscapesAndDateColumnsAreStrict)
{
    expectReadings(readCanonical, {
        {"2024-05-17 10:11:12", "2024-05-17 10:11:12"}, {"2024-05-17 10:11", "2024-05-17 10:11:00"},
        {"2024-05-17", "2024-05-17 00:00:00"}, {"2024-5-17", "refused"}, {"17/05/2024", "refused"},
        {"2024-02-30", "refused"}, {" 2024-05-17", "refused"}, {"2024-05-17 10:11:12 ", "refused"},
    });
    expectReadings(readEscape, {
        {"d'2024-05-17'", "2024-05-17 00:00:00"}, {"d2024-05-17", "2024-05-17 00:00:00"},
        {"t'10:11:12'", "1899-12-30 10:11:12"}, {"s'2024-05-17 10:11:12'", "2024-05-17 10:11:12"},
        {"s'2024-05-17 10:11:12.250'", "2024-05-17 10:11:12"}, {"d'2024-05-17 10:11:12'", "refused"},
        {"t'2024-05-17'", "refused"}, {"s'17/05/2024 10:11:12'", "refused"}, {"x'2024-05-17'", "refused"},
    });
    expectReadings(readStoredDate, {
        {"2024-05-17", "2024-05-17 00:00:00"}, {"2024-5-7", "2024-05-07 00:00:00"},
        {"2024-05-17 10:30", "2024-05-17 10:30:00"}, {"2024-05-17 10:30:15", "2024-05-17 10:30:15"},
        {"2024-05-17T10:30:15", "2024-05-17 10:30:15"}, {"#5/17/2024#", "2024-05-17 00:00:00"},
        {"#5/17/2024 10:30:00#", "2024-05-17 10:30:00"}, {"17/05/2024", "2024-05-17 00:00:00"},
        {"17/05/2024 10:30", "2024-05-17 10:30:00"}, {"17/05/2024 10:30:15", "2024-05-17 10:30:15"},
        {"05/17/2024", "refused"},   // not a day-first date
        {"17 mai 2024", "refused"}, {"17-05-2024", "refused"}, {"2024-02-30", "refused"},
        {"hier", "refused"}, {"", "refused"},
    });
}

TEST(DateText, LiteralsReadMonthFirstAndMonthNames)
{
    expectReadings(readDateLiteral, {
        {"January 1, 1993", "1993-01-01 00:00:00"}, {"1 Jan 93", "1993-01-01 00:00:00"},
        {"2/12/1969", "1969-02-12 00:00:00"}, {"February 12, 1969", "1969-02-12 00:00:00"},
        {"2/1/2003", "2003-02-01 00:00:00"},       // US order whatever the user's locale
        {"4:45:23 PM", "1899-12-30 16:45:23"},     // a time alone is on day 0
        {"4:35:17 PM", "1899-12-30 16:35:17"},
        {"2004-12-20", "2004-12-20 00:00:00"},     // the universal form
        {"Dec 30, 1991", "1991-12-30 00:00:00"}, {"2/12/1969 16:35:17", "1969-02-12 16:35:17"},
        {"1/1/29", "2029-01-01 00:00:00"},         // two-digit years 0-29: 2000s
        {"1/1/30", "1930-01-01 00:00:00"},         // 30-99: 1900s
        {"13/32/2014", "refused"}, {"", "refused"}, {"Wednesday", "refused"},
    });
    // A literal without time is a whole number.
    EXPECT_EQ(readDateLiteral("2/12/1969"), 25246.0);
    EXPECT_NEAR(readDateLiteral("4:45:23 PM").value_or(0), (16 * 3600 + 45 * 60 + 23) / 86400.0, 1e-12);
}

TEST(DateText, UserTextsReadDayFirstWithFrenchOrEnglishMonths)
{
    const std::time_t now = std::time(nullptr);
    const std::string noYear = std::to_string(std::localtime(&now)->tm_year + 1900) + "-02-12 00:00:00";
    expectReadings(readUserDate, {
        {"2024-05-17 10:11:12", "2024-05-17 10:11:12"}, {"2024-05-17T10:11:12", "2024-05-17 10:11:12"},
        {"12/02/1969", "1969-02-12 00:00:00"}, {"12-02-1969", "1969-02-12 00:00:00"},
        {"12.02.1969", "1969-02-12 00:00:00"}, {"12/02/1969 16:35", "1969-02-12 16:35:00"},
        {"12/02/1969 16:35:17", "1969-02-12 16:35:17"}, {"12/02/69", "1969-02-12 00:00:00"},
        {"12 février 1969", "1969-02-12 00:00:00"}, {"12 FÉVRIER 1969", "1969-02-12 00:00:00"},
        {"February 12, 1969", "1969-02-12 00:00:00"},     // CDate's example
        {"Dec 30, 1991", "1991-12-30 00:00:00"},          // DateValue's example
        {"31-Jan-95", "1995-01-31 00:00:00"},             // DateAdd's example
        {"1 févr. 2020", "2020-02-01 00:00:00"},
        {"12/02", noYear.c_str()},              // no year: this year
        {"4:35:17 PM", "1899-12-30 16:35:17"},            // TimeValue's examples
        {"2:24PM", "1899-12-30 14:24:00"}, {"14:24", "1899-12-30 14:24:00"},
        {"89:98", "refused"},                          // invalid time text
        {"mercredi 27 janvier 1993", "refused"},       // a weekday name is refused
        // IsDate's examples that hold for a day-first reader.
        {"April 28, 2014", "2014-04-28 00:00:00"}, {"13/32/2014", "refused"},
        {"04.28.14", "1899-12-30 04:28:14"},              // read as a time
        {"04.28.2014", "refused"}, {"abc", "refused"}, {"12", "refused"},
    });
}

}  // namespace
}  // namespace kervane::sql
