#include "driver/jet/rows/JetRowWalk.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"

namespace kervane::jet {
namespace {

constexpr int kMaxHops = 8;  // a moved row points at most this far

// The bytes of the row whose slot on `page` is `slot`, followed where it moved; false when a
// pointer leads outside the table.
bool rowBytes(JetPages& pages, const JetTableLayout& layout, const unsigned char* page, datapage::Slot slot,
              std::vector<unsigned char>& bytes)
{
    const JetFileFormat& format = *layout.format;
    for (int hops = 0; slot.moved; ++hops) {
        if (hops == kMaxHops || slot.size() < datapage::kPointerSize)
            return false;
        const unsigned char* at = page + slot.start;
        const JetRowId home{readLittleEndian(at + 1, 3), at[0]};
        page = pages.read(home.page);
        // The data a row moved to is flagged deleted, hidden from scans.
        if (page == nullptr || !datapage::isDataPageOf(page, layout.definitionPage) ||
            !datapage::slot(page, home.row, slot, format) || !slot.deleted)
            return false;
    }
    bytes.assign(page + slot.start, page + slot.end);
    return true;
}

}  // namespace

bool walkRows(JetPages& pages, const JetTableLayout& layout, const std::string& table, const RowVisit& visit,
              std::string& error)
{
    const JetFileFormat& format = *layout.format;
    JetUsageMap owned;
    if (!JetUsageMap::open(pages, layout.ownedPages, owned, error))
        return false;
    std::vector<unsigned char> bytes;
    for (std::uint32_t number : owned.pages()) {
        const unsigned char* page = pages.read(number);
        if (page == nullptr || !datapage::isDataPageOf(page, layout.definitionPage))
            continue;
        const int rows = datapage::rowCount(page, format);
        for (int r = 0; r < rows; ++r) {
            datapage::Slot slot;
            const bool readable = datapage::slot(page, r, slot, format);
            if (readable && slot.deleted)
                continue;
            if (!readable || !rowBytes(pages, layout, page, slot, bytes)) {
                error = "La ligne " + std::to_string(number) + ":" + std::to_string(r) + " de la table « " + table +
                        " » est illisible.";
                return false;
            }
            if (!visit({number, r}, bytes, error))
                return false;
            page = pages.read(number);  // the visit may have read other pages
        }
    }
    return true;
}

}  // namespace kervane::jet
