#pragma once
// The design properties of a table: the LvProp value of its MSysObjects row, a "KKD"/"MR2"
// blob of chunks stored like a memo. libmdb's catalogue reader follows their long-value chain
// and their chunk lengths without any check, and loops for ever on a chain that comes back on
// itself or on a length of zero; these checks run first, reading exactly what libmdb will read.
#include "driver/jet/format/JetRowChecks.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

namespace kervane::jet {

// One piece of a value: the row it was read from (page << 8 | row) and where it starts in
// the value's bytes.
struct PropertyPiece {
    std::uint32_t pageRow = 0;
    std::size_t offset = 0;
};

struct PropertyValue {
    std::vector<unsigned char> bytes;
    std::vector<PropertyPiece> pieces;

    // Appends the pages its pieces lie on, each once where consecutive pieces share one.
    void appendPiecePages(std::vector<std::uint32_t>& pages) const
    {
        for (const PropertyPiece& piece : pieces)
            if (pages.empty() || pages.back() != piece.pageRow >> 8)
                pages.push_back(piece.pageRow >> 8);
    }
};

// Reads property values in turn, as libmdb 1.0 does with one bound column: including the
// pointer to the current long-value row that it keeps from one value to the next.
class PropertyChainReader {
public:
    using PageReader = std::function<bool(std::uint32_t page, unsigned char* buffer)>;

    PropertyChainReader(const JetFileFormat& format, std::uint32_t pageCount, PageReader read);

    // `header` is the value's 12-byte header; `inlineBytes` and `inlineSize` the bytes that
    // follow it in the row (size may be negative when the row holds less than a header).
    // False when the chain comes back to a row read already: `loopAt` names that row.
    bool read(const unsigned char* header, const unsigned char* inlineBytes, long inlineSize,
              PropertyValue& value, std::uint32_t& loopAt);

private:
    // libmdb's lookup of a long-value row: false when it would fail.
    bool findRow(std::uint32_t pageRow, int& start, int& size);
    // Follows the chain from m_current until libmdb would stop; false on a loop.
    bool followChain(PropertyValue& value, std::unordered_set<std::uint32_t>& seen, std::uint32_t& loopAt);

    const JetFileFormat& m_format;
    std::uint32_t m_pageCount;
    PageReader m_read;
    std::vector<unsigned char> m_page;
    std::uint32_t m_current = 0;
};

// Offset in `bytes` of the first place where libmdb's property parser would loop or read
// outside the value, or nothing when the value is sound (or is not a property blob at all,
// which libmdb leaves aside).
std::optional<std::size_t> propertyDamage(const std::vector<unsigned char>& bytes);

}  // namespace kervane::jet
