#pragma once
// Usage maps: a bitmap of pages kept in a row of a data page, either in the row itself after the
// number of the page its first bit stands for (type 0), or on map pages the row lists (type 1),
// the bits of the n-th one, after its 4-byte header, standing for the n-th run of
// (page size - 4) * 8 pages; in both the low bit of a byte comes first. The table definition
// points at two: the table's pages, and those with room. Their bytes are decoded here once, for
// the reader walking a table's pages and for the writer changing them.
//
// A map kept in its row reaches a page beyond its range by starting further up when every page
// it marks still fits, else by growing its row on its page, as Access's files show it done (the
// file's map of unowned pages only grows, the pages it then covers past the file's end marked
// free). Beyond that, prepareMaps() moves a table's map to map pages of its own.
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

namespace usagemap {

constexpr unsigned char kInline = 0x00;     // type 0: the bits in the row
constexpr unsigned char kReference = 0x01;  // type 1: the row lists map pages
constexpr int kInlineHeader = 5;            // type 0: the type, then the first page's number
constexpr int kMapPageHeader = 4;           // a map page: its kind (kMapPage), 0x01, two bytes

// A run of a map's bits: `size` bytes, the first bit standing for page `first`.
struct Bits {
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    std::uint64_t first = 0;

    bool covers(std::uint64_t page) const { return page >= first && page - first < std::uint64_t{size} * 8; }
    // The byte holding page's bit, and the bit in it; covers() must have accepted the page.
    std::size_t byteOf(std::uint64_t page) const { return static_cast<std::size_t>((page - first) / 8); }
    int bitOf(std::uint64_t page) const { return static_cast<int>((page - first) % 8); }
    // The first page at or after `from` that the run marks; nothing when there is none.
    std::optional<std::uint64_t> nextMarked(std::uint64_t from) const;
};

// The row of a usage map, `size` bytes (the type byte first), in a file of `pageSize`-byte pages.
class MapRow {
public:
    MapRow(const unsigned char* row, std::size_t size, std::size_t pageSize)
        : m_row(row), m_size(size), m_pageSize(pageSize)
    {
    }

    unsigned char type() const { return m_row[0]; }
    // Type 0: the page the first bit stands for, and the bits; none when the row is shorter than
    // its header.
    std::uint32_t firstPage() const;
    Bits inlineBits() const;
    // Type 1: how many map pages the row lists, the one of entry `entry` (0: none), the entry
    // whose map page holds page's bit, and the bits of `mapPage` read as entry `entry`'s.
    std::size_t entries() const { return m_size == 0 ? 0 : (m_size - 1) / 4; }
    std::uint32_t mapPage(std::size_t entry) const;
    std::uint64_t pagesPerMapPage() const { return std::uint64_t{m_pageSize - kMapPageHeader} * 8; }
    std::size_t entryOf(std::uint64_t page) const { return static_cast<std::size_t>(page / pagesPerMapPage()); }
    Bits mapPageBits(std::size_t entry, const unsigned char* mapPage) const;

private:
    const unsigned char* m_row;
    std::size_t m_size;
    std::size_t m_pageSize;
};

// Where entry `entry` of a type 1 row lies in the row.
inline int entryOffset(std::size_t entry)
{
    return 1 + 4 * static_cast<int>(entry);
}

}  // namespace usagemap

// Walks the pages a table's usage map marks as its own, in increasing order, refusing page
// numbers outside the file: the reader's way through a table.
class UsageMapWalk {
public:
    using PageReader = std::function<bool(std::uint32_t page, unsigned char* buffer)>;
    enum class Step { Page, End, Damaged };

    UsageMapWalk(std::vector<unsigned char> map, const JetFileFormat& format, std::uint32_t pageCount);

    // Next page strictly after `after` (0 to start); `why` tells a damage.
    Step next(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why);

private:
    Step nextInline(std::uint32_t after, std::uint32_t& page, std::string& why) const;
    Step nextInPages(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why);
    Step checked(std::uint64_t candidate, std::uint32_t& page, std::string& why) const;
    usagemap::MapRow row() const;

    std::vector<unsigned char> m_map;
    const JetFileFormat& m_format;
    std::uint32_t m_pageCount;
    std::vector<unsigned char> m_mapPage;
    std::uint32_t m_mapPageNumber = 0;
};

class JetPages;

constexpr JetRowId kUnownedPagesMap{1, 0};  // the file's map of pages no object owns

// A usage map as a writer reads and changes it.
class JetUsageMap {
public:
    // The map kept in row `where`; false with a French message when it cannot be read.
    static bool open(JetPages& pages, JetRowId where, JetUsageMap& map, std::string& error);

