// Stopping a statement that would never end: SQLCancel from another thread and the query time
// limit, what the transaction keeps afterwards, and the driver's calls from several threads.
#include "tests/driver/OdbcTestSupport.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kervane::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Five copies of a 300-row table: 2.4e12 combinations to count, more than any test can wait for.
constexpr char ENDLESS_FROM[] = "FROM T AS a, T AS b, T AS c, T AS d, T AS e";
const std::string ENDLESS_COUNT = std::string("SELECT Count(*) ") + ENDLESS_FROM;
// A change that waits for the endless count before it writes anything.
const std::string ENDLESS_UPDATE = "UPDATE BASE SET NOM = 'jamais' WHERE (SELECT Count(*) " + std::string(ENDLESS_FROM)
                                   + ") > 0";

constexpr char CANCELLED_TEXT[] = "L'exécution de l'instruction a été annulée.";
constexpr char TIMED_OUT_TEXT[] = "Le délai d'exécution de la requête (1 seconde) est dépassé";
constexpr char WHOLE_TRANSACTION_TEXT[] = "Toute la transaction a été annulée";

// Ends the process when a broken cancel leaves a statement running: the test fails instead of
// hanging the suite.
class Watchdog {
public:
    Watchdog() : m_thread([this] { watch(); }) {}
    ~Watchdog()
    {
        {
            std::scoped_lock lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_for(lock, 60s, [this] { return m_done; })) {
            std::fprintf(stderr, "A statement was still running after 60 s: it could not be stopped.\n");
            std::_Exit(3);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

struct Outcome {
    SQLRETURN result = SQL_SUCCESS;
    Diagnostic diagnostic;
    Clock::duration latency{};  // from the SQLCancel that stopped the call to its return
};

// The driver manager gives an ODBC 2 application the ODBC 2 names of these states.
std::string cancelledState(bool odbc3) { return odbc3 ? "HY008" : "S1008"; }
std::string timedOutState(bool odbc3) { return odbc3 ? "HYT00" : "S1T00"; }

Diagnostic statementError(SQLHSTMT stmt, bool odbc3)
{
    return odbc3 ? diagRec(SQL_HANDLE_STMT, stmt) : lastError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt);
}

// Runs call on another thread and cancels it from this one: once it has had time to start,
// then every two seconds while it runs. The driver manager clears a statement's diagnostics
// when SQLCancel enters it, so the call's own are read before any later cancel may come.
Outcome runCancelled(SQLHSTMT stmt, bool odbc3, const std::function<SQLRETURN()>& call)
{
    Watchdog watchdog;
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    Outcome outcome;
    Clock::time_point finished;
    std::thread worker([&] {
        const SQLRETURN result = call();
        const Clock::time_point at = Clock::now();
        std::scoped_lock lock(mutex);
        outcome.result = result;
        outcome.diagnostic = statementError(stmt, odbc3);
        finished = at;
        done = true;
        returned.notify_one();
    });
    Clock::time_point lastCancel = Clock::now();
    std::unique_lock lock(mutex);
    auto pause = Clock::duration(100ms);
    while (!returned.wait_for(lock, pause, [&] { return done; })) {
        lastCancel = Clock::now();
        EXPECT_EQ(SQLCancel(stmt), SQL_SUCCESS);
        pause = 2s;
    }
    lock.unlock();
    worker.join();
    outcome.latency = finished - lastCancel;
    return outcome;
}

// Cancel latencies go to the test report, never into an assertion.
int microseconds(Clock::duration duration)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(duration).count());
}

// Runs call to its end on this thread, under the watchdog.
Outcome runTimed(SQLHSTMT stmt, bool odbc3, const std::function<SQLRETURN()>& call)
{
    Watchdog watchdog;
    Outcome outcome;
    outcome.result = call();
    outcome.diagnostic = statementError(stmt, odbc3);
    return outcome;
}

// Whether another connection reads or writes the base: SQLite then refuses an exclusive lock.
bool baseInUse(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const int rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_BUSY;
}

SQLRETURN execDirect(SQLHSTMT stmt, const std::string& sql)
{
    return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                         static_cast<SQLINTEGER>(sql.size()));
}

class CancelTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run("CREATE TABLE T(N INTEGER);"
                               "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 300) "
                               "INSERT INTO T SELECT n FROM s;"
                               "INSERT INTO BASE VALUES('avant');");
    }
    std::string storedName() { return BaseSqlite(m_base).scalar("SELECT group_concat(NOM, ',') FROM BASE"); }
    static std::string countOf(const Instruction& stmt, const std::string& sql)
    {
        if (execDirect(stmt.handle(), sql) != SQL_SUCCESS)
            return "échec : " + lastError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt.handle()).message;
        const std::vector<Row> rows = fetchAll(stmt.handle());
        SQLFreeStmt(stmt.handle(), SQL_CLOSE);
        return rows.size() == 1 && rows[0].size() == 1 && rows[0][0] ? *rows[0][0] : "?";
    }
};

enum class Running { ExecDirect, Execute, Fetch, Change };

struct CancelCase {
    const char* name;
    bool odbc3;
    Running running;
};

TEST_F(CancelTest, SqlCancelFromAnotherThreadStopsTheRunningCallAndTheConnectionGoesOn)
{
    const CancelCase cases[] = {
        {"SQLExecDirect, ODBC 2", false, Running::ExecDirect},
        {"SQLExecDirect, ODBC 3", true, Running::ExecDirect},
        {"SQLExecute of a prepared statement", false, Running::Execute},
        {"SQLFetch of the second row", false, Running::Fetch},
        {"SQLExecDirect of a change in autocommit mode", false, Running::Change},
    };
    for (const CancelCase& test : cases) {
        SCOPED_TRACE(test.name);
        Session s("Base Test", test.odbc3);
        Instruction& stmt = s.stmt;
        const SQLHSTMT handle = s.h();
        std::function<SQLRETURN()> call = [&] { return execDirect(handle, ENDLESS_COUNT); };
        if (test.running == Running::Execute) {
            ASSERT_EQ(SQLPrepare(handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(ENDLESS_COUNT.c_str())),
                                 SQL_NTS),
                      SQL_SUCCESS);
            call = [&] { return SQLExecute(handle); };
        } else if (test.running == Running::Fetch) {
            // The first row comes at once, the second one only after the endless count.
            ASSERT_EQ(execDirect(handle, "SELECT N FROM T WHERE N = 1 UNION ALL " + ENDLESS_COUNT), SQL_SUCCESS);
            ASSERT_EQ(SQLFetch(handle), SQL_SUCCESS);
            EXPECT_EQ(readText(handle, 1), "1");
            call = [&] { return SQLFetch(handle); };
        } else if (test.running == Running::Change) {
            call = [&] { return execDirect(handle, ENDLESS_UPDATE); };
        }
        const Outcome outcome = runCancelled(handle, test.odbc3, call);
        EXPECT_EQ(outcome.result, SQL_ERROR);
        EXPECT_EQ(outcome.diagnostic.state, cancelledState(test.odbc3));
        EXPECT_NE(outcome.diagnostic.message.find(CANCELLED_TEXT), std::string::npos) << outcome.diagnostic.message;
        RecordProperty(std::string("latence_annulation_us ") + test.name, microseconds(outcome.latency));

        SQLFreeStmt(handle, SQL_CLOSE);
        EXPECT_EQ(countOf(stmt, "SELECT Count(*) FROM T"), "300") << "the same statement serves again";
        Instruction other(s.connexion);
        EXPECT_EQ(countOf(other, "SELECT Count(*) FROM T AS a, T AS b WHERE a.N = b.N"), "300");
        EXPECT_EQ(storedName(), "avant") << "nothing changed";
    }
}

enum class Limit { StatementOption, StatementAttribute, ConnectionOption };

struct TimeoutCase {
    const char* name;
    bool odbc3;
    Limit limit;
};

