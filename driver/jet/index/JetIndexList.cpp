#include "driver/jet/index/JetIndexList.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetFileFormat.h"

#include <map>
#include <optional>

namespace kervane::jet {
namespace {

constexpr unsigned char kUniqueFlag = 0x01;
constexpr unsigned char kIgnoreNullsFlag = 0x02;
constexpr unsigned char kRequiredFlag = 0x08;
constexpr unsigned char kPrimaryEntry = 1;
constexpr unsigned char kForeignKeyEntry = 2;

// Where the parts of a table definition lie, Jet 3 and Jet 4 (mdbtools' HACKING.md, TDEF).
struct Layout {
    int columnCount;
    int indexCount;        // every index entry, logical ones included
    int realIndexCount;
    int firstEntry;        // the real-index counts, then the column descriptors
    int realCountSize;
    int descriptorSize;
    int columnNumber;      // in a descriptor
    int nameLengthSize;    // column and index names: their byte length, then their bytes
    int realSize;          // a real index: its key columns (number, order), then its flags
    int realKeysAt;
    int realFlagsAt;
    int entrySize;         // an index entry: the real index it uses, its kind
    int entryRealAt;
    int entryKindAt;
};

Layout indexLayoutFor(const JetFileFormat& format)
{
    if (format.jet3)
        return {25, 27, 31, 43, 8, 18, 1, 1, 39, 0, 38, 20, 4, 19};
    return {45, 47, 51, 63, 12, 25, 5, 2, 52, 4, 46, 28, 8, 23};
}

// Reads inside the definition only: every read past its end fails.
class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}
    bool fits(long long at, long long size) const
    {
        return at >= 0 && size >= 0 && at + size <= static_cast<long long>(m_bytes.size());
    }
    std::optional<unsigned> byte(long long at) const
    {
        return fits(at, 1) ? std::optional<unsigned>(m_bytes[static_cast<std::size_t>(at)]) : std::nullopt;
    }
    std::optional<unsigned> u16(long long at) const
    {
        return fits(at, 2) ? std::optional<unsigned>(readUInt16(m_bytes.data(), static_cast<int>(at))) : std::nullopt;
    }
    std::optional<unsigned long> u32(long long at) const
    {
        return fits(at, 4) ? std::optional<unsigned long>(readUInt32(m_bytes.data(), static_cast<int>(at)))
                           : std::nullopt;
    }
    const unsigned char* at(long long offset) const { return m_bytes.data() + offset; }

private:
    const std::vector<unsigned char>& m_bytes;
};

// A name after its byte length; advances `at` past it.
std::optional<std::string> readName(const Reader& reader, const Layout& layout, long long& at,
                                    const TextDecoder& decode)
{
    const std::optional<unsigned> length = layout.nameLengthSize == 1 ? reader.byte(at) : reader.u16(at);
    if (!length || !reader.fits(at + layout.nameLengthSize, *length))
        return std::nullopt;
    std::string name = decode(reader.at(at + layout.nameLengthSize), *length);
    at += layout.nameLengthSize + *length;
    return name;
}

struct Counts {
    long long columns;
    long long indexes;
    long long realIndexes;
};

std::optional<Counts> readIndexCounts(const Reader& reader, const Layout& layout)
{
    const auto columns = reader.u16(layout.columnCount);
    const auto indexes = reader.u32(layout.indexCount);
    const auto real = reader.u32(layout.realIndexCount);
    if (!columns || !indexes || !real || *columns == 0 || *indexes > kMostIndexes || *real > *indexes)
        return std::nullopt;
    return Counts{*columns, static_cast<long long>(*indexes), static_cast<long long>(*real)};
}

// The column names by the number the index definitions use; `at` ends past the names.
bool readColumnNames(const Reader& reader, const Layout& layout, const Counts& counts, const TextDecoder& decode,
                     long long& at, std::map<unsigned, std::string>& names)
{
    const long long descriptors = layout.firstEntry + counts.realIndexes * layout.realCountSize;
    if (!reader.fits(descriptors, counts.columns * layout.descriptorSize))
        return false;
    at = descriptors + counts.columns * layout.descriptorSize;
    for (long long i = 0; i < counts.columns; ++i) {
        const std::optional<std::string> name = readName(reader, layout, at, decode);
        if (!name)
            return false;
        names[*reader.u16(descriptors + i * layout.descriptorSize + layout.columnNumber)] = *name;
    }
    return true;
}

