#include "driver/jet/format/JetRowChecks.h"

#include "driver/jet/format/JetByteOrder.h"

namespace kervane::jet {

int checkedRowCount(const JetFileFormat& format, const unsigned char* page)
{
    const int rows = datapage::rowCount(page, format);
    if (format.pageFirstSlot + 2 * rows > format.pageSize)
        return -1;
    return rows;
}

bool checkedRowSlot(const JetFileFormat& format, const unsigned char* page, int row, datapage::Slot& slot)
{
    slot = datapage::storedSlot(page, row, format);
    if (slot.deleted)
        return true;
    const int slotTableEnd = format.pageFirstSlot + 2 * datapage::rowCount(page, format);
    return slot.start >= slotTableEnd && slot.size() > 0 && slot.end <= format.pageSize;
}

bool rowHeaderFits(const JetFileFormat& format, const unsigned char* page, const datapage::Slot& slot,
                   bool hasVariableColumns)
{
    const int countSize = format.jet3 ? 1 : 2;
    if (slot.size() <= countSize)
        return false;
    const int columns = format.jet3 ? page[slot.start] : readUInt16(page, slot.start);
    const int bitmask = (columns + 7) / 8;
    const int rowEnd = slot.start + slot.size() - 1;
    const int firstAfterCount = slot.start + countSize;
    if (rowEnd - bitmask + 1 < firstAfterCount)
        return false;
    if (!hasVariableColumns)
        return true;
    if (format.jet3) {
        if (rowEnd - bitmask < firstAfterCount)
            return false;
        const int variables = page[rowEnd - bitmask];
        const int jumps = (slot.size() - 1) / 256;
        const int offsetTable = rowEnd - bitmask - jumps - 1;
        return offsetTable - variables >= firstAfterCount;
    }
    if (rowEnd - bitmask - 1 < firstAfterCount)
        return false;
    const int variables = readUInt16(page, rowEnd - bitmask - 1);
    return rowEnd - bitmask - 3 - 2 * variables >= firstAfterCount;
}

}  // namespace kervane::jet
