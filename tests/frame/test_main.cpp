// Start-up: first start writes the settings, a second start is refused; the main menus.
#include "frame/Point_entree_sortie.h"
#include "frame/wndMDI.h"
#include "settings/Cles.h"
#include "settings/Registration.h"
#include "tests/frame/FixtureFrame.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

using namespace kervane;
using namespace kervane::test;

TEST(Demarrage, FirstStartWritesSettingsAndASecondStartIsRefused)
{
    DossierTemporaire dossier;
    OdbcPrive odbc(dossier);
    RepondeurScripte repondeur;
    {
        Application premiere;
        ASSERT_TRUE(premiere.Main());
        ASSERT_NE(premiere.fenetrePrincipale(), nullptr);
        EXPECT_EQ(premiere.fenetrePrincipale()->windowTitle(), "Kervane");
        QString strValeur;
        EXPECT_TRUE(SYS_LireChaineRegistration(cleSuite(), "Base source", strValeur, false, false));
        EXPECT_TRUE(strValeur.endsWith("/Base source Velmora.mdb"));
        EXPECT_FALSE(SYS_LireChaineRegistration(cleProgramme(), "Aide en ligne", strValeur, false, false));
        EXPECT_EQ(Programme().strPiloteAccess, "Microsoft Access Driver (*.mdb)");

        Application seconde;
        EXPECT_FALSE(seconde.Main());
        EXPECT_EQ(repondeur.derniere().strTexte, "Vous ne pouvez pas lancer deux fois cette application.");
        EXPECT_EQ(seconde.fenetrePrincipale(), nullptr);
        premiere.fenetrePrincipale()->close();
    }
    ODBC_Cloturer();
}

namespace {

// The menu bar's menus: each title followed by its items, "-" for a separator.
QList<QStringList> barreMenus(const wndMDI& principale)
{
    QList<QStringList> menus;
    for (const QAction* pEntree : principale.menuBar()->actions()) {
        QStringList liste{pEntree->text()};
        for (const QAction* pAction : pEntree->menu()->actions())
            liste << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
        menus << liste;
    }
    return menus;
}

}  // namespace

using MenusPrincipaux = FixtureFrame;

TEST_F(MenusPrincipaux, TheMainMenusHaveTheirExactCaptionsUntilAQueryWindowBringsItsOwn)
{
    const QList<QStringList> menus = barreMenus(*fenetre);
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0], QStringList({"&Fichier", "&Ouvrir...", "-", "&1", "&2", "&3", "&4", "-", "&Quitter"}));
    EXPECT_EQ(menus[1], QStringList({"&Debug", "Editer le fichier &LOG"}));
    EXPECT_EQ(menus[2].mid(1), QStringList({"&Index", "&Utiliser l'aide", "-", "&A propos..."}));

    fenetre->show();
    ASSERT_TRUE(ouvrir(copieDemo("menus.mdb")));
    QCoreApplication::processEvents();
    QStringList titres;
    for (const QStringList& menu : barreMenus(*fenetre))
        titres << menu.front();
    EXPECT_EQ(titres, QStringList({"&Fichier", "&Edition", "&Debug", "Fe&nêtre", "?"}));
}
