// Numbers through Format's user-defined numeric formats, FormatNumber's styles and the named
// numeric formats, with the user's decimal and thousands separators.
#include "driver/sql/functions/FormatSupport.h"
#include "driver/sql/functions/FunctionSupport.h"
#include "driver/semantics/Locale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kervane::sql {
namespace {

constexpr std::string_view NO_BREAK_SPACE = "\u00A0";

// value = 0.digits x 10^point, digits without a leading zero.
struct Significant {
    std::string digits;
    int point = 0;
};

// The 15 significant digits of value > 0.
Significant significantDigits(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", value);
    Significant result;
    for (const char* p = text; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            result.digits += *p;
    result.point = std::atoi(std::strchr(text, 'e') + 1) + 1;
    return result;
}

// Keeps `count` leading digits, rounding half away from zero (count may be 0 or less).
void roundDigits(Significant& number, int count)
{
    if (count >= static_cast<int>(number.digits.size()))
        return;
    if (count < 0 || (count == 0 && number.digits[0] < '5')) {
        number.digits.clear();
        return;
    }
    const bool up = number.digits[static_cast<std::size_t>(count)] >= '5';
    number.digits.resize(static_cast<std::size_t>(count));
    if (!up)
        return;
    int i = count - 1;
    for (; i >= 0 && number.digits[static_cast<std::size_t>(i)] == '9'; --i)
        number.digits[static_cast<std::size_t>(i)] = '0';
    if (i >= 0) {
        ++number.digits[static_cast<std::size_t>(i)];
    } else {
        number.digits.insert(number.digits.begin(), '1');
        ++number.point;
    }
}

char digitAt(const Significant& number, int index)
{
    return index >= 0 && index < static_cast<int>(number.digits.size()) ? number.digits[static_cast<std::size_t>(index)] : '0';
}

DecimalDigits splitDigits(const Significant& number, int decimals)
{
    DecimalDigits result;
    for (int i = 0; i < number.point; ++i)
        result.integer += digitAt(number, i);
    const auto firstNonZero = result.integer.find_first_not_of('0');
    result.integer.erase(0, firstNonZero == std::string::npos ? result.integer.size() : firstNonZero);
    for (int i = 0; i < decimals; ++i)
        result.fraction += digitAt(number, number.point + i);
    return result;
}

bool hasNonZero(const DecimalDigits& digits)
{
    return (digits.integer + digits.fraction).find_first_not_of('0') != std::string::npos;
}

// ---- User-defined numeric formats --------------------------------------------------------

enum class PieceKind { Literal, IntegerDigit, Point, FractionDigit, Exponent };

struct Piece {
    PieceKind kind;
    std::string text;       // Literal: the text; Exponent: "E" or "e"
    char placeholder = 0;   // '0' or '#'
};

struct NumberPattern {
    std::vector<Piece> pieces;
    int integerDigits = 0;
    int minimumIntegerDigits = 0;  // placeholders from the first '0' to the point
    std::string fractionPlaceholders;
    bool grouping = false;
    int scale = 0;        // divisions by 1000
    int percents = 0;
    bool scientific = false;
    bool exponentPlus = false;
    int exponentZeros = 0;
};

NumberPattern parseNumberPattern(std::string_view section)
{
    enum class Part { Integer, Fraction, Exponent } part = Part::Integer;
    NumberPattern pattern;
    int firstZero = -1;
    int pendingCommas = 0;
    const auto literal = [&](std::string_view text) { pattern.pieces.push_back({PieceKind::Literal, std::string(text)}); };
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (const auto quoted = patternLiteral(section, i)) {
            literal(quoted->text);
            i += quoted->length - 1;
        } else if (c == '0' || c == '#') {
            if (part == Part::Integer) {
                if (pendingCommas > 0 && pattern.integerDigits > 0)
                    pattern.grouping = true;
                pendingCommas = 0;
                if (c == '0' && firstZero < 0)
                    firstZero = pattern.integerDigits;
                ++pattern.integerDigits;
                pattern.pieces.push_back({PieceKind::IntegerDigit, {}, c});
            } else if (part == Part::Fraction) {
                pattern.fractionPlaceholders += c;
                pattern.pieces.push_back({PieceKind::FractionDigit, {}, c});
            } else if (c == '0') {
                ++pattern.exponentZeros;
            }
        } else if (c == '.' && part == Part::Integer) {
            if (pattern.integerDigits > 0)
                pattern.scale += pendingCommas;
            pendingCommas = 0;
            part = Part::Fraction;
            pattern.pieces.push_back({PieceKind::Point, {}});
        } else if (c == ',') {
            if (part == Part::Integer)
                ++pendingCommas;
        } else if ((c == 'E' || c == 'e') && part != Part::Exponent && i + 1 < section.size()
                   && (section[i + 1] == '+' || section[i + 1] == '-')) {
            if (part == Part::Integer && pattern.integerDigits > 0)
                pattern.scale += pendingCommas;
            pendingCommas = 0;
            pattern.scientific = true;
            pattern.exponentPlus = section[i + 1] == '+';
            pattern.pieces.push_back({PieceKind::Exponent, std::string(1, c)});
            part = Part::Exponent;
            ++i;
        } else {
            if (c == '%')
                ++pattern.percents;
            literal(section.substr(i, 1));
        }
    }
    if (part == Part::Integer && pattern.integerDigits > 0)
        pattern.scale += pendingCommas;
    pattern.minimumIntegerDigits = firstZero < 0 ? 0 : pattern.integerDigits - firstZero;
    return pattern;
}

struct Rendered {
    std::string text;
    bool nonZero = false;
};

Rendered renderNumber(const NumberPattern& pattern, double value)
{
    const UserLocale locale = userLocale();
    value *= std::pow(100.0, pattern.percents) / std::pow(1000.0, pattern.scale);
    const int decimals = static_cast<int>(pattern.fractionPlaceholders.size());
    DecimalDigits digits;
    int exponent = 0;
    if (pattern.scientific) {
        const int integerCount = std::max(pattern.integerDigits, 1);
        Significant number = value > 0 ? significantDigits(value) : Significant{};
        if (!number.digits.empty()) {
            roundDigits(number, integerCount + decimals);
            exponent = number.point - integerCount;
            number.point = integerCount;
        }
        digits = splitDigits(number, decimals);
    } else {
        digits = decimalDigits(value, decimals);
    }
    Rendered rendered;
    rendered.nonZero = hasNonZero(digits);
    std::string integer = digits.integer;
    if (static_cast<int>(integer.size()) < pattern.minimumIntegerDigits)
        integer.insert(0, static_cast<std::size_t>(pattern.minimumIntegerDigits) - integer.size(), '0');
    // Trailing zeros under '#' placeholders are dropped.
    std::string fraction = digits.fraction;
    while (!fraction.empty() && fraction.back() == '0' && pattern.fractionPlaceholders[fraction.size() - 1] == '#')
        fraction.pop_back();
    if (pattern.grouping)
        integer = groupThousands(integer, locale.thousands);
    const auto placeholders = static_cast<std::size_t>(pattern.integerDigits);
    std::size_t integerIndex = 0;
    std::size_t fractionIndex = 0;
    for (const Piece& piece : pattern.pieces) {
        switch (piece.kind) {
        case PieceKind::Literal: rendered.text += piece.text; break;
        case PieceKind::Point: rendered.text += locale.decimal; break;
        case PieceKind::FractionDigit:
            if (fractionIndex < fraction.size())
                rendered.text += fraction[fractionIndex];
            ++fractionIndex;
            break;
        case PieceKind::IntegerDigit: {
            // Digits fill the placeholders from the right; the first one takes any extra digits
            // (and, with grouping, the whole grouped number).
            const std::size_t k = integerIndex++;
            if (pattern.grouping || integer.size() >= placeholders) {
                const std::size_t extra = pattern.grouping ? integer.size() : integer.size() - placeholders + 1;
                if (k == 0)
                    rendered.text += integer.substr(0, extra);
                else if (!pattern.grouping)
                    rendered.text += integer[extra + k - 1];
            } else if (k >= placeholders - integer.size()) {
                rendered.text += integer[k - (placeholders - integer.size())];
            }
            break;
        }
        case PieceKind::Exponent: {
            rendered.text += piece.text;
            if (exponent < 0)
                rendered.text += '-';
            else if (pattern.exponentPlus)
                rendered.text += '+';
            std::string text = std::to_string(std::abs(exponent));
            if (static_cast<int>(text.size()) < pattern.exponentZeros)
                text.insert(0, static_cast<std::size_t>(pattern.exponentZeros) - text.size(), '0');
            rendered.text += text;
            break;
        }
        }
    }
    return rendered;
}

std::string withSign(double value, const std::string& body, bool nonZero, bool parentheses)
{
    if (value >= 0 || !nonZero)
        return body;
    return parentheses ? "(" + body + ")" : "-" + body;
}

// FormatCurrency and FormatPercent: the styled amount between its prefix and its suffix, the
// sign (or the parentheses) around them.
std::string styledBetween(double value, const NumberStyle& style, std::string_view prefix, std::string_view suffix)
{
    NumberStyle plain = style;
    plain.parentheses = false;
    const double amount = std::fabs(value);
    const std::string body = std::string(prefix) + styledNumber(amount, plain) + std::string(suffix);
    return withSign(value, body, hasNonZero(decimalDigits(amount, style.decimals)), style.parentheses);
}

}  // namespace

