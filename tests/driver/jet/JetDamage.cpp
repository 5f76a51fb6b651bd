#include "JetDamage.h"

#include "JetWriterSupport.h"

#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexPage.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/rows/JetRowReading.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <set>

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

// The row of a data page (named by a usage map or a row offset), as [start, end) in the file; false when unreadable.
bool rowBytes(const std::vector<unsigned char>& file, const jet::JetFileFormat& f, jet::JetRowId where,
              std::size_t& start, std::size_t& end)
{
    const std::size_t size = static_cast<std::size_t>(f.pageSize);
    if (std::size_t{where.page} * size + size > file.size())
        return false;
    jet::datapage::Slot slot;
    const unsigned char* page = file.data() + std::size_t{where.page} * size;
    if (!jet::datapage::slot(page, where.row, slot, f) || slot.size() == 0)
        return false;
    start = std::size_t{where.page} * size + static_cast<std::size_t>(slot.start);
    end = std::size_t{where.page} * size + static_cast<std::size_t>(slot.end);
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
    if (!rowBytes(file, jet::jet4FileFormat(), where, start, end))
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
    const int flags = word(page, entry) & ~jet::kRowOffsetMask;
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
    const int flags = word(page, entry) & ~jet::kRowOffsetMask;
    // Into a row laid before it: the two rows share bytes, or their order is reversed.
    const int earlier = word(page, jet::jet4FileFormat().pageFirstSlot + 2 * pick(random, static_cast<std::size_t>(row))) & jet::kRowOffsetMask;
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
    if (!rowBytes(file, jet::jet4FileFormat(), chain[from], start, end))
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
    if (!rowBytes(file, jet::jet4FileFormat(), header, start, end) || end - start < 4)
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
    } else if (choice == 0 && rowBytes(file, jet::jet4FileFormat(), home, homeStart, homeEnd) && homeEnd - homeStart >= 4) {
        unsigned char* page = pageOf(file, home.page);
        const std::size_t entry = jet::jet4FileFormat().pageFirstSlot + 2 * static_cast<std::size_t>(home.row);
        putWord(page, entry, word(page, entry) | jet::kRowMoved);
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

// --- Indexes ---

namespace {

constexpr std::size_t kVersionByte = 0x14;
constexpr std::size_t kContinuationHeader = 8;
constexpr int kKeyColumns = 10;

std::uint32_t readLe(const std::vector<unsigned char>& b, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

void putLe(std::vector<unsigned char>& b, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i, value >>= 8)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value & 0xff);
}

std::uint32_t next(std::mt19937& random)
{
    return static_cast<std::uint32_t>(random());
}

template <typename T>
T pickOf(const std::vector<T>& among, std::mt19937& random)
{
    return among[pick(random, among.size())];
}

// The pages of a table definition, first to last.
std::vector<std::uint32_t> definitionChain(const std::vector<unsigned char>& file, std::uint32_t first,
                                           std::size_t size)
{
    std::vector<std::uint32_t> chain;
    for (std::uint32_t page = first; page != 0 && chain.size() < 64;) {
        const std::size_t at = std::size_t{page} * size;
        if (at + size > file.size() || file[at] != 0x02)
            break;
        chain.push_back(page);
        page = readLe(file, at + 4, 4);
    }
    return chain;
}

// The file offset of byte `offset` of the definition's bytes (its pages joined, the headers of
// the continuation pages left out); 0 when past them.
std::size_t definitionByte(const std::vector<std::uint32_t>& chain, std::size_t size, std::size_t offset)
{
    if (offset < size)
        return std::size_t{chain.front()} * size + offset;
    offset -= size;
    const std::size_t each = size - kContinuationHeader;
    const std::size_t page = 1 + offset / each;
    return page < chain.size() ? std::size_t{chain[page]} * size + kContinuationHeader + offset % each : 0;
}

// The definition's bytes joined, as the offsets above count them.
std::vector<unsigned char> definitionBytes(const std::vector<unsigned char>& file,
                                           const std::vector<std::uint32_t>& chain, std::size_t size)
{
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const auto start = file.begin() + static_cast<std::ptrdiff_t>(std::size_t{chain[i]} * size);
        bytes.insert(bytes.end(), start + static_cast<std::ptrdiff_t>(i == 0 ? 0 : kContinuationHeader),
                     start + static_cast<std::ptrdiff_t>(size));
    }
    return bytes;
}

