#pragma once
// What the column descriptors of a table definition say that libmdb reads wrongly: libmdb 1.0
// takes the precision byte of a decimal column for its scale and the scale byte for its
// precision, so those two bytes are read here from the definition itself.
#include "driver/jet/format/JetFileFormat.h"

#include <map>
#include <vector>

namespace kervane::jet {

// What a column descriptor says that libmdb does not read: a decimal's digits, and (Access 2010
// and later) whether the column is calculated, its values computed by Access from an expression.
struct ColumnDetails {
    int precision = 0;
    int scale = 0;
    bool calculated = false;
    std::uint32_t complexId = 0;  // a complex column's: its row of MSysComplexColumns
};

// `definition` is the table definition: its first page whole, then the bytes of each
// continuation page after their 8-byte header. Fills `details`, keyed by the column number
// libmdb also reads (MdbColumn::col_num), for every column; false when the descriptors do not
// lie inside the bytes.
bool readColumnDetails(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                       std::map<int, ColumnDetails>& details);

// True when the column count is that of a table (1 to 256) and the real-index entries, the
// column descriptors and the column names all lie inside `definition` (laid out as above), so
// that libmdb reading the columns never follows a page pointer outside the definition's pages.
bool definitionFits(const JetFileFormat& format, const std::vector<unsigned char>& definition);

}  // namespace kervane::jet
