#include "JetDamage.h"

#include "JetWriterSupport.h"

#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/rows/JetRowReading.h"

#include <algorithm>
#include <cstring>

namespace kervane::test {

namespace {

constexpr std::size_t kPage = 4096;
namespace dp = jet::datapage;

int word(const unsigned char* p, std::size_t at)
{
    return p[at] | (p[at + 1] << 8);
}

void putWord(unsigned char* p, std::size_t at, int value)
{
    p[at] = static_cast<unsigned char>(value & 0xff);
    p[at + 1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

unsigned char* pageOf(std::vector<unsigned char>& file, std::uint32_t page)
{
    return std::size_t{page} * kPage + kPage <= file.size() ? file.data() + std::size_t{page} * kPage : nullptr;
}

std::size_t pick(std::mt19937& random, std::size_t count)
{
    return static_cast<std::size_t>(random() % count);
}

bool isLongValuePage(const unsigned char* page)
{
    return page[0] == 0x01 && std::memcmp(page + dp::kOwner, "LVAL", 4) == 0;
}

// The pieces of the chained long value whose first piece is at `first`.
std::vector<jet::JetRowId> chainFrom(MemoryPages& pages, jet::JetRowId first)
{
    std::vector<jet::JetRowId> pieces;
    for (jet::JetRowId at = first; at.page != 0 && pieces.size() < 64;) {
        const unsigned char* page = pages.read(at.page);
        dp::Slot slot;
        if (page == nullptr || !isLongValuePage(page) || !dp::slot(page, at.row, slot) || slot.size() < 4)
            break;
        pieces.push_back(at);
        const unsigned char* next = page + slot.start;
        at = {static_cast<std::uint32_t>(next[1] | (next[2] << 8) | (next[3] << 16)), next[0]};
    }
    return pieces;
}

void collectChains(MemoryPages& pages, const jet::JetTableLayout& layout, const std::vector<unsigned char>& row,
                   TableMap& map)
{
    for (const auto& column : layout.columns) {
        std::size_t start = 0;
        std::size_t end = 0;
        if ((column.type != jet::JetType::Memo && column.type != jet::JetType::Ole) ||
            !jet::variableData(row, column, start, end) || end - start < 12 || row[start + 3] != 0x00)
            continue;
        const std::uint32_t pointer = static_cast<std::uint32_t>(word(row.data(), start + 4)) |
                                      (static_cast<std::uint32_t>(word(row.data(), start + 6)) << 16);
        const auto pieces = chainFrom(pages, jet::JetRowId::fromPointer(pointer));
        if (pieces.size() > 1)
            map.chains.push_back(pieces);
    }
}

// The rows of one data page: those a scan meets, moved ones apart, and the chains they hold.
void collectRows(MemoryPages& pages, const jet::JetTableLayout& layout, std::uint32_t number, TableMap& map)
{
    const unsigned char* page = pages.read(number);
    for (int r = 0; r < dp::rowCount(page); ++r) {
        dp::Slot slot;
        if (!dp::slot(page, r, slot) || slot.deleted)
            continue;
        map.rows.push_back({number, r});
        const unsigned char* home = page;
        if (slot.overflow) {
            map.movedRows.push_back({number, r});
            const unsigned char* at = page + slot.start;
            home = pages.read(static_cast<std::uint32_t>(at[1] | (at[2] << 8) | (at[3] << 16)));
            if (home == nullptr || !dp::slot(home, at[0], slot))
                continue;
        }
        collectChains(pages, layout, std::vector<unsigned char>(home + slot.start, home + slot.end), map);
    }
}

// The row a usage map or a row offset names, as [start, end) in the file; false when unreadable.
bool rowBytes(std::vector<unsigned char>& file, jet::JetRowId where, std::size_t& start, std::size_t& end)
{
    const unsigned char* page = pageOf(file, where.page);
    dp::Slot slot;
    if (page == nullptr || !dp::slot(page, where.row, slot) || slot.size() == 0)
        return false;
    start = std::size_t{where.page} * kPage + static_cast<std::size_t>(slot.start);
    end = std::size_t{where.page} * kPage + static_cast<std::size_t>(slot.end);
    return true;
}

// 1 to 8 random bytes in [start, end).
void scramble(std::vector<unsigned char>& file, std::size_t start, std::size_t end, std::mt19937& random,
              std::string& what)
{
    const int count = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
        const std::size_t at = start + pick(random, end - start);
        file[at] = static_cast<unsigned char>(random());
        what += " " + std::to_string(at / kPage) + "+" + std::to_string(at % kPage);
    }
}

bool scramblePage(std::vector<unsigned char>& file, const std::vector<std::uint32_t>& pages, std::mt19937& random,
                  std::string& what)
{
    if (pages.empty())
        return false;
    const std::uint32_t page = pages[pick(random, pages.size())];
    what = "octets de la page " + std::to_string(page) + " :";
    // Half of the time within the header and the offset table, where damage matters most.
    const std::size_t limit = random() % 2 == 0 ? 64 : kPage;
    scramble(file, std::size_t{page} * kPage, std::size_t{page} * kPage + limit, random, what);
    return true;
}

bool scrambleRow(std::vector<unsigned char>& file, jet::JetRowId where, std::mt19937& random, std::string& what)
{
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, where, start, end))
        return false;
    what = "ligne " + std::to_string(where.page) + ":" + std::to_string(where.row) + " :";
    // Half of the time the map's kind and first page, the other half anywhere in it.
    scramble(file, start, random() % 2 == 0 ? std::min(end, start + 5) : end, random, what);
    return true;
}

std::vector<std::uint32_t> pagesWithRows(std::vector<unsigned char>& file, const std::vector<std::uint32_t>& pages,
                                         int least)
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t p : pages)
        if (pageOf(file, p) != nullptr && dp::rowCount(pageOf(file, p)) >= least)
            out.push_back(p);
    return out;
}

