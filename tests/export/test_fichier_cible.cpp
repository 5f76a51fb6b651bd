// The file an export replaces: a read-only file is refused and left as it was, a full disk
// is told in French, links lead to their file, and a replaced file keeps its permissions.
#include "export/ClasseurXlsx.h"
#include "export/dlgExporter.h"
#include "export/ErreurClasseur.h"
#include "export/FichierProvisoire.h"
#include "tests/export/FixtureExport.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <cerrno>
#include <xlsxwriter.h>

namespace kervane::test {
namespace {

mode_t droits(const QString& strChemin)
{
    struct stat etat {};
    return ::stat(QFile::encodeName(strChemin).constData(), &etat) == 0 ? (etat.st_mode & 07777) : 0;
}

class FichierCible : public FixtureExport {
protected:
    bool exporter(const QString& strChemin)
    {
        std::vector<BlocCellules> tabBlocs;
        return ExporterTableau(strChemin, grille, tabBlocs, entete);
    }
};

// 0444 is read-only for everyone, the administrator included, as the attribute is on Windows.
TEST_F(FichierCible, LectureSeuleRefuseeEtIntacte)
{
    for (const mode_t nDroits : {0444, 0400, 0555}) {
        const QString strChemin = ancienFichier(QStringLiteral("Figé.xlsx"), nDroits);
        repondeur.oublier();
        EXPECT_FALSE(exporter(strChemin)) << nDroits;
        ASSERT_EQ(repondeur.questions().size(), 1u);
        EXPECT_EQ(repondeur.derniere().strTexte,
                  QStringLiteral("VB-00075  Le fichier [%1] est en lecture seule : il ne peut pas être remplacé.")
                      .arg(strChemin));
        EXPECT_EQ(contenu(strChemin), ancien);
        EXPECT_EQ(droits(strChemin), nDroits);
        EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Figé.xlsx")});
        ::chmod(QFile::encodeName(strChemin).constData(), 0600);
        QFile::remove(strChemin);
    }

    // Through a link, the file it leads to is the one checked.
    const QString strCible = ancienFichier(QStringLiteral("Cible.xlsx"), 0444);
    const QString strLien = dossier.fichier(QStringLiteral("Lien.xlsx"));
    ASSERT_TRUE(QFile::link(strCible, strLien));
    EXPECT_FALSE(exporter(strLien));
    EXPECT_TRUE(repondeur.derniere().strTexte.contains(QStringLiteral("[%1] est en lecture seule").arg(strLien)));
    EXPECT_EQ(contenu(strCible), ancien);
}

TEST_F(FichierCible, LeDialogueRefuseAvantDePoserLaQuestion)
{
    const QString strChemin = ancienFichier(QStringLiteral("Rapport.xlsx"), 0444);
    Programme().bExportEffectue = false;
    dlgExporter dlg(grille, QStringLiteral("Démo"), dossier.fichier(QStringLiteral("Velmora.mdb")), QString());
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    dlg.ediNomFichierTableau->setText(strChemin);
    dlg.btnOk_Click();
    ASSERT_EQ(repondeur.questions().size(), 1u);  // no question whether to replace it
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le fichier [%1] est en lecture seule : il ne peut pas être remplacé.").arg(strChemin));
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_FALSE(Programme().bExportEffectue);
    EXPECT_EQ(contenu(strChemin), ancien);
    EXPECT_EQ(droits(strChemin), 0444u);
}

// /dev/full answers every write with "no space left on device": a full disk without
// mounting anything. The link leads the export to it.
TEST_F(FichierCible, DisquePleinDitEnFrancais)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full on this system";
    const QString strLien = dossier.fichier(QStringLiteral("Plein.xlsx"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), strLien));
    EXPECT_FALSE(exporter(strLien));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("VB-00061  Le classeur [%1] n'a pas pu être enregistré. Le disque est plein.")
                  .arg(strLien));
    EXPECT_TRUE(QFileInfo(strLien).isSymLink());
    EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Plein.xlsx")});
}

