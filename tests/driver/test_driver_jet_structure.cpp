// Tables created and removed in copies of genuine Access 2000 and 97 files through the driver:
// every Access type, keys that become the file's indexes, then the file read back by the driver
// on a new connection, by jetcheck (Jackcess) and by mdbtools. A rollback leaves every byte as it
// was; a refusal changes nothing.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/JetTestSupport.h"
#include "tests/driver/jet/JetWriterSupport.h"

#include <algorithm>
#include <cstring>

namespace kervane::test {
namespace {

class JetStructureTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent : le dossier des outils Jet manque";
    }
    // jetcheck's header line of `table` (its columns and types) and its rows, sorted.
    static std::vector<std::string> dumped(const std::string& file, const std::string& table)
    {
        const std::vector<std::string> all = linesOf(jetcheck({"dump", "--sorted", file, table}));
        return all.size() < 2 ? all : std::vector<std::string>(all.begin() + 1, all.end());
    }
    // jetcheck's lines about the user tables that are not "ok": none is expected.
    static std::vector<std::string> problems(const std::string& file, bool strict)
    {
        std::vector<std::string> arguments{"verify", "--user-only"};
        if (strict)
            arguments.push_back("--strict");
        arguments.push_back(file);
        std::vector<std::string> kept;
        for (const std::string& line : linesOf(jetcheck(arguments)))
            if (line.starts_with("WARN") || line.starts_with("FAIL"))
                kept.push_back(line);
        return kept;
    }
    // The user tables SQLTables lists.
    static std::vector<std::string> userTables(const Session& session)
    {
        Instruction stmt(session.connexion);
        std::string types = "TABLE";
        EXPECT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(types.data()),
                            SQL_NTS),
                  SQL_SUCCESS);
        std::vector<std::string> names;
        for (const Row& row : fetchAll(stmt.handle()))
            names.push_back(row[2].value_or(""));
        return names;
    }
};

// Every Access type, as Access SQL names them, in an Access 2000 and an Access 97 file.
TEST_F(JetStructureTest, NewTablesHoldEveryTypeAsEveryReaderSeesIt)
{
    struct Case {
        const char* file;
        bool jet3;
    };
    for (const Case& c : {Case{"jet/emptyJet4.mdb", false}, Case{"jet/testV1997.mdb", true}}) {
        SCOPED_TRACE(c.file);
        JET_COPY_OR_SKIP(file, c.file);
        const std::string decimal = c.jet3 ? "" : ", z DECIMAL(10, 2)";
        {
            Session session(accessFile(file), false);
            change(session, "CREATE TABLE Fiche (id COUNTER CONSTRAINT cle PRIMARY KEY, nom VARCHAR(50), n LONG, "
                            "d DATETIME, m MEMO, b YESNO, c MONEY, g GUID, x FLOAT, s SMALLINT, y BYTE, r REAL, "
                            "o LONGBINARY, v BINARY(20)" + decimal + ")");
            change(session, "INSERT INTO Fiche (nom, n, d, m, b, c, x, s, y, r" + std::string(c.jet3 ? "" : ", z") +
                                ") VALUES ('Clémence', -5, #2024-02-29 13:45:00#, '" + std::string(3000, 'm') +
                                "', True, 12.5, 0.25, -7, 200, 1.5" + (c.jet3 ? "" : ", 123.45") + ")");
            change(session, "INSERT INTO Fiche (nom) VALUES ('Zoé')");
        }
        Session again(accessFile(file), false);
        EXPECT_EQ(select(again, "SELECT id, nom, n, Len(m), b FROM Fiche ORDER BY id"),
                  (std::vector<Row>{{"1", "Clémence", "-5", "3000", "1"}, {"2", "Zoé", std::nullopt, std::nullopt, "0"}}));
        const std::vector<std::string> lines = dumped(file, "Fiche");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "id:LONG AUTO\tnom:TEXT(50)\tn:LONG\td:SHORT_DATE_TIME\tm:MEMO\tb:BOOLEAN\tc:MONEY\t"
                            "g:GUID\tx:DOUBLE\ts:INT\ty:BYTE\tr:FLOAT\to:OLE\tv:BINARY(20)" +
                                std::string(c.jet3 ? "" : "\tz:NUMERIC(10,2)"));
        EXPECT_EQ(lines[1], "1\tClémence\t-5\t2024-02-29 13:45:00\t" + std::string(3000, 'm') +
                                "\t1\t12.5\t\\N\t0.25\t-7\t200\t1.5\t\\N\t\\N" + (c.jet3 ? "" : "\t123.45"));
        EXPECT_EQ(problems(file, !c.jet3), std::vector<std::string>{});
        EXPECT_NE(jetcheck({"info", file}).find("index cle (id) primary unique required"), std::string::npos);
        int status = 0;
        const std::string schema = runTool("mdb-schema", {file, "access"}, status);
        EXPECT_NE(schema.find("[v]\t\t\tBinary"), std::string::npos) << schema;
        EXPECT_EQ(exportedRows(file, "Fiche"), 2);
    }
}

