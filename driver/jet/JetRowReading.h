#pragma once
// The little a writer reads back from a Jet 4 row it is about to change: whether a column is
// NULL, an AutoNumber's value, and where a memo or OLE value is kept.
#include "driver/jet/JetTableLayout.h"

#include <cstdint>
#include <vector>

namespace kervane::jet {

enum class LongValueStorage { None, InRow, OtherPages };

// False when the row is NULL in that column or too short to hold it.
bool columnPresent(const std::vector<unsigned char>& row, const JetLayoutColumn& column);
// A Long column's value; false when NULL.
bool fixedLong(const JetTableLayout& layout, const std::vector<unsigned char>& row, const JetLayoutColumn& column,
               std::int32_t& value);
// Where the memo or OLE value of `column` lies (OtherPages also when the row cannot be read).
LongValueStorage longValueStorage(const JetTableLayout& layout, const std::vector<unsigned char>& row,
                                  const JetLayoutColumn& column);

}  // namespace kervane::jet
