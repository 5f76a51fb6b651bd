// Queries stored in copies of genuine Access 2000 and 97 files through the driver (CREATE VIEW,
// CREATE PROCEDURE, DROP VIEW, DROP PROCEDURE), then read back by the driver on a new
// connection, by mdbtools and by jetcheck (Jackcess), which parses every saved query.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/JetTestSupport.h"
#include "tests/driver/jet/JetWriterSupport.h"


namespace kervane::test {
namespace {

class JetQueriesWrittenTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty() || !haveProgram("mdb-queries"))
            GTEST_SKIP() << "jetcheck ou mdb-queries absent";
    }
    // What jetcheck finds wrong in the file (its queries parsed among the checks), by table or
    // query; the genuine files have a few faults of their own, which must stay the only ones.
    static std::vector<std::string> problems(const std::string& file)
    {
        int status = 0;
        std::vector<std::string> kept;
        for (const std::string& line : linesOf(runTool(jetToolsFolder() + "/jetcheck", {"verify", "--strict", file}, status)))
            if (line.starts_with("WARN") || line.starts_with("FAIL"))
                kept.push_back(line.substr(0, line.find(':')));  // the counts they give change
        return kept;
    }
    static std::string queriesLine(const std::string& file)
    {
        for (const std::string& line : linesOf(jetcheck({"info", file})))
            if (line.starts_with("queries:"))
                return line;
        return {};
    }
    // Runs `sql` with its one ? marker given the text `value`.
    static void runWith(const Connexion& connexion, const std::string& sql, const std::string& value)
    {
        Instruction statement(connexion);
        SQLLEN length = SQL_NTS;
        std::string text = value;
        ASSERT_EQ(SQLPrepare(statement.handle(), sqlText(sql), SQL_NTS), SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(statement.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, text.data(),
                                   0, &length),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLExecute(statement.handle()), SQL_SUCCESS)
            << diagRec(SQL_HANDLE_STMT, statement.handle()).message;
    }
    static SQLCHAR* sqlText(const std::string& sql) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())); }
};

// Table1 of testV1997 holds ('a', 'b', D 0) and ('abcdefg', 'hijklmnop', D 222); a select query
// with a join, WHERE and ORDER BY and three action queries with parameters, in Access 97 and
// Access 2000 files (where the rows are added first).
TEST_F(JetQueriesWrittenTest, StoredQueriesRunAndEveryReaderParsesThem)
{
    struct Case {
        const char* file;
        const char* table;
        int queriesBefore;
    };
    for (const Case& c : {Case{"jet/testV1997.mdb", "Table1", 0}, Case{"jet/queryTestV2000.mdb", "Fiche", 9}}) {
        SCOPED_TRACE(c.file);
        JET_COPY_OR_SKIP(file, c.file);
        const std::vector<std::string> genuine = problems(file);
        const std::string table = c.table;
        {
            Session session(accessFile(file), false);
            if (table == "Fiche") {
                change(session, "CREATE TABLE Fiche (A TEXT(50) PRIMARY KEY, B TEXT(100), D SMALLINT)");
                change(session, "INSERT INTO Fiche VALUES ('a', 'b', 0)");
                change(session, "INSERT INTO Fiche VALUES ('abcdefg', 'hijklmnop', 222)");
            }
            change(session, "CREATE VIEW Paires AS SELECT t.A, u.B AS [Autre B] FROM " + table + " AS t INNER JOIN " +
                                table + " AS u ON t.A = u.A WHERE t.D >= 0 ORDER BY t.A DESC");
            change(session, "CREATE PROCEDURE Renomme (ancien TEXT(50), nouveau TEXT(100)) AS UPDATE " + table +
                                " SET B = nouveau WHERE A = ancien");
            change(session, "CREATE PROCEDURE Copie (cle TEXT(50)) AS INSERT INTO " + table + " (A, B, D) SELECT cle, "
                            "B, D + 1 FROM " + table + " WHERE A = 'abcdefg'");
            change(session, "CREATE PROCEDURE Efface (seuil LONG) AS DELETE FROM " + table + " WHERE D > seuil");
            // The view is there at once; an action query is called, not read.
            EXPECT_EQ(select(session, "SELECT * FROM Paires"),
                      (std::vector<Row>{{"abcdefg", "hijklmnop"}, {"a", "b"}}));
            expectRefused(session, "SELECT * FROM Renomme", "« Renomme »", "EXECUTE");
            change(session, "EXECUTE Renomme 'a', 'zz'");
        }
        Session again(accessFile(file), false);
        EXPECT_EQ(select(again, "SELECT * FROM Paires"), (std::vector<Row>{{"abcdefg", "hijklmnop"}, {"a", "zz"}}));
        runWith(again, "{call Copie(?)}", "neuf");
        EXPECT_EQ(select(again, "SELECT A, D FROM " + table + " ORDER BY A"),
                  (std::vector<Row>{{"a", "0"}, {"abcdefg", "222"}, {"neuf", "223"}}));
        change(again, "{call Efface(222)}");
        EXPECT_EQ(number(again, "SELECT Count(*) FROM " + table), 2);
        expectRefused(again, "EXECUTE Efface", "attend 1");

        EXPECT_EQ(queriesLine(file), "queries: " + std::to_string(c.queriesBefore + 4));
        EXPECT_EQ(problems(file), genuine);
        const std::string listed = tool("mdb-queries", {file});
        for (const char* name : {"Paires", "Renomme", "Copie", "Efface"})
            EXPECT_NE(listed.find(name), std::string::npos) << listed;
        const std::string view = tool("mdb-queries", {file, "Paires"});
        EXPECT_NE(view.find("FROM [" + table + "]"), std::string::npos) << view;
        EXPECT_NE(view.find("WHERE"), std::string::npos) << view;
        EXPECT_NE(view.find("ORDER BY"), std::string::npos) << view;

        for (const char* drop : {"DROP VIEW Paires", "DROP PROCEDURE Renomme", "DROP PROCEDURE Copie",
                                 "DROP PROCEDURE Efface"})
            change(again, drop);
        refusal(again, "SELECT * FROM Paires");
        expectRefused(again, "EXECUTE Efface 1", "Efface");
        EXPECT_EQ(queriesLine(file), "queries: " + std::to_string(c.queriesBefore));
        EXPECT_EQ(problems(file), genuine);
    }
}

