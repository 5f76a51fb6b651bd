#include "driver/jet/format/JetProperties.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"

#include <algorithm>
#include <cstring>

namespace kervane::jet {

namespace {

constexpr std::uint32_t kFlagBits = 0xf0000000u;
// libmdb reads a value stored in its row only when it fits its 1 MB buffer.
constexpr long kLargestInline = 16384L * 64;

// Chunks: a 32-bit length (itself included) and a 16-bit type, then the body.
constexpr std::size_t kChunkHeader = 6;
constexpr std::uint16_t kNamesChunk = 0x80;
constexpr std::uint16_t kLastValueChunk = 0x02;
// Value block: a 32-bit length and a 16-bit name length, then the name and the properties.
constexpr std::size_t kBlockHeader = 6;
// One property: 16-bit length, flag, type, 16-bit name index, 16-bit value size, then the value.
constexpr std::size_t kPropertyHeader = 8;

// Where the names of a 0x80 chunk stop fitting in it; `count` receives how many there are.
std::optional<std::size_t> nameListDamage(const unsigned char* body, std::size_t size, std::size_t& count)
{
    count = 0;
    std::size_t at = 0;
    while (at < size) {
        if (size - at < 2 || readUInt16(body + at, 0) > size - at - 2)
            return at;
        at += 2 + readUInt16(body + at, 0);
        ++count;
    }
    return std::nullopt;
}

// Where a block of values stops making sense, as far as libmdb reads it: it stops by itself at
// a name index it does not know or a value longer than the block.
std::optional<std::size_t> valueBlockDamage(const unsigned char* body, std::size_t size, std::size_t names)
{
    if (size < kBlockHeader)
        return 0;
    if (readUInt16(body, 4) > size - kBlockHeader)
        return 4;
    std::size_t at = kBlockHeader + readUInt16(body, 4);
    while (at < size) {
        if (size - at < kPropertyHeader)
            return at;
        const std::size_t length = readUInt16(body + at, 0);
        const std::size_t nameIndex = readUInt16(body + at, 4);
        const std::size_t valueSize = readUInt16(body + at, 6);
        if (nameIndex >= names || valueSize > size - at - kPropertyHeader)
            return std::nullopt;
        // A length of zero is the endless loop; a shorter one than its own header is no less wrong.
        if (length < kPropertyHeader || length > size - at)
            return at;
        at += length;
    }
    return std::nullopt;
}

}  // namespace

PropertyChainReader::PropertyChainReader(const JetFileFormat& format, std::uint32_t pageCount, PageReader read)
    : m_format(format), m_pageCount(pageCount), m_read(std::move(read)),
      m_page(static_cast<std::size_t>(format.pageSize))
{
}

bool PropertyChainReader::findRow(std::uint32_t pageRow, int& start, int& size)
{
    // libmdb shifts the pointer as a signed number: with its top bit set, the page is past any file.
    if ((pageRow & 0x80000000u) != 0)
        return false;
    const std::uint32_t page = pageRow >> 8;
    const int row = static_cast<int>(pageRow & 0xff);
    if (page > m_pageCount)
        return false;
    // The page just past the end reads as zeros in libmdb, not as a failure.
    if (page == m_pageCount)
        std::fill(m_page.begin(), m_page.end(), 0);
    else if (!m_read(page, m_page.data()))
        return false;
    const datapage::Slot slot = datapage::storedSlot(m_page.data(), row, m_format);
    if (slot.start >= m_format.pageSize || slot.start > slot.end || slot.end > m_format.pageSize)
        return false;
    start = slot.start;
    size = slot.size();
    return true;
}

bool PropertyChainReader::read(const unsigned char* header, const unsigned char* inlineBytes, long inlineSize,
                               PropertyValue& value, std::uint32_t& loopAt)
{
    value = PropertyValue{};
    const std::uint32_t word = readUInt32(header, 0);
    if ((word & kLongValueInline) != 0) {
        if (inlineSize >= 0 && inlineSize <= kLargestInline)
            value.bytes.assign(inlineBytes, inlineBytes + inlineSize);
        return true;
    }
    int start = 0;
    int size = 0;
    if ((word & kLongValueSinglePage) != 0) {
        m_current = readUInt32(header, 4);
        if (findRow(m_current, start, size)) {
            value.pieces.push_back(PropertyPiece{m_current, 0});
            value.bytes.assign(m_page.begin() + start, m_page.begin() + start + size);
        }
        return true;
    }
    std::unordered_set<std::uint32_t> seen;
    if ((word & kFlagBits) == 0) {
        m_current = readUInt32(header, 4);
        if (findRow(m_current, start, size) && size >= 4) {
            seen.insert(m_current);
            value.pieces.push_back(PropertyPiece{m_current, 0});
            value.bytes.assign(m_page.begin() + start + 4, m_page.begin() + start + size);
            m_current = readUInt32(m_page.data(), start);
        }
    }
    // With other flags libmdb reads nothing first, then follows the row it was left on.
    return followChain(value, seen, loopAt);
}

bool PropertyChainReader::followChain(PropertyValue& value, std::unordered_set<std::uint32_t>& seen,
                                      std::uint32_t& loopAt)
{
    for (;;) {
        int start = 0;
        int size = 0;
        if (m_current == 0 || !findRow(m_current, start, size) || size < 4)
            return true;
        const std::uint32_t next = readUInt32(m_page.data(), start);
        // An empty piece ends the value for libmdb, even one read before.
        if (size == 4) {
            m_current = next;
            return true;
        }
        if (!seen.insert(m_current).second) {
            loopAt = m_current;
            return false;
        }
        value.pieces.push_back(PropertyPiece{m_current, value.bytes.size()});
        value.bytes.insert(value.bytes.end(), m_page.begin() + start + 4, m_page.begin() + start + size);
        m_current = next;
    }
}

std::optional<std::size_t> propertyDamage(const std::vector<unsigned char>& bytes)
{
    // libmdb compares the start with "KKD" and "MR2" as C strings and leaves anything else aside.
    if (bytes.size() < 4 || (std::memcmp(bytes.data(), "KKD", 4) != 0 && std::memcmp(bytes.data(), "MR2", 4) != 0))
        return std::nullopt;
    std::optional<std::size_t> names;
    std::size_t at = 4;
    while (at < bytes.size()) {
        const unsigned char* chunk = bytes.data() + at;
        if (bytes.size() - at < kChunkHeader)
            return at;
        const std::size_t length = readUInt32(chunk, 0);
        const std::uint16_t type = readUInt16(chunk, 4);
        if (length < kChunkHeader || length > bytes.size() - at)
            return at;
        std::optional<std::size_t> damage;
        if (type == kNamesChunk) {
            std::size_t count = 0;
            damage = nameListDamage(chunk + kChunkHeader, length - kChunkHeader, count);
            names = count;
        } else if (type <= kLastValueChunk && names) {
            // Values before any names are skipped by libmdb.
            damage = valueBlockDamage(chunk + kChunkHeader, length - kChunkHeader, *names);
        }
        if (damage)
            return at + kChunkHeader + *damage;
        at += length;
    }
    return std::nullopt;
}

}  // namespace kervane::jet
