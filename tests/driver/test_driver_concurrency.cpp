// Several programs on one base, through the driver as applications use it: a writer process
// committing whole-table updates (rows moving to other pages among them) while reader processes
// read the same table, each statement of theirs finding one commit whole; four processes
// incrementing one counter, none of their updates lost, at the serializable level (a transaction
// overtaken by another's commit refused with 40001 and tried again) and with `x = x + 1`; a
// SQLite base another program holds said to be locked, by whom, never "not found".
#include "tests/driver/jet/ChildProcess.h"
#include "tests/driver/jet/JetTestSupport.h"
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

namespace kervane::test {
namespace {

constexpr int kCommits = 12;

std::string shipName(int round)
{
    // Every third round makes each row longer or shorter by 39 characters: rows move.
    return round % 6 < 3 ? "N" : std::string(40, static_cast<char>('a' + round % 26));
}

// Whole-table updates, each committed alone, as another program would make them; round 0 gives
// every row the same values first.
bool writeRounds(const std::string& file, int first, int last)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file)))
        return false;
    for (int round = first; round <= last; ++round) {
        Instruction stmt(connexion);
        const std::string sql = "UPDATE Orders SET Freight = " + std::to_string(round) + ", ShipName = '" +
                                shipName(round) + "'";
        if (!SQL_SUCCEEDED(stmt.exec(sql))) {
            std::cerr << "écrivain : " << lastError(env.handle(), connexion.handle(), stmt.handle()).message << "\n";
            return false;
        }
    }
    return true;
}

// Reads the table whole until `stop` exists; every answer must come from one commit: one
// freight and one name length for every row, all rows there.
bool readUntil(const std::string& file, const std::string& stop, long long rows)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file)))
        return false;
    for (int reads = 0; reads < 3 || !std::filesystem::exists(stop); ++reads) {
        Instruction stmt(connexion);
        if (!SQL_SUCCEEDED(stmt.exec("SELECT COUNT(*), MIN(Freight), MAX(Freight), MIN(Len(ShipName)), "
                                     "MAX(Len(ShipName)) FROM Orders"))) {
            std::cerr << "lecteur : " << lastError(env.handle(), connexion.handle(), stmt.handle()).message << "\n";
            return false;
        }
        const std::vector<Row> found = fetchAll(stmt.handle());
        if (found.size() != 1 || found[0][0] != std::to_string(rows) || found[0][1] != found[0][2] ||
            found[0][3] != found[0][4]) {
            std::cerr << "lecteur : " << found[0][0].value_or("") << " lignes, fret de " << found[0][1].value_or("")
                      << " à " << found[0][2].value_or("") << ", noms de " << found[0][3].value_or("") << " à "
                      << found[0][4].value_or("") << " caractères\n";
            return false;
        }
    }
    return true;
}

bool succeeded(ChildProcess& child)
{
    const int status = child.wait();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// nwind grown by jetgen into an Access 2002-2003 file: 3,320 orders.
std::string grownNwind(const std::string& path, int factor)
{
    int status = -1;
    if (!jetToolsFolder().empty() && !nwindPath().empty())
        runTool(jetToolsFolder() + "/jetgen", {"grow", nwindPath(), path, std::to_string(factor)}, status);
    return status == 0 ? path : std::string();
}

class ConcurrencyTest : public JetCopyTest {};

TEST_F(ConcurrencyTest, ReadersOfAnotherProcessSeeEveryCommitWhole)
{
    const std::string file = grownNwind(path("nwind4.mdb"), 4);
    if (file.empty())
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    long long rows = 0;
    {
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, file)));
        rows = number(connexion, "SELECT COUNT(*) FROM Orders");
    }
    ASSERT_TRUE(writeRounds(file, 0, 0));
    const std::string stop = path("fin");
    ChildProcess writer([&] { return writeRounds(file, 1, kCommits); });
    ChildProcess reader1([&] { return readUntil(file, stop, rows); });
    ChildProcess reader2([&] { return readUntil(file, stop, rows); });
    EXPECT_TRUE(succeeded(writer));
    std::filesystem::create_directory(stop);
    EXPECT_TRUE(succeeded(reader1));
    EXPECT_TRUE(succeeded(reader2));
    verify(file);
}

// A counter and the statements that read and change it, on an Access file or a SQLite base.
struct Counter {
    std::string connection;
    std::string read;
    std::string increment;  // followed by the value read + 1, then by `where`
    std::string where;
    std::string incrementInPlace;
};

enum class Way { Serializable, InPlace };

