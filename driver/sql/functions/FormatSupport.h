#pragma once
// The engines behind Format and its kin: date patterns, number patterns, text patterns and
// the named formats, with the user's conventions (Locale.h).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql {

// ---- Patterns ----------------------------------------------------------------------------
// Calls visit(position) for every character outside quotes and escapes, until visit returns
// false.
template <typename Visit>
void forEachPatternCharacter(std::string_view format, Visit visit)
{
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '"') {
            const auto close = format.find('"', i + 1);
            i = close == std::string_view::npos ? format.size() : close;
        } else if (format[i] == '\\') {
            ++i;
        } else if (!visit(i)) {
            return;
        }
    }
}

// A quoted run or a backslash-escaped character at position i of a pattern: the literal text
// and how many pattern characters it takes. Nothing for any other character.
struct PatternLiteral {
    std::string_view text;
    std::size_t length = 0;
};
std::optional<PatternLiteral> patternLiteral(std::string_view pattern, std::size_t i);

// The sections of a format, cut at the ';' that stand outside quotes and escapes.
std::vector<std::string_view> formatSections(std::string_view format);

enum class PatternKind {
    Number,   // has digit placeholders 0 or #
    Text,     // has @ & < > or !
    Date,     // has date or time letters
    Literal,  // none of these: only literal characters
};
PatternKind patternKind(std::string_view format);

// ---- Dates -------------------------------------------------------------------------------
// A serial through a user-defined date/time pattern; firstDay (1 = Sunday) and firstWeek
// (1-3) serve w and ww.
std::string formatDatePattern(double serial, std::string_view pattern, int firstDay, int firstWeek);
// General Date: the short date and/or the long time.
std::string generalDate(double serial);
// A named date format (General Date, Long Date, Medium Date, Short Date, Long Time, Medium Time,
// Short Time); nothing when the name is none of these.
std::optional<std::string> namedDateFormat(std::string_view name, double serial);
bool isNamedDateFormat(std::string_view name);

// ---- Numbers -----------------------------------------------------------------------------
// The decimal digits of value >= 0 rounded to a number of decimals, ties away from zero, read
// on the 15 significant digits a Double carries: integer digits without leading zeros ("" for
// a value below 1), then exactly `decimals` fraction digits.
struct DecimalDigits {
    std::string integer;
    std::string fraction;
};
DecimalDigits decimalDigits(double value, int decimals);
std::string groupThousands(std::string_view digits, std::string_view separator);

// A number through a user-defined numeric format with its sections; value nothing means
// Null, which only a fourth section can show (nothing is returned otherwise).
std::optional<std::string> formatNumberPattern(std::optional<double> value, std::string_view format);

// FormatNumber's choices; the defaults are the user's regional settings.
struct NumberStyle {
    int decimals = 2;
    bool leadingZero = true;
    bool parentheses = false;
    bool grouping = true;
};
std::string styledNumber(double value, const NumberStyle& style);
// The amount with the currency symbol after a no-break space: "1 234,50 €", "-1 234,50 €".
std::string currencyText(double value, const NumberStyle& style);
std::string percentText(double value, const NumberStyle& style);
// A named numeric format (General Number, Currency, Fixed, Standard, Percent, Scientific,
// Yes/No, True/False, On/Off); nothing when the name is none of these.
std::optional<std::string> namedNumberFormat(std::string_view name, double value);
bool isNamedNumberFormat(std::string_view name);

// ---- Texts -------------------------------------------------------------------------------
// A text through a user-defined string format (@ & < > !, two sections: the text, then Null
// or ""); text nothing means Null, shown only by a second section (nothing returned otherwise).
std::optional<std::string> formatTextPattern(std::optional<std::string_view> text, std::string_view format);

// Case-insensitive comparison of ASCII names ("long date" == "Long Date").
bool sameFormatName(std::string_view a, std::string_view b);

}  // namespace kervane::sql
