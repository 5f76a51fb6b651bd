#include "driver/jet/write/JetLongValueStore.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/rows/JetRowReading.h"

#include <algorithm>
#include <cstring>

namespace kervane::jet {

namespace {

constexpr int kMaxChain = 1 << 20;

// A piece of a chained value: a whole row of a long-value page, less the next piece's pointer.
std::size_t pieceSize(const JetFileFormat& format)
{
    return static_cast<std::size_t>(format.maxLongValueRow) - 4;
}

std::size_t pieces(const JetFileFormat& format, std::size_t size)
{
    return (size + pieceSize(format) - 1) / pieceSize(format);
}

bool isLongValuePage(const unsigned char* page)
{
    return page != nullptr && page[0] == kDataPage && std::equal(kLongValueOwner, kLongValueOwner + 4, page + kPageOwner);
}

}  // namespace

const JetFileFormat& JetLongValueStore::format() const
{
    return fileFormatFor(m_pages.pageSize());
}

bool JetLongValueStore::pageWithRoom(const JetLayoutColumn& column, int size, std::uint32_t& page)
{
    JetUsageMap owned;
    JetUsageMap free;
    std::string ignored;
    if (!JetUsageMap::open(m_pages, JetRowId::fromPointer(column.longValueOwned), owned, ignored) ||
        !JetUsageMap::open(m_pages, JetRowId::fromPointer(column.longValueFree), free, ignored))
        return false;
    // Only the last page with room is tried (the bytes of its deleted values counted).
    const auto pages = owned.pages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        const unsigned char* bytes = m_pages.read(*it);
        if (!free.contains(*it) || !isLongValuePage(bytes))
            continue;
        page = *it;
        return datapage::fits(bytes, size, format());
    }
    return false;
}

bool JetLongValueStore::plan(const JetLayoutColumn& column, std::size_t size, std::uint32_t& appends, std::string& error)
{
    std::uint32_t page = 0;
    if (!column.hasLongValueMaps) {
        error = "La colonne « " + column.name + " » n'a pas de carte des pages de ses valeurs longues : "
                "une valeur de plus de 64 octets ne peut pas y être écrite.";
        return false;
    }
    const bool whole = size <= static_cast<std::size_t>(format().maxLongValueRow);
    if (whole && pageWithRoom(column, 0, page) &&
        datapage::fits(m_pages.read(page), static_cast<int>(size) + m_taken[page], format())) {
        m_taken[page] += static_cast<int>(size) + 2;  // the row and its offset entry
        m_targets.push_back(page);
        return true;
    }
    if (whole)
        m_targets.push_back(0);
    // Each piece of a chained value takes a new page of its own.
    const std::size_t added = whole ? 1 : pieces(format(), size);
    for (std::size_t i = 0; i < added; ++i, ++appends) {
        if (!mapsCover(m_pages, JetRowId::fromPointer(column.longValueOwned),
                       JetRowId::fromPointer(column.longValueFree), m_pages.pageCount() + appends)) {
            error = "La carte des pages des valeurs longues de la colonne « " + column.name +
                    " » ne peut pas encore recevoir une page de plus.";
            return false;
        }
    }
    return true;
}

std::uint32_t JetLongValueStore::newPage(const JetLayoutColumn& column)
{
    const std::uint32_t page = appendOwnedPage(m_pages, JetRowId::fromPointer(column.longValueOwned),
                                               JetRowId::fromPointer(column.longValueFree));
    if (page == 0)
        return 0;
    unsigned char* bytes = m_pages.change(page);
    datapage::initialise(bytes, 0, format());
    std::copy_n(kLongValueOwner, 4, bytes + kPageOwner);
    return page;
}

std::uint32_t JetLongValueStore::storeChained(const JetLayoutColumn& column, const std::vector<unsigned char>& data)
{
    const std::size_t piece = pieceSize(format());
    std::vector<std::uint32_t> pages(pieces(format(), data.size()));
    for (auto& page : pages)
        if ((page = newPage(column)) == 0)
            return 0;
    JetUsageMap withRoom;
    std::string ignored;
    const bool mapped = JetUsageMap::open(m_pages, JetRowId::fromPointer(column.longValueFree), withRoom, ignored);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::uint32_t next = i + 1 < pages.size() ? pages[i + 1] : 0;
        const std::size_t length = std::min(piece, data.size() - i * piece);
        std::vector<unsigned char> bytes(4 + length);
        writeLittleEndian(bytes.data() + 1, next, 3);  // row 0 of the next page
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(i * piece), length, bytes.begin() + 4);
        datapage::add(m_pages.change(pages[i]), bytes, 0, format());
        if (mapped && i + 1 < pages.size())
            withRoom.set(pages[i], false);  // full
    }
    return pages.front() << 8;
}

