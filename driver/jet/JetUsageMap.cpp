#include "driver/jet/JetUsageMap.h"

#include "driver/jet/JetDataPage.h"
#include "driver/jet/JetPages.h"

#include <algorithm>

namespace kervane::jet {

namespace {

constexpr unsigned char kInlineMap = 0x00;
constexpr unsigned char kReferenceMap = 0x01;
constexpr unsigned char kMapPageType = 0x05;
constexpr int kMapPageHeader = 4;
constexpr JetRowId kUnownedPages{1, 0};  // the file's map of pages no object owns

std::uint32_t dword(const unsigned char* p, int at)
{
    return static_cast<std::uint32_t>(p[at]) | (static_cast<std::uint32_t>(p[at + 1]) << 8) |
           (static_cast<std::uint32_t>(p[at + 2]) << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
}

}  // namespace

bool JetUsageMap::open(JetPages& pages, JetRowId where, JetUsageMap& map, std::string& error)
{
    const unsigned char* page = pages.read(where.page);
    datapage::Slot slot;
    if (page == nullptr || page[0] != 0x01 || !datapage::slot(page, where.row, slot, fileFormatFor(pages.pageSize())) ||
        slot.deleted || slot.size() < 5 || (page[slot.start] != kInlineMap && page[slot.start] != kReferenceMap)) {
        error = "La carte des pages d'une table (page " + std::to_string(where.page) + ", ligne " +
                std::to_string(where.row) + ") est illisible.";
        return false;
    }
    map.m_pages = &pages;
    map.m_page = where.page;
    map.m_start = slot.start;
    map.m_end = slot.end;
    map.m_inline = page[slot.start] == kInlineMap;
    return true;
}

bool JetUsageMap::locate(std::uint32_t page, std::uint32_t& where, int& offset, int& bit) const
{
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return false;
    if (m_inline) {
        const std::uint32_t first = dword(row, m_start + 1);
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
    where = dword(row, m_start + 1 + 4 * static_cast<int>(entry));
    const unsigned char* mapPage = where == 0 ? nullptr : m_pages->read(where);
    if (mapPage == nullptr || mapPage[0] != kMapPageType)
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
        return !marksFrom(row + m_start + 5, static_cast<std::size_t>(m_end - m_start - 5), dword(row, m_start + 1), end);
    const std::size_t bytesPerPage = m_pages->pageSize() - kMapPageHeader;
    for (int entry = 0; 1 + 4 * entry + 4 <= m_end - m_start; ++entry) {
        const std::uint32_t where = dword(row, m_start + 1 + 4 * entry);
        if (where == 0)
            continue;
        const unsigned char* mapPage = m_pages->read(where);
        if (mapPage == nullptr)
            return false;
        if (mapPage[0] == kMapPageType &&
            marksFrom(mapPage + kMapPageHeader, bytesPerPage, std::uint64_t{bytesPerPage} * 8 * static_cast<unsigned>(entry), end))
            return false;
    }
    return true;
}

bool checkTableMaps(JetPages& pages, const JetTableLayout& layout, const std::string& table, std::string& error)
{
    std::vector<std::uint32_t> longValueMaps;
    for (const auto& column : layout.columns) {
        if (column.hasLongValueMaps) {
            longValueMaps.push_back(column.longValueOwned);
            longValueMaps.push_back(column.longValueFree);
        }
    }
    JetUsageMap owned;
    JetUsageMap free;
    if (!JetUsageMap::open(pages, layout.ownedPages, owned, error) ||
        !JetUsageMap::open(pages, layout.freeSpacePages, free, error))
        return false;
    bool within = owned.withinFile() && free.withinFile();
    for (std::uint32_t pointer : longValueMaps) {
        JetUsageMap map;
        std::string unread;  // a long-value map that cannot be read only stops long values
        within = within && (!JetUsageMap::open(pages, JetRowId::fromPointer(pointer), map, unread) || map.withinFile());
    }
    if (!within) {
        error = "La table « " + table + " » utilise des pages au-delà de la fin du fichier : le fichier a été "
                "tronqué et ne peut pas être modifié.";
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
        collect(row + m_start + 5, static_cast<std::size_t>(m_end - m_start - 5), dword(row, m_start + 1),
                m_pages->pageCount(), marked);
        return marked;
    }
    const std::size_t bytesPerPage = m_pages->pageSize() - kMapPageHeader;
    for (int entry = 0; 1 + 4 * entry + 4 <= m_end - m_start; ++entry) {
        const std::uint32_t where = dword(row, m_start + 1 + 4 * entry);
        const unsigned char* mapPage = where == 0 ? nullptr : m_pages->read(where);
        if (mapPage != nullptr && mapPage[0] == kMapPageType)
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

void JetUsageMap::set(std::uint32_t page, bool on)
{
    std::uint32_t where = 0;
    int offset = 0;
    int bit = 0;
    if (!locate(page, where, offset, bit) || contains(page) == on)
        return;
    unsigned char* bytes = m_pages->change(where);
    if (bytes == nullptr)
        return;
    if (on)
        bytes[offset] = static_cast<unsigned char>(bytes[offset] | (1u << bit));
    else
        bytes[offset] = static_cast<unsigned char>(bytes[offset] & ~(1u << bit));
}

std::uint32_t appendMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps)
{
    std::string ignored;
    JetUsageMap map;
    const std::uint32_t page = pages.append();
    if (page == 0)
        return 0;  // refused (the transaction's memory is full): no map marks it
    for (JetRowId where : maps)
        if (JetUsageMap::open(pages, where, map, ignored))
            map.set(page, true);
    if (JetUsageMap::open(pages, kUnownedPages, map, ignored))
        map.set(page, false);
    return page;
}

std::uint32_t appendOwnedPage(JetPages& pages, JetRowId owned, JetRowId withRoom)
{
    return appendMappedPage(pages, {owned, withRoom});
}

void releaseMappedPage(JetPages& pages, JetRowId map, std::uint32_t page)
{
    std::string ignored;
    JetUsageMap owner;
    if (JetUsageMap::open(pages, map, owner, ignored))
        owner.set(page, false);
    if (JetUsageMap::open(pages, kUnownedPages, owner, ignored))
        owner.set(page, true);
    if (unsigned char* bytes = pages.change(page))
        std::fill(bytes, bytes + pages.pageSize(), 0);
}

bool mapsCoverPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page)
{
    std::string ignored;
    JetUsageMap map;
    // A page beyond the file's map of unowned pages would read as free to the next writer.
    for (JetRowId where : maps)
        if (!JetUsageMap::open(pages, where, map, ignored) || !map.covers(page))
            return false;
    return JetUsageMap::open(pages, kUnownedPages, map, ignored) && map.covers(page);
}

bool mapsCover(JetPages& pages, JetRowId owned, JetRowId withRoom, std::uint32_t page)
{
    return mapsCoverPage(pages, {owned, withRoom}, page);
}

}  // namespace kervane::jet
