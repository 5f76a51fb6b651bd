// Indexed tables of genuine Access files changed through the driver. After each commit jetcheck
// (Jackcess) walks every index, checks its order and its entry bytes against the rows, and
// finds every row through it; the driver and mdb-export count the same rows. Every file is a
// copy in the test's own folder.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kervane::test {
namespace {

constexpr std::size_t kPageSize = 4096;

class JetIndexWritesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent (../shared/tools/jetcheck)";
    }

    // nwind grown by jetgen into an Access 2002-2003 file: Order Details has number indexes
    // (OrderID, ProductID, both as primary key), Customers text ones. Empty when not made.
    std::string grownNwind()
    {
        const std::string grown = path("nwind2003.mdb");
        int status = -1;
        if (!nwindPath().empty())
            runTool(jetToolsFolder() + "/jetgen", {"grow", nwindPath(), grown, "1"}, status);
        return status == 0 ? grown : std::string();
    }

    // The counts of distinct keys the table definition on `page` keeps for its real indexes
    // (after the definition's header, twelve bytes each, the count at their fifth byte).
    static std::vector<long long> distinctCounts(const std::string& file, std::uint32_t page)
    {
        std::ifstream in(file, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const unsigned char* definition = bytes.data() + std::size_t{page} * kPageSize;
        auto dword = [definition](std::size_t at) {
            return static_cast<long long>(definition[at] | (definition[at + 1] << 8) | (definition[at + 2] << 16) |
                                          (static_cast<std::uint32_t>(definition[at + 3]) << 24));
        };
        std::vector<long long> counts;
        for (long long i = 0; i < dword(51); ++i)
            counts.push_back(dword(63 + 12 * static_cast<std::size_t>(i) + 4));
        std::sort(counts.begin(), counts.end());
        return counts;
    }
};

// Order Details grows from 2,155 to 6,155 rows, scattered keys splitting leaves in their middle
// and ascending ones at the end, then loses a range and has keys of another range changed.
TEST_F(JetIndexWritesTest, ThousandsOfRowsKeepNumberAndTextIndexesExact)
{
    const std::string file = grownNwind();
    if (file.empty())
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    Session connexion(accessFile(file), false, false);
    for (int i = 0; i < 4000; ++i) {
        const long orderId = i < 3000 ? 20000 + (i * 7919L) % 100003 : 200000 + i;
        change(connexion, "INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (" +
                              std::to_string(orderId) + ", " + std::to_string(1 + i % 77) + ", 1.5, 2, 0)");
    }
    change(connexion, "INSERT INTO Customers (CustomerID, CompanyName, City, PostalCode) "
                      "VALUES ('ÉTÉ01', 'Société d''Œuvres', 'Besançon', '25000')");
    commit(connexion);
    const long long removed = number(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID BETWEEN 10300 AND 10600");
    ASSERT_GT(removed, 0);
    change(connexion, "DELETE FROM [Order Details] WHERE OrderID BETWEEN 10300 AND 10600");
    change(connexion, "UPDATE [Order Details] SET ProductID = ProductID + 100 WHERE OrderID BETWEEN 10700 AND 10900");
    change(connexion, "UPDATE Customers SET City = 'Saint-Étienne', Region = NULL WHERE Country = 'France'");
    change(connexion, "DELETE FROM Customers WHERE Country = 'Germany'");
    commit(connexion);

    const long long rows = 2155 + 4000 - removed;
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM [Order Details]"), rows);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    std::vector<long long> distinct{
        number(connexion, "SELECT count(*) FROM (SELECT DISTINCT ProductID FROM [Order Details])"),
        number(connexion, "SELECT count(*) FROM (SELECT DISTINCT OrderID FROM [Order Details])"), rows};
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(distinctCounts(file, 122), distinct)
        << "the definition counts the distinct keys of ProductID, OrderID and the primary key";
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    int status = 0;
    const std::string exported = runTool("mdb-export", {"-H", file, "Order Details"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), rows);
}

