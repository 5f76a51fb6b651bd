#pragma once
// Text keys of Jet 3 indexes in the General sort order of Access 97 files (1033), texts in
// Windows-1252. After the flag byte: a code per byte of the text (capitals share the code of
// their small letter), then either a zero byte or, when the text has accented letters, their
// accent codes as nibbles between two zero nibbles, each preceded by a nibble 2 for every
// letter of the kind the code table counts met since the previous accent; a descending column
// has those bytes inverted.
#include <cstddef>
#include <vector>

namespace kervane::jet {

// The sort order whose Jet 3 keys are encoded here (the file's, from its header).
constexpr int kGeneral97SortOrder = 1033;

// True when every byte the key of the text holds (its first 255, trailing spaces left out) has a
// known code.
bool jet3TextKeyKnown(const unsigned char* text, std::size_t size);

// Appends the key of a text column whose value is the Windows-1252 bytes `text` (nullptr for
// Null). False, nothing appended, when a byte has no known code.
bool appendJet3TextKeyColumn(std::vector<unsigned char>& key, const unsigned char* text, std::size_t size,
                             bool descending);

}  // namespace kervane::jet
