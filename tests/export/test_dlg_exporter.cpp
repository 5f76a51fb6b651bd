// The export dialog driven as a user would, with scripted answers to its questions.
#include "export/dlgExporter.h"
#include "tests/export/FixtureExport.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace kervane::test {
namespace {

class DialogueExport : public FixtureExport {
protected:
    void SetUp() override
    {
        FixtureExport::SetUp();
        Programme().tabBlocs = {{1, 1, 1, 2}};
        Programme().bExportEffectue = false;
    }
    void TearDown() override { Programme().tabBlocs.clear(); }

    // Loads and shows the dialog, then types the name and presses OK.
    void valider(const QString& strTexte)
    {
        if (!dlg->isVisible()) {
            ASSERT_TRUE(dlg->charger());
            dlg->show();
        }
        dlg->ediNomFichierTableau->setText(strTexte);
        dlg->btnOk_Click();
    }

    std::unique_ptr<dlgExporter> dlg = std::make_unique<dlgExporter>(
        grille, QStringLiteral("Démo"), dossier.fichier(QStringLiteral("Velmora.mdb")), QStringLiteral("2 lignes"));
};

TEST_F(DialogueExport, ChargementEtBoutonOk)
{
    vaSpread vide;
    Programme().bExportDisponible = true;
    EXPECT_FALSE(dlgExporter(vide, QString(), QString(), QString()).charger());
    EXPECT_FALSE(Programme().bExportDisponible);
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("Faites au moins une requête."));
    EXPECT_EQ(repondeur.derniere().nStyle, 48);

    vaSpread large;
    large.setMaxCols(702);
    large.setMaxRows(1);
    EXPECT_FALSE(dlgExporter(large, QString(), QString(), QString()).charger());
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le tableau compte 702 colonnes : un classeur en accepte au plus 701 à l'export."));

    EXPECT_TRUE(dlg->charger());
    EXPECT_TRUE(Programme().bExportDisponible);
    EXPECT_EQ(dlg->nVersion, 16);
    EXPECT_FALSE(dlg->btnOk->isEnabled());
    dlg->ediNomFichierTableau->setText(QStringLiteral("   "));
    EXPECT_FALSE(dlg->btnOk->isEnabled());
    dlg->ediNomFichierTableau->setText(QStringLiteral(" R "));
    EXPECT_TRUE(dlg->btnOk->isEnabled());
}

TEST_F(DialogueExport, NomNuExporteDansLeDossierDeLaBase)
{
    valider(QStringLiteral("Rapport"));
    EXPECT_EQ(repondeur.questions().size(), 0u);
    EXPECT_TRUE(contenu(dossier.fichier(QStringLiteral("Rapport.xlsx"))).startsWith("PK"));
    EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Rapport.xlsx")});  // nothing left beside it
    EXPECT_TRUE(Programme().bExportEffectue);
    EXPECT_FALSE(Programme().bExportEnCours);
    EXPECT_TRUE(Programme().tabBlocs.empty());
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(DialogueExport, NomsRefusesAvecLeurMessage)
{
    valider(QStringLiteral("Rapport.xls"));
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("Le nom de fichier [Rapport.xls] est invalide."));
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_FALSE(dlg->btnOk->isEnabled());
    EXPECT_EQ(dlg->ediNomFichierTableau->selectedText(), QStringLiteral("Rapport.xls"));
    valider(QStringLiteral("Rapp?rt.xlsx"));
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("Le nom de fichier [Rapp?rt.xlsx] est invalide."));
    valider(QStringLiteral("/nulle/part/Rapport"));
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le répertoire [/nulle/part] est incorrect ou inexistant."));
    EXPECT_TRUE(fichiers().isEmpty());
    EXPECT_TRUE(dlg->isVisible());

    // The older format's rule, for a version below 12.
    dlg->nVersion = 11;
    valider(QStringLiteral("Rapport.xlsx"));
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("Le nom de fichier [Rapport.xlsx] est invalide."));
    valider(QStringLiteral("Rapport"));
    EXPECT_EQ(fichiers(), QStringList{QStringLiteral("Rapport.xls")});
}

TEST_F(DialogueExport, FichierExistantAnnulerNonPuisOui)
{
    const QString strChemin = ancienFichier(QStringLiteral("Rapport.xlsx"));

    repondeur.repondre(IDCANCEL);
    valider(strChemin);
    EXPECT_EQ(repondeur.derniere().strTexte,
              QStringLiteral("Le fichier [%1] existe. Souhaitez-vous l'écraser ?").arg(strChemin));
    EXPECT_EQ(repondeur.derniere().nStyle, 35);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->btnOk->isEnabled());

    repondeur.repondre(IDNO);
    valider(strChemin);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(Programme().bExportEffectue);
    EXPECT_EQ(contenu(strChemin), ancien);
    EXPECT_EQ(fichiers().size(), 1);

    dlg->show();
    repondeur.repondre(IDYES);
    valider(strChemin);
    EXPECT_TRUE(Programme().bExportEffectue);
    EXPECT_TRUE(contenu(strChemin).startsWith("PK"));
    EXPECT_EQ(fichiers().size(), 1);
}

TEST_F(DialogueExport, ChoisirEtFermeture)
{
    valider(QStringLiteral("Brouillon.txt"));
    dlg->btnChoisirTableau_Click();  // cancelled: the text stays
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("Choisir..."));
    EXPECT_EQ(repondeur.derniere().strFiltre, QStringLiteral("Feuille Excel (*.xlsx);;Tous fichiers (*)"));
    EXPECT_EQ(dlg->ediNomFichierTableau->text(), QStringLiteral("Brouillon.txt"));
    dlg->ediNomFichierTableau->clear();
    dlg->btnChoisirTableau_Click();  // an empty text opens the database's folder
    EXPECT_EQ(repondeur.derniere().strDossier, dossier.chemin());
    const QString strChoix = dossier.fichier(QStringLiteral("Synthèse.xlsx"));
    repondeur.choisir(strChoix);
    dlg->btnChoisirTableau_Click();
    EXPECT_EQ(dlg->ediNomFichierTableau->selectedText(), strChoix);
    EXPECT_TRUE(dlg->btnOk->isEnabled());

    // No closing while the writer works.
    Programme().bExportEnCours = true;
    dlg->close();
    dlg->btnAnnuler_Click();
    EXPECT_TRUE(dlg->isVisible());
    Programme().bExportEnCours = false;
    dlg->btnAnnuler_Click();
    EXPECT_FALSE(dlg->isVisible());
}

}  // namespace
}  // namespace kervane::test
