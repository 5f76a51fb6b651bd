// Openings that fail after the query window was created: the window is unloaded with its
// connection, and the recent list loses the entry only when the connection itself failed.
#include "access/Module_ODBC.h"
#include "frame/Module_GES.h"
#include "open/EntreeRecente.h"
#include "settings/Registration.h"
#include "tests/frame/FixtureFrame.h"

#include <QCoreApplication>
#include <QTest>

using namespace kervane;
using namespace kervane::test;

namespace {

const QString AUTRE = QStringLiteral("Autre|/bases/autre.mdb");

// A table the tree lists but whose columns cannot be read: its name, bracketed for Access
// SQL, holds the closing bracket.
const QString TABLE_ILLISIBLE = QStringLiteral("CREATE TABLE \"Prix]HT\" (MONTANT DOUBLE);");

// The recent list as stored, most recent first.
QStringList recentes()
{
    QStringList entrees;
    QString strEntree;
    for (int i = 1; SYS_LireChaineRegistration(cleBasesRecentes(), QString::number(i), strEntree, false, true); ++i)
        entrees << strEntree;
    return entrees;
}

void stockerRecentes(const QStringList& entrees)
{
    for (auto it = entrees.crbegin(); it != entrees.crend(); ++it) {
        const EntreeRecente entree = decouperEntreeRecente(*it);
        ASSERT_TRUE(StockerRegistration(nullptr, entree.strLibelle, entree.strChemin));
    }
}

}  // namespace

class OuvertureManquee : public FixtureFrame {
protected:
    void SetUp() override
    {
        FixtureFrame::SetUp();
        Programme().strNumeroUtilisateur = QStringLiteral("00000abcde");
    }

    // The query windows that still exist once pending deletions have run.
    QList<wndKervane*> fenetresRestantes() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return fenetre->findChildren<wndKervane*>();
    }

    // A copy of the demonstration database where Hélène Garnier is connected.
    QString baseOccupee(const QString& strNom)
    {
        const QString strBase = copieDemo(strNom);
        creerBaseSQLite(strBase, "UPDATE UTILR SET CONNECTE_UTILR = -1 WHERE ID_UTILR = 2;");
        return strBase;
    }

    // Nothing of the failed opening is left: no window, no status message, and its connection
    // was released (the next opening gets the first connection number).
    void expectNothingLeft()
    {
        EXPECT_TRUE(fenetresRestantes().isEmpty());
        EXPECT_EQ(fenetre->stbBarre()->message(), "");
        EXPECT_EQ(Programme().pFenetreCourante.data(), nullptr);
        ASSERT_TRUE(ouvrir(copieDemo("suivante.mdb")));
        EXPECT_EQ(fenetre->fenetresRequetes().value(0)->nIndBase, 1);
    }
};

TEST_F(OuvertureManquee, AConnectionFailureRemovesTheEntryFromTheRecentList)
{
    const QString strIllisible = dossier.fichier("illisible.mdb");
    QFile fichier(strIllisible);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly) && fichier.write("pas une base") > 0);
    fichier.close();
    stockerRecentes({"Illisible|" + strIllisible, AUTRE});

    EXPECT_FALSE(ouvrir(strIllisible, "Illisible"));
    EXPECT_EQ(messages, QStringList({"Ouverture : 5%", ""}));
    EXPECT_EQ(repondeur.questions().size(), 1u);  // the access layer's report of the refused connection
    EXPECT_EQ(recentes(), QStringList{AUTRE});
    EXPECT_EQ(fenetre->mnuFichierItem(8)->text(), "&1 Autre (/bases/autre.mdb)");
    EXPECT_FALSE(fenetre->mnuFichierItem(9)->isVisible());
    expectNothingLeft();
}

TEST_F(OuvertureManquee, AnotherUserConnectedUnloadsTheWindowAndLeavesTheRecentList)
{
    const QString strBase = baseOccupee("occupee.mdb");
    const QStringList avant = {AUTRE, "Base source Velmora|" + strBase};
    stockerRecentes(avant);

    EXPECT_FALSE(ouvrir(strBase));
    EXPECT_EQ(messages, QStringList({"Ouverture : 5%", ""}));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "Vous vous êtes connecté(e) sous le nom de 'Hélène Garnier'. Pour "
                                             "utiliser cette base, votre identification numérique doit être "
                                             "'0412857390'.");
    EXPECT_EQ(repondeur.derniere().nStyle, 16);
    EXPECT_EQ(recentes(), avant);  // neither removed nor moved to first place
    expectNothingLeft();
}

TEST_F(OuvertureManquee, ATablesTreeFailureUnloadsTheWindowAndLeavesTheRecentList)
{
    const QString strBase = copieDemo("arbre.mdb");
    creerBaseSQLite(strBase, TABLE_ILLISIBLE);
    const QStringList avant = {AUTRE, "Base source Velmora|" + strBase};
    stockerRecentes(avant);

    EXPECT_FALSE(ouvrir(strBase));
    EXPECT_EQ(messages, QStringList({"Ouverture : 5%", "Ouverture : 25%", "Ouverture : 30%", "Ouverture : 35%",
                                     "Ouverture : 45%", "Ouverture : 60%", ""}));
    EXPECT_EQ(repondeur.questions().size(), 1u);  // the access layer's report of the columns it could not read
    EXPECT_EQ(recentes(), avant);
    expectNothingLeft();
}

TEST_F(OuvertureManquee, AFailedSecondWindowOnAFileLeavesTheFirstWindowAndItsConnection)
{
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    const QString strBase = copieDemo("partagee.mdb");
    ASSERT_TRUE(ouvrir(strBase));
    wndKervane* pPremiere = fenetre->fenetresRequetes().value(0);
    ASSERT_NE(pPremiere, nullptr);
    creerBaseSQLite(strBase, "UPDATE UTILR SET CONNECTE_UTILR = -1 WHERE ID_UTILR = 2;");

    EXPECT_FALSE(ouvrir(strBase));
    EXPECT_EQ(fenetresRestantes(), QList<wndKervane*>{pPremiere});
    EXPECT_EQ(pPremiere->windowTitle(), "Base source Velmora - " + strBase);
    EXPECT_EQ(Programme().pFenetreCourante.data(), pPremiere);
    TableauTextes tabBase;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(pPremiere->nIndBase, "Select LIB_BASE From BASE Where ID_BASE=1",
                                             tabBase, false));
    EXPECT_EQ(tabBase.texte(2, 1), "Base source Velmora");
}
