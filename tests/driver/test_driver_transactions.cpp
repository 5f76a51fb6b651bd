// Autocommit and manual-commit mode, with the ODBC 2 calls the application uses.
#include "tests/driver/OdbcTestSupport.h"

namespace kervane::test {
namespace {

class TransactionsTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run("INSERT INTO BASE VALUES('avant')");
    }
    std::string storedName() { return BaseSqlite(m_base).scalar("SELECT group_concat(NOM, ',') FROM BASE"); }
};

TEST_F(TransactionsTest, RollbackReallyUndoesTheChange)
{
    Session s("Base Test", false);
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'après'"), SQL_SUCCESS);
    EXPECT_EQ(s.rows("SELECT NOM FROM BASE"), (std::vector<Row>{{"après"}})) << "the change is visible inside";
    EXPECT_EQ(storedName(), "avant") << "and not outside before the commit";
    ASSERT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
    ASSERT_EQ(s.autocommit(true), SQL_SUCCESS);
    SQLUINTEGER mode = 0;
    SQLGetConnectOption(s.dbc(), SQL_AUTOCOMMIT, &mode);
    EXPECT_EQ(mode, SQL_AUTOCOMMIT_ON);
    EXPECT_EQ(s.rows("SELECT NOM FROM BASE"), (std::vector<Row>{{"avant"}}));
    EXPECT_EQ(storedName(), "avant");
}

TEST_F(TransactionsTest, CommitPersistsClosingWithPendingWorkRollsBackAndAutocommitOnCommits)
{
    {
        Session s("Base Test", false);
        ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
        ASSERT_EQ(s.exec("INSERT INTO BASE VALUES('nouveau')"), SQL_SUCCESS);
        ASSERT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_COMMIT), SQL_SUCCESS);
        ASSERT_EQ(s.autocommit(true), SQL_SUCCESS);
    }
    EXPECT_EQ(storedName(), "avant,nouveau");
    EXPECT_EQ(Session("Base Test", false).rows("SELECT count(*) FROM BASE"), (std::vector<Row>{{"2"}}));
    {
        Session s("Base Test", false);
        ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
        ASSERT_EQ(s.exec("DELETE FROM BASE"), SQL_SUCCESS);
    }
    EXPECT_EQ(storedName(), "avant,nouveau");

    Session s("Base Test", false);
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'validé'"), SQL_SUCCESS);
    ASSERT_EQ(s.autocommit(true), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "validé,validé");
}

TEST_F(TransactionsTest, EndingATransactionInAutocommitModeSucceedsAndChangesNothing)
{
    Session s("Base Test", false);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'direct'"), SQL_SUCCESS);
    EXPECT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(SQLTransact(s.henv(), s.dbc(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "direct");
}

// A failure SQLite answers by undoing the failing statement alone: the transaction goes on and
// its commit saves what came before, as Access would.
TEST_F(TransactionsTest, AStatementUndoneAloneLeavesTheRestToCommit)
{
    BaseSqlite(m_base).run("CREATE TABLE CLE (ID LONG PRIMARY KEY); INSERT INTO CLE VALUES (1);");
    Session s;
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'gardé'"), SQL_SUCCESS);
    ASSERT_EQ(s.exec("INSERT INTO CLE VALUES (1)"), SQL_ERROR);
    const Diagnostic refused = diagRec(SQL_HANDLE_STMT, s.h());
    EXPECT_EQ(refused.state, "23000");
    EXPECT_EQ(refused.message.find("Toute la transaction"), std::string::npos) << refused.message;
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, s.dbc(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "gardé");
}

// A failure SQLite answers by undoing the whole transaction (here a trigger's RAISE(ROLLBACK),
// as a full disk or an I/O error would): the user is told, and the commit fails too.
TEST_F(TransactionsTest, ATransactionUndoneWholeIsSaidSoAndItsCommitFails)
{
    BaseSqlite(m_base).run("CREATE TRIGGER PANNE BEFORE INSERT ON BASE WHEN NEW.NOM = 'panne' "
                           "BEGIN SELECT RAISE(ROLLBACK, 'panne simulée'); END;");
    Session s;
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'perdu'"), SQL_SUCCESS);
    ASSERT_EQ(s.exec("INSERT INTO BASE VALUES ('panne')"), SQL_ERROR);
    const Diagnostic failed = diagRec(SQL_HANDLE_STMT, s.h());
    EXPECT_NE(failed.message.find("Toute la transaction a été annulée"), std::string::npos) << failed.message;
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, s.dbc(), SQL_COMMIT), SQL_ERROR);
    const Diagnostic commit = diagRec(SQL_HANDLE_DBC, s.dbc());
    EXPECT_EQ(commit.state, "40000");
    EXPECT_NE(commit.message.find("aucune de ses modifications n'a été enregistrée"), std::string::npos)
        << commit.message;
    EXPECT_EQ(storedName(), "avant");
    // The next transaction starts afresh.
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'ensuite'"), SQL_SUCCESS);
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, s.dbc(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "ensuite");
}

