#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetUsageMap.h"

#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetRowChecks.h"

#include <algorithm>
#include <map>
#include <utility>

// Where the pages a change adds are recorded: the maps of their owner and the file's map of
// unowned pages, each brought to reach them first.
namespace kervane::jet {

namespace {

// Makes the map in row `where` one kept on map pages reaching `lastPage`.
bool referTo(JetPages& pages, JetRowId where, std::uint32_t lastPage, std::string& error)
{
    JetUsageMap map;
    if (!JetUsageMap::open(pages, where, map, error))
        return false;
    if (map.referTo(lastPage))
        return true;
    error = "La carte des pages de la page " + std::to_string(where.page) + ", ligne " + std::to_string(where.row) +
            ", ne peut pas être étendue aux pages que la modification ajouterait : la modification n'a pas été faite.";
    return false;
}

// True when nothing of the file can reach `page` any more: a page of zeros, or a data page whose
// table (its definition named in the page) no longer lists it among its pages. Long-value pages,
// pages of usage maps (a data page of no table), index pages, definitions and map pages are
// never taken back.
bool unreachable(JetPages& pages, std::uint32_t page)
{
    const unsigned char* bytes = pages.read(page);
    if (bytes == nullptr)
        return false;
    if (std::all_of(bytes, bytes + pages.pageSize(), [](unsigned char b) { return b == 0; }))
        return true;
    if (bytes[0] != kDataPage || std::equal(kLongValueOwner, kLongValueOwner + 4, bytes + kPageOwner))
        return false;
    const std::uint32_t owner = readUInt32(bytes, kPageOwner);
    if (owner == 0 || owner == page)
        return false;
    const unsigned char* definition = pages.read(owner);
    if (definition == nullptr || definition[0] != kDefinitionPage)
        return true;  // its table is gone
    JetTableLayout layout;
    JetUsageMap owned;
    std::string unread;
    return readTableLayout(pages, owner, layout, unread) && JetUsageMap::open(pages, layout.ownedPages, owned, unread) &&
           !owned.contains(page);
}

}  // namespace

bool prepareMaps(JetPages& pages, const std::vector<JetRowId>& maps, std::uint32_t lastPage, std::string& error)
{
    std::map<std::uint32_t, std::vector<std::pair<int, JetRowId>>> growing;  // by row page: bytes, map
    std::vector<JetRowId> all(maps);
    all.push_back(kUnownedPagesMap);
    for (JetRowId where : all) {
        JetUsageMap map;
        int extra = 0;
        std::string unread;  // a map that cannot be read refuses the change where it is needed
        if (!JetUsageMap::open(pages, where, map, unread))
            continue;
        if (!map.canReach(lastPage, extra)) {
            if (!referTo(pages, where, lastPage, error))
                return false;
        } else if (extra > 0) {
            growing[where.page].emplace_back(extra, where);
        }
    }
    // Where the rows of one page cannot all grow, the largest go to map pages of their own.
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    for (auto& [rowPage, rows] : growing) {
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        int total = 0;
        for (const auto& row : rows)
            total += row.first;
        for (const auto& [extra, where] : rows) {
            const unsigned char* bytes = pages.read(rowPage);
            if (bytes != nullptr && datapage::canGrow(bytes, where.row, total, format))
                break;
            if (!referTo(pages, where, lastPage, error))
                return false;
            total -= extra;
        }
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

std::uint32_t appendMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps)
{
    std::string ignored;
    JetUsageMap map;
    const std::uint32_t page = pages.append();
    if (page == 0)
        return 0;  // refused (the transaction's memory is full): no map marks it
    // Each map is opened again: one growing may have moved the others' rows on its page.
    for (JetRowId where : maps)
        if (!JetUsageMap::open(pages, where, map, ignored) || !map.set(page, true))
            return 0;
    if (!JetUsageMap::open(pages, kUnownedPagesMap, map, ignored) || !map.set(page, false))
        return 0;
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
    releasePage(pages, page);
}

void releasePage(JetPages& pages, std::uint32_t page)
{
    std::string ignored;
    JetUsageMap unowned;
    if (JetUsageMap::open(pages, kUnownedPagesMap, unowned, ignored))
        unowned.set(page, true);
    if (unsigned char* bytes = pages.change(page))
        std::fill(bytes, bytes + pages.pageSize(), 0);
}

std::uint32_t reusablePage(JetPages& pages, std::initializer_list<JetRowId> maps)
{
    JetUsageMap unowned;
    std::string unread;
    if (!JetUsageMap::open(pages, kUnownedPagesMap, unowned, unread))
        return 0;
    for (std::uint32_t page : unowned.pages())
        if (page > kUnownedPagesMap.page && unreachable(pages, page) && mapsCoverPage(pages, maps, page))
            return page;
    return 0;
}

std::uint32_t structurePage(JetPages& pages)
{
    const std::uint32_t free = reusablePage(pages, {});
    if (free != 0 && takeMappedPage(pages, {}, free))
        return free;
    return appendMappedPage(pages, {});
}

bool takeMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page)
{
    std::string ignored;
    JetUsageMap map;
    for (JetRowId where : maps)
        if (!JetUsageMap::open(pages, where, map, ignored) || !map.set(page, true))
            return false;
    if (!JetUsageMap::open(pages, kUnownedPagesMap, map, ignored) || !map.set(page, false))
        return false;
    unsigned char* bytes = pages.change(page);
    if (bytes == nullptr)
        return false;
    std::fill(bytes, bytes + pages.pageSize(), 0);
    return true;
}

bool mapsCoverPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page)
{
    std::string ignored;
    JetUsageMap map;
    // Rows growing on one page must have room there together.
    std::map<std::uint32_t, std::pair<int, int>> growth;  // by page: bytes, one of its rows
    std::vector<JetRowId> all(maps);
    all.push_back(kUnownedPagesMap);
    for (JetRowId where : all) {
        int extra = 0;
        if (!JetUsageMap::open(pages, where, map, ignored) || !map.canReach(page, extra))
            return false;
        auto& [bytes, row] = growth[where.page];
        bytes += extra;
        row = static_cast<int>(where.row);
    }
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    for (const auto& [rowPage, need] : growth) {
        const unsigned char* bytes = pages.read(rowPage);
        if (need.first > 0 && (bytes == nullptr || !datapage::canGrow(bytes, need.second, need.first, format)))
            return false;
    }
    return true;
}

bool mapsCover(JetPages& pages, JetRowId owned, JetRowId withRoom, std::uint32_t page)
{
    return mapsCoverPage(pages, {owned, withRoom}, page);
}

}  // namespace kervane::jet
