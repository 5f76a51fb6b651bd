#include "driver/jet/rows/JetRowWalk.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"

namespace kervane::jet {
namespace rowwalk {

constexpr int kMaxHops = 8;  // a moved row points at most this far

}  // namespace rowwalk

bool followMovedRow(JetPages& pages, const JetTableLayout& layout, JetRowId& at, datapage::Slot& slot)
{
    for (int hops = 0; slot.moved; ++hops) {
        const unsigned char* page = pages.read(at.page);
        if (page == nullptr || hops == rowwalk::kMaxHops || slot.size() < datapage::kPointerSize)
            return false;
        const unsigned char* pointer = page + slot.start;
        at = {readLittleEndian(pointer + 1, 3), pointer[0]};
        page = pages.read(at.page);
        // The data a row moved to is flagged deleted, hidden from scans.
        if (page == nullptr || !datapage::isDataPageOf(page, layout.definitionPage) ||
            !datapage::slot(page, at.row, slot, *layout.format) || !slot.deleted)
            return false;
    }
    return true;
}

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
            JetRowId home{number, r};
            if (!readable || !followMovedRow(pages, layout, home, slot)) {
                error = "La ligne " + std::to_string(number) + ":" + std::to_string(r) + " de la table « " + table +
                        " » est illisible.";
                return false;
            }
            const unsigned char* data = pages.read(home.page);
            bytes.assign(data + slot.start, data + slot.end);
            if (!visit({number, r}, bytes, error))
                return false;
            page = pages.read(number);  // the visit may have read other pages
        }
    }
    return true;
}

}  // namespace kervane::jet
