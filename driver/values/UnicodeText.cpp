#include "driver/values/UnicodeText.h"

#include "driver/semantics/UtfCoding.h"

#include <cstdio>
#include <utility>

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

// SQLWCHAR is an unsigned short: its units are copied, not reinterpreted, into char16_t.
std::u16string units16(const SQLWCHAR* units, std::size_t count)
{
    return std::u16string(units, units + count);
}

std::optional<TextFault> faultOf(std::u16string_view units)
{
    const std::optional<sql::Utf16Flaw> flaw = sql::firstUtf16Flaw(units);
    if (!flaw)
        return std::nullopt;
    const std::string unit = hex(units[flaw->offset], 4);
    return TextFault{true, flaw->offset + 1,
                     flaw->high ? "la moitié haute de paire de substitution " + unit + " n'est pas suivie d'une moitié basse"
                                : "la moitié basse de paire de substitution " + unit + " ne suit pas une moitié haute"};
}

}  // namespace

std::optional<TextFault> utf8Fault(std::string_view text)
{
    const std::optional<sql::Utf8Flaw> flaw = sql::firstUtf8Flaw(text);
    if (!flaw)
        return std::nullopt;
    return TextFault{false, flaw->offset + 1, utf8Reason(flaw->fault, text, flaw->offset)};
}

std::optional<TextFault> utf16Fault(const SQLWCHAR* units, std::size_t count)
{
    return faultOf(units16(units, count));
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
    // One pass when the text is well-formed; the fault is looked for only to name it.
    const std::u16string text = units16(units, count);
    if (std::optional<std::string> converted = sql::utf8FromUtf16(text, sql::IllFormed::Refuse))
        return std::move(*converted);
    throw textRefusal(use, *faultOf(text));
}

std::u16string utf16FromUtf8(std::string_view text)
{
    return *sql::utf16FromUtf8(text, sql::IllFormed::Replace);
}

}  // namespace kervane::odbc