// Keys become the file's own indexes, kept exact by the writer; a name Access refuses, or one
// taken already, changes nothing.
TEST_F(JetStructureTest, KeysAreIndexesAndRefusalsChangeNothing)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    Session session(accessFile(file), false);
    change(session, "CREATE TABLE Clients (code TEXT(5), nom TEXT(40), CONSTRAINT pk_clients PRIMARY KEY (code), "
                    "CONSTRAINT un_nom UNIQUE (nom DESC))");
    change(session, "INSERT INTO Clients VALUES ('ALFKI', 'Alfreds')");
    expectRefused(session, "INSERT INTO Clients VALUES ('alfki', 'Autre')", "doublons", "clé primaire");
    expectRefused(session, "INSERT INTO Clients VALUES ('BONAP', 'Alfreds')", "doublons", "« nom »");
    expectRefused(session, "CREATE TABLE TABLE1 (a LONG)", "« TABLE1 »", "déjà");
    change(session, "CREATE TABLE [Été] (a LONG)");
    expectRefused(session, "CREATE TABLE [ÉTÉ] (b LONG)", "« ÉTÉ »", "déjà");
    // COUNTER(seed, 1) numbers from its seed, ALTER COLUMN … COUNTER(seed, 1) from a new one.
    change(session, "CREATE TABLE Tickets (n COUNTER(1000, 1) PRIMARY KEY, quoi TEXT(10))");
    change(session, "INSERT INTO Tickets (quoi) VALUES ('a')");
    change(session, "ALTER TABLE Tickets ALTER COLUMN n COUNTER(5000, 1)");
    change(session, "INSERT INTO Tickets (quoi) VALUES ('b')");
    EXPECT_EQ(select(session, "SELECT n FROM Tickets ORDER BY n"), (std::vector<Row>{{"1000"}, {"5000"}}));
    const std::vector<unsigned char> before = readBytes(file);
    expectRefused(session, "CREATE TABLE Pas (n COUNTER(1, 5))", "n'avance pas de 1");  // Access keeps no step
    expectRefused(session, "ALTER TABLE Tickets ALTER COLUMN quoi COUNTER(5, 1)", "NuméroAuto");
    expectRefused(session, "CREATE TABLE [a.b] (a LONG)", "« a.b »");
    expectRefused(session, "CREATE TABLE " + std::string(65, 'n') + " (a LONG)", std::string(65, 'n'));
    expectRefused(session, "DROP TABLE MSysObjects", "MSysObjects");
    expectRefused(session, "DROP TABLE Absente", "« Absente »");
    EXPECT_EQ(readBytes(file), before);
    const std::string info = jetcheck({"info", file});
    EXPECT_NE(info.find("index pk_clients (code) primary unique required"), std::string::npos) << info;
    EXPECT_NE(info.find("index un_nom (nom DESC) unique"), std::string::npos) << info;
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
}

