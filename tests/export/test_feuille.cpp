// Cell references and cell values as the writer reads them.
#include "export/Coordonnees.h"
#include "export/ValeurCellule.h"

#include <gtest/gtest.h>

namespace kervane::test {

TEST(Coordonnees, ReferencesJusquaZZ)
{
    EXPECT_EQ(GES_CalculerCoordonneesCellule(1, 7), "A7");
    EXPECT_EQ(GES_CalculerCoordonneesCellule(27, 8), "AA8");
    EXPECT_EQ(GES_CalculerCoordonneesCellule(40, 8), "AN8");
    EXPECT_EQ(GES_CalculerCoordonneesCellule(52, 1), "AZ1");
    EXPECT_EQ(GES_CalculerCoordonneesColonne(53), "BA");
    EXPECT_EQ(GES_CalculerCoordonneesColonne(702), "ZZ");
    EXPECT_EQ(GES_CalculerCoordonneesColonne(703), "");
    EXPECT_EQ(GES_CalculerCoordonneesCellule(3, 0), "");
}

TEST(ValeurCellule, TextesEtNombres)
{
    EXPECT_EQ(TexteCellule(QStringLiteral("  a\r\nb\rc\t ")), QStringLiteral("a\nb\nc\t"));
    double d = 0;
    EXPECT_TRUE(LireNombre("-3,25", ",", d));
    EXPECT_EQ(d, -3.25);
    EXPECT_TRUE(LireNombre("0", ",", d));
    EXPECT_TRUE(LireNombre("999999999999999", ",", d));
    // Texts that only look like numbers keep their exact spelling.
    for (const char* psz : {"007", "3.5", "1 000", "1e5", "12,", ",5", "-", "", "2024-01-05", "1234567890123456"})
        EXPECT_FALSE(LireNombre(QString::fromLatin1(psz), ",", d)) << psz;
}

}  // namespace kervane::test
