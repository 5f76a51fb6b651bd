#include "driver/jet/rows/JetCursor.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetMessages.h"

#include <mdbtools.h>

namespace kervane::jet {

struct JetCursor::Fields {
    std::vector<MdbField> values;
};

JetCursor::JetCursor(JetFile& file, const JetTable& table)
    : m_file(file),
      m_table(table),
      m_map(table.usageMap, file.format(), file.pageCount()),
      m_page(static_cast<std::size_t>(file.format().pageSize)),
      m_moved(m_page.size()),
      m_longValues(file),
      m_fields(std::make_unique<Fields>())
{
    m_fields->values.resize(table.columns.size());
}

JetCursor::~JetCursor() = default;

std::string JetCursor::damage(const std::string& precision) const
{
    return messageDamagedTable(m_file.path(), m_table.name, precision);
}

bool JetCursor::stopRequested(std::string& error)
{
    if (!m_interruptCheck || !m_interruptCheck())
        return false;
    m_interrupted = true;
    error = messageInterrupted(m_table.name);
    return true;
}

bool JetCursor::rewind(std::string& error)
{
    m_interrupted = false;
    m_pageNumber = 0;
    m_pageHeld = false;
    m_rowCount = 0;
    m_nextRow = 0;
    m_rowid = 0;
    m_atEnd = false;
    return advance(error);
}

bool JetCursor::loadComplexValues(std::string& error)
{
    if (m_complexLoaded)
        return true;
    for (std::size_t c = 0; c < m_table.columns.size(); ++c) {
        const ColumnInfo& info = m_table.columns[c].info;
        if (info.type == MDB_COMPLEX && !m_complex[static_cast<int>(c)].load(m_file, info.complexId, error))
            return false;
    }
    m_complexLoaded = true;
    return true;
}

bool JetCursor::next(std::string& error)
{
    return advance(error);
}

bool JetCursor::nextPage(bool& found, std::string& error)
{
    found = false;
    const UsageMapWalk::PageReader read = [this](std::uint32_t page, unsigned char* buffer) {
        return m_file.readPage(page, buffer);
    };
    for (;;) {
        if (stopRequested(error))
            return false;
        std::uint32_t page = 0;
        std::string why;
        switch (m_map.next(m_pageNumber, read, page, why)) {
        case UsageMapWalk::Step::End: return true;
        case UsageMapWalk::Step::Damaged: error = damage(why); return false;
        case UsageMapWalk::Step::Page: break;
        }
        // The map may name pages that were given back; only this table's data pages count.
        bool ownPage = false;
        if (!holdPage(page, ownPage, error))
            return false;
        if (!ownPage)
            continue;
        m_nextRow = 0;
        found = true;
        return true;
    }
}

// Reads `page` into m_page; ownPage tells whether it is a data page of this table.
bool JetCursor::holdPage(std::uint32_t page, bool& ownPage, std::string& error)
{
    m_pageHeld = false;
    m_pageNumber = page;
    if (!m_file.readPage(page, m_page.data())) {
        error = damage("page " + std::to_string(page) + " illisible");
        return false;
    }
    ownPage = m_page[0] == kDataPage && readUInt32(m_page.data(), kPageOwner) == m_table.definitionPage;
    if (!ownPage)
        return true;
    m_rowCount = checkedRowCount(m_file.format(), m_page.data());
    if (m_rowCount < 0) {
        error = damage("page " + std::to_string(page) + " endommagée");
        return false;
    }
    m_pageHeld = true;
    return true;
}

bool JetCursor::advance(std::string& error)
{
    while (!m_atEnd) {
        if (stopRequested(error)) {
            m_atEnd = true;
            return false;
        }
        if (m_nextRow >= m_rowCount) {
            bool found = false;
            if (!nextPage(found, error)) {
                m_atEnd = true;
                return false;
            }
            if (!found) {
                m_atEnd = true;
                return true;
            }
            continue;
        }
        const int row = m_nextRow++;
        bool live = false;
        if (!openRow(row, live, error)) {
            m_atEnd = true;
            return false;
        }
        if (!live)
            continue;
        ++m_rowid;
        return true;
    }
    return true;
}

// Reads row `row` of the held page, following it when it was moved; a deleted row is not live.
bool JetCursor::openRow(int row, bool& live, std::string& error)
{
    live = false;
    datapage::Slot slot;
    if (!checkedRowSlot(m_file.format(), m_page.data(), row, slot)) {
        error = damage("ligne " + std::to_string(row) + " de la page " + std::to_string(m_pageNumber) + " hors de la page");
        return false;
    }
    if (slot.deleted)
        return true;
    m_rowPage = m_page.data();
    m_rowPageNumber = m_pageNumber;
    if (slot.moved) {
        datapage::Slot target;
        if (!followOverflow(slot, target, error))
            return false;
        slot = target;
    }
    if (!loadRow(slot, error))
        return false;
    live = true;
    return true;
}

RowPosition JetCursor::position() const
{
    return RowPosition{m_pageNumber, static_cast<std::uint16_t>(m_nextRow - 1), m_rowid};
}

bool JetCursor::seek(const RowPosition& at, std::string& error)
{
    m_atEnd = true;
    m_interrupted = false;
    if (stopRequested(error))
        return false;
    if (!m_pageHeld || m_pageNumber != at.page) {
        bool ownPage = false;
        if (!holdPage(at.page, ownPage, error))
            return false;
        if (!ownPage) {
            m_pageHeld = false;
            error = damage("page " + std::to_string(at.page) + " rendue");
            return false;
        }
    }
    bool live = false;
    if (at.row >= m_rowCount || !openRow(at.row, live, error) || !live) {
        if (error.empty())
            error = damage("ligne " + std::to_string(at.row) + " de la page " + std::to_string(at.page) + " effacée");
        return false;
    }
    m_nextRow = at.row + 1;
    m_rowid = at.rowid;
    m_atEnd = false;
    return true;
}

bool JetCursor::followOverflow(const datapage::Slot& slot, datapage::Slot& target, std::string& error)
{
    const JetFileFormat& format = m_file.format();
    if (slot.start < format.pageRowCount || slot.start + 4 > format.pageSize) {
        error = damage("ligne déplacée illisible");
        return false;
    }
    const int row = m_page[static_cast<std::size_t>(slot.start)];
    const std::uint32_t page = readUInt32(m_page.data(), slot.start) >> 8;
    if (!m_file.readPage(page, m_moved.data()) || m_moved[0] != kDataPage ||
        readUInt32(m_moved.data(), kPageOwner) != m_table.definitionPage || row >= checkedRowCount(format, m_moved.data()) ||
        !checkedRowSlot(format, m_moved.data(), row, target) || target.start < format.pageFirstSlot || target.size() <= 0) {
        error = damage("ligne déplacée vers la page " + std::to_string(page) + " introuvable");
        return false;
    }
    m_rowPage = m_moved.data();
    m_rowPageNumber = page;
    return true;
}

bool JetCursor::loadRow(const datapage::Slot& slot, std::string& error)
{
    // The message is made only for a damaged row: building it costs more than reading a row.
    const auto where = [this] { return "ligne de la page " + std::to_string(m_rowPageNumber); };
    if (!rowHeaderFits(m_file.format(), m_rowPage, slot, m_table.hasVariableColumns)) {
        error = damage(where() + " endommagée");
        return false;
    }
    m_file.makeCurrent(m_rowPageNumber, m_rowPage);
    std::vector<MdbField>& fields = m_fields->values;
    if (mdb_crack_row(m_table.definition, slot.start, static_cast<size_t>(slot.size()), fields.data()) < 0) {
        error = damage(where() + " endommagée");
        return false;
    }
    for (const MdbField& field : fields) {
        if (field.is_null)
            continue;
        if (field.siz < 0 || field.start < slot.start || field.start + field.siz > slot.start + slot.size()) {
            error = damage(where() + " : valeur hors de la ligne");
            return false;
        }
    }
    m_slot = slot;
    return true;
}

void JetCursor::complexKey(int column, SqlValue& result) const
{
    result = SqlValue{};
    if (m_atEnd || column < 0 || static_cast<std::size_t>(column) >= m_table.columns.size())
        return;
    const JetColumn& definition = m_table.columns[static_cast<std::size_t>(column)];
    const MdbField& field = m_fields->values[static_cast<std::size_t>(definition.index)];
    if (definition.info.type != MDB_COMPLEX || field.is_null || field.siz < 4)
        return;
    result.kind = SqlValue::Kind::Integer;
    result.integer = readUInt32(m_rowPage + field.start, 0);
}

bool JetCursor::value(int column, SqlValue& result, std::string& error)
{
    result = SqlValue{};
    if (m_atEnd || column < 0 || static_cast<std::size_t>(column) >= m_table.columns.size())
        return true;
    const JetColumn& definition = m_table.columns[static_cast<std::size_t>(column)];
    const MdbField& field = m_fields->values[static_cast<std::size_t>(definition.index)];
    if (definition.info.calculated)
        return calculatedValue(definition, field.is_null ? -1 : field.start, field.siz, result, error);
    // A yes/no value is its bit in the null mask; Access's True is -1.
    if (definition.info.type == MDB_BOOL) {
        result.kind = SqlValue::Kind::Integer;
        result.integer = field.is_null ? 0 : -1;
        return true;
    }
    if (field.is_null)
        return true;
    const unsigned char* data = m_rowPage + field.start;
    switch (definition.info.type) {
    case MDB_TEXT:
        result.kind = SqlValue::Kind::Text;
        result.bytes = m_file.decodeText(data, static_cast<std::size_t>(field.siz));
        return true;
    case MDB_BINARY:
        result.kind = SqlValue::Kind::Blob;
        result.bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(field.siz));
        return true;
    case MDB_MEMO:
    case MDB_OLE: {
        std::string bytes;
        if (!readLongValue(definition, field.start, field.siz, bytes, error))
            return false;
        const bool text = definition.info.type == MDB_MEMO;
        result.kind = text ? SqlValue::Kind::Text : SqlValue::Kind::Blob;
        result.bytes = text ? m_file.decodeText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())
                            : std::move(bytes);
        return true;
    }
    case MDB_COMPLEX:
        // The hidden tables are read by cursors of their own, each with its own pages.
        if (!loadComplexValues(error))
            return false;
        if (const auto found = m_complex.find(column); found != m_complex.end() && field.siz >= 4)
            if (const std::optional<std::string> joined = found->second.joined(readUInt32(data, 0))) {
                result.kind = SqlValue::Kind::Text;
                result.bytes = *joined;
            }
        return true;
    default:
        if (!isFixedType(definition.info.type)) {  // a type this reader does not know: its bytes
            result.kind = SqlValue::Kind::Blob;
            result.bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(field.siz));
            return true;
        }
        if (!convertFixed(definition.info, data, field.siz, result)) {
            error = damage("valeur de la colonne « " + definition.name + " » tronquée");
            return false;
        }
        return true;
    }
}