// The offset in the joined definition of the first real index's block.
std::size_t firstBlock(const std::vector<unsigned char>& b, const jet::JetFileFormat& f)
{
    const std::size_t columns = readLe(b, static_cast<std::size_t>(f.definitionColumnCount), 2);
    const std::size_t real = readLe(b, static_cast<std::size_t>(f.definitionRealIndexes), 4);
    std::size_t at = static_cast<std::size_t>(f.definitionFirstBlock) +
                     real * static_cast<std::size_t>(f.realIndexSize) + columns * static_cast<std::size_t>(f.columnSize);
    for (std::size_t c = 0; c < columns && at + 2 <= b.size(); ++c)
        at += static_cast<std::size_t>(f.nameLengthSize) + readLe(b, at, f.nameLengthSize);
    return at;
}

// Walks the tree from its root: its leaves, its intermediate pages, who names whom.
void walkTree(MemoryPages& pages, const jet::JetFileFormat& format, IndexTreeMap& tree,
              std::set<std::pair<std::uint32_t, int>>& rows)
{
    std::deque<std::uint32_t> waiting{tree.root};
    std::set<std::uint32_t> seen{tree.root};
    while (!waiting.empty()) {
        const std::uint32_t page = waiting.front();
        waiting.pop_front();
        jet::JetIndexPageImage image;
        std::string error;
        if (!jet::readIndexPage(pages, page, image, error, format))
            continue;
        (image.leaf ? tree.leaves : tree.intermediates).push_back(page);
        if (image.leaf) {
            for (const auto& entry : image.entries)
                rows.insert({entry.row.page, entry.row.row});
            continue;
        }
        std::vector<std::uint32_t> children;
        for (const auto& entry : image.entries)
            children.push_back(entry.child);
        if (image.tail != 0)
            children.push_back(image.tail);
        for (std::uint32_t child : children)
            if (seen.insert(child).second) {
                tree.parentOf[child] = page;
                waiting.push_back(child);
            }
    }
}

std::vector<std::uint32_t> indexPages(const IndexTreeMap& tree)
{
    std::vector<std::uint32_t> pages = tree.leaves;
    pages.insert(pages.end(), tree.intermediates.begin(), tree.intermediates.end());
    return pages;
}

const IndexTreeMap* pickIndex(const IndexedTableMap& map, std::mt19937& random, bool needIntermediate)
{
    std::vector<const IndexTreeMap*> among;
    for (const auto& tree : map.indexes)
        if (!(needIntermediate ? tree.intermediates.empty() : indexPages(tree).empty()))
            among.push_back(&tree);
    return among.empty() ? nullptr : pickOf(among, random);
}

// An intermediate page one time in two when the tree has some.
std::uint32_t pickPage(const IndexTreeMap& tree, std::mt19937& random)
{
    if (!tree.intermediates.empty() && random() % 2 == 0)
        return pickOf(tree.intermediates, random);
    return pickOf(indexPages(tree), random);
}

// A page that is no index page of the table: page 0 or 1, its definition, one of its data
// pages, or one past the file's end.
std::uint32_t pageOfAnotherKind(const std::vector<unsigned char>& file, const IndexedTableMap& map,
                                std::mt19937& random, std::string& what)
{
    const std::uint32_t count = static_cast<std::uint32_t>(file.size() / map.format->pageSize);
    switch (random() % 5) {
    case 0: what = "la page 0"; return 0;
    case 1: what = "la définition"; return map.definition;
    case 2:
        if (!map.dataPages.empty()) {
            what = "une page de données";
            return pickOf(map.dataPages, random);
        }
        what = "la page 1";
        return 1;
    case 3: what = "au-delà du fichier"; return count + static_cast<std::uint32_t>(random() % 3);
    default: what = "bien au-delà du fichier"; return 0x00ffffff - static_cast<std::uint32_t>(random() % 16);
    }
}

