// Access SQL on a SQLite-format base: the answers Access gives, from Access's documentation.
#include "tests/driver/AccessSqlTest.h"

namespace kervane::test {
namespace {

class SqliteAccessSql : public AccessSqlTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite base(m_base);
        base.run("CREATE TABLE CLIENT (ID LONG PRIMARY KEY, NOM TEXT(50), PRENOM TEXT(50), ACTIF YESNO, "
                 "NE DATETIME, SOLDE CURRENCY, NOTE LONGTEXT);"
                 "INSERT INTO CLIENT VALUES (1, 'Dupont', 'Jean', -1, '1974-09-21 00:00:00', 3.5, NULL);"
                 "INSERT INTO CLIENT VALUES (2, 'dupont', 'Marie', 0, '1981-12-12 00:00:00', 0, 'x');"
                 "INSERT INTO CLIENT VALUES (3, 'Élie', NULL, 1, '2025-09-20 10:30:00', 12, NULL);"
                 "INSERT INTO CLIENT VALUES (4, 'Sécurité', 'Zoé', 0, NULL, NULL, NULL);"
                 "CREATE TABLE FAMILLE (ID LONG PRIMARY KEY, LIB TEXT(50));"
                 "INSERT INTO FAMILLE VALUES (1, 'Sécurité'), (2, 'Électricité'), (3, 'Éclairage'), (4, 'Jardin'),"
                 " (5, 'Divers'), (6, 'eclairage');"
                 "CREATE TABLE VENTE (ID LONG PRIMARY KEY, CLIENT LONG, MOIS SHORT, MONTANT DOUBLE);"
                 "INSERT INTO VENTE VALUES (1, 1, 1, 10), (2, 1, 2, 20), (3, 2, 1, 5), (4, 2, 1, 7), (5, 3, 3, 1);");
        open();
    }
};

TEST_F(SqliteAccessSql, AmpersandConcatenatesAndTakesNullAsEmpty)
{
    EXPECT_EQ(value("SELECT NOM & ' ' & PRENOM FROM CLIENT WHERE ID = 1"), "Dupont Jean");
    EXPECT_EQ(value("SELECT 'a' & Null"), "a");
    EXPECT_EQ(value("SELECT Null & Null"), std::nullopt);
    EXPECT_EQ(value("SELECT 5 & 6"), "56");
    EXPECT_EQ(value("SELECT 'a' + Null"), std::nullopt);
    EXPECT_EQ(value("SELECT 'a' + 'b'"), "ab");
    EXPECT_EQ(typeOf("SELECT NOM & 'x' FROM CLIENT"), SQL_VARCHAR);
}

TEST_F(SqliteAccessSql, AccentedLettersSortBesideTheirBaseLetter)
{
    EXPECT_EQ(column("SELECT LIB FROM FAMILLE WHERE ID <> 6 ORDER BY LIB"),
              (std::vector<std::string>{"Divers", "Éclairage", "Électricité", "Jardin", "Sécurité"}));
    EXPECT_EQ(value("SELECT Min(LIB) FROM FAMILLE WHERE LIB > 'Divers'"), "eclairage");
    EXPECT_EQ(value("SELECT Max(LIB) FROM FAMILLE"), "Sécurité");
    // UNION keeps one of 'Dupont' and 'dupont', equal without regard to case.
    std::vector<std::string> united = column("SELECT LIB FROM FAMILLE WHERE LIB < 'F' UNION SELECT NOM FROM CLIENT "
                                             "WHERE NOM < 'F'");
    ASSERT_EQ(united.size(), 6U);
    EXPECT_TRUE(united[1] == "Dupont" || united[1] == "dupont") << united[1];
    united.erase(united.begin() + 1);
    EXPECT_EQ(united, (std::vector<std::string>{"Divers", "eclairage", "Éclairage", "Électricité", "Élie"}));
}