// Orders rewritten whole 16 times, each time committed, ShipName alternately longer (a little
// more each time) and short: a row that outgrows its place grows where its page has room once
// laid again, else moves, and later rows take the bytes moved and deleted rows leave. The file
// stays within twice its size; every reader finds the rows and jetcheck their indexes.
TEST_F(JetIndexWritesTest, RepeatedWholeTableUpdatesKeepTheFileWithinTwiceItsSize)
{
    const std::string file = grownNwind();
    if (file.empty())
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    const auto before = std::filesystem::file_size(file);
    Session connexion(accessFile(file), false, false);
    for (int round = 0; round < 16; ++round) {
        const auto length = static_cast<std::size_t>(round % 2 == 0 ? 24 + round : 8);
        change(connexion, "UPDATE Orders SET ShipName = '" + std::string(length, static_cast<char>('a' + round)) + "'");
        commit(connexion);
    }
    EXPECT_LE(std::filesystem::file_size(file), 2 * before);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders WHERE ShipName = 'pppppppp'"), 830);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exportedRows(file, "Orders"), 830);
}

// Inside the transaction, an equality on an indexed column is looked up in the file's own index
// as the writer keeps it: the rows added, changed and removed by the transaction are found or not
// as a walk of the table would find them.
TEST_F(JetIndexWritesTest, LookupsInsideTheTransactionSeeItsChanges)
{
    const std::string file = grownNwind();
    if (file.empty())
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    Session connexion(accessFile(file), false, false);
    // Order 10248 has three lines (products 11, 42 and 72); order 10249 two.
    change(connexion, "INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) "
                      "VALUES (10248, 1, 1, 1, 0)");
    change(connexion, "DELETE FROM [Order Details] WHERE OrderID = 10249");
    change(connexion, "UPDATE [Order Details] SET OrderID = 10249 WHERE OrderID = 10248 AND ProductID = 42");
    const std::string lines = "SELECT ProductID FROM [Order Details] WHERE OrderID = ";
    EXPECT_EQ(select(connexion, lines + "10248 ORDER BY ProductID"), (std::vector<Row>{{"1"}, {"11"}, {"72"}}));
    EXPECT_EQ(select(connexion, lines + "10249"), (std::vector<Row>{{"42"}}));
    EXPECT_EQ(select(connexion, "SELECT count(*) FROM [Order Details] WHERE ProductID = 42"),
              select(connexion, "SELECT count(*) FROM [Order Details] WHERE ProductID + 0 = 42"));
    // A date key: the orders of 4 August 1994 (one, 10248), one more given that date.
    change(connexion, "UPDATE Orders SET OrderDate = #1994-08-04# WHERE OrderID = 10250");
    EXPECT_EQ(select(connexion, "SELECT OrderID FROM Orders WHERE OrderDate = #1994-08-04# ORDER BY OrderID"),
              (std::vector<Row>{{"10248"}, {"10250"}}));
    commit(connexion);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

// compIndexTestV2000's Table1 has a descending index on a Long column over two levels of pages.
TEST_F(JetIndexWritesTest, ATwoLevelDescendingIndexEmptiedThenFilledAgain)
{
    JET_COPY_OR_SKIP(file, "jet/compIndexTestV2000.mdb");
    Session connexion(accessFile(file), false, false);
    change(connexion, "DELETE FROM Table1");
    commit(connexion);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    for (int i = 0; i < 1500; ++i)
        change(connexion, "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (" + std::to_string(i * 3) + ", 'agent " +
                              std::to_string(i) + "')");
    commit(connexion);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1"), 1500);
    EXPECT_EQ(number(connexion, "SELECT max(CD_AGENTE) FROM Table1"), 4497);
}

// As Access: a unique index takes a key all Null any number of times and a key once otherwise,
// texts compared without case; a primary key takes no Null; an index ignoring Nulls holds no
// entry for a row whose key is all Null (jetcheck expects exactly those rows in it).
TEST_F(JetIndexWritesTest, UniqueRequiredAndIgnoreNullsIndexesAsAccessKeepsThem)
{
    JET_COPY_OR_SKIP(file, "jet/testIndexPropertiesV2000.mdb");
    Session connexion(accessFile(file), false, false);
    for (const char* row : {"('r1', 'a')", "('r2', NULL)", "('r3', NULL)"})
        change(connexion, std::string("INSERT INTO TableUnique1_temp ([row], data) VALUES ") + row);
    expectRefused(connexion, "INSERT INTO TableUnique1_temp ([row], data) VALUES ('r4', 'A')",
                  "doublons dans l'index sur « data »");
    expectRefused(connexion, "INSERT INTO TableUnique1_temp ([row], data) VALUES ('R1', 'b')",
                  "doublons dans la clé primaire (« row »)");
    expectRefused(connexion, "INSERT INTO TableUnique1_temp (data) VALUES ('c')",
                  "ne peut pas contenir une valeur Null");
    change(connexion, "INSERT INTO TableIgnoreNulls1 ([row], data) VALUES ('n1', NULL)");
    change(connexion, "INSERT INTO TableIgnoreNulls1 ([row], data) VALUES ('n2', 'présent')");
    change(connexion, "UPDATE TableIgnoreNulls1 SET data = NULL WHERE [row] = 'n2'");
    commit(connexion);

    EXPECT_EQ(select(connexion, "SELECT [row], data FROM TableUnique1_temp WHERE [row] LIKE 'r#' ORDER BY [row]"),
              (std::vector<Row>{{"r1", "a"}, {"r2", std::nullopt}, {"r3", std::nullopt}}));
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM TableIgnoreNulls1 WHERE data IS NULL AND [row] LIKE 'n*'"), 2);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

// In a transaction a refused statement is undone alone, even one that changed a row before it
// failed: the transaction's other statements are committed.
TEST_F(JetIndexWritesTest, ARefusedStatementIsUndoneAloneAndTheRestCommitted)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    Session connexion(accessFile(file), false, false);
    change(connexion, "INSERT INTO Table1 (A, B) VALUES ('k1', 'premier')");
    refusal(connexion, "INSERT INTO Table1 (A, B) VALUES ('abcdefg', 'double')");
    // Table1 holds three rows by now: the second one given the same key is refused.
    refusal(connexion, "UPDATE Table1 SET A = 'même'");
    change(connexion, "INSERT INTO Table1 (A, B) VALUES ('k2', 'dernier')");
    commit(connexion);

    Session again(accessFile(file), false);
    EXPECT_EQ(select(again, "SELECT A, B FROM Table1 ORDER BY A"),
              (std::vector<Row>{{"a", "b"}, {"abcdefg", "hijklmnop"}, {"k1", "premier"}, {"k2", "dernier"}}));
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

// Relationships whose integrity Access enforces (indexTestV2000: Table1 refers to Table2 and Table3;
// nwind, an Access 97 file: Order Details to Orders, Orders to Customers): a row referring to an
// existing row or to nothing (a Null) comes, a referenced row goes once nothing refers to it;
// jetcheck then finds a parent for every row that refers to one.
TEST_F(JetIndexWritesTest, RelationshipsAccessEnforcesAreKept)
{
    const std::string file = copyOf("jet/indexTestV2000.mdb");
    const std::string access97 = copyOf("nwind.mdb");
    if (file.empty() || access97.empty())
        GTEST_SKIP() << "KERVANE_TEST_DATA absent : jet/indexTestV2000.mdb ou nwind.mdb manque";
    {
        Session connexion(accessFile(file), false, false);
        change(connexion, "INSERT INTO Table1 (id, otherfk1, otherfk2, data) VALUES (4, 2, 12, 'relié')");
        change(connexion, "INSERT INTO Table1 (id, otherfk1, otherfk2, data) VALUES (5, NULL, NULL, 'seul')");
        change(connexion, "UPDATE Table1 SET otherfk1 = 0 WHERE id = 3");
        change(connexion, "DELETE FROM Table1 WHERE otherfk2 = 13");
        change(connexion, "DELETE FROM Table3 WHERE id = 13");  // nothing refers to it any more
        refusal(connexion, "UPDATE Table1 SET otherfk2 = 13 WHERE id = 4");
        commit(connexion);
        EXPECT_EQ(select(connexion, "SELECT id FROM Table3 ORDER BY id"), (std::vector<Row>{{"10"}, {"11"}, {"12"}}));
    }
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    {
        Session connexion(accessFile(access97), false, false);
        // Order Details refers to Products without cascade: product 11 is on order 10248.
        refusal(connexion, "DELETE FROM Products WHERE ProductID = 11");
        change(connexion, "DELETE FROM [Order Details] WHERE OrderID = 10248");
        change(connexion, "DELETE FROM Orders WHERE OrderID = 10248");
        commit(connexion);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders WHERE OrderID = 10248"), 0);
    }
    int status = 0;
    const std::string verdict = runTool(jetToolsFolder() + "/jetcheck", {"verify", "--user-only", access97}, status);
    EXPECT_EQ(verdict.find("FAIL"), std::string::npos) << verdict;
}

}  // namespace
}  // namespace kervane::test
