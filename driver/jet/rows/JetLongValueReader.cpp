#include "driver/jet/rows/JetLongValueReader.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"

#include <set>

namespace kervane::jet {

namespace {

constexpr std::uint32_t kLengthMask = 0x3fffffffu;
// A chain's length keeps its upper flag bits clear.
constexpr std::uint32_t kOtherFlags = 0x30000000u;
constexpr int kNextPointerSize = 4;

}  // namespace

LongValueReader::LongValueReader(JetFile& file)
    : m_file(file), m_page(static_cast<std::size_t>(file.format().pageSize))
{
}

// Reads the page of `pageRow` into m_page and finds its row, whatever the row's flags.
bool LongValueReader::findRow(std::uint32_t pageRow, int& start, int& size)
{
    const JetFileFormat& format = m_file.format();
    const std::uint32_t page = pageRow >> 8;
    const int row = static_cast<int>(pageRow & 0xff);
    if (page == 0 || !m_file.readPage(page, m_page.data()) || m_page[0] != kDataPage ||
        row >= checkedRowCount(format, m_page.data()))
        return false;
    const datapage::Slot slot = datapage::storedSlot(m_page.data(), row, format);
    start = slot.start;
    size = slot.size();
    return start >= format.pageFirstSlot && size > 0 && slot.end <= format.pageSize;
}

LongValueReader::Outcome LongValueReader::read(const unsigned char* field, int size, std::string& bytes,
                                               const std::function<bool()>& stop)
{
    bytes.clear();
    if (size < kReferenceSize)
        return Outcome::Damaged;
    const std::uint32_t word = readUInt32(field, 0);
    const std::size_t length = word & kLengthMask;
    if (word & kLongValueInline) {
        if (length > static_cast<std::size_t>(size - kReferenceSize))
            return Outcome::Damaged;
        bytes.assign(reinterpret_cast<const char*>(field + kReferenceSize), length);
        return Outcome::Read;
    }
    const bool single = (word & kLongValueSinglePage) != 0;
    if (!single && (word & kOtherFlags) != 0)
        return Outcome::Damaged;
    std::uint32_t pageRow = readUInt32(field, 4);
    std::set<std::uint32_t> visited;
    while (bytes.size() < length) {
        if (stop && stop())
            return Outcome::Stopped;
        int start = 0;
        int rowSize = 0;
        if (!visited.insert(pageRow).second || !findRow(pageRow, start, rowSize) ||
            (!single && rowSize < kNextPointerSize))
            return Outcome::Damaged;
        const int skip = single ? 0 : kNextPointerSize;
        bytes.append(reinterpret_cast<const char*>(m_page.data() + start + skip), static_cast<std::size_t>(rowSize - skip));
        if (single)
            break;
        pageRow = readUInt32(m_page.data(), start);
        if (pageRow == 0)
            break;
    }
    if (bytes.size() < length)
        return Outcome::Damaged;
    bytes.resize(length);
    return Outcome::Read;
}

}  // namespace kervane::jet
