#pragma once
// Texts of the wide (UTF-16) entry points: what a Unicode application gives, read into the
// UTF-8 the driver works in and refused when it is not well-formed, and what it gets back,
// written in SQLWCHAR units with U+FFFD for what cannot be read (see UnicodeText.h).
#include "driver/values/Diagnostics.h"
#include "driver/values/UnicodeText.h"

#include <sql.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::odbc {

// The units of a text ended by a 0 unit, that unit left out.
std::size_t terminatedUnitCount(const SQLWCHAR* text);

// A text given in SQLWCHAR units, its length counted in characters (units) or SQL_NTS; throws
// 22018 with the use's subject when it is not well-formed UTF-16.
std::string narrowText(const SQLWCHAR* text, SQLINTEGER length, const TextUse& use);
// The same for an argument that may be absent (a null pointer): absent stays absent.
std::optional<std::string> optionalNarrowText(const SQLWCHAR* text, SQLINTEGER length, const TextUse& use);

// How a function counts the lengths of a wide out-text: in characters for most, in bytes for
// those whose buffer is untyped (SQLGetInfoW, SQLColAttributeW, the attribute getters,
// SQLGetDiagFieldW).
enum class WideUnit { Characters, Bytes };

// What writing a text into a wide buffer gives.
struct WideCopy {
    bool truncated = false;
    SQLLEN fullLength = 0;  // the whole text, in the function's unit
};

// Writes text as UTF-16, ended by a 0 unit. capacity is the buffer's size in the function's
// unit. A text that does not fit is cut at a whole character (never between the two units of
// a surrogate pair) and flagged truncated. A null buffer only measures.
WideCopy writeWide(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, WideUnit unit);

}  // namespace kervane::odbc