TEST_F(SqliteAccessSql, YesNoTrueIsMinusOne)
{
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE ACTIF = True ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE ACTIF = -1 ORDER BY ID"), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE ACTIF = 1"), (std::vector<std::string>{}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NOT ACTIF ORDER BY ID"), (std::vector<std::string>{"2", "4"}));
    // Read as text, a Yes/No value is "1" or "0", as the Access driver gives it.
    EXPECT_EQ(column("SELECT ACTIF FROM CLIENT ORDER BY ID"), (std::vector<std::string>{"1", "0", "1", "0"}));
    EXPECT_EQ(value("SELECT True + 0"), "-1");
    EXPECT_EQ(value("SELECT (1 = 1) * 1"), "-1");
    EXPECT_EQ(value("SELECT (1 = 2) * 1"), "0");
}

TEST_F(SqliteAccessSql, DateLiteralsAndTextsComparedWithDates)
{
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NE > #9/1/2025# ORDER BY ID"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NE = #1974-09-21#"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NE > '20/09/1990' ORDER BY ID"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NE < {d '1980-01-01'}"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(value("SELECT Format(NE, 'yyyy-mm') FROM CLIENT WHERE ID = 1"), "1974-09");
    EXPECT_EQ(value("SELECT Year(NE) FROM CLIENT WHERE ID = 2"), "1981");
    EXPECT_EQ(typeOf("SELECT Min(NE) FROM CLIENT"), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(typeOf("SELECT DateAdd('d', 1, NE) FROM CLIENT"), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(typeOf("SELECT #2025-09-20#"), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(value("SELECT DateDiff('yyyy', #12/31/2020#, #1/1/2021#)"), "1");
    EXPECT_EQ(value("SELECT NE + 1 FROM CLIENT WHERE ID = 1"), "1974-09-22 00:00:00");
}

TEST_F(SqliteAccessSql, OperatorsOfAccess)
{
    EXPECT_EQ(value("SELECT 10 Mod 3"), "1");
    EXPECT_EQ(value("SELECT 11 \\ 4"), "2");
    EXPECT_EQ(value("SELECT 3 ^ 3 ^ 3"), "19683");
    EXPECT_EQ(value("SELECT 10 And 8"), "8");
    EXPECT_EQ(value("SELECT 10 Or 8"), "10");
    EXPECT_EQ(value("SELECT 10 Xor 8"), "2");
    EXPECT_EQ(value("SELECT Not 10"), "-11");
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE PRENOM Is Null"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NOM Like 'DUP*' AND PRENOM Like '[j-m]*' ORDER BY ID"),
              (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(column("SELECT ID FROM CLIENT WHERE NOM Like 'dup%'  ORDER BY ID"),
              (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(typeOf("SELECT Count(*) FROM CLIENT"), SQL_INTEGER);
    EXPECT_EQ(typeOf("SELECT Avg(ID) FROM CLIENT"), SQL_DOUBLE);
}

TEST_F(SqliteAccessSql, TopKeepsTiesAndDistinctRowIsAccepted)
{
    // Two sales of 7 and 10: TOP 2 by amount descending keeps 20 and 10; TOP 3 ascending keeps 1, 5, 7.
    EXPECT_EQ(column("SELECT TOP 2 MONTANT FROM VENTE ORDER BY MONTANT DESC"), (std::vector<std::string>{"20", "10"}));
    EXPECT_EQ(column("SELECT TOP 1 CLIENT FROM VENTE ORDER BY CLIENT"), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(column("SELECT TOP 1 CLIENT, MONTANT FROM VENTE ORDER BY 1"), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(column("SELECT TOP 40 PERCENT ID FROM VENTE ORDER BY ID"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(column("SELECT DISTINCTROW c.NOM FROM CLIENT AS c INNER JOIN VENTE AS v ON c.ID = v.CLIENT "
                     "ORDER BY c.ID"),
              (std::vector<std::string>{"Dupont", "dupont", "Élie"}));
}

TEST_F(SqliteAccessSql, FunctionsOfTheAccessLibrary)
{
    EXPECT_EQ(value("SELECT UCase(Left('Hello World', 7))"), "HELLO W");
    EXPECT_EQ(value("SELECT Nz(PRENOM) FROM CLIENT WHERE ID = 3"), "");
    EXPECT_EQ(value("SELECT Nz(PRENOM, 'aucun') FROM CLIENT WHERE ID = 3"), "aucun");
    EXPECT_EQ(value("SELECT IIf(1 > 0, 'Large', 'Small')"), "Large");
    EXPECT_EQ(value("SELECT Choose(3, 'one', 'two', 'three')"), "three");
    EXPECT_EQ(value("SELECT Switch(ID = 1, 'un', ID = 2, 'deux') FROM CLIENT WHERE ID = 2"), "deux");
    EXPECT_EQ(value("SELECT IsNull(PRENOM) * 1 FROM CLIENT WHERE ID = 3"), "-1");
    EXPECT_EQ(value("SELECT (Year(Now()) > 2000) * 1"), "-1");
    EXPECT_EQ(value("SELECT {fn UCASE('abc')}"), "ABC");
    EXPECT_EQ(value("SELECT DCount('*', 'CLIENT', 'ACTIF = True')"), "2");
    EXPECT_EQ(value("SELECT DLookup('PRENOM', 'CLIENT', 'ID = 4')"), "Zoé");
}

TEST_F(SqliteAccessSql, CrosstabMakesAColumnPerHeading)
{
    const std::vector<Row> result = rows("TRANSFORM Sum(MONTANT) SELECT CLIENT FROM VENTE GROUP BY CLIENT "
                                         "PIVOT MOIS");
    ASSERT_EQ(result.size(), 3U);
    EXPECT_EQ(result[0], (Row{"1", "10", "20", std::nullopt}));
    EXPECT_EQ(result[1], (Row{"2", "12", std::nullopt, std::nullopt}));
    EXPECT_EQ(result[2], (Row{"3", std::nullopt, std::nullopt, "1"}));
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(stmt.exec("TRANSFORM Count(*) SELECT CLIENT FROM VENTE GROUP BY CLIENT PIVOT MOIS IN (2, 4)"),
              SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()), (std::vector<std::string>{"CLIENT", "2", "4"}));
    // A heading without rows leaves its cell empty (Null), a count too, as in Access.
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"1", "1", std::nullopt},
                                                        {"2", std::nullopt, std::nullopt},
                                                        {"3", std::nullopt, std::nullopt}}));
    EXPECT_EQ(rows("TRANSFORM Count(MONTANT) SELECT CLIENT FROM VENTE GROUP BY CLIENT PIVOT MOIS")[1],
              (Row{"2", "2", std::nullopt, std::nullopt}));
}

TEST_F(SqliteAccessSql, MakeTableCreatesTheTableWithTheRows)
{
    EXPECT_EQ(changed("SELECT ID, NOM, NE INTO COPIE FROM CLIENT WHERE ID < 3"), 2);
    EXPECT_EQ(column("SELECT NOM FROM COPIE ORDER BY ID"), (std::vector<std::string>{"Dupont", "dupont"}));
    EXPECT_EQ(typeOf("SELECT NE FROM COPIE"), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(failure("SELECT ID INTO COPIE FROM CLIENT").state, "42S01");
}

TEST_F(SqliteAccessSql, DateColumnsHoldOnlyReadableDates)
{
    EXPECT_EQ(changed("INSERT INTO CLIENT (ID, NE) VALUES (10, '17/05/2024')"), 1);
    EXPECT_EQ(value("SELECT NE FROM CLIENT WHERE ID = 10"), "2024-05-17 00:00:00");
    EXPECT_EQ(changed("UPDATE CLIENT SET NE = #5/17/2024 14:30# WHERE ID = 10"), 1);
    EXPECT_EQ(value("SELECT NE FROM CLIENT WHERE ID = 10"), "2024-05-17 14:30:00");
    const Diagnostic refused = failure("INSERT INTO CLIENT (ID, NE) VALUES (11, '05/17/2024')");
    EXPECT_EQ(refused.state, "22007");
    EXPECT_NE(refused.message.find("« NE »"), std::string::npos) << refused.message;
    EXPECT_EQ(value("SELECT Count(*) FROM CLIENT WHERE ID = 11"), "0");
    EXPECT_EQ(changed("INSERT INTO CLIENT (ID, ACTIF) VALUES (12, 5)"), 1);
    EXPECT_EQ(value("SELECT Count(*) FROM CLIENT WHERE ID = 12 AND ACTIF = True"), "1");
}

TEST_F(SqliteAccessSql, ChangesThroughJoinsAndDeleteStar)
{
    EXPECT_EQ(changed("UPDATE CLIENT INNER JOIN VENTE ON CLIENT.ID = VENTE.CLIENT SET CLIENT.SOLDE = 99 "
                      "WHERE VENTE.MOIS = 3"),
              1);
    EXPECT_EQ(value("SELECT SOLDE FROM CLIENT WHERE ID = 3"), "99.0000");
    EXPECT_EQ(changed("DELETE * FROM VENTE WHERE MONTANT < 6"), 2);
    EXPECT_EQ(changed("DELETE VENTE.* FROM VENTE INNER JOIN CLIENT ON VENTE.CLIENT = CLIENT.ID "
                      "WHERE CLIENT.NOM = 'DUPONT'"),
              3);
}

TEST_F(SqliteAccessSql, DefinitionsNumberAutoNumbersAndStoreDates)
{
    changed("CREATE TABLE [Nouvelle table] (ID COUNTER, [Début] DATETIME DEFAULT #1/2/2025#, Actif YESNO)");
    EXPECT_EQ(changed("INSERT INTO [Nouvelle table] (Actif) VALUES (True)"), 1);
    EXPECT_EQ(changed("INSERT INTO [Nouvelle table] ([Début], Actif) VALUES ('26/12/2025', False)"), 1);
    EXPECT_EQ(rows("SELECT ID, [Début], Actif FROM [Nouvelle table] ORDER BY ID"),
              (std::vector<Row>{{"1", "2025-01-02 00:00:00", "1"}, {"2", "2025-12-26 00:00:00", "0"}}));
}

TEST_F(SqliteAccessSql, EveryTextTypeOfANewTableKeepsItsTextsAsWritten)
{
    // Texts that read as numbers must come back as typed, whatever the text type's name.
    changed("CREATE TABLE Notes ([Memo] MEMO, Note NOTE, S STRING(10), A ALPHANUMERIC(10), L LONGTEXT)");
    changed("ALTER TABLE Notes ADD COLUMN Ajout MEMO");
    EXPECT_EQ(changed("INSERT INTO Notes VALUES ('007', '1e3', '0042', '12.50', '-0', '+5')"), 1);
    EXPECT_EQ(rows("SELECT [Memo], Note, S, A, L, Ajout FROM Notes"),
              (std::vector<Row>{{"007", "1e3", "0042", "12.50", "-0", "+5"}}));
}

TEST_F(SqliteAccessSql, ErrorsSpeakFrenchAndPointAtTheFault)
{
    const Diagnostic unknown = failure("SELECT Foo(1)");
    EXPECT_NE(unknown.message.find("La fonction « Foo » n'est pas définie dans l'expression."), std::string::npos)
        << unknown.message;
    const Diagnostic syntax = failure("SELECT * FROM CLIENT WHERE NOM = 'é' AND AND");
    EXPECT_EQ(syntax.state, "42000");
    // The position counts characters: the second AND starts at the 42nd (43rd byte, after "é").
    EXPECT_NE(syntax.message.find("près de « AND » (caractère 42)"), std::string::npos) << syntax.message;
    const Diagnostic missing = failure("SELECT * FROM NULLE_PART");
    EXPECT_EQ(missing.state, "42S02");
    std::string wide = "SELECT 1";
    for (int i = 0; i < 2100; ++i)
        wide += ", 1";
    EXPECT_NE(failure(wide).message.find("La requête a trop de colonnes."), std::string::npos);
}

TEST_F(SqliteAccessSql, BracketsQuotesAndCommentsAreNeverRewritten)
{
    BaseSqlite(m_base).run("CREATE TABLE [T;x] ([A b] TEXT(10), [C--d] TEXT(10)); INSERT INTO [T;x] VALUES "
                           "('it''s', '/* no */');");
    m_session.reset();
    open();
    EXPECT_EQ(rows("SELECT [A b], [t;x].[C--d] FROM [T;x] -- comment 'x\r\nWHERE [A b] = 'IT''S'"),
              (std::vector<Row>{{"it's", "/* no */"}}));
}

}  // namespace
}  // namespace kervane::test
