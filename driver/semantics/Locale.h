#pragma once
// The user's regional conventions as Access's functions apply them (Format, CStr, CDate, &,
// FormatCurrency…): French or English (United States) ones, all taken from one locale.
#include <array>
#include <string>
#include <string_view>

namespace kervane::sql {

struct UserLocale {
    char decimal = ',';                 // decimal separator
    std::string_view thousands;         // thousands separator
    std::string_view currencyBefore;    // the currency symbol and its space, before or after the amount
    std::string_view currencyAfter;
    bool monthFirst = false;            // a numeric date is read month first (m/d/y), else day first
    // The named date and time formats, as Format patterns.
    std::string_view shortDate, longDate, mediumDate, longTime, mediumTime, shortTime;
    std::array<std::string_view, 7> dayNames;            // Sunday first
    std::array<std::string_view, 7> dayAbbreviations;
    std::array<std::string_view, 12> monthNames;
    std::array<std::string_view, 12> monthAbbreviations;
    std::string_view trueText, falseText, yesText, noText, onText, offText;
};

// The conventions of the user's locale, the first of LC_ALL, LC_NUMERIC, LC_TIME and LANG that
// is set: English (United States) ones for an English locale ("en…"), French ones for any other
// (a French program's own, also for "C", "POSIX" or nothing set). Read again at each call, so a
// test may change the environment.
UserLocale userLocale();

}  // namespace kervane::sql
