#pragma once
// Byte-level checks of Jet pages, made before a page or a row is handed to libmdb,
// which trusts the offsets it reads.
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

// Number of row slots of a data page, or -1 when the slot table leaves the page.
int checkedRowCount(const JetFileFormat& format, const unsigned char* page);
// Reads slot `row` (below checkedRowCount); false when a live row lies outside the page.
bool checkedRowSlot(const JetFileFormat& format, const unsigned char* page, int row, datapage::Slot& slot);
// True when the column count, null mask and variable-column offset table of the row all lie
// inside the row, so that cracking it reads nothing else.
bool rowHeaderFits(const JetFileFormat& format, const unsigned char* page, const datapage::Slot& slot,
                   bool hasVariableColumns);

// Walks the pages a table's usage map marks as its own, in increasing order, refusing
// page numbers outside the file.
class UsageMap {
public:
    using PageReader = std::function<bool(std::uint32_t page, unsigned char* buffer)>;
    enum class Step { Page, End, Damaged };

    UsageMap(std::vector<unsigned char> map, const JetFileFormat& format, std::uint32_t pageCount);

    // Next page strictly after `after` (0 to start); `why` tells a damage.
    Step next(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why);

private:
    Step nextInline(std::uint32_t after, std::uint32_t& page, std::string& why) const;
    Step nextInPages(std::uint32_t after, const PageReader& read, std::uint32_t& page, std::string& why);
    Step checked(std::uint64_t candidate, std::uint32_t& page, std::string& why) const;

    std::vector<unsigned char> m_map;
    const JetFileFormat& m_format;
    std::uint32_t m_pageCount;
    std::vector<unsigned char> m_mapPage;
    std::uint32_t m_mapPageNumber = 0;
};

}  // namespace kervane::jet
