// Index pages of Jet 4 files: every index of the genuine test files whose key
// columns are numbers, dates or Yes/No is walked from its root, and each entry's key must be
// the one encoded here from the row it points at; every page read must be written back to
// the same bytes; damaged pages are refused.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "driver/jet/JetDataPage.h"
#include "driver/jet/JetFile.h"
#include "driver/jet/JetIndexKey.h"
#include "driver/jet/JetIndexPage.h"
#include "driver/jet/JetIndexRoots.h"
#include "driver/jet/JetIndexText.h"
#include "driver/jet/JetRowReading.h"
#include "driver/jet/JetTableLayout.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

using namespace kervane;
using namespace kervane::test;

namespace {

using Bytes = std::vector<unsigned char>;

template <typename T>
Bytes stored(T value)
{
    Bytes bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));  // little-endian, as a row stores it
    return bytes;
}

struct Tally {
    int indexes = 0;
    long textKeys = 0;     // keys of text indexes compared with the page
    long unknownText = 0;  // rows whose text holds a character without a known code
    std::set<char16_t> verified;  // characters of the texts whose keys matched the page
};

// The texts of the row's text key columns.
std::u16string keyTexts(const Bytes& row, const std::vector<jet::JetKeyColumn>& columns)
{
    std::u16string all, one;
    for (const auto& part : columns) {
        std::size_t start = 0, end = 0;
        if (part.column->type == jet::JetType::Text && jet::variableData(row, *part.column, start, end) &&
            jet::decodeRowText(row.data() + start, end - start, one))
            all += one;
    }
    return all;
}

struct FileUnderTest {
    std::unique_ptr<jet::JetFile> file;
    std::unique_ptr<MemoryPages> pages;
    Connection db;
};

const jet::JetLayoutColumn* columnNumbered(const jet::JetTableLayout& layout, int number)
{
    for (const auto& column : layout.columns)
        if (column.number == number)
            return &column;
    return nullptr;
}

// The key columns of the index, or empty when one is of a type not encoded here.
std::vector<jet::JetKeyColumn> keyColumns(const jet::JetTableLayout& layout, const jet::JetRealIndex& index)
{
    std::vector<jet::JetKeyColumn> columns;
    for (const auto& part : index.columns) {
        const jet::JetLayoutColumn* column = columnNumbered(layout, part.number);
        if (column == nullptr || !jet::keyTypeKnown(column->type))
            return {};
        columns.push_back({column, part.descending});
    }
    return columns;
}

// The row's bytes, following an overflow pointer to where the row lies now.
bool rowAt(jet::JetPages& pages, jet::JetRowId id, Bytes& row)
{
    for (int hops = 0; hops < 4; ++hops) {
        const unsigned char* page = pages.read(id.page);
        jet::datapage::Slot slot;
        if (page == nullptr || page[0] != 0x01 || !jet::datapage::slot(page, id.row, slot) || slot.deleted)
            return false;
        row.assign(page + slot.start, page + slot.end);
        if (!slot.overflow)
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
    jet::JetIndexPageImage image;
    std::string error;
    const bool read = jet::readIndexPage(pages, number, image, error);
    EXPECT_TRUE(read) << where << " : " << error;
    if (!read)
        return image;
    const unsigned char* page = pages.read(number);
    Bytes copy(page, page + pages.pageSize());
    EXPECT_TRUE(jet::writeIndexPage(image, copy.data(), copy.size())) << where;
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), page)) << where << " page " << number << " réécrite autrement";
    return image;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