// Within a transaction the new table is there for the statements that follow; a rollback gives
// back the file byte for byte, a dropped table included; a refused statement undoes itself alone.
// Other connections find the tables as the last commit left them.
TEST_F(JetStructureTest, TransactionsHoldStructureChangesWholeOrNotAtAll)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    const std::vector<unsigned char> original = readBytes(file);
    Session session(accessFile(file), false);
    ASSERT_EQ(autocommit(session, false), SQL_SUCCESS);
    change(session, "CREATE TABLE Essai (a LONG PRIMARY KEY, b TEXT(10))");
    change(session, "INSERT INTO Essai VALUES (1, 'un')");
    change(session, "DROP TABLE Table1");
    EXPECT_EQ(select(session, "SELECT a, b FROM Essai"), (std::vector<Row>{{"1", "un"}}));
    refusal(session, "SELECT * FROM Table1");
    EXPECT_EQ(userTables(session), (std::vector<std::string>{"Essai", "Table2", "Table3", "Table4"}));
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(userTables(session), (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
    EXPECT_EQ(readBytes(file), original);
    EXPECT_EQ(number(session, "SELECT count(*) FROM Table1"), 2);
    refusal(session, "SELECT * FROM Essai");

    change(session, "CREATE TABLE Essai (a LONG)");
    expectRefused(session, "CREATE TABLE Essai (b LONG)", "déjà");
    change(session, "INSERT INTO Essai VALUES (5)");
    commit(session);
    Session again(accessFile(file), false);
    EXPECT_EQ(select(again, "SELECT a FROM Essai"), (std::vector<Row>{{"5"}}));
    // A rollback makes SQLite forget its tables' connections: a table made earlier in the
    // session is connected again to be dropped.
    change(session, "CREATE TABLE Passagere (a LONG)");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
    change(session, "DROP TABLE Essai");
    commit(session);
    Session later(accessFile(file), false);
    refusal(later, "SELECT a FROM Essai");
    // A connection open meanwhile follows: the table dropped elsewhere is gone for it, those
    // created or changed there are as they now are.
    refusal(again, "SELECT a FROM Essai");
    change(session, "CREATE TABLE Nouvelle (n LONG)");
    change(session, "ALTER TABLE Table1 ADD COLUMN ajoutee TEXT(5)");
    change(session, "INSERT INTO Nouvelle VALUES (7)");
    commit(session);
    EXPECT_EQ(select(again, "SELECT n FROM Nouvelle"), (std::vector<Row>{{"7"}}));
    EXPECT_EQ(number(again, "SELECT count(ajoutee) FROM Table1"), 0);
}

// A dropped table gives its pages back: a table made after it takes them again, and the file
// reads whole; a table another one refers to by a relationship stays.
TEST_F(JetStructureTest, DroppedTablesGiveTheirPagesBack)
{
    JET_COPY_OR_SKIP(file, "jet/indexTestV2000.mdb");
    const auto pages = [&] { return readBytes(file).size() / 4096; };
    Session session(accessFile(file), false);
    change(session, "CREATE TABLE Passage (a LONG PRIMARY KEY, m MEMO)");
    for (int i = 0; i < 50; ++i)
        change(session, "INSERT INTO Passage VALUES (" + std::to_string(i) + ", '" + std::string(2000, 'p') + "')");
    const std::size_t grown = pages();
    change(session, "DROP TABLE Passage");
    change(session, "CREATE TABLE Suivante (a LONG PRIMARY KEY, b TEXT(10))");
    change(session, "INSERT INTO Suivante VALUES (1, 'un')");
    EXPECT_EQ(pages(), grown);
    const std::vector<unsigned char> before = readBytes(file);
    expectRefused(session, "DROP TABLE Table2", "relations");  // Table1 refers to it
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
    EXPECT_EQ(jetcheck({"info", file}).find("Passage"), std::string::npos);
}

// Indexes and columns of genuine tables change as in Access: a new index is built over the rows
// there (refused whole when a row breaks it), a new column reads Null in them, a column in an
// index stays, a text column shortens as far as its texts allow; a rollback gives the file back
// byte for byte. SELECT … INTO makes its table.
TEST_F(JetStructureTest, GenuineTablesTakeNewIndexesAndColumns)
{
    for (const char* copied : {"jet/testV2000.mdb", "jet/testV1997.mdb"}) {
        SCOPED_TRACE(copied);
        JET_COPY_OR_SKIP(file, copied);
        const bool jet3 = std::string(copied).find("1997") != std::string::npos;
        {
            Session session(accessFile(file), false);
            ASSERT_EQ(autocommit(session, false), SQL_SUCCESS);
            const std::vector<unsigned char> original = readBytes(file);
            change(session, "CREATE INDEX ixE ON Table1 (E DESC)");
            change(session, "ALTER TABLE Table1 ADD COLUMN J TEXT(20)");
            ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.connexion.handle(), SQL_ROLLBACK), SQL_SUCCESS);
            EXPECT_EQ(readBytes(file), original);
            refusal(session, "SELECT J FROM Table1");

            change(session, "CREATE UNIQUE INDEX ixC ON Table1 (C)");
            change(session, "ALTER TABLE Table1 ADD COLUMN J TEXT(20)");
            change(session, "ALTER TABLE Table1 ADD K MEMO");
            change(session, "INSERT INTO Table1 (A, C, J, K) VALUES ('nouveau', 9, 'été', '" + std::string(500, 'k') + "')");
            expectRefused(session, "CREATE UNIQUE INDEX ixJ ON Table1 (J) WITH DISALLOW NULL", "« J »");
            expectRefused(session, "INSERT INTO Table1 (A, C) VALUES ('double', 9)", "doublons", "« C »");
            expectRefused(session, "ALTER TABLE Table1 DROP COLUMN C", "« C »", "index");
            change(session, "ALTER TABLE Table1 ALTER COLUMN J TEXT(40)");
            // A column shortens only to the longest of its texts ('abcdefg' and 'nouveau').
            expectRefused(session, "ALTER TABLE Table1 ALTER COLUMN A TEXT(6)", "« A »", "7 caractères");
            change(session, "ALTER TABLE Table1 ALTER COLUMN A TEXT(7)");
            change(session, "ALTER TABLE Table1 DROP COLUMN D");
            change(session, "DROP INDEX B ON Table1");
            commit(session);
        }
        Session again(accessFile(file), false);
        EXPECT_EQ(select(again, "SELECT A, J, Len(K) FROM Table1 WHERE C = 9"), (std::vector<Row>{{"nouveau", "été", "500"}}));
        refusal(again, "SELECT D FROM Table1");
        const std::string info = jetcheck({"info", file});
        for (const char* line : {"column A: TEXT(7)", "column J: TEXT(40)", "column K: MEMO", "index ixC (C) unique"})
            EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
        EXPECT_EQ(info.find("index B (B)"), std::string::npos) << info;
        EXPECT_EQ(info.find("column D:"), std::string::npos) << info;
        // A make-table query takes the types of the columns it copies.
        change(again, "SELECT A, C, J, E INTO Copie FROM Table1 WHERE C <> 9");
        EXPECT_EQ(dumped(file, "Copie").front(), "A:TEXT(7)\tC:BYTE\tJ:TEXT(40)\tE:LONG");
        EXPECT_EQ(problems(file, !jet3), std::vector<std::string>{});
        EXPECT_EQ(exportedRows(file, "Table1"), 3);
        EXPECT_EQ(exportedRows(file, "Copie"), 2);
    }
}

