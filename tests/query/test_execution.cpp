// The Run button: statements typed in the editor, their results, the questions on changes
// and what the answers do to the data and the history.
#include "tests/query/FixtureRequete.h"

#include <QAction>
#include <QPushButton>

namespace kervane::test {

using Execution = FixtureRequete;

TEST_F(Execution, SelectOnThreeLinesFillsTheGridAndIsStoredWithItsLineBreaks)
{
    wndKervane& f = *ouvrir();
    const QString strTape = QStringLiteral("SELECT ID, nom\r\n  FROM ARTICLE\r\nWHERE ID < 4");
    const QString strLigne = QStringLiteral("SELECT ID, nom FROM ARTICLE WHERE ID < 4");
    EXPECT_FALSE(f.btnLancer->isEnabled());
    f.definirTexteRequete(strTape);
    EXPECT_TRUE(f.btnLancer->isEnabled());
    EXPECT_EQ(f.ediRequete->toPlainText(), "SELECT ID, nom\n  FROM ARTICLE\nWHERE ID < 4");
    f.btnLancer_Click();

    EXPECT_TRUE(repondeur.questions().empty());
    EXPECT_EQ(f.griRequetes->MaxRows(), 3);
    EXPECT_EQ(f.griRequetes->MaxCols(), 2);
    EXPECT_EQ(cellule(f, 2, 0), "NOM");
    EXPECT_EQ(cellule(f, 2, 3), "Scie");
    EXPECT_EQ(f.txtDimensionGrille->text(), "(3x2)");
    EXPECT_TRUE(f.txtDimensionGrille->isVisible());
    EXPECT_EQ(f.ongletCourant(), "resultat");
    EXPECT_EQ(f.ediResultat->text(), "SELECT ID, nom    FROM ARTICLE  WHERE ID < 4");
    EXPECT_EQ(historique(f), QStringList{strLigne});
    EXPECT_EQ(f.cboRequetes->currentText(), strLigne);
    EXPECT_EQ(f.positionsRequete(0), "15:28:");
    EXPECT_EQ(valeurStockee(0), strLigne + "../..OCCURENCE: 15:28:");
    EXPECT_TRUE(f.mnuFichierItem(6)->isEnabled());
    for (const char* szCle : {"Imprimer", "Copier", "Maximiser", "Regrouper_cellules"})
        EXPECT_TRUE(principale.actifs[szCle]) << szCle;

    // A window opened later finds it in the registry and puts the lines back.
    f.close();
    wndKervane& g = *ouvrir();
    ASSERT_EQ(historique(g), QStringList{strLigne});
    EXPECT_EQ(g.cboRequetes->currentIndex(), -1);
    g.cboRequetes->setCurrentIndex(0);
    g.cboRequetes_Click();
    EXPECT_EQ(g.texteRequete(), "SELECT ID, nom\r\nFROM ARTICLE\r\nWHERE ID < 4");
}

TEST_F(Execution, ChangesAskForTheCountAndCommitOnlyOnYes)
{
    wndKervane& f = *ouvrir();
    struct Cas {
        const char* szRequete;
        qint16 nReponse;
        const char* szQuestion;
        qint32 nStyle;
        bool bValidee;
    };
    const Cas cas[] = {
        {"INSERT INTO ARTICLE (ID, NOM) SELECT ID, NOM FROM ARTICLE WHERE 1 = 2", IDOK, "0 ligne créée.", 64, false},
        {"INSERT INTO ARTICLE (ID, NOM) VALUES (10, 'Vis')", IDYES,
         "1 ligne créée.Acceptez-vous la transaction?", 292, true},
        {"INSERT INTO ARTICLE (ID, NOM) SELECT ID + 100, NOM FROM ARTICLE", IDNO,
         "5 lignes créées.Acceptez-vous la transaction?", 292, false},
        {"UPDATE ARTICLE SET NOM = 'X' WHERE ID = 99", IDOK, "0 ligne modifiée.", 64, false},
        {"UPDATE ARTICLE SET NOM = 'Masse' WHERE ID = 1", IDNO,
         "1 ligne modifiée.Acceptez-vous la transaction?", 292, false},
        {"UPDATE ARTICLE SET PRIX = 1 WHERE ID > 2", IDYES,
         "3 lignes modifiées.Acceptez-vous la transaction?", 292, true},
        {"DELETE FROM ARTICLE WHERE ID = 99", IDOK, "0 ligne détruite.", 64, false},
        {"DELETE FROM ARTICLE WHERE ID = 1", IDYES, "1 ligne détruite.Acceptez-vous la transaction?", 292, true},
        {"DELETE FROM ARTICLE WHERE ID > 1", IDNO, "4 lignes détruites.Acceptez-vous la transaction?", 292,
         false},
    };
    QStringList attendu;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.szRequete);
        repondeur.oublier();
        repondeur.repondre(c.nReponse);
        f.tabResultat_MouseDown(1, 0, 15, 0);  // back to the tables tab
        lancer(f, QString::fromUtf8(c.szRequete));
        ASSERT_EQ(repondeur.questions().size(), 1u);
        EXPECT_EQ(repondeur.derniere().strTexte, QString::fromUtf8(c.szQuestion));
        EXPECT_EQ(repondeur.derniere().nStyle, c.nStyle);
        EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
        if (c.bValidee)
            attendu.prepend(QString::fromUtf8(c.szRequete));
        EXPECT_EQ(historique(f), attendu);
        EXPECT_EQ(f.ongletCourant(), c.bValidee ? "resultat" : "tables");
        if (c.bValidee) {
            EXPECT_EQ(f.ediResultat->text(), QString::fromUtf8(c.szRequete));
        }
    }
    repondeur.oublier();
    EXPECT_EQ(valeurs(f, "SELECT NOM & '/' & Int(PRIX) FROM ARTICLE ORDER BY ID"),
              QStringList({"Pince/8", "Scie/1", "Râteau/1", "Vis/1"}));
    EXPECT_EQ(valeurStockee(0), QString::fromUtf8(cas[7].szRequete) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(3), "<absente>");
}

