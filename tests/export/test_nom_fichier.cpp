// The file-name rules of the export dialog beyond those its own tests go through.
#include "export/NomFichierExport.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <gtest/gtest.h>

namespace kervane::test {

TEST(NomFichierExport, DossiersRelatifsEtNomsSansFichier)
{
    DossierTemporaire dossier;
    const QString strBase = dossier.fichier(QStringLiteral("Velmora.mdb"));
    const auto analyser = [&](const QString& strTexte) { return AnalyserNomFichier(strTexte, 16, strBase); };

    // A relative folder is taken from the database's folder; the extension's case is free.
    ASSERT_TRUE(QDir(dossier.chemin()).mkdir(QStringLiteral("Été")));
    NomExport nom = analyser(QStringLiteral("Été/Synthèse.XLSX"));
    EXPECT_EQ(nom.verdict, VerdictNom::Valide);
    EXPECT_EQ(nom.strChemin, dossier.fichier(QStringLiteral("Été/Synthèse.XLSX")));

    // No name before the extension, or a folder where the file should go.
    EXPECT_EQ(analyser(dossier.chemin() + QStringLiteral("/")).verdict, VerdictNom::NomInvalide);
    EXPECT_EQ(analyser(QStringLiteral(".xlsx")).verdict, VerdictNom::NomInvalide);
    ASSERT_TRUE(QDir(dossier.chemin()).mkdir(QStringLiteral("Pris.xlsx")));
    EXPECT_EQ(analyser(QStringLiteral("Pris.xlsx")).verdict, VerdictNom::NomInvalide);

    // A missing folder is refused before the extension is looked at, and named as typed.
    nom = analyser(QStringLiteral("absent/Rapp?rt.doc"));
    EXPECT_EQ(nom.verdict, VerdictNom::DossierInexistant);
    EXPECT_EQ(nom.strDossier, QStringLiteral("absent"));
}

}  // namespace kervane::test
