#include "driver/jet/format/JetDefinitionChecks.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetTableLayout.h"

#include <optional>

namespace kervane::jet {

namespace {

constexpr long long kMostColumns = 256;

// A definition's column and real-index counts; nullopt when the definition is too short to
// hold them.
struct DefinitionCounts {
    long long size;
    long long columns;
    long long indexes;
};

std::optional<DefinitionCounts> readCounts(const JetFileFormat& format, const std::vector<unsigned char>& definition)
{
    const auto size = static_cast<long long>(definition.size());
    if (size < format.definitionFirstBlock)
        return std::nullopt;
    return DefinitionCounts{size, readUInt16(definition.data(), format.definitionColumnCount),
                            readUInt32(definition.data(), format.definitionRealIndexes)};
}

}  // namespace

bool readDecimalDigits(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                       std::map<int, DecimalDigits>& digits)
{
    digits.clear();
    const std::optional<DefinitionCounts> counts = readCounts(format, definition);
    if (!counts)
        return false;
    const auto& [size, columns, indexes] = *counts;
    const long long first = format.definitionFirstBlock + indexes * format.realIndexSize;
    if (first + columns * format.columnSize > size)
        return false;
    for (long long i = 0; i < columns; ++i) {
        const int at = static_cast<int>(first + i * format.columnSize);
        if (definition[static_cast<std::size_t>(at)] != static_cast<unsigned char>(JetType::Decimal))
            continue;
        const int number = readUInt16(definition.data(), at + format.columnNumber);
        digits[number] = DecimalDigits{definition[static_cast<std::size_t>(at + format.columnPrecision)],
                                       definition[static_cast<std::size_t>(at + format.columnScale)]};
    }
    return true;
}

bool definitionFits(const JetFileFormat& format, const std::vector<unsigned char>& definition)
{
    const std::optional<DefinitionCounts> counts = readCounts(format, definition);
    if (!counts)
        return false;
    const auto& [size, columns, indexes] = *counts;
    if (columns < 1 || columns > kMostColumns)
        return false;
    long long at = format.definitionFirstBlock + indexes * format.realIndexSize + columns * format.columnSize;
    for (long long i = 0; i < columns && at <= size; ++i) {
        if (at + format.nameLengthSize > size)
            return false;
        const int offset = static_cast<int>(at);
        const long long length = format.nameLengthSize == 1 ? definition[static_cast<std::size_t>(offset)]
                                                            : readUInt16(definition.data(), offset);
        at += format.nameLengthSize + length;
    }
    return at <= size;
}

}  // namespace kervane::jet
