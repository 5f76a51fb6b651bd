// The print dialog when no CUPS server answers: ctest runs this binary with CUPS_SERVER naming
// a socket that does not exist, so the platform lists no printer.
#include "print/dlgImprimer.h"
#include "print/Module_IMP.h"
#include "tests/print/OutilsImpression.h"
#include "tests/support/RepondeurScripte.h"

#include <gtest/gtest.h>

namespace kervane::test {
namespace {

TEST(DialogueSansImprimante, NoPrinterIsReportedAndTheDialogIsNotReady)
{
    ASSERT_FALSE(qEnvironmentVariable("CUPS_SERVER").isEmpty()) << "run through ctest, which sets CUPS_SERVER";
    EtatImpressionSauve etat;
    RepondeurScripte repondeur;
    Programme().bModeDebug = true;
    Programme().bImpressionPrete = true;
    vaSpread grille;
    EXPECT_TRUE(IMP_ListerImprimantes().isEmpty());
    dlgImprimer dialogue(grille, "SELECT 1");
    EXPECT_FALSE(dialogue.charger());
    EXPECT_FALSE(Programme().bImpressionPrete);
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "Aucune imprimante identifiée.");
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [Form_Load dlgImprimer]");
}

}  // namespace
}  // namespace kervane::test