std::vector<std::uint32_t> rowPages(const TableMap& map)
{
    std::vector<std::uint32_t> pages = map.dataPages;
    pages.insert(pages.end(), map.longValuePages.begin(), map.longValuePages.end());
    return pages;
}

bool rowOutsidePage(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    const auto pages = pagesWithRows(file, rowPages(map), 1);
    if (pages.empty())
        return false;
    const std::uint32_t number = pages[pick(random, pages.size())];
    unsigned char* page = pageOf(file, number);
    const int rows = dp::rowCount(page);
    // The last row most often: new rows are laid below it.
    const int row = random() % 2 == 0 ? rows - 1 : static_cast<int>(pick(random, static_cast<std::size_t>(rows)));
    const std::size_t entry = jet::jet4FileFormat().pageFirstSlot + 2 * static_cast<std::size_t>(row);
    const int flags = word(page, entry) & ~dp::kOffsetMask;
    const int offset = random() % 2 == 0 ? static_cast<int>(kPage + 1 + pick(random, 0x1fff - kPage))
                                         : static_cast<int>(pick(random, jet::jet4FileFormat().pageFirstSlot + 2 * static_cast<std::size_t>(rows)));
    putWord(page, entry, flags | offset);
    what = "page " + std::to_string(number) + ", ligne " + std::to_string(row) + " à l'octet " + std::to_string(offset);
    return true;
}