// The same text run again on one statement handle is translated and compiled once, but reads
// the structure as it now is, whether this connection or another one changed it; its
// parameters take their new values.
TEST_F(JetStructureTest, AStatementRunAgainFollowsTheStructure)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    Session session(accessFile(file));
    Instruction again(session.connexion);
    // The count of columns, and the last one's size as SQLDescribeCol gives it.
    const auto columns = [&] {
        EXPECT_EQ(again.exec("SELECT * FROM Table1"), SQL_SUCCESS);
        SQLSMALLINT count = 0;
        SQLNumResultCols(again.handle(), &count);
        SQLULEN size = 0;
        SQLDescribeCol(again.handle(), static_cast<SQLUSMALLINT>(count), nullptr, 0, nullptr, nullptr, &size, nullptr,
                       nullptr);
        again.close();
        return std::pair{count, size};
    };
    const auto [before, lastSize] = columns();
    {
        Session other(accessFile(file));
        change(other, "ALTER TABLE Table1 ADD COLUMN Z TEXT(5)");
    }
    EXPECT_EQ(columns(), std::pair(static_cast<SQLSMALLINT>(before + 1), SQLULEN{5}));
    // + joins two texts and adds two numbers: the translation follows the column's type.
    const auto doubled = [&] {
        EXPECT_EQ(again.exec("SELECT TOP 1 Z + Z FROM Table1"), SQL_SUCCESS);
        const std::vector<Row> rows = fetchAll(again.handle());
        again.close();
        return rows;
    };
    change(session, "UPDATE Table1 SET Z = '7'");
    EXPECT_EQ(doubled(), (std::vector<Row>{{"77"}}));
    change(session, "ALTER TABLE Table1 ALTER COLUMN Z LONG");
    EXPECT_EQ(doubled(), (std::vector<Row>{{"14"}}));
    change(session, "ALTER TABLE Table1 DROP COLUMN Z");
    EXPECT_EQ(columns(), std::pair(before, lastSize));
    // Run again before its last row was read, with another value: read whole from its start.
    SQLLEN length = SQL_NTS;
    char value[20] = "abcdefg";
    SQLBindParameter(again.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0, value, 0, &length);
    EXPECT_EQ(again.exec("SELECT A FROM Table1 WHERE A <> ? ORDER BY A"), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(again.handle()), SQL_SUCCESS);
    std::strcpy(value, "nothing");
    EXPECT_EQ(again.exec("SELECT A FROM Table1 WHERE A <> ? ORDER BY A"), SQL_SUCCESS);
    EXPECT_EQ(fetchAll(again.handle()).size(), 2u);
}

