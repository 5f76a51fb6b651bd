// "Encoded" Access 97 and 2000 files (every page but the header enciphered under the file's
// key), copies of db97-enc.mdb and db-enc.mdb: read as their README states, changed in
// transactions (rows added, some undone, an index made), read back right after reopening, and
// still encoded: their pages stay enciphered on disk.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/ChildProcess.h"
#include "tests/driver/jet/JetTestSupport.h"

#include <odbcinst.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

namespace kervane::test {
namespace {

constexpr int kRowsATransaction = 40;
constexpr int kFirstValue = 1000;

// The writer's program: transactions of 40 rows one after the other until it is killed.
bool writeUntilKilled(const std::string& file)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file)) ||
        !SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF)))
        return false;
    for (int t = 0;; ++t) {
        Instruction stmt(connexion);
        for (int i = 0; i < kRowsATransaction; ++i) {
            const int value = kFirstValue + t * kRowsATransaction + i;
            if (!SQL_SUCCEEDED(stmt.exec("INSERT INTO Table1 (col1, col2) VALUES ('ligne " + std::to_string(value) +
                                         "', " + std::to_string(value) + ")")))
                return false;
            stmt.close();
        }
        if (!SQL_SUCCEEDED(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT)))
            return false;
    }
}

class JetEncodedTest : public JetCopyTest, public ::testing::WithParamInterface<const char*> {
protected:
    // A file keyword through the installer (CREATE_DB, COMPACT_DB…).
    static bool install(const std::string& keyword)
    {
        std::string entry = keyword;
        entry.append(2, '\0');
        return SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, entry.c_str());
    }
};

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
    {
        Session again(accessFile(file));
        EXPECT_EQ(number(again, "SELECT count(*) FROM Table1"), 1002);
        EXPECT_EQ(number(again, "SELECT sum(col2) FROM Table1"), 499542);  // 42 + 0 + 1 + … + 999
        EXPECT_EQ(select(again, "SELECT col1 FROM Table1 WHERE col2 = 777"),
                  (std::vector<Row>{{"this is the value of col1 777"}}));
        EXPECT_EQ(number(again, "SELECT count(*) FROM Table1 WHERE col2 < 0"), 0);
    }
    // Still encoded: the header, which holds the key, as it was; the catalogue's definition
    // page does not show its definition mark (0x02) on disk.
    const std::vector<unsigned char> now = readBytes(file);
    ASSERT_GT(now.size(), 3 * pageSize);
    EXPECT_TRUE(std::equal(header.begin() + 0x18, header.begin() + 0x98, now.begin() + 0x18));
    EXPECT_NE(now[2 * pageSize], 0x02);
    EXPECT_GT(now.size(), header.size());  // the rows took new pages, enciphered too
    // A compacted copy is encoded under the same key, its rows the same.
    const std::string compacted = file + ".compactée.mdb";
    ASSERT_TRUE(install("COMPACT_DB=\"" + file + "\" \"" + compacted + "\""));
    const std::vector<unsigned char> copy = readBytes(compacted);
    EXPECT_TRUE(std::equal(header.begin() + 0x3e, header.begin() + 0x42, copy.begin() + 0x3e));
    EXPECT_NE(copy[2 * pageSize], 0x02);
    Session compactedSession(accessFile(compacted));
    EXPECT_EQ(number(compactedSession, "SELECT sum(col2) FROM Table1"), 499542);
}

// ENCRYPT: a new database, or the compacted copy of a plain one, made encoded; both take rows
// and read them back.
TEST_F(JetEncodedTest, EncryptMakesEncodedDatabases)
{
    JET_COPY_OR_SKIP(plain, "jet/testV2000.mdb");
    const std::string made = path("neuve.mdb"), made97 = path("neuve97.mdb"), compacted = path("compactée.mdb");
    ASSERT_TRUE(install("CREATE_DB=\"" + made + "\" ENCRYPT"));
    ASSERT_TRUE(install("CREATE_DBV3=\"" + made97 + "\" General ENCRYPT"));
    ASSERT_TRUE(install("COMPACT_DB=\"" + plain + "\" \"" + compacted + "\" ENCRYPT"));
    for (const auto& [file, pageSize] : {std::pair{made, 4096}, std::pair{made97, 2048}, std::pair{compacted, 4096}}) {
        SCOPED_TRACE(file);
        EXPECT_NE(readBytes(file)[2 * static_cast<std::size_t>(pageSize)], 0x02);  // the catalogue enciphered
        {
            Session session(accessFile(file));
            change(session, "CREATE TABLE Essai (n LONG PRIMARY KEY, t TEXT(20))");
            change(session, "INSERT INTO Essai VALUES (1, 'Été')");
        }
        Session again(accessFile(file));
        EXPECT_EQ(select(again, "SELECT n, t FROM Essai"), (std::vector<Row>{{"1", "Été"}}));
        EXPECT_EQ(exportedRows(file, "Essai"), 1);  // mdb-export deciphers the pages on its own
    }
    Session copied(accessFile(compacted));
    EXPECT_EQ(number(copied, "SELECT count(*) FROM Table1"), 2);
}

// A writer killed (SIGKILL) at random moments while it commits to an encoded copy: the next
// connection finds whole transactions only, read through the cipher, and the file still encoded.
TEST_P(JetEncodedTest, AWriterKilledAnywhereLeavesWholeTransactions)
{
    JET_COPY_OR_SKIP(original, std::string("crypt/") + GetParam());
    const std::vector<unsigned char> header = readBytes(original);
    const std::string file = path("victime.mdb");
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delay(30, 500);
    long long transactions = 0;
    for (int run = 0; run < 8 && !HasFailure(); ++run) {
        SCOPED_TRACE("arrêt " + std::to_string(run));
        std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
        {
            ChildProcess writer([&] { return writeUntilKilled(file); });
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
            writer.kill();
            writer.wait();
        }
        Environnement env;
        Connexion session(env);
        const SQLRETURN connected = connectTo(session, file);
        ASSERT_TRUE(SQL_SUCCEEDED(connected)) << diagRec(SQL_HANDLE_DBC, session.handle()).message;
        EXPECT_EQ(connected, SQL_SUCCESS) << diagRec(SQL_HANDLE_DBC, session.handle()).message;
        const long long added = number(session, "SELECT count(*) FROM Table1 WHERE col2 >= " +
                                                    std::to_string(kFirstValue));
        EXPECT_EQ(added % kRowsATransaction, 0) << "une transaction à moitié écrite";
        transactions += added / kRowsATransaction;
        // Every row reads back whole: 42 for the file's own rows, then the sum of the values added.
        const long long last = kFirstValue + added - 1;
        EXPECT_EQ(number(session, "SELECT sum(col2) FROM Table1"), 42 + (kFirstValue + last) * added / 2);
        session.disconnect();
        EXPECT_FALSE(std::filesystem::exists(file + ".kvj")) << "journal laissé";
        const std::vector<unsigned char> now = readBytes(file);
        EXPECT_TRUE(std::equal(header.begin() + 0x18, header.begin() + 0x98, now.begin() + 0x18));
    }
    EXPECT_GT(transactions, 0) << "aucune transaction n'a atteint sa validation : les arrêts sont venus trop tôt";
}

INSTANTIATE_TEST_SUITE_P(Files, JetEncodedTest, ::testing::Values("db97-enc.mdb", "db-enc.mdb"),
                         [](const auto& parameter) {
                             std::string name = parameter.param;
                             return name.substr(0, name.find('.')) == "db97-enc" ? "Access97" : "Access2000";
                         });

}  // namespace
}  // namespace kervane::test
