// Indexes of Access 97 tables kept by the writer: rows inserted, changed and removed in copies of
// genuine files, then every index walked from its root (each entry's key the one encoded from its
// row, entries in order and one per row, each page rewritten to the same bytes). A text whose key
// cannot be encoded is refused, the pages unchanged.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/write/JetTableWriter.h"
#include "JetIndexWalk.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

namespace {

using jet::JetFieldValue;

// A copy of an Access 97 file in memory, the writer of one of its tables open on it.
struct Access97Copy {
    QTemporaryDir folder;
    std::string path;
    std::unique_ptr<MemoryPages> pages;
    jet::JetTableWriter writer;
};

// Opens the writer of `table` on the file's pages in memory; false when the file is absent.
bool openCopy(const std::string& relative, const std::string& table, Access97Copy& copy)
{
    const std::string source = testDataPath(relative);
    if (source.empty())
        return false;
    std::string error;
    const auto file = jet::JetFile::open(source, error);
    const jet::JetTable* found = file ? file->table(table) : nullptr;
    EXPECT_NE(found, nullptr) << table << " : " << error;
    copy.path = copy.folder.filePath("copie.mdb").toStdString();
    copy.pages = std::make_unique<MemoryPages>(readBytes(source), 2048);
    EXPECT_TRUE(found && jet::JetTableWriter::open(*copy.pages, found->definitionPage, table, copy.writer, error)) << error;
    return true;
}

#define OPEN_COPY(copy, relative, table)                                                           \
    Access97Copy copy;                                                                             \
    if (!openCopy(relative, table, copy))                                                          \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test"; \
    ASSERT_FALSE(HasFailure());                                                                    \
    jet::JetTableWriter& writer = copy.writer

JetFieldValue whole(std::int64_t n)
{
    return JetFieldValue::of(n);
}

JetFieldValue text(const std::string& t)
{
    return JetFieldValue::of(t);
}

}  // namespace

// compIndexTestV1997's Table1: a descending index on a Long over two levels of pages. Rows with
// scattered keys split leaves in their middle; some are removed and others given new keys.
TEST(Jet3IndexWrites, ATwoLevelDescendingIndexStaysExact)
{
    OPEN_COPY(copy, "jet/compIndexTestV1997.mdb", "Table1");
    std::string error;
    std::vector<jet::JetRowId> added;
    for (int i = 0; i < 900; ++i) {
        jet::JetRowId where;
        ASSERT_TRUE(writer.insert({whole(-5000 + (i * 7919L) % 20011), text("agent " + std::to_string(i)), text("x")},
                                  where, error))
            << i << " : " << error;
        added.push_back(where);
    }
    for (std::size_t i = 0; i < added.size(); i += 3)
        ASSERT_TRUE(writer.remove(added[i], error)) << i << " : " << error;
    for (std::size_t i = 1; i < added.size(); i += 7) {
        if (i % 3 == 0)  // removed above
            continue;
        ASSERT_TRUE(writer.update(added[i], {whole(100000 + static_cast<std::int64_t>(i)), text("changé"), text("y")},
                                  error))
            << i << " : " << error;
    }
    writeBytes(copy.path, copy.pages->bytes());
    EXPECT_EQ(checkFileIndexes(copy.path, "compIndexTestV1997.mdb").indexes, 1);
}

// testV1997's Table3 is empty: its primary key and its index on the same Long grow from an empty
// leaf to two levels, then are emptied again.
TEST(Jet3IndexWrites, AnEmptyIndexGrowsAndEmptiesAgain)
{
    OPEN_COPY(copy, "jet/testV1997.mdb", "Table3");
    std::string error;
    std::vector<jet::JetRowId> added;
    for (int i = 0; i < 700; ++i) {
        jet::JetRowId where;
        ASSERT_TRUE(writer.insert({whole(1 + (i * 389) % 701), text("ligne " + std::to_string(i))}, where, error))
            << i << " : " << error;
        added.push_back(where);
    }
    writeBytes(copy.path, copy.pages->bytes());
    // Every index of the file but that of Table4, on a replication ID.
    EXPECT_EQ(checkFileIndexes(copy.path, "testV1997.mdb").indexes, 9);
    for (const jet::JetRowId& where : added)
        ASSERT_TRUE(writer.remove(where, error)) << error;
    writeBytes(copy.path, copy.pages->bytes());
    EXPECT_EQ(checkFileIndexes(copy.path, "testV1997.mdb").indexes, 9);
}

// testIndexCodesV1997's Table11: an ascending and a descending index on a text column, and a
// primary key on its AutoNumber. Texts with accents, ligatures, the sharp s and capitals are
// added, some changed, some removed; a text holding NUL, whose code is not known, is refused.
TEST(Jet3IndexWrites, TextKeysInBothOrdersStayExact)
{
    OPEN_COPY(copy, "jet/testIndexCodesV1997.mdb", "Table11");
    std::string error;
    const std::vector<std::string> words{"Été", "été", "ETE", "Œuvre", "œuvre", "cœur", "Zoë", "naïve", "façade",
                                         "Ångström", "élan ", "a-b", "a b", "€ 5", "Ça", "ça", "", "ÿ", "Straße"};
    std::vector<jet::JetRowId> added;
    for (int round = 0; round < 30; ++round)
        for (const std::string& word : words) {
            jet::JetRowId where;
            ASSERT_TRUE(writer.insert({JetFieldValue::null(), text(word + std::to_string(round % 7))}, where, error))
                << word << " : " << error;
            added.push_back(where);
        }
    for (std::size_t i = 0; i < added.size(); i += 5)
        ASSERT_TRUE(writer.remove(added[i], error)) << error;
    for (std::size_t i = 2; i < added.size(); i += 5)
        ASSERT_TRUE(writer.update(added[i], {JetFieldValue::null(), text("Déjà vu " + std::to_string(i))}, error))
            << error;
    const std::vector<unsigned char> before = copy.pages->bytes();
    jet::JetRowId where;
    EXPECT_FALSE(writer.insert({JetFieldValue::null(), text(std::string("a\0b", 3))}, where, error));
    EXPECT_NE(error.find("ordre de tri n'est pas connu"), std::string::npos) << error;
    EXPECT_EQ(copy.pages->bytes(), before);
    writeBytes(copy.path, copy.pages->bytes());
    const IndexTally tally = checkFileIndexes(copy.path, "testIndexCodesV1997.mdb");
    EXPECT_GT(tally.descendingTextKeys, 0);
    for (const int byte : {0xc9, 0xe9, 0x8c, 0x9c, 0xeb, 0xef, 0xe7, 0xc5, 0x80, 0xc7, 0xff, 0xdf})
        EXPECT_EQ(tally.verified.count(static_cast<char16_t>(byte)), 1u) << "octet " << byte;
}
