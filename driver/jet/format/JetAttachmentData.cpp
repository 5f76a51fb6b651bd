#include "driver/jet/format/JetAttachmentData.h"

#include "driver/jet/format/JetByteOrder.h"

#include <zlib.h>

#include <cstdint>

namespace kervane::jet {

namespace {

constexpr std::size_t kWrapperSize = 8;
constexpr std::uint32_t kRaw = 0;
constexpr std::uint32_t kCompressed = 1;
constexpr std::uint32_t kLargestFile = 0x7fffffff;

// Inflates the zlib stream `data` into exactly `length` bytes.
bool inflated(const unsigned char* data, std::size_t size, std::size_t length, std::string& out)
{
    out.assign(length, '\0');
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(length);
    const int rc = inflate(&stream, Z_FINISH);
    const bool whole = (rc == Z_STREAM_END || rc == Z_BUF_ERROR || rc == Z_OK) && stream.avail_out == 0;
    inflateEnd(&stream);
    return whole;
}

}  // namespace

std::optional<std::string> attachmentFileBytes(const unsigned char* data, std::size_t size)
{
    if (size < kWrapperSize)
        return std::nullopt;
    const std::uint32_t kind = readUInt32(data, 0);
    const std::uint32_t length = readUInt32(data, 4);
    if (length > kLargestFile || (kind != kRaw && kind != kCompressed))
        return std::nullopt;
    std::string content;
    if (kind == kCompressed) {
        if (!inflated(data + kWrapperSize, size - kWrapperSize, length, content))
            return std::nullopt;
    } else if (size - kWrapperSize >= length) {
        content.assign(reinterpret_cast<const char*>(data + kWrapperSize), length);
    } else {
        return std::nullopt;
    }
    if (content.size() < 4)
        return std::nullopt;
    const std::uint32_t header = readUInt32(reinterpret_cast<const unsigned char*>(content.data()), 0);
    if (header < 4 || header > content.size())
        return std::nullopt;
    return content.substr(header);
}

}  // namespace kervane::jet
