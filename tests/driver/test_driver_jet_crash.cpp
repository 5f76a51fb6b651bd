// A program writing into a genuine Access file through the driver, killed (SIGKILL) at a random
// moment, again and again, on an Access 2002-2003 file and on two Access 97 ones, nwind.mdb among
// them, whose usage maps must grow or move to map pages of their own from the first commit on:
// its transactions each add 40 rows to an indexed table and delete one row Access wrote (with
// the order lines its relationship deletes along with it, in nwind), create a table of their own
// and drop the previous transaction's. After each kill the next connection finds whole
// transactions only (rows added by 40, a row deleted for each 40, the last transaction's table
// alone), every index holding exactly the rows, each entry's key that of its row; jetcheck
// (Jackcess) verifies the file now and then.
// KERVANE_CRASH_RUNS sets the number of kills (50 by default; bench/jet_crash_soak.sh runs 200).
#include "tests/driver/jet/ChildProcess.h"
#include "tests/driver/jet/JetIndexWalk.h"
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

namespace kervane::test {
namespace {

constexpr int kRowsATransaction = 40;
constexpr long kFirstKey = 300000;

// What the writer does to one file: rows added with keys from kFirstKey, then one row Access
// wrote deleted by a condition that matches it alone, in each transaction.
struct Scenario {
    std::string file;
    std::string table;
    std::string key;                     // the indexed column the added rows are counted by
    std::string (*values)(long key);     // the INSERT's column list and values for a key
    std::vector<std::string> deletions;  // conditions, one row each
    long rows = 0;                       // the table's rows before
};

std::string orderLine(long key)
{
    return "(OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (" + std::to_string(key) + ", " +
           std::to_string(1 + key % 77) + ", 2.5, 3, 0)";
}

std::string order(long key)
{
    return "(OrderID, CustomerID, EmployeeID, OrderDate, ShipName) VALUES (" + std::to_string(key) +
           ", 'ALFKI', " + std::to_string(1 + key % 9) + ", #1998-05-06#, 'Société Générale d''Été')";
}

std::string agent(long key)
{
    return "(CD_AGENTE, RS_AGENTE, DC_AGENTE) VALUES (" + std::to_string(key) + ", 'Agent " + std::to_string(key) +
           "', 'Été')";
}

// The writer's program: transactions one after the other until it is killed.
bool writeUntilKilled(const Scenario& scenario, const std::string& file)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file)) ||
        !SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF)))
        return false;
    const std::string table = "[" + scenario.table + "]";
    for (std::size_t t = 0; t < scenario.deletions.size(); ++t) {
        Instruction stmt(connexion);
        for (int i = 0; i < kRowsATransaction; ++i) {
            const long key = kFirstKey + static_cast<long>(t) * kRowsATransaction + i;
            if (!SQL_SUCCEEDED(stmt.exec("INSERT INTO " + table + " " + scenario.values(key))))
                return false;
            stmt.close();
        }
        if (!SQL_SUCCEEDED(stmt.exec("DELETE FROM " + table + " WHERE " + scenario.deletions[t])))
            return false;
        // The structure changes with the rows: the transaction's own table, the previous one dropped.
        stmt.close();
        const std::string trace = "Trace" + std::to_string(t);
        if (!SQL_SUCCEEDED(stmt.exec("CREATE TABLE " + trace + " (n LONG PRIMARY KEY, m MEMO)")) ||
            !SQL_SUCCEEDED(stmt.exec("INSERT INTO " + trace + " VALUES (" + std::to_string(t) + ", '" +
                                     std::string(300, 'x') + "')")) ||
            (t > 0 && !SQL_SUCCEEDED(stmt.exec("DROP TABLE Trace" + std::to_string(t - 1)))) ||
            !SQL_SUCCEEDED(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT)))
            return false;
    }
    return true;
}

// Conditions matching one row each: `select` gives the values of the condition's columns of
// the rows whose values no other row has.
std::vector<std::string> singleRows(const Connexion& connexion, const std::string& select,
                                    const std::vector<std::string>& columns)
{
    Instruction stmt(connexion);
    stmt.exec(select);
    std::vector<std::string> conditions;
    for (const Row& row : fetchAll(stmt.handle())) {
        std::string condition;
        for (std::size_t c = 0; c < columns.size(); ++c)
            condition += (c ? " AND " : "") + columns[c] + " = " + *row.at(c);
        conditions.push_back(condition);
    }
    return conditions;
}

// On Access 97 files jetcheck only warns about what it cannot check there (its README): its
// failures are what counts.
bool noFailure(const std::string& verdict)
{
    return verdict.find("\nFAIL") == std::string::npos && verdict.find("RESULT: FAIL") == std::string::npos;
}

