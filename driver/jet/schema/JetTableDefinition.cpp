#include "driver/jet/schema/JetTableDefinition.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/semantics/Characters.h"

#include <algorithm>

namespace kervane::jet {
namespace {

constexpr unsigned char kDefinitionUserTable = 0x4e;
constexpr unsigned char kDefinitionSystemTable = 0x53;
constexpr std::uint16_t kDefinitionTableMagic = 0x0659;  // Jet 4 repeats it in the header, columns and indexes
constexpr unsigned char kDefinitionFixedFlag = 0x01;
constexpr unsigned char kDefinitionUpdatableFlag = 0x02;
constexpr unsigned char kDefinitionAutoNumberFlag = 0x04;
constexpr unsigned char kDefinitionUniqueIndex = 0x01;
constexpr unsigned char kDefinitionIgnoreNullsIndex = 0x02;
constexpr unsigned char kDefinitionRequiredIndex = 0x08;
constexpr unsigned char kDefinitionJet4IndexMark = 0x80;  // set on every stored index Access 2000 writes
constexpr unsigned char kDefinitionPrimaryKind = 1;
constexpr unsigned char kDefinitionAscendingKey = 0x01;
// Access writes these two bytes after the relationship fields of an index that is no foreign key.
constexpr unsigned char kDefinitionNoRelationship = 0x04;

bool variable(JetType type)
{
    return type == JetType::Text || type == JetType::Memo || type == JetType::Ole || type == JetType::Binary;
}

int storedLength(const JetNewColumn& column, const JetFileFormat& format)
{
    switch (column.type) {
    case JetType::Boolean:
    case JetType::Byte: return 1;
    case JetType::Integer: return 2;
    case JetType::Long:
    case JetType::Complex:
    case JetType::Single: return 4;
    case JetType::Currency:
    case JetType::Double:
    case JetType::DateTime:
    case JetType::LargeNumber: return 8;
    case JetType::Guid: return 16;
    case JetType::ExtendedDate: return 42;
    case JetType::Decimal: return 17;
    case JetType::Text: return column.characters * (format.jet3 ? 1 : 2);
    case JetType::Binary: return column.characters;
    case JetType::Memo:
    case JetType::Ole: return 0;
    }
    return column.characters;  // a type of Access's own tables: the size its copy is given
}

void put16(std::vector<unsigned char>& b, std::size_t at, unsigned value)
{
    writeUInt16(b.data(), static_cast<int>(at), value);
}

void put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t value)
{
    writeUInt32(b.data(), static_cast<int>(at), value);
}

void append16(std::vector<unsigned char>& b, unsigned value)
{
    b.resize(b.size() + 2);
    put16(b, b.size() - 2, value);
}

void append32(std::vector<unsigned char>& b, std::uint32_t value)
{
    b.resize(b.size() + 4);
    put32(b, b.size() - 4, value);
}

std::uint32_t pointer(std::uint32_t page, int row)
{
    return page << 8 | static_cast<std::uint32_t>(row);
}

int longColumnCount(const JetNewTable& table)
{
    return static_cast<int>(std::count_if(table.columns.begin(), table.columns.end(),
                                          [](const JetNewColumn& c) { return isLongValue(c.type); }));
}

// The positions 0..count-1, in the order of the names `nameOf` gives them (case ignored) when
// `sorted`, as they are otherwise.
template <typename NameOf>
std::vector<std::size_t> writingOrder(std::size_t count, bool sorted, NameOf nameOf)
{
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = i;
    if (sorted)
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return sql::lessIgnoringAsciiCase(nameOf(a), nameOf(b));
        });
    return order;
}

}  // namespace

std::vector<unsigned char> columnBlock(const JetNewColumn& column, const JetLayoutColumn& placed,
                                       const JetFileFormat& format, const JetTextSettings& text,
                                       bool systemTable)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(format.columnSize), 0);
    b[0] = static_cast<unsigned char>(column.type);
    if (!format.jet3)
        put16(b, 1, kDefinitionTableMagic);
    put16(b, static_cast<std::size_t>(format.columnNumber), static_cast<unsigned>(placed.number));
    put16(b, static_cast<std::size_t>(format.columnVariableIndex), static_cast<unsigned>(placed.variableIndex));
    // The column's number again (not in a system table); Jet 3 then a 1, its sort order and its
    // texts' code page.
    if (!systemTable)
        put16(b, format.jet3 ? 5 : 9, static_cast<unsigned>(placed.number));
    if (format.jet3) {
        put16(b, 7, 1);
        put16(b, 9, static_cast<unsigned>(text.sortOrder));
        put16(b, 11, static_cast<unsigned>(text.codePage));
    } else if (column.type == JetType::Decimal) {
        b[static_cast<std::size_t>(format.columnPrecision)] = static_cast<unsigned char>(column.precision);
        b[static_cast<std::size_t>(format.columnScale)] = static_cast<unsigned char>(column.scale);
    } else {
        put16(b, 11, static_cast<unsigned>(text.sortOrder));
        b[14] = static_cast<unsigned char>(text.sortVersion);
    }
    b[static_cast<std::size_t>(format.columnFlags)] = placed.flags;
    put16(b, static_cast<std::size_t>(format.columnFixedOffset), static_cast<unsigned>(placed.fixedOffset));
    put16(b, static_cast<std::size_t>(format.columnLength), static_cast<unsigned>(placed.length));
    return b;
}

