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
        m_session.emplace();
    }
    void TearDown() override { m_session.reset(); }

    SQLLEN rowCount(const std::string& sql)
    {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << ": " << lastError(m_session->henv(), m_session->dbc(), stmt.handle()).message;
        SQLLEN count = -99;
        EXPECT_EQ(SQLRowCount(stmt.handle(), &count), SQL_SUCCESS);
        return count;
    }

    Diagnostic failure(const std::string& sql)
    {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_ERROR) << sql;
        return diagRec(SQL_HANDLE_STMT, stmt.handle());
    }

    std::optional<Session> m_session;
};

TEST_F(StatementsTest, RowCountIsMinusOneForRowsAndDefinitionsAndTheAffectedCountForChanges)
{
    EXPECT_EQ(rowCount("SELECT * FROM CLIENT"), -1);
    EXPECT_EQ(rowCount("SELECT * FROM CLIENT WHERE 1 = 2"), -1);
    EXPECT_EQ(rowCount("INSERT INTO CLIENT(ID, NOM) SELECT ID + 10, NOM FROM CLIENT"), 3);
    EXPECT_EQ(rowCount("UPDATE CLIENT SET NOM = 'X' WHERE ID > 10"), 3);
    EXPECT_EQ(rowCount("UPDATE CLIENT SET NOM = 'X' WHERE ID = 999"), 0);
    EXPECT_EQ(rowCount("DELETE FROM CLIENT WHERE ID > 11"), 2);
    EXPECT_EQ(rowCount("CREATE TABLE AUTRE(A LONG)"), -1);
    EXPECT_EQ(rowCount("  -- commentaire\n  insert into AUTRE values (1);"), 1);
}

TEST_F(StatementsTest, MemoOf4500CharactersComesInThreePiecesWith01004)
{
    Instruction stmt(m_session->connexion);
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
    Instruction stmt(m_session->connexion);
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
    const struct {
        const char* sql;
        const char* state;
        const char* text;
    } cases[] = {
        {"SELECT * FROM INCONNUE", "42S02", "La table ou la requête « INCONNUE » est introuvable."},
        {"SELECT PRENOM FROM CLIENT", "42S22", "« PRENOM »"},
        {"INSERT INTO CLIENT(ID, PRENOM) VALUES(9, 'x')", "42S22", "« PRENOM »"},
        {"SELEC * FROM CLIENT", "42000", "Erreur de syntaxe près de « SELEC »"},
        {"SELECT * FROM CLIENT WHERE", "42000", ""},
        {"SELECT 1; SELECT 2", "42000", "une seule instruction"},
        {"INSERT INTO CLIENT(ID, NOM) VALUES(1, 'Doublon')", "23000", "CLIENT.ID"},
        {"INSERT INTO CLIENT(ID) VALUES(50)", "23000", "CLIENT.NOM"},
        {"SELECT Abs(-9223372036854775807 - 1)", "22003", ""},
    };
    for (const auto& c : cases) {
        const Diagnostic d = failure(c.sql);
        EXPECT_EQ(d.state, c.state) << c.sql;
        EXPECT_TRUE(d.message.starts_with("[Kervane][Pilote ODBC Access]")) << d.message;
        EXPECT_NE(d.message.find(c.text), std::string::npos) << d.message;
        if (std::string(c.text) == "CLIENT.ID") {
            EXPECT_EQ(d.native, 19);  // SQLite's SQLITE_CONSTRAINT
        }
    }

    // An ODBC 2 application reads the same failure through SQLError.
    Session s2("Base Test", false);
    ASSERT_EQ(s2.exec("SELECT * FROM INCONNUE"), SQL_ERROR);
    const Diagnostic d2 = lastError(s2.henv(), s2.dbc(), s2.h());
    EXPECT_TRUE(d2.state == "S0002" || d2.state == "42S02") << d2.state;
    EXPECT_NE(d2.message.find("« INCONNUE »"), std::string::npos);
    EXPECT_EQ(lastError(s2.henv(), s2.dbc(), s2.h()).state, "") << "one record only";
}

// A prepared statement outlives SQL_CLOSE: it runs again, its columns known before it runs.
TEST_F(StatementsTest, PrepareExecuteAndRerunTheSameStatement)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(), (SQLCHAR*)"SELECT NOM FROM CLIENT ORDER BY ID", SQL_NTS), SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    EXPECT_EQ(SQLNumResultCols(stmt.handle(), &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(SQLExecute(stmt.handle()), SQL_SUCCESS);
        EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"Alpha"}, {"Beta"}, {"Gamma"}}));
        stmt.close();
    }
}

}  // namespace
}  // namespace kervane::test
