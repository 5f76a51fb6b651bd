// File-name check, temporary folder lookup and text replacement.
#include "messages/Fichiers.h"
#include "messages/Texte.h"
#include "tests/support/DossierTemporaire.h"

#include <gtest/gtest.h>

using namespace kervane;

TEST(FichierNom, RefusesEachForbiddenCharacter)
{
    EXPECT_TRUE(FIC_VerifierNom("Rapport.xls"));
    EXPECT_TRUE(FIC_VerifierNom("Données été/2026\\x.xlsx"));  // separators are not checked
    for (const char* nom : {"Rapport?.xls", "A|B", "C:Rapport", "a*b", "dit \"oui\"", "<x", "x>"})
        EXPECT_FALSE(FIC_VerifierNom(nom)) << nom;
}

TEST(DossierTemporaire, TempThenTmpThenSystemFolderWithoutTrailingSeparator)
{
    test::DossierTemporaire dossier;  // restores the variables afterwards
    qputenv("TEMP", "/var/tmp/kervane/");
    qputenv("TMP", "/autre");
    EXPECT_EQ(FIC_LireDossierTemporaire(), "/var/tmp/kervane");
    qputenv("TEMP", "");
    qputenv("TMP", "/srv/tmp/");
    EXPECT_EQ(FIC_LireDossierTemporaire(), "/srv/tmp");
    qunsetenv("TEMP");
    qunsetenv("TMP");
    EXPECT_EQ(FIC_LireDossierTemporaire(), FIC_LireDossierWindows());
}

TEST(Remplacer, AllOrOnlyTheFirstCaseSensitiveNeverRescanningInsertedText)
{
    EXPECT_EQ(STR_Remplacer("a %% b %% c", "%%", "[%%]", STR_TOUTES), "a [%%] b [%%] c");
    EXPECT_EQ(STR_Remplacer("%%%%", "%%", "%", STR_TOUTES), "%%");
    EXPECT_EQ(STR_Remplacer("aaa", "a", "aa", STR_TOUTES), "aaaaaa");
    EXPECT_EQ(STR_Remplacer("SELECT\r\nFROM\r\n", "\r\n", " ", STR_TOUTES), "SELECT FROM ");
    EXPECT_EQ(STR_Remplacer("1.234.567", ".", ",", 0), "1,234.567");
    EXPECT_EQ(STR_Remplacer("1.234.567", ".", ",", 1), "1,234.567");
    EXPECT_EQ(STR_Remplacer("Table table", "table", "T", STR_TOUTES), "Table T");
    EXPECT_EQ(STR_Remplacer("sans", "x", "y", STR_TOUTES), "sans");
}
