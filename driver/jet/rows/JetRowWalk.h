#pragma once
// Every live row of a table read from a file's pages, in the order of a scan: its data pages in
// usage-map order, rows in slot order, a moved row read where it now lies (the place it moved
// to, flagged deleted, is never met on its own).
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"

#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

// Where the row whose slot on page `at` is `slot` keeps its data: that slot, or for a moved row
// the one it moved to, each hop checked (a data page of the table, a slot flagged as moved data,
// at most a few hops). `at` and `slot` are brought there; false when a pointer leads elsewhere.
bool followMovedRow(JetPages& pages, const JetTableLayout& layout, JetRowId& at, datapage::Slot& slot);

// `visit` gets each row's place (the one scans see) and its bytes; it stops the walk by answering
// false (with `error` set). False with a French message naming `table` when a map, a page or a
// moved row cannot be read.
using RowVisit = std::function<bool(JetRowId where, const std::vector<unsigned char>& row, std::string& error)>;
bool walkRows(JetPages& pages, const JetTableLayout& layout, const std::string& table, const RowVisit& visit,
              std::string& error);

}  // namespace kervane::jet
