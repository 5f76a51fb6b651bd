#include "driver/jet/JetIndexRoots.h"

#include "driver/jet/JetPages.h"
#include "driver/jet/JetTableLayout.h"

namespace kervane::jet {

namespace {

constexpr unsigned char kDefinitionPage = 0x02;
constexpr int kContinuationHeader = 8;
constexpr int kMostPages = 64;
constexpr unsigned kMostIndexes = 1000;
// A real index after the column names: 4 bytes, ten key columns (number, order), the usage
// map, the root page, 4 bytes, the flags, 5 more bytes.
constexpr int kRealSize = 52;
constexpr int kKeysAt = 4;
constexpr int kKeyColumns = 10;
constexpr int kUsageMapAt = 34;
constexpr int kRootAt = 38;
constexpr int kFlagsAt = 46;
constexpr unsigned kNoColumn = 0xffff;
// A logical index after the real ones: 28 bytes, the real index it uses at 8, its kind at 23.
constexpr int kLogicalSize = 28;
constexpr int kLogicalRealAt = 8;
constexpr int kLogicalKindAt = 23;
constexpr unsigned char kPrimaryKind = 1;
constexpr unsigned char kForeignKeyKind = 2;

std::uint32_t readLe(const std::vector<unsigned char>& b, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

bool definitionBytes(JetPages& pages, std::uint32_t page, std::vector<unsigned char>& bytes)
{
    const std::size_t size = pages.pageSize();
    for (int hops = 0; page != 0; ++hops) {
        const unsigned char* p = pages.read(page);
        if (p == nullptr || p[0] != kDefinitionPage || hops > kMostPages)
            return false;
        bytes.insert(bytes.end(), p + (hops == 0 ? 0 : kContinuationHeader), p + size);
        page = static_cast<std::uint32_t>(p[4] | (p[5] << 8) | (p[6] << 16)) | (static_cast<std::uint32_t>(p[7]) << 24);
    }
    return true;
}

// The offset just past the column descriptors and names; false when they run past the bytes.
bool skipColumns(const std::vector<unsigned char>& b, std::uint32_t realCount, std::size_t& at)
{
    const std::size_t columns = readLe(b, tdef::kColumnCount, 2);
    at = tdef::kFirstBlock + std::size_t{realCount} * tdef::kRealIndexSize + columns * tdef::kColumnSize;
    for (std::size_t c = 0; c < columns; ++c) {
        if (at + 2 > b.size())
            return false;
        at += 2 + readLe(b, at, 2);
    }
    return at <= b.size();
}

JetRealIndex readOne(const std::vector<unsigned char>& b, std::size_t at)
{
    JetRealIndex index;
    for (int k = 0; k < kKeyColumns; ++k) {
        const std::size_t key = at + kKeysAt + 3 * static_cast<std::size_t>(k);
        const unsigned number = readLe(b, key, 2);
        if (number != kNoColumn)
            index.columns.push_back({static_cast<int>(number), b[key + 2] != 0x01});
    }
    index.usageMap = readLe(b, at + kUsageMapAt, 4);
    index.rootPage = readLe(b, at + kRootAt, 4);
    index.flags = b[at + kFlagsAt];
    return index;
}

// Marks the real indexes a primary key or a relationship uses.
bool readLogicalKinds(const std::vector<unsigned char>& b, std::size_t at, std::vector<JetRealIndex>& indexes,
                      std::string& error)
{
    const std::uint32_t logical = readLe(b, tdef::kLogicalIndexes, 4);
    if (logical > kMostIndexes || at + std::size_t{logical} * kLogicalSize > b.size()) {
        error = "Les index de la table sont illisibles.";
        return false;
    }
    for (std::uint32_t i = 0; i < logical; ++i) {
        const std::size_t entry = at + std::size_t{i} * kLogicalSize;
        const std::uint32_t real = readLe(b, entry + kLogicalRealAt, 4);
        if (real >= indexes.size()) {
            error = "Les index de la table sont illisibles.";
            return false;
        }
        indexes[real].primary = indexes[real].primary || b[entry + kLogicalKindAt] == kPrimaryKind;
        indexes[real].foreignKey = indexes[real].foreignKey || b[entry + kLogicalKindAt] == kForeignKeyKind;
    }
    return true;
}

}  // namespace

bool readRealIndexes(JetPages& pages, std::uint32_t page, std::vector<JetRealIndex>& indexes, std::string& error)
{
    indexes.clear();
    std::vector<unsigned char> b;
    std::size_t at = 0;
    const bool readable = definitionBytes(pages, page, b) && b.size() >= tdef::kFirstBlock;
    const std::uint32_t count = readable ? readLe(b, tdef::kRealIndexes, 4) : 0;
    if (!readable || count > kMostIndexes || !skipColumns(b, count, at) ||
        at + std::size_t{count} * kRealSize > b.size()) {
        error = "Les index de la table (page " + std::to_string(page) + ") sont illisibles.";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        indexes.push_back(readOne(b, at + std::size_t{i} * kRealSize));
    return readLogicalKinds(b, at + std::size_t{count} * kRealSize, indexes, error);
}

}  // namespace kervane::jet
