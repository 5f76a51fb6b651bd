#include "driver/jet/format/JetLayout.h"

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

UsageMap::UsageMap(std::vector<unsigned char> map, const JetFileFormat& format, std::uint32_t pageCount)
    : m_map(std::move(map)), m_format(format), m_pageCount(pageCount)
{
}

UsageMap::Step UsageMap::checked(std::uint64_t candidate, std::uint32_t& page, std::string& why) const
{
    if (candidate >= m_pageCount) {
        why = "page " + std::to_string(candidate) + " hors du fichier";
        return Step::Damaged;
    }
    page = static_cast<std::uint32_t>(candidate);
    return Step::Page;
}

UsageMap::Step UsageMap::next(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why)
{
    if (m_map.empty()) {
        why = "table des pages vide";
        return Step::Damaged;
    }
    if (m_map[0] == 0)
        return nextInline(after, page, why);
    if (m_map[0] == 1)
        return nextInPages(after, read, page, why);
    // Unknown map kind: every page of the file is a candidate, the caller keeps its own.
    if (static_cast<std::uint64_t>(after) + 1 >= m_pageCount)
        return Step::End;
    page = after + 1;
    return Step::Page;
}

UsageMap::Step UsageMap::nextInline(std::uint32_t after, std::uint32_t& page, std::string& why) const
{
    if (m_map.size() < 5)
        return Step::End;
    const std::uint64_t first = readUInt32(m_map.data(), 1);
    const std::uint64_t bits = (m_map.size() - 5) * 8;
    std::uint64_t bit = after >= first ? after - first + 1 : 0;
    for (; bit < bits; ++bit) {
        if (m_map[5 + bit / 8] & (1u << (bit % 8)))
            return checked(first + bit, page, why);
    }
    return Step::End;
}

UsageMap::Step UsageMap::nextInPages(std::uint32_t after, const PageReader& read, std::uint32_t& page,
                                     std::string& why)
{
    const std::uint64_t bitsPerPage = static_cast<std::uint64_t>(m_format.pageSize - 4) * 8;
    const std::uint64_t entries = (m_map.size() - 1) / 4;
    const std::uint64_t start = static_cast<std::uint64_t>(after) + 1;
    std::uint64_t bit = start % bitsPerPage;
    for (std::uint64_t entry = start / bitsPerPage; entry < entries; ++entry, bit = 0) {
        const std::uint32_t mapPage = readUInt32(m_map.data(), static_cast<int>(1 + 4 * entry));
        if (mapPage == 0)
            continue;
        if (mapPage >= m_pageCount) {
            why = "page de table des pages " + std::to_string(mapPage) + " hors du fichier";
            return Step::Damaged;
        }
        if (m_mapPage.empty() || m_mapPageNumber != mapPage) {
            m_mapPage.assign(static_cast<std::size_t>(m_format.pageSize), 0);
            if (!read(mapPage, m_mapPage.data()) || m_mapPage[0] != kMapPage) {
                m_mapPage.clear();
                why = "page de table des pages " + std::to_string(mapPage) + " illisible";
                return Step::Damaged;
            }
            m_mapPageNumber = mapPage;
        }
        for (; bit < bitsPerPage; ++bit) {
            if (m_mapPage[4 + bit / 8] & (1u << (bit % 8)))
                return checked(entry * bitsPerPage + bit, page, why);
        }
    }
    return Step::End;
}

}  // namespace kervane::jet
