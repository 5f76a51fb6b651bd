#include "driver/jet/format/JetDefinition.h"

#include "driver/jet/format/JetByteOrder.h"

#include <optional>

namespace kervane::jet {

namespace {

constexpr unsigned char kDecimalType = 0x10;
constexpr long long kMostColumns = 256;

// Where the parts of a table definition lie (HACKING.md of mdbtools, "TDEF" pages).
struct DefinitionLayout {
    int columnCount;       // 2 bytes
    int realIndexCount;    // 4 bytes
    int firstIndexEntry;   // the real-index entries, then the column descriptors
    int indexEntrySize;
    int descriptorSize;
    int columnNumber;      // in a descriptor: the number counting deleted columns
    int precision;         // then the scale in the next byte
    int nameLengthSize;    // each column name follows the descriptors, after its byte length
};

DefinitionLayout layoutFor(const JetFileFormat& format)
{
    if (format.jet3)
        return {25, 31, 43, 8, 18, 1, 9, 1};
    return {45, 51, 63, 12, 25, 5, 11, 2};
}

// A definition's layout with its column and real-index counts; nullopt when the definition
// is too short to hold them.
struct DefinitionCounts {
    DefinitionLayout layout;
    long long size;
    long long columns;
    long long indexes;
};

std::optional<DefinitionCounts> readCounts(const JetFileFormat& format, const std::vector<unsigned char>& definition)
{
    const DefinitionLayout layout = layoutFor(format);
    const auto size = static_cast<long long>(definition.size());
    if (size < layout.firstIndexEntry)
        return std::nullopt;
    return DefinitionCounts{layout, size, readUInt16(definition.data(), layout.columnCount),
                            readUInt32(definition.data(), layout.realIndexCount)};
}

}  // namespace

bool readDecimalDigits(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                       std::map<int, DecimalDigits>& digits)
{
    digits.clear();
    const std::optional<DefinitionCounts> counts = readCounts(format, definition);
    if (!counts)
        return false;
    const auto& [layout, size, columns, indexes] = *counts;
    const long long first = layout.firstIndexEntry + indexes * layout.indexEntrySize;
    if (first + columns * layout.descriptorSize > size)
        return false;
    for (long long i = 0; i < columns; ++i) {
        const int at = static_cast<int>(first + i * layout.descriptorSize);
        if (definition[static_cast<std::size_t>(at)] != kDecimalType)
            continue;
        const int number = readUInt16(definition.data(), at + layout.columnNumber);
        digits[number] = DecimalDigits{definition[static_cast<std::size_t>(at + layout.precision)],
                                       definition[static_cast<std::size_t>(at + layout.precision + 1)]};
    }
    return true;
}

bool definitionFits(const JetFileFormat& format, const std::vector<unsigned char>& definition)
{
    const std::optional<DefinitionCounts> counts = readCounts(format, definition);
    if (!counts)
        return false;
    const auto& [layout, size, columns, indexes] = *counts;
    if (columns < 1 || columns > kMostColumns)
        return false;
    long long at = layout.firstIndexEntry + indexes * layout.indexEntrySize + columns * layout.descriptorSize;
    for (long long i = 0; i < columns && at <= size; ++i) {
        if (at + layout.nameLengthSize > size)
            return false;
        const int offset = static_cast<int>(at);
        const long long length = layout.nameLengthSize == 1 ? definition[static_cast<std::size_t>(offset)]
                                                            : readUInt16(definition.data(), offset);
        at += layout.nameLengthSize + length;
    }
    return at <= size;
}

}  // namespace kervane::jet
