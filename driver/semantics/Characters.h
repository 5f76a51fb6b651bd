#pragma once
// Characters of UTF-8 texts, as the text functions and Format count and change them.
#include <cstdint>
#include <string>
#include <string_view>

namespace kervane::sql {

// What is wrong with a sequence of UTF-8, by the Unicode table of well-formed byte sequences.
enum class Utf8Fault {
    None,
    Stray,      // a continuation byte (0x80-0xBF) with no lead before it
    Forbidden,  // 0xC0, 0xC1 (only ever overlong) or 0xF5-0xFF (past U+10FFFF)
    Truncated,  // a lead whose continuation bytes are missing or cut by another byte
    Overlong,   // a longer form than the code point needs
    Surrogate,  // U+D800-U+DFFF, which have no place outside UTF-16
    Beyond      // past U+10FFFF
};
struct Utf8Sequence {
    char32_t code = 0;       // when well-formed
    std::size_t length = 1;  // its bytes; when ill-formed, those of its ill-formed part (1 at least)
    Utf8Fault fault = Utf8Fault::None;
};
// The sequence starting at text[offset], offset < text.size().
Utf8Sequence readUtf8Sequence(std::string_view text, std::size_t offset);

// Positions and lengths count code points. Malformed bytes count as one character each.
std::size_t characterCount(std::string_view text);
// Byte offset of the character at index (0-based); text.size() when past the end.
std::size_t byteOffset(std::string_view text, std::size_t index);
// count characters from index (0-based), clipped to the text.
std::string_view characterSlice(std::string_view text, std::size_t index, std::size_t count);
std::u32string decodeUtf8(std::string_view text);   // malformed bytes become U+FFFD
std::string encodeUtf8(std::u32string_view text);
void appendUtf8(std::string& out, char32_t character);

// Case mapping for Latin (with its accented letters), Greek and Cyrillic: é <-> É, œ <-> Œ.
char32_t upperCase(char32_t character);
char32_t lowerCase(char32_t character);
std::string upperCaseText(std::string_view text);
std::string lowerCaseText(std::string_view text);

// Windows-1252, the code page of Chr, Asc and String: the character of a code 0-255, and the
// code of a character.
char32_t characterFromAnsi(std::int32_t code);
int ansiCode(char32_t character);

}  // namespace kervane::sql