// ALTER COLUMN gives a column another type, its values converted as Access converts them (a
// date to its day number, counted from 1899-12-30; a Double to a Long rounded; Yes/No to its
// words), every index and relationship of the table kept; a value that does not convert, a column
// a relationship or an index forbids, refuse the change whole.
TEST_F(JetStructureTest, ColumnsTakeAnotherTypeTheirValuesConverted)
{
    for (const char* copied : {"jet/testV2000.mdb", "jet/testV1997.mdb"}) {
        SCOPED_TRACE(copied);
        JET_COPY_OR_SKIP(file, copied);
        const bool jet3 = std::string(copied).find("1997") != std::string::npos;
        {
            Session session(accessFile(file), false);
            change(session, "CREATE TABLE P (k LONG PRIMARY KEY, v TEXT(10))");
            // Q's columns after z, dropped, take new numbers when the table is laid again.
            change(session, "CREATE TABLE Q (id COUNTER PRIMARY KEY, z TEXT(5), k LONG, n DOUBLE, "
                            "CONSTRAINT fq FOREIGN KEY (k) REFERENCES P (k) ON DELETE CASCADE)");
            change(session, "ALTER TABLE Q DROP COLUMN z");
            change(session, "INSERT INTO P VALUES (1, 'un')");
            change(session, "INSERT INTO P VALUES (2, 'deux')");
            for (int i = 0; i < 121; ++i)
                change(session, "INSERT INTO Q (k, n) VALUES (" + std::to_string(1 + i % 2) + ", " + std::to_string(i) + ")");
            change(session, "DELETE FROM Q WHERE id = 121");
            const std::vector<unsigned char> original = readBytes(file);
            expectRefused(session, "ALTER TABLE Table1 ALTER COLUMN B LONG", "« B »", "ligne");
            expectRefused(session, "ALTER TABLE Table1 ALTER COLUMN A MEMO", "« A »", "index");
            expectRefused(session, "ALTER TABLE Q ALTER COLUMN k TEXT(5)", "« k »", "relations");
            expectRefused(session, "ALTER TABLE Table1 ALTER COLUMN E BINARY(4)", "« E »", "binaires");
            EXPECT_EQ(readBytes(file), original);
            change(session, "ALTER TABLE Table1 ALTER COLUMN E TEXT(20)");
            change(session, "ALTER TABLE Table1 ALTER COLUMN G DOUBLE");
            change(session, "ALTER TABLE Table1 ALTER COLUMN F LONG");
            change(session, "ALTER TABLE Table1 ALTER COLUMN I TEXT(3)");
            change(session, "ALTER TABLE P ALTER COLUMN v MEMO");
            change(session, "ALTER TABLE Q ALTER COLUMN n TEXT(10)");
            change(session, "UPDATE P SET v = String(3000, 'v') WHERE k = 2");
            change(session, "DELETE FROM P WHERE k = 1");
            expectRefused(session, "INSERT INTO Q (k, n) VALUES (7, '1')", "« k »");
            change(session, "INSERT INTO Q (k, n) VALUES (2, '200')");  // numbered after the deleted 121
        }
        Session again(accessFile(file), false);
        EXPECT_EQ(select(again, "SELECT A, E, G, F, I FROM Table1 ORDER BY A"),
                  (std::vector<Row>{{"a", "0", "29932", "0", "Non"}, {"abcdefg", "333333333", "27293", "445", "Oui"}}));
        // The odd numbers 1 to 119 stay, whose sum is 60², and the row added after.
        EXPECT_EQ(select(again, "SELECT COUNT(*), SUM(Val(n)), MIN(k), MAX(id) FROM Q"),
                  (std::vector<Row>{{"61", "3800", "2", "122"}}));
        EXPECT_EQ(select(again, "SELECT Len(v) FROM P"), (std::vector<Row>{{"3000"}}));
        const std::string info = jetcheck({"info", file});
        for (const char* line : {"column E: TEXT(20)", "column G: DOUBLE", "column F: LONG", "column I: TEXT(3)",
                                 "column v: MEMO", "column n: TEXT(10)", "index PrimaryKey (A)", "index B (B)"})
            EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
        EXPECT_EQ(problems(file, !jet3), std::vector<std::string>{});
        EXPECT_EQ(exportedRows(file, "Q"), 61);
        EXPECT_EQ(exportedRows(file, "Table1"), 2);
    }
}