DecimalDigits decimalDigits(double value, int decimals)
{
    Significant number = value > 0 ? significantDigits(value) : Significant{};
    if (!number.digits.empty())
        roundDigits(number, number.point + decimals);
    return splitDigits(number, decimals);
}

std::string groupThousands(std::string_view digits, std::string_view separator)
{
    std::string result;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += separator;
        result += digits[i];
    }
    return result;
}

std::optional<std::string> formatNumberPattern(std::optional<double> value, std::string_view format)
{
    const std::vector<std::string_view> sections = formatSections(format);
    if (!value) {
        if (sections.size() < 4)
            return std::nullopt;
        return renderNumber(parseNumberPattern(sections[3]), 0).text;
    }
    const double number = *value;
    if (number < 0 && sections.size() >= 2 && !sections[1].empty())
        return renderNumber(parseNumberPattern(sections[1]), -number).text;
    if (number == 0 && sections.size() >= 3 && !sections[2].empty())
        return renderNumber(parseNumberPattern(sections[2]), 0).text;
    if (sections[0].empty())
        return numberText(number, userLocale().decimal);
    const Rendered rendered = renderNumber(parseNumberPattern(sections[0]), std::fabs(number));
    return withSign(number, rendered.text, rendered.nonZero, false);
}

std::string styledNumber(double value, const NumberStyle& style)
{
    const UserLocale locale = userLocale();
    const DecimalDigits digits = decimalDigits(std::fabs(value), style.decimals);
    std::string integer = digits.integer;
    if (integer.empty() && (style.leadingZero || style.decimals == 0))
        integer = "0";
    std::string body = style.grouping ? groupThousands(integer, locale.thousands) : integer;
    if (style.decimals > 0)
        body += locale.decimal + digits.fraction;
    return withSign(value, body, hasNonZero(digits), style.parentheses);
}