struct RealIndex {
    std::vector<JetIndexColumn> columns;
    unsigned char flags = 0;
};

bool readRealIndex(const Reader& reader, const Layout& layout, long long at,
                   const std::map<unsigned, std::string>& names, RealIndex& index)
{
    if (!reader.fits(at, layout.realSize))
        return false;
    for (int k = 0; k < kIndexKeySlots; ++k) {
        const long long key = at + layout.realKeysAt + 3LL * k;
        const unsigned number = *reader.u16(key);
        if (number == kNoKeyColumn)
            continue;
        const auto found = names.find(number);
        if (found == names.end())
            return false;
        // The order byte is 1 for an ascending key column.
        index.columns.push_back(JetIndexColumn{found->second, *reader.byte(key + 2) == 0});
    }
    index.flags = static_cast<unsigned char>(*reader.byte(at + layout.realFlagsAt));
    return !index.columns.empty();
}

}  // namespace

bool readIndexDefinitions(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                          const TextDecoder& decode, std::vector<JetIndexDefinition>& indexes)
{
    indexes.clear();
    const Layout layout = indexLayoutFor(format);
    const Reader reader(definition);
    const std::optional<Counts> counts = readIndexCounts(reader, layout);
    std::map<unsigned, std::string> names;
    long long at = 0;
    if (!counts || !readColumnNames(reader, layout, *counts, decode, at, names))
        return false;
    std::vector<RealIndex> real(static_cast<std::size_t>(counts->realIndexes));
    for (long long i = 0; i < counts->realIndexes; ++i)
        if (!readRealIndex(reader, layout, at + i * layout.realSize, names, real[static_cast<std::size_t>(i)]))
            return false;
    const long long entries = at + counts->realIndexes * layout.realSize;
    long long nameAt = entries + counts->indexes * layout.entrySize;
    if (!reader.fits(entries, counts->indexes * layout.entrySize))
        return false;
    std::vector<JetIndexDefinition> found;
    for (long long i = 0; i < counts->indexes; ++i) {
        const long long entry = entries + i * layout.entrySize;
        const unsigned long realNumber = *reader.u32(entry + layout.entryRealAt);
        const unsigned kind = *reader.byte(entry + layout.entryKindAt);
        const std::optional<std::string> name = readName(reader, layout, nameAt, decode);
        if (!name || realNumber >= real.size())
            return false;
        if (kind == kForeignKeyEntry)
            continue;
        const RealIndex& used = real[realNumber];
        found.push_back(JetIndexDefinition{*name, kind == kPrimaryEntry, (used.flags & kUniqueFlag) != 0,
                                           (used.flags & kIgnoreNullsFlag) != 0, (used.flags & kRequiredFlag) != 0,
                                           used.columns});
    }
    indexes = std::move(found);
    return true;
}

namespace {

bool readDefinedIndexes(JetFile& file, const JetTable& table, std::vector<JetIndexDefinition>& indexes)
{
    std::vector<unsigned char> bytes;
    if (!file.definitionBytes(table, bytes))
        return false;
    return readIndexDefinitions(file.format(), bytes,
                                [&file](const unsigned char* text, std::size_t size) {
                                    return file.decodeText(text, size);
                                },
                                indexes);
}

}  // namespace

bool readTableIndexes(JetFile& file, const std::string& table, std::vector<JetIndexDefinition>& indexes,
                      long long& rowCount)
{
    indexes.clear();
    const JetTable* defined = file.table(table);
    if (defined == nullptr || !readDefinedIndexes(file, *defined, indexes))
        return false;
    rowCount = defined->rowEstimate;
    return true;
}

std::vector<std::string> requiredColumns(JetFile& file, const JetTable& table)
{
    std::vector<JetIndexDefinition> indexes;
    std::vector<std::string> names;
    if (!readDefinedIndexes(file, table, indexes))
        return names;
    for (const JetIndexDefinition& index : indexes)
        if (index.primary || index.required)
            for (const JetIndexColumn& column : index.columns)
                names.push_back(column.name);
    return names;
}

}  // namespace kervane::jet
