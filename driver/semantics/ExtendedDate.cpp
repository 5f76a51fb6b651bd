#include "driver/semantics/ExtendedDate.h"

#include "driver/semantics/Characters.h"

#include <cstdio>

namespace kervane::sql {

namespace extended_date {

constexpr std::size_t kFractionDigits = 7;

bool leapYear(std::int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int monthDays(std::int64_t y, int m)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Days from 0001-01-01 to the first of January of year y.
std::int64_t daysBeforeYear(std::int64_t y)
{
    const std::int64_t before = y - 1;
    return before * 365 + before / 4 - before / 100 + before / 400;
}

// Reads `count` digits at `at` and moves past them.
bool readNumber(std::string_view text, std::size_t& at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += count;
    return true;
}

bool accept(std::string_view text, std::size_t& at, std::string_view marks)
{
    if (at >= text.size() || marks.find(text[at]) == std::string_view::npos)
        return false;
    ++at;
    return true;
}

// The time after the date: "hh:mm", "hh:mm:ss" or that with a fraction.
bool readTime(std::string_view text, std::size_t& at, ExtendedDate& date)
{
    DateParts& p = date.parts;
    if (!readNumber(text, at, 2, p.hour) || !accept(text, at, ":") || !readNumber(text, at, 2, p.minute))
        return false;
    if (at == text.size())
        return true;
    if (!accept(text, at, ":") || !readNumber(text, at, 2, p.second))
        return false;
    if (at == text.size())
        return true;
    const std::size_t digits = text.size() - at - 1;
    if (!accept(text, at, ".") || digits == 0 || digits > kFractionDigits || !readNumber(text, at, digits, date.ticks))
        return false;
    for (std::size_t i = digits; i < kFractionDigits; ++i)
        date.ticks *= 10;
    return true;
}

}  // namespace extended_date

using namespace extended_date;

std::optional<ExtendedDate> readExtendedDate(std::string_view text)
{
    ExtendedDate date;
    DateParts& p = date.parts;
    p = {0, 0, 0, 0, 0, 0};
    std::size_t at = 0;
    if (!readNumber(text, at, 4, p.year) || !accept(text, at, "-") || !readNumber(text, at, 2, p.month) ||
        !accept(text, at, "-") || !readNumber(text, at, 2, p.day))
        return std::nullopt;
    if (at < text.size() && (!accept(text, at, " T") || !readTime(text, at, date)))
        return std::nullopt;
    if (!isExtendedDate(p))
        return std::nullopt;
    return date;
}

bool declaresExtendedDate(std::string_view declared)
{
    constexpr std::string_view kWord = "DATETIME2";
    return declared.size() >= kWord.size() && equalIgnoringAsciiCase(declared.substr(0, kWord.size()), kWord);
}

bool isExtendedDate(const DateParts& p)
{
    return p.year >= 1 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
           p.day <= monthDays(p.year, p.month) && p.hour >= 0 && p.hour <= 23 && p.minute >= 0 && p.minute <= 59 &&
           p.second >= 0 && p.second <= 59;
}

std::string extendedDateText(const ExtendedDate& date)
{
    std::string text = canonicalDate(date.parts);
    if (date.ticks > 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, ".%07d", date.ticks);
        text += digits;
        text.erase(text.find_last_not_of('0') + 1);
    }
    return text;
}

std::int64_t daysSinceYearOne(const DateParts& parts)
{
    std::int64_t days = daysBeforeYear(parts.year);
    for (int month = 1; month < parts.month; ++month)
        days += monthDays(parts.year, month);
    return days + parts.day - 1;
}

DateParts dateOfDaySinceYearOne(std::int64_t day)
{
    std::int64_t year = day / 366 + 1;  // never past the date's year, a few years before it at most
    while (daysBeforeYear(year + 1) <= day)
        ++year;
    day -= daysBeforeYear(year);
    int month = 1;
    while (day >= monthDays(year, month))
        day -= monthDays(year, month++);
    return {static_cast<int>(year), month, static_cast<int>(day) + 1, 0, 0, 0};
}

}  // namespace kervane::sql