TEST_F(FichierCible, LienSuiviEtDroitsGardes)
{
    ASSERT_TRUE(QDir(dossier.chemin()).mkdir(QStringLiteral("partage")));
    const QString strCible = ancienFichier(QStringLiteral("partage/Commun.xlsx"), 0664);
    const QString strLien = dossier.fichier(QStringLiteral("Raccourci.xlsx"));
    ASSERT_TRUE(QFile::link(strCible, strLien));
    ASSERT_TRUE(exporter(strLien));
    EXPECT_TRUE(QFileInfo(strLien).isSymLink());
    EXPECT_TRUE(contenu(strCible).startsWith("PK"));
    EXPECT_EQ(droits(strCible), 0664u);
    EXPECT_EQ(QDir(dossier.fichier(QStringLiteral("partage"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Commun.xlsx")});

    // A link leading nowhere is not replaced by a file.
    const QString strPerdu = dossier.fichier(QStringLiteral("Perdu.xlsx"));
    ASSERT_TRUE(QFile::link(dossier.fichier(QStringLiteral("absent/x.xlsx")), strPerdu));
    EXPECT_FALSE(exporter(strPerdu));
    EXPECT_TRUE(repondeur.derniere().strTexte.endsWith(QStringLiteral("Ce n'est pas un fichier ordinaire.")));
    EXPECT_TRUE(QFileInfo(strPerdu).isSymLink());
}

// The writer itself: a failure leaves nothing behind and destroys nothing.
TEST_F(FichierCible, UnEchecNeLaisseRienEtNeDetruitRien)
{
    std::vector<BlocCellules> tabBlocs{{1, 1, 1, 2}, {1, 2, 1, 2}};
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
    const QString strAncien = ancienFichier(QStringLiteral("Ancien.xlsx"));
    grille.setMaxCols(800);
    EXPECT_FALSE(ExporterTableau(strAncien, grille, tabBlocs, entete));
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le tableau compte 800 colonnes : un classeur en accepte au plus 701 à l'export."));
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Ancien.xlsx")});
    EXPECT_EQ(contenu(strAncien), ancien);
}

TEST(ErreurClasseur, LesRefusDeLaBibliothequeEnFrancais)
{
    EXPECT_EQ(TexteErreurClasseur(LXW_ERROR_ZIP_FILE_OPERATION, ENOSPC), QStringLiteral("Le disque est plein."));
    EXPECT_EQ(NumeroErreurClasseur(LXW_ERROR_ZIP_FILE_OPERATION, ENOSPC), 61);
    EXPECT_EQ(TexteErreurClasseur(LXW_ERROR_CREATING_XLSX_FILE, EACCES), QStringLiteral("Permission refusée."));
    EXPECT_EQ(NumeroErreurClasseur(LXW_ERROR_CREATING_XLSX_FILE, EACCES), 70);
    // Without errno, or for a refusal that is not about the file, the library's own reason.
    EXPECT_EQ(TexteErreurClasseur(LXW_ERROR_ZIP_FILE_OPERATION, 0),
              QStringLiteral("Le fichier du classeur ne peut pas être écrit."));
    EXPECT_EQ(NumeroErreurClasseur(LXW_ERROR_ZIP_FILE_OPERATION, 0), ERREUR_CLASSEUR);
    EXPECT_EQ(TexteErreurClasseur(LXW_ERROR_SHEETNAME_ALREADY_USED, ENOSPC),
              QStringLiteral("Le nom de la feuille est déjà pris."));
    EXPECT_EQ(NumeroErreurClasseur(LXW_ERROR_SHEETNAME_ALREADY_USED, ENOSPC), ERREUR_CLASSEUR);
    for (int nCode = 1; nCode <= LXW_MAX_ERRNO; ++nCode) {
        const QString strTexte = TexteErreurClasseur(nCode, 0);
        EXPECT_NE(strTexte, QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(nCode)))) << nCode;
        EXPECT_TRUE(strTexte.endsWith(QLatin1Char('.'))) << nCode;
    }
}

}  // namespace
}  // namespace kervane::test
