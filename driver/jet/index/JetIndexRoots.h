#pragma once
// The real indexes of a Jet 3 or Jet 4 table definition as a writer keeps them: their key columns, flags
// and the page their tree starts from.
#include "driver/jet/format/JetFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

struct JetRealIndexColumn {
    int number = 0;  // the column's number (JetLayoutColumn::number)
    bool descending = false;
};

// A relationship as one side's logical index describes it: the other table (its definition page)
// and the other side's logical index, whether this side is the referenced (primary) table, and
// what a change of the referenced row does to the rows referring to it.
struct JetReference {
    bool primaryTable = false;
    std::uint32_t otherTablePage = 0;
    std::uint32_t otherIndex = 0;  // the other side's logical index number
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
    bool cascadeNull = false;
};

struct JetRealIndex {
    std::vector<JetRealIndexColumn> columns;
    unsigned char flags = 0;
    std::uint32_t usageMap = 0;  // data pointer of the usage map of its pages
    std::uint32_t rootPage = 0;
    bool primary = false;     // a logical index of the primary-key kind uses it
    bool foreignKey = false;  // a relationship's logical index uses it
    std::vector<std::uint32_t> logicalNumbers;  // the logical indexes it serves
    std::vector<JetReference> references;       // the enforced relationships it serves
    bool unique() const { return (flags & 0x01) != 0; }
    bool ignoresNulls() const { return (flags & 0x02) != 0; }
    bool required() const { return (flags & 0x08) != 0; }
};

// The real indexes of the table whose definition starts on `page`, in definition order; false
// with a French message when the definition cannot be read whole. Jet 4 when the format is left
// out.
bool readRealIndexes(JetPages& pages, std::uint32_t page, std::vector<JetRealIndex>& indexes, std::string& error,
                     const JetFileFormat& format = jet4FileFormat());

}  // namespace kervane::jet
