#pragma once
// Seeded, repeatable damage done to a copy of a Jet 4 file, aimed at what a row writer reads
// before it writes: the table definition, its data pages and their row offsets, the usage maps,
// the long-value pages and their chains, moved rows, the file's map of free pages, its length.
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
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

}  // namespace kervane::test
