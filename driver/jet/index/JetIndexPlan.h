#pragma once
// How a scan of a Jet table uses the driver's indexes: which constraints it takes from
// SQLite's planner, and what the values SQLite then passes for them ask for.
#include "driver/jet/index/JetIndex.h"

#include <optional>

struct sqlite3_index_info;
struct sqlite3_value;

namespace kervane::jet {

// Takes an equality, or else a range, on one column that can be indexed (a text column only
// when the comparison is in Access's order) and prices the plan: a lookup costs far less than a
// walk of the table. Nothing is omitted: SQLite still checks every row a lookup returns, so a
// lookup only has to return every row that may match.
void planScan(const JetTable& table, sqlite3_index_info* info);

struct IndexLookup {
    enum class Kind { Walk, Nothing, Range };
    Kind kind = Kind::Walk;
    int column = -1;
    bool equal = false;             // one key: lower and upper are the same
    std::optional<IndexKey> lower;  // both bounds included
    std::optional<IndexKey> upper;
};

// What plan number `plan` (0: a walk) asks with the values `argv`: the rows between two keys of
// one column, no row at all (a NULL matches nothing), or a walk of the whole table when a value
// cannot be compared as the index compares.
IndexLookup lookupFor(const JetTable& table, int plan, int argc, sqlite3_value** argv);

}  // namespace kervane::jet
