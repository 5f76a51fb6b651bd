#include "driver/jet/format/JetUsageMap.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetLayout.h"
#include "driver/jet/format/JetPages.h"

#include <algorithm>
#include <set>

namespace kervane::jet {

namespace {

constexpr unsigned char kInlineMap = 0x00;
constexpr unsigned char kReferenceMap = 0x01;
constexpr int kMapPageHeader = 4;
constexpr JetRowId kUnownedPages{1, 0};  // the file's map of pages no object owns
// A row that grows takes room for this many more pages at once when its page has it, so that
// a table growing page by page does not move its map's page each time.
constexpr int kGrowthBytes = 8;


}  // namespace

bool JetUsageMap::open(JetPages& pages, JetRowId where, JetUsageMap& map, std::string& error)
{
    const unsigned char* page = pages.read(where.page);
    datapage::Slot slot;
    if (page == nullptr || page[0] != kDataPage || !datapage::slot(page, where.row, slot, fileFormatFor(pages.pageSize())) ||
        slot.deleted || slot.size() < 5 || (page[slot.start] != kInlineMap && page[slot.start] != kReferenceMap)) {
        error = "La carte des pages d'une table (page " + std::to_string(where.page) + ", ligne " +
                std::to_string(where.row) + ") est illisible.";
        return false;
    }
    map.m_pages = &pages;
    map.m_page = where.page;
    map.m_start = slot.start;
    map.m_end = slot.end;
    map.m_row = where.row;
    map.m_inline = page[slot.start] == kInlineMap;
    map.m_unowned = where.page == kUnownedPages.page && where.row == kUnownedPages.row;
    return true;
}

bool JetUsageMap::locate(std::uint32_t page, std::uint32_t& where, int& offset, int& bit) const
{
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return false;
    if (m_inline) {
        const std::uint32_t first = readUInt32(row, m_start + 1);
        const std::uint64_t capacity = static_cast<std::uint64_t>(m_end - m_start - 5) * 8;
        if (page < first || page - first >= capacity)
            return false;
        where = m_page;
        offset = m_start + 5 + static_cast<int>((page - first) / 8);
        bit = static_cast<int>((page - first) % 8);
        return true;
    }
    const std::uint32_t perPage = static_cast<std::uint32_t>(m_pages->pageSize() - kMapPageHeader) * 8;
    const std::uint32_t entry = page / perPage;
    if (1 + 4 * static_cast<std::uint64_t>(entry) + 4 > static_cast<std::uint64_t>(m_end - m_start))
        return false;
    where = readUInt32(row, m_start + 1 + 4 * static_cast<int>(entry));
    const unsigned char* mapPage = where == 0 ? nullptr : m_pages->read(where);
    if (mapPage == nullptr || mapPage[0] != kMapPage)
        return false;
    offset = kMapPageHeader + static_cast<int>((page % perPage) / 8);
    bit = static_cast<int>(page % 8);
    return true;
}

namespace {

// Pages whose bit is set in `bits` (count bytes), the first bit standing for `first`.
void collect(const unsigned char* bits, std::size_t count, std::uint64_t first, std::uint32_t pageCount,
             std::vector<std::uint32_t>& marked)
{
    for (std::size_t i = 0; i < count; ++i) {
        for (int bit = 0; bits[i] != 0 && bit < 8; ++bit) {
            const std::uint64_t page = first + 8 * i + static_cast<unsigned>(bit);
            if ((bits[i] & (1u << bit)) != 0 && page < pageCount)
                marked.push_back(static_cast<std::uint32_t>(page));
        }
    }
}

// True when a bit of `bits` (count bytes, the first bit standing for `first`) marks a page at
// or past `end`.
bool marksFrom(const unsigned char* bits, std::size_t count, std::uint64_t first, std::uint64_t end)
{
    const std::uint64_t from = end > first ? end - first : 0;  // first bit standing for `end` or later
    for (std::uint64_t i = from / 8; i < count; ++i) {
        const unsigned mask = i == from / 8 ? 0xffu << (from % 8) : 0xffu;
        if ((bits[i] & mask) != 0)
            return true;
    }
    return false;
}

}  // namespace

bool JetUsageMap::withinFile() const
{
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return false;
    const std::uint32_t end = m_pages->pageCount();
    if (m_inline)
        return !marksFrom(row + m_start + 5, static_cast<std::size_t>(m_end - m_start - 5), readUInt32(row, m_start + 1), end);
    const std::size_t bytesPerPage = m_pages->pageSize() - kMapPageHeader;
    for (int entry = 0; 1 + 4 * entry + 4 <= m_end - m_start; ++entry) {
        const std::uint32_t where = readUInt32(row, m_start + 1 + 4 * entry);
        if (where == 0)
            continue;
        const unsigned char* mapPage = m_pages->read(where);
        if (mapPage == nullptr)
            return false;
        if (mapPage[0] == kMapPage &&
            marksFrom(mapPage + kMapPageHeader, bytesPerPage, std::uint64_t{bytesPerPage} * 8 * static_cast<unsigned>(entry), end))
            return false;
    }
    return true;
}

std::vector<std::uint32_t> JetUsageMap::pages() const
{
    std::vector<std::uint32_t> marked;
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return marked;
    if (m_inline) {
        collect(row + m_start + 5, static_cast<std::size_t>(m_end - m_start - 5), readUInt32(row, m_start + 1),
                m_pages->pageCount(), marked);
        return marked;
    }
    const std::size_t bytesPerPage = m_pages->pageSize() - kMapPageHeader;
    for (int entry = 0; 1 + 4 * entry + 4 <= m_end - m_start; ++entry) {
        const std::uint32_t where = readUInt32(row, m_start + 1 + 4 * entry);
        const unsigned char* mapPage = where == 0 ? nullptr : m_pages->read(where);
        if (mapPage != nullptr && mapPage[0] == kMapPage)
            collect(mapPage + kMapPageHeader, bytesPerPage, std::uint64_t{bytesPerPage} * 8 * static_cast<unsigned>(entry),
                    m_pages->pageCount(), marked);
    }
    return marked;
}

bool JetUsageMap::contains(std::uint32_t page) const
{
    std::uint32_t where = 0;
    int offset = 0;
    int bit = 0;
    if (!locate(page, where, offset, bit))
        return false;
    const unsigned char* bytes = m_pages->read(where);
    return bytes != nullptr && (bytes[offset] & (1u << bit)) != 0;
}

bool JetUsageMap::covers(std::uint32_t page) const
{
    std::uint32_t where = 0;
    int offset = 0;
    int bit = 0;
    return locate(page, where, offset, bit);
}

std::uint32_t JetUsageMap::firstPage() const
{
    const unsigned char* row = m_pages->read(m_page);
    return row == nullptr ? 0 : readUInt32(row, m_start + 1);
}

JetUsageMap::Reach JetUsageMap::reachFor(std::uint32_t page) const
{
    Reach reach;
    reach.start = m_inline ? firstPage() : 0;
    if (covers(page)) {
        reach.possible = true;
        return reach;
    }
    if (!m_inline)
        return reach;  // a map on pages of its own gets new ones only from prepareMaps()
    if (!m_unowned) {
        // The map may start elsewhere when every page it marks still fits: nothing grows.
        const std::vector<std::uint32_t> marked = pages();
        const std::uint32_t start = (marked.empty() ? page : std::min(marked.front(), page)) / 8 * 8;
        const std::uint32_t highest = marked.empty() ? page : std::max(marked.back(), page);
        if (highest - start < static_cast<std::uint32_t>(bitmapBytes()) * 8) {
            reach.possible = true;
            reach.start = start;
            return reach;
        }
    }
    // Else its row grows on its page (the map of unowned pages starts at page 0 for good).
    if (page < reach.start)
        return reach;
    const unsigned char* rowPage = m_pages->read(m_page);
    const JetFileFormat& format = fileFormatFor(m_pages->pageSize());
    const int needed = static_cast<int>((page - reach.start) / 8 + 1) - bitmapBytes();
    const int wanted = needed + kGrowthBytes - 1 - (needed - 1) % kGrowthBytes;
    for (int extra : {wanted, needed}) {
        if (rowPage != nullptr && datapage::canGrow(rowPage, m_row, extra, format)) {
            reach.possible = true;
            reach.extraBytes = extra;
            return reach;
        }
    }
    return reach;
}

bool JetUsageMap::canReach(std::uint32_t page, int& extraBytes) const
{
    const Reach reach = reachFor(page);
    extraBytes = reach.extraBytes;
    return reach.possible;
}

void JetUsageMap::growRow(int extraBytes)
{
    const std::uint32_t coveredBefore = firstPage() + static_cast<std::uint32_t>(bitmapBytes()) * 8;
    unsigned char* bytes = m_pages->change(m_page);
    datapage::grow(bytes, m_row, extraBytes, fileFormatFor(m_pages->pageSize()));
    m_start -= extraBytes;
    if (!m_unowned)
        return;
    // As in Access's files, the map of unowned pages marks free the pages past the file's end.
    for (std::uint32_t page = std::max(coveredBefore, m_pages->pageCount()); covers(page); ++page)
        set(page, true);
}

void JetUsageMap::moveFirstPage(std::uint32_t start)
{
    const std::vector<std::uint32_t> marked = pages();
    unsigned char* row = m_pages->change(m_page);
    std::fill(row + m_start + 5, row + m_end, 0);
    writeUInt32(row, m_start + 1, start);
    for (std::uint32_t page : marked)
        set(page, true);
}

bool JetUsageMap::reach(std::uint32_t page)
{
    const Reach reach = reachFor(page);
    if (!reach.possible)
        return false;
    if (reach.extraBytes > 0)
        growRow(reach.extraBytes);
    else if (m_inline && reach.start != firstPage())
        moveFirstPage(reach.start);
    return covers(page);
}

bool JetUsageMap::referTo(std::uint32_t lastPage)
{
    const std::uint32_t perPage = static_cast<std::uint32_t>(m_pages->pageSize() - kMapPageHeader) * 8;
    const std::uint32_t entries = static_cast<std::uint32_t>(m_end - m_start - 1) / 4;
    const std::vector<std::uint32_t> marked = pages();
    std::set<std::uint32_t> needed;
    for (std::uint32_t page : marked)
        needed.insert(page / perPage);
    for (std::uint32_t entry = m_pages->pageCount() / perPage; entry <= lastPage / perPage; ++entry)
        needed.insert(entry);
    needed.insert(lastPage / perPage);
    if (*needed.rbegin() >= entries)
        return false;
    std::vector<std::uint32_t> mapPages(entries, 0);
    if (!m_inline)
        for (std::uint32_t entry = 0; entry < entries; ++entry)
            mapPages[entry] = readUInt32(m_pages->read(m_page), m_start + 1 + 4 * static_cast<int>(entry));
    std::string ignored;
    JetUsageMap unowned;
    for (std::uint32_t entry : needed) {
        if (mapPages[entry] != 0)
            continue;
        const std::uint32_t page = m_pages->append();
        // The map of unowned pages marks its own map pages used by leaving their bits clear.
        if (page == 0 ||
            (!m_unowned && (!JetUsageMap::open(*m_pages, kUnownedPages, unowned, ignored) || !unowned.set(page, false))))
            return false;
        unsigned char* bytes = m_pages->change(page);
        bytes[0] = kMapPage;
        bytes[1] = 0x01;
        mapPages[entry] = page;
    }
    // The map page may have grown the map of unowned pages, moving this row on its page.
    if (!JetUsageMap::open(*m_pages, {m_page, m_row}, *this, ignored))
        return false;
    unsigned char* row = m_pages->change(m_page);
    std::fill(row + m_start, row + m_end, 0);
    row[m_start] = kReferenceMap;
    for (std::uint32_t entry = 0; entry < entries; ++entry)
        writeUInt32(row, m_start + 1 + 4 * static_cast<int>(entry), mapPages[entry]);
    m_inline = false;
    for (std::uint32_t page : marked)
        if (!set(page, true))
            return false;
    if (m_unowned)
        for (std::uint32_t page = m_pages->pageCount(); covers(page); ++page)
            set(page, true);  // past the file's end: free
    return true;
}

bool JetUsageMap::set(std::uint32_t page, bool on)
{
    if (!covers(page)) {
        // A page the map does not reach is not marked in it: clearing it is done already (the
        // map of unowned pages aside, whose pages past its range are taken as free).
        if (!on && !m_unowned)
            return true;
        if (!reach(page))
            return false;
    }
    std::uint32_t where = 0;
    int offset = 0;
    int bit = 0;
    if (!locate(page, where, offset, bit) || contains(page) == on)
        return true;
    unsigned char* bytes = m_pages->change(where);
    if (bytes == nullptr)
        return false;
    if (on)
        bytes[offset] = static_cast<unsigned char>(bytes[offset] | (1u << bit));
    else
        bytes[offset] = static_cast<unsigned char>(bytes[offset] & ~(1u << bit));
    return true;
}

}  // namespace kervane::jet
