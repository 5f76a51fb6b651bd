// References, cell values and the in-memory sheet the writer builds.
#include "export/Coordonnees.h"
#include "export/FeuilleModele.h"
#include "export/ValeurCellule.h"
#include "messages/Erreur.h"

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

TEST(FeuilleModele, CadresLignesEtJeuxDAttributs)
{
    FeuilleModele feuille(100, 6, QStringLiteral("Requête"));
    feuille.ecrireTexte(2, 2, QStringLiteral("Zürich"));
    feuille.encadrer({2, 2, 4, 4}, Trait::Fin);
    feuille.encadrer({4, 4, 4, 4}, Trait::Moyen);  // a later frame changes only its own edges
    for (qint32 l = 3; l <= 100; ++l)
        feuille.modifierLigne(l, [](AttributsCellule& a) { a.bRetourLigne = true; });

    const auto bords = [&](qint32 l, qint32 c) {
        const AttributsCellule& a = feuille.attributs(l, c);
        return std::array{a.bordGauche, a.bordDroit, a.bordHaut, a.bordBas};
    };
    using T = Trait;
    EXPECT_EQ(bords(2, 2), (std::array{T::Fin, T::Aucun, T::Fin, T::Aucun}));
    EXPECT_EQ(bords(3, 3), (std::array{T::Aucun, T::Aucun, T::Aucun, T::Aucun}));
    EXPECT_EQ(bords(4, 3), (std::array{T::Aucun, T::Aucun, T::Aucun, T::Fin}));
    EXPECT_EQ(bords(4, 4), (std::array{T::Moyen, T::Moyen, T::Moyen, T::Moyen}));
    EXPECT_EQ(bords(1, 2), (std::array{T::Aucun, T::Aucun, T::Aucun, T::Aucun}));
    EXPECT_EQ(feuille.cellule(2, 2).strValeur, QStringLiteral("Zürich"));

    // The row setting reaches the cells already framed and keeps their frame.
    EXPECT_TRUE(feuille.attributs(4, 4).bRetourLigne);
    EXPECT_EQ(feuille.attributs(4, 4).bordBas, T::Moyen);
    EXPECT_FALSE(feuille.attributs(2, 2).bRetourLigne);
    EXPECT_EQ(feuille.cellule(50, 6).nStyle, feuille.styleLigne(50));
    EXPECT_LE(feuille.styles().size(), 16u);  // 600 cells, a few distinct sets

    EXPECT_THROW(feuille.ecrireTexte(101, 1, QStringLiteral("x")), Echec);
    EXPECT_THROW(feuille.encadrer({5, 5, 5, 7}, Trait::Fin), Echec);
}

}  // namespace kervane::test
