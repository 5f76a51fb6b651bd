#pragma once
// Text keys of Jet 4 and ACE indexes in the two General sort orders, ascending and descending. A key holds, after its flag byte, a code per character (capitals share the code of
// their small letter), an end mark, then when needed the accent codes, the kana flags and the
// codes of unprintable characters with their positions, and a last end mark; a descending
// column has those bytes inverted. Characters whose codes are not certain (see
// JetIndexTextCodes.h) make the key unknown, so that a writer refuses the change rather than
// write a key Access would misplace.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

// The sort orders whose keys are encoded here, both numbered 1033: "General - Legacy" (version 0),
// that of Access 2000-2007 files, and "General" (version 1), that Access 2010 and later give new
// files; their character codes differ.
enum class TextSortOrder { GeneralLegacy, General };

// The sort order of that number and version; none for a text column in an order whose keys are
// not known.
std::optional<TextSortOrder> textSortOrderOf(int number, int version);

// A Jet 4 text value as a row stores it: UTF-16LE, or compressed (0xFF 0xFE, then one byte per
// character, a zero byte switching to and from two-byte characters). False when malformed.
bool decodeRowText(const unsigned char* data, std::size_t size, std::u16string& text);

// The characters whose codes are known, in ascending order.
std::u16string knownKeyCharacters(TextSortOrder order = TextSortOrder::GeneralLegacy);

// True when every character the key of the text holds (its first 255) has a known code.
bool textKeyKnown(const std::u16string& text, TextSortOrder order = TextSortOrder::GeneralLegacy);

// Appends the key of a text column: `text` nullptr for Null. Only the first 255 characters
// count, trailing spaces left out. False, nothing appended, when a character's code is not known.
bool appendTextKeyColumn(std::vector<unsigned char>& key, const std::u16string* text, bool descending,
                         TextSortOrder order = TextSortOrder::GeneralLegacy);

}  // namespace kervane::jet
