#pragma once
// Seeded, repeatable damage done to a copy of a Jet file, aimed at what the row writer reads
// before it writes. For Jet 4 tables: the table definition, its data pages and their row offsets,
// the usage maps, the long-value pages and their chains, moved rows, the file's map of free pages,
// its length. For the indexes of Jet 3 and Jet 4 tables: the index pages (bytes, links, child
// pointers, bitmap, prefix), the real-index blocks of the table definition (root page, key
// columns, flags, usage map), the index usage maps and the counts of distinct keys.
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kervane::test {

// Where one table's structures lie in an undamaged file.
struct TableMap {
    std::uint32_t definition = 0;
    std::vector<std::uint32_t> dataPages;       // its own data pages
    std::vector<jet::JetRowId> usageMaps;       // its two maps and those of its long values
    std::vector<std::uint32_t> longValuePages;  // every long-value page of the file
    std::vector<jet::JetRowId> rows;            // rows a scan meets (header slots)
    std::vector<jet::JetRowId> movedRows;       // header slots pointing at where their row lies
    std::vector<std::vector<jet::JetRowId>> chains;  // pieces of each chained long value
};

// Reads the map of the table whose definition starts on `definition`; false with why.
bool mapTable(const std::vector<unsigned char>& file, std::uint32_t definition, TableMap& map, std::string& why);

enum class Damage {
    DefinitionBytes,     // random bytes of the definition page
    DataPageBytes,       // random bytes of a data page
    UsageMapRow,         // random bytes of a usage map's row
    LongValuePageBytes,  // random bytes of a long-value page
    FreePageMap,         // random bytes of the file's map of unowned pages (page 1)
    Truncated,           // the file cut at or inside a page
    ZeroedPage,          // one of the table's pages, or any page (the header too), all zeros
    RowOutsidePage,      // a row offset beyond the page or into its offset table
    OverlappingRows,     // row offsets out of their descending order
    LongValueLoop,       // a chained long value's piece pointing back into its chain
    MovedRowLoop,        // a moved row's pointer leading back to itself, or to a live row
};
constexpr int kDamageKinds = 11;
const char* damageName(Damage kind);

// Applies one damage of `kind` chosen by `random`; false when the file has nothing of that kind
// (it is then unchanged). `what` says where the damage went.
bool damage(std::vector<unsigned char>& file, const TableMap& map, Damage kind, std::mt19937& random,
            std::string& what);

// Where one real index lies in an undamaged file.
struct IndexTreeMap {
    std::uint32_t root = 0;
    jet::JetRowId usageMap;
    std::size_t block = 0;         // file offset of its block after the column names
    std::size_t distinctKeys = 0;  // file offset of its count of distinct keys
    std::vector<std::uint32_t> leaves;
    std::vector<std::uint32_t> intermediates;
    std::map<std::uint32_t, std::uint32_t> parentOf;  // page -> the intermediate page naming it
};

// Where one table's indexes and pages lie in an undamaged file.
struct IndexedTableMap {
    const jet::JetFileFormat* format = &jet::jet4FileFormat();
    std::uint32_t definition = 0;
    std::vector<std::uint32_t> dataPages;
    std::vector<IndexTreeMap> indexes;
    std::vector<jet::JetRowId> rows;  // the rows the leaves of its indexes point at
};

// Reads the indexes of the table whose definition starts on `definition`; false with why.
bool mapIndexes(const std::vector<unsigned char>& file, std::uint32_t definition, IndexedTableMap& map,
                std::string& why);

enum class IndexDamage {
    PageBytes,       // random bytes of a leaf or intermediate page
    LinkAstray,      // previous, next or tail link at the page itself, a page of another kind, past the end
    ChildLoop,       // a child pointer of an intermediate page naming one of its ancestors
    BitmapOrPrefix,  // the entry bitmap marking past the entries, or a prefix length out of range
    RootElsewhere,   // the root page of an index at a page that is not one of its index pages
    UsageMap,        // random bytes of the row of an index's usage map
    RealIndexBlock,  // the definition's block of a real index: key columns, flags, usage map, root
    DistinctKeys,    // the count of distinct keys absurd
};
constexpr int kIndexDamageKinds = 8;
const char* indexDamageName(IndexDamage kind);

// Applies one damage of `kind` chosen by `random`; false when the table has nothing of that
// kind (the file is then unchanged). `what` says where the damage went.
bool damageIndex(std::vector<unsigned char>& file, const IndexedTableMap& map, IndexDamage kind, std::mt19937& random,
                 std::string& what);

}  // namespace kervane::test
