#include "driver/jet/schema/JetCatalogueListing.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetProperties.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/semantics/UtfCoding.h"

#include <cstring>

namespace kervane::jet {
namespace {

constexpr std::uint32_t kCatalogueDefinition = 2;
// A long value's header in its row: its length and flags, then where the rest lies.
constexpr std::size_t kLongValueHeader = 12;

// The columns of MSysObjects the listing reads.
struct ListedColumns {
    const JetLayoutColumn* id = nullptr;
    const JetLayoutColumn* name = nullptr;
    const JetLayoutColumn* type = nullptr;
    const JetLayoutColumn* flags = nullptr;
    const JetLayoutColumn* properties = nullptr;
};

bool isNumber(const JetLayoutColumn* column)
{
    return column != nullptr && (column->type == JetType::Long || column->type == JetType::Integer);
}

std::optional<ListedColumns> listedColumns(const JetTableLayout& layout)
{
    const ListedColumns columns{columnNamed(layout, "Id"), columnNamed(layout, "Name"), columnNamed(layout, "Type"),
                                columnNamed(layout, "Flags"), columnNamed(layout, "LvProp")};
    if (!isNumber(columns.id) || !isNumber(columns.type) || !isNumber(columns.flags) || columns.name == nullptr ||
        columns.name->type != JetType::Text || columns.properties == nullptr ||
        !isLongValue(columns.properties->type))
        return std::nullopt;
    return columns;
}

class CatalogueListing {
public:
    CatalogueListing(JetPages& pages, const JetTableLayout& layout, const ListedColumns& columns)
        : m_format(*layout.format), m_columns(columns),
          m_properties(m_format, pages.pageCount(), [&pages](std::uint32_t page, unsigned char* buffer) {
              const unsigned char* read = pages.read(page);
              if (read != nullptr)
                  std::memcpy(buffer, read, pages.pageSize());
              return read != nullptr;
          })
    {
    }

    // Reads the row's object when it is a table or a query, with its properties, and visits
    // it; false when the row is not sound. `stop` is set when the visit asks for no more.
    bool visit(const std::vector<unsigned char>& row, const CatalogueListingVisit& onObject, bool& stop)
    {
        std::int64_t type = 0;
        if (!number(row, *m_columns.type, type))
            return false;
        if (type != kTableObject && type != kQueryObject)
            return true;
        CatalogueObject object;
        object.type = static_cast<int>(type);
        m_bytes.clear();
        if (!number(row, *m_columns.id, object.id) || !number(row, *m_columns.flags, object.flags) ||
            !text(row, *m_columns.name, object.name) ||
            (type == kTableObject && !checkedProperties(row, object.propertyPages)))
            return false;
        stop = !onObject(object, m_bytes);
        return true;
    }

private:
    // A Long or an Integer; a Null reads as 0, as libmdb reads it.
    bool number(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::int64_t& value) const
    {
        value = 0;
        if (!columnPresent(row, column, m_format))
            return true;
        std::size_t at = static_cast<std::size_t>(m_format.rowCountSize + column.fixedOffset);
        std::size_t end = row.size();
        if (!column.fixed() && !variableData(row, column, at, end, m_format))
            return false;
        const std::size_t size = column.type == JetType::Long ? 4 : 2;
        if (at + size > end)
            return false;
        value = size == 4 ? std::int64_t{static_cast<std::int32_t>(readUInt32(row, at))}
                          : std::int64_t{static_cast<std::int16_t>(readUInt16(row, at))};
        return true;
    }

    // A text; a Null reads as an empty one.
    bool text(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::string& value) const
    {
        std::size_t start = 0;
        std::size_t end = 0;
        if (!columnPresent(row, column, m_format))
            return true;
        if (!variableData(row, column, start, end, m_format))
            return false;
        if (m_format.jet3) {
            value = fromCodePage(column.codePage, row.data() + start, end - start);
            return true;
        }
        std::u16string units;
        if (!decodeRowText(row.data() + start, end - start, units))
            return false;
        std::optional<std::string> utf8 = sql::utf8FromUtf16(units, sql::IllFormed::Refuse);
        if (!utf8)
            return false;
        value = std::move(*utf8);
        return true;
    }

