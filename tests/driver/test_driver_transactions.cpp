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
    static SQLRETURN autocommit(const Connexion& connexion, bool on)
    {
        return SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    }
};

TEST_F(TransactionsTest, RollbackReallyUndoesTheChange)
{
    Environnement env;
    Connexion connexion(env);
    ASSERT_EQ(connexion.connect("Base Test"), SQL_SUCCESS);
    Instruction stmt(connexion);
    ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
    ASSERT_EQ(stmt.exec("UPDATE BASE SET NOM = 'après'"), SQL_SUCCESS);
    stmt.close();
    ASSERT_EQ(stmt.exec("SELECT NOM FROM BASE"), SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"après"}})) << "the change is visible inside";
    stmt.close();
    EXPECT_EQ(storedName(), "avant") << "and not outside before the commit";
    ASSERT_EQ(SQLTransact(env.handle(), connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    ASSERT_EQ(autocommit(connexion, true), SQL_SUCCESS);
    SQLUINTEGER mode = 0;
    SQLGetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, &mode);
    EXPECT_EQ(mode, SQL_AUTOCOMMIT_ON);
    ASSERT_EQ(stmt.exec("SELECT NOM FROM BASE"), SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"avant"}}));
    EXPECT_EQ(storedName(), "avant");
}

TEST_F(TransactionsTest, CommitReallyPersistsTheChange)
{
    Environnement env;
    {
        Connexion connexion(env);
        ASSERT_EQ(connexion.connect("Base Test"), SQL_SUCCESS);
        Instruction stmt(connexion);
        ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
        ASSERT_EQ(stmt.exec("INSERT INTO BASE VALUES('nouveau')"), SQL_SUCCESS);
        ASSERT_EQ(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT), SQL_SUCCESS);
        ASSERT_EQ(autocommit(connexion, true), SQL_SUCCESS);
    }
    EXPECT_EQ(storedName(), "avant,nouveau");
    Connexion again(env);
    ASSERT_EQ(again.connect("Base Test"), SQL_SUCCESS);
    Instruction stmt(again);
    ASSERT_EQ(stmt.exec("SELECT count(*) FROM BASE"), SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"2"}}));
}

TEST_F(TransactionsTest, ClosingWithPendingWorkRollsItBackAndSwitchingAutocommitOnCommits)
{
    Environnement env;
    {
        Connexion connexion(env);
        ASSERT_EQ(connexion.connect("Base Test"), SQL_SUCCESS);
        Instruction stmt(connexion);
        ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
        ASSERT_EQ(stmt.exec("DELETE FROM BASE"), SQL_SUCCESS);
    }
    EXPECT_EQ(storedName(), "avant");

    Connexion connexion(env);
    ASSERT_EQ(connexion.connect("Base Test"), SQL_SUCCESS);
    Instruction stmt(connexion);
    ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
    ASSERT_EQ(stmt.exec("UPDATE BASE SET NOM = 'validé'"), SQL_SUCCESS);
    ASSERT_EQ(autocommit(connexion, true), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "validé");
}

TEST_F(TransactionsTest, EndingATransactionInAutocommitModeSucceedsAndChangesNothing)
{
    Environnement env;
    Connexion connexion(env);
    ASSERT_EQ(connexion.connect("Base Test"), SQL_SUCCESS);
    Instruction stmt(connexion);
    ASSERT_EQ(stmt.exec("UPDATE BASE SET NOM = 'direct'"), SQL_SUCCESS);
    EXPECT_EQ(SQLTransact(env.handle(), connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(storedName(), "direct");
}

}  // namespace
}  // namespace kervane::test
