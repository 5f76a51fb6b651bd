#pragma once
// The definition of a new table as Access writes it in a Jet 3 or Jet 4 file: its header (row
// count at zero, the counter just before the AutoNumber's first number, the pointers of its two
// usage maps), a block per column (type,
// number, place in a row, length, flags, sort order), the column names, a block per stored
// index (its key columns, usage map, root page, flags) and per index as the user sees it (the
// stored index it uses, its kind), their names, the usage maps of the memo and OLE columns, and
// the closing 0xFFFF.
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kervane::jet {

struct JetNewColumn {
    std::string name;
    JetType type = JetType::Text;
    int characters = 0;  // Text: its size in characters; Binary: in bytes
    int precision = 0;   // Decimal
    int scale = 0;
    bool autoNumber = false;  // Long only
    std::int32_t seed = 1;    // an AutoNumber's first number
    // Kept as the column's design properties (JetPropertyBlob.h): a value is required, and the
    // default value as Access keeps it ("0", "\"Lyon\"", "Now()").
    bool required = false;
    std::optional<std::string> defaultValue;
    unsigned char moreFlags = 0;  // flags Access adds to the columns of its own tables
    // Whether the column lies among the fixed ones, every value taking its size (a copy's, as
    // the original has it); unset: as its type has it.
    std::optional<bool> fixedLength;
};

struct JetNewIndex {
    std::string name;
    std::vector<std::pair<int, bool>> keys;  // column (index in JetNewTable::columns), descending
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
};

struct JetNewTable {
    std::string name;
    std::vector<JetNewColumn> columns;  // in the order of their numbers
    std::vector<JetNewIndex> indexes;  // each one stored index and one index as the user sees it
    // A table of the catalogue (MSysObjects and its kin), written as Access writes its own: of
    // kind 0x53, its columns (Jet 4), its indexes as the user sees them and its long-value maps
    // in the order of their names, the maps of its long values before those of its indexes, a
    // column's number not repeated in its block, a primary key not flagged as required.
    bool system = false;
};

// Where the definition's pointers lead: the page of its usage maps (rows: the table's pages,
// its pages with room, each index's pages, then two per memo or OLE column) and each index's root.
struct JetNewTablePages {
    std::uint32_t definition = 0;
    std::uint32_t maps = 0;
    std::vector<std::uint32_t> roots;
    // Where each usage-map row lies when they are not all on `maps` (a row of the list per row).
    std::vector<JetRowId> mapRows;
};

// How many usage-map rows the table needs on its map page, and the row of index `index`'s map.
int usageMapRows(const JetNewTable& table);
int indexMapRow(const JetNewTable& table, int index);

// Texts compare in the sort order and (Jet 3) the code page the file's own catalogue uses.
struct JetTextSettings {
    int sortOrder = 1033;
    int sortVersion = 0;
    int codePage = 0;  // Jet 3 only
};

// The definition's bytes (first page whole, header included; the caller splits them over pages
// when they exceed one); false with a French message when a name cannot be written or the
// columns do not fit a row.
bool buildDefinition(const JetNewTable& table, const JetFileFormat& format, const JetTextSettings& text,
                     const JetNewTablePages& pages, std::vector<unsigned char>& bytes, std::string& error);

// The parts buildDefinition() lays, for the changes of an existing definition: a column's block
// (`placed` its place in a row), a stored index's (its keys index `layout.columns`; `map` and
// `root` the pointer of its usage map and its root page), an index as the user sees it (`real`
// the stored index it uses), and a usage map kept in its row starting at `first`.
std::vector<unsigned char> columnBlock(const JetNewColumn& column, const JetLayoutColumn& placed,
                                       const JetFileFormat& format, const JetTextSettings& text,
                                       bool systemTable = false);
std::vector<unsigned char> storedIndexBlock(const JetNewIndex& index, const JetTableLayout& layout, std::uint32_t map,
                                            std::uint32_t root);
std::vector<unsigned char> logicalIndexBlock(const JetNewIndex& index, std::uint32_t number, std::uint32_t real,
                                             const JetFileFormat& format);
std::vector<unsigned char> inlineUsageMap(const JetFileFormat& format, std::uint32_t first, bool markFirst);

// The row layout buildDefinition() gives the columns, for the checks made before writing.
JetTableLayout plannedLayout(const JetNewTable& table, const JetFileFormat& format);

}  // namespace kervane::jet
