#pragma once
// The key bytes of a Jet 3 or Jet 4 index entry: for each key column a flag byte (value or Null,
// in the column's order), then the value laid so that comparing bytes from the first compares
// values. Numbers, dates and Yes/No are keyed alike in both formats; texts by the General sort
// order of their version (JetIndexText.h, JetIndexText97.h).
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <vector>

namespace kervane::jet {

// One key column of an index: where it lies in a row and its order.
struct JetKeyColumn {
    const JetLayoutColumn* column = nullptr;
    bool descending = false;
};

namespace indexkey {
constexpr unsigned char kAscendingValue = 0x7f;
constexpr unsigned char kAscendingNull = 0x00;
constexpr unsigned char kDescendingValue = 0x80;
constexpr unsigned char kDescendingNull = 0xff;
}  // namespace indexkey

// True for the column types whose keys are encoded here in files of `format` (numbers, dates,
// Yes/No, text: see JetIndexText.h and JetIndexText97.h for the characters a text key may hold;
// binary: values of 1 to 8 bytes in ascending order, as MSysQueries' key holds them).
bool keyTypeKnown(JetType type, const JetFileFormat& format = jet4FileFormat());

// Bytes a value of `type` takes in a row (and in a key, after its flag); 0 when not a number.
int keyValueSize(JetType type);

// Appends the key of one column. `value` holds the value as the row stores it (little-endian,
// keyValueSize(type) bytes), or is nullptr for Null; Yes/No takes `yes` instead. False, nothing
// appended, when the type's keys are not known.
bool appendKeyColumn(std::vector<unsigned char>& key, JetType type, bool descending, const unsigned char* value,
                     bool yes = false);

// The key of an index for a row as it lies on its data page; false when a key column's type is
// not known, a text holds a character whose code is not known or its column is in another sort
// order than General, or the row is too short for a value it holds. The row is laid as `format`
// says (Jet 4 when left out).
bool rowIndexKey(const std::vector<unsigned char>& row, const std::vector<JetKeyColumn>& columns,
                 std::vector<unsigned char>& key, const JetFileFormat& format = jet4FileFormat());

}  // namespace kervane::jet
