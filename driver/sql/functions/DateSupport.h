#pragma once
// Shared by the date functions and Format: date arguments, calendar days, weeks.
#include "driver/semantics/DateText.h"

#include <sqlite3.h>

#include <optional>
#include <string_view>

namespace kervane::sql {

// A date value: a number is a serial, a text goes through readText. Nothing for NULL, a BLOB,
// an unreadable text or a serial out of the date range.
std::optional<double> serialFromValue(sqlite3_value* value, std::optional<double> (*readText)(std::string_view));
// A text read as CDate reads it for a French user (the canonical form included).
std::optional<double> dateFromValue(sqlite3_value* value);
// The same for a computation: an unreadable value reports a type mismatch (NULL included, so
// callers deal with NULL first), then the caller just returns.
std::optional<double> readDate(sqlite3_context* context, sqlite3_value* value);
// Sends a serial as the canonical text; a serial out of the date range reports an overflow.
void resultDate(sqlite3_context* context, double serial);

constexpr int SECONDS_PER_DAY = 86400;

// A serial cut into its calendar day (days from 1899-12-30) and its second of the day.
struct Moment {
    DateParts parts;
    long long day = 0;
    int second = 0;
};
Moment momentOf(double serial);
// Back to a serial: the day plus the time, with Access's sign rule for days before 1899-12-30.
double serialOf(long long day, double secondOfDay);
// The day number of a calendar date (no range check on the year beyond 1..9999).
long long dayOfDate(int year, int month, int day);
// a / b rounded toward minus infinity, so that days and seconds before 1899-12-30 fall in the
// right day, week or hour.
long long floorDivide(long long a, long long b);

// Weekday 1-7 counted from firstDay (1 = Sunday ... 7 = Saturday).
int weekdayOf(long long day, int firstDay);
// Week of the year 1-54 for a first day of the week and a first-week rule (1: the week of
// 1 January, 2: the first week with four days of the year, 3: the first full week).
int weekOfYear(long long day, int firstDay, int firstWeek);
int dayOfYear(const DateParts& parts);

// The user's settings behind vbUseSystem (0): a French week starts on Monday and its first
// week is the first one with four days.
constexpr int SYSTEM_FIRST_DAY = 2;
constexpr int SYSTEM_FIRST_WEEK = 2;
// The optional firstdayofweek (0-7) and firstweekofyear (0-3) arguments, 0 replaced by the
// system setting; a missing argument gives fallback. Reports a bad argument and returns nothing
// when out of range.
std::optional<int> readFirstDay(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                                int fallback, std::string_view functionName);
std::optional<int> readFirstWeek(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                                 int fallback, std::string_view functionName);

// Whether the argument count lies in [minimum, maximum]; reports a bad argument otherwise.
bool checkArgumentCount(sqlite3_context* context, int argc, int minimum, int maximum,
                        std::string_view functionName);

}  // namespace kervane::sql
