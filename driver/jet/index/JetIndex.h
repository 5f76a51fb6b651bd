#pragma once
// Indexes the driver makes for itself over the columns of a Jet table, so that a join or a
// filter on a column reads the matching rows only instead of walking the whole table again
// for every row of the other side. One walk of the table makes the index: the positions of
// its rows in the order of the column's values.
#include "driver/jet/rows/JetCursor.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kervane::jet {

// The columns that can be indexed: numbers for byte, integer, long, single and double columns
// (compared as numbers), texts for text columns (compared in Access's order).
enum class IndexKind { None, Number, Text };
IndexKind indexKindOf(const JetColumn& column);

// A value as an index compares it: the number, or the Access sort key of the text.
struct IndexKey {
    double number = 0.0;
    std::string text;
};

class ColumnIndex {
public:
    enum class Outcome { Built, TooLarge, Failed };
    // Walks `table` through `cursor` (a cursor over it), keeping every non-NULL value of its
    // column `column`; TooLarge when the table is beyond what is worth keeping in memory (or the
    // column cannot be indexed), Failed with a French message on a damage or an interrupt.
    static Outcome build(JetCursor& cursor, const JetTable& table, int column, std::unique_ptr<ColumnIndex>& index,
                         std::string& error);

    // The rows whose values lie between the bounds, both included (nullptr: no bound), in the
    // order of their values.
    struct Span {
        const RowPosition* begin = nullptr;
        const RowPosition* end = nullptr;
    };
    Span find(const IndexKey* lower, const IndexKey* upper) const;

private:
    IndexKind m_kind = IndexKind::None;
    std::vector<double> m_numbers;         // sorted, for a number index
    std::vector<std::string> m_texts;      // sorted sort keys, for a text index
    std::vector<RowPosition> m_positions;  // the rows, in the order of the keys
};

// The indexes made on one opened file, kept while the file stays as it was when opened and the
// table as it was when its index was made (JetTable::changes).
// An index is kept with the count of changes its table had when it was made (JetTable::changes,
// moved by the connection's own changes and by each commit of another connection the file
// follows): one made before is stale.
class IndexStore {
public:
    // The index of `column` of `table`, or nullptr; `known` tells whether it was tried before
    // (a table too large to index is not walked again for nothing).
    std::shared_ptr<const ColumnIndex> find(const JetTable& table, int column, bool& known) const;
    void keep(const JetTable& table, int column, std::shared_ptr<const ColumnIndex> index);

private:
    struct Kept {
        std::shared_ptr<const ColumnIndex> index;
        std::uint32_t changes = 0;  // the table's changes when the index was made
    };
    std::map<std::pair<const JetTable*, int>, Kept> m_indexes;
};

}  // namespace kervane::jet
