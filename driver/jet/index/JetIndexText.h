#pragma once
// Text keys of Jet 4 indexes in the General sort order of Access 2000-2003 files, in both
// orders. A key holds, after its flag byte, a code per character (capitals share the code of
// their small letter), an end mark, then when needed the accent codes, the kana flags and the
// codes of unprintable characters with their positions, and a last end mark; a descending
// column has those bytes inverted. Characters whose codes are not certain (see
// JetIndexTextCodes.h) make the key unknown, so that a writer refuses the change rather than
// write a key Access would misplace.
#include <cstddef>
#include <string>
#include <vector>

namespace kervane::jet {

// True for the sort order whose keys are encoded here: General (1033) of Access 2000-2003, version
// 0; a text column in any other order has no known key.
bool generalSortOrder(int number, int version);

// A Jet 4 text value as a row stores it: UTF-16LE, or compressed (0xFF 0xFE, then one byte per
// character, a zero byte switching to and from two-byte characters). False when malformed.
bool decodeRowText(const unsigned char* data, std::size_t size, std::u16string& text);

// The characters whose codes are known, in ascending order.
std::u16string knownKeyCharacters();

// True when every character the key of the text holds (its first 255) has a known code.
bool textKeyKnown(const std::u16string& text);

// Appends the key of a text column: `text` nullptr for Null. Only the first 255 characters
// count, trailing spaces left out. False, nothing appended, when a character's code is not known.
bool appendTextKeyColumn(std::vector<unsigned char>& key, const std::u16string* text, bool descending);

}  // namespace kervane::jet
