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
constexpr std::size_t kContinuationHeader = 8;
constexpr int kKeyColumns = 10;
namespace dp = jet::datapage;
const std::size_t kFirstSlot = static_cast<std::size_t>(jet::jet4FileFormat().pageFirstSlot);

std::uint32_t readLe(const unsigned char* b, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

void putLe(unsigned char* b, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i, value >>= 8)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value & 0xff);
}

void putLe(std::vector<unsigned char>& b, std::size_t at, std::uint32_t value, int bytes)
{
    putLe(b.data(), at, value, bytes);
}

// A moved row's or a long-value piece's pointer: the row number, then the 3-byte page.
jet::JetRowId pointerAt(const unsigned char* p)
{
    return {readLe(p, 1, 3), p[0]};
}

void putPointer(std::vector<unsigned char>& file, std::size_t at, jet::JetRowId to)
{
    file[at] = static_cast<unsigned char>(to.row);
    putLe(file, at + 1, to.page, 3);
}

std::string rowName(jet::JetRowId at)
{
    return std::to_string(at.page) + ":" + std::to_string(at.row);
}

unsigned char* pageOf(std::vector<unsigned char>& file, std::uint32_t page)
{
    return std::size_t{page} * kPage + kPage <= file.size() ? file.data() + std::size_t{page} * kPage : nullptr;
}

std::size_t pick(std::mt19937& random, std::size_t count)
{
    return static_cast<std::size_t>(random() % count);
}

template <typename T>
T pickOf(const std::vector<T>& among, std::mt19937& random)
{
    return among[pick(random, among.size())];
}

bool isLongValuePage(const unsigned char* page)
{
    return page[0] == 0x01 && std::memcmp(page + jet::kPageOwner, "LVAL", 4) == 0;
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
        at = pointerAt(page + slot.start);
    }
    return pieces;
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
        if (slot.moved) {
            map.movedRows.push_back({number, r});
            const jet::JetRowId at = pointerAt(page + slot.start);
            home = pages.read(at.page);
            if (home == nullptr || !dp::slot(home, at.row, slot))
                continue;
        }
        const std::vector<unsigned char> row(home + slot.start, home + slot.end);
        for (const auto& column : layout.columns) {
            std::size_t start = 0;
            std::size_t end = 0;
            if ((column.type != jet::JetType::Memo && column.type != jet::JetType::Ole) ||
                !jet::variableData(row, column, start, end) || end - start < 12 || row[start + 3] != 0x00)
                continue;
            const auto pieces = chainFrom(pages, jet::JetRowId::fromPointer(readLe(row.data(), start + 4, 4)));
            if (pieces.size() > 1)
                map.chains.push_back(pieces);
        }
    }
}

// The row of a data page (named by a usage map or a row offset), as [start, end) in the file; false when unreadable.
bool rowBytes(const std::vector<unsigned char>& file, const jet::JetFileFormat& f, jet::JetRowId where,
              std::size_t& start, std::size_t& end)
{
    const std::size_t size = static_cast<std::size_t>(f.pageSize);
    if (std::size_t{where.page} * size + size > file.size())
        return false;
    dp::Slot slot;
    if (!dp::slot(file.data() + std::size_t{where.page} * size, where.row, slot, f) || slot.size() == 0)
        return false;
    start = std::size_t{where.page} * size + static_cast<std::size_t>(slot.start);
    end = std::size_t{where.page} * size + static_cast<std::size_t>(slot.end);
    return true;
}

// 1 to `most` random bytes of the `span` bytes from `start`, half of the time among their first
// `head` bytes (a page's header, a map's kind and first page), where damage matters most.
void scramble(std::vector<unsigned char>& file, std::size_t start, std::size_t head, std::size_t span, int most,
              std::mt19937& random, std::string& what)
{
    const std::size_t limit = random() % 2 == 0 ? std::min(head, span) : span;
    const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(most));
    for (int i = 0; i < count; ++i) {
        const std::size_t at = pick(random, limit);
        file[start + at] = static_cast<unsigned char>(random());
        what += " +" + std::to_string(at);
    }
}

bool scramblePage(std::vector<unsigned char>& file, const std::vector<std::uint32_t>& pages, std::mt19937& random,
                  std::string& what)
{
    if (pages.empty())
        return false;
    const std::uint32_t page = pickOf(pages, random);
    what = "octets de la page " + std::to_string(page) + " :";
    scramble(file, std::size_t{page} * kPage, 64, kPage, 8, random, what);
    return true;
}

