#pragma once
// Text keys of Jet 4 indexes in the General sort order, ascending, for the characters whose
// codes were checked against genuine Access pages: the space, digits and most small letters.
// Any other character, or a descending text column, makes the key unknown, so that a writer
// refuses the change rather than write a key Access would misplace.
#include <cstddef>
#include <string>
#include <vector>

namespace kervane::jet {

// A Jet 4 text value as a row stores it: UTF-16LE, or compressed (0xFF 0xFE, then one byte per
// character, a zero byte switching to and from two-byte characters). False when malformed.
bool decodeRowText(const unsigned char* data, std::size_t size, std::u16string& text);

// The characters whose codes are known.
std::u16string knownKeyCharacters();

// True when every character of the text has a known code.
bool textKeyKnown(const std::u16string& text);

// Appends the key of a text column: `text` nullptr for Null. False, nothing appended, when a
// character's code is not known or the column is descending (a Null key excepted).
bool appendTextKeyColumn(std::vector<unsigned char>& key, const std::u16string* text, bool descending);

}  // namespace kervane::jet
