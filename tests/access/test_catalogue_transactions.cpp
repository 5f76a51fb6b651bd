// Catalogue arrays and transactions.
#include "tests/access/FixtureAcces.h"

using namespace kervane;
using namespace kervane::test;

using Catalogue = FixtureAcces;
using Transactions = FixtureAcces;

TEST_F(Catalogue, TablesArrayListsTablesAndViewsWithTheirTypes)
{
    Programme().bModeDebug = true;
    const qint16 n = connecter();
    TableauTextes tab;
    ASSERT_TRUE(ODBC_LireTables(n, tab));
    ASSERT_GE(tab.colonnes(), 6);
    QStringList lignes;
    for (qsizetype r = 1; r < tab.lignes(); ++r)
        if (tab.texte(r, 2) != "SYSTEM TABLE")
            lignes << tab.texte(r, 1) + ":" + tab.texte(r, 2);
    EXPECT_EQ(lignes, QStringList({"CLIENT:TABLE", "REPLIQUE:TABLE", "CLIENTS_ACTIFS:VIEW"}));
    EXPECT_EQ(tab.texte(0, 0).toInt(), tab.lignes() - 1);
    EXPECT_EQ(sansColonne(trace().at(1)), "Requete        -> Liste des tables");
}

TEST_F(Catalogue, ColumnsArrayGivesTypeNamesAndSizes)
{
    const qint16 n = connecter();
    TableauTextes tab;
    ASSERT_TRUE(ODBC_LireChampsTable(n, "CLIENT", tab));
    ASSERT_EQ(tab.texte(0, 0), "8");
    ASSERT_EQ(tab.lignes(), 9);
    const QStringList attendu = {"ID:SQL_INTEGER:10",   "NOM:SQL_VARCHAR:40",  "NOTE:SQL_LONGVARCHAR:1073741823",
                                 "NE:SQL_TIMESTAMP:19", "JOUR:SQL_TIMESTAMP:19", "SOLDE:SQL_DOUBLE:15",
                                 "TAUX:SQL_REAL:7",     "ACTIF:SQL_BIT:1"};
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(tab.texte(i, 1) + ":" + tab.texte(i, 2) + ":" + tab.texte(i, 3), attendu[i - 1]);

    ASSERT_TRUE(ODBC_LireChampsTable(n, "REPLIQUE", tab));
    EXPECT_EQ(tab.texte(1, 2), "type inconnu");  // a replication identifier
    EXPECT_EQ(tab.texte(2, 2), "SQL_LONGVARCHAR");

    ASSERT_TRUE(ODBC_LireChampsTable(n, "CLIENTS_ACTIFS", tab));
    EXPECT_EQ(tab.texte(0, 0), "2");
    EXPECT_FALSE(ODBC_LireChampsTable(n, "Order Details", tab));  // the name goes in unquoted
    EXPECT_TRUE(repondeur.derniere().strTexte.contains("[SQLETAT="));
}

TEST_F(Catalogue, EmptyDatabaseHasOnlyTheCountRow)
{
    creerBaseSQLite(dossier.fichier("vide.mdb"), "PRAGMA user_version = 1;");
    odbc.ajouterDSN("VIDE", dossier.fichier("vide.mdb"));
    const qint16 n = connecter("VIDE");
    TableauTextes tab;
    ASSERT_TRUE(ODBC_LireTables(n, tab));
    EXPECT_EQ(tab.lignes(), 1);
    EXPECT_EQ(tab.texte(0, 0), "0");
}

TEST_F(Transactions, RollBackUndoesCommitPersists)
{
    Programme().bModeDebug = true;
    qint16 n = connecter();
    qint32 nLignes = 0;
    TableauTextes tab;
    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_BEGIN));
    ASSERT_TRUE(ODBC_Executer(n, "DELETE FROM CLIENT WHERE ID = 1", nLignes));
    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_ROLLBACK));
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT ID FROM CLIENT", tab, false));
    EXPECT_EQ(tab.texte(0, 0), "3");

    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_BEGIN));
    ASSERT_TRUE(ODBC_Executer(n, "DELETE FROM CLIENT WHERE ID = 1", nLignes));
    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_COMMIT));
    ASSERT_TRUE(ODBC_Deconnecter(n));
    n = connecter();
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT ID FROM CLIENT", tab, false));
    EXPECT_EQ(tab.texte(0, 0), "2");

    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_COMMIT));  // nothing pending: still done
    QStringList lignes;
    for (const QString& l : trace())
        if (l.contains("Transaction"))
            lignes << sansColonne(l);
    EXPECT_EQ(lignes, QStringList({
                          "Transaction    -> Indice = 1, DSN = BASE1, Type = TRANS_BEGIN, Etat = exécuté",
                          "Transaction    -> Indice = 1, DSN = BASE1, Type = TRANS_ROLLBACK, Etat = exécuté",
                          "Transaction    -> Indice = 1, DSN = BASE1, Type = TRANS_BEGIN, Etat = exécuté",
                          "Transaction    -> Indice = 1, DSN = BASE1, Type = TRANS_COMMIT, Etat = exécuté",
                          "Transaction    -> Indice = 1, DSN = BASE1, Type = TRANS_COMMIT, Etat = exécuté",
                      }));
}

TEST_F(Transactions, AfterATransactionEachChangeIsWrittenAtOnceAgain)
{
    const qint16 n = connecter();
    qint32 nLignes = 0;
    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_BEGIN));
    ASSERT_TRUE(ODBC_EtablirTransaction(n, TRANS_ROLLBACK));
    // Not in a transaction any more: the change is kept when the connection closes.
    ASSERT_TRUE(ODBC_Executer(n, "DELETE FROM CLIENT WHERE ID = 1", nLignes));
    ASSERT_TRUE(ODBC_Deconnecter(n));
    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(connecter(), "SELECT ID FROM CLIENT", tab, false));
    EXPECT_EQ(tab.texte(0, 0), "2");
}

TEST_F(Transactions, UnknownCodeIsRefusedWithoutTrace)
{
    Programme().bModeDebug = true;
    const qint16 n = connecter();
    EXPECT_FALSE(ODBC_EtablirTransaction(n, 4));
    EXPECT_EQ(repondeur.derniere().strTexte, "Transaction inconnue.");
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [ODBC_EtablirTransaction]");
    EXPECT_TRUE(trace().isEmpty());
}
