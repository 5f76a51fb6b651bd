#pragma once
// Byte-level checks of Jet pages, made before a page or a row is handed to libmdb,
// which trusts the offsets it reads.
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"

namespace kervane::jet {

// Number of row slots of a data page, or -1 when the slot table leaves the page.
int checkedRowCount(const JetFileFormat& format, const unsigned char* page);
// Reads slot `row` (below checkedRowCount); false when a live row lies outside the page.
bool checkedRowSlot(const JetFileFormat& format, const unsigned char* page, int row, datapage::Slot& slot);
// True when the column count, null mask and variable-column offset table of the row all lie
// inside the row, so that cracking it reads nothing else.
bool rowHeaderFits(const JetFileFormat& format, const unsigned char* page, const datapage::Slot& slot,
                   bool hasVariableColumns);

}  // namespace kervane::jet