bool pageBytes(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random, std::string& what)
{
    const IndexTreeMap* tree = pickIndex(map, random, false);
    if (tree == nullptr)
        return false;
    const std::uint32_t page = pickPage(*tree, random);
    const std::size_t size = static_cast<std::size_t>(map.format->pageSize);
    // Half of the time within the header and the bitmap, where damage matters most.
    const std::size_t limit = random() % 2 == 0 ? static_cast<std::size_t>(map.format->indexFirstEntry()) : size;
    what = "octets de la page d'index " + std::to_string(page) + " :";
    const int count = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
        const std::size_t at = pick(random, limit);
        file[std::size_t{page} * size + at] = static_cast<unsigned char>(random());
        what += " +" + std::to_string(at);
    }
    return true;
}

bool linkAstray(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random, std::string& what)
{
    const IndexTreeMap* tree = pickIndex(map, random, false);
    if (tree == nullptr)
        return false;
    const std::uint32_t page = pickPage(*tree, random);
    const bool intermediate = std::count(tree->intermediates.begin(), tree->intermediates.end(), page) > 0;
    const jet::JetFileFormat& f = *map.format;
    const int fields[] = {f.indexPrevious, f.indexNext, f.indexTail};
    const char* names[] = {"précédente", "suivante", "de queue"};
    const std::size_t field = pick(random, intermediate ? 3 : 2);
    std::string target;
    std::uint32_t to = page;
    if (random() % 3 == 0)
        target = "elle-même";
    else
        to = pageOfAnotherKind(file, map, random, target);
    const std::size_t start = std::size_t{page} * static_cast<std::size_t>(f.pageSize);
    putLe(file, start + static_cast<std::size_t>(fields[field]), to, 4);
    what = "page d'index " + std::to_string(page) + ", lien " + names[field] + " vers " + target + " (" +
           std::to_string(to) + ")";
    return true;
}

// Rewrites the page with one of its child pointers (an entry's or the tail) at an ancestor.
bool childLoop(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random, std::string& what)
{
    const IndexTreeMap* tree = pickIndex(map, random, true);
    if (tree == nullptr)
        return false;
    const std::uint32_t page = pickOf(tree->intermediates, random);
    std::vector<std::uint32_t> ancestors{page};
    for (auto up = tree->parentOf.find(page); up != tree->parentOf.end(); up = tree->parentOf.find(up->second))
        ancestors.push_back(up->second);
    const std::uint32_t to = pickOf(ancestors, random);
    const std::size_t size = static_cast<std::size_t>(map.format->pageSize);
    unsigned char* bytes = file.data() + std::size_t{page} * size;
    jet::JetIndexPageImage image;
    std::string error;
    if (!jet::readIndexPage(bytes, size, image, error, *map.format))
        return false;
    const std::size_t choice = pick(random, image.entries.size() + (image.tail != 0 ? 1 : 0));
    if (choice < image.entries.size())
        image.entries[choice].child = to;
    else
        image.tail = to;
    if (!jet::writeIndexPage(image, bytes, size, *map.format))
        return false;
    what = "page d'index " + std::to_string(page) + ", enfant " + std::to_string(choice) + " vers l'ancêtre " +
           std::to_string(to);
    return true;
}

bool bitmapOrPrefix(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random,
                    std::string& what)
{
    const IndexTreeMap* tree = pickIndex(map, random, false);
    if (tree == nullptr)
        return false;
    const std::uint32_t page = pickPage(*tree, random);
    const jet::JetFileFormat& f = *map.format;
    const std::size_t start = std::size_t{page} * static_cast<std::size_t>(f.pageSize);
    const std::size_t area = static_cast<std::size_t>(f.pageSize - f.indexFirstEntry());
    const std::size_t bits = static_cast<std::size_t>(f.indexBitmapSize) * 8;
    const std::size_t bitmap = start + static_cast<std::size_t>(f.indexBitmap);
    std::size_t bit = 0;
    switch (random() % 4) {
    case 0:  // a mark past the entry area, or at its very end
        bit = bits > area + 1 ? area + 1 + pick(random, bits - area - 1) : area;
        what = "marque " + std::to_string(bit) + " au bout de la table des entrées";
        break;
    case 1:  // one more mark inside the entries
        bit = pick(random, std::min(area, bits));
        what = "marque ajoutée " + std::to_string(bit);
        break;
    case 2: {  // the last mark taken away
        for (std::size_t b = 0; b < bits; ++b)
            if (file[bitmap + b / 8] & (1u << (b % 8)))
                bit = b;
        file[bitmap + bit / 8] = static_cast<unsigned char>(file[bitmap + bit / 8] & ~(1u << (bit % 8)));
        what = "page d'index " + std::to_string(page) + " : dernière marque " + std::to_string(bit) + " retirée";
        return true;
    }
    default: {
        const std::uint32_t widest = f.indexPrefixSize == 1 ? 0xff : 0xffff;
        const std::uint32_t prefix = random() % 2 == 0 ? widest - static_cast<std::uint32_t>(random() % 8)
                                                       : 1 + static_cast<std::uint32_t>(random() % 64);
        putLe(file, start + static_cast<std::size_t>(f.indexPrefixLength), prefix, f.indexPrefixSize);
        what = "page d'index " + std::to_string(page) + " : préfixe de " + std::to_string(prefix) + " octets";
        return true;
    }
    }
    file[bitmap + bit / 8] = static_cast<unsigned char>(file[bitmap + bit / 8] | (1u << (bit % 8)));
    what = "page d'index " + std::to_string(page) + " : " + what;
    return true;
}