// A stored query's expressions keep their meaning once stored: nested operands, Not, Mod, &,
// quotes inside texts, dates, Between, In, Like and Is Null. Table1 of testV1997 holds ('a', 'b',
// C 0, D 0, G 1981-12-12, H 0) and ('abcdefg', 'hijklmnop', C 2, D 222, G 1974-09-21, H 3.5).
TEST_F(JetQueriesWrittenTest, ExpressionsReadBackWithTheirMeaning)
{
    JET_COPY_OR_SKIP(file, "jet/testV1997.mdb");
    const std::vector<Row> expected{{"abcdefg", "221", "abcdefg'\"", "2", "-1", "-1"}};
    {
        Session session(accessFile(file), false);
        change(session, "CREATE VIEW Calculs AS SELECT A, D - (C - 1) AS x, A & \"'\" & '\"' AS q, D Mod 5 AS m, "
                        "Not (C = 0) AS nz, G Between #1970-01-01# And #1975-01-01# AS annees FROM Table1 "
                        "WHERE A In ('abcdefg', 'zz') AND B Like 'hij*' AND H Is Not Null AND NOT (D - C - 1 < 0)");
        EXPECT_EQ(select(session, "SELECT * FROM Calculs"), expected);
    }
    Session again(accessFile(file), false);
    EXPECT_EQ(select(again, "SELECT * FROM Calculs"), expected);
}

// A rollback gives back the file byte for byte; what cannot be stored faithfully, or takes a name
// already used, is refused and changes nothing.
TEST_F(JetQueriesWrittenTest, RollbacksAndRefusalsLeaveTheFileAsItWas)
{
    JET_COPY_OR_SKIP(file, "jet/queryTestV2000.mdb");
    const std::vector<unsigned char> original = readBytes(file);
    Session session(accessFile(file), false);
    ASSERT_EQ(autocommit(session, false), SQL_SUCCESS);
    change(session, "CREATE VIEW Vue AS SELECT col1 FROM Table1");
    change(session, "DROP VIEW SelectQuery");
    change(session, "DROP PROCEDURE UpdateQuery");
    EXPECT_EQ(number(session, "SELECT Count(*) FROM Vue"), 0);
    refusal(session, "SELECT * FROM SelectQuery");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(readBytes(file), original);
    refusal(session, "SELECT * FROM Vue");
    EXPECT_EQ(number(session, "SELECT Count(*) FROM SelectQuery"), 0);

    expectRefused(session, "CREATE VIEW Table1 AS SELECT col1 FROM Table2", "« Table1 »", "déjà");
    expectRefused(session, "CREATE VIEW SelectQuery AS SELECT col1 FROM Table2", "« SelectQuery »", "déjà");
    expectRefused(session, "CREATE VIEW U AS SELECT col1 FROM Table1 UNION SELECT col1 FROM Table2", "Union");
    expectRefused(session, "CREATE VIEW S AS SELECT col1 FROM Table1 WHERE col2 IN (SELECT col2 FROM Table2)",
                  "sous-requêtes");
    expectRefused(session, "CREATE VIEW M AS SELECT col1 FROM Table1 WHERE col2 = ?", "« ? »");
    expectRefused(session, "CREATE VIEW A AS DELETE FROM Table1", "SELECT");
    expectRefused(session, "CREATE PROCEDURE P (x TEXT) AS INSERT INTO Table1 SELECT * FROM Table2", "nomme");
    expectRefused(session, "CREATE VIEW [a.b] AS SELECT col1 FROM Table1", "« a.b »");
    expectRefused(session, "DROP VIEW Table1", "DROP TABLE");
    expectRefused(session, "DROP PROCEDURE Absente", "« Absente »");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.connexion.handle(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(readBytes(file), original);
}

}  // namespace
}  // namespace kervane::test
