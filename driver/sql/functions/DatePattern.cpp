// Date and time patterns of Format, and the named date formats of the user's locale (for a
// French user: short date dd/mm/yyyy, long date "mercredi 27 janvier 1993", times on 24 hours).
#include "driver/sql/functions/DateSupport.h"
#include "driver/sql/functions/FormatSupport.h"
#include "driver/semantics/Locale.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <utility>

namespace kervane::sql {
namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string number(int value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

// How many times the letter at position i repeats (without regard to case).
std::size_t runLength(std::string_view pattern, std::size_t i)
{
    std::size_t end = i + 1;
    while (end < pattern.size() && lower(pattern[end]) == lower(pattern[i]))
        ++end;
    return end - i;
}

bool startsWithName(std::string_view text, std::string_view name)
{
    return text.size() >= name.size() && sameFormatName(text.substr(0, name.size()), name);
}

// The AM/PM markers: their length at position i, or 0.
std::size_t meridiemLength(std::string_view pattern, std::size_t i)
{
    const std::string_view rest = pattern.substr(i);
    if (startsWithName(rest, "am/pm"))
        return 5;
    if (startsWithName(rest, "ampm"))
        return 4;
    if (startsWithName(rest, "a/p"))
        return 3;
    return 0;
}

// Whether the pattern (outside quotes and escapes) asks for the 12-hour clock.
bool usesTwelveHours(std::string_view pattern)
{
    bool found = false;
    forEachPatternCharacter(pattern, [&](std::size_t i) {
        found = meridiemLength(pattern, i) > 0;
        return !found;
    });
    return found;
}

// One UTF-8 character from position i.
std::size_t characterLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - i);
}

class DateWriter {
public:
    DateWriter(double serial, int firstDay, int firstWeek)
        : m_serial(serial), m_moment(momentOf(serial)), m_firstDay(firstDay), m_firstWeek(firstWeek),
          m_locale(userLocale())
    {
    }

    std::string write(std::string_view pattern)
    {
        std::string out;
        const bool twelveHours = usesTwelveHours(pattern);
        bool afterHour = false;
        std::size_t i = 0;
        while (i < pattern.size()) {
            const char c = lower(pattern[i]);
            std::size_t used = 1;
            bool token = true;
            bool hour = false;
            if (pattern[i] == '"') {
                const auto close = pattern.find('"', i + 1);
                const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
                out.append(pattern.substr(i + 1, end - i - 1));
                used = end + 1 - i;
                token = false;
            } else if (pattern[i] == '\\' && i + 1 < pattern.size()) {
                const std::size_t length = characterLength(pattern, i + 1);
                out.append(pattern.substr(i + 1, length));
                used = 1 + length;
                token = false;
            } else if (const std::size_t marker = meridiemLength(pattern, i); marker > 0) {
                out += meridiem(pattern.substr(i, marker));
                used = marker;
            } else if (c == 'a' && runLength(pattern, i) >= 4) {
                out += m_locale.dayNames[weekIndex()];
                used = 4;
            } else if (c == 'o' && runLength(pattern, i) >= 4) {
                out += m_locale.monthNames[monthIndex()];
                used = 4;
            } else if (c == 'h') {
                used = std::min<std::size_t>(runLength(pattern, i), 2);
                out += number(twelveHours ? (m_moment.parts.hour + 11) % 12 + 1 : m_moment.parts.hour,
                              static_cast<int>(used));
                hour = true;
            } else if (c == 'm' && afterHour && runLength(pattern, i) <= 2) {
                used = runLength(pattern, i);
                out += number(m_moment.parts.minute, static_cast<int>(used));
            } else if (std::string_view("dwmqynsct").find(c) != std::string_view::npos) {
                used = writeLetter(out, pattern, i);
                token = used > 0;
                if (used == 0) {
                    out += pattern[i];
                    used = 1;
                }
            } else {
                // '/' and ':' are the French separators themselves; '%' only marks a lone letter.
                if (pattern[i] != '%')
                    out += pattern[i];
                token = false;
            }
            if (token)
                afterHour = hour;
            i += used;
        }
        return out;
    }

private:
    std::size_t weekIndex() const { return static_cast<std::size_t>(weekdayOf(m_moment.day, 1) - 1); }
    std::size_t monthIndex() const { return static_cast<std::size_t>(m_moment.parts.month - 1); }

