#pragma once
// Texts in the two Unicode encodings the driver meets: UTF-8 (the narrow functions, SQLite's
// and the Jet writer's values) and UTF-16 (the wide functions, SQL_C_WCHAR).
//
// Two contracts, never mixed:
// - What the application gives and the driver keeps, runs or stores (statement texts,
//   parameter values, names and patterns) must be well-formed: a text that is not is refused
//   with SQLSTATE 22018 and never repaired. utf8Fault, utf16Fault, requireUtf8 and
//   utf8FromUtf16 serve this side.
// - What the driver writes back to the application (values read from a base that another
//   program may have written, names, messages) is repaired: each ill-formed part becomes
//   U+FFFD, so that the application always receives well-formed UTF-16. utf16FromUtf8 serves
//   this side only.
#include "driver/values/Diagnostics.h"

#include <sql.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::odbc {

// The first fault of a text that is not well-formed: where it starts, counted from 1 in bytes
// (UTF-8) or in code units (UTF-16), and what is wrong there, in French.
struct TextFault {
    bool wide = false;  // UTF-16
    std::size_t position = 0;
    std::string reason;
};

// Overlong forms, surrogates encoded in UTF-8, code points past U+10FFFF, sequences cut short,
// continuation bytes with no lead, and the bytes 0xC0, 0xC1, 0xF5 to 0xFF are faults.
std::optional<TextFault> utf8Fault(std::string_view text);
// A high surrogate not followed by a low one and a low surrogate not preceded by a high one
// (a reversed pair among them) are faults.
std::optional<TextFault> utf16Fault(const SQLWCHAR* units, std::size_t count);

// What a text of the application is, for the message that refuses it: its subject and what
// was therefore not done.
struct TextUse {
    std::string_view subject;  // "L'instruction SQL"
    std::string_view outcome;  // "elle n'a pas été exécutée"
};
inline constexpr TextUse STATEMENT_TEXT{"L'instruction SQL", "elle n'a pas été exécutée"};
inline constexpr TextUse NATIVE_STATEMENT_TEXT{"L'instruction SQL", "elle n'a pas été traduite"};
inline constexpr TextUse CATALOGUE_ARGUMENT{"Un nom ou un motif donné à la fonction de catalogue",
                                            "rien n'a été cherché"};

// SQLSTATE 22018: "<subject> n'est pas un texte UTF-8 valide : à l'octet <n>, <reason> ; <outcome>."
OdbcError textRefusal(const TextUse& use, const TextFault& fault);
// Throws textRefusal when the application's UTF-8 is not well-formed.
void requireUtf8(std::string_view text, const TextUse& use);
// The application's UTF-16 in UTF-8; throws textRefusal when it is not well-formed.
std::string utf8FromUtf16(const SQLWCHAR* units, std::size_t count, const TextUse& use);

// The driver's UTF-8 in UTF-16 code units, for the application: each ill-formed part (the
// longest start of a sequence that could still have been well-formed, or one byte) becomes
// U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace kervane::odbc