TEST_F(CancelTest, QueryTimeoutStopsTheStatementAndReadsBack)
{
    const TimeoutCase cases[] = {
        {"SQLSetStmtOption(SQL_QUERY_TIMEOUT)", false, Limit::StatementOption},
        {"SQLSetStmtAttr(SQL_ATTR_QUERY_TIMEOUT)", true, Limit::StatementAttribute},
        {"SQLSetConnectOption(SQL_QUERY_TIMEOUT)", false, Limit::ConnectionOption},
    };
    for (const TimeoutCase& test : cases) {
        SCOPED_TRACE(test.name);
        Session s("Base Test", test.odbc3);
        if (test.limit == Limit::ConnectionOption) {
            ASSERT_EQ(SQLSetConnectOption(s.dbc(), SQL_QUERY_TIMEOUT, 1), SQL_SUCCESS);
        }
        Instruction stmt(s.connexion);  // made after the connection's option
        SQLHSTMT handle = stmt.handle();
        if (test.limit == Limit::StatementOption) {
            ASSERT_EQ(SQLSetStmtOption(handle, SQL_QUERY_TIMEOUT, 1), SQL_SUCCESS);
        } else if (test.limit == Limit::StatementAttribute) {
            ASSERT_EQ(SQLSetStmtAttr(handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
        }
        SQLULEN readBack = 0;
        const SQLRETURN read = test.odbc3 ? SQLGetStmtAttr(handle, SQL_ATTR_QUERY_TIMEOUT, &readBack, 0, nullptr)
                                          : SQLGetStmtOption(handle, SQL_QUERY_TIMEOUT, &readBack);
        ASSERT_EQ(read, SQL_SUCCESS);
        EXPECT_EQ(readBack, 1U);

        const Outcome outcome = runTimed(handle, test.odbc3, [&] { return execDirect(handle, ENDLESS_COUNT); });
        EXPECT_EQ(outcome.result, SQL_ERROR);
        EXPECT_EQ(outcome.diagnostic.state, timedOutState(test.odbc3));
        EXPECT_NE(outcome.diagnostic.message.find(TIMED_OUT_TEXT), std::string::npos)
            << outcome.diagnostic.message;
        SQLFreeStmt(handle, SQL_CLOSE);
        EXPECT_EQ(countOf(stmt, "SELECT Count(*) FROM T"), "300") << "a short statement still fits in the limit";
    }
}

enum class Stop { CancelChange, TimeoutChange, CancelSelect };

TEST_F(CancelTest, StoppedChangeUndoesTheWholeTransactionAndAStoppedSelectKeepsIt)
{
    // SQLite rolls back the whole transaction when it interrupts an INSERT, UPDATE or DELETE; an
    // interrupted statement that only reads leaves the transaction as it was.
    for (const Stop stop : {Stop::CancelChange, Stop::TimeoutChange, Stop::CancelSelect}) {
        SCOPED_TRACE(static_cast<int>(stop));
        const bool cancel = stop != Stop::TimeoutChange, select = stop == Stop::CancelSelect;
        Session s("Base Test", false, false);
        SQLHSTMT handle = s.h();
        ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'après'"), SQL_SUCCESS);
        const auto endless = [&] { return execDirect(handle, select ? ENDLESS_COUNT : ENDLESS_UPDATE); };
        if (!cancel) {
            ASSERT_EQ(SQLSetStmtOption(handle, SQL_QUERY_TIMEOUT, 1), SQL_SUCCESS);
        }
        const Outcome outcome = cancel ? runCancelled(handle, false, endless) : runTimed(handle, false, endless);
        EXPECT_EQ(outcome.result, SQL_ERROR);
        EXPECT_EQ(outcome.diagnostic.state, cancel ? "S1008" : "S1T00");
        EXPECT_NE(outcome.diagnostic.message.find(cancel ? CANCELLED_TEXT : TIMED_OUT_TEXT), std::string::npos)
            << outcome.diagnostic.message;
        EXPECT_EQ(outcome.diagnostic.message.find(WHOLE_TRANSACTION_TEXT) == std::string::npos, select)
            << outcome.diagnostic.message;
        if (select) {
            ASSERT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_COMMIT), SQL_SUCCESS);
            EXPECT_EQ(storedName(), "après");
            continue;
        }
        EXPECT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_COMMIT), SQL_ERROR);
        EXPECT_EQ(lastError(s.henv(), s.dbc(), SQL_NULL_HSTMT).state, "40000");
        EXPECT_EQ(storedName(), "avant") << "nothing of the transaction was saved";
        SQLSetStmtOption(handle, SQL_QUERY_TIMEOUT, 0);
        ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'ensuite'"), SQL_SUCCESS);
        ASSERT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_COMMIT), SQL_SUCCESS);
        EXPECT_EQ(storedName(), "ensuite") << "the connection works on";
        BaseSqlite(m_base).run("UPDATE BASE SET NOM = 'avant'");
    }
}

