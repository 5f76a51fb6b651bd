#include "driver/jet/rows/JetRowReading.h"

#include "driver/jet/format/JetByteOrder.h"

namespace kervane::jet {

namespace {

int columnCount(const std::vector<unsigned char>& row, const JetFileFormat& format)
{
    return format.rowCountSize == 1 ? row[0] : readUInt16(row, 0);
}

std::size_t maskSize(const std::vector<unsigned char>& row, const JetFileFormat& format)
{
    return row.size() < static_cast<std::size_t>(format.rowCountSize)
               ? 0
               : static_cast<std::size_t>((columnCount(row, format) + 7) / 8);
}

// Jet 4: from the end, null mask, count of variable columns, their offsets (last first), end of data.
bool variableData4(const std::vector<unsigned char>& row, int index, std::size_t mask, std::size_t& start,
                   std::size_t& end)
{
    if (row.size() < 2 + mask + 2)
        return false;
    const std::size_t countAt = row.size() - mask - 2;
    const int count = readUInt16(row, countAt);
    if (index >= count || countAt < 2 * static_cast<std::size_t>(count + 1) + 2)
        return false;
    const std::size_t entryAt = countAt - 2 * static_cast<std::size_t>(index + 1);
    start = static_cast<std::size_t>(readUInt16(row, entryAt));
    end = static_cast<std::size_t>(readUInt16(row, entryAt - 2));  // the next entry, or the end of data
    return true;
}

// Jet 3: from the end, null mask, count of variable columns, the jump table (one entry for each
// 256 bytes of row: the first offset entry at or past that mark, the last possibly unused),
// the offsets' low bytes (last first), end of data. Entry `index` and the one after it.
bool variableData3(const std::vector<unsigned char>& row, int index, std::size_t mask, std::size_t& start,
                   std::size_t& end)
{
    if (row.size() < 1 + mask + 1)
        return false;
    const std::size_t countAt = row.size() - mask - 1;
    const int count = row[countAt];
    int jumps = static_cast<int>((row.size() - 1) / 256);
    if (index >= count || countAt < static_cast<std::size_t>(jumps + count + 1) + 1)
        return false;
    const std::size_t firstEntry = countAt - static_cast<std::size_t>(jumps) - 1;
    if ((firstEntry - static_cast<std::size_t>(count)) / 256 < static_cast<std::size_t>(jumps))
        --jumps;  // the last jump entry is a filler
    std::size_t offsets[2] = {0, 0};
    int used = 0;
    for (int i = 0; i <= index + 1; ++i) {
        while (used < jumps && i == row[countAt - 1 - static_cast<std::size_t>(used)])
            ++used;
        if (i >= index)
            offsets[i - index] = row[firstEntry - static_cast<std::size_t>(i)] + 256u * static_cast<unsigned>(used);
    }
    start = offsets[0];
    end = offsets[1];
    return true;
}

}  // namespace

bool columnPresent(const std::vector<unsigned char>& row, const JetLayoutColumn& column, const JetFileFormat& format)
{
    const std::size_t mask = maskSize(row, format);
    if (row.size() < static_cast<std::size_t>(format.rowCountSize) + mask || column.number >= columnCount(row, format))
        return false;
    const unsigned char bits = row[row.size() - mask + static_cast<std::size_t>(column.number / 8)];
    return (bits & (1u << (column.number % 8))) != 0;
}

bool fixedLong(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::int32_t& value,
               const JetFileFormat& format)
{
    // Some of Access's own tables keep a Long among the variable columns.
    std::size_t at = static_cast<std::size_t>(format.rowCountSize + column.fixedOffset);
    std::size_t end = row.size();
    if (!columnPresent(row, column, format) || (!column.fixed() && !variableData(row, column, at, end, format)) ||
        at + 4 > end)
        return false;
    value = static_cast<std::int32_t>(readUInt32(row, at));
    return true;
}

bool variableData(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::size_t& start,
                  std::size_t& end, const JetFileFormat& format)
{
    if (!columnPresent(row, column, format))
        return false;
    const std::size_t mask = maskSize(row, format);
    const bool read = format.rowCountSize == 1 ? variableData3(row, column.variableIndex, mask, start, end)
                                               : variableData4(row, column.variableIndex, mask, start, end);
    return read && start <= end && end <= row.size();
}

bool storedValues(const JetTableLayout& layout, const std::vector<unsigned char>& row,
                  std::vector<JetFieldValue>& values)
{
    const JetFileFormat& format = *layout.format;
    values.clear();
    for (const JetLayoutColumn& column : layout.columns) {
        const bool present = columnPresent(row, column, format);
        std::int32_t number = 0;
        std::size_t start = static_cast<std::size_t>(format.rowCountSize + column.fixedOffset);
        std::size_t end = start + static_cast<std::size_t>(fixedSize(column));
        if (column.type == JetType::Boolean) {
            values.push_back(JetFieldValue::of(present));
            continue;
        }
        if (!present) {
            values.push_back(JetFieldValue::null());
            continue;
        }
        if (column.autoNumber() && fixedLong(row, column, number, format)) {
            values.push_back(JetFieldValue::of(std::int64_t{number}));
            continue;
        }
        if (column.fixed() ? end > row.size() : !variableData(row, column, start, end, format))
            return false;
        values.push_back(JetFieldValue::stored({row.begin() + static_cast<std::ptrdiff_t>(start),
                                                row.begin() + static_cast<std::ptrdiff_t>(end)}));
    }
    return true;
}

}  // namespace kervane::jet
