#include "driver/jet/format/JetColumnProperties.h"

#include "driver/jet/format/JetByteOrder.h"

#include <cstring>

namespace kervane::jet {
namespace {

// Chunks: a 32-bit length (itself included), a 16-bit kind, then the body (mdbtools' HACKING.md).
constexpr std::size_t kChunkHeadSize = 6;
constexpr unsigned kNameListChunk = 0x80;
constexpr unsigned kColumnChunk = 0x01;
// A block of values: a 32-bit length, the 16-bit length of the name it belongs to, the name,
// then each property: 16-bit length, flag, data type, 16-bit name index, 16-bit value size, value.
constexpr std::size_t kBlockHeadSize = 6;
constexpr std::size_t kPropertyHeadSize = 8;

struct PropertyBytes {
    const unsigned char* data;
    std::size_t size;
    bool fits(std::size_t at, std::size_t length) const { return at <= size && length <= size - at; }
    unsigned u16(std::size_t at) const { return readUInt16(data, static_cast<int>(at)); }
    unsigned long u32(std::size_t at) const { return readUInt32(data, static_cast<int>(at)); }
};

bool readNames(const PropertyBytes& body, const PropertyTextDecoder& decode, std::vector<std::string>& names)
{
    std::size_t at = 0;
    while (at < body.size) {
        if (!body.fits(at, 2) || !body.fits(at + 2, body.u16(at)))
            return false;
        names.push_back(decode(body.data + at + 2, body.u16(at)));
        at += 2 + body.u16(at);
    }
    return true;
}

bool readColumnBlock(const PropertyBytes& body, const PropertyTextDecoder& decode, const std::vector<std::string>& names,
                     std::map<std::string, ColumnProperties>& columns)
{
    if (!body.fits(0, kBlockHeadSize) || !body.fits(kBlockHeadSize, body.u16(4)))
        return false;
    ColumnProperties& column = columns[decode(body.data + kBlockHeadSize, body.u16(4))];
    std::size_t at = kBlockHeadSize + body.u16(4);
    while (at < body.size) {
        if (!body.fits(at, kPropertyHeadSize))
            return false;
        const std::size_t length = body.u16(at);
        const std::size_t nameIndex = body.u16(at + 4);
        const std::size_t valueSize = body.u16(at + 6);
        if (length < kPropertyHeadSize || !body.fits(at, length) || valueSize > length - kPropertyHeadSize
            || nameIndex >= names.size())
            return false;
        const unsigned char* value = body.data + at + kPropertyHeadSize;
        if (names[nameIndex] == "DefaultValue")
            column.defaultValue = decode(value, valueSize);
        else if (names[nameIndex] == "Required")
            column.required = valueSize > 0 && value[0] != 0;
        else if (names[nameIndex] == "ResultType" && valueSize > 0)
            column.resultType = value[0];
        else if (names[nameIndex] == "Expression")
            column.expression = decode(value, valueSize);
        at += length;
    }
    return true;
}

}  // namespace

bool readColumnProperties(const std::vector<unsigned char>& value, const PropertyTextDecoder& decode,
                          std::map<std::string, ColumnProperties>& columns)
{
    columns.clear();
    if (value.size() < 4 || (std::memcmp(value.data(), "KKD", 4) != 0 && std::memcmp(value.data(), "MR2", 4) != 0))
        return false;
    const PropertyBytes all{value.data(), value.size()};
    std::vector<std::string> names;
    std::size_t at = 4;
    while (at < all.size) {
        if (!all.fits(at, kChunkHeadSize) || all.u32(at) < kChunkHeadSize || !all.fits(at, all.u32(at))) {
            columns.clear();
            return false;
        }
        const PropertyBytes body{value.data() + at + kChunkHeadSize, all.u32(at) - kChunkHeadSize};
        const unsigned kind = all.u16(at + 4);
        const bool read = kind == kNameListChunk     ? readNames(body, decode, names)
                          : kind == kColumnChunk ? readColumnBlock(body, decode, names, columns)
                                                 : true;
        if (!read) {
            columns.clear();
            return false;
        }
        at += all.u32(at);
    }
    return true;
}

}  // namespace kervane::jet