// 25 increments by one process; a transaction refused with 40001 is tried again.
bool increment(const Counter& counter, Way way)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(counter.connection)))
        return false;
    if (way == Way::Serializable &&
        (!SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_TXN_ISOLATION, SQL_TXN_SERIALIZABLE)) ||
         !SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF))))
        return false;
    for (int done = 0; done < 25;) {
        Instruction stmt(connexion);
        SQLRETURN rc = SQL_SUCCESS;
        if (way == Way::InPlace) {
            rc = stmt.exec(counter.incrementInPlace);
        } else if (SQL_SUCCEEDED(rc = stmt.exec(counter.read))) {
            const std::vector<Row> value = fetchAll(stmt.handle());
            stmt.close();
            rc = stmt.exec(counter.increment + std::to_string(std::stoll(value.at(0).at(0).value()) + 1) +
                           counter.where);
            if (SQL_SUCCEEDED(rc))
                rc = SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT);
        }
        if (SQL_SUCCEEDED(rc)) {
            ++done;
            continue;
        }
        const Diagnostic why = lastError(env.handle(), connexion.handle(), stmt.handle());
        SQLTransact(env.handle(), connexion.handle(), SQL_ROLLBACK);
        if (why.state != "40001") {
            std::cerr << "incrément : " << why.state << " " << why.message << "\n";
            return false;
        }
    }
    return true;
}

long long incrementsFromFourProcesses(const Counter& counter, Way way)
{
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < 4; ++i)
        children.push_back(std::make_unique<ChildProcess>([&] { return increment(counter, way); }));
    for (const auto& child : children)
        EXPECT_TRUE(succeeded(*child));
    Environnement env;
    Connexion connexion(env);
    EXPECT_TRUE(SQL_SUCCEEDED(connexion.driverConnect(counter.connection)));
    Instruction stmt(connexion);
    EXPECT_TRUE(SQL_SUCCEEDED(stmt.exec(counter.read)));
    const std::vector<Row> value = fetchAll(stmt.handle());
    return value.empty() ? -1 : std::stoll(value[0][0].value_or("-1"));
}

TEST_F(ConcurrencyTest, NoUpdateIsLostBetweenProcesses)
{
    JET_COPY_OR_SKIP(file, "nwind.mdb");
    const std::string line = " WHERE OrderID = 10248 AND ProductID = 11";
    const Counter access{std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file,
                         "SELECT Quantity FROM [Order Details]" + line, "UPDATE [Order Details] SET Quantity = ", line,
                         "UPDATE [Order Details] SET Quantity = Quantity + 1" + line};
    const Counter sqlite{std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + m_base, "SELECT n FROM compteur",
                         "UPDATE compteur SET n = ", "", "UPDATE compteur SET n = n + 1"};
    BaseSqlite(m_base).run("CREATE TABLE compteur (n INTEGER); INSERT INTO compteur VALUES (0)");
    // The first line of order 10248: 12 of product 11.
    EXPECT_EQ(incrementsFromFourProcesses(access, Way::Serializable), 112);
    EXPECT_EQ(incrementsFromFourProcesses(access, Way::InPlace), 212);
    EXPECT_EQ(incrementsFromFourProcesses(sqlite, Way::Serializable), 100);
    EXPECT_EQ(incrementsFromFourProcesses(sqlite, Way::InPlace), 200);
}

// The other program holds the base alone (BEGIN EXCLUSIVE), as long as the test needs.
TEST_F(ConcurrencyTest, ASqliteBaseHeldByAnotherProgramSaysSoAndByWhom)
{
    BaseSqlite(m_base).run("CREATE TABLE t (x INTEGER)");
    Environnement env;
    Connexion before(env);
    ASSERT_TRUE(SQL_SUCCEEDED(before.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + m_base)));
    Signal holding;
    ChildProcess holder([&] {
        BaseSqlite base(m_base);
        base.run("BEGIN EXCLUSIVE");
        holding.give();
        ::pause();
        return true;
    });
    ASSERT_TRUE(holding.await());
    const std::string held = "est verrouillée par le programme « ";
    const std::string process = "(processus n° " + std::to_string(holder.pid()) + "), qui y enregistre des modifications";
    Instruction stmt(before);
    EXPECT_FALSE(SQL_SUCCEEDED(stmt.exec("SELECT x FROM t")));
    const Diagnostic reading = lastError(env.handle(), before.handle(), stmt.handle());
    EXPECT_NE(reading.message.find(held), std::string::npos) << reading.message;
    EXPECT_NE(reading.message.find(process), std::string::npos) << reading.message;
    Connexion after(env);
    EXPECT_FALSE(SQL_SUCCEEDED(after.driverConnect(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + m_base)));
    const Diagnostic connecting = lastError(env.handle(), after.handle(), SQL_NULL_HSTMT);
    EXPECT_NE(connecting.message.find(process), std::string::npos) << connecting.message;
}

}  // namespace
}  // namespace kervane::test
