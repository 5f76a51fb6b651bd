#include "driver/jet/format/JetUsageMap.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"

#include <algorithm>
#include <set>

namespace kervane::jet {

namespace usagemap {

std::optional<std::uint64_t> Bits::nextMarked(std::uint64_t from) const
{
    const std::uint64_t start = from > first ? from - first : 0;  // the first bit standing for `from` or later
    for (std::uint64_t i = start / 8; i < size; ++i) {
        const unsigned mask = i == start / 8 ? 0xffu << (start % 8) : 0xffu;
        const unsigned byte = bytes[i] & mask;
        if (byte == 0)
            continue;
        int bit = 0;
        while ((byte & (1u << bit)) == 0)
            ++bit;
        return first + 8 * i + static_cast<unsigned>(bit);
    }
    return std::nullopt;
}

std::uint32_t MapRow::firstPage() const
{
    return m_size < kInlineHeader ? 0 : readUInt32(m_row, 1);
}

Bits MapRow::inlineBits() const
{
    if (m_size < kInlineHeader)
        return {};
    return {m_row + kInlineHeader, m_size - kInlineHeader, firstPage()};
}

std::uint32_t MapRow::mapPage(std::size_t entry) const
{
    return readUInt32(m_row, entryOffset(entry));
}

Bits MapRow::mapPageBits(std::size_t entry, const unsigned char* mapPage) const
{
    return {mapPage + kMapPageHeader, m_pageSize - kMapPageHeader, entry * pagesPerMapPage()};
}

}  // namespace usagemap

UsageMapWalk::UsageMapWalk(std::vector<unsigned char> map, const JetFileFormat& format, std::uint32_t pageCount)
    : m_map(std::move(map)), m_format(format), m_pageCount(pageCount)
{
}

usagemap::MapRow UsageMapWalk::row() const
{
    return {m_map.data(), m_map.size(), static_cast<std::size_t>(m_format.pageSize)};
}

UsageMapWalk::Step UsageMapWalk::checked(std::uint64_t candidate, std::uint32_t& page, std::string& why) const
{
    if (candidate >= m_pageCount) {
        why = "page " + std::to_string(candidate) + " hors du fichier";
        return Step::Damaged;
    }
    page = static_cast<std::uint32_t>(candidate);
    return Step::Page;
}

UsageMapWalk::Step UsageMapWalk::next(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why)
{
    if (m_map.empty()) {
        why = "table des pages vide";
        return Step::Damaged;
    }
    if (row().type() == usagemap::kInline)
        return nextInline(after, page, why);
    if (row().type() == usagemap::kReference)
        return nextInPages(after, read, page, why);
    // Unknown map kind: every page of the file is a candidate, the caller keeps its own.
    if (static_cast<std::uint64_t>(after) + 1 >= m_pageCount)
        return Step::End;
    page = after + 1;
    return Step::Page;
}

UsageMapWalk::Step UsageMapWalk::nextInline(std::uint32_t after, std::uint32_t& page, std::string& why) const
{
    const std::optional<std::uint64_t> marked = row().inlineBits().nextMarked(std::uint64_t{after} + 1);
    return marked ? checked(*marked, page, why) : Step::End;
}

UsageMapWalk::Step UsageMapWalk::nextInPages(std::uint32_t after, const PageReader& read, std::uint32_t& page,
                                             std::string& why)
{
    const usagemap::MapRow map = row();
    const std::uint64_t start = static_cast<std::uint64_t>(after) + 1;
    for (std::size_t entry = map.entryOf(start); entry < map.entries(); ++entry) {
        const std::uint32_t mapPage = map.mapPage(entry);
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
        if (const std::optional<std::uint64_t> marked = map.mapPageBits(entry, m_mapPage.data()).nextMarked(start))
            return checked(*marked, page, why);
    }
    return Step::End;
}

namespace {

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
        slot.deleted || slot.size() < usagemap::kInlineHeader ||
        (page[slot.start] != usagemap::kInline && page[slot.start] != usagemap::kReference)) {
        error = "La carte des pages d'une table (page " + std::to_string(where.page) + ", ligne " +
                std::to_string(where.row) + ") est illisible.";
        return false;
    }
    map.m_pages = &pages;
    map.m_page = where.page;
    map.m_start = slot.start;
    map.m_end = slot.end;
    map.m_row = where.row;
    map.m_inline = page[slot.start] == usagemap::kInline;
    map.m_unowned = where.page == kUnownedPages.page && where.row == kUnownedPages.row;
    return true;
}

