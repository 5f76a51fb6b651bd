#include "driver/semantics/Characters.h"

#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <array>

namespace kervane::sql {
namespace {

// Windows-1252 for codes 0x80-0x9F; the other codes are the same in Unicode.
constexpr std::array<char16_t, 32> WINDOWS_1252_HIGH = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool inRange(char32_t c, char32_t low, char32_t high) { return c >= low && c <= high; }

// Latin Extended-A and Latin Extended Additional pair capitals and small letters side by side.
bool upperIsEven(char32_t c)
{
    return inRange(c, 0x100, 0x137) || inRange(c, 0x14A, 0x177) || inRange(c, 0x1E00, 0x1E95)
        || inRange(c, 0x1EA0, 0x1EFF);
}
bool upperIsOdd(char32_t c) { return inRange(c, 0x139, 0x148) || inRange(c, 0x179, 0x17E); }

std::string mappedText(std::string_view text, char32_t (*map)(char32_t))
{
    std::u32string characters = decodeUtf8(text);
    std::transform(characters.begin(), characters.end(), characters.begin(), map);
    return encodeUtf8(characters);
}

}  // namespace

// ---- Positions ---------------------------------------------------------------------------

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += readUtf8Character(text, offset).length)
        ++count;
    return count;
}

std::size_t byteOffset(std::string_view text, std::size_t index)
{
    std::size_t offset = 0;
    for (; index > 0 && offset < text.size(); --index)
        offset += readUtf8Character(text, offset).length;
    return offset;
}

std::string_view characterSlice(std::string_view text, std::size_t index, std::size_t count)
{
    const std::size_t begin = byteOffset(text, index);
    const std::string_view rest = text.substr(begin);
    return rest.substr(0, byteOffset(rest, count));
}

// ---- Case --------------------------------------------------------------------------------

char32_t lowerCase(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (inRange(c, 0xC0, 0xDE) && c != 0xD7)
        return c + 32;
    if (c == 0x130)
        return U'i';
    if (c == 0x178)
        return 0xFF;
    if (upperIsEven(c))
        return c % 2 == 0 ? c + 1 : c;
    if (upperIsOdd(c))
        return c % 2 == 1 ? c + 1 : c;
    if (c == 0x386)
        return 0x3AC;
    if (inRange(c, 0x388, 0x38A))
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (inRange(c, 0x38E, 0x38F))
        return c + 63;
    if (inRange(c, 0x391, 0x3AB) && c != 0x3A2)
        return c + 32;
    if (inRange(c, 0x400, 0x40F))
        return c + 80;
    if (inRange(c, 0x410, 0x42F) || inRange(c, 0xFF21, 0xFF3A))
        return c + 32;
    return c;
}

char32_t upperCase(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (inRange(c, 0xE0, 0xFE) && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x131)
        return U'I';
    if (upperIsEven(c))
        return c % 2 == 1 ? c - 1 : c;
    if (upperIsOdd(c))
        return c % 2 == 0 ? c - 1 : c;
    if (c == 0x3AC)
        return 0x386;
    if (inRange(c, 0x3AD, 0x3AF))
        return c - 37;
    if (c == 0x3CC)
        return 0x38C;
    if (inRange(c, 0x3CD, 0x3CE))
        return c - 63;
    if (c == 0x3C2)
        return 0x3A3;
    if (inRange(c, 0x3B1, 0x3CB) || inRange(c, 0x430, 0x44F) || inRange(c, 0xFF41, 0xFF5A))
        return c - 32;
    if (inRange(c, 0x450, 0x45F))
        return c - 80;
    return c;
}

std::string upperCaseText(std::string_view text) { return mappedText(text, upperCase); }
std::string lowerCaseText(std::string_view text) { return mappedText(text, lowerCase); }

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return lowerCaseText(a) == lowerCaseText(b);
}

std::string_view trimmedBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// ---- Windows-1252 ------------------------------------------------------------------------

char32_t characterFromAnsi(std::int32_t code)
{
    if (code >= 0x80 && code <= 0x9F)
        return WINDOWS_1252_HIGH[static_cast<std::size_t>(code - 0x80)];
    return static_cast<char32_t>(code);
}

int ansiCode(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    const auto found = std::find(WINDOWS_1252_HIGH.begin(), WINDOWS_1252_HIGH.end(), static_cast<char16_t>(c));
    if (c <= 0xFFFF && found != WINDOWS_1252_HIGH.end())
        return 0x80 + static_cast<int>(found - WINDOWS_1252_HIGH.begin());
    return '?';   // what Windows writes for a character outside the code page
}

}  // namespace kervane::sql
