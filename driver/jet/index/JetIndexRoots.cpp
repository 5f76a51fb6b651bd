#include "driver/jet/index/JetIndexRoots.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetTableLayout.h"

namespace kervane::jet {

namespace {

// The places of a real index's fields and of a logical index's come from the file's format.
constexpr unsigned char kPrimaryKind = 1;
constexpr unsigned char kForeignKeyKind = 2;
constexpr unsigned char kPrimaryTableSide = 1;
constexpr std::uint32_t kNoReference = 0xffffffff;  // a relationship whose integrity is not enforced

std::size_t place(int offset)
{
    return static_cast<std::size_t>(offset);
}

// The offset just past the column descriptors and names; false when they run past the bytes.
bool skipColumns(const std::vector<unsigned char>& b, std::uint32_t realCount, const JetFileFormat& f,
                 std::size_t& at)
{
    const std::size_t columns = readLittleEndian(b.data() + place(f.definitionColumnCount), 2);
    const std::size_t lengthSize = place(f.nameLengthSize);
    at = place(f.definitionFirstBlock) + std::size_t{realCount} * place(f.realIndexSize) +
         columns * place(f.columnSize);
    for (std::size_t c = 0; c < columns; ++c) {
        if (at + lengthSize > b.size())
            return false;
        at += lengthSize + readLittleEndian(b.data() + at, f.nameLengthSize);
    }
    return at <= b.size();
}

JetRealIndex readOne(const std::vector<unsigned char>& b, std::size_t at, const JetFileFormat& f)
{
    JetRealIndex index;
    for (int k = 0; k < kIndexKeySlots; ++k) {
        const std::size_t key = at + place(f.realIndexKeys) + 3 * static_cast<std::size_t>(k);
        const unsigned number = readLittleEndian(b.data() + key, 2);
        if (number != kNoKeyColumn)
            index.columns.push_back({static_cast<int>(number), b[key + 2] != 0x01});
    }
    index.usageMap = readLittleEndian(b.data() + at + place(f.realIndexUsageMap), 4);
    index.rootPage = readLittleEndian(b.data() + at + place(f.realIndexRoot), 4);
    index.flags = b[at + place(f.realIndexFlags)];
    return index;
}

// Marks the real indexes a primary key or a relationship uses.
bool readLogicalKinds(const std::vector<unsigned char>& b, std::size_t at, const JetFileFormat& f,
                      std::vector<JetRealIndex>& indexes, std::string& error)
{
    const std::uint32_t logical = readLittleEndian(b.data() + place(f.definitionLogicalIndexes), 4);
    if (logical > kMostIndexes || at + std::size_t{logical} * place(f.logicalIndexSize) > b.size()) {
        error = "Les index de la table sont illisibles.";
        return false;
    }
    for (std::uint32_t i = 0; i < logical; ++i) {
        const std::size_t entry = at + std::size_t{i} * place(f.logicalIndexSize);
        const std::uint32_t real = readLittleEndian(b.data() + entry + place(f.logicalIndexReal), 4);
        if (real >= indexes.size()) {
            error = "Les index de la table sont illisibles.";
            return false;
        }
        const unsigned char kind = b[entry + place(f.logicalIndexKind)];
        JetRealIndex& used = indexes[real];
        used.primary = used.primary || kind == kPrimaryKind;
        used.foreignKey = used.foreignKey || kind == kForeignKeyKind;
        // Around the real index's number: the logical index's own number before it; after it the
        // other table's kind, its index and page, then the cascade flags.
        const std::size_t realAt = entry + place(f.logicalIndexReal);
        used.logicalNumbers.push_back(readLittleEndian(b.data() + realAt - 4, 4));
        const std::uint32_t otherIndex = readLittleEndian(b.data() + realAt + 5, 4);
        if (kind == kForeignKeyKind && otherIndex != kNoReference)
            used.references.push_back({b[realAt + 4] == kPrimaryTableSide, readLittleEndian(b.data() + realAt + 9, 4), otherIndex,
                                       (b[realAt + 13] & 0x01) != 0, (b[realAt + 14] & 0x01) != 0,
                                       (b[realAt + 14] & 0x02) != 0});
    }
    return true;
}

}  // namespace

bool readRealIndexes(JetPages& pages, std::uint32_t page, std::vector<JetRealIndex>& indexes, std::string& error,
                     const JetFileFormat& format)
{
    indexes.clear();
    std::vector<unsigned char> b;
    std::size_t at = 0;
    const std::size_t blockSize = place(format.realIndexBlockSize);
    const bool readable = readDefinitionBytes(pages, page, b) && b.size() >= place(format.definitionFirstBlock);
    const std::uint32_t count = readable ? readLittleEndian(b.data() + place(format.definitionRealIndexes), 4) : 0;
    if (!readable || count > kMostIndexes || !skipColumns(b, count, format, at) ||
        at + std::size_t{count} * blockSize > b.size()) {
        error = "Les index de la table (page " + std::to_string(page) + ") sont illisibles.";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        indexes.push_back(readOne(b, at + std::size_t{i} * blockSize, format));
    return readLogicalKinds(b, at + std::size_t{count} * blockSize, format, indexes, error);
}

}  // namespace kervane::jet
