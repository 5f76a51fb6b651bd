#pragma once
// The orders the real indexes of a table give its rows, for the statements that read them in
// one of those orders instead of sorting them (JetIndexPlan.h).
#include "driver/jet/file/JetFile.h"
#include "driver/jet/index/JetIndexPlan.h"

#include <cstdint>
#include <map>
#include <vector>

namespace kervane::jet {

// Read from the table's definition as the connection sees the file, under the readers' lock
// when no statement of the connection holds it. An index that leaves out the rows whose key is
// Null gives no order, nor one on a column the reader does not declare. Empty when the
// definition cannot be read.
std::vector<TableOrder> tableOrders(JetFile& file, const JetTable& table);

// The orders of each table, read once while the table stays as it was then (JetTable::changes:
// a change of its structure, a commit of another connection, a change of the transaction under
// way). An index's tree keeps its root page whatever rows it gains or loses.
class TableOrderStore {
public:
    const std::vector<TableOrder>& ordersOf(JetFile& file, const JetTable& table);

private:
    struct Kept {
        std::uint32_t changes = 0;
        std::vector<TableOrder> orders;
    };
    std::map<const JetTable*, Kept> m_kept;
};

}  // namespace kervane::jet
