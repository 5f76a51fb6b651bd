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

// Windows-1252, the code page of Chr, Asc and String: the character of a code 0-255, and the
// code of a character.
char32_t characterFromAnsi(std::int32_t code);
int ansiCode(char32_t character);

}  // namespace kervane::sql
