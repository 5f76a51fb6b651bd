// The page header: its codes, and the header a query print asks for.
#include "print/EnteteImpression.h"
#include "print/ImprimerRequete.h"
#include "tests/print/OutilsImpression.h"

#include <QDate>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

using Lignes = std::vector<LigneEntete>;

TEST(EnteteImpression, CodesPlaceTheTextsOnTheirLines)
{
    EXPECT_EQ(analyserEntete("/r01/02/2024/n/cSELECT * FROM T/n/n"),
              (Lignes{{"", "", "01/02/2024"}, {"", "SELECT * FROM T", ""}, {"", "", ""}}));
    // Cleared box: the date, then two empty lines.
    EXPECT_EQ(analyserEntete("/r01/02/2024/n/c/n/n"), (Lignes{{"", "", "01/02/2024"}, {}, {}}));
    // Three places on one line; a line without "/n" at the end still counts when it holds text.
    EXPECT_EQ(analyserEntete("gauche/cmilieu/rdroite/n/lfin"),
              (Lignes{{"gauche", "milieu", "droite"}, {"fin", "", ""}}));
    EXPECT_TRUE(analyserEntete("").empty());
    // "//" is one "/", and a "/" before any other character stays as it is.
    EXPECT_EQ(analyserEntete("a//nb/x/"), (Lignes{{"a/nb/x/", "", ""}}));
}

TEST(EnteteImpression, QueryHeaderKeepsTheStatementOnOneLineAsWritten)
{
    const QString strDate = QDate::currentDate().toString("dd/MM/yyyy");
    EXPECT_EQ(enteteImpression("SELECT 1", true), "/r" + strDate + "/n/cSELECT 1/n/n");
    EXPECT_EQ(enteteImpression("SELECT 1", false), "/r" + strDate + "/n/c/n/n");

    // Line breaks print as blanks; a "/" of the statement is not taken for a code.
    const Lignes lignes = analyserEntete(enteteImpression("SELECT a/nb, c/r\r\nFROM t/c", true));
    ASSERT_EQ(lignes.size(), 3u);
    EXPECT_EQ(lignes[0].strDroite, strDate);
    EXPECT_EQ(lignes[1].strCentre, "SELECT a/nb, c/r  FROM t/c");
    EXPECT_EQ(lignes[2], LigneEntete{});

    EXPECT_EQ(analyserEntete(enteteImpression(" Base:  Comptoir", true))[1].strCentre, " Base:  Comptoir");
    EXPECT_EQ(nomTravailImpression(), "Impression Kervane Vitrelle");
}

}  // namespace
}  // namespace kervane::test
