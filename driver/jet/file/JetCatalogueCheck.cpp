#include "driver/jet/file/JetCatalogueCheck.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetMessages.h"
#include "driver/jet/format/JetProperties.h"

#include <mdbtools.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kervane::jet {

namespace {

constexpr unsigned long kCataloguePage = 2;

struct TableDefinitionFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

std::string location(std::uint32_t pageRow)
{
    return "page " + std::to_string(pageRow >> 8) + ", ligne " + std::to_string(pageRow & 0xff);
}

// The row holding byte `offset` of the value: one of its pieces, or the catalogue row itself
// for a value stored there.
std::uint32_t rowHolding(const PropertyValue& value, std::size_t offset, std::uint32_t catalogueRow)
{
    std::uint32_t row = catalogueRow;
    for (const PropertyPiece& piece : value.pieces) {
        if (piece.offset > offset)
            break;
        row = piece.pageRow;
    }
    return row;
}

// libmdb takes the column name as a writable string.
int bindColumn(MdbTableDef* table, std::string column, void* buffer, int* length)
{
    return mdb_bind_column_by_name(table, column.data(), buffer, length);
}

// The MSysObjects columns libmdb's own catalogue reader binds, bound the same way (as texts).
struct CatalogueRow {
    std::vector<char> id;
    std::vector<char> name;
    std::vector<char> type;
    std::vector<char> flags;
    std::vector<char> header;
    int headerLength = 0;
    MdbColumn* properties = nullptr;

    explicit CatalogueRow(std::size_t bindSize)
        : id(bindSize), name(bindSize), type(bindSize), flags(bindSize), header(bindSize)
    {
    }

    bool bind(MdbTableDef* table)
    {
        if (bindColumn(table, "Id", id.data(), nullptr) < 1 || bindColumn(table, "Name", name.data(), nullptr) < 1 ||
            bindColumn(table, "Type", type.data(), nullptr) < 1 || bindColumn(table, "Flags", flags.data(), nullptr) < 1)
            return false;
        const int position = bindColumn(table, "LvProp", header.data(), &headerLength);
        if (position < 1)
            return false;
        properties = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, position - 1));
        return true;
    }

    CatalogueObject object(int objectType) const
    {
        return CatalogueObject{name.data(), std::strtoll(id.data(), nullptr, 10), objectType,
                               std::strtoll(flags.data(), nullptr, 10), {}};
    }
};

class PropertyCheck {
public:
    PropertyCheck(JetFile& file, MdbHandle* mdb)
        : m_file(file), m_mdb(mdb),
          m_reader(file.format(), file.pageCount(),
                   [&file](std::uint32_t page, unsigned char* buffer) { return file.readPage(page, buffer); })
    {
    }

    // Reads and checks the properties of the entry just fetched, at `catalogueRow`; `bytes` gets
    // them, `pages` the pages their pieces lie on outside the row.
    bool check(const CatalogueRow& row, std::uint32_t catalogueRow, std::vector<unsigned char>& bytes,
               std::vector<std::uint32_t>& pages, std::string& error)
    {
        const auto* header = reinterpret_cast<const unsigned char*>(row.header.data());
        const int start = row.properties->cur_value_start;
        const int length = row.properties->cur_value_len;
        const std::string where = "les propriétés de la table « " + std::string(row.name.data()) + " »";
        const bool stored = (readUInt32(header, 0) & kLongValueInline) != 0;
        if (stored && (start < 0 || length < 0 || start + length > m_file.format().pageSize)) {
            error = messageDamagedFile(m_file.path(), where + " sont incohérentes (" + location(catalogueRow) + ")");
            return false;
        }
        PropertyValue value;
        std::uint32_t loopAt = 0;
        const unsigned char* inlineBytes =
            stored && length >= MDB_MEMO_OVERHEAD ? m_mdb->pg_buf + start + MDB_MEMO_OVERHEAD : nullptr;
        if (!m_reader.read(header, inlineBytes, long{length} - MDB_MEMO_OVERHEAD, value, loopAt)) {
            error = messageDamagedFile(m_file.path(), where + " forment une boucle (" + location(loopAt) + ")");
            return false;
        }
        if (const auto damage = propertyDamage(value.bytes)) {
            const std::uint32_t at = rowHolding(value, *damage, catalogueRow);
            error = messageDamagedFile(m_file.path(), where + " sont incohérentes (" + location(at) + ")");
            return false;
        }
        value.appendPiecePages(pages);
        bytes = std::move(value.bytes);
        return true;
    }

private:
    JetFile& m_file;
    MdbHandle* m_mdb;
    PropertyChainReader m_reader;
};

}  // namespace

