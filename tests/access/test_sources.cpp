// Data sources: creation, replacement, repointing, existence in any case, driver refusals.
#include "tests/access/FixtureAcces.h"

using namespace kervane;
using namespace kervane::test;

using SourcesDonnees = FixtureAcces;

namespace {
QString tableOf(qint16 n)
{
    TableauTextes tab;
    return ODBC_SelectionnerDansTableau(n, "SELECT NOM FROM T", tab, false) ? tab.texte(2, 1) : QString();
}
}  // namespace

TEST_F(SourcesDonnees, AddReplaceAndRepointAtAnotherFile)
{
    creerBaseSQLite(dossier.fichier("a.mdb"), "CREATE TABLE T (NOM TEXT(10)); INSERT INTO T VALUES ('a');");
    creerBaseSQLite(dossier.fichier("b.mdb"), "CREATE TABLE T (NOM TEXT(10)); INSERT INTO T VALUES ('b');");
    EXPECT_FALSE(ODBC_TesterExistenceDSN("Base Suite Velmora"));
    ASSERT_TRUE(ODBC_AjouterDSN(PILOTE_ACCESS, "Base Suite Velmora", "", dossier.fichier("a.mdb")));
    EXPECT_TRUE(ODBC_TesterExistenceDSN("BASE SUITE VELMORA"));
    EXPECT_TRUE(ODBC_TesterExistenceDSN("base suite velmora"));
    qint16 n = connecter("Base Suite Velmora");
    EXPECT_EQ(tableOf(n), "a");
    ODBC_Deconnecter(n);

    ASSERT_TRUE(ODBC_AjouterDSN(PILOTE_ACCESS, "Base Suite Velmora", "Base Suite Velmora", dossier.fichier("b.mdb")));
    n = connecter("Base Suite Velmora");
    EXPECT_EQ(tableOf(n), "b");
    ODBC_Deconnecter(n);

    ASSERT_TRUE(ODBC_ModifierDSN(PILOTE_ACCESS, "Base Suite Velmora", dossier.fichier("a.mdb")));
    n = connecter("Base Suite Velmora");
    EXPECT_EQ(tableOf(n), "a");
    EXPECT_FALSE(ODBC_ModifierDSN(PILOTE_ACCESS, "Ouverture Base Velmora", dossier.fichier("a.mdb")));
    EXPECT_TRUE(repondeur.questions().empty());  // a failed update is told by False alone
}

TEST_F(SourcesDonnees, OtherDriverNamesAreRefused)
{
    ASSERT_TRUE(ODBC_AjouterDSN(PILOTE_ACCESS, "Ouverture Base Velmora", "", strBase));
    EXPECT_FALSE(ODBC_ModifierDSN("microsoft access driver (*.mdb)", "Ouverture Base Velmora", strBase));
    EXPECT_EQ(repondeur.derniere().strTexte, "Impossible de modifier le DSN pour l'interface ODBC.");
    EXPECT_TRUE(ODBC_TesterExistenceDSN("Ouverture Base Velmora"));

    EXPECT_FALSE(ODBC_AjouterDSN("SQLite3", "Ouverture Base Velmora", "", strBase));
    EXPECT_EQ(repondeur.derniere().strTexte, "Impossible de créer le DSN pour l'interface ODBC.");
    EXPECT_FALSE(ODBC_TesterExistenceDSN("Ouverture Base Velmora"));  // removed before the refusal
}
