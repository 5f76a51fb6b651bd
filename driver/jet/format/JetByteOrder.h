#pragma once
// The byte orders of a Jet file: its numbers (counts, offsets, page numbers, values) are
// little-endian; the keys and row pointers of its index entries are big-endian, so that their
// bytes sort as they compare. Every reader and writer of the driver's files goes through these.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kervane::jet {

// The `width` bytes (1 to 4) at `bytes`, least significant first.
inline std::uint32_t readLittleEndian(const unsigned char* bytes, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

inline std::uint16_t readUInt16(const unsigned char* bytes, int offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t readUInt32(const unsigned char* bytes, int offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::uint64_t readUInt64(const unsigned char* bytes, int offset)
{
    return static_cast<std::uint64_t>(readUInt32(bytes, offset)) |
           static_cast<std::uint64_t>(readUInt32(bytes, offset + 4)) << 32;
}

inline std::uint16_t readUInt16(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    return readUInt16(bytes.data(), static_cast<int>(offset));
}

inline std::uint32_t readUInt32(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    return readUInt32(bytes.data(), static_cast<int>(offset));
}

inline void writeLittleEndian(unsigned char* bytes, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i, value >>= 8)
        bytes[i] = static_cast<unsigned char>(value & 0xff);
}

inline void writeUInt16(unsigned char* bytes, int offset, unsigned value)
{
    writeLittleEndian(bytes + offset, value, 2);
}

inline void writeUInt32(unsigned char* bytes, int offset, std::uint32_t value)
{
    writeLittleEndian(bytes + offset, value, 4);
}

inline void writeUInt64(unsigned char* bytes, int offset, std::uint64_t value)
{
    writeUInt32(bytes, offset, static_cast<std::uint32_t>(value));
    writeUInt32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

// Appends `value` as the machine holds it: the build targets little-endian machines only.
template <typename T>
void appendLittleEndian(std::vector<unsigned char>& out, T value)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

// The `width` bytes (1 to 4) at `bytes`, most significant first.
inline std::uint32_t readBigEndian(const unsigned char* bytes, int width)
{
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | bytes[i];
    return value;
}

inline void appendBigEndian(std::vector<unsigned char>& out, std::uint64_t value, int width)
{
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace kervane::jet