bool listedTable(const CatalogueObject& object)
{
    return object.type == kTableObject && !object.name.empty() &&
           g_ascii_strncasecmp(object.name.c_str(), "sqlite_", 7) != 0;
}

std::uint32_t definitionPageOf(const CatalogueObject& object)
{
    return definitionPageOfId(object.id);
}

std::uint32_t definitionPageOfId(std::int64_t id)
{
    return static_cast<std::uint32_t>(id & 0x00ffffff);
}

bool isSystemObject(const CatalogueObject& object)
{
    // System tables carry one of these flags in their catalogue entry; Access names them MSys….
    constexpr std::int64_t kSystemFlags = 0x80000002;
    return (object.flags & kSystemFlags) != 0 || g_ascii_strncasecmp(object.name.c_str(), "MSys", 4) == 0;
}

namespace {

// Visits each table and query of the catalogue with its properties read and checked (a table's;
// empty for a query or a table without); the visit returns false to stop.
using CatalogueVisit = std::function<bool(const CatalogueObject&, const std::vector<unsigned char>&)>;

bool scanCatalogue(JetFile& file, const CatalogueVisit& visit, std::string& error)
{
    auto* mdb = static_cast<MdbHandle*>(file.mdbHandle());
    // The catalogue is the table defined on page 2; a stand-in entry names it.
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = kCataloguePage;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", "MSysObjects");
    std::unique_ptr<MdbTableDef, TableDefinitionFreer> table(mdb_read_table(&entry));
    CatalogueRow row(mdb->bind_size);
    if (!table || mdb_read_columns(table.get()) == nullptr || !row.bind(table.get())) {
        error = messageUnreadable(file.path(), "catalogue illisible");
        return false;
    }
    PropertyCheck properties(file, mdb);
    mdb_rewind_table(table.get());
    std::vector<unsigned char> bytes;
    while (mdb_fetch_row(table.get())) {
        const int type = std::atoi(row.type.data());
        if (type != kTableObject && type != kQueryObject)
            continue;
        bytes.clear();
        CatalogueObject object = row.object(type);
        if (type == kTableObject && row.headerLength != 0) {
            const std::uint32_t catalogueRow = table->cur_phys_pg << 8 | ((table->cur_row - 1) & 0xff);
            if (!properties.check(row, catalogueRow, bytes, object.propertyPages, error))
                return false;
        }
        if (!visit(object, bytes))
            break;
    }
    return true;
}

}  // namespace

bool readCatalogue(JetFile& file, Catalogue& catalogue, std::string& error)
{
    catalogue.clear();
    return scanCatalogue(file, [&](const CatalogueObject& object, const std::vector<unsigned char>&) {
        catalogue.push_back(object);
        return true;
    }, error);
}

bool tablePropertyBytes(JetFile& file, std::uint32_t definitionPage, std::vector<unsigned char>& bytes,
                        std::string& error)
{
    bytes.clear();
    return scanCatalogue(file, [&](const CatalogueObject& object, const std::vector<unsigned char>& properties) {
        if (object.type != kTableObject || definitionPageOf(object) != definitionPage)
            return true;
        bytes = properties;
        return false;
    }, error);
}

}  // namespace kervane::jet
