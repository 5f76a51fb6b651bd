#include "driver/values/UnicodeText.h"

#include "driver/semantics/Characters.h"

#include <cstdio>

namespace kervane::odbc {
namespace {

std::string hex(unsigned value, int digits)
{
    char text[12];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string byteAt(std::string_view text, std::size_t at)
{
    return hex(static_cast<unsigned char>(text[at]), 2);
}

using sql::Utf8Fault;

std::string utf8Reason(Utf8Fault fault, std::string_view text, std::size_t at)
{
    const std::string lead = byteAt(text, at);
    // The faults that come from the second byte are only found when there is one.
    const std::string start = at + 1 < text.size() ? "la séquence " + lead + " " + byteAt(text, at + 1) : "";
    switch (fault) {
    case Utf8Fault::Stray: return "l'octet de suite " + lead + " ne suit aucun octet de tête";
    case Utf8Fault::Forbidden: return "l'octet " + lead + " n'est jamais permis en UTF-8";
    case Utf8Fault::Truncated: return "la séquence commencée par " + lead + " est incomplète";
    case Utf8Fault::Overlong: return start + "… est une forme trop longue (le caractère s'écrit en moins d'octets)";
    case Utf8Fault::Surrogate: return start + "… code une moitié de paire de substitution (U+D800 à U+DFFF)";
    default: return start + "… code un caractère au-delà de U+10FFFF";
    }
}

bool isHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<TextFault> utf8Fault(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const sql::Utf8Sequence sequence = sql::readUtf8Sequence(text, at);
        if (sequence.fault != Utf8Fault::None)
            return TextFault{false, at + 1, utf8Reason(sequence.fault, text, at)};
        at += sequence.length;
    }
    return std::nullopt;
}

std::optional<TextFault> utf16Fault(const SQLWCHAR* units, std::size_t count)
{
    for (std::size_t at = 0; at < count; ++at) {
        if (isHigh(units[at]) && at + 1 < count && isLow(units[at + 1]))
            ++at;
        else if (isHigh(units[at]))
            return TextFault{true, at + 1, "la moitié haute de paire de substitution " + hex(units[at], 4)
                                         + " n'est pas suivie d'une moitié basse"};
        else if (isLow(units[at]))
            return TextFault{true, at + 1, "la moitié basse de paire de substitution " + hex(units[at], 4)
                                         + " ne suit pas une moitié haute"};
    }
    return std::nullopt;
}

OdbcError textRefusal(const TextUse& use, const TextFault& fault)
{
    const std::string where = fault.wide ? "UTF-16 valide : à l'unité de code " : "UTF-8 valide : à l'octet ";
    return OdbcError{"22018",
                     std::string(use.subject) + " n'est pas un texte " + where + std::to_string(fault.position) + ", "
                         + fault.reason + " ; " + std::string(use.outcome) + ".",
                     0};
}

void requireUtf8(std::string_view text, const TextUse& use)
{
    if (const std::optional<TextFault> fault = utf8Fault(text))
        throw textRefusal(use, *fault);
}

std::string utf8FromUtf16(const SQLWCHAR* units, std::size_t count, const TextUse& use)
{
    if (const std::optional<TextFault> fault = utf16Fault(units, count))
        throw textRefusal(use, *fault);
    std::string out;
    out.reserve(count);
    for (std::size_t at = 0; at < count; ++at) {
        char32_t code = units[at];
        if (isHigh(code))
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++at] - 0xDC00);
        sql::appendUtf8(out, code);
    }
    return out;
}

std::u16string utf16FromUtf8(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const sql::Utf8Sequence sequence = sql::readUtf8Sequence(text, at);
        at += sequence.length;
        const char32_t code = sequence.fault == Utf8Fault::None ? sequence.code : 0xFFFD;
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

}  // namespace kervane::odbc
