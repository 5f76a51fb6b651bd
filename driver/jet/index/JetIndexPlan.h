#pragma once
// How a scan of a Jet table uses the driver's indexes: which constraints it takes from
// SQLite's planner, and what the values SQLite then passes for them ask for.
#include "driver/jet/index/JetIndex.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3_index_info;
struct sqlite3_value;

namespace kervane::jet {

// An order a real index of the file gives the table's rows: its columns (their places among the
// table's columns, each descending or not), and the page its tree starts from.
struct TableOrder {
    std::uint32_t root = 0;
    std::vector<std::pair<int, bool>> columns;
};

// Takes an equality, or else a range, on one column that can be indexed (a text column only
// when the comparison is in Access's order) and prices the plan: a lookup costs far less than a
// walk of the table. Nothing is omitted: SQLite still checks every row a lookup returns, so a
// lookup only has to return every row that may match. With neither, an ORDER BY on number
// columns that one of `orders` gives (its first columns, all in its directions or all against
// them) is served by walking that index: SQLite then sorts nothing, and stops reading once it
// has the rows a LIMIT asks for.
void planScan(const JetTable& table, sqlite3_index_info* info, const std::vector<TableOrder>& orders = {});

struct IndexLookup {
    enum class Kind { Walk, Nothing, Range, Ordered };
    Kind kind = Kind::Walk;
    int column = -1;
    bool equal = false;             // one key: lower and upper are the same
    std::optional<IndexKey> lower;  // both bounds included
    std::optional<IndexKey> upper;
    std::vector<std::pair<int, bool>> orderColumns;  // Ordered: the columns of the order chosen
    bool backwards = false;                          // Ordered: against the index's directions
};

// What plan number `plan` (0: a walk) asks with the values `argv`: the rows between two keys of
// one column, no row at all (a NULL matches nothing), or a walk of the whole table when a value
// cannot be compared as the index compares; or a walk in the order of an index, whose columns
// `planText` (the plan's text) names, so that the walk finds that index again as the file has
// it when the statement runs.
IndexLookup lookupFor(const JetTable& table, int plan, int argc, sqlite3_value** argv, const char* planText = nullptr);

}  // namespace kervane::jet