long long allNullRows(sqlite3* db, const std::string& table, const std::vector<jet::JetKeyColumn>& columns)
{
    std::string sql = "SELECT count(*) FROM " + quoted(table) + " WHERE 1";
    for (const auto& part : columns)
        sql += " AND " + quoted(part.column->name) + " IS NULL";
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
                const jet::JetRealIndex& index, const std::string& where, Tally& tally)
{
    const std::vector<jet::JetKeyColumn> columns = keyColumns(layout, index);
    if (columns.empty())
        return;
    ++tally.indexes;
    const bool text = std::any_of(columns.begin(), columns.end(),
                                  [](const jet::JetKeyColumn& c) { return c.column->type == jet::JetType::Text; });
    jet::JetPages& pages = *under.pages;
    jet::JetIndexPageImage image = readAndRewrite(pages, index.rootPage, where);
    for (int depth = 0; !image.leaf && depth < 8; ++depth) {
        checkIntermediateLevel(pages, image, where);
        ASSERT_FALSE(image.entries.empty()) << where;
        image = readAndRewrite(pages, image.entries.front().child, where);
    }
    ASSERT_TRUE(image.leaf) << where;
    std::vector<jet::JetIndexEntry> entries = image.entries;
    for (std::uint32_t next = image.next, hops = 0; next != 0 && hops < pages.pageCount(); ++hops) {
        image = readAndRewrite(pages, next, where);
        entries.insert(entries.end(), image.entries.begin(), image.entries.end());
        next = image.next;
    }
    for (std::size_t i = 1; i < entries.size(); ++i)
        ASSERT_LT(jet::indexEntryBytes(entries[i - 1], true), jet::indexEntryBytes(entries[i], true))
            << where << " entrée " << i;
    const long long skipped = index.ignoresNulls() ? allNullRows(under.db.get(), table, columns) : 0;
    EXPECT_EQ(static_cast<long long>(entries.size()), static_cast<long long>(layout.rowCount) - skipped) << where;
    for (const jet::JetIndexEntry& entry : entries) {
        Bytes row, key;
        ASSERT_TRUE(rowAt(pages, entry.row, row)) << where << " ligne " << entry.row.page << ":" << entry.row.row;
        const bool known = jet::rowIndexKey(row, columns, key);
        if (text && !known) {
            ++tally.unknownText;
            continue;
        }
        ASSERT_TRUE(known) << where;
        tally.textKeys += text ? 1 : 0;
        ASSERT_EQ(key, entry.key) << where << " ligne " << entry.row.page << ":" << entry.row.row;
        for (char16_t c : keyTexts(row, columns))
            tally.verified.insert(c);
    }
}

}  // namespace

namespace {

// Checks every index of the file's own tables whose key columns are encoded here; the number
// of indexes checked.
Tally checkFileIndexes(const std::string& path, const std::string& name)
{
    Tally tally;
    FileUnderTest under;
    std::string error;
    under.file = jet::JetFile::open(path, error);
    EXPECT_NE(under.file, nullptr) << name << " : " << error;
    if (under.file == nullptr)
        return tally;
    under.pages = std::make_unique<MemoryPages>(readBytes(path));
    under.db = attached(path);
    for (const jet::JetTable& table : under.file->tables()) {
        if (table.system)
            continue;
        jet::JetTableLayout layout;
        std::vector<jet::JetRealIndex> indexes;
        EXPECT_TRUE(jet::readTableLayout(*under.pages, table.definitionPage, layout, error)) << error;
        EXPECT_TRUE(jet::readRealIndexes(*under.pages, table.definitionPage, indexes, error)) << error;
        EXPECT_EQ(indexes.size(), layout.indexCount) << name << " " << table.name;
        for (std::size_t i = 0; i < indexes.size(); ++i)
            checkIndex(under, table.name, layout, indexes[i], name + " " + table.name + " index " + std::to_string(i),
                       tally);
    }
    return tally;
}

}  // namespace

// Every index of number, date or Yes/No columns of the genuine Access 2000 files: entries in
// strictly ascending order, one per row (rows whose key is all Null left out where the index
// ignores them), each key the encoding of the row it points at; each page read rewritten whole.
TEST(JetIndexPages, GenuineIndexesMatchTheirRows)
{
    const std::vector<std::string> names{"indexTestV2000.mdb",       "compIndexTestV2000.mdb",
                                         "bigIndexTestV2000.mdb",    "indexCursorTestV2000.mdb",
                                         "testIndexPropertiesV2000.mdb", "testV2000.mdb",
                                         "test2V2000.mdb",           "delTestV2000.mdb",
                                         "overflowTestV2000.mdb",    "testPromotionV2000.mdb"};
    int files = 0;
    Tally all;
    for (const std::string& name : names) {
        const std::string path = testDataPath("jet/" + name);
        if (path.empty())
            continue;
        ++files;
        const Tally tally = checkFileIndexes(path, name);
        all.indexes += tally.indexes;
        all.textKeys += tally.textKeys;
        all.unknownText += tally.unknownText;
        all.verified.insert(tally.verified.begin(), tally.verified.end());
    }
    if (files == 0)
        GTEST_SKIP() << "fichiers jet/*V2000.mdb absents : KERVANE_TEST_DATA ne désigne pas le dossier "
                        "des bases de test";
    EXPECT_GT(all.indexes, 0);
    EXPECT_GT(all.textKeys, 0);
    // Every character given a code was met in a text key Access wrote.
    for (char16_t c : jet::knownKeyCharacters())
        EXPECT_EQ(all.verified.count(c), 1u) << "caractère " << static_cast<int>(c) << " jamais vérifié";
}