std::vector<unsigned char> storedIndexBlock(const JetNewIndex& index, const JetTableLayout& layout,
                                            std::uint32_t map, std::uint32_t root)
{
    const JetFileFormat& format = *layout.format;
    std::vector<unsigned char> b(static_cast<std::size_t>(format.realIndexBlockSize), 0);
    for (int k = 0; k < kIndexKeySlots; ++k) {
        const std::size_t at = static_cast<std::size_t>(format.realIndexKeys + 3 * k);
        if (k < static_cast<int>(index.keys.size())) {
            const auto& [column, descending] = index.keys[static_cast<std::size_t>(k)];
            put16(b, at, static_cast<unsigned>(layout.columns[static_cast<std::size_t>(column)].number));
            b[at + 2] = descending ? 0 : kDefinitionAscendingKey;
        } else {
            put16(b, at, 0xffff);
        }
    }
    put32(b, static_cast<std::size_t>(format.realIndexUsageMap), map);
    put32(b, static_cast<std::size_t>(format.realIndexRoot), root);
    unsigned char flags = format.jet3 ? 0 : kDefinitionJet4IndexMark;
    if (index.unique || index.primary)
        flags |= kDefinitionUniqueIndex;
    if (index.required || (index.primary && layout.tableType != kDefinitionSystemTable))
        flags |= kDefinitionRequiredIndex;
    if (index.ignoreNulls)
        flags |= kDefinitionIgnoreNullsIndex;
    b[static_cast<std::size_t>(format.realIndexFlags)] = flags;
    return b;
}

std::vector<unsigned char> logicalIndexBlock(const JetNewIndex& index, std::uint32_t number, std::uint32_t real,
                                             const JetFileFormat& format)
{
    std::vector<unsigned char> b(static_cast<std::size_t>(format.logicalIndexSize), 0);
    const std::size_t start = format.jet3 ? 0 : 4;  // Jet 4: the magic number first
    if (!format.jet3)
        put16(b, 0, kDefinitionTableMagic);
    put32(b, start, number);
    put32(b, static_cast<std::size_t>(format.logicalIndexReal), real);
    put32(b, start + 9, 0xffffffffu);  // no related index, on no related table
    b[start + 17] = kDefinitionNoRelationship;
    b[start + 18] = kDefinitionNoRelationship;
    b[static_cast<std::size_t>(format.logicalIndexKind)] = index.primary ? kDefinitionPrimaryKind : 0;
    return b;
}

std::vector<unsigned char> inlineUsageMap(const JetFileFormat& format, std::uint32_t first, bool markFirst)
{
    std::vector<unsigned char> row(static_cast<std::size_t>(usagemap::kInlineHeader + (format.jet3 ? 128 : 64)), 0);
    row[0] = usagemap::kInline;
    writeUInt32(row.data(), 1, first);
    if (markFirst)
        row[usagemap::kInlineHeader] = 0x01;
    return row;
}


int usageMapRows(const JetNewTable& table)
{
    return 2 + static_cast<int>(table.indexes.size()) + 2 * longColumnCount(table);
}

int indexMapRow(const JetNewTable& table, int index)
{
    return 2 + index + (table.system ? 2 * longColumnCount(table) : 0);
}

JetTableLayout plannedLayout(const JetNewTable& table, const JetFileFormat& format)
{
    JetTableLayout layout;
    layout.format = &format;
    layout.tableType = table.system ? kDefinitionSystemTable : kDefinitionUserTable;
    int fixedOffset = 0;
    for (const JetNewColumn& column : table.columns) {
        JetLayoutColumn placed;
        placed.name = column.name;
        placed.type = column.type;
        placed.number = static_cast<int>(layout.columns.size());
        placed.length = storedLength(column, format);
        placed.precision = column.precision;
        placed.scale = column.scale;
        placed.flags = kDefinitionUpdatableFlag | column.moreFlags;
        if (!column.fixedLength.value_or(!variable(column.type))) {
            placed.variableIndex = layout.variableColumns++;
        } else {
            placed.flags |= kDefinitionFixedFlag;
            if (column.autoNumber)
                placed.flags |= kDefinitionAutoNumberFlag;
            placed.fixedOffset = fixedOffset;
            fixedOffset += fixedSize(placed);
        }
        layout.columns.push_back(placed);
    }
    layout.maxColumns = static_cast<int>(layout.columns.size());
    layout.indexCount = static_cast<std::uint32_t>(table.indexes.size());
    layout.logicalIndexCount = layout.indexCount;
    return layout;
}