bool scrambleRow(std::vector<unsigned char>& file, jet::JetRowId where, std::mt19937& random, std::string& what)
{
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, jet::jet4FileFormat(), where, start, end))
        return false;
    what = "ligne " + rowName(where) + " :";
    scramble(file, start, 5, end - start, 8, random, what);
    return true;
}

std::vector<std::uint32_t> rowPages(const TableMap& map)
{
    std::vector<std::uint32_t> pages = map.dataPages;
    pages.insert(pages.end(), map.longValuePages.begin(), map.longValuePages.end());
    return pages;
}

// A row offset beyond the page or into its offset table, or (`overlap`) into a row laid before
// it: the two rows share bytes, or their order is reversed.
bool misplacedRow(std::vector<unsigned char>& file, const TableMap& map, bool overlap, std::mt19937& random,
                  std::string& what)
{
    std::vector<std::uint32_t> pages;
    for (std::uint32_t p : rowPages(map))
        if (pageOf(file, p) != nullptr && dp::rowCount(pageOf(file, p)) >= (overlap ? 2 : 1))
            pages.push_back(p);
    if (pages.empty())
        return false;
    const std::uint32_t number = pickOf(pages, random);
    unsigned char* page = pageOf(file, number);
    const auto rows = static_cast<std::size_t>(dp::rowCount(page));
    // Outside: the last row most often, as new rows are laid below it.
    const std::size_t row = overlap                ? 1 + pick(random, rows - 1)
                            : random() % 2 == 0 ? rows - 1
                                                : pick(random, rows);
    const std::size_t entry = kFirstSlot + 2 * row;
    const std::uint32_t flags = readLe(page, entry, 2) & ~static_cast<std::uint32_t>(jet::kRowOffsetMask);
    std::size_t offset = 0;
    if (overlap) {
        offset = readLe(page, kFirstSlot + 2 * pick(random, row), 2) & jet::kRowOffsetMask;
        offset = std::min(kPage - 1, offset + static_cast<std::size_t>(random() % 24));
    } else {
        offset = random() % 2 == 0 ? kPage + 1 + pick(random, 0x1fff - kPage) : pick(random, kFirstSlot + 2 * rows);
    }
    putLe(page, entry, flags | static_cast<std::uint32_t>(offset), 2);
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
    putPointer(file, start, to);
    what = "morceau " + rowName(chain[from]) + " vers " + rowName(to);
    return true;
}

// A moved row's pointer aimed at itself, at a row scans meet, or at its row which is then
// marked moved and aimed back.
bool movedRowLoop(std::vector<unsigned char>& file, const TableMap& map, std::mt19937& random, std::string& what)
{
    if (map.movedRows.empty())
        return false;
    const jet::JetRowId header = pickOf(map.movedRows, random);
    std::size_t start = 0;
    std::size_t end = 0;
    if (!rowBytes(file, jet::jet4FileFormat(), header, start, end) || end - start < 4)
        return false;
    const jet::JetRowId home = pointerAt(file.data() + start);
    std::size_t homeStart = 0;
    std::size_t homeEnd = 0;
    jet::JetRowId target = header;
    const auto choice = random() % 3;
    if (choice == 2) {
        target = pickOf(map.rows, random);
        what = "ligne déplacée renvoyant à la ligne vivante ";
    } else if (choice == 0 && rowBytes(file, jet::jet4FileFormat(), home, homeStart, homeEnd) && homeEnd - homeStart >= 4) {
        const std::size_t entry = kFirstSlot + 2 * static_cast<std::size_t>(home.row);
        unsigned char* page = pageOf(file, home.page);
        putLe(page, entry, readLe(page, entry, 2) | jet::kRowMoved, 2);
        start = homeStart;
        what = "ligne déplacée " + rowName(home) + " renvoyant à ";
    } else {
        what = "ligne déplacée renvoyant à ";
    }
    putPointer(file, start, target);
    what += rowName(target);
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
                                                 : pickOf(pages, random);
    std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(std::size_t{page} * kPage), kPage, 0);
    what = "page " + std::to_string(page) + " mise à zéro";
    return true;
}

