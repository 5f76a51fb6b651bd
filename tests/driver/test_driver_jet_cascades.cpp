// The cascades of relationships with referential integrity, made through the driver on copies of
// genuine Access files: indexTestV2000 and indexTestV1997 (Table2 -> Table1 cascades deletions,
// Table3 -> Table1 updates), nwind (Orders -> Order Details deletions, Customers -> Orders
// updates), and a file Jackcess writes with chains of relationships, a deletion to Null, one
// without cascade and a loop of two (fixtures/CascadeTables.java). After each commit jetcheck walks every index and finds a parent
// for every row that refers to one.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

namespace kervane::test {
namespace {

class JetCascadesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent (../shared/tools/jetcheck)";
    }

    // The rows a statement changed in its own table, as SQLRowCount gives them.
    static SQLLEN changedRows(const Connexion& connexion, const std::string& sql)
    {
        Instruction stmt(connexion);
        SQLLEN count = -1;
        EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << " : " << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
        SQLRowCount(stmt.handle(), &count);
        return count;
    }

    // The file with chains of relationships, made afresh; empty (the test skipped) when it cannot be.
    std::string cascadeFile()
    {
        std::string why;
        const std::string file = path("cascades.mdb");
        if (!makeJackcessFile("CascadeTables.java", file, why))
            return {};
        return file;
    }

    static std::vector<Row> rows(std::initializer_list<std::initializer_list<const char*>> values)
    {
        std::vector<Row> out;
        for (const auto& line : values) {
            Row row;
            for (const char* value : line)
                row.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            out.push_back(row);
        }
        return out;
    }

    // jetcheck verify finds no failure (on Access 97 files its own limits give warnings only).
    static void noFailureFound(const std::string& file)
    {
        int status = 0;
        const std::string verdict = runTool(jetToolsFolder() + "/jetcheck", {"verify", "--user-only", file}, status);
        EXPECT_EQ(verdict.find("FAIL"), std::string::npos) << verdict;
    }
};

// Deleting a referenced row deletes the rows referring to it, others untouched; the count SQL
// gives is that of the statement's own table.
TEST_F(JetCascadesTest, ADeletionTakesTheRowsReferringToIt)
{
    for (const char* name : {"jet/indexTestV2000.mdb", "jet/indexTestV1997.mdb"}) {
        JET_COPY_OR_SKIP(file, name);
        {
            Session connexion(accessFile(file), false);
            // Table1 rows 1 and 2 refer to Table2 row 1.
            EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1 WHERE otherfk1 = 1"), 2);
            EXPECT_EQ(changedRows(connexion, "DELETE FROM Table2 WHERE id = 1"), 1) << name;
            EXPECT_EQ(select(connexion, "SELECT id, otherfk1 FROM Table1 ORDER BY id"),
                      rows({{"0", "0"}, {"3", "2"}}));
            EXPECT_EQ(select(connexion, "SELECT id FROM Table2 ORDER BY id"), rows({{"0"}, {"2"}}));
        }
        noFailureFound(file);
    }
    JET_COPY_OR_SKIP(nwind, "nwind.mdb");
    Session connexion(accessFile(nwind), false, false);
    // 2,155 order lines, three of them on order 10248.
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID = 10248"), 3);
    EXPECT_EQ(changedRows(connexion, "DELETE FROM Orders WHERE OrderID = 10248"), 1);
    // Then a hundred orders at once, their lines over many pages of the index on OrderID.
    const long long lines = number(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID < 10349");
    EXPECT_GT(lines, 200);
    EXPECT_EQ(changedRows(connexion, "DELETE FROM Orders WHERE OrderID < 10349"), 100);
    commit(connexion);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM [Order Details] WHERE OrderID < 10349"), 0);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM [Order Details]"), 2152 - lines);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders"), 729);
    noFailureFound(nwind);
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exportedRows(nwind, "Order Details"), 2152 - lines);
}

