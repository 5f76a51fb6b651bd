// The lenient date readers: Access SQL literals (US order) and user texts (the order of the
// user's locale).
// The text is cut into numbers, words and separators, then read as an optional date part
// followed by an optional time part.
#include "driver/semantics/DateText.h"
#include "driver/semantics/Locale.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <utility>
#include <vector>

namespace kervane::sql {
namespace {

enum class TokenKind { Number, Word, Separator };

struct Token {
    TokenKind kind = TokenKind::Separator;
    int value = 0;        // Number
    int digits = 0;       // Number: how many digits were written
    std::string word;     // Word, folded to lower case
    char separator = 0;   // Separator: / - . , :
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
}

// Lower case for ASCII and for the accented capitals of Latin-1 (UTF-8 C3 80..C3 9E).
std::string folded(std::string_view word)
{
    std::string result(word);
    for (std::size_t i = 0; i < result.size(); ++i) {
        const auto c = static_cast<unsigned char>(result[i]);
        if (c >= 'A' && c <= 'Z') {
            result[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < result.size()) {
            const auto next = static_cast<unsigned char>(result[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                result[i + 1] = static_cast<char>(next + 32);
            ++i;
        }
    }
    return result;
}

std::optional<std::vector<Token>> tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (isDigit(c)) {
            Token token;
            token.kind = TokenKind::Number;
            for (; i < text.size() && isDigit(text[i]); ++i) {
                if (++token.digits > 9)
                    return std::nullopt;
                token.value = token.value * 10 + (text[i] - '0');
            }
            tokens.push_back(token);
        } else if (isLetter(c)) {
            const std::size_t start = i;
            while (i < text.size() && isLetter(text[i]))
                ++i;
            Token token;
            token.kind = TokenKind::Word;
            token.word = folded(text.substr(start, i - start));
            tokens.push_back(std::move(token));
            if (i < text.size() && text[i] == '.')
                ++i;  // the period of an abbreviation ("févr.")
        } else if (c == '/' || c == '-' || c == '.' || c == ',' || c == ':') {
            Token token;
            token.separator = c;
            tokens.push_back(std::move(token));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

constexpr std::array<std::string_view, 12> ENGLISH_MONTHS = {
    "january", "february", "march", "april", "may", "june",
    "july", "august", "september", "october", "november", "december"};
constexpr std::array<std::string_view, 12> FRENCH_MONTHS = {
    "janvier", "février", "mars", "avril", "mai", "juin",
    "juillet", "août", "septembre", "octobre", "novembre", "décembre"};
constexpr std::array<std::string_view, 12> PLAIN_FRENCH_MONTHS = {
    "janvier", "fevrier", "mars", "avril", "mai", "juin",
    "juillet", "aout", "septembre", "octobre", "novembre", "decembre"};

// A month named in full or by a prefix of at least three letters that names one month only.
int monthFromWord(std::string_view word)
{
    if (word.size() < 3)
        return 0;
    int found = 0;
    for (const auto* names : {&ENGLISH_MONTHS, &FRENCH_MONTHS, &PLAIN_FRENCH_MONTHS}) {
        for (int m = 0; m < 12; ++m) {
            const std::string_view name = (*names)[static_cast<std::size_t>(m)];
            if (name.substr(0, word.size()) != word)
                continue;
            if (found != 0 && found != m + 1)
                return 0;
            found = m + 1;
        }
    }
    return found;
}

// 0 for AM, 1 for PM, -1 for any other word.
int meridiem(const Token& token)
{
    if (token.kind != TokenKind::Word)
        return -1;
    if (token.word == "am" || token.word == "a")
        return 0;
    if (token.word == "pm" || token.word == "p")
        return 1;
    return -1;
}

int fullYear(const Token& token)
{
    if (token.digits > 2)
        return token.value;
    return token.value < 30 ? 2000 + token.value : 1900 + token.value;
}

int currentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

struct Rules {
    bool monthFirst;      // numeric dates are m/d/y (literals) or d/m/y (user texts)
    bool swapDots;        // an impossible dotted date may be read in the other order
    bool dottedTime;      // a dotted text that is no date may be a time "h.m.s"
};

struct Span {
    const Token* begin;
    const Token* end;
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    const Token& operator[](std::size_t i) const { return begin[i]; }
};

bool isSeparator(const Token& token, char c)
{
    return token.kind == TokenKind::Separator && token.separator == c;
}

// "h:mm[:ss[.fff]] [AM|PM]" or "h AM|PM", filling the whole span; seconds of the day.
std::optional<int> readTime(Span span, char separator)
{
    std::size_t end = span.size();
    int half = end > 0 ? meridiem(span[end - 1]) : -1;
    if (half >= 0)
        --end;
    std::size_t i = 0;
    const auto number = [&](int& out) {
        if (i >= end || span[i].kind != TokenKind::Number || span[i].digits > 2)
            return false;
        out = span[i++].value;
        return true;
    };
    const auto accept = [&](char c) {
        if (i >= end || !isSeparator(span[i], c))
            return false;
        ++i;
        return true;
    };
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!number(hour))
        return std::nullopt;
    const bool hourOnly = !accept(separator);
    if (!hourOnly) {
        if (!number(minute))
            return std::nullopt;
        if (accept(separator)) {
            if (!number(second))
                return std::nullopt;
            // A fraction of a second is read and dropped.
            if (separator == ':' && accept('.') && (i >= end || span[i++].kind != TokenKind::Number))
                return std::nullopt;
        }
    }
    if (i != end || (hourOnly && half < 0))
        return std::nullopt;
    if (half >= 0) {
        if (hour > 12)
            return std::nullopt;
        hour = hour % 12 + 12 * half;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return hour * 3600 + minute * 60 + second;
}

bool isValidDate(int year, int month, int day)
{
    return serialFromParts({year, month, day, 0, 0, 0}).has_value();
}

// Day and month from two numbers in the reader's order, or the other order when the first
// is impossible and swapping is allowed.
std::optional<DateParts> orderedDate(int first, int second, int year, bool monthFirst, bool swap)
{
    const int month = monthFirst ? first : second;
    const int day = monthFirst ? second : first;
    if (isValidDate(year, month, day))
        return DateParts{year, month, day, 0, 0, 0};
    if (swap && isValidDate(year, day, month))
        return DateParts{year, day, month, 0, 0, 0};
    return std::nullopt;
}

// Dates that name their month: "January 1, 1993", "1 Jan 93", "12 février 1969", "Dec 30".
std::optional<DateParts> readNamedDate(const std::vector<const Token*>& items)
{
    const auto isWord = [&](std::size_t i) { return items[i]->kind == TokenKind::Word; };
    int month = 0;
    int day = 0;
    int year = currentYear();
    if (items.size() == 2 && isWord(0) && !isWord(1)) {
        month = monthFromWord(items[0]->word);
        day = items[1]->value;
    } else if (items.size() == 2 && !isWord(0) && isWord(1)) {
        day = items[0]->value;
        month = monthFromWord(items[1]->word);
    } else if (items.size() == 3 && isWord(0) && !isWord(1) && !isWord(2)) {
        month = monthFromWord(items[0]->word);
        day = items[1]->value;
        year = fullYear(*items[2]);
    } else if (items.size() == 3 && !isWord(0) && isWord(1) && !isWord(2)) {
        month = monthFromWord(items[1]->word);
        const bool yearFirst = items[0]->digits > 2;
        day = yearFirst ? items[2]->value : items[0]->value;
        year = fullYear(yearFirst ? *items[0] : *items[2]);
    } else {
        return std::nullopt;
    }
    if (month == 0 || !isValidDate(year, month, day))
        return std::nullopt;
    return DateParts{year, month, day, 0, 0, 0};
}

// The date part: numbers and at most one month name, one separator at most between them.
std::optional<DateParts> readDate(Span span, const Rules& rules)
{
    std::vector<const Token*> items;
    char separator = 0;
    bool mixedSeparators = false;
    bool pendingSeparator = false;
    for (std::size_t i = 0; i < span.size(); ++i) {
        const Token& token = span[i];
        if (token.kind != TokenKind::Separator) {
            items.push_back(&token);
            pendingSeparator = false;
            continue;
        }
        if (pendingSeparator || items.empty() || token.separator == ':')
            return std::nullopt;
        pendingSeparator = true;
        if (separator != 0 && separator != token.separator)
            mixedSeparators = true;
        separator = token.separator;
    }
    if (pendingSeparator || items.size() < 2 || items.size() > 3)
        return std::nullopt;
    const auto words = std::count_if(items.begin(), items.end(),
                                     [](const Token* t) { return t->kind == TokenKind::Word; });
    if (words > 1)
        return std::nullopt;
    if (words == 1)
        return readNamedDate(items);
    // All numbers: one kind of separator, written between every pair.
    if (mixedSeparators || (separator != '/' && separator != '-' && separator != '.')
        || span.size() != items.size() * 2 - 1)
        return std::nullopt;
    const bool swap = separator != '.' || rules.swapDots;
    if (items.size() == 2)
        return orderedDate(items[0]->value, items[1]->value, currentYear(), rules.monthFirst, swap);
    if (items[0]->digits > 2) {
        const int year = items[0]->value;
        if (!isValidDate(year, items[1]->value, items[2]->value))
            return std::nullopt;
        return DateParts{year, items[1]->value, items[2]->value, 0, 0, 0};
    }
    return orderedDate(items[0]->value, items[1]->value, fullYear(*items[2]), rules.monthFirst, swap);
}

std::optional<double> readText(std::string_view text, const Rules& rules)
{
    const auto tokens = tokenize(text);
    if (!tokens || tokens->empty())
        return std::nullopt;
    const Token* first = tokens->data();
    const Token* last = first + tokens->size();
    // The time starts at the first number followed by ':' or by AM/PM.
    const Token* timeStart = last;
    for (const Token* p = first; p + 1 < last; ++p) {
        if (p->kind == TokenKind::Number && (isSeparator(p[1], ':') || meridiem(p[1]) >= 0)) {
            timeStart = p;
            break;
        }
    }
    Span datePart{first, timeStart};
    if (timeStart != last && datePart.size() > 1 && timeStart[-1].kind == TokenKind::Word
        && timeStart[-1].word == "t")
        --datePart.end;  // ISO "yyyy-mm-ddThh:mm:ss"
    int seconds = 0;
    if (timeStart != last) {
        const auto time = readTime({timeStart, last}, ':');
        if (!time)
            return std::nullopt;
        seconds = *time;
    }
    if (datePart.size() == 0)
        return seconds / 86400.0;
    auto date = readDate(datePart, rules);
    if (!date) {
        if (timeStart == last && rules.dottedTime)
            if (const auto time = readTime(datePart, '.'))
                return *time / 86400.0;
        return std::nullopt;
    }
    date->hour = seconds / 3600;
    date->minute = seconds / 60 % 60;
    date->second = seconds % 60;
    return serialFromParts(*date);
}

}  // namespace

std::optional<double> readDateLiteral(std::string_view inside)
{
    return readText(inside, {true, true, false});
}

std::optional<double> readUserDate(std::string_view text)
{
    if (const auto canonical = readCanonical(text))
        return canonical;
    return readText(text, {userLocale().monthFirst, false, true});
}

}  // namespace kervane::sql
