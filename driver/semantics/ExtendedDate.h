#pragma once
// Dates of Access's "Date/Time Extended" type: years 1 to 9999 of the Gregorian calendar, seconds
// with seven digits of fraction (100 ns). Inside SQLite such a date travels as "yyyy-mm-dd
// hh:mm:ss", followed, when its fraction is not zero, by '.' and the fraction's digits without
// trailing zeros: two such texts compare as their dates do, and a date without fraction equals
// the same date of an ordinary Date/Time column.
#include "driver/semantics/DateText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::sql {

struct ExtendedDate {
    DateParts parts;
    int ticks = 0;  // the fraction of the second, in 100 ns (0 to 9,999,999)
};

// Whether a column's declared type ("DATETIME2", any case, its first letters) is that of an
// extended date.
bool declaresExtendedDate(std::string_view declared);
// Whether the parts are a day and a time of the years 1 to 9999.
bool isExtendedDate(const DateParts& parts);

// "yyyy-mm-dd", "yyyy-mm-dd hh:mm", "yyyy-mm-dd hh:mm:ss", that with a fraction of 1 to 7 digits;
// 'T' may stand for the space. None for any other text or an impossible date.
std::optional<ExtendedDate> readExtendedDate(std::string_view text);
// The text of the date, as described above.
std::string extendedDateText(const ExtendedDate& date);

// Days from 0001-01-01 to the date's day, and back (0 to 3,652,058: 9999-12-31).
std::int64_t daysSinceYearOne(const DateParts& parts);
DateParts dateOfDaySinceYearOne(std::int64_t day);

}  // namespace kervane::sql