// Changing a referenced key changes the referring rows' keys, their indexes kept exact.
TEST_F(JetCascadesTest, AChangedKeyIsCarriedToTheRowsReferringToIt)
{
    for (const char* name : {"jet/indexTestV2000.mdb", "jet/indexTestV1997.mdb"}) {
        JET_COPY_OR_SKIP(file, name);
        {
            Session connexion(accessFile(file), false);
            EXPECT_EQ(changedRows(connexion, "UPDATE Table3 SET id = 20 WHERE id = 11"), 1) << name;
            // Found through Table1's index on otherfk2.
            EXPECT_EQ(select(connexion, "SELECT id FROM Table1 WHERE otherfk2 = 20 ORDER BY id"), rows({{"1"}, {"2"}}));
            EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1 WHERE otherfk2 = 11"), 0);
            EXPECT_EQ(select(connexion, "SELECT id FROM Table3 ORDER BY id"), rows({{"10"}, {"12"}, {"13"}, {"20"}}));
        }
        noFailureFound(file);
    }
    // nwind: a customer's text key carried to its orders through the Access 97 text index.
    JET_COPY_OR_SKIP(nwind, "nwind.mdb");
    {
        Session connexion(accessFile(nwind), false);
        const long long orders = number(connexion, "SELECT count(*) FROM Orders WHERE CustomerID = 'ALFKI'");
        ASSERT_GT(orders, 0);
        EXPECT_EQ(changedRows(connexion, "UPDATE Customers SET CustomerID = 'ZZZZZ' WHERE CustomerID = 'ALFKI'"), 1);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders WHERE CustomerID = 'ZZZZZ'"), orders);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders WHERE CustomerID = 'ALFKI'"), 0);
    }
    noFailureFound(nwind);
}

// A relationship that does not cascade the change refuses it, and the file keeps every byte.
TEST_F(JetCascadesTest, WhatARelationshipDoesNotCascadeIsRefused)
{
    JET_COPY_OR_SKIP(file, "jet/indexTestV2000.mdb");
    const std::string digest = fileDigest(file);
    Session connexion(accessFile(file), false);
    // Table2 -> Table1 cascades deletions only, Table3 -> Table1 updates only.
    for (const char* sql : {"UPDATE Table2 SET id = 7 WHERE id = 1", "DELETE FROM Table3 WHERE id = 11"}) {
        expectRefused(connexion, sql, "font référence");
    }
    EXPECT_EQ(fileDigest(file), digest);
}

// Chains of cascades: a client's deletion takes its orders, their lines, their invoices and the
// payments of those, sets the orders' follow-ups to Null; a rekeyed order rekeys its lines, its
// invoice and the invoice's payments, its long memo kept.
TEST_F(JetCascadesTest, CascadesFollowChainsOfRelationships)
{
    const std::string file = cascadeFile();
    if (file.empty())
        GTEST_SKIP() << "Java ou Jackcess absent : le fichier des relations ne peut pas être fait";
    {
        Session connexion(accessFile(file), false, false);
        const std::vector<Row> note = select(connexion, "SELECT Note FROM Commandes WHERE N = 1");
        EXPECT_EQ(changedRows(connexion, "UPDATE Commandes SET N = 20 WHERE N = 2"), 1);
        EXPECT_EQ(select(connexion, "SELECT Commande, Article FROM Lignes WHERE Commande >= 2 ORDER BY Commande"),
                  rows({{"3", "12"}, {"4", "10"}, {"5", "11"}, {"20", "10"}}));
        EXPECT_EQ(select(connexion, "SELECT Commande FROM Factures"), rows({{"20"}}));
        EXPECT_EQ(select(connexion, "SELECT N, Facture FROM Reglements ORDER BY N"), rows({{"1", "20"}, {"2", "20"}}));
        // The clients' key is a text; order 1 keeps its memo of 356 characters, kept off the row.
        EXPECT_EQ(changedRows(connexion, "UPDATE Clients SET Code = 'DUPOND' WHERE Code = 'DUPON'"), 1);
        EXPECT_EQ(select(connexion, "SELECT N, Client, length(Note) FROM Commandes WHERE Client = 'DUPOND' ORDER BY N"),
                  rows({{"1", "DUPOND", "356"}, {"20", "DUPOND", "6"}}));
        EXPECT_EQ(select(connexion, "SELECT Note FROM Commandes WHERE N = 1"), note);
        commit(connexion);
    }
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
    {
        Session connexion(accessFile(file), false, false);
        EXPECT_EQ(changedRows(connexion, "DELETE FROM Clients WHERE Code = 'DUPOND'"), 1);
        commit(connexion);
        EXPECT_EQ(select(connexion, "SELECT N FROM Commandes ORDER BY N"), rows({{"3"}, {"4"}, {"5"}}));
        EXPECT_EQ(select(connexion, "SELECT Commande, Article FROM Lignes ORDER BY Commande"),
                  rows({{"3", "12"}, {"4", "10"}, {"5", "11"}}));
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Factures"), 0);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Reglements"), 0);
        // The follow-up of order 1 stays, referring to nothing.
        EXPECT_EQ(select(connexion, "SELECT N, Commande, Etat FROM Suivis ORDER BY N"),
                  rows({{"1", nullptr, "préparée"}, {"2", "3", "expédiée"}, {"3", nullptr, "perdue"}}));
    }
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