bool buildDefinition(const JetNewTable& table, const JetFileFormat& format, const JetTextSettings& text,
                     const JetNewTablePages& pages, std::vector<unsigned char>& b, std::string& error)
{
    const JetTableLayout layout = plannedLayout(table, format);
    const auto mapAt = [&pages](int row) {
        return pages.mapRows.empty() ? pointer(pages.maps, row)
                                     : pointer(pages.mapRows[static_cast<std::size_t>(row)].page,
                                               pages.mapRows[static_cast<std::size_t>(row)].row);
    };
    b.assign(static_cast<std::size_t>(format.definitionFirstBlock), 0);
    b[0] = kDefinitionPage;
    b[1] = 0x01;
    if (format.jet3) {
        b[2] = 'V';
        b[3] = 'C';
    } else {
        put16(b, 12, kDefinitionTableMagic);
        b[24] = 0x01;  // Access numbers AutoNumbers only where this is set
    }
    // The counter holds the last number given: the one before the AutoNumber's first.
    for (const JetNewColumn& column : table.columns)
        if (column.autoNumber)
            put32(b, static_cast<std::size_t>(format.definitionAutoNumber), static_cast<std::uint32_t>(column.seed - 1));
    b[static_cast<std::size_t>(format.definitionTableType)] = layout.tableType;
    put16(b, static_cast<std::size_t>(format.definitionMaxColumns), static_cast<unsigned>(layout.maxColumns));
    put16(b, static_cast<std::size_t>(format.definitionVariableColumns), static_cast<unsigned>(layout.variableColumns));
    put16(b, static_cast<std::size_t>(format.definitionColumnCount), static_cast<unsigned>(layout.columns.size()));
    put32(b, static_cast<std::size_t>(format.definitionLogicalIndexes), layout.logicalIndexCount);
    put32(b, static_cast<std::size_t>(format.definitionRealIndexes), layout.indexCount);
    put32(b, static_cast<std::size_t>(format.definitionOwnedPages), mapAt(0));
    put32(b, static_cast<std::size_t>(format.definitionFreeSpacePages), mapAt(1));
    // Each stored index's row count (none yet).
    b.resize(b.size() + table.indexes.size() * static_cast<std::size_t>(format.realIndexSize), 0);
    const auto columnName = [&](std::size_t c) -> const std::string& { return table.columns[c].name; };
    const auto columns = writingOrder(table.columns.size(), table.system && !format.jet3, columnName);
    for (std::size_t c : columns) {
        const std::vector<unsigned char> block =
            columnBlock(table.columns[c], layout.columns[c], format, text, table.system);
        b.insert(b.end(), block.begin(), block.end());
    }
    for (std::size_t c : columns)
        if (!storedName(table.columns[c].name, format, text.codePage, b, error))
            return false;
    for (std::size_t i = 0; i < table.indexes.size(); ++i) {
        const auto block = storedIndexBlock(table.indexes[i], layout,
                                            mapAt(indexMapRow(table, static_cast<int>(i))),
                                            pages.roots[i]);
        b.insert(b.end(), block.begin(), block.end());
    }
    const auto indexes = writingOrder(table.indexes.size(), table.system,
                                      [&](std::size_t i) -> const std::string& { return table.indexes[i].name; });
    for (std::size_t i : indexes) {
        const auto number = static_cast<std::uint32_t>(i);
        const auto block = logicalIndexBlock(table.indexes[i], number, number, format);
        b.insert(b.end(), block.begin(), block.end());
    }
    for (std::size_t i : indexes)
        if (!storedName(table.indexes[i].name, format, text.codePage, b, error))
            return false;
    // Each memo and OLE column has two usage maps of its long values, on the rows after the
    // table's own two (a system table's) or after its indexes' maps.
    int mapRow = table.system ? 2 : 2 + static_cast<int>(table.indexes.size());
    std::vector<std::pair<std::size_t, int>> longMaps;  // column, its first map row
    for (std::size_t c = 0; c < layout.columns.size(); ++c) {
        if (isLongValue(layout.columns[c].type)) {
            longMaps.emplace_back(c, mapRow);
            mapRow += 2;
        }
    }
    const auto longOrder = writingOrder(longMaps.size(), table.system,
                                        [&](std::size_t m) -> const std::string& { return columnName(longMaps[m].first); });
    for (std::size_t m : longOrder) {
        const auto& [c, row] = longMaps[m];
        append16(b, static_cast<unsigned>(layout.columns[c].number));
        append32(b, mapAt(row));
        append32(b, mapAt(row + 1));
    }
    append16(b, 0xffff);
    put32(b, 8, static_cast<std::uint32_t>(b.size()));
    return true;
}

}  // namespace kervane::jet
