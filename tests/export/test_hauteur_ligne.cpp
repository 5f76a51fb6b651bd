// Row heights of the exported sheet: a spreadsheet shows a wrapped cell on one line per
// line break plus the lines that wrapping at the column width makes, a column w characters
// wide holding w digits, at 15 points a line for the default font (Calibri 11).
#include "export/HauteurLigne.h"

#include <gtest/gtest.h>

namespace kervane::test {
namespace {

const QString DIX_CHIFFRES = QStringLiteral("0123456789");

// nMots words of ten digits, one space between two.
QString mots(int nMots)
{
    QStringList liste;
    for (int i = 0; i < nMots; ++i)
        liste << DIX_CHIFFRES;
    return liste.join(u' ');
}

}  // namespace

TEST(HauteurLigne, LignesCourtesALaHauteurStandard)
{
    EXPECT_EQ(HauteurLigne({QStringLiteral("Crème"), QStringLiteral("12"), QString()}, {10, 10, 10}), 0);
    // A text exactly as long as its column is wide still fits.
    EXPECT_EQ(HauteurLigne({DIX_CHIFFRES}, {10}), 0);
    EXPECT_EQ(HauteurLigne({mots(2)}, {21}), 0);
    EXPECT_EQ(HauteurLigne({}, {}), 0);
}

TEST(HauteurLigne, SautsDeLigneExplicites)
{
    EXPECT_EQ(LignesCellule(QStringLiteral("Ligne 1\nLigne 2\nfin"), 50), 3);
    EXPECT_EQ(LignesCellule(QStringLiteral("a\n\nb"), 50), 3);  // an empty line is a line
    EXPECT_EQ(HauteurLigne({QStringLiteral("Ligne 1\nLigne 2\nfin")}, {50}), 3 * 15.0);
}

TEST(HauteurLigne, RetourALaLargeurDeLaColonne)
{
    // Two words of ten and a space take 21 characters: two words a line in 25.
    EXPECT_EQ(LignesCellule(mots(6), 25), 3);
    EXPECT_EQ(LignesCellule(mots(7), 25), 4);
    // A width counts whole characters; without a width of its own a column holds 8.
    EXPECT_EQ(LignesCellule(mots(2), 20.9), 2);
    EXPECT_EQ(LignesCellule(mots(3), 0), 6);
    // A word longer than a line is cut: 60 digits in 25 take three lines.
    EXPECT_EQ(LignesCellule(DIX_CHIFFRES.repeated(6), 25), 3);
    // Breaks and wrapping add up.
    EXPECT_EQ(LignesCellule(mots(6) + QStringLiteral("\nfin"), 25), 4);
}

TEST(HauteurLigne, LaCelluleLaPlusHauteDecideJusquALaHauteurMaximale)
{
    // Each text in its own column: the same words take more lines in a narrower one.
    EXPECT_EQ(HauteurLigne({QStringLiteral("a\nb"), mots(6), mots(6)}, {10, 25, 45}), 3 * 15.0);
    EXPECT_EQ(HauteurLigne({mots(6), QStringLiteral("x")}, {45, 8}), 2 * 15.0);
    // A memo of 125 lines is as high as a row may be.
    const QString strMemo = QStringLiteral("Réunion à Besançon.\n").repeated(125);
    EXPECT_EQ(HauteurLigne({strMemo}, {55}), HAUTEUR_LIGNE_MAX);
    EXPECT_EQ(HAUTEUR_LIGNE_MAX, 409.0);
}

}  // namespace kervane::test