// FOREIGN KEY makes an Access relationship, which the writer then enforces and cascades, jetcheck
// checks, and which keeps its tables until DROP CONSTRAINT removes it; one the rows already there
// break is refused whole.
TEST_F(JetStructureTest, ForeignKeysBecomeRelationshipsAccessEnforces)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    Session session(accessFile(file), false);
    change(session, "CREATE TABLE Clients (id COUNTER PRIMARY KEY, nom TEXT(20))");
    change(session, "INSERT INTO Clients (nom) VALUES ('Un')");
    change(session, "INSERT INTO Clients (nom) VALUES ('Deux')");
    change(session, "CREATE TABLE Commandes (n LONG PRIMARY KEY, client LONG, "
                    "CONSTRAINT fk_client FOREIGN KEY (client) REFERENCES Clients (id) ON DELETE CASCADE)");
    change(session, "INSERT INTO Commandes VALUES (1, 1)");
    change(session, "INSERT INTO Commandes VALUES (2, 2)");
    expectRefused(session, "INSERT INTO Commandes VALUES (3, 7)", "« client »");
    change(session, "ALTER TABLE Table1 ADD COLUMN client LONG");
    change(session, "UPDATE Table1 SET client = 9");
    const std::vector<unsigned char> before = readBytes(file);
    expectRefused(session, "ALTER TABLE Table1 ADD CONSTRAINT r_table1 FOREIGN KEY (client) REFERENCES Clients",
                  "« client »");
    EXPECT_EQ(readBytes(file), before);
    change(session, "UPDATE Table1 SET client = 2");
    change(session, "ALTER TABLE Table1 ADD CONSTRAINT r_table1 FOREIGN KEY (client) REFERENCES Clients");
    expectRefused(session, "DELETE FROM Clients WHERE id = 2", "« id »");  // Table1 refers to it, without cascade
    change(session, "DELETE FROM Clients WHERE id = 1");                  // its order goes with it
    EXPECT_EQ(select(session, "SELECT n FROM Commandes"), (std::vector<Row>{{"2"}}));
    expectRefused(session, "DROP TABLE Clients", "relations");
    const std::string info = jetcheck({"info", file});
    for (const char* line : {"relationships: 2", "index fk_client (client) foreign", "index r_table1 (client) foreign"})
        EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
    const std::vector<std::string> rows = linesOf(jetcheck({"dump", "--sorted", "--system", file, "MSysRelationships"}));
    EXPECT_NE(std::find(rows.begin(), rows.end(), "1\t4096\t0\tclient\tCommandes\tid\tClients\tfk_client"), rows.end());

    // An index of a table in a relationship goes (the other side's references to the indexes after
    // it follow), a relationship's own only with its relationship; then the tables can go.
    change(session, "DROP INDEX PrimaryKey ON Table1");
    expectRefused(session, "DELETE FROM Clients WHERE id = 2", "« id »");
    expectRefused(session, "UPDATE Table1 SET client = 7", "« client »");
    expectRefused(session, "DROP INDEX fk_client ON Commandes", "DROP CONSTRAINT");
    change(session, "ALTER TABLE Commandes DROP CONSTRAINT fk_client");
    change(session, "INSERT INTO Commandes VALUES (3, 7)");
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
    // Dropping a table takes the relationships by which it refers to others: Table1 goes with
    // r_table1, then Clients, which nothing refers to any longer.
    change(session, "DROP TABLE Table1");
    change(session, "DROP TABLE Clients");
    // A table related to itself: a row names another's key, a deletion follows the chain.
    change(session, "CREATE TABLE Equipe (id LONG PRIMARY KEY, chef LONG, "
                    "CONSTRAINT fk_chef FOREIGN KEY (chef) REFERENCES Equipe (id) ON DELETE CASCADE)");
    change(session, "INSERT INTO Equipe VALUES (1, NULL)");
    change(session, "INSERT INTO Equipe VALUES (2, 1)");
    change(session, "INSERT INTO Equipe VALUES (3, 2)");
    expectRefused(session, "INSERT INTO Equipe VALUES (4, 9)", "« chef »");
    change(session, "DELETE FROM Equipe WHERE id = 2");
    EXPECT_EQ(select(session, "SELECT id FROM Equipe"), (std::vector<Row>{{"1"}}));
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
    change(session, "DROP TABLE Equipe");  // with its relationship to itself
    EXPECT_NE(jetcheck({"info", file}).find("relationships: 0"), std::string::npos);
    EXPECT_EQ(linesOf(jetcheck({"dump", "--system", file, "MSysRelationships"})).size(), 2u);  // its name, its columns
    EXPECT_EQ(problems(file, true), std::vector<std::string>{});
}

