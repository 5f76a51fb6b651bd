#pragma once
// Seeded, repeatable damage done to a copy of a Jet 3 or Jet 4 file, aimed at what index
// maintenance reads before it writes: the index pages (bytes, links, child pointers, bitmap,
// prefix), the real-index blocks of the table definition (root page, key columns, flags, usage
// map), the index usage maps and the counts of distinct keys.
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kervane::test {

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

// The page size of the file (2 KB for Jet 3, 4 KB for Jet 4), read from its header.
std::size_t pageSizeOf(const std::vector<unsigned char>& file);

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