std::uint32_t JetLongValueStore::store(const JetLayoutColumn& column, const std::vector<unsigned char>& data)
{
    if (data.size() > static_cast<std::size_t>(format().maxLongValueRow))
        return storeChained(column, data);
    std::uint32_t page = m_stored < m_targets.size() ? m_targets[m_stored] : 0;
    ++m_stored;
    if (page == 0 && (page = newPage(column)) == 0)
        return 0;
    const int row = datapage::add(m_pages.change(page), data, 0, format());
    return (page << 8) | static_cast<std::uint32_t>(row);
}

bool JetLongValueStore::follow(std::uint32_t pointer, bool chained, std::vector<JetRowId>& rows)
{
    for (int hops = 0; hops < kMaxChain; ++hops) {
        const JetRowId at = JetRowId::fromPointer(pointer);
        const unsigned char* page = m_pages.read(at.page);
        datapage::Slot slot;
        if (!isLongValuePage(page) || !datapage::slot(page, at.row, slot, format()))
            return false;
        rows.push_back(at);
        if (!chained)
            return true;
        if (slot.size() < 4)
            return false;
        // A chained piece starts with the next piece's row number and three-byte page number.
        const unsigned char* next = page + slot.start;
        pointer = readUInt32(next, 0);
        if ((pointer >> 8) == 0)
            return true;
    }
    return false;
}

bool JetLongValueStore::referenced(const JetTableLayout& layout, const std::vector<unsigned char>& row,
                               std::vector<JetRowId>& rows, std::string& error)
{
    for (const auto& column : layout.columns) {
        std::size_t start = 0;
        std::size_t end = 0;
        if (!storesLongValues(column) || !variableData(row, column, start, end, format()))
            continue;
        const unsigned char flags = end - start >= 12 ? row[start + 3] : 0xff;
        if (flags == 0x80)
            continue;
        if ((flags != 0x40 && flags != 0x00) || !follow(readUInt32(row, start + 4), flags == 0x00, rows)) {
            error = "La valeur longue de la colonne « " + column.name + " » de cette ligne est illisible : "
                    "la ligne ne peut pas être changée.";
            return false;
        }
    }
    return true;
}

bool JetLongValueStore::read(const unsigned char* field, std::size_t size, std::vector<unsigned char>& data)
{
    data.clear();
    if (size < 12)
        return false;
    const std::size_t length = readUInt32(field, 0) & 0x3fffffffu;
    const unsigned char flags = field[3] & 0xc0;
    if (flags == 0x80) {
        if (size - 12 < length)
            return false;
        data.assign(field + 12, field + 12 + length);
        return true;
    }
    std::uint32_t pointer = readUInt32(field, 4);
    for (int hops = 0; hops < kMaxChain && data.size() < length; ++hops) {
        const JetRowId at = JetRowId::fromPointer(pointer);
        const unsigned char* page = m_pages.read(at.page);
        datapage::Slot slot;
        if (!isLongValuePage(page) || !datapage::slot(page, at.row, slot, format()))
            return false;
        if (flags == 0x40) {
            data.assign(page + slot.start, page + slot.end);
            break;
        }
        // A chained piece: the next piece's pointer, then the piece.
        if (slot.size() < 4)
            return false;
        pointer = readUInt32(page + slot.start, 0);
        data.insert(data.end(), page + slot.start + 4, page + slot.end);
        if ((pointer >> 8) == 0)
            break;
    }
    if (data.size() < length)
        return false;
    data.resize(length);
    return true;
}

// Access flags a long-value row it deletes both deleted and moved, in both formats.
void JetLongValueStore::release(const std::vector<JetRowId>& rows)
{
    for (const JetRowId& at : rows)
        datapage::flag(m_pages.change(at.page), at.row, kRowDeleted | kRowMoved, format());
}

bool copiedValues(JetPages& source, const JetTableLayout& layout, const std::vector<unsigned char>& row,
                  std::vector<JetFieldValue>& values, std::string& error)
{
    if (!storedValues(layout, row, values)) {
        error = "Une ligne de la table est plus courte que ses colonnes.";
        return false;
    }
    JetLongValueStore store(source);
    for (std::size_t c = 0; c < values.size(); ++c) {
        const JetLayoutColumn& column = layout.columns[c];
        JetFieldValue& value = values[c];
        if (!isLongValue(column.type) || value.kind != JetFieldValue::Kind::Stored)
            continue;
        std::vector<unsigned char> bytes;
        if (!store.read(value.bytes.data(), value.bytes.size(), bytes)) {
            error = "La valeur longue de la colonne « " + column.name + " » d'une ligne est illisible.";
            return false;
        }
        value = JetFieldValue::of(std::move(bytes));
    }
    return true;
}

}  // namespace kervane::jet
