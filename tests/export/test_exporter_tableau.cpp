// The writer on disk: what a failure leaves behind (a successful export is the dialog's and the samples' test).
#include "export/ExporterTableau.h"
#include "GrilleExemple.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

class Ecrivain : public ::testing::Test {
protected:
    void SetUp() override
    {
        remplirGrille(grille, {QStringLiteral("CLIENT"), QStringLiteral("NOTE")},
                      {{QStringLiteral("Crème"), QStringLiteral("12")}, {QStringLiteral(" "), QString()}});
    }
    QStringList fichiers() const { return QDir(dossier.chemin()).entryList(QDir::Files | QDir::Hidden); }

    DossierTemporaire dossier;
    RepondeurScripte repondeur;
    vaSpread grille;
    std::vector<BlocCellules> tabBlocs{{1, 1, 1, 2}, {2, 1, 2, 1}};
    const EnteteExport entete{QStringLiteral("Démo"), QStringLiteral("/bases/Velmora.mdb"), QString()};
};

TEST_F(Ecrivain, UnEchecNeLaisseRienEtNeDetruitRien)
{
    // The target cannot be replaced (a folder holding a file): reported, nothing left behind.
    const QString strOccupe = dossier.fichier(QStringLiteral("Occupé.xlsx"));
    ASSERT_TRUE(QDir().mkpath(strOccupe + QStringLiteral("/dedans")));
    EXPECT_FALSE(ExporterTableau(strOccupe, grille, tabBlocs, entete));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_TRUE(repondeur.derniere().strTexte.startsWith(QStringLiteral("VB-00075")));
    EXPECT_TRUE(QFileInfo(strOccupe + QStringLiteral("/dedans")).isDir());
    EXPECT_TRUE(fichiers().isEmpty());
    EXPECT_EQ(tabBlocs.size(), 2u);  // kept for another try

    // A grid wider than the sheet's references is refused before anything is written.
    const QString strAncien = dossier.fichier(QStringLiteral("Ancien.xlsx"));
    QFile ancien(strAncien);
    ASSERT_TRUE(ancien.open(QIODevice::WriteOnly) && ancien.write("ancien") == 6);
    ancien.close();
    grille.setMaxCols(800);
    EXPECT_FALSE(ExporterTableau(strAncien, grille, tabBlocs, entete));
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le tableau compte 800 colonnes : un classeur en accepte au plus 701 à l'export."));
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Ancien.xlsx")});
    ASSERT_TRUE(ancien.open(QIODevice::ReadOnly));
    EXPECT_EQ(ancien.readAll(), QByteArray("ancien"));
}

}  // namespace
}  // namespace kervane::test
