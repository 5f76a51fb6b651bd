#include "driver/jet/format/JetDataPage.h"

#include "driver/jet/format/JetByteOrder.h"

#include <algorithm>
#include <cstring>

namespace kervane::jet::datapage {

namespace {

int slotOffset(const JetFileFormat& format, int row)
{
    return format.pageFirstSlot + 2 * row;
}

// Where the rows laid so far begin: the lowest start in the offset table.
int lowestStart(const unsigned char* page, const JetFileFormat& format)
{
    const int rows = rowCount(page, format);
    return rows == 0 ? format.pageSize : storedSlot(page, rows - 1, format).start;
}

// True when the offsets go down from the page's end without reaching the offset table, as
// rows laid one below the other leave them: only then does a new row below the last one
// overlap nothing.
bool rowsInOrder(const unsigned char* page, const JetFileFormat& format)
{
    const int rows = rowCount(page, format);
    if (rows > kMaxRows)
        return false;
    int above = format.pageSize;
    for (int row = 0; row < rows; ++row) {
        const int start = storedSlot(page, row, format).start;
        if (start > above || start < slotOffset(format, rows))
            return false;
        above = start;
    }
    return true;
}

// The bytes between the offset table and the lowest row.
int gap(const unsigned char* page, const JetFileFormat& format)
{
    return lowestStart(page, format) - slotOffset(format, rowCount(page, format));
}

// What a row whose offset entry is `entry` keeps of its `size` bytes when the page is laid again.
int keptSize(int entry, int size)
{
    if ((entry & kRowDeleted) != 0 && (entry & kRowMoved) != 0)
        return 0;
    return (entry & kRowMoved) != 0 ? kPointerSize : size;
}

// The bytes laying the page again would take back; -1 when it cannot be laid again exactly: its
// offsets out of order, its free space other than the gap, a moved row's place too short for
// its pointer.
int reclaimable(const unsigned char* page, const JetFileFormat& format)
{
    if (!rowsInOrder(page, format) || freeSpace(page) != gap(page, format))
        return -1;
    int freed = 0;
    int above = format.pageSize;
    for (int row = 0; row < rowCount(page, format); ++row) {
        const int entry = readUInt16(page, slotOffset(format, row));
        const int size = above - (entry & kRowOffsetMask);
        if (keptSize(entry, size) > size)
            return -1;
        freed += size - keptSize(entry, size);
        above = entry & kRowOffsetMask;
    }
    return freed;
}

// Lays the rows again from the page's end in slot order, each keeping keptSize() bytes, `replaced`
// (when there is one) given `bytes` instead; the gap left is zeroed. reclaimable() must have
// accepted the page.
void layAgain(unsigned char* page, const JetFileFormat& format, int replaced = -1,
              const std::vector<unsigned char>& bytes = {})
{
    const std::vector<unsigned char> before(page, page + format.pageSize);
    const int rows = rowCount(page, format);
    int above = format.pageSize;
    int at = format.pageSize;
    for (int row = 0; row < rows; ++row) {
        const int entry = readUInt16(before.data(), slotOffset(format, row));
        const int start = entry & kRowOffsetMask;
        const bool given = row == replaced;
        const int size = given ? static_cast<int>(bytes.size()) : keptSize(entry, above - start);
        at -= size;
        std::copy_n(given ? bytes.data() : before.data() + start, size, page + at);
        writeUInt16(page, slotOffset(format, row), at | (entry & ~kRowOffsetMask));
        above = start;
    }
    const int tableEnd = slotOffset(format, rows);
    std::fill(page + tableEnd, page + at, 0);
    writeUInt16(page, kPageFreeSpace, at - tableEnd);
}

// Bytes rows and offset entries may still take: the gap, and what laying the page again would
// take back; on a page that cannot be laid again, the smaller of its free space and its gap.
int room(const unsigned char* page, const JetFileFormat& format)
{
    if (!rowsInOrder(page, format))
        return 0;
    const int freed = reclaimable(page, format);
    return freed < 0 ? std::min(freeSpace(page), gap(page, format)) : gap(page, format) + freed;
}

}  // namespace

void initialise(unsigned char* page, std::uint32_t owner, const JetFileFormat& format)
{
    std::memset(page, 0, static_cast<std::size_t>(format.pageSize));
    page[0] = kDataPage;
    page[1] = 0x01;
    writeUInt16(page, kPageFreeSpace, format.pageSize - format.pageFirstSlot);
    writeUInt32(page, kPageOwner, owner);
}

bool isDataPageOf(const unsigned char* page, std::uint32_t owner)
{
    return page[0] == kDataPage && readUInt32(page, kPageOwner) == owner;
}

int rowCount(const unsigned char* page, const JetFileFormat& format)
{
    return readUInt16(page, format.pageRowCount);
}

int freeSpace(const unsigned char* page)
{
    return readUInt16(page, kPageFreeSpace);
}

Slot storedSlot(const unsigned char* page, int row, const JetFileFormat& format)
{
    const int entry = readUInt16(page, slotOffset(format, row));
    Slot out;
    out.start = entry & kRowOffsetMask;
    out.end = row == 0 ? format.pageSize : (readUInt16(page, slotOffset(format, row - 1)) & kRowOffsetMask);
    out.deleted = (entry & kRowDeleted) != 0;
    out.moved = (entry & kRowMoved) != 0;
    return out;
}

bool slot(const unsigned char* page, int row, Slot& out, const JetFileFormat& format)
{
    const int rows = rowCount(page, format);
    if (row < 0 || row >= rows || rows > kMaxRows)
        return false;
    out = storedSlot(page, row, format);
    return out.start >= slotOffset(format, rows) && out.start <= out.end && out.end <= format.pageSize &&
           rowsInOrder(page, format);
}

bool fits(const unsigned char* page, int size, const JetFileFormat& format)
{
    return rowCount(page, format) < kMaxRows && size + 2 <= room(page, format);
}

int add(unsigned char* page, const std::vector<unsigned char>& row, std::uint16_t flags, const JetFileFormat& format)
{
    if (static_cast<int>(row.size()) + 2 > gap(page, format))
        layAgain(page, format);
    const int rows = rowCount(page, format);
    const int start = lowestStart(page, format) - static_cast<int>(row.size());
    std::copy(row.begin(), row.end(), page + start);
    writeUInt16(page, slotOffset(format, rows), start | flags);
    writeUInt16(page, format.pageRowCount, rows + 1);
    writeUInt16(page, kPageFreeSpace, freeSpace(page) - static_cast<int>(row.size()) - 2);
    return rows;
}

bool canGrow(const unsigned char* page, int row, int extra, const JetFileFormat& format)
{
    const int rows = rowCount(page, format);
    return row >= 0 && row < rows && extra >= 0 && extra <= freeSpace(page) && rowsInOrder(page, format) &&
           lowestStart(page, format) - extra >= slotOffset(format, rows);
}

void grow(unsigned char* page, int row, int extra, const JetFileFormat& format)
{
    const int rows = rowCount(page, format);
    const int end = storedSlot(page, row, format).end;
    const int lowest = lowestStart(page, format);
    std::memmove(page + lowest - extra, page + lowest, static_cast<std::size_t>(end - lowest));
    std::memset(page + end - extra, 0, static_cast<std::size_t>(extra));
    for (int moved = row; moved < rows; ++moved) {
        const int entry = readUInt16(page, slotOffset(format, moved));
        writeUInt16(page, slotOffset(format, moved), ((entry & kRowOffsetMask) - extra) | (entry & ~kRowOffsetMask));
    }
    writeUInt16(page, kPageFreeSpace, freeSpace(page) - extra);
}

bool canRewrite(const unsigned char* page, int row, int size, const JetFileFormat& format)
{
    const int freed = reclaimable(page, format);
    if (row < 0 || row >= rowCount(page, format) || freed < 0)
        return false;
    const int entry = readUInt16(page, slotOffset(format, row));
    return size - keptSize(entry, storedSlot(page, row, format).size()) <= gap(page, format) + freed;
}

void rewrite(unsigned char* page, int row, const std::vector<unsigned char>& bytes, const JetFileFormat& format)
{
    layAgain(page, format, row, bytes);
}

void flag(unsigned char* page, int row, std::uint16_t flags, const JetFileFormat& format)
{
    writeUInt16(page, slotOffset(format, row), readUInt16(page, slotOffset(format, row)) | flags);
}

}  // namespace kervane::jet::datapage
