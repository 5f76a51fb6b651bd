// Running statements: row counts, values read in pieces, NULLs, and the error classes.
#include "tests/driver/OdbcTestSupport.h"

namespace kervane::test {
namespace {

class StatementsTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite base(m_base);
        base.run("CREATE TABLE CLIENT(ID LONG PRIMARY KEY, NOM TEXT(50) NOT NULL, NOTE MEMO);"
                 "INSERT INTO CLIENT VALUES(1, 'Alpha', NULL), (2, 'Beta', NULL), (3, 'Gamma', NULL);");
        // 4500 ASCII characters, and 3000 two-byte characters (not digits: MEMO has numeric affinity)
        base.run("UPDATE CLIENT SET NOTE = replace(hex(zeroblob(450)), '00', 'abcdefghij') WHERE ID = 1;"
                 "UPDATE CLIENT SET NOTE = replace(hex(zeroblob(3000)), '00', 'é') WHERE ID = 2;");
        m_connexion.emplace(m_env);
        ASSERT_EQ(m_connexion->connect("Base Test"), SQL_SUCCESS);
    }
    void TearDown() override { m_connexion.reset(); }

    SQLLEN rowCount(const std::string& sql)
    {
        Instruction stmt(*m_connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << ": " << lastError(m_env.handle(), m_connexion->handle(), stmt.handle()).message;
        SQLLEN count = -99;
        EXPECT_EQ(SQLRowCount(stmt.handle(), &count), SQL_SUCCESS);
        return count;
    }

    Diagnostic failure(const std::string& sql)
    {
        Instruction stmt(*m_connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_ERROR) << sql;
        return diagRec(SQL_HANDLE_STMT, stmt.handle());
    }

    Environnement m_env{true};
    std::optional<Connexion> m_connexion;
};

TEST_F(StatementsTest, RowCountIsMinusOneForRowsAndTheAffectedCountForChanges)
{
    EXPECT_EQ(rowCount("SELECT * FROM CLIENT"), -1);
    EXPECT_EQ(rowCount("SELECT * FROM CLIENT WHERE 1 = 2"), -1);
    EXPECT_EQ(rowCount("INSERT INTO CLIENT(ID, NOM) SELECT ID + 10, NOM FROM CLIENT"), 3);
    EXPECT_EQ(rowCount("UPDATE CLIENT SET NOM = 'X' WHERE ID > 10"), 3);
    EXPECT_EQ(rowCount("UPDATE CLIENT SET NOM = 'X' WHERE ID = 999"), 0);
    EXPECT_EQ(rowCount("DELETE FROM CLIENT WHERE ID > 11"), 2);
    EXPECT_EQ(rowCount("CREATE TABLE AUTRE(A LONG)"), 0);
    EXPECT_EQ(rowCount("  -- commentaire\n  insert into AUTRE values (1);"), 1);
}

TEST_F(StatementsTest, MemoOf4500CharactersComesInThreePiecesWith01004)
{
    Instruction stmt(*m_connexion);
    ASSERT_EQ(stmt.exec("SELECT NOTE FROM CLIENT WHERE ID = 1"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
    char buffer[2000];
    SQLLEN length = 0;
    std::string value;
    const SQLLEN remaining[] = {4500, 2501};
    for (const SQLLEN expected : remaining) {
        ASSERT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_SUCCESS_WITH_INFO);
        EXPECT_EQ(length, expected);
        EXPECT_EQ(lastError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt.handle()).state, "01004");
        EXPECT_EQ(std::string(buffer).size(), 1999U);
        value += buffer;
    }
    ASSERT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 502);
    value += buffer;
    EXPECT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_NO_DATA);
    ASSERT_EQ(value.size(), 4500U);
    EXPECT_EQ(value.substr(1990, 20), "abcdefghijabcdefghij");
}