// The table's layout, the pages its map marks and those of its data pages; false with why.
bool openTable(MemoryPages& pages, std::uint32_t definition, jet::JetTableLayout& layout,
               std::vector<std::uint32_t>& dataPages, std::string& why)
{
    jet::JetUsageMap owned;
    if (!jet::readTableLayout(pages, definition, layout, why) || !jet::JetUsageMap::open(pages, layout.ownedPages, owned, why))
        return false;
    for (std::uint32_t p : owned.pages())
        if (dp::isDataPageOf(pages.read(p), definition))
            dataPages.push_back(p);
    return true;
}

}  // namespace

bool mapTable(const std::vector<unsigned char>& file, std::uint32_t definition, TableMap& map, std::string& why)
{
    MemoryPages pages(file);
    jet::JetTableLayout layout;
    map = {};
    if (!openTable(pages, definition, layout, map.dataPages, why))
        return false;
    map.definition = definition;
    map.usageMaps = {layout.ownedPages, layout.freeSpacePages};
    for (const auto& column : layout.columns) {
        if (column.hasLongValueMaps) {
            map.usageMaps.push_back(jet::JetRowId::fromPointer(column.longValueOwned));
            map.usageMaps.push_back(jet::JetRowId::fromPointer(column.longValueFree));
        }
    }
    for (std::uint32_t p : map.dataPages)
        collectRows(pages, layout, p, map);
    for (std::uint32_t p = 2; p < pages.pageCount(); ++p)
        if (isLongValuePage(pages.read(p)))
            map.longValuePages.push_back(p);
    return true;
}

const char* damageName(Damage kind)
{
    static const char* const names[kDamageKinds] = {
        "définition", "page de données", "carte des pages", "page de valeurs longues", "carte des pages libres",
        "fichier tronqué", "page à zéro", "ligne hors de la page", "lignes chevauchantes", "boucle de valeur longue",
        "boucle de ligne déplacée"};
    return names[static_cast<int>(kind)];
}

bool damage(std::vector<unsigned char>& file, const TableMap& map, Damage kind, std::mt19937& random,
            std::string& what)
{
    switch (kind) {
    case Damage::DefinitionBytes: return scramblePage(file, {map.definition}, random, what);
    case Damage::DataPageBytes: return scramblePage(file, map.dataPages, random, what);
    case Damage::UsageMapRow: return scrambleRow(file, pickOf(map.usageMaps, random), random, what);
    case Damage::LongValuePageBytes: return scramblePage(file, map.longValuePages, random, what);
    case Damage::FreePageMap: return scrambleRow(file, {1, 0}, random, what);
    case Damage::Truncated: return truncated(file, map, random, what);
    case Damage::ZeroedPage: return zeroedPage(file, map, random, what);
    case Damage::RowOutsidePage: return misplacedRow(file, map, false, random, what);
    case Damage::OverlappingRows: return misplacedRow(file, map, true, random, what);
    case Damage::LongValueLoop: return longValueLoop(file, map, random, what);
    case Damage::MovedRowLoop: return movedRowLoop(file, map, random, what);
    }
    return false;
}

// --- Indexes ---

