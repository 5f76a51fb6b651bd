#pragma once
// A usage map as a writer reads and changes it: a bitmap of pages kept in a row of a data page,
// either in the row itself after its first page number (type 0) or on map pages the row lists
// (type 1). The table definition points at two: the table's pages, and those with room.
#include "driver/jet/JetTableLayout.h"

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
    // Marks or clears `page` (which covers() must accept).
    void set(std::uint32_t page, bool on);
    // False when the map marks a page past the file's end, or lists a map page there: the
    // file lost pages it still uses (it was cut short).
    bool withinFile() const;

private:
    // The byte holding page's bit (page and offset), or false when the map does not reach it.
    bool locate(std::uint32_t page, std::uint32_t& where, int& offset, int& bit) const;

    JetPages* m_pages = nullptr;
    std::uint32_t m_page = 0;  // the page holding the map's row
    int m_start = 0;           // the row's first and last byte
    int m_end = 0;
    bool m_inline = true;
};

// The maps a writer of the table relies on: its two maps readable, and neither they nor those
// of its long values marking pages past the file's end; false with a French message naming
// `table`.
bool checkTableMaps(JetPages& pages, const JetTableLayout& layout, const std::string& table, std::string& error);

// Appends a page of zeros owned through the maps `owned` and `withRoom` (both mark it), taking it
// out of the file's map of unowned pages (page 1, row 0: a set bit is a free page); its number.
// mapsCover() must have accepted it.
std::uint32_t appendOwnedPage(JetPages& pages, JetRowId owned, JetRowId withRoom);
// The same for a page marked in every map of `maps` (an index's pages have one map). Both give
// 0, and change no map, when the pages refuse one more page.
std::uint32_t appendMappedPage(JetPages& pages, std::initializer_list<JetRowId> maps);
// Gives `page` back to the file: cleared in `map`, marked in the map of unowned pages, zeroed.
void releaseMappedPage(JetPages& pages, JetRowId map, std::uint32_t page);
// True when both maps and the file's map of unowned pages can mark `page` (false too when one
// cannot be read).
bool mapsCover(JetPages& pages, JetRowId owned, JetRowId withRoom, std::uint32_t page);
bool mapsCoverPage(JetPages& pages, std::initializer_list<JetRowId> maps, std::uint32_t page);

}  // namespace kervane::jet