    // The pages marked, in increasing order.
    std::vector<std::uint32_t> pages() const;
    bool contains(std::uint32_t page) const;
    // True when `page` lies within what the map can mark without growing it.
    bool covers(std::uint32_t page) const;
    // True when the map can be brought to reach `page`; `extraBytes`: how much its row would
    // grow on its page for it.
    bool canReach(std::uint32_t page, int& extraBytes) const;
    // Marks or clears `page`, bringing the map to reach it first where needed; false when it
    // cannot (nothing changed then).
    bool set(std::uint32_t page, bool on);
    // Makes the map one kept on map pages of its own (type 1), with map pages for what it marks
    // and every page up to `lastPage`: the pages it lacks are appended, marked used in the file's
    // map of unowned pages (which, made so itself, marks free every page past the file's end
    // its map pages reach). False when its row has too few entries for them, or a page is
    // refused: the change must then fail and be undone.
    bool referTo(std::uint32_t lastPage);
    // The page holding the map's row.
    std::uint32_t rowPage() const { return m_page; }
    // False when the map marks a page past the file's end, or lists a map page there: the
    // file lost pages it still uses (it was cut short).
    bool withinFile() const;

private:
    // The byte holding page's bit (page and offset), or false when the map does not reach it.
    bool locate(std::uint32_t page, std::uint32_t& where, int& offset, int& bit) const;
    struct Reach {
        bool possible = false;
        std::uint32_t start = 0;  // the first page the row's bitmap stands for
        int extraBytes = 0;       // what the row grows by
    };
    Reach reachFor(std::uint32_t page) const;
    bool reach(std::uint32_t page);
    std::uint32_t firstPage() const;
    int bitmapBytes() const { return m_end - m_start - usagemap::kInlineHeader; }
    // The map's row decoded, from its page's bytes.
    usagemap::MapRow mapRow(const unsigned char* page) const;
    // Calls `each` with the map's bits: the row's own, or those of each map page it lists;
    // false when a map page it lists cannot be read (the others are visited all the same).
    bool forEachRun(const std::function<void(const usagemap::Bits&)>& each) const;
    void moveFirstPage(std::uint32_t start);
    void growRow(int extraBytes);

    JetPages* m_pages = nullptr;
    std::uint32_t m_page = 0;  // the page holding the map's row
    int m_start = 0;           // the row's first and last byte
    int m_end = 0;
    int m_row = 0;
    bool m_inline = true;
    bool m_unowned = false;  // the file's map of unowned pages: a set bit is a free page
};

// The maps a writer of the table relies on: its two maps readable, and neither they nor those
// of its long values marking pages past the file's end; false with a French message naming
// `table`.
bool checkTableMaps(JetPages& pages, const JetTableLayout& layout, const std::string& table, std::string& error);

// Brings every map of `maps`, and the file's map of unowned pages, to reach `lastPage` when the
// change begins, before any page it adds is numbered: a map that could not grow on its row's
// page (the maps kept on one page sharing its room) is made one kept on map pages; maps that cannot be read are left to the
// checks of the pages they would mark. False with a French message when map pages cannot be
// added.
bool prepareMaps(JetPages& pages, const std::vector<JetRowId>& maps, std::uint32_t lastPage, std::string& error);

// Appends a page of zeros owned through the maps `owned` and `withRoom` (both mark it), taking it
// out of the file's map of unowned pages (page 1, row 0: a set bit is a free page); its number.
// mapsCover() must have accepted it.
std::uint32_t appendOwnedPage(JetPages& pages, JetRowId owned, JetRowId withRoom);
// The same for a page marked in every map of `maps` (an index's pages have one map). Both give
// 0 when the pages refuse one more page, or when a map cannot reach it: the change must then
// fail and be undone.
std::uint32_t appendMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps);
// A page the file's map of unowned pages marks free within the file and that nothing can reach
// any more: all zeros, or a data page (not a long value's) whose table no longer lists it; one
// that every map of `maps` can mark. 0 when there is none.
std::uint32_t reusablePage(JetPages& pages, std::initializer_list<JetRowId> maps);
// Takes such a page back, marked in every map of `maps` and no longer free, zeroed; false when a
// map refuses it (the change must then fail and be undone).
bool takeMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page);
// Gives `page` back to the file: cleared in `map`, marked in the map of unowned pages, zeroed.
void releaseMappedPage(JetPages& pages, JetRowId map, std::uint32_t page);
// The same for a page no map of a table marks (a definition's, a page of maps).
void releasePage(JetPages& pages, std::uint32_t page);
// A page for the structure of a table (a definition's, a page of maps, an index root), marked used
// in the file's map of unowned pages: one the file no longer uses, else a new one; 0 when refused.
std::uint32_t structurePage(JetPages& pages);
// True when both maps and the file's map of unowned pages can be brought to mark `page`, the
// rows growing on one page having room together (false too when one cannot be read).
bool mapsCover(JetPages& pages, JetRowId owned, JetRowId withRoom, std::uint32_t page);
bool mapsCoverPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page);

}  // namespace kervane::jet
