#pragma once
// The little a writer reads back from a Jet 3 or Jet 4 row it is about to change: whether a
// column is NULL, an AutoNumber's value, and where a variable column's bytes lie. Each call
// takes the file's format; Jet 4 when left out.
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <vector>

namespace kervane::jet {

// False when the row is NULL in that column or too short to hold it.
bool columnPresent(const std::vector<unsigned char>& row, const JetLayoutColumn& column,
                   const JetFileFormat& format = jet4FileFormat());
// A Long column's value; false when NULL.
bool fixedLong(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::int32_t& value,
               const JetFileFormat& format = jet4FileFormat());
// The bytes of variable column `column` in the row, [start, end); false when NULL or unreadable.
bool variableData(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::size_t& start,
                  std::size_t& end, const JetFileFormat& format = jet4FileFormat());

// The row's values as a rewrite of a few of its columns takes them back (one per column of the
// layout, in definition order): Nulls, Yes/No values and AutoNumbers as such, every other
// value as the bytes it is stored as (JetFieldValue::Kind::Stored); false when the row is
// too short for a column it holds.
bool storedValues(const JetTableLayout& layout, const std::vector<unsigned char>& row,
                  std::vector<JetFieldValue>& values);

}  // namespace kervane::jet