    // The table's design properties, read as libmdb reads them (one after the other: its
    // reading of a chain depends on the one before) and checked as readCatalogue() checks
    // them; `pages` gets the pages their pieces lie on outside the row.
    bool checkedProperties(const std::vector<unsigned char>& row, std::vector<std::uint32_t>& pages)
    {
        std::size_t start = 0;
        std::size_t end = 0;
        if (!columnPresent(row, *m_columns.properties, m_format))
            return true;
        if (!variableData(row, *m_columns.properties, start, end, m_format))
            return false;
        if (end == start)
            return true;
        if (end - start < kLongValueHeader)
            return false;
        const unsigned char* header = row.data() + start;
        const bool stored = (readUInt32(header, 0) & kLongValueInline) != 0;
        PropertyValue value;
        std::uint32_t loopAt = 0;
        if (!m_properties.read(header, stored ? header + kLongValueHeader : nullptr,
                               static_cast<long>(end - start - kLongValueHeader), value, loopAt) ||
            propertyDamage(value.bytes))
            return false;
        value.appendPiecePages(pages);
        m_bytes = std::move(value.bytes);
        return true;
    }

    const JetFileFormat& m_format;
    ListedColumns m_columns;
    PropertyChainReader m_properties;
    std::vector<unsigned char> m_bytes;  // the properties of the object read last
};

}  // namespace

bool walkListedCatalogue(JetPages& pages, const CatalogueListingVisit& visit)
{
    JetTableLayout layout;
    JetUsageMap owned;
    std::string error;
    if (!readTableLayout(pages, kCatalogueDefinition, layout, error) ||
        !JetUsageMap::open(pages, layout.ownedPages, owned, error))
        return false;
    const std::optional<ListedColumns> columns = listedColumns(layout);
    if (!columns)
        return false;
    CatalogueListing listing(pages, layout, *columns);
    std::vector<unsigned char> row;
    bool stop = false;
    // The rows in libmdb's order, which the rest of the driver has always known: a moved row
    // where its data now lies, not where its pointer stands.
    for (const std::uint32_t number : owned.pages()) {
        const unsigned char* page = pages.read(number);
        if (page == nullptr || !datapage::isDataPageOf(page, kCatalogueDefinition))
            continue;
        const int rows = checkedRowCount(*layout.format, page);
        if (rows < 0)
            return false;
        const int slotTableEnd = layout.format->pageFirstSlot + 2 * rows;
        for (int r = 0; r < rows; ++r) {
            // Flagged moved: a pointer, or with the other flag a deleted row. Flagged deleted
            // alone: the data of a moved row.
            const datapage::Slot slot = datapage::storedSlot(page, r, *layout.format);
            if (slot.moved)
                continue;
            if (slot.start < slotTableEnd || slot.end < slot.start || slot.end > layout.format->pageSize)
                return false;
            if (slot.end == slot.start)
                continue;
            row.assign(page + slot.start, page + slot.end);
            if (!listing.visit(row, visit, stop))
                return false;
            if (stop)
                return true;
            page = pages.read(number);  // the properties may have read other pages
        }
    }
    return true;
}

std::optional<Catalogue> listCatalogue(JetPages& pages)
{
    Catalogue catalogue;
    const bool listed = walkListedCatalogue(pages, [&](const CatalogueObject& object, const std::vector<unsigned char>&) {
        catalogue.push_back(object);
        return true;
    });
    return listed ? std::optional<Catalogue>(std::move(catalogue)) : std::nullopt;
}

std::optional<std::vector<unsigned char>> listedTableProperties(JetPages& pages, std::uint32_t definitionPage)
{
    std::vector<unsigned char> found;
    const bool listed =
        walkListedCatalogue(pages, [&](const CatalogueObject& object, const std::vector<unsigned char>& properties) {
            if (object.type != kTableObject || definitionPageOf(object) != definitionPage)
                return true;
            found = properties;
            return false;
        });
    return listed ? std::optional<std::vector<unsigned char>>(std::move(found)) : std::nullopt;
}

}  // namespace kervane::jet
