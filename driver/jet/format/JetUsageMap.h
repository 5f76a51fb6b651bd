#pragma once
// A usage map as a writer reads and changes it: a bitmap of pages kept in a row of a data page,
// either in the row itself after its first page number (type 0) or on map pages the row lists
// (type 1). The table definition points at two: the table's pages, and those with room.
//
// A map kept in its row reaches a page beyond its range by starting further up when every page
// it marks still fits, else by growing its row on its page, as Access's files show it done (the
// file's map of unowned pages only grows, the pages it then covers past the file's end marked
// free). Beyond that, prepareMaps() moves a table's map to map pages of its own.
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

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
    int bitmapBytes() const { return m_end - m_start - 5; }
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
// True when both maps and the file's map of unowned pages can be brought to mark `page`, the
// rows growing on one page having room together (false too when one cannot be read).
bool mapsCover(JetPages& pages, JetRowId owned, JetRowId withRoom, std::uint32_t page);
bool mapsCoverPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page);

}  // namespace kervane::jet
