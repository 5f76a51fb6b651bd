// Start-up: first start writes the settings, a second start is refused.
#include "frame/Point_entree_sortie.h"
#include "frame/wndMDI.h"
#include "settings/Cles.h"
#include "settings/Registration.h"
#include "tests/frame/FixtureFrame.h"

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
