// The opening sequence: progress, titles, shared connections, missing files, the recent list.
#include "frame/Module_GES.h"
#include "open/EntreeRecente.h"
#include "settings/Registration.h"
#include "tests/frame/FixtureFrame.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

using namespace kervane;
using namespace kervane::test;

using Ouverture = FixtureFrame;

TEST_F(Ouverture, DemonstrationDatabaseOpensWithItsProgressAndTitle)
{
    const QString strBase = copieDemo("Base source Velmora.mdb");
    ASSERT_TRUE(ouvrir(strBase));
    EXPECT_EQ(messages, QStringList({"Ouverture : 5%", "Ouverture : 25%", "Ouverture : 30%", "Ouverture : 35%",
                                     "Ouverture : 45%", "Ouverture : 60%", "Ouverture : 80%", "Ouverture : 85%",
                                     "Ouverture : 90%", "Ouverture : 100%", ""}));
    EXPECT_EQ(fenetre->stbBarre()->panneauVisible(), "");
    ASSERT_EQ(titres(), QStringList({"Base source Velmora - " + strBase}));
    const wndKervane* pFenetre = fenetre->fenetresRequetes().front();
    EXPECT_EQ(pFenetre->Tag(), "1");
    EXPECT_EQ(pFenetre->nIndBase, 1);
    EXPECT_EQ(pFenetre->nOccurrence, 1);
    EXPECT_EQ(Programme().pFenetreCourante.data(), pFenetre);
    EXPECT_TRUE(fenetre->boutonEnfonce("Regrouper_cellules"));
    EXPECT_TRUE(repondeur.questions().empty());
    ASSERT_EQ(Programme().tabMenuRecentes.size(), 1u);
    EXPECT_EQ(fenetre->mnuFichierItem(8)->text(), "&1 Base source Velmora (" + strBase + ")");
    EXPECT_FALSE(fenetre->mnuFichierItem(9)->isVisible());
}

TEST_F(Ouverture, TheCloseKeyFollowsTheQueryWindowsAndClosesTheCurrentOne)
{
    QAction* pFermer = fenetre->bouton("Fermer");
    ASSERT_NE(pFermer, nullptr);
    EXPECT_FALSE(pFermer->isEnabled());
    ASSERT_TRUE(ouvrir(copieDemo("fermer.mdb")));
    EXPECT_TRUE(pFermer->isEnabled());
    pFermer->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fenetre->fenetresRequetes().empty());
    EXPECT_FALSE(pFermer->isEnabled());
}

TEST_F(Ouverture, TwoWindowsOnOneFileShareTheirConnection)
{
    const QString strBase = copieDemo("commun.mdb");
    ASSERT_TRUE(ouvrir(strBase));
    ASSERT_TRUE(ouvrir(strBase));
    ASSERT_TRUE(ouvrir(copieDemo("autre.mdb")));
    const auto fenetres = fenetre->fenetresRequetes();
    ASSERT_EQ(fenetres.size(), 3);
    EXPECT_EQ(fenetres[0]->nIndBase, fenetres[1]->nIndBase);
    EXPECT_NE(fenetres[2]->nIndBase, fenetres[0]->nIndBase);
    EXPECT_EQ(titres(), QStringList({"Base source Velmora - " + strBase + "  [1]",
                                     "Base source Velmora - " + strBase + "  [2]",
                                     "Base source Velmora - " + dossier.fichier("autre.mdb")}));
}

TEST_F(Ouverture, DebugModeMarksEveryQueryWindowTitleAlsoAfterRenumbering)
{
    struct ModeDebug {
        ModeDebug() { Programme().bModeDebug = true; }
        ~ModeDebug() { Programme().bModeDebug = false; }
    } modeDebug;
    const QString strBase = copieDemo("debug.mdb");
    const QString strTitre = "Base source Velmora - " + strBase;
    ASSERT_TRUE(ouvrir(strBase));
    EXPECT_EQ(titres(), QStringList({strTitre + " [Mode debug]"}));
    ASSERT_TRUE(ouvrir(strBase));
    ASSERT_TRUE(ouvrir(strBase));
    EXPECT_EQ(titres(), QStringList({strTitre + "  [1] [Mode debug]", strTitre + "  [2] [Mode debug]",
                                     strTitre + "  [3] [Mode debug]"}));
    fenetre->fenetresRequetes().at(1)->parentWidget()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(titres(), QStringList({strTitre + "  [1] [Mode debug]", strTitre + "  [2] [Mode debug]"}));
    fenetre->fenetresRequetes().at(1)->parentWidget()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(titres(), QStringList({strTitre + " [Mode debug]"}));
}

