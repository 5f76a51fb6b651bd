#pragma once
// Characters of UTF-8 texts, as the text functions and Format count and change them (their
// conversions are UtfCoding.h's).
#include <cstdint>
#include <string>
#include <string_view>

namespace kervane::sql {

// Positions and lengths count code points. Malformed bytes count as one character each.
std::size_t characterCount(std::string_view text);
// Byte offset of the character at index (0-based); text.size() when past the end.
std::size_t byteOffset(std::string_view text, std::size_t index);
// count characters from index (0-based), clipped to the text.
std::string_view characterSlice(std::string_view text, std::size_t index, std::size_t count);

// Case mapping for Latin (with its accented letters), Greek and Cyrillic: é <-> É, œ <-> Œ.
char32_t upperCase(char32_t character);
char32_t lowerCase(char32_t character);
std::string upperCaseText(std::string_view text);
std::string lowerCaseText(std::string_view text);
// True when the two texts differ at most by case, in any script: how Access compares the names
// of tables, columns, indexes and relationships.
bool equalIgnoringCase(std::string_view a, std::string_view b);
// The text without the spaces and tabs at its start and end.
std::string_view trimmedBlanks(std::string_view text);

// Windows-1252, the code page of Chr, Asc and String: the character of a code 0-255, and the
// code of a character.
char32_t characterFromAnsi(std::int32_t code);
int ansiCode(char32_t character);

// The ASCII digits of numbers written in SQL, in VBA's &H and &O forms and in dates; no
// locale's digits.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
constexpr bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }
// The value of a character isHexDigit accepts.
constexpr unsigned hexDigitValue(char c) { return isDigit(c) ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10); }

// Equal but for the case of the ASCII letters A-Z (the names of the SQL grammar and of Jet's
// own tables); any other byte must match exactly.
constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Ordered byte by byte, the ASCII letters A-Z as their lower case (Jet orders the parts of its own
// tables' definitions so).
constexpr bool lessIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return lower(a[i]) < lower(b[i]);
    return a.size() < b.size();
}

}  // namespace kervane::sql
