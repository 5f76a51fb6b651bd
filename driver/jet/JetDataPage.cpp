#include "driver/jet/JetDataPage.h"

#include <algorithm>
#include <cstring>

namespace kervane::jet::datapage {

namespace {

constexpr unsigned char kDataPageType = 0x01;

int word(const unsigned char* p, int at)
{
    return p[at] | (p[at + 1] << 8);
}

void putWord(unsigned char* p, int at, int value)
{
    p[at] = static_cast<unsigned char>(value & 0xff);
    p[at + 1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

int slotOffset(int row)
{
    return kFirstSlot + 2 * row;
}

// Where the rows laid so far begin: the lowest start in the offset table.
int lowestStart(const unsigned char* page)
{
    const int rows = rowCount(page);
    return rows == 0 ? kPageSize : (word(page, slotOffset(rows - 1)) & kOffsetMask);
}

}  // namespace

void initialise(unsigned char* page, std::uint32_t owner)
{
    std::memset(page, 0, kPageSize);
    page[0] = kDataPageType;
    page[1] = 0x01;
    putWord(page, kFreeSpace, kPageSize - kFirstSlot);
    for (int i = 0; i < 4; ++i)
        page[kOwner + i] = static_cast<unsigned char>((owner >> (8 * i)) & 0xff);
}

bool isDataPageOf(const unsigned char* page, std::uint32_t owner)
{
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i)
        stored |= static_cast<std::uint32_t>(page[kOwner + i]) << (8 * i);
    return page[0] == kDataPageType && stored == owner;
}

int rowCount(const unsigned char* page)
{
    return word(page, kRowCount);
}

int freeSpace(const unsigned char* page)
{
    return word(page, kFreeSpace);
}

bool slot(const unsigned char* page, int row, Slot& out)
{
    const int rows = rowCount(page);
    if (row < 0 || row >= rows || rows > kMaxRows)
        return false;
    const int entry = word(page, slotOffset(row));
    out.start = entry & kOffsetMask;
    out.end = row == 0 ? kPageSize : (word(page, slotOffset(row - 1)) & kOffsetMask);
    out.deleted = (entry & kDeleted) != 0;
    out.overflow = (entry & kOverflow) != 0;
    return out.start >= slotOffset(rows) && out.start <= out.end && out.end <= kPageSize;
}

bool fits(const unsigned char* page, int size)
{
    const int rows = rowCount(page);
    // Both the recorded free space and the real gap must hold the row and its offset entry.
    return rows < kMaxRows && size + 2 <= freeSpace(page) && lowestStart(page) - size >= slotOffset(rows + 1);
}

int add(unsigned char* page, const std::vector<unsigned char>& row, std::uint16_t flags)
{
    const int rows = rowCount(page);
    const int start = lowestStart(page) - static_cast<int>(row.size());
    std::copy(row.begin(), row.end(), page + start);
    putWord(page, slotOffset(rows), start | flags);
    putWord(page, kRowCount, rows + 1);
    putWord(page, kFreeSpace, freeSpace(page) - static_cast<int>(row.size()) - 2);
    return rows;
}

void flag(unsigned char* page, int row, std::uint16_t flags)
{
    putWord(page, slotOffset(row), word(page, slotOffset(row)) | flags);
}

}  // namespace kervane::jet::datapage
