// Module_BAS: the conformity check through the database engine (first table of a name
// only, names in any case, engine failures reported) and the connected-user check.
#include "open/Module_BAS.h"
#include "tests/open/FixtureOuvrir.h"

using namespace kervane;
using namespace kervane::test;

TEST(TesterExistenceChamp, ExaminesOnlyTheFirstTableOfThatNameInAnyCase)
{
    RepondeurScripte repondeur;
    const BaseMoteur base(std::vector<TableMoteur>{{"CLIENT", {"ID", "TRADUCTION_HTML_FAMILLE"}},
                                                   {"Famille", {"ID_FAMILLE", "LIB_FAMILLE"}},
                                                   {"FAMILLE", {"TRADUCTION_HTML_FAMILLE"}}});
    const std::tuple<const char*, const char*, bool> cas[] = {
        {"TRADUCTION_HTML_FAMILLE", "FAMILLE", false},  // the second FAMILLE is never looked at
        {"lib_famille", "famille", true},
        {"TRADUCTION_HTML", "CLIENT", false},  // whole names only
        {"ID", "ABSENTE", false},
    };
    for (const auto& [szColonne, szTable, bAttendu] : cas) {
        bool bExiste = !bAttendu;
        EXPECT_TRUE(BAS_TesterExistenceChamp(base, szColonne, szTable, bExiste));
        EXPECT_EQ(bExiste, bAttendu) << szTable << "." << szColonne;
    }
    const BaseMoteur inverse(std::vector<TableMoteur>{{"FAMILLE", {"TRADUCTION_HTML_FAMILLE"}}, {"Famille", {}}});
    bool bExiste = false;
    EXPECT_TRUE(BAS_TesterExistenceChamp(inverse, "Traduction_Html_Famille", "famille", bExiste));
    EXPECT_TRUE(bExiste);
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST(VerifierBase, AcceptsOnlyFilesWithFamilleTraductionAndReportsEngineFailures)
{
    DossierTemporaire dossier;
    RepondeurScripte repondeur;
    const std::tuple<const char*, const char*, bool> cas[] = {
        {"velmora.mdb", SCHEMA_VELMORA, true},
        {"minuscules.mdb", "CREATE TABLE famille (Traduction_Html_Famille LONGTEXT);", true},
        {"sans_colonne.mdb", "CREATE TABLE FAMILLE (ID_FAMILLE LONG, LIB_FAMILLE TEXT(50));", false},
        {"sans_table.mdb", "CREATE TABLE CLIENT (TRADUCTION_HTML_FAMILLE LONGTEXT);", false},
        {"vue.mdb", "CREATE TABLE T (TRADUCTION_HTML_FAMILLE TEXT); CREATE VIEW FAMILLE AS SELECT * FROM T;", false},
    };
    for (const auto& [szNom, szSQL, bAttendu] : cas) {
        creerBaseSQLite(dossier.fichier(szNom), szSQL);
        const QString strAvant = empreinte(dossier.fichier(szNom));
        EXPECT_EQ(BAS_VerifierBase(dossier.fichier(szNom)), bAttendu) << szNom;
        EXPECT_EQ(empreinte(dossier.fichier(szNom)), strAvant) << szNom;
    }
    EXPECT_TRUE(repondeur.questions().empty());  // a plain "no" says nothing

    const QString strTexte = dossier.fichier("notes.mdb");
    QFile fichier(strTexte);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly) && fichier.write("texte\n") == 6);
    fichier.close();
    EXPECT_FALSE(BAS_VerifierBase(strTexte));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "VB-03343  Format de base de données non reconnu : « " + strTexte + " ».");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    Programme().bModeDebug = true;  // the procedure shows in the title
    EXPECT_FALSE(BAS_VerifierBase(dossier.fichier("absente.mdb")));
    Programme().bModeDebug = false;
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [BAS_VerifierBase]");
}

using TesterUtilisateur = FixtureOuvrir;

TEST_F(TesterUtilisateur, PassesForNobodyAnEmptyIdOrTheSameIdAndNamesTheFirstOtherUser)
{
    const std::pair<const char*, bool> cas[] = {
        {"('1111111111', 'Absent', 0)", true},
        {"(NULL, 'Sans numéro', 1), ('2222222222', 'Autre', 1)", true},
        {"('00000ABCDE', 'Moi', 1), ('3333333333', 'Autre', 1)", true},
        {"('3333333333', 'Hélène Côté', 1), ('00000abcde', 'Moi', 1)", false},
    };
    int nCas = 0;
    for (const auto& [szLignes, bAttendu] : cas) {
        SCOPED_TRACE(szLignes);
        const QString strDSN = QStringLiteral("UTIL%1").arg(++nCas);
        const QString strSQL = QStringLiteral("INSERT INTO UTILR VALUES %1;").arg(szLignes);
        odbc.ajouterDSN(strDSN, creerBase(strDSN + ".mdb", strSQL));
        qint16 nIndice = 0;
        ASSERT_TRUE(ODBC_Connecter({QString(), NUMERO_POSTE, strDSN}, nIndice, QString()));
        EXPECT_EQ(BAS_TesterUtilisateur(nIndice), bAttendu);
        ODBC_Deconnecter(nIndice);
    }
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "Vous vous êtes connecté(e) sous le nom de 'Hélène Côté'. Pour utiliser "
                                             "cette base, votre identification numérique doit être '3333333333'.");
    EXPECT_EQ(repondeur.derniere().nStyle, 16);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
}