namespace {

std::uint32_t next(std::mt19937& random)
{
    return static_cast<std::uint32_t>(random());
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
        page = readLe(file.data(), at + 4, 4);
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

// The offset in the joined definition of the first real index's block.
std::size_t firstBlock(const std::vector<unsigned char>& file, const std::vector<std::uint32_t>& chain,
                       std::size_t size, const jet::JetFileFormat& f)
{
    std::vector<unsigned char> b;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const auto start = file.begin() + static_cast<std::ptrdiff_t>(std::size_t{chain[i]} * size);
        b.insert(b.end(), start + static_cast<std::ptrdiff_t>(i == 0 ? 0 : kContinuationHeader),
                 start + static_cast<std::ptrdiff_t>(size));
    }
    const std::size_t columns = readLe(b.data(), static_cast<std::size_t>(f.definitionColumnCount), 2);
    const std::size_t real = readLe(b.data(), static_cast<std::size_t>(f.definitionRealIndexes), 4);
    std::size_t at = static_cast<std::size_t>(f.definitionFirstBlock) +
                     real * static_cast<std::size_t>(f.realIndexSize) + columns * static_cast<std::size_t>(f.columnSize);
    for (std::size_t c = 0; c < columns && at + 2 <= b.size(); ++c)
        at += static_cast<std::size_t>(f.nameLengthSize) + readLe(b.data(), at, f.nameLengthSize);
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
        std::vector<std::uint32_t> children;
        for (const auto& entry : image.entries) {
            if (image.leaf)
                rows.insert({entry.row.page, entry.row.row});
            else
                children.push_back(entry.child);
        }
        if (!image.leaf && image.tail != 0)
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
    what = "octets de la page d'index " + std::to_string(page) + " :";
    scramble(file, std::size_t{page} * size, static_cast<std::size_t>(map.format->indexFirstEntry()), size, 8, random,
             what);
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
    std::string target = "elle-même";
    const std::uint32_t to = random() % 3 == 0 ? page : pageOfAnotherKind(file, map, random, target);
    putLe(file, std::size_t{page} * static_cast<std::size_t>(f.pageSize) + static_cast<std::size_t>(fields[field]), to, 4);
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
    (choice < image.entries.size() ? image.entries[choice].child : image.tail) = to;
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
    unsigned char* bitmap = file.data() + start + static_cast<std::size_t>(f.indexBitmap);
    std::size_t bit = 0;
    bool on = true;
    switch (random() % 4) {
    case 0:  // a mark past the entry area, or at its very end
        bit = bits > area + 1 ? area + 1 + pick(random, bits - area - 1) : area;
        what = "marque " + std::to_string(bit) + " au bout de la table des entrées";
        break;
    case 1:  // one more mark inside the entries
        bit = pick(random, std::min(area, bits));
        what = "marque ajoutée " + std::to_string(bit);
        break;
    case 2:  // the last mark taken away
        for (std::size_t b = 0; b < bits; ++b)
            if (bitmap[b / 8] & (1u << (b % 8)))
                bit = b;
        on = false;
        what = "dernière marque " + std::to_string(bit) + " retirée";
        break;
    default: {
        const std::uint32_t widest = f.indexPrefixSize == 1 ? 0xff : 0xffff;
        const std::uint32_t prefix = random() % 2 == 0 ? widest - static_cast<std::uint32_t>(random() % 8)
                                                       : 1 + static_cast<std::uint32_t>(random() % 64);
        putLe(file, start + static_cast<std::size_t>(f.indexPrefixLength), prefix, f.indexPrefixSize);
        what = "page d'index " + std::to_string(page) + " : préfixe de " + std::to_string(prefix) + " octets";
        return true;
    }
    }
    const auto mask = static_cast<unsigned char>(1u << (bit % 8));
    bitmap[bit / 8] = static_cast<unsigned char>(on ? bitmap[bit / 8] | mask : bitmap[bit / 8] & ~mask);
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
    what = "racine d'index " + std::to_string(tree.root) + " remplacée par " + target + " (" + std::to_string(to) + ")";
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
    what = "carte des pages de l'index " + std::to_string(tree.root) + " :";
    scramble(file, start, 5, end - start, 6, random, what);
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

bool mapIndexes(const std::vector<unsigned char>& file, std::uint32_t definition, IndexedTableMap& map,
                std::string& why)
{
    const std::size_t size = file.size() > 0x14 && file[0x14] == 0 ? 2048 : 4096;  // the version byte: 0 for Jet 3
    MemoryPages pages(file, size);
    jet::JetTableLayout layout;
    std::vector<jet::JetRealIndex> real;
    map = {};
    if (!openTable(pages, definition, layout, map.dataPages, why) ||
        !jet::readRealIndexes(pages, definition, real, why, *layout.format))
        return false;
    map.format = layout.format;
    map.definition = definition;
    const auto chain = definitionChain(file, definition, size);
    const std::size_t first = firstBlock(file, chain, size, *map.format);
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
    static const char* const names[kIndexDamageKinds] = {
        "page d'index", "lien de page d'index", "boucle d'enfant", "table des entrées ou préfixe",
        "racine ailleurs", "carte des pages d'index", "bloc d'index de la définition", "nombre de clés distinctes"};
    return names[static_cast<int>(kind)];
}

bool damageIndex(std::vector<unsigned char>& file, const IndexedTableMap& map, IndexDamage kind, std::mt19937& random,
                 std::string& what)
{
    using Apply = bool (*)(std::vector<unsigned char>&, const IndexedTableMap&, std::mt19937&, std::string&);
    static const Apply apply[kIndexDamageKinds] = {pageBytes,     linkAstray, childLoop,      bitmapOrPrefix,
                                                   rootElsewhere, usageMap,   realIndexBlock, distinctKeys};
    return apply[static_cast<int>(kind)](file, map, random, what);
}

}  // namespace kervane::test
