// The print dialog over the printers CUPS lists; the tests that need a printer skip when CUPS
// lists none. Printing goes to a PDF file through a file print object.
#include "messages/Programme.h"
#include "print/DescriptionImprimante.h"
#include "print/dlgImprimer.h"
#include "print/ImpressionGrille.h"
#include "print/Module_IMP.h"
#include "settings/Cles.h"
#include "settings/Registration.h"
#include "tests/print/OutilsImpression.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPageSize>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

class DialogueImprimer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (IMP_ListerImprimantes().isEmpty())
            GTEST_SKIP() << "CUPS lists no printer (start cupsd and add a queue to run this test)";
        EtatProgramme& programme = Programme();
        programme.strImprimante.clear();
        programme.descriptionImprimante.clear();
        programme.nOrientationImpression = 2;
        remplirGrilleNumerotee(m_grille, 3, 4);
        m_imprimante.setOutputFileName(m_dossier.fichier("sortie.pdf"));
        m_imprimante.setPageSize(QPageSize(QPageSize::A4));
    }

    // Loads a new dialog on the grid; true when it is ready.
    bool open()
    {
        m_dialogue = std::make_unique<dlgImprimer>(m_grille, "SELECT * FROM T", m_imprimante);
        return m_dialogue->charger();
    }

    EtatImpressionSauve m_etat;
    DossierTemporaire m_dossier;
    RepondeurScripte m_repondeur;
    vaSpread m_grille;
    QPrinter m_imprimante{QPrinter::HighResolution};
    std::unique_ptr<dlgImprimer> m_dialogue;
};

TEST_F(DialogueImprimer, VanishedPrinterLeavesTheDialogNotReady)
{
    Programme().bModeDebug = true;
    Programme().strImprimante = "Imprimante disparue";
    EXPECT_FALSE(open());
    EXPECT_FALSE(Programme().bImpressionPrete);
    ASSERT_EQ(m_repondeur.questions().size(), 1u);
    EXPECT_EQ(m_repondeur.derniere().strTexte, "Erreur inattendue.");
    EXPECT_EQ(m_repondeur.derniere().strTitre, "Kervane [Form_Load dlgImprimer]");
}

TEST_F(DialogueImprimer, FirstOpeningThenPortraitAndOkAreRememberedAndPrinted)
{
    ASSERT_TRUE(open());
    const QString strDefaut = IMP_ImprimanteParDefaut().isEmpty() ? IMP_ListerImprimantes().front()
                                                                  : IMP_ImprimanteParDefaut();
    EXPECT_EQ(m_dialogue->cboImprimantes->currentText(), strDefaut);
    EXPECT_EQ(Programme().strImprimante, strDefaut);
    EXPECT_TRUE(m_dialogue->tobOrientation_Paysage->isChecked());
    EXPECT_EQ(m_dialogue->staOrientation->text(), "Orientation : Paysage");
    EXPECT_EQ(IMP_LireOrientation(Programme().descriptionImprimante), 2);

    // The toolbar reports its own click: pressing "Portrait" twice keeps it pressed.
    m_dialogue->tobOrientation_Portrait->trigger();
    m_dialogue->tobOrientation_Portrait->trigger();
    EXPECT_TRUE(m_dialogue->tobOrientation_Portrait->isChecked());
    EXPECT_FALSE(m_dialogue->tobOrientation_Paysage->isChecked());
    EXPECT_EQ(m_dialogue->staOrientation->text(), "Orientation : Portrait");
    EXPECT_EQ(Programme().nOrientationImpression, 1);
    EXPECT_EQ(IMP_LireOrientation(Programme().descriptionImprimante), 1);

    // Annuler and the close box do nothing while a print runs.
    m_dialogue->show();
    Programme().bImpressionEnCours = true;
    m_dialogue->btnAnnuler->click();
    m_dialogue->close();
    EXPECT_TRUE(m_dialogue->isVisible());
    Programme().bImpressionEnCours = false;

    m_dialogue->btnOk->click();
    EXPECT_FALSE(m_dialogue->isVisible());
    EXPECT_TRUE(m_dialogue->fermeture());
    EXPECT_TRUE(Programme().bImprime);
    EXPECT_EQ(m_dialogue->impression().orientation(), 1);
    EXPECT_EQ(qgetenv("PRINTER"), strDefaut.toLocal8Bit());  // the program's own default now
    if (outilsPopplerPresents()) {
        const PdfLu pdf = lirePdf(m_dossier.fichier("sortie.pdf"));
        ASSERT_EQ(pdf.pages.size(), 1);
        EXPECT_LT(pdf.tailles[0].width(), pdf.tailles[0].height());
        EXPECT_TRUE(pdf.pages[0].contains("SELECT * FROM T"));
    }

    // The next opening shows the same printer and portrait; Annuler closes it.
    ASSERT_TRUE(open());
    EXPECT_EQ(m_dialogue->cboImprimantes->currentText(), strDefaut);
    EXPECT_EQ(m_dialogue->staOrientation->text(), "Orientation : Portrait");
    m_dialogue->show();
    m_dialogue->btnAnnuler->click();
    EXPECT_FALSE(m_dialogue->isVisible());
    EXPECT_EQ(m_dialogue->result(), QDialog::Rejected);
    EXPECT_TRUE(m_repondeur.questions().empty());
}

TEST_F(DialogueImprimer, PropertiesDialogOkWritesTheOrientationCancelChangesNothing)
{
    ASSERT_TRUE(open());
    const QByteArray avant = Programme().descriptionImprimante;
    m_repondeur.reglerImprimante(nullptr);  // Cancel
    m_dialogue->btnProprietes->click();
    EXPECT_EQ(Programme().descriptionImprimante, avant);
    EXPECT_EQ(Programme().nOrientationImpression, 2);
    qint32 nValeur = 0;
    EXPECT_FALSE(SYS_LireLongRegistration(cleProgramme(), "Orientation de l'impression", nValeur, false, true));

    // The printer's dialog opens on the description (landscape) and comes back in portrait on A5.
    QPageLayout::Orientation vue = QPageLayout::Portrait;
    m_repondeur.reglerImprimante([&vue](QPrinter& imprimante) {
        vue = imprimante.pageLayout().orientation();
        imprimante.setPageSize(QPageSize(QPageSize::A5));
        imprimante.setPageOrientation(QPageLayout::Portrait);
    });
    m_dialogue->btnProprietes->click();
    EXPECT_EQ(vue, QPageLayout::Landscape);
    EXPECT_EQ(m_dialogue->staOrientation->text(), "Orientation : Portrait");
    EXPECT_EQ(Programme().nOrientationImpression, 1);
    ASSERT_TRUE(SYS_LireLongRegistration(cleProgramme(), "Orientation de l'impression", nValeur, false, true));
    EXPECT_EQ(nValeur, 1);
    QPageLayout miseEnPage;
    ASSERT_TRUE(miseEnPageDepuisDescription(Programme().descriptionImprimante, miseEnPage));
    EXPECT_TRUE(miseEnPage.pageSize().isEquivalentTo(QPageSize(QPageSize::A5)));

    // Choosing the printer in the list reads its settings again, in the orientation shown.
    m_dialogue->cboImprimantes_Click();
    EXPECT_EQ(IMP_LireOrientation(Programme().descriptionImprimante), 1);
    EXPECT_EQ(m_dialogue->staOrientation->text(), "Orientation : Portrait");
}

}  // namespace
}  // namespace kervane::test
