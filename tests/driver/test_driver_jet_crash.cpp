// A program writing into a genuine Access file through the driver, killed (SIGKILL) at a random
// moment, again and again: its transactions each add 40 rows to an indexed table and delete one
// row Access wrote. After each kill the next connection finds whole transactions only (rows
// added by 40, a row deleted for each 40), every index holding exactly the rows, each entry's
// key that of its row; jetcheck (Jackcess) verifies the file now and then.
// KERVANE_CRASH_RUNS sets the number of kills (50 by default; bench/jet_crash_soak.sh runs 200).
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/ChildProcess.h"
#include "tests/driver/jet/JetIndexWalk.h"
#include "tests/driver/jet/JetWriterSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

namespace kervane::test {
namespace {

constexpr int kRowsATransaction = 40;
constexpr long kFirstOrder = 300000;

// The order lines of nwind the transactions delete, one each, in this order.
std::vector<std::pair<int, int>> deletedLines(const Connexion& connexion, int count)
{
    Instruction stmt(connexion);
    stmt.exec("SELECT OrderID, ProductID FROM [Order Details] ORDER BY OrderID, ProductID");
    std::vector<std::pair<int, int>> lines;
    for (const Row& row : fetchAll(stmt.handle())) {
        if (static_cast<int>(lines.size()) == count)
            break;
        lines.emplace_back(std::stoi(*row[0]), std::stoi(*row[1]));
    }
    return lines;
}

// The writer's program: transactions one after the other until it is killed.
bool writeUntilKilled(const std::string& file, const std::vector<std::pair<int, int>>& lines)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file)) ||
        !SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF)))
        return false;
    for (std::size_t t = 0; t < lines.size(); ++t) {
        Instruction stmt(connexion);
        for (int i = 0; i < kRowsATransaction; ++i) {
            const long order = kFirstOrder + static_cast<long>(t) * kRowsATransaction + i;
            if (!SQL_SUCCEEDED(stmt.exec("INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, "
                                         "Discount) VALUES (" + std::to_string(order) + ", " +
                                         std::to_string(1 + order % 77) + ", 2.5, 3, 0)")))
                return false;
            stmt.close();
        }
        if (!SQL_SUCCEEDED(stmt.exec("DELETE FROM [Order Details] WHERE OrderID = " + std::to_string(lines[t].first) +
                                     " AND ProductID = " + std::to_string(lines[t].second))) ||
            !SQL_SUCCEEDED(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT)))
            return false;
    }
    return true;
}

class JetCrashTest : public JetCopyTest {};

TEST_F(JetCrashTest, AWriterKilledAnywhereLeavesWholeTransactions)
{
    const std::string grown = path("nwind2003.mdb");
    int status = -1;
    if (!jetToolsFolder().empty() && !nwindPath().empty())
        runTool(jetToolsFolder() + "/jetgen", {"grow", nwindPath(), grown, "1"}, status);
    if (status != 0)
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    const char* asked = std::getenv("KERVANE_CRASH_RUNS");
    const int runs = asked != nullptr ? std::max(1, std::atoi(asked)) : 50;
    std::vector<std::pair<int, int>> lines;
    {
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, grown)));
        lines = deletedLines(connexion, 1000);
    }
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> delay(30, 700);
    const std::string file = path("victime.mdb");
    int recovered = 0;
    long transactions = 0;
    for (int run = 0; run < runs && !HasFailure(); ++run) {
        std::filesystem::copy_file(grown, file, std::filesystem::copy_options::overwrite_existing);
        {
            ChildProcess writer([&] { return writeUntilKilled(file, lines); });
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
            writer.kill();
            writer.wait();
        }
        recovered += std::filesystem::exists(file + ".kvj") ? 1 : 0;
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, file))) << "après l'arrêt " << run;
        const std::vector<Row> added =
            select(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID >= " + std::to_string(kFirstOrder));
        const long rows = std::stol(*added.at(0).at(0));
        ASSERT_EQ(rows % kRowsATransaction, 0) << "arrêt " << run << " : une transaction à moitié écrite";
        const long done = rows / kRowsATransaction;
        transactions += done;
        EXPECT_EQ(select(connexion, "SELECT count(*) FROM [Order Details]"),
                  (std::vector<Row>{{std::to_string(2155 + rows - done)}}))
            << "arrêt " << run;
        if (done > 0) {
            const std::pair<int, int>& last = lines[static_cast<std::size_t>(done) - 1];
            EXPECT_EQ(select(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID = " +
                                            std::to_string(last.first) + " AND ProductID = " +
                                            std::to_string(last.second)),
                      (std::vector<Row>{{"0"}}))
                << "arrêt " << run;
        }
        connexion.disconnect();
        EXPECT_FALSE(std::filesystem::exists(file + ".kvj")) << "arrêt " << run << " : journal laissé";
        checkFileIndexes(file, "arrêt " + std::to_string(run));
        if (run % 10 == 9) {
            EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos) << "arrêt " << run;
        }
    }
    RecordProperty("journaux", recovered);
    RecordProperty("transactions", static_cast<int>(transactions));
    EXPECT_GT(transactions, 0) << "no transaction ever reached its commit: the kills came too early";
}

}  // namespace
}  // namespace kervane::test
