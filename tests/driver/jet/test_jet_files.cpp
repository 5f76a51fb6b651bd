#include "JetTestSupport.h"

#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

// Small genuine Access files, read for the values their description states.
using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

void putUInt16(std::vector<unsigned char>& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<unsigned char>(value & 0xff);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

std::uint32_t uint32At(const std::vector<unsigned char>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
}

}  // namespace

TEST(JetFiles, DecimalColumnsKeepPrecisionScaleAndExactValues)
{
    REQUIRE_FILE(path, "jet/fixedNumericTestV2000.mdb");
    Connection db = attached(path);
    const auto types = rowsOf(db.get(), "SELECT name, type FROM pragma_table_info('test')");
    ASSERT_EQ(types.size(), 7u);
    for (std::size_t i = 1; i < types.size(); ++i)
        EXPECT_EQ(types[i][1], "DECIMAL(18,0)") << types[i][0];
    const auto rows = rowsOf(db.get(), "SELECT col1, col2, col3, col4, col5, col6, col7, typeof(col2) FROM test");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"some data", "1", "0", "0", "4", "-1", "1", "text"}));
}

TEST(JetFiles, YesNoTrueIsMinusOneAndValuesAsStated)
{
    for (const char* file : {"jet/testV1997.mdb", "jet/testV2000.mdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_FILE(path, file);
        Connection db = attached(path);
        EXPECT_EQ(single(db.get(), "SELECT A FROM Table1 WHERE I = -1"), "abcdefg");
        EXPECT_EQ(single(db.get(), "SELECT A FROM Table1 WHERE I = 0"), "a");
        const auto rows = rowsOf(db.get(), "SELECT A, B, C, D, E, F, G, H + 0 = 3.5, I FROM Table1 ORDER BY E DESC");
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"abcdefg", "hijklmnop", "2", "222", "333333333", "444.555",
                                                     "1974-09-21 00:00:00", "1", "-1"}));
        EXPECT_EQ(rows[1], (std::vector<std::string>{"a", "b", "0", "0", "0", "0.0", "1981-12-12 00:00:00", "0", "0"}));
    }
}

TEST(JetFiles, TextsCompareAndSortInAccessOrder)
{
    REQUIRE_FILE(path, "jet/testV2000.mdb");
    Connection db = attached(path);
    // Case does not count, and "b" sorts before "H" whatever the byte values say.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Table1 WHERE A = 'ABCDEFG'"), "1");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Table1 WHERE A < 'B'"), "2");
    EXPECT_EQ(single(db.get(), "SELECT group_concat(B) FROM Table1 WHERE B > 'H'"), "hijklmnop");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM (SELECT DISTINCT A FROM Table1 WHERE A IN ('A', 'ABCDEFG'))"), "2");

    REQUIRE_FILE(numeric, "jet/fixedNumericTestV2000.mdb");
    Connection memo = attached(numeric);
    EXPECT_EQ(single(memo.get(), "SELECT count(*) FROM test WHERE col1 = 'SOME DATA'"), "1");
}

TEST(JetFiles, SystemTablesReadOnlyAndReadable)
{
    REQUIRE_FILE(path, "jet/queryTestV2000.mdb");
    Connection db = attached(path);
    // Nine stored queries: nine query objects (Type 5), each described in MSysQueries.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM MSysObjects WHERE Type = 5"), "9");
    EXPECT_EQ(single(db.get(), "SELECT count(DISTINCT ObjectId) FROM MSysQueries"), "9");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM MSysObjects WHERE Name IN ('Table1', 'MSysQueries')"), "2");
    std::vector<std::vector<std::string>> rows;
    std::string error;
    EXPECT_FALSE(query(db.get(), "DELETE FROM MSysObjects", rows, error));
    // The shared file is marked read-only; a writable copy would refuse the system table itself.
    EXPECT_TRUE(error.find("protégé en écriture") != std::string::npos || error.find("table système") != std::string::npos)
        << error;
}

// A table's definition is read at its first use: a damaged one fails the statements that use
// that table, with a French message naming it, and leaves the other tables readable.
TEST(JetFiles, UnreadableTableFailsItsOwnStatementsOnly)
{
    REQUIRE_FILE(path, "jet/testV2000.mdb");
    // A table's Id in MSysObjects is the page of its definition.
    std::string acesPage;
    std::string tablePage;
    {
        Connection db = attached(path);
        acesPage = single(db.get(), "SELECT Id FROM MSysObjects WHERE Name = 'MSysACEs'");
        tablePage = single(db.get(), "SELECT Id FROM MSysObjects WHERE Name = 'Table1'");
    }
    const std::size_t pageSize = 4096;
    const auto original = readBytes(path);
    QTemporaryDir folder;
    const std::string copy = folder.path().toStdString() + "/abime.mdb";

    // The definition page of MSysACEs, then its data pages, made unreadable.
    auto definitionGone = original;
    definitionGone[std::stoul(acesPage) * pageSize] = 0x01;
    auto rowsGone = original;
    int damagedPages = 0;
    for (std::size_t at = 0; at < rowsGone.size(); at += pageSize) {
        if (rowsGone[at] == 0x01 && uint32At(rowsGone, at + 4) == std::stoul(acesPage)) {
            putUInt16(rowsGone, at + 0x0c, 0xffff);
            ++damagedPages;
        }
    }
    ASSERT_GT(damagedPages, 0);
    auto userGone = original;
    userGone[std::stoul(tablePage) * pageSize] = 0x01;
    const struct {
        const std::vector<unsigned char>* bytes;
        const char* damaged;
        const char* sound;
    } cases[] = {{&definitionGone, "MSysACEs", "Table1"}, {&rowsGone, "MSysACEs", "Table1"},
                 {&userGone, "Table1", "MSysObjects"}};
    for (const auto& damage : cases) {
        SCOPED_TRACE(damage.damaged);
        writeBytes(copy, *damage.bytes);
        Connection db = memoryConnection();
        std::string error;
        jet::JetFile* file = nullptr;
        ASSERT_TRUE(jet::attachJetDatabase(db.get(), copy, error, nullptr, &file)) << error;
        EXPECT_EQ(single(db.get(), std::string("SELECT count(*) FROM kervane_file_tables WHERE name = '") + damage.damaged + "'"),
                  "1");
        // The definition is read as the table is declared, when a statement first names it.
        std::vector<std::vector<std::string>> rows;
        error = declarationRefusal(db.get(), *file, damage.damaged);
        if (error.empty()) {
            EXPECT_FALSE(query(db.get(), std::string("SELECT * FROM ") + damage.damaged, rows, error));
        }
        EXPECT_NE(error.find(std::string("La table « ") + damage.damaged + " »"), std::string::npos) << error;
        EXPECT_NE(error.find("est endommagée"), std::string::npos) << error;
        jet::declareFileTables(db.get(), *file);
        EXPECT_TRUE(query(db.get(), std::string("SELECT count(*) FROM ") + damage.sound, rows, error)) << error;
    }
    // The sound file still gives Table1's two rows.
    writeBytes(copy, original);
    EXPECT_EQ(single(attached(copy).get(), "SELECT count(*) FROM Table1"), "2");
}