// A calculated value, kept wrapped in a variable column (a memo's in its long value); `start`
// negative for a Null.
bool JetCursor::calculatedValue(const JetColumn& column, int start, int size, SqlValue& result, std::string& error)
{
    if (start < 0)
        return true;
    std::string read;
    const unsigned char* stored = m_rowPage + start;
    auto storedSize = static_cast<std::size_t>(size);
    if (column.info.type == MDB_MEMO) {
        if (!readLongValue(column, start, size, read, error))
            return false;
        stored = reinterpret_cast<const unsigned char*>(read.data());
        storedSize = read.size();
    }
    std::size_t at = 0;
    std::size_t length = 0;
    if (!calculatedData(stored, storedSize, at, length)) {
        error = damage("valeur calculée de la colonne « " + column.name + " » tronquée");
        return false;
    }
    const unsigned char* data = stored + at;
    switch (column.info.type) {
    case MDB_TEXT:
    case MDB_MEMO:
        result.kind = SqlValue::Kind::Text;
        result.bytes = m_file.decodeText(data, length);
        return true;
    case MDB_BOOL:
        result.kind = SqlValue::Kind::Integer;
        result.integer = length > 0 && data[0] != 0 ? -1 : 0;
        return true;
    case MDB_NUMERIC:
        if (const std::optional<std::string> text = calculatedDecimalText(data, length)) {
            result.kind = SqlValue::Kind::Text;
            result.bytes = *text;
            return true;
        }
        break;
    default:
        if (isFixedType(column.info.type) && convertFixed(column.info, data, static_cast<int>(length), result))
            return true;
        break;
    }
    error = damage("valeur calculée de la colonne « " + column.name + " » illisible");
    return false;
}

bool JetCursor::readLongValue(const JetColumn& column, int start, int size, std::string& bytes, std::string& error)
{
    const auto stop = [this, &error] { return stopRequested(error); };
    switch (m_longValues.read(m_rowPage + start, size, bytes, stop)) {
    case LongValueReader::Outcome::Read: return true;
    case LongValueReader::Outcome::Stopped: return false;
    case LongValueReader::Outcome::Damaged: break;
    }
    error = damage("valeur longue de la colonne « " + column.name + " » endommagée");
    return false;
}

}  // namespace kervane::jet