// NOT NULL and DEFAULT become the columns' Required and DefaultValue properties, read back by
// mdbtools; an insert leaving a column out gets its default, a Null in a required column is
// refused before anything is written.
TEST_F(JetStructureTest, RequiredAndDefaultValuesAreKeptAndApplied)
{
    for (const char* source : {"jet/emptyJet4.mdb", "jet/testV1997.mdb"}) {
        SCOPED_TRACE(source);
        JET_COPY_OR_SKIP(file, source);
        {
            Session session(accessFile(file), false);
            change(session, "CREATE TABLE Clients (id COUNTER PRIMARY KEY, nom TEXT(40) NOT NULL, "
                            "ville TEXT(30) DEFAULT 'Lyon', n LONG NOT NULL DEFAULT -3, jour DATETIME DEFAULT "
                            "#2024-01-02#, actif YESNO NOT NULL DEFAULT True, vu DATETIME DEFAULT Now())");
            change(session, "INSERT INTO Clients (nom) VALUES ('Zoé')");
            const std::vector<unsigned char> before = readBytes(file);
            expectRefused(session, "INSERT INTO Clients (ville) VALUES ('Paris')", "« nom »", "« Clients »",
                          "exige une valeur");
            expectRefused(session, "UPDATE Clients SET n = Null", "« n »", "exige une valeur");
            expectRefused(session, "CREATE TABLE Autre (a LONG DEFAULT (1 + 2))", "valeur par défaut", "« a »");
            EXPECT_EQ(readBytes(file), before);
            change(session, "INSERT INTO Clients (nom, ville, actif) VALUES ('Léo', Null, False)");
        }
        Session again(accessFile(file), false);
        EXPECT_EQ(select(again, "SELECT nom, ville, n, jour, actif, vu IS NOT NULL FROM Clients ORDER BY id"),
                  (std::vector<Row>{{"Zoé", "Lyon", "-3", "2024-01-02 00:00:00", "1", "1"},
                                    {"Léo", std::nullopt, "-3", "2024-01-02 00:00:00", "0", "1"}}));
        int status = 0;
        const std::string schema = runTool("mdb-schema", {"--default-values", file, "access"}, status);
        for (const char* line : {"[nom]\t\t\tText (40) NOT NULL,", "[ville]\t\t\tText (30) DEFAULT 'Lyon',",
                                 "[n]\t\t\tLong Integer NOT NULL DEFAULT -3,", "[vu]\t\t\tDateTime DEFAULT Now()"})
            EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;
        EXPECT_EQ(problems(file, source[4] == 'e'), std::vector<std::string>{});
    }
}

