#include "JetIndexWalk.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexPage.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/index/JetIndexText97.h"
#include "driver/jet/rows/JetRowReading.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kervane::test {

void IndexTally::add(const IndexTally& other)
{
    indexes += other.indexes;
    textKeys += other.textKeys;
    descendingTextKeys += other.descendingTextKeys;
    unknownText += other.unknownText;
    verified.insert(other.verified.begin(), other.verified.end());
    unknown.insert(other.unknown.begin(), other.unknown.end());
}

std::vector<std::string> jetFilesIn(const std::string& folder, bool jet3)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        char header[0x15] = {};
        if (entry.path().extension() == ".mdb" && in.read(header, sizeof header) && header[0x14] == (jet3 ? 0 : 1))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

using Bytes = std::vector<unsigned char>;

// The texts of the row's text key columns; in a Jet 3 row, their bytes (one character each).
std::u16string keyTexts(const Bytes& row, const std::vector<jet::JetKeyColumn>& columns,
                        const jet::JetFileFormat& format)
{
    std::u16string all, one;
    for (const auto& part : columns) {
        std::size_t start = 0, end = 0;
        if (part.column->type != jet::JetType::Text || !jet::variableData(row, *part.column, start, end, format))
            continue;
        if (format.jet3)
            all.append(row.begin() + static_cast<std::ptrdiff_t>(start), row.begin() + static_cast<std::ptrdiff_t>(end));
        else if (jet::decodeRowText(row.data() + start, end - start, one))
            all += one;
    }
    return all;
}

bool characterKnown(char16_t c, const jet::JetFileFormat& format)
{
    if (!format.jet3)
        return jet::textKeyKnown(std::u16string(1, c));
    const auto byte = static_cast<unsigned char>(c);
    return jet::jet3TextKeyKnown(&byte, 1);
}

struct FileUnderTest {
    std::unique_ptr<jet::JetFile> file;
    std::unique_ptr<MemoryPages> pages;
    Connection db;
};

// The key columns of the index, or empty when one is of a type not encoded here.
std::vector<jet::JetKeyColumn> keyColumns(const jet::JetTableLayout& layout, const jet::JetRealIndex& index)
{
    std::vector<jet::JetKeyColumn> columns;
    for (const auto& part : index.columns) {
        const auto column = std::find_if(layout.columns.begin(), layout.columns.end(),
                                         [&](const jet::JetLayoutColumn& c) { return c.number == part.number; });
        if (column == layout.columns.end() || !jet::keyTypeKnown(column->type, *layout.format))
            return {};
        columns.push_back({&*column, part.descending});
    }
    return columns;
}

// The row's bytes, following an overflow pointer to where the row lies now.
bool rowAt(jet::JetPages& pages, jet::JetRowId id, Bytes& row, const jet::JetFileFormat& format)
{
    for (int hops = 0; hops < 4; ++hops) {
        const unsigned char* page = pages.read(id.page);
        jet::datapage::Slot slot;
        // A row moved to another place is flagged deleted there, so that scans pass over it.
        if (page == nullptr || page[0] != 0x01 || !jet::datapage::slot(page, id.row, slot, format) ||
            (slot.deleted && hops == 0))
            return false;
        row.assign(page + slot.start, page + slot.end);
        if (!slot.moved)
            return true;
        if (row.size() < 4)
            return false;
        id = jet::JetRowId::fromPointer(static_cast<std::uint32_t>(row[0] | (row[1] << 8) | (row[2] << 16)) |
                                        (static_cast<std::uint32_t>(row[3]) << 24));
    }
    return false;
}

// Reads the page and checks that writing its entries back gives its bytes again.
jet::JetIndexPageImage readAndRewrite(jet::JetPages& pages, std::uint32_t number, const std::string& where)
{
    const jet::JetFileFormat& format = jet::fileFormatFor(pages.pageSize());
    jet::JetIndexPageImage image;
    std::string error;
    const bool read = jet::readIndexPage(pages, number, image, error, format);
    EXPECT_TRUE(read) << where << " : " << error;
    if (!read)
        return image;
    const unsigned char* page = pages.read(number);
    Bytes copy(page, page + pages.pageSize());
    EXPECT_TRUE(jet::writeIndexPage(image, copy.data(), copy.size(), format)) << where;
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), page)) << where << " page " << number << " réécrite autrement";
    return image;
}

long long allNullRows(sqlite3* db, const std::string& table, const std::vector<jet::JetKeyColumn>& columns)
{
    std::string sql = "SELECT count(*) FROM \"" + table + "\" WHERE 1";
    for (const auto& part : columns)
        sql += " AND \"" + part.column->name + "\" IS NULL";
    return std::stoll(single(db, sql));
}