bool rootElsewhere(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random,
                   std::string& what)
{
    if (map.indexes.empty())
        return false;
    const IndexTreeMap& tree = pickOf(map.indexes, random);
    std::string target;
    const std::uint32_t to = pageOfAnotherKind(file, map, random, target);
    putLe(file, tree.block + static_cast<std::size_t>(map.format->realIndexRoot), to, 4);
    what = "racine d'index " + std::to_string(tree.root) + " remplacée par " + target + " (" + std::to_string(to) +
           ")";
    return true;
}

bool usageMap(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random, std::string& what)
{
    if (map.indexes.empty())
        return false;
    const IndexTreeMap& tree = pickOf(map.indexes, random);
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, *map.format, tree.usageMap, start, end))
        return false;
    // Half of the time the map's kind and first page, the other half anywhere in it.
    const std::size_t limit = random() % 2 == 0 ? std::min<std::size_t>(end - start, 5) : end - start;
    what = "carte des pages de l'index " + std::to_string(tree.root) + " :";
    const int count = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < count; ++i) {
        const std::size_t at = pick(random, limit);
        file[start + at] = static_cast<unsigned char>(random());
        what += " +" + std::to_string(at);
    }
    return true;
}

bool realIndexBlock(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random,
                    std::string& what)
{
    if (map.indexes.empty())
        return false;
    const IndexTreeMap& tree = pickOf(map.indexes, random);
    const jet::JetFileFormat& f = *map.format;
    const std::size_t keys = tree.block + static_cast<std::size_t>(f.realIndexKeys);
    switch (random() % 6) {
    case 0:  // no key column at all
        for (int k = 0; k < kKeyColumns; ++k)
            putLe(file, keys + 3 * static_cast<std::size_t>(k), 0xffff, 2);
        what = "aucune colonne de clé";
        break;
    case 1: {  // a key column numbered at random
        const auto k = pick(random, 3);
        const std::uint32_t number = random() % 2 == 0 ? static_cast<std::uint32_t>(random() % 8) : random() & 0xffff;
        putLe(file, keys + 3 * k, number, 2);
        what = "colonne de clé " + std::to_string(k) + " numérotée " + std::to_string(number);
        break;
    }
    case 2:
        file[keys + 2] = static_cast<unsigned char>(random());
        what = "ordre de la première colonne de clé " + std::to_string(file[keys + 2]);
        break;
    case 3:
        file[tree.block + static_cast<std::size_t>(f.realIndexFlags)] = static_cast<unsigned char>(random());
        what = "drapeaux " + std::to_string(file[tree.block + static_cast<std::size_t>(f.realIndexFlags)]);
        break;
    case 4: {
        const std::uint32_t pointer = next(random);
        putLe(file, tree.block + static_cast<std::size_t>(f.realIndexUsageMap), pointer, 4);
        what = "carte des pages à " + std::to_string(pointer >> 8) + ":" + std::to_string(pointer & 0xff);
        break;
    }
    default: {
        const std::uint32_t root = random() % 2 == 0 ? next(random) : next(random) % 64;
        putLe(file, tree.block + static_cast<std::size_t>(f.realIndexRoot), root, 4);
        what = "racine " + std::to_string(root);
        break;
    }
    }
    what = "bloc de l'index " + std::to_string(tree.root) + " : " + what;
    return true;
}

