// The printer description and the operations of Module_IMP that need no installed printer.
#include "print/DescriptionImprimante.h"
#include "print/Module_IMP.h"
#include "tests/print/OutilsImpression.h"
#include "tests/support/RepondeurScripte.h"

#include <QPageSize>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

TEST(DescriptionImprimante, KeepsThePageLayoutAndRewritesOnlyTheOrientation)
{
    const QPageLayout a5(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(12, 15, 10, 8),
                         QPageLayout::Millimeter);
    QByteArray description = descriptionDepuisMiseEnPage(a5);
    EXPECT_EQ(IMP_LireOrientation(description), 2);
    const QByteArray avant = description;
    EXPECT_TRUE(IMP_EtablirOrientation(description, 1));
    EXPECT_EQ(IMP_LireOrientation(description), 1);
    EXPECT_EQ(description.size(), avant.size());
    EXPECT_EQ(description.mid(TAILLE_PARTIE_FIXE), avant.mid(TAILLE_PARTIE_FIXE));

    QPageLayout lu;
    ASSERT_TRUE(miseEnPageDepuisDescription(description, lu));
    EXPECT_TRUE(lu.pageSize().isEquivalentTo(QPageSize(QPageSize::A5)));
    EXPECT_EQ(lu.orientation(), QPageLayout::Portrait);
    EXPECT_EQ(lu.margins(), QMarginsF(12, 15, 10, 8));
    EXPECT_EQ(lu.units(), QPageLayout::Millimeter);
}

TEST(DescriptionImprimante, BadRecordsAndValuesAreReportedUnderTheProcedureName)
{
    EtatImpressionSauve etat;
    RepondeurScripte repondeur;
    Programme().bModeDebug = true;
    QByteArray rien;
    EXPECT_EQ(IMP_LireOrientation(rien), 0);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [IMP_LireOrientation]");
    EXPECT_FALSE(IMP_EtablirOrientation(rien, 1));
    EXPECT_TRUE(rien.isEmpty());

    QByteArray description = descriptionDepuisMiseEnPage(QPageLayout());
    const QByteArray avant = description;
    EXPECT_FALSE(IMP_EtablirOrientation(description, 3));
    EXPECT_EQ(description, avant);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [IMP_EtablirOrientation]");
    QPageLayout lu;
    EXPECT_FALSE(miseEnPageDepuisDescription(QByteArray("KIMP\0\1\0\2", 8), lu));  // fixed part only
    EXPECT_FALSE(miseEnPageDepuisDescription("XXXX" + avant.mid(4), lu));

    EXPECT_FALSE(IMP_LireDescription("Kervane sans imprimante", description));
    EXPECT_EQ(description, avant);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [IMP_LireDescription]");
    EXPECT_TRUE(repondeur.derniere().strTexte.contains("Kervane sans imprimante"));
    EXPECT_EQ(repondeur.questions().size(), 4u);
}

TEST(ModuleIMP, CurrentPrinterIsThisProgramsOwnDefault)
{
    EtatImpressionSauve etat;
    qputenv("PRINTER", "Avant");
    qunsetenv("LPDEST");
    EXPECT_TRUE(IMP_EtablirCourante("Bureau", "", "/printers/Bureau"));  // one empty text: nothing
    EXPECT_EQ(qgetenv("PRINTER"), "Avant");
    EXPECT_FALSE(qEnvironmentVariableIsSet("LPDEST"));
    EXPECT_TRUE(IMP_EtablirCourante("Bureau", "CUPS", "/printers/Bureau"));
    EXPECT_EQ(qgetenv("PRINTER"), "Bureau");
    EXPECT_EQ(qgetenv("LPDEST"), "Bureau");
}

}  // namespace
}  // namespace kervane::test
