#pragma once
// The user's regional conventions as Access's functions apply them (Format, CStr, &, Str...).
// Day and month names are French; the decimal separator follows the user's locale.
#include <array>
#include <string>
#include <string_view>

namespace kervane::sql {

struct UserLocale {
    char decimal = ',';                 // decimal separator
    std::string thousands = "\u00A0";   // thousands separator (no-break space in French)
    std::string currencySymbol = "€";   // written after the amount, after a no-break space
    // Short date "dd/mm/yyyy", long date "dddd d mmmm yyyy", times "hh:nn:ss" (24 hours).
    std::array<std::string_view, 7> dayNames;         // Sunday first: "dimanche", "lundi"...
    std::array<std::string_view, 7> dayAbbreviations; // "dim.", "lun."...
    std::array<std::string_view, 12> monthNames;      // "janvier"...
    std::array<std::string_view, 12> monthAbbreviations;  // "janv.", "févr."...
    std::string trueText = "Vrai";
    std::string falseText = "Faux";
};

// The conventions for the current environment: the decimal separator is ',' when the user's
// locale (LC_ALL, else LC_NUMERIC, else LANG) names a language that writes decimals with a
// comma, '.' otherwise (and for "C"/"POSIX" or nothing set). Read again at each call, so a
// test may change the environment.
UserLocale userLocale();

}  // namespace kervane::sql