TEST_F(Execution, OtherStatementsAreRolledBackWithoutAWord)
{
    wndKervane& f = *ouvrir();
    lancer(f, "CREATE TABLE NOUVELLE (A LONG)");
    EXPECT_TRUE(repondeur.questions().empty());
    EXPECT_TRUE(historique(f).isEmpty());
    EXPECT_EQ(valeurStockee(0), "<absente>");
    TableauTextes tables;
    ASSERT_TRUE(ODBC_LireTables(f.nIndBase, tables));
    for (qsizetype r = 1; r < tables.lignes(); ++r)
        EXPECT_NE(tables.texte(r, 1), "NOUVELLE");
    // The connection is usable afterwards, back in automatic commit.
    lancer(f, "SELECT ID FROM ARTICLE");
    EXPECT_EQ(f.griRequetes->MaxRows(), 4);
}

TEST_F(Execution, AnotherProgramWritesWhileTheWindowShowsAResult)
{
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT ID, NOM FROM ARTICLE ORDER BY NOM");
    EXPECT_EQ(f.griRequetes->MaxRows(), 4);
    // The window sits on its result, its connection in manual commit: another program writes
    // at once (it would fail on a lock without waiting).
    EXPECT_NO_THROW(creerBaseSQLite(strBase, "INSERT INTO ARTICLE (ID, FAMILLE, NOM, PRIX) "
                                             "VALUES (9, 'Outils', 'Lime', 3.0)"));
    lancer(f, "SELECT ID FROM ARTICLE");
    EXPECT_EQ(f.griRequetes->MaxRows(), 5);
}

TEST_F(Execution, AChangeRunAsASelectionIsUndoneAtOnceAndSaidSo)
{
    wndKervane& f = *ouvrir();
    lancer(f, "PARAMETERS [Nom] Text; DELETE FROM ARTICLE WHERE ID > 2");
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, texteSelectionSansLignes());
    EXPECT_EQ(repondeur.derniere().nStyle, MB_ICONEXCLAMATION);
    EXPECT_TRUE(historique(f).isEmpty());
    // A change accepted afterwards does not carry the deletion with it.
    repondeur.oublier();
    repondeur.repondre(IDYES);
    lancer(f, "UPDATE ARTICLE SET PRIX = PRIX WHERE ID = 1");
    EXPECT_EQ(valeurs(f, "SELECT Count(*) FROM ARTICLE"), QStringList({"4"}));
}

TEST_F(Execution, AFailedSelectPickedFromTheHistoryLeavesIt)
{
    const QString strCle = cleHistorique();
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "0", "SELECT * FROM ABSENTE../..OCCURENCE: 0", true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "1", "SELECT ID FROM ARTICLE../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    ASSERT_EQ(historique(f), QStringList({"SELECT * FROM ABSENTE", "SELECT ID FROM ARTICLE"}));

    // Typed by hand, a failing statement leaves the list alone.
    lancer(f, "SELECT * FROM ABSENTE2");
    EXPECT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(f.texteRequete(), "SELECT * FROM ABSENTE2");
    EXPECT_EQ(historique(f).size(), 2);

    f.cboRequetes->setCurrentIndex(0);
    f.cboRequetes_Click();
    f.btnLancer_Click();
    EXPECT_EQ(repondeur.questions().size(), 2u);
    EXPECT_EQ(historique(f), QStringList{"SELECT ID FROM ARTICLE"});
    EXPECT_EQ(f.texteRequete(), " ");
    EXPECT_FALSE(f.btnLancer->isEnabled());
    EXPECT_EQ(f.griRequetes->MaxCols(), 0);
    EXPECT_EQ(valeurStockee(0), "SELECT ID FROM ARTICLE../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(1), "<absente>");
}

TEST_F(Execution, NothingRunsWithoutAConnection)
{
    wndKervane f;
    f.definirTexteRequete("SELECT ID FROM ARTICLE");
    f.btnLancer_Click();
    EXPECT_TRUE(repondeur.questions().empty());
    EXPECT_EQ(f.griRequetes->MaxRows(), 0);
    EXPECT_FALSE(f.ChargerRequetes());
    EXPECT_FALSE(f.SauvegarderRequetes());
    EXPECT_FALSE(f.AfficherTables());
}

}  // namespace kervane::test