// Along an intermediate level from its first page: each entry repeats the key and row of the
// last entry of the child page it points at.
void checkIntermediateLevel(jet::JetPages& pages, jet::JetIndexPageImage image, const std::string& where)
{
    for (std::uint32_t hops = 0; hops < pages.pageCount(); ++hops) {
        for (const jet::JetIndexEntry& entry : image.entries) {
            const jet::JetIndexPageImage child = readAndRewrite(pages, entry.child, where);
            ASSERT_FALSE(child.entries.empty()) << where << " page " << entry.child;
            const jet::JetIndexEntry& last = child.entries.back();
            EXPECT_EQ(last.key, entry.key) << where << " page " << entry.child;
            EXPECT_EQ(last.row.page, entry.row.page) << where;
            EXPECT_EQ(last.row.row, entry.row.row) << where;
        }
        if (image.next == 0)
            return;
        image = readAndRewrite(pages, image.next, where);
    }
}

// Walks the index from its root down its first children to the leaves, then along them.
void checkIndex(FileUnderTest& under, const std::string& table, const jet::JetTableLayout& layout,
                const jet::JetRealIndex& index, const std::string& where, IndexTally& tally)
{
    const std::vector<jet::JetKeyColumn> columns = keyColumns(layout, index);
    if (columns.empty())
        return;
    ++tally.indexes;
    const bool text = std::any_of(columns.begin(), columns.end(),
                                  [](const jet::JetKeyColumn& c) { return c.column->type == jet::JetType::Text; });
    const bool descendingText = std::any_of(columns.begin(), columns.end(), [](const jet::JetKeyColumn& c) {
        return c.column->type == jet::JetType::Text && c.descending;
    });
    jet::JetPages& pages = *under.pages;
    jet::JetIndexPageImage image = readAndRewrite(pages, index.rootPage, where);
    for (int depth = 0; !image.leaf && depth < 8; ++depth) {
        checkIntermediateLevel(pages, image, where);
        ASSERT_FALSE(image.entries.empty()) << where;
        image = readAndRewrite(pages, image.entries.front().child, where);
    }
    ASSERT_TRUE(image.leaf) << where;
    std::vector<jet::JetIndexEntry> entries = image.entries;
    for (std::uint32_t hops = 0; image.next != 0 && hops < pages.pageCount(); ++hops) {
        image = readAndRewrite(pages, image.next, where);
        entries.insert(entries.end(), image.entries.begin(), image.entries.end());
    }
    for (std::size_t i = 1; i < entries.size(); ++i)
        ASSERT_LT(jet::indexEntryBytes(entries[i - 1], true), jet::indexEntryBytes(entries[i], true))
            << where << " entrée " << i;
    const long long skipped = index.ignoresNulls() ? allNullRows(under.db.get(), table, columns) : 0;
    EXPECT_EQ(static_cast<long long>(entries.size()), static_cast<long long>(layout.rowCount) - skipped) << where;
    for (const jet::JetIndexEntry& entry : entries) {
        Bytes row, key;
        ASSERT_TRUE(rowAt(pages, entry.row, row, *layout.format)) << where << " ligne " << entry.row.page << ":" << entry.row.row;
        const bool known = jet::rowIndexKey(row, columns, key, *layout.format);
        if (text && !known) {
            ++tally.unknownText;
            for (char16_t c : keyTexts(row, columns, *layout.format))
                if (!characterKnown(c, *layout.format))
                    tally.unknown.insert(c);
            continue;
        }
        ASSERT_TRUE(known) << where;
        tally.textKeys += text ? 1 : 0;
        tally.descendingTextKeys += descendingText ? 1 : 0;
        ASSERT_EQ(key, entry.key) << where << " ligne " << entry.row.page << ":" << entry.row.row;
        for (char16_t c : keyTexts(row, columns, *layout.format))
            tally.verified.insert(c);
    }
}

}  // namespace

IndexTally checkFileIndexes(const std::string& path, const std::string& name)
{
    IndexTally tally;
    FileUnderTest under;
    std::string error;
    under.file = jet::JetFile::open(path, error);
    EXPECT_NE(under.file, nullptr) << name << " : " << error;
    if (under.file == nullptr)
        return tally;
    // The version byte says the page size: 0 for Jet 3 (2 KB), Jet 4 (4 KB) otherwise.
    Bytes bytes = readBytes(path);
    const std::size_t pageSize = bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
    under.pages = std::make_unique<MemoryPages>(std::move(bytes), pageSize);
    under.db = attached(path);
    for (const jet::JetTable& table : under.file->tables()) {
        if (table.system)
            continue;
        jet::JetTableLayout layout;
        std::vector<jet::JetRealIndex> indexes;
        EXPECT_TRUE(jet::readTableLayout(*under.pages, table.definitionPage, layout, error)) << error;
        EXPECT_TRUE(jet::readRealIndexes(*under.pages, table.definitionPage, indexes, error, *layout.format))
            << error;
        EXPECT_EQ(indexes.size(), layout.indexCount) << name << " " << table.name;
        for (std::size_t i = 0; i < indexes.size(); ++i)
            checkIndex(under, table.name, layout, indexes[i], name + " " + table.name + " index " + std::to_string(i),
                       tally);
    }
    return tally;
}

}  // namespace kervane::test
