#include "driver/semantics/DateText.h"

#include "driver/semantics/Characters.h"

#include <cmath>
#include <cstdio>

namespace kervane::sql {
namespace {

constexpr long long EPOCH_SHIFT = 25569;  // days from 1899-12-30 to 1970-01-01
constexpr double FIRST_SERIAL = -657434.0;  // 0100-01-01
constexpr double LAST_SERIAL = 2958465.0;   // 9999-12-31
constexpr int SECONDS_PER_DAY = 86400;

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : DAYS[month - 1];
}

// Days from 1899-12-30 of a proleptic Gregorian date (the civil-calendar algorithm on
// 400-year eras).
long long dayNumber(int year, int month, int day)
{
    const long long y = month <= 2 ? year - 1 : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + EPOCH_SHIFT;
}

void calendarDate(long long number, int& year, int& month, int& day)
{
    const long long z = number - EPOCH_SHIFT + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// A strict reader of fixed-shape texts (canonical form, ODBC escapes, stored dates).
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos == m_text.size(); }
    bool atDigit() const { return !atEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; }
    bool accept(char c) { return acceptAny(std::string_view(&c, 1)); }
    // One of the characters of choices.
    bool acceptAny(std::string_view choices)
    {
        if (atEnd() || choices.find(m_text[m_pos]) == std::string_view::npos)
            return false;
        ++m_pos;
        return true;
    }
    // A run of minCount to maxCount digits.
    std::optional<int> number(int minCount, int maxCount)
    {
        int value = 0;
        int count = 0;
        while (count < maxCount && atDigit()) {
            value = value * 10 + (m_text[m_pos] - '0');
            ++m_pos;
            ++count;
        }
        if (count < minCount)
            return std::nullopt;
        return value;
    }
    // The same, then the separator.
    std::optional<int> numberThen(int minCount, int maxCount, char separator)
    {
        const auto value = number(minCount, maxCount);
        return value && accept(separator) ? value : std::nullopt;
    }
    // ".fff": the fraction of a second, skipped (dates keep whole seconds).
    bool skipFraction()
    {
        if (!accept('.'))
            return true;
        bool any = false;
        while (atDigit()) {
            ++m_pos;
            any = true;
        }
        return any;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// "h:mm[:ss]" (hour digits hourDigits or fewer, at least minHourDigits) into parts;
// seconds are required when withSeconds is true.
bool scanTime(Scanner& scanner, DateParts& parts, int minHourDigits, bool withSeconds)
{
    const auto hour = scanner.numberThen(minHourDigits, 2, ':');
    const auto minute = hour ? scanner.number(2, 2) : std::nullopt;
    if (!minute)
        return false;
    parts.hour = *hour;
    parts.minute = *minute;
    parts.second = 0;
    if (scanner.accept(':')) {
        const auto second = scanner.number(2, 2);
        if (!second)
            return false;
        parts.second = *second;
    } else if (withSeconds) {
        return false;
    }
    return true;
}

// "yyyy-m-d" with the given digit counts for month and day.
bool scanIsoDate(Scanner& scanner, DateParts& parts, int minDigits)
{
    const auto year = scanner.numberThen(4, 4, '-');
    const auto month = year ? scanner.numberThen(minDigits, 2, '-') : std::nullopt;
    const auto day = month ? scanner.number(minDigits, 2) : std::nullopt;
    if (!day)
        return false;
    parts = {*year, *month, *day, 0, 0, 0};
    return true;
}

// "yyyy-mm-dd", then a time after one of timeMarks; month, day and hour have minDigits
// digits at least, and seconds may carry a fraction when withFraction is true.
std::optional<double> readIso(std::string_view text, int minDigits, std::string_view timeMarks, bool withFraction)
{
    Scanner scanner(text);
    DateParts parts{};
    if (!scanIsoDate(scanner, parts, minDigits))
        return std::nullopt;
    if (scanner.acceptAny(timeMarks)
        && (!scanTime(scanner, parts, minDigits, false) || (withFraction && !scanner.skipFraction())))
        return std::nullopt;
    return scanner.atEnd() ? serialFromParts(parts) : std::nullopt;
}

std::optional<double> readStoredDayFirst(std::string_view text)
{
    Scanner scanner(text);
    const auto day = scanner.numberThen(1, 2, '/');
    const auto month = day ? scanner.numberThen(1, 2, '/') : std::nullopt;
    const auto year = month ? scanner.number(4, 4) : std::nullopt;
    if (!year)
        return std::nullopt;
    DateParts parts{*year, *month, *day, 0, 0, 0};
    if (scanner.accept(' ') && !scanTime(scanner, parts, 1, false))
        return std::nullopt;
    return scanner.atEnd() ? serialFromParts(parts) : std::nullopt;
}

}  // namespace

std::optional<double> serialFromParts(const DateParts& parts)
{
    if (parts.year < 100 || parts.year > 9999 || parts.month < 1 || parts.month > 12 || parts.day < 1
        || parts.day > daysInMonth(parts.year, parts.month) || parts.hour < 0 || parts.hour > 23
        || parts.minute < 0 || parts.minute > 59 || parts.second < 0 || parts.second > 59)
        return std::nullopt;
    const auto days = static_cast<double>(dayNumber(parts.year, parts.month, parts.day));
    const double time = (parts.hour * 3600 + parts.minute * 60 + parts.second) / double(SECONDS_PER_DAY);
    return days >= 0 ? days + time : days - time;
}

DateParts partsFromSerial(double serial)
{
    if (!std::isfinite(serial))
        serial = 0;
    const double whole = std::trunc(serial);
    auto days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(serial - whole) * SECONDS_PER_DAY);
    if (seconds >= SECONDS_PER_DAY) {
        // The time rounds up to midnight: the next calendar day, whatever the serial's sign.
        seconds -= SECONDS_PER_DAY;
        ++days;
    }
    DateParts parts{};
    calendarDate(days, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return parts;
}

bool isSerialInRange(double serial)
{
    return serial > FIRST_SERIAL - 1 && serial < LAST_SERIAL + 1;
}

std::string canonicalDate(const DateParts& p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return text;
}

std::string canonicalDate(double serial)
{
    return canonicalDate(partsFromSerial(serial));
}

std::optional<double> readCanonical(std::string_view text)
{
    return readIso(text, 2, " ", false);
}

std::optional<double> readOdbcEscape(char kind, std::string_view text)
{
    text = trimmedBlanks(text);
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
        text = trimmedBlanks(text.substr(1, text.size() - 2));
    Scanner scanner(text);
    DateParts parts{1899, 12, 30, 0, 0, 0};
    bool read = false;
    switch (kind) {
    case 'd':
        read = scanIsoDate(scanner, parts, 1);
        break;
    case 't':
        read = scanTime(scanner, parts, 1, true);
        break;
    case 's':
        read = scanIsoDate(scanner, parts, 1) && scanner.accept(' ') && scanTime(scanner, parts, 1, true)
            && scanner.skipFraction();
        break;
    default:
        break;
    }
    return read && scanner.atEnd() ? serialFromParts(parts) : std::nullopt;
}

std::optional<double> readStoredDate(std::string_view text)
{
    text = trimmedBlanks(text);
    if (text.size() >= 2 && text.front() == '#' && text.back() == '#')
        return readDateLiteral(text.substr(1, text.size() - 2));
    if (const auto iso = readIso(text, 1, " T", true))
        return iso;
    return readStoredDayFirst(text);
}

}  // namespace kervane::sql