TEST_F(Ouverture, MissingFileIsReportedAndLeavesTheRecentList)
{
    const QString strBase = copieDemo("partie.mdb");
    ASSERT_TRUE(ouvrir(strBase));
    fenetre->fenetresRequetes().front()->parentWidget()->close();
    QFile::remove(strBase);
    EXPECT_FALSE(ouvrir(strBase));
    EXPECT_EQ(repondeur.derniere().strTexte, "La base <" + strBase + "> n'existe plus.");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_TRUE(Programme().tabMenuRecentes.empty());
    EXPECT_FALSE(fenetre->mnuFichierItem(8)->isVisible());
    EXPECT_FALSE(fenetre->mnuFichierItem(12)->isVisible());
    EXPECT_TRUE(fenetre->fenetresRequetes().isEmpty());
}

TEST_F(Ouverture, CancellingTheDialogOpensNothing)
{
    QTimer::singleShot(0, [] {
        for (QWidget* p : QApplication::topLevelWidgets())
            if (p->inherits("kervane::dlgOuvrir"))
                if (auto* pAnnuler = p->findChild<QPushButton*>("btnAnnuler"))
                    pAnnuler->click();
    });
    EXPECT_FALSE(fenetre->Ouvrir(true));
    EXPECT_TRUE(fenetre->fenetresRequetes().isEmpty());
    EXPECT_EQ(fenetre->stbBarre()->message(), "");
}

TEST_F(Ouverture, ThirtyFirstDatabaseDropsTheOldestAndMenusFollow)
{
    for (int i = 1; i <= 31; ++i)
        ASSERT_TRUE(StockerRegistration(nullptr, i % 2 ? QString("Base %1").arg(i) : QString(),
                                        QString("/bases/b%1.mdb").arg(i)));
    QString strEntree;
    EXPECT_TRUE(SYS_LireChaineRegistration(cleBasesRecentes(), "1", strEntree, false, true));
    EXPECT_EQ(strEntree, "Base 31|/bases/b31.mdb");
    EXPECT_TRUE(SYS_LireChaineRegistration(cleBasesRecentes(), "30", strEntree, false, true));
    EXPECT_EQ(strEntree, "|/bases/b2.mdb");
    EXPECT_FALSE(SYS_LireChaineRegistration(cleBasesRecentes(), "31", strEntree, false, true));
    EXPECT_EQ(fenetre->mnuFichierItem(8)->text(), "&1 Base 31 (/bases/b31.mdb)");
    EXPECT_EQ(fenetre->mnuFichierItem(9)->text(), "&2 (/bases/b30.mdb)");

    // Opening one again moves it first without duplicating it.
    ASSERT_TRUE(StockerRegistration(nullptr, "Base 29", "/bases/b29.mdb"));
    EXPECT_EQ(fenetre->mnuFichierItem(8)->text(), "&1 Base 29 (/bases/b29.mdb)");
    EXPECT_EQ(fenetre->mnuFichierItem(10)->text(), "&3 (/bases/b30.mdb)");
    EXPECT_TRUE(SYS_LireChaineRegistration(cleBasesRecentes(), "30", strEntree, false, true));
    EXPECT_EQ(strEntree, "|/bases/b2.mdb");

    ASSERT_TRUE(EnleverRegistration(nullptr, "Base 29", "/bases/b29.mdb"));
    EXPECT_EQ(fenetre->mnuFichierItem(8)->text(), "&1 Base 31 (/bases/b31.mdb)");
    EXPECT_FALSE(SYS_LireChaineRegistration(cleBasesRecentes(), "30", strEntree, false, true));
}