// The same checks on nwind's tables copied sixteen times into an Access 2000 file by jetgen:
// trees of several levels (Orders, Order Details), dates with Nulls (ShippedDate), a key of
// two columns, entries sharing a prefix.
TEST(JetIndexPages, GrownNwindIndexesMatchTheirRows)
{
    REQUIRE_NWIND(nwind);
    const std::string jetgen = jetToolsFolder().empty() ? std::string() : jetToolsFolder() + "/jetgen";
    if (jetgen.empty() || !haveProgram("java"))
        GTEST_SKIP() << "jetgen ou java absent : la copie agrandie de nwind ne peut pas être fabriquée";
    QTemporaryDir folder;
    const std::string path = folder.filePath("nwind16.mdb").toStdString();
    int status = 0;
    runTool(jetgen, {"grow", nwind, path, "16"}, status);
    ASSERT_EQ(status, 0) << "jetgen grow a échoué";
    const Tally tally = checkFileIndexes(path, "nwind16.mdb");
    EXPECT_GE(tally.indexes, 8);
    EXPECT_GT(tally.textKeys, 0);
}

namespace {

// The first leaf page of the file with several entries, the one with a prefix preferred.
Bytes genuineLeafPage(const Bytes& file)
{
    Bytes chosen;
    for (std::size_t at = 0; at + 4096 <= file.size(); at += 4096) {
        const unsigned char* page = file.data() + at;
        jet::JetIndexPageImage image;
        std::string error;
        if (page[0] != jet::indexpage::kLeaf || !jet::readIndexPage(page, 4096, image, error) ||
            image.entries.size() < 3)
            continue;
        if (chosen.empty() || image.prefixLength > 0)
            chosen.assign(page, page + 4096);
        if (image.prefixLength > 0)
            break;
    }
    return chosen;
}

bool refused(const Bytes& page, std::size_t size)
{
    jet::JetIndexPageImage image;
    std::string error;
    const bool read = jet::readIndexPage(page.data(), size, image, error);
    EXPECT_TRUE(read || !error.empty());
    EXPECT_TRUE(read || image.entries.empty());
    return !read;
}

void mark(Bytes& page, int end, bool on)
{
    unsigned char& byte = page[static_cast<std::size_t>(jet::indexpage::kBitmap + end / 8)];
    byte = static_cast<unsigned char>(on ? byte | (1u << (end % 8)) : byte & ~(1u << (end % 8)));
}

}  // namespace

