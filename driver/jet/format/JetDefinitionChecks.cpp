#include "driver/jet/format/JetDefinitionChecks.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetTableLayout.h"

#include <optional>

namespace kervane::jet {

namespace {

constexpr long long kMostColumns = 256;
constexpr unsigned char kCalculatedColumn = 0xC0;  // among a column's more flags
constexpr unsigned char kComplexType = 0x12;       // Access 2007 and later

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

bool readColumnDetails(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                       std::map<int, ColumnDetails>& details)
{
    details.clear();
    const std::optional<DefinitionCounts> counts = readCounts(format, definition);
    if (!counts)
        return false;
    const auto& [size, columns, indexes] = *counts;
    const long long first = format.definitionFirstBlock + indexes * format.realIndexSize;
    if (first + columns * format.columnSize > size)
        return false;
    for (long long i = 0; i < columns; ++i) {
        const auto at = static_cast<std::size_t>(first + i * format.columnSize);
        ColumnDetails& column = details[readUInt16(definition.data(), static_cast<int>(at) + format.columnNumber)];
        if (definition[at] == static_cast<unsigned char>(JetType::Decimal)) {
            column.precision = definition[at + static_cast<std::size_t>(format.columnPrecision)];
            column.scale = definition[at + static_cast<std::size_t>(format.columnScale)];
        }
        if (definition[at] == kComplexType && format.columnComplexId >= 0)
            column.complexId = readUInt32(definition.data(), static_cast<int>(at) + format.columnComplexId);
        column.calculated = format.columnMoreFlags >= 0 &&
                            (definition[at + static_cast<std::size_t>(format.columnMoreFlags)] & kCalculatedColumn) != 0;
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
