// The history of statements: its size, its copy in the registry, and its sharing between
// the windows open on the same database.
#include "tests/query/FixtureRequete.h"

namespace kervane::test {

using Historique = FixtureRequete;

namespace {

const QString TAILLE = QStringLiteral("Dimension de la liste des requêtes stockées");

QString requete(int n)
{
    return QStringLiteral("SELECT ID FROM ARTICLE WHERE ID <> %1").arg(n);
}

}  // namespace

TEST_F(Historique, TheListSizeComesFromTheSettingsOrIs30)
{
    wndKervane f;
    Programme().nTailleListeRequetes = 7;
    f.LireParametres();
    EXPECT_EQ(Programme().nTailleListeRequetes, 30);
    ASSERT_TRUE(SYS_EcrireLongRegistration(cleProgramme(), TAILLE, 2, true));
    f.LireParametres();
    EXPECT_EQ(Programme().nTailleListeRequetes, 2);

    // With room for two, a third statement pushes the oldest out of the list and the registry.
    wndKervane& g = *ouvrir();
    for (int n = 1; n <= 3; ++n)
        lancer(g, requete(n));
    EXPECT_EQ(historique(g), QStringList({requete(3), requete(2)}));
    EXPECT_EQ(valeurStockee(1), requete(2) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(2), "<absente>");
}

TEST_F(Historique, AThirtyFirstStatementKeepsThirtyEntries)
{
    for (int k = 0; k < 30; ++k)
        ASSERT_TRUE(SYS_EcrireChaineRegistration(cleHistorique(), QString::number(k),
                                                 requete(100 + k) + "../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    ASSERT_EQ(f.cboRequetes->count(), 30);
    lancer(f, "SELECT NOM\r\nFROM ARTICLE");
    EXPECT_EQ(f.cboRequetes->count(), 30);
    EXPECT_EQ(historique(f).first(), "SELECT NOM FROM ARTICLE");
    EXPECT_EQ(historique(f).last(), requete(128));
    EXPECT_EQ(valeurStockee(0), "SELECT NOM FROM ARTICLE../..OCCURENCE: 11:");
    EXPECT_EQ(valeurStockee(29), requete(128) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(30), "<absente>");
}

TEST_F(Historique, AStatementRunAgainMovesToTheTopWithItsLatestText)
{
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT * FROM ARTICLE");
    lancer(f, "SELECT NOM FROM ARTICLE");
    lancer(f, "select  *  from article");
    EXPECT_EQ(historique(f), QStringList({"select  *  from article", "SELECT NOM FROM ARTICLE"}));
    // Picked from the list and run again: it stays once, at the top, and stays shown.
    f.cboRequetes->setCurrentIndex(1);
    f.cboRequetes_Click();
    f.btnLancer_Click();
    EXPECT_EQ(historique(f), QStringList({"SELECT NOM FROM ARTICLE", "select  *  from article"}));
    EXPECT_EQ(f.cboRequetes->currentIndex(), 0);
}

TEST_F(Historique, AStatementIsRecordedInEveryWindowOnTheSameDatabase)
{
    wndKervane& f = *ouvrir();
    wndKervane& g = *ouvrir();
    wndKervane& autre = *ouvrir(QStringLiteral("autre connexion"));
    ASSERT_EQ(f.nIndBase, g.nIndBase);
    ASSERT_NE(f.nIndBase, autre.nIndBase);
    lancer(g, "SELECT ID FROM ARTICLE");
    lancer(f, "SELECT NOM\r\nFROM ARTICLE");
    EXPECT_EQ(historique(g), QStringList({"SELECT NOM FROM ARTICLE", "SELECT ID FROM ARTICLE"}));
    EXPECT_EQ(historique(f), historique(g));
    EXPECT_EQ(g.positionsRequete(0), "11:");
    EXPECT_EQ(g.cboRequetes->currentText(), "SELECT ID FROM ARTICLE");  // g keeps showing its own
    EXPECT_TRUE(historique(autre).isEmpty());
}

TEST_F(Historique, LoadingStopsAtAnInvalidValueAndSaysSo)
{
    const QString strCle = cleHistorique();
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "0", requete(1) + "../..OCCURENCE: 0", true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "1", requete(2), true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "2", requete(3) + "../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    EXPECT_EQ(historique(f), QStringList{requete(1)});
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_TRUE(repondeur.derniere().strTexte.startsWith("VB-00005")) << repondeur.derniere().strTexte.toStdString();
    // Saving at the opening leaves one value.
    EXPECT_EQ(valeurStockee(1), "<absente>");
}

}  // namespace kervane::test