std::string currencyText(double value, const NumberStyle& style)
{
    const UserLocale locale = userLocale();
    return styledBetween(value, style, locale.currencyBefore, locale.currencyAfter);
}

std::string percentText(double value, const NumberStyle& style)
{
    return styledBetween(value * 100, style, "", "%");
}

bool isNamedNumberFormat(std::string_view name)
{
    for (const std::string_view known : {"General Number", "Currency", "Fixed", "Standard", "Percent", "Scientific",
                                         "Yes/No", "True/False", "On/Off"})
        if (sameFormatName(name, known))
            return true;
    return false;
}

std::optional<std::string> namedNumberFormat(std::string_view name, double value)
{
    const NumberStyle regional;
    if (sameFormatName(name, "General Number"))
        return numberText(value, userLocale().decimal);
    if (sameFormatName(name, "Currency"))
        return currencyText(value, regional);
    if (sameFormatName(name, "Fixed"))
        return styledNumber(value, {2, true, false, false});
    if (sameFormatName(name, "Standard"))
        return styledNumber(value, regional);
    if (sameFormatName(name, "Percent"))
        return percentText(value, {2, true, false, false});
    if (sameFormatName(name, "Scientific"))
        return formatNumberPattern(value, "0.00E+00");
    // Access writes these three in the user's language.
    const UserLocale locale = userLocale();
    if (sameFormatName(name, "Yes/No"))
        return std::string(value != 0 ? locale.yesText : locale.noText);
    if (sameFormatName(name, "True/False"))
        return std::string(value != 0 ? locale.trueText : locale.falseText);
    if (sameFormatName(name, "On/Off"))
        return std::string(value != 0 ? locale.onText : locale.offText);
    return std::nullopt;
}

}  // namespace kervane::sql