TEST_F(CancelTest, CancelWithNothingRunningSucceedsAndClosesAnOdbc2Cursor)
{
    for (const bool odbc3 : {false, true}) {
        SCOPED_TRACE(odbc3 ? "ODBC 3" : "ODBC 2");
        Session s("Base Test", odbc3);
        Instruction& stmt = s.stmt;
        EXPECT_EQ(SQLCancel(stmt.handle()), SQL_SUCCESS) << "no statement yet";
        ASSERT_EQ(stmt.exec("SELECT N FROM T"), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
        EXPECT_EQ(SQLCancel(stmt.handle()), SQL_SUCCESS);
        if (!odbc3) {
            // As SQLFreeStmt(SQL_CLOSE): the cursor's read lock is gone, another program writes.
            EXPECT_NO_THROW(BaseSqlite(m_base).run("INSERT INTO BASE VALUES('ailleurs')"));
        }
        SQLFreeStmt(stmt.handle(), SQL_CLOSE);
        EXPECT_EQ(countOf(stmt, "SELECT Count(*) FROM T"), "300");
    }
}

TEST_F(CancelTest, AStatementWaitsForTheOneRunningOnTheSameConnection)
{
    // The SQLite connection has no mutex of its own: the driver runs one call at a time, and
    // SQLCancel still reaches the running one.
    Session s("Base Test", false);
    Instruction endless(s.connexion);
    Instruction waiting(s.connexion);
    Watchdog watchdog;
    std::mutex mutex;
    std::vector<std::string> finished;
    SQLRETURN endlessResult = SQL_SUCCESS;
    std::thread first([&] {
        endlessResult = execDirect(endless.handle(), ENDLESS_COUNT);
        std::scoped_lock lock(mutex);
        finished.emplace_back("endless");
    });
    while (!baseInUse(m_base))
        std::this_thread::sleep_for(5ms);
    std::string count;
    std::thread second([&] {
        count = countOf(waiting, "SELECT Count(*) FROM T");
        std::scoped_lock lock(mutex);
        finished.emplace_back("waiting");
    });
    // Time enough for a driver that let both run at once to show it.
    std::this_thread::sleep_for(300ms);
    {
        std::scoped_lock lock(mutex);
        EXPECT_TRUE(finished.empty()) << "the second statement ran beside the endless one";
    }
    EXPECT_EQ(SQLCancel(endless.handle()), SQL_SUCCESS);
    first.join();
    second.join();
    EXPECT_EQ(endlessResult, SQL_ERROR);
    EXPECT_EQ(count, "300") << "then it ran";
}

TEST_F(CancelTest, CancelStopsAnEndlessQueryOnAnAccessFile)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA)";
    addDataSource("Northwind", nwind);
    Session s("Northwind", false);
    Instruction& stmt = s.stmt;
    SQLHSTMT handle = s.h();
    const Outcome outcome = runCancelled(handle, false, [&] {
        return execDirect(handle, "SELECT Count(*) FROM Orders AS a, Orders AS b, Orders AS c, Orders AS d");
    });
    EXPECT_EQ(outcome.result, SQL_ERROR);
    EXPECT_EQ(outcome.diagnostic.state, cancelledState(false));
    EXPECT_NE(outcome.diagnostic.message.find(CANCELLED_TEXT), std::string::npos) << outcome.diagnostic.message;
    RecordProperty("latence_annulation_us Access", microseconds(outcome.latency));
    SQLFreeStmt(handle, SQL_CLOSE);
    EXPECT_EQ(countOf(stmt, "SELECT Count(*) FROM Orders"), "830");
}

TEST(DriverRegistration, LeavesNoThreadingEntrySoThatSqlCancelReachesTheDriver)
{
    // unixODBC serialises by itself, and holds SQLCancel back at level 3, when odbcinst.ini
    // sets Threading for the driver or in its [ODBC] section.
    std::ifstream ini(privateOdbcFolder() + "/odbcinst.ini");
    ASSERT_TRUE(ini.is_open());
    std::string line;
    bool registered = false;
    while (std::getline(ini, line)) {
        registered = registered || line == std::string("[") + ACCESS_DRIVER + "]";
        if (line.starts_with("Threading"))
            ADD_FAILURE() << "odbcinst.ini sets " << line;
    }
    EXPECT_TRUE(registered);
}

}  // namespace
}  // namespace kervane::test