// A deletion reaching a row that a relationship without cascade still refers to is refused whole:
// nothing of the rows deleted before it stays (client LEROY's order 4 and its line go first, then
// order 5 has a delivery, whose relationship cascades nothing). Alone, the file keeps every byte;
// in a transaction, the rest of it is committed.
TEST_F(JetCascadesTest, ARefusalAnywhereInTheChainUndoesTheWholeStatement)
{
    const std::string file = cascadeFile();
    if (file.empty())
        GTEST_SKIP() << "Java ou Jackcess absent : le fichier des relations ne peut pas être fait";
    const std::string digest = fileDigest(file);
    const std::string sql = "DELETE FROM Clients WHERE Code = 'LEROY'";
    Session connexion(accessFile(file), false);
    expectRefused(connexion, sql, "font référence à la clé primaire (« N ») de la table « Commandes »");
    EXPECT_EQ(fileDigest(file), digest);
    ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
    refusal(connexion, sql);
    EXPECT_EQ(select(connexion, "SELECT N FROM Commandes WHERE Client = 'LEROY' ORDER BY N"), rows({{"4"}, {"5"}}));
    EXPECT_EQ(select(connexion, "SELECT Commande, Article FROM Lignes WHERE Commande >= 4 ORDER BY Commande"),
              rows({{"4", "10"}, {"5", "11"}}));
    // Once the delivery is gone, the same deletion goes through in the same transaction.
    change(connexion, "DELETE FROM Livraisons WHERE N = 1");
    change(connexion, sql);
    commit(connexion);
    EXPECT_EQ(select(connexion, "SELECT Code FROM Clients ORDER BY Code"), rows({{"DUPON"}, {"MARTI"}}));
    EXPECT_EQ(select(connexion, "SELECT N FROM Commandes ORDER BY N"), rows({{"1"}, {"2"}, {"3"}}));
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Lignes WHERE Commande >= 4"), 0);
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

// Two relationships in a loop (a team's players; a player's team as its captain): a deletion going
// round it deletes each row once, rows the statement chose itself included, and stops.
TEST_F(JetCascadesTest, RelationshipsInALoopDeleteEachRowOnce)
{
    const std::string file = cascadeFile();
    if (file.empty())
        GTEST_SKIP() << "Java ou Jackcess absent : le fichier des relations ne peut pas être fait";
    {
        Session connexion(accessFile(file), false);
        // Team 1 takes players 11 and 12; 11 captains team 2, which takes 21 and 22; 21 captains team 1.
        EXPECT_EQ(changedRows(connexion, "DELETE FROM Equipes WHERE N <= 2"), 2);
        EXPECT_EQ(select(connexion, "SELECT N, Capitaine FROM Equipes"), rows({{"3", "31"}}));
        EXPECT_EQ(select(connexion, "SELECT N, Equipe FROM Joueurs"), rows({{"31", "3"}}));
        EXPECT_EQ(changedRows(connexion, "DELETE FROM Joueurs"), 1);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Equipes"), 0);
    }
    EXPECT_NE(verify(file).find("RESULT: OK"), std::string::npos);
}

}  // namespace
}  // namespace kervane::test