bool overlappingRows(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    const auto pages = pagesWithRows(file, rowPages(map), 2);
    if (pages.empty())
        return false;
    const std::uint32_t number = pages[pick(random, pages.size())];
    unsigned char* page = pageOf(file, number);
    const int rows = dp::rowCount(page);
    const int row = 1 + static_cast<int>(pick(random, static_cast<std::size_t>(rows - 1)));
    const std::size_t entry = jet::jet4FileFormat().pageFirstSlot + 2 * static_cast<std::size_t>(row);
    const int flags = word(page, entry) & ~dp::kOffsetMask;
    // Into a row laid before it: the two rows share bytes, or their order is reversed.
    const int earlier = word(page, jet::jet4FileFormat().pageFirstSlot + 2 * pick(random, static_cast<std::size_t>(row))) & dp::kOffsetMask;
    const int offset = std::min(static_cast<int>(kPage) - 1, earlier + static_cast<int>(random() % 24));
    putWord(page, entry, flags | offset);
    what = "page " + std::to_string(number) + ", ligne " + std::to_string(row) + " à l'octet " + std::to_string(offset);
    return true;
}

bool longValueLoop(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    if (map.chains.empty())
        return false;
    const auto& chain = map.chains[pick(random, map.chains.size())];
    const std::size_t from = pick(random, chain.size());
    const jet::JetRowId to = chain[pick(random, from + 1)];
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, chain[from], start, end))
        return false;
    file[start] = static_cast<unsigned char>(to.row);
    file[start + 1] = static_cast<unsigned char>(to.page & 0xff);
    file[start + 2] = static_cast<unsigned char>((to.page >> 8) & 0xff);
    file[start + 3] = static_cast<unsigned char>((to.page >> 16) & 0xff);
    what = "morceau " + std::to_string(chain[from].page) + ":" + std::to_string(chain[from].row) + " vers " +
           std::to_string(to.page) + ":" + std::to_string(to.row);
    return true;
}

// A moved row's pointer aimed at itself, at a row scans meet, or at its row which is then
// marked moved and aimed back.
bool movedRowLoop(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    if (map.movedRows.empty())
        return false;
    const jet::JetRowId header = map.movedRows[pick(random, map.movedRows.size())];
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, header, start, end) || end - start < 4)
        return false;
    const jet::JetRowId home{static_cast<std::uint32_t>(file[start + 1] | (file[start + 2] << 8) | (file[start + 3] << 16)),
                             file[start]};
    std::size_t homeStart = 0;
    std::size_t homeEnd = 0;
    jet::JetRowId target = header;
    const auto choice = random() % 3;
    if (choice == 2) {  // at another row scans meet
        target = map.rows[pick(random, map.rows.size())];
        what = "ligne déplacée renvoyant à la ligne vivante ";
    } else if (choice == 0 && rowBytes(file, home, homeStart, homeEnd) && homeEnd - homeStart >= 4) {
        unsigned char* page = pageOf(file, home.page);
        const std::size_t entry = jet::jet4FileFormat().pageFirstSlot + 2 * static_cast<std::size_t>(home.row);
        putWord(page, entry, word(page, entry) | dp::kOverflow);
        start = homeStart;
        what = "ligne déplacée " + std::to_string(home.page) + ":" + std::to_string(home.row) + " renvoyant à ";
    } else {
        what = "ligne déplacée renvoyant à ";
    }
    file[start] = static_cast<unsigned char>(target.row);
    file[start + 1] = static_cast<unsigned char>(target.page & 0xff);
    file[start + 2] = static_cast<unsigned char>((target.page >> 8) & 0xff);
    file[start + 3] = static_cast<unsigned char>((target.page >> 16) & 0xff);
    what += std::to_string(target.page) + ":" + std::to_string(target.row);
    return true;
}

bool truncated(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    const std::size_t pages = file.size() / kPage;
    // Before the table's last data page, or just its last pages; inside a page one time in three.
    const std::uint32_t last = map.dataPages.empty() ? 2 : *std::max_element(map.dataPages.begin(), map.dataPages.end());
    std::size_t keep = random() % 2 == 0 ? 1 + pick(random, std::max<std::size_t>(last, 1)) : pages - 1 - pick(random, 3);
    std::size_t size = keep * kPage + (random() % 3 == 0 ? 1 + pick(random, kPage - 1) : 0);
    size = std::min(size, file.size() - 1);
    file.resize(size);
    what = "coupé à " + std::to_string(size) + " octets";
    return true;
}