bool distinctKeys(std::vector<unsigned char>& file, const IndexedTableMap& map, std::mt19937& random,
                  std::string& what)
{
    if (map.indexes.empty())
        return false;
    const IndexTreeMap& tree = pickOf(map.indexes, random);
    const std::uint32_t values[] = {0xffffffffu, 0x80000000u, 0x7fffffffu, 0, next(random)};
    const std::uint32_t value = values[pick(random, 5)];
    putLe(file, tree.distinctKeys, value, 4);
    what = "index " + std::to_string(tree.root) + " : " + std::to_string(value) + " clés distinctes";
    return true;
}

}  // namespace

std::size_t pageSizeOf(const std::vector<unsigned char>& file)
{
    return file.size() > kVersionByte && file[kVersionByte] == 0 ? 2048 : 4096;
}

bool mapIndexes(const std::vector<unsigned char>& file, std::uint32_t definition, IndexedTableMap& map,
                std::string& why)
{
    const std::size_t size = pageSizeOf(file);
    MemoryPages pages(file, size);
    jet::JetTableLayout layout;
    jet::JetUsageMap owned;
    std::vector<jet::JetRealIndex> real;
    if (!jet::readTableLayout(pages, definition, layout, why) ||
        !jet::JetUsageMap::open(pages, layout.ownedPages, owned, why) ||
        !jet::readRealIndexes(pages, definition, real, why, *layout.format))
        return false;
    map = {};
    map.format = layout.format;
    map.definition = definition;
    for (std::uint32_t p : owned.pages())
        if (jet::datapage::isDataPageOf(pages.read(p), definition))
            map.dataPages.push_back(p);
    const auto chain = definitionChain(file, definition, size);
    const auto bytes = definitionBytes(file, chain, size);
    const std::size_t first = firstBlock(bytes, *map.format);
    std::set<std::pair<std::uint32_t, int>> rows;
    for (std::size_t i = 0; i < real.size(); ++i) {
        IndexTreeMap tree;
        tree.root = real[i].rootPage;
        tree.usageMap = jet::JetRowId::fromPointer(real[i].usageMap);
        tree.block = definitionByte(chain, size, first + i * static_cast<std::size_t>(map.format->realIndexBlockSize));
        tree.distinctKeys = definitionByte(
            chain, size, static_cast<std::size_t>(map.format->definitionFirstBlock + 4) +
                             i * static_cast<std::size_t>(map.format->realIndexSize));
        if (tree.block == 0 || tree.distinctKeys == 0) {
            why = "bloc d'index hors de la définition";
            return false;
        }
        walkTree(pages, *map.format, tree, rows);
        map.indexes.push_back(std::move(tree));
    }
    for (const auto& [page, row] : rows)
        map.rows.push_back({page, row});
    return true;
}

const char* indexDamageName(IndexDamage kind)
{
    switch (kind) {
    case IndexDamage::PageBytes: return "page d'index";
    case IndexDamage::LinkAstray: return "lien de page d'index";
    case IndexDamage::ChildLoop: return "boucle d'enfant";
    case IndexDamage::BitmapOrPrefix: return "table des entrées ou préfixe";
    case IndexDamage::RootElsewhere: return "racine ailleurs";
    case IndexDamage::UsageMap: return "carte des pages d'index";
    case IndexDamage::RealIndexBlock: return "bloc d'index de la définition";
    case IndexDamage::DistinctKeys: return "nombre de clés distinctes";
    }
    return "?";
}

bool damageIndex(std::vector<unsigned char>& file, const IndexedTableMap& map, IndexDamage kind, std::mt19937& random,
                 std::string& what)
{
    switch (kind) {
    case IndexDamage::PageBytes: return pageBytes(file, map, random, what);
    case IndexDamage::LinkAstray: return linkAstray(file, map, random, what);
    case IndexDamage::ChildLoop: return childLoop(file, map, random, what);
    case IndexDamage::BitmapOrPrefix: return bitmapOrPrefix(file, map, random, what);
    case IndexDamage::RootElsewhere: return rootElsewhere(file, map, random, what);
    case IndexDamage::UsageMap: return usageMap(file, map, random, what);
    case IndexDamage::RealIndexBlock: return realIndexBlock(file, map, random, what);
    case IndexDamage::DistinctKeys: return distinctKeys(file, map, random, what);
    }
    return false;
}

}  // namespace kervane::test