usagemap::MapRow JetUsageMap::mapRow(const unsigned char* page) const
{
    return {page + m_start, static_cast<std::size_t>(m_end - m_start), m_pages->pageSize()};
}

bool JetUsageMap::locate(std::uint32_t page, std::uint32_t& where, int& offset, int& bit) const
{
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return false;
    const usagemap::MapRow map = mapRow(row);
    if (m_inline) {
        const usagemap::Bits bits = map.inlineBits();
        if (!bits.covers(page))
            return false;
        where = m_page;
        offset = m_start + usagemap::kInlineHeader + static_cast<int>(bits.byteOf(page));
        bit = bits.bitOf(page);
        return true;
    }
    const std::size_t entry = map.entryOf(page);
    if (entry >= map.entries())
        return false;
    where = map.mapPage(entry);
    const unsigned char* mapPage = where == 0 ? nullptr : m_pages->read(where);
    if (mapPage == nullptr || mapPage[0] != kMapPage)
        return false;
    const usagemap::Bits bits = map.mapPageBits(entry, mapPage);
    offset = usagemap::kMapPageHeader + static_cast<int>(bits.byteOf(page));
    bit = bits.bitOf(page);
    return true;
}

bool JetUsageMap::forEachRun(const std::function<void(const usagemap::Bits&)>& each) const
{
    const unsigned char* row = m_pages->read(m_page);
    if (row == nullptr)
        return false;
    const usagemap::MapRow map = mapRow(row);
    if (m_inline) {
        each(map.inlineBits());
        return true;
    }
    bool readable = true;
    for (std::size_t entry = 0; entry < map.entries(); ++entry) {
        const std::uint32_t where = map.mapPage(entry);
        if (where == 0)
            continue;
        const unsigned char* mapPage = m_pages->read(where);
        if (mapPage == nullptr)
            readable = false;
        else if (mapPage[0] == kMapPage)
            each(map.mapPageBits(entry, mapPage));
    }
    return readable;
}

bool JetUsageMap::withinFile() const
{
    // A map page that cannot be read counts as lost with the rest.
    const std::uint32_t end = m_pages->pageCount();
    bool beyond = false;
    const bool readable = forEachRun([&](const usagemap::Bits& bits) { beyond = beyond || bits.nextMarked(end); });
    return readable && !beyond;
}

std::vector<std::uint32_t> JetUsageMap::pages() const
{
    std::vector<std::uint32_t> marked;
    const std::uint32_t count = m_pages->pageCount();
    forEachRun([&](const usagemap::Bits& bits) {
        for (std::optional<std::uint64_t> page = bits.nextMarked(bits.first); page && *page < count;
             page = bits.nextMarked(*page + 1))
            marked.push_back(static_cast<std::uint32_t>(*page));
    });
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
    return row == nullptr ? 0 : mapRow(row).firstPage();
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
    std::fill(row + m_start + usagemap::kInlineHeader, row + m_end, 0);
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
    const usagemap::MapRow map = mapRow(m_pages->read(m_page));
    const auto perPage = static_cast<std::uint32_t>(map.pagesPerMapPage());
    const auto entries = static_cast<std::uint32_t>(map.entries());
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
            mapPages[entry] = map.mapPage(entry);
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
    row[m_start] = usagemap::kReference;
    for (std::uint32_t entry = 0; entry < entries; ++entry)
        writeUInt32(row, m_start + usagemap::entryOffset(entry), mapPages[entry]);
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