// The disk made full for the driver's own connection: SQLite is one library in this process, so
// an automatic extension limits the pages of every connection opened on the test's file.
class DisqueLimite {
public:
    explicit DisqueLimite(const std::string& file)
    {
        s_file = file;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&limitPages));
    }
    ~DisqueLimite() { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&limitPages)); }
    DisqueLimite(const DisqueLimite&) = delete;
    DisqueLimite& operator=(const DisqueLimite&) = delete;

private:
    static int limitPages(sqlite3* db, char**, const sqlite3_api_routines*)
    {
        const char* opened = sqlite3_db_filename(db, "main");
        if (opened != nullptr && s_file == opened)
            sqlite3_exec(db, "PRAGMA max_page_count = 40", nullptr, nullptr, nullptr);
        return SQLITE_OK;
    }
    static inline std::string s_file;
};

TEST_F(TransactionsTest, AFullDiskUndoesTheWholeTransactionAndTheCommitSaysSo)
{
    const DisqueLimite disque(m_base);
    Session s;
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("UPDATE BASE SET NOM = 'perdu'"), SQL_SUCCESS);
    SQLRETURN rc = SQL_SUCCESS;
    for (int i = 0; i < 1000 && rc == SQL_SUCCESS; ++i)
        rc = s.exec("INSERT INTO BASE VALUES (String(3000, 'x'))");
    ASSERT_EQ(rc, SQL_ERROR) << "the page limit was never reached";
    const Diagnostic full = diagRec(SQL_HANDLE_STMT, s.h());
    EXPECT_NE(full.message.find("Le disque est plein"), std::string::npos) << full.message;
    EXPECT_NE(full.message.find("Toute la transaction a été annulée"), std::string::npos) << full.message;
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, s.dbc(), SQL_COMMIT), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_DBC, s.dbc()).state, "40000");
    EXPECT_EQ(storedName(), "avant");
}

// In manual-commit mode, a SELECT whose rows are read keeps no lock: another program writes.
TEST_F(TransactionsTest, ReadingInManualCommitModeNeverBlocksAnotherWriter)
{
    Session s("Base Test", false);
    ASSERT_EQ(s.autocommit(false), SQL_SUCCESS);
    ASSERT_EQ(s.exec("SELECT NOM FROM BASE"), SQL_SUCCESS);
    EXPECT_EQ(fetchAll(s.h()), (std::vector<Row>{{"avant"}}));
    EXPECT_NO_THROW(BaseSqlite(m_base).run("INSERT INTO BASE VALUES ('ailleurs')"));
    ASSERT_EQ(s.exec("SELECT Count(*) FROM BASE"), SQL_SUCCESS);
    s.stmt.close();
    EXPECT_NO_THROW(BaseSqlite(m_base).run("INSERT INTO BASE VALUES ('encore')"));
    EXPECT_EQ(storedName(), "avant,ailleurs,encore");
}

}  // namespace
}  // namespace kervane::test
