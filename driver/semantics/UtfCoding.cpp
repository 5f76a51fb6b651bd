#include "driver/semantics/UtfCoding.h"

namespace kervane::sql {
namespace {

// The code point at units[at], at moved past it: a pair gives the code point it stands for, a
// surrogate outside a pair itself (which putUtf8 writes as U+FFFD).
char32_t nextUtf16CodePoint(std::u16string_view units, std::size_t& at)
{
    const char16_t unit = units[at++];
    if (!isHighSurrogate(unit) || at == units.size() || !isLowSurrogate(units[at]))
        return unit;
    return 0x10000 + ((unit - 0xD800u) << 10) + (units[at++] - 0xDC00u);
}

}  // namespace

std::optional<Utf8Flaw> firstUtf8Flaw(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Sequence sequence = readUtf8Sequence(text, at);
        if (sequence.fault != Utf8Fault::None)
            return Utf8Flaw{at, sequence.fault};
        at += sequence.length;
    }
    return std::nullopt;
}

std::optional<Utf16Flaw> firstUtf16Flaw(std::u16string_view units)
{
    for (std::size_t at = 0; at < units.size();) {
        const std::size_t start = at;
        const char32_t code = nextUtf16CodePoint(units, at);
        if (isHighSurrogate(code) || isLowSurrogate(code))
            return Utf16Flaw{start, isHighSurrogate(code)};
    }
    return std::nullopt;
}

char* putUtf8(char* out, char32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = REPLACEMENT_CHARACTER;
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

void appendUtf8(std::string& out, char32_t code)
{
    char bytes[4];
    out.append(bytes, putUtf8(bytes, code));
}

char* putUtf8(char* out, std::u16string_view units)
{
    for (std::size_t at = 0; at < units.size();) {
        if (units[at] < 0x80)
            *out++ = static_cast<char>(units[at++]);
        else
            out = putUtf8(out, nextUtf16CodePoint(units, at));
    }
    return out;
}

std::optional<std::string> utf8FromUtf16(std::u16string_view units, IllFormed rule)
{
    if (rule == IllFormed::Refuse && firstUtf16Flaw(units))
        return std::nullopt;
    std::string text;
    text.reserve(units.size());
    for (std::size_t at = 0; at < units.size();)
        appendUtf8(text, nextUtf16CodePoint(units, at));
    return text;
}

std::optional<std::u16string> utf16FromUtf8(std::string_view text, IllFormed rule)
{
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Sequence sequence = readUtf8Sequence(text, at);
        if (sequence.fault != Utf8Fault::None && rule == IllFormed::Refuse)
            return std::nullopt;
        at += sequence.length;
        const char32_t code = sequence.fault == Utf8Fault::None ? sequence.code : REPLACEMENT_CHARACTER;
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

Utf8Sequence readUtf8Character(std::string_view text, std::size_t offset)
{
    const Utf8Sequence sequence = readUtf8Sequence(text, offset);
    if (sequence.fault == Utf8Fault::None)
        return sequence;
    return {REPLACEMENT_CHARACTER, 1, sequence.fault};
}

std::u32string decodeUtf8(std::string_view text)
{
    std::u32string decoded;
    decoded.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        const Utf8Sequence character = readUtf8Character(text, offset);
        decoded += character.code;
        offset += character.length;
    }
    return decoded;
}

std::string encodeUtf8(std::u32string_view text)
{
    std::string encoded;
    encoded.reserve(text.size());
    for (char32_t code : text)
        appendUtf8(encoded, code);
    return encoded;
}

}  // namespace kervane::sql
