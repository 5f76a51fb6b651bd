#pragma once
// The orders the real indexes of a table give its rows, for the statements that read them in
// one of those orders instead of sorting them (JetIndexPlan.h).
#include "driver/jet/file/JetFile.h"
#include "driver/jet/index/JetIndexPlan.h"

#include <vector>

namespace kervane::jet {

// Read from the table's definition as the connection sees the file, under the readers' lock
// when no statement of the connection holds it. An index that leaves out the rows whose key is
// Null gives no order, nor one on a column the reader does not declare. Empty when the
// definition cannot be read.
std::vector<TableOrder> tableOrders(JetFile& file, const JetTable& table);

}  // namespace kervane::jet
