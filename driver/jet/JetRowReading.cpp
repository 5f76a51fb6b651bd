#include "driver/jet/JetRowReading.h"

namespace kervane::jet {

namespace {

int word(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

std::size_t maskSize(const std::vector<unsigned char>& row)
{
    return row.size() < 2 ? 0 : static_cast<std::size_t>((word(row, 0) + 7) / 8);
}

}  // namespace

bool columnPresent(const std::vector<unsigned char>& row, const JetLayoutColumn& column)
{
    const std::size_t mask = maskSize(row);
    if (row.size() < 2 + mask || column.number >= word(row, 0))
        return false;
    const unsigned char bits = row[row.size() - mask + static_cast<std::size_t>(column.number / 8)];
    return (bits & (1u << (column.number % 8))) != 0;
}

bool fixedLong(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::int32_t& value)
{
    const std::size_t at = 2 + static_cast<std::size_t>(column.fixedOffset);
    if (!columnPresent(row, column) || at + 4 > row.size())
        return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(word(row, at)) |
                                      (static_cast<std::uint32_t>(word(row, at + 2)) << 16));
    return true;
}

bool variableData(const std::vector<unsigned char>& row, const JetLayoutColumn& column, std::size_t& start,
                  std::size_t& end)
{
    if (!columnPresent(row, column))
        return false;
    // From the end: null mask, count of variable columns, their offsets (last first), end of data.
    const std::size_t mask = maskSize(row);
    if (row.size() < 2 + mask + 2)
        return false;
    const std::size_t countAt = row.size() - mask - 2;
    const int count = word(row, countAt);
    if (column.variableIndex >= count || countAt < 2 * static_cast<std::size_t>(count + 1) + 2)
        return false;
    const std::size_t entryAt = countAt - 2 * static_cast<std::size_t>(column.variableIndex + 1);
    start = static_cast<std::size_t>(word(row, entryAt));
    end = static_cast<std::size_t>(word(row, entryAt - 2));  // the next entry, or the end of data
    return start <= end && end <= row.size();
}

}  // namespace kervane::jet