// Damaged copies of a genuine leaf page are refused with a message, never read past the image:
// a prefix longer than the first entry, a bitmap missing its last mark or marking past the
// page, an entry shorter than its row pointer, an image cut short, a page of another kind.
TEST(JetIndexPages, DamagedPagesRefused)
{
    REQUIRE_FILE(path, "jet/compIndexTestV2000.mdb");
    const Bytes genuine = genuineLeafPage(readBytes(path));
    ASSERT_FALSE(genuine.empty());
    jet::JetIndexPageImage image;
    std::string error;
    ASSERT_TRUE(jet::readIndexPage(genuine.data(), genuine.size(), image, error)) << error;
    const int firstEnd = static_cast<int>(jet::indexEntryBytes(image.entries[0], true).size());
    const int lastEnd = static_cast<int>(4096 - jet::indexpage::kFirstEntry - image.freeSpace);

    Bytes longPrefix = genuine;
    longPrefix[jet::indexpage::kPrefixLength] = static_cast<unsigned char>(firstEnd + 1);
    EXPECT_TRUE(refused(longPrefix, 4096));
    Bytes lastMarkLost = genuine;
    mark(lastMarkLost, lastEnd, false);
    EXPECT_TRUE(refused(lastMarkLost, 4096));
    Bytes pastThePage = genuine;
    mark(pastThePage, 4096 - jet::indexpage::kFirstEntry + 4, true);
    EXPECT_TRUE(refused(pastThePage, 4096));
    Bytes tinyEntry = genuine;  // a second entry of two bytes, no prefix to complete it
    tinyEntry[jet::indexpage::kPrefixLength] = 0;
    mark(tinyEntry, firstEnd + 2, true);
    EXPECT_TRUE(refused(tinyEntry, 4096));
    const Bytes cut(genuine.begin(), genuine.begin() + 1000);  // marks beyond the image's end
    EXPECT_TRUE(refused(cut, cut.size()));
    const Bytes header(genuine.begin(), genuine.begin() + 100);
    EXPECT_TRUE(refused(header, header.size()));
    Bytes dataPage = genuine;
    dataPage[0] = 0x01;
    EXPECT_TRUE(refused(dataPage, 4096));
    MemoryPages onePage(genuine);
    jet::JetIndexPageImage outside;
    EXPECT_FALSE(jet::readIndexPage(onePage, 1, outside, error));
}

// Entries written with the prefix they share are read back the same; a prefix they do not
// share, or entries past the page's room, are refused with the page left as it was.
TEST(JetIndexPages, EntriesWrittenAndReadBack)
{
    jet::JetIndexPageImage image;
    image.leaf = false;
    image.owner = 7;
    image.previous = 40;
    image.next = 42;
    image.tail = 99;
    for (int i = 0; i < 20; ++i) {
        jet::JetIndexEntry entry;
        jet::appendKeyColumn(entry.key, jet::JetType::Long, false, stored<std::int32_t>(1000 + i).data());
        entry.row = {static_cast<std::uint32_t>(300 + i), i % 3};
        entry.child = static_cast<std::uint32_t>(500 + i);
        image.entries.push_back(entry);
    }
    image.prefixLength = jet::sharedPrefixLength(image.entries, false);
    EXPECT_EQ(image.prefixLength, 4);  // flag and the three high bytes of 1000..1019
    Bytes page(4096, 0);
    ASSERT_TRUE(jet::writeIndexPage(image, page.data(), page.size()));
    jet::JetIndexPageImage back;
    std::string error;
    ASSERT_TRUE(jet::readIndexPage(page.data(), page.size(), back, error)) << error;
    EXPECT_FALSE(back.leaf);
    EXPECT_EQ(back.entries, image.entries);
    EXPECT_EQ(std::make_tuple(back.owner, back.previous, back.next, back.tail, back.prefixLength),
              std::make_tuple(7u, 40u, 42u, 99u, 4));
    // Whole entries are 5 + 4 + 4 bytes; the first is stored whole, the others 4 bytes shorter.
    EXPECT_EQ(back.freeSpace, 4096 - 480 - (13 + 19 * 9));

    const Bytes before = page;
    jet::JetIndexPageImage unshared = image;
    unshared.prefixLength = 5;
    EXPECT_FALSE(jet::writeIndexPage(unshared, page.data(), page.size()));
    jet::JetIndexPageImage crowded = image;
    crowded.prefixLength = 0;
    crowded.entries.resize(3616 / 13 + 1, image.entries[0]);
    EXPECT_FALSE(jet::indexEntriesFit(crowded.entries, false, 0, 4096));
    EXPECT_FALSE(jet::writeIndexPage(crowded, page.data(), page.size()));
    EXPECT_EQ(page, before);
    crowded.entries.resize(3616 / 13);
    EXPECT_TRUE(jet::indexEntriesFit(crowded.entries, false, 0, 4096));

    // Entries out of order are written (the writer's business) but refused when read.
    jet::JetIndexPageImage swapped = image;
    swapped.prefixLength = 0;
    std::swap(swapped.entries[3], swapped.entries[4]);
    ASSERT_TRUE(jet::writeIndexPage(swapped, page.data(), page.size()));
    EXPECT_FALSE(jet::readIndexPage(page.data(), page.size(), back, error));
    EXPECT_TRUE(back.entries.empty());
}