class JetCrashTest : public JetCopyTest {
protected:
    // Kills the writer `runs` times, each on a fresh copy of the scenario's file.
    void killAgainAndAgain(const Scenario& scenario, int runs, unsigned seed)
    {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delay(30, 700);
        const std::string file = path("victime.mdb");
        const std::string table = "[" + scenario.table + "]";
        for (int run = 0; run < runs && !HasFailure(); ++run) {
            SCOPED_TRACE(scenario.file + ", arrêt " + std::to_string(run));
            std::filesystem::copy_file(scenario.file, file, std::filesystem::copy_options::overwrite_existing);
            {
                ChildProcess writer([&] { return writeUntilKilled(scenario, file); });
                std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
                writer.kill();
                writer.wait();
            }
            m_journals += std::filesystem::exists(file + ".kvj") ? 1 : 0;
            Environnement env;
            Connexion connexion(env);
            ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, file)));
            const long long added = number(connexion, "SELECT count(*) FROM " + table + " WHERE " + scenario.key +
                                                          " >= " + std::to_string(kFirstKey));
            ASSERT_EQ(added % kRowsATransaction, 0) << "une transaction à moitié écrite";
            const long long done = added / kRowsATransaction;
            m_transactions += done;
            EXPECT_EQ(number(connexion, "SELECT count(*) FROM " + table), scenario.rows + added - done);
            EXPECT_EQ(number(connexion, "SELECT count(*) FROM MSysObjects WHERE Name LIKE 'Trace*' AND Type = 1"),
                      done > 0 ? 1 : 0);
            if (done > 0) {
                EXPECT_EQ(number(connexion, "SELECT count(*) FROM " + table + " WHERE " +
                                                scenario.deletions[static_cast<std::size_t>(done) - 1]),
                          0);
                EXPECT_EQ(number(connexion, "SELECT n FROM Trace" + std::to_string(done - 1)), done - 1);
            }
            connexion.disconnect();
            EXPECT_FALSE(std::filesystem::exists(file + ".kvj")) << "journal laissé";
            checkFileIndexes(file, "arrêt " + std::to_string(run));
            if (run % 10 == 9) {
                int status = 0;
                const std::string verdict =
                    runTool(jetToolsFolder() + "/jetcheck", {"verify", "--user-only", file}, status);
                EXPECT_TRUE(noFailure(verdict)) << verdict;
            }
        }
    }

    int m_journals = 0;
    long m_transactions = 0;
};

TEST_F(JetCrashTest, AWriterKilledAnywhereLeavesWholeTransactions)
{
    const char* asked = std::getenv("KERVANE_CRASH_RUNS");
    const int runs = asked != nullptr ? std::max(2, std::atoi(asked)) : 50;
    const std::string grown = path("nwind2003.mdb");
    int status = -1;
    if (!jetToolsFolder().empty() && !nwindPath().empty())
        runTool(jetToolsFolder() + "/jetgen", {"grow", nwindPath(), grown, "1"}, status);
    const std::string access97 = testDataPath("jet/compIndexTestV1997.mdb");
    if (status != 0 || access97.empty())
        GTEST_SKIP() << "nwind.mdb, jet/compIndexTestV1997.mdb ou jetgen absent";
    // nwind itself: Orders, ten indexes, relationships to customers, employees and order lines.
    Scenario nwindOrders{nwindPath(), "Orders", "OrderID", order, {}, 830};
    // An Access 2002-2003 file: Order Details, its number indexes and two-column primary key.
    Scenario orders{grown, "Order Details", "OrderID", orderLine, {}, 2155};
    // An Access 97 file: Table1, a descending index over two levels of pages.
    Scenario agents{access97, "Table1", "CD_AGENTE", agent, {}, 512};
    {
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, grown)));
        orders.deletions = singleRows(connexion, "SELECT OrderID, ProductID FROM [Order Details]",
                                      {"OrderID", "ProductID"});
        Connexion other(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(other, access97)));
        agents.deletions = singleRows(other, "SELECT CD_AGENTE FROM Table1 GROUP BY CD_AGENTE HAVING count(*) = 1",
                                      {"CD_AGENTE"});
        Connexion third(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(third, nwindPath())));
        nwindOrders.deletions = singleRows(third, "SELECT OrderID FROM Orders", {"OrderID"});
    }
    ASSERT_GT(agents.deletions.size(), 100u);
    killAgainAndAgain(orders, runs - 2 * (runs / 3), 20261206);
    killAgainAndAgain(agents, runs / 3, 19970101);
    killAgainAndAgain(nwindOrders, runs / 3, 19980506);
    RecordProperty("journaux", m_journals);
    RecordProperty("transactions", static_cast<int>(m_transactions));
    EXPECT_GT(m_transactions, 0) << "no transaction ever reached its commit: the kills came too early";
}

}  // namespace
}  // namespace kervane::test