bool zeroedPage(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    std::vector<std::uint32_t> pages = rowPages(map);
    pages.push_back(map.definition);
    pages.push_back(1);
    for (const auto& m : map.usageMaps)
        pages.push_back(m.page);
    const std::uint32_t page = random() % 4 == 0 ? static_cast<std::uint32_t>(pick(random, file.size() / kPage))
                                                 : pages[pick(random, pages.size())];
    std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(std::size_t{page} * kPage), kPage, 0);
    what = "page " + std::to_string(page) + " mise à zéro";
    return true;
}

}  // namespace

bool mapTable(const std::vector<unsigned char>& file, std::uint32_t definition, TableMap& map, std::string& why)
{
    MemoryPages pages(file);
    jet::JetTableLayout layout;
    jet::JetUsageMap owned;
    if (!jet::readTableLayout(pages, definition, layout, why) ||
        !jet::JetUsageMap::open(pages, layout.ownedPages, owned, why))
        return false;
    map = {};
    map.definition = definition;
    map.usageMaps = {layout.ownedPages, layout.freeSpacePages};
    for (const auto& column : layout.columns) {
        if (column.hasLongValueMaps) {
            map.usageMaps.push_back(jet::JetRowId::fromPointer(column.longValueOwned));
            map.usageMaps.push_back(jet::JetRowId::fromPointer(column.longValueFree));
        }
    }
    for (std::uint32_t p : owned.pages()) {
        if (dp::isDataPageOf(pages.read(p), definition)) {
            map.dataPages.push_back(p);
            collectRows(pages, layout, p, map);
        }
    }
    for (std::uint32_t p = 2; p < pages.pageCount(); ++p)
        if (isLongValuePage(pages.read(p)))
            map.longValuePages.push_back(p);
    return true;
}

const char* damageName(Damage kind)
{
    switch (kind) {
    case Damage::DefinitionBytes: return "définition";
    case Damage::DataPageBytes: return "page de données";
    case Damage::UsageMapRow: return "carte des pages";
    case Damage::LongValuePageBytes: return "page de valeurs longues";
    case Damage::FreePageMap: return "carte des pages libres";
    case Damage::Truncated: return "fichier tronqué";
    case Damage::ZeroedPage: return "page à zéro";
    case Damage::RowOutsidePage: return "ligne hors de la page";
    case Damage::OverlappingRows: return "lignes chevauchantes";
    case Damage::LongValueLoop: return "boucle de valeur longue";
    case Damage::MovedRowLoop: return "boucle de ligne déplacée";
    }
    return "?";
}

bool damage(std::vector<unsigned char>& file, const TableMap& map, Damage kind, std::mt19937& random,
            std::string& what)
{
    switch (kind) {
    case Damage::DefinitionBytes: return scramblePage(file, {map.definition}, random, what);
    case Damage::DataPageBytes: return scramblePage(file, map.dataPages, random, what);
    case Damage::UsageMapRow: return scrambleRow(file, map.usageMaps[pick(random, map.usageMaps.size())], random, what);
    case Damage::LongValuePageBytes: return scramblePage(file, map.longValuePages, random, what);
    case Damage::FreePageMap: return scrambleRow(file, {1, 0}, random, what);
    case Damage::Truncated: return truncated(file, map, random, what);
    case Damage::ZeroedPage: return zeroedPage(file, map, random, what);
    case Damage::RowOutsidePage: return rowOutsidePage(file, map, random, what);
    case Damage::OverlappingRows: return overlappingRows(file, map, random, what);
    case Damage::LongValueLoop: return longValueLoop(file, map, random, what);
    case Damage::MovedRowLoop: return movedRowLoop(file, map, random, what);
    }
    return false;
}

}  // namespace kervane::test
