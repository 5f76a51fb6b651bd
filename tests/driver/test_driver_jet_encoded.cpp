// "Encoded" Access 97 and 2000 files (every page but the header enciphered under the file's
// key), copies of db97-enc.mdb and db-enc.mdb: read as their README states, changed in
// transactions (rows added, some undone, an index made), read back right after reopening, and
// still encoded: their pages stay enciphered on disk.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/JetTestSupport.h"

#include <odbcinst.h>

#include <filesystem>

namespace kervane::test {
namespace {

class JetEncodedTest : public JetCopyTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(JetEncodedTest, ReadChangedAndStillEncoded)
{
    JET_COPY_OR_SKIP(file, std::string("crypt/") + GetParam());
    const std::size_t pageSize = std::string(GetParam()) == "db97-enc.mdb" ? 2048 : 4096;
    const std::vector<unsigned char> header = readBytes(file);
    {
        Session session(accessFile(file), true, false);
        EXPECT_EQ(select(session, "SELECT ID, col1, col2 FROM Table1 ORDER BY ID"),
                  (std::vector<Row>{{"1", "hello", "0"}, {"2", "world", "42"}}));
        for (int i = 0; i < 1000; ++i)
            change(session, "INSERT INTO Table1 (col1, col2) VALUES ('this is the value of col1 " + std::to_string(i) +
                                "', " + std::to_string(i) + ")");
        commit(session);
        change(session, "INSERT INTO Table1 (col1, col2) VALUES ('défait', -1)");
        EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
        change(session, "CREATE INDEX par_col2 ON Table1 (col2)");
        commit(session);
    }
    Session again(accessFile(file));
    EXPECT_EQ(number(again, "SELECT count(*) FROM Table1"), 1002);
    EXPECT_EQ(number(again, "SELECT sum(col2) FROM Table1"), 499542);  // 42 + 0 + 1 + … + 999
    EXPECT_EQ(select(again, "SELECT col1 FROM Table1 WHERE col2 = 777"),
              (std::vector<Row>{{"this is the value of col1 777"}}));
    EXPECT_EQ(number(again, "SELECT count(*) FROM Table1 WHERE col2 < 0"), 0);
    // Still encoded: the header, which holds the key, as it was; the catalogue's definition
    // page does not show its definition mark (0x02) on disk.
    const std::vector<unsigned char> now = readBytes(file);
    ASSERT_GT(now.size(), 3 * pageSize);
    EXPECT_TRUE(std::equal(header.begin() + 0x18, header.begin() + 0x98, now.begin() + 0x18));
    EXPECT_NE(now[2 * pageSize], 0x02);
    EXPECT_GT(now.size(), header.size());  // the rows took new pages, enciphered too
    // Compacting would make a copy no longer encoded: refused, nothing made.
    std::string entry = "COMPACT_DB=\"" + file + "\" \"" + file + ".compactée.mdb\"";
    entry.append(2, '\0');
    EXPECT_FALSE(SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, entry.c_str()));
    EXPECT_FALSE(std::filesystem::exists(file + ".compactée.mdb"));
}

INSTANTIATE_TEST_SUITE_P(Files, JetEncodedTest, ::testing::Values("db97-enc.mdb", "db-enc.mdb"),
                         [](const auto& parameter) {
                             std::string name = parameter.param;
                             return name.substr(0, name.find('.')) == "db97-enc" ? "Access97" : "Access2000";
                         });

}  // namespace
}  // namespace kervane::test