    std::string meridiem(std::string_view marker) const
    {
        const bool morning = m_moment.parts.hour < 12;
        if (marker.size() == 5)
            return std::string(marker.substr(morning ? 0 : 3, 2));
        if (marker.size() == 3)
            return std::string(1, marker[morning ? 0 : 2]);
        return morning ? "AM" : "PM";
    }

    // The letters d w m q y n s c t; returns the characters used, 0 for a plain letter.
    std::size_t writeLetter(std::string& out, std::string_view pattern, std::size_t i)
    {
        const DateParts& p = m_moment.parts;
        const std::size_t run = runLength(pattern, i);
        switch (lower(pattern[i])) {
        case 'd':
            switch (std::min<std::size_t>(run, 6)) {
            case 1: out += number(p.day, 1); return 1;
            case 2: out += number(p.day, 2); return 2;
            case 3: out += m_locale.dayAbbreviations[weekIndex()]; return 3;
            case 4: out += m_locale.dayNames[weekIndex()]; return 4;
            case 5: out += DateWriter(*this).write(m_locale.shortDate); return 5;
            default: out += DateWriter(*this).write(m_locale.longDate); return 6;
            }
        case 'w':
            if (run >= 2) {
                out += number(weekOfYear(m_moment.day, m_firstDay, m_firstWeek), 1);
                return 2;
            }
            out += number(weekdayOf(m_moment.day, m_firstDay), 1);
            return 1;
        case 'm':
            if (run >= 4) {
                out += m_locale.monthNames[monthIndex()];
                return 4;
            }
            if (run == 3) {
                out += m_locale.monthAbbreviations[monthIndex()];
                return 3;
            }
            out += number(p.month, static_cast<int>(run));
            return run;
        case 'q': out += number((p.month - 1) / 3 + 1, 1); return 1;
        case 'y':
            if (run >= 4) {
                out += number(p.year, 1);
                return 4;
            }
            if (run >= 2) {
                out += number(p.year % 100, 2);
                return 2;
            }
            out += number(dayOfYear(p), 1);
            return 1;
        case 'n': out += number(p.minute, static_cast<int>(std::min<std::size_t>(run, 2))); return std::min<std::size_t>(run, 2);
        case 's': out += number(p.second, static_cast<int>(std::min<std::size_t>(run, 2))); return std::min<std::size_t>(run, 2);
        case 'c': out += generalDate(m_serial); return 1;
        case 't':
            if (run < 5)
                return 0;
            out += DateWriter(*this).write(m_locale.longTime);
            return 5;
        default:
            return 0;
        }
    }

    double m_serial;
    Moment m_moment;
    int m_firstDay;
    int m_firstWeek;
    UserLocale m_locale;
};

// The pattern of a named date format in the user's locale; empty for General Date.
std::optional<std::string_view> namedDatePattern(std::string_view name, const UserLocale& locale)
{
    const std::pair<std::string_view, std::string_view> named[] = {
        {"General Date", {}},
        {"Long Date", locale.longDate},
        {"Medium Date", locale.mediumDate},
        {"Short Date", locale.shortDate},
        {"Long Time", locale.longTime},
        {"Medium Time", locale.mediumTime},
        {"Short Time", locale.shortTime},
    };
    for (const auto& [known, pattern] : named)
        if (sameFormatName(known, name))
            return pattern;
    return std::nullopt;
}

}  // namespace

bool sameFormatName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string formatDatePattern(double serial, std::string_view pattern, int firstDay, int firstWeek)
{
    return DateWriter(serial, firstDay, firstWeek).write(pattern);
}

std::string generalDate(double serial)
{
    const UserLocale locale = userLocale();
    const Moment moment = momentOf(serial);
    if (moment.day == 0)
        return formatDatePattern(serial, locale.longTime, 1, 1);
    if (moment.second == 0)
        return formatDatePattern(serial, locale.shortDate, 1, 1);
    return formatDatePattern(serial, locale.shortDate, 1, 1) + ' ' + formatDatePattern(serial, locale.longTime, 1, 1);
}

bool isNamedDateFormat(std::string_view name)
{
    return namedDatePattern(name, userLocale()).has_value();
}

std::optional<std::string> namedDateFormat(std::string_view name, double serial)
{
    const std::optional<std::string_view> pattern = namedDatePattern(name, userLocale());
    if (!pattern)
        return std::nullopt;
    return pattern->empty() ? generalDate(serial) : formatDatePattern(serial, *pattern, 1, 1);
}

}  // namespace kervane::sql