// A genuine table whose design requires every column: a row leaving one Null is refused, the
// file untouched; defaults a genuine design gives (Table1's numbers, 0) fill the columns left out.
TEST_F(JetStructureTest, GenuineDesignsAreEnforcedToo)
{
    JET_COPY_OR_SKIP(file, "jet/fixedTextTestV2000.mdb");
    Session session(accessFile(file), false);
    const std::vector<unsigned char> before = readBytes(file);
    expectRefused(session, "INSERT INTO users (i_user_id, c_flag_) VALUES (99, 'N')", "« c_user_login »",
                  "« users »", "exige une valeur");
    expectRefused(session, "UPDATE users SET d_stamp_ = Null", "« d_stamp_ »", "exige une valeur");
    EXPECT_EQ(readBytes(file), before);

    JET_COPY_OR_SKIP(table1, "jet/testV2000.mdb");
    Session other(accessFile(table1), false);
    change(other, "INSERT INTO Table1 (A) VALUES ('z')");
    EXPECT_EQ(select(other, "SELECT B, C, D, E, F, G, H, I FROM Table1 WHERE A = 'z'"),
              (std::vector<Row>{{std::nullopt, "0", "0", "0", "0", std::nullopt, "0.0000", "0"}}));
}

// A table whose definition cannot be read fails the statements that name it with its reason,
// not as an unknown name; the other tables stay readable.
TEST_F(JetStructureTest, AnUnreadableTableFailsItsStatementsWithItsReason)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    long long definition = -1;
    {
        Session session(accessFile(file));
        // A table's Id in MSysObjects is the page of its definition.
        definition = number(session, "SELECT Id FROM MSysObjects WHERE Name = 'Table2'") & 0xffffff;
    }
    ASSERT_GT(definition, 0);
    std::vector<unsigned char> bytes = readBytes(file);
    bytes[static_cast<std::size_t>(definition) * 4096] = 0x01;  // a data page's kind, no definition's
    writeBytes(file, bytes);
    Session session(accessFile(file));
    expectRefused(session, "SELECT * FROM Table2", "La table « Table2 »", "endommagée");
    EXPECT_EQ(number(session, "SELECT count(*) FROM Table1"), 2);
}

// Exclusive=1 opens the file for one connection: refused while another has it open, and no other
// opens it meanwhile, in this process or another.
TEST_F(JetStructureTest, ExclusiveOpensTheFileForOneConnectionAlone)
{
    JET_COPY_OR_SKIP(file, "jet/testV2000.mdb");
    const std::string shared = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + file;
    Environnement env(true);
    {
        Connexion first(env);
        ASSERT_EQ(first.driverConnect(shared), SQL_SUCCESS);
        Connexion alone(env);
        EXPECT_EQ(alone.driverConnect(shared + ";Exclusive=1"), SQL_ERROR);
        EXPECT_NE(diagRec(SQL_HANDLE_DBC, alone.handle()).message.find("en exclusivité"), std::string::npos);
        first.disconnect();
    }
    Connexion alone(env);
    ASSERT_EQ(alone.driverConnect(shared + ";EXCLUSIVE=1"), SQL_SUCCESS) << diagRec(SQL_HANDLE_DBC, alone.handle()).message;
    Connexion other(env);
    EXPECT_EQ(other.driverConnect(shared), SQL_ERROR);
    EXPECT_NE(diagRec(SQL_HANDLE_DBC, other.handle()).message.find("ouvert en exclusivité"), std::string::npos);
    int status = 0;
    runTool(jetToolsFolder() + "/jetcheck", {"info", file}, status);  // another program only reads, unlocked
    EXPECT_EQ(status, 0);
    alone.disconnect();
    EXPECT_EQ(other.driverConnect(shared), SQL_SUCCESS);
}

}  // namespace
}  // namespace kervane::test