TEST_F(StatementsTest, PiecesNeverCutAUtf8CharacterAndNullsComeAsNullData)
{
    Instruction stmt(*m_connexion);
    ASSERT_EQ(stmt.exec("SELECT NOTE FROM CLIENT WHERE ID >= 2 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
    char buffer[2000];
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::string(buffer).size(), 1998U) << "a 2-byte character must not be split";
    const std::optional<std::string> rest = readText(stmt.handle(), 1);
    ASSERT_TRUE(rest.has_value());
    EXPECT_EQ(std::string(buffer).size() + rest->size(), 6000U);

    ASSERT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_SUCCESS);
    EXPECT_EQ(length, SQL_NULL_DATA);
    EXPECT_EQ(SQLGetData(stmt.handle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_NO_DATA);
    EXPECT_EQ(SQLFetch(stmt.handle()), SQL_NO_DATA);
}

TEST_F(StatementsTest, EveryErrorClassHasItsStateAndAFrenchMessageNamingTheObject)
{
    Diagnostic d = failure("SELECT * FROM INCONNUE");
    EXPECT_EQ(d.state, "42S02");
    EXPECT_NE(d.message.find("La table ou la requête « INCONNUE » est introuvable."), std::string::npos) << d.message;

    d = failure("SELECT PRENOM FROM CLIENT");
    EXPECT_EQ(d.state, "42S22");
    EXPECT_NE(d.message.find("« PRENOM »"), std::string::npos) << d.message;

    d = failure("INSERT INTO CLIENT(ID, PRENOM) VALUES(9, 'x')");
    EXPECT_EQ(d.state, "42S22");
    EXPECT_NE(d.message.find("« PRENOM »"), std::string::npos) << d.message;

    d = failure("SELEC * FROM CLIENT");
    EXPECT_EQ(d.state, "42000");
    EXPECT_NE(d.message.find("Erreur de syntaxe près de « SELEC »"), std::string::npos) << d.message;

    d = failure("SELECT * FROM CLIENT WHERE");
    EXPECT_EQ(d.state, "42000");

    d = failure("SELECT 1; SELECT 2");
    EXPECT_EQ(d.state, "42000");
    EXPECT_NE(d.message.find("une seule instruction"), std::string::npos) << d.message;

    d = failure("INSERT INTO CLIENT(ID, NOM) VALUES(1, 'Doublon')");
    EXPECT_EQ(d.state, "23000");
    EXPECT_NE(d.message.find("CLIENT.ID"), std::string::npos) << d.message;
    EXPECT_EQ(d.native, 19);

    d = failure("INSERT INTO CLIENT(ID) VALUES(50)");
    EXPECT_EQ(d.state, "23000");
    EXPECT_NE(d.message.find("CLIENT.NOM"), std::string::npos) << d.message;

    d = failure("SELECT Abs(-9223372036854775807 - 1)");
    EXPECT_EQ(d.state, "22003");
    EXPECT_TRUE(d.message.starts_with("[Kervane][Pilote ODBC Access]")) << d.message;

    // An ODBC 2 application reads the same failure through SQLError.
    Environnement env2;
    Connexion connexion2(env2);
    ASSERT_EQ(connexion2.connect("Base Test"), SQL_SUCCESS);
    Instruction stmt2(connexion2);
    ASSERT_EQ(stmt2.exec("SELECT * FROM INCONNUE"), SQL_ERROR);
    const Diagnostic d2 = lastError(env2.handle(), connexion2.handle(), stmt2.handle());
    EXPECT_TRUE(d2.state == "S0002" || d2.state == "42S02") << d2.state;
    EXPECT_NE(d2.message.find("« INCONNUE »"), std::string::npos);
    EXPECT_EQ(lastError(env2.handle(), connexion2.handle(), stmt2.handle()).state, "") << "one record only";
}

TEST_F(StatementsTest, PrepareExecuteAndRerunTheSameStatement)
{
    Instruction stmt(*m_connexion);
    const std::string sql = "SELECT NOM FROM CLIENT ORDER BY ID";
    ASSERT_EQ(SQLPrepare(stmt.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS),
              SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    EXPECT_EQ(SQLNumResultCols(stmt.handle(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(SQLExecute(stmt.handle()), SQL_SUCCESS);
        EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"Alpha"}, {"Beta"}, {"Gamma"}}));
        stmt.close();
    }
    EXPECT_EQ(SQLFetch(stmt.handle()), SQL_ERROR) << "no cursor after SQL_CLOSE";
    const std::string state = diagRec(SQL_HANDLE_STMT, stmt.handle()).state;
    EXPECT_TRUE(state == "24000" || state == "HY010") << state;
}

}  // namespace
}  // namespace kervane::test
