#pragma once
// What the column descriptors of a table definition say that libmdb reads wrongly: libmdb 1.0
// takes the precision byte of a decimal column for its scale and the scale byte for its
// precision, so those two bytes are read here from the definition itself.
#include "driver/jet/format/JetFileFormat.h"

#include <map>
#include <vector>

namespace kervane::jet {

struct DecimalDigits {
    int precision = 0;
    int scale = 0;
};

// `definition` is the table definition: its first page whole, then the bytes of each
// continuation page after their 8-byte header. Fills `digits`, keyed by the column number
// libmdb also reads (MdbColumn::col_num), for every decimal column; false when the descriptors
// do not lie inside the bytes.
bool readDecimalDigits(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                       std::map<int, DecimalDigits>& digits);

// True when the column count is that of a table (1 to 256) and the real-index entries, the
// column descriptors and the column names all lie inside `definition` (laid out as above), so
// that libmdb reading the columns never follows a page pointer outside the definition's pages.
bool definitionFits(const JetFileFormat& format, const std::vector<unsigned char>& definition);

}  // namespace kervane::jet
