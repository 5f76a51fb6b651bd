#pragma once
// The two Unicode encodings the driver and the program meet: UTF-8 (SQLite, the narrow ODBC
// functions, the grid's cells) and UTF-16 (the wide ODBC functions, Jet 4 texts and names, Qt).
// Every conversion between them, and from and to code points, is written here once.
//
// A text that is not well-formed is met under one of two rules, never mixed:
// - Refuse: what is kept, run or stored must be well-formed; the first fault is reported and
//   nothing is repaired (the caller then says what is wrong, or refuses the value).
// - Replace: what goes back out (to the application, to the screen) is repaired: each
//   ill-formed part becomes U+FFFD, so that the reader always gets well-formed text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::sql {

inline constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

enum class IllFormed { Refuse, Replace };

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

inline bool isUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
inline bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The sequence starting at text[offset], offset < text.size(). After a lead from 0xC2 to 0xF4
// come continuation bytes; after four leads the second byte is narrower, so that a code point
// has a single form, no surrogate is encoded and nothing lies past U+10FFFF. Inline: the sort
// order and LIKE read every character of their texts through it.
inline Utf8Sequence readUtf8Sequence(std::string_view text, std::size_t offset)
{
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80)
        return {lead, 1, Utf8Fault::None};
    if (lead < 0xC0)
        return {0, 1, Utf8Fault::Stray};
    if (lead < 0xC2 || lead > 0xF4)
        return {0, 1, Utf8Fault::Forbidden};
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    Utf8Fault outside = Utf8Fault::Truncated;
    if (lead == 0xE0 || lead == 0xF0) {
        low = lead == 0xE0 ? 0xA0 : 0x90;
        outside = Utf8Fault::Overlong;
    } else if (lead == 0xED) {
        high = 0x9F;
        outside = Utf8Fault::Surrogate;
    } else if (lead == 0xF4) {
        high = 0x8F;
        outside = Utf8Fault::Beyond;
    }
    char32_t code = lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (offset + k >= text.size())
            return {0, k, Utf8Fault::Truncated};
        const auto next = static_cast<unsigned char>(text[offset + k]);
        if (!isUtf8Continuation(next))
            return {0, k, Utf8Fault::Truncated};
        if (k == 1 && (next < low || next > high))
            return {0, 1, outside};
        code = (code << 6) | (next & 0x3Fu);
    }
    return {code, length, Utf8Fault::None};
}

// The first ill-formed sequence of a text: its offset in bytes (from 0) and what is wrong.
struct Utf8Flaw {
    std::size_t offset = 0;
    Utf8Fault fault = Utf8Fault::None;
};
std::optional<Utf8Flaw> firstUtf8Flaw(std::string_view text);

// The first surrogate of UTF-16 units outside a pair: a high one not followed by a low one, or
// a low one not preceded by a high one; its offset in units (from 0).
struct Utf16Flaw {
    std::size_t offset = 0;
    bool high = false;
};
std::optional<Utf16Flaw> firstUtf16Flaw(std::u16string_view units);

// Writes the UTF-8 of a code point at out, which has room for 4 bytes, and returns the end of
// what it wrote. A surrogate or a code past U+10FFFF is written as U+FFFD.
char* putUtf8(char* out, char32_t code);
void appendUtf8(std::string& out, char32_t code);
// Writes the UTF-8 of UTF-16 units at out, which has room for 3 bytes a unit, and returns the
// end of what it wrote; a surrogate outside a pair becomes U+FFFD.
char* putUtf8(char* out, std::u16string_view units);

// UTF-16 to UTF-8, and UTF-8 to UTF-16 (an ill-formed part being the longest start of a
// sequence that could still have been well-formed, or one byte). Under Refuse, nothing for a
// text that is not well-formed; under Replace, always a text.
std::optional<std::string> utf8FromUtf16(std::u16string_view units, IllFormed rule);
std::optional<std::u16string> utf16FromUtf8(std::string_view text, IllFormed rule);

// Code points and UTF-8, one for one, as the text functions count characters: each byte of an
// ill-formed part reads as one U+FFFD.
Utf8Sequence readUtf8Character(std::string_view text, std::size_t offset);
std::u32string decodeUtf8(std::string_view text);
std::string encodeUtf8(std::u32string_view text);

}  // namespace kervane::sql
