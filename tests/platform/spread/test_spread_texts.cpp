// Cell texts kept as UTF-8: rows taken over whole from a buffer with end offsets, texts
// written over them (shorter, longer, non-ASCII), the bytes left behind reclaimed, and the
// rows still resized and sorted with their texts.
#include "tests/platform/spread/GrilleTest.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

namespace {

// Rows of cells, every column 0..nCols of each, as UTF-8 back to back with end offsets.
struct Lignes {
    QByteArray texte;
    FinsCellules fins;
    void ajouter(const QStringList& cellules)
    {
        for (const QString& str : cellules) {
            texte += str.toUtf8();
            fins.ajouter(static_cast<quint32>(texte.size()));
        }
    }
    FinsCellules&& ends() { return std::move(fins); }
};

}  // namespace

TEST(GrilleTextesUtf8, LignesRepriseEntieresAvecLeursTitres)
{
    vaSpread grille;
    grille.setMaxCols(3);
    grille.setMaxRows(4);
    ecrire(grille, 1, 0, QStringLiteral("LIBELLÉ"));
    ecrire(grille, 2, 4, QStringLiteral("après"));
    Lignes lignes;
    lignes.ajouter({"", "Crème brûlée", "", "12,5"});
    lignes.ajouter({"", "Œuf 🥚", "x", ""});
    grille.setCol(1);
    grille.setRow(2);
    ASSERT_TRUE(grille.adoptRowTexts(std::move(lignes.texte), lignes.ends()));

    EXPECT_EQ(lire(grille, 1, 0), QStringLiteral("LIBELLÉ")) << "a title set before keeps its text";
    EXPECT_EQ(lire(grille, 2, 4), QStringLiteral("après")) << "so does a cell below the rows taken over";
    grille.setMaxRows(3);
    EXPECT_EQ(lire(grille, 2, 0), "B");
    EXPECT_EQ(lire(grille, 1, 2), QStringLiteral("Crème brûlée"));
    EXPECT_EQ(lire(grille, 3, 2), "12,5");
    EXPECT_EQ(lire(grille, 1, 3), QStringLiteral("Œuf 🥚"));
    EXPECT_EQ(lire(grille, 2, 3), "x");
    // A cell without bytes is unset: an empty data cell, a row title showing its number.
    EXPECT_TRUE(grille.Cells().text(2, 2).isNull());
    EXPECT_EQ(lire(grille, 0, 2), "2");
    EXPECT_EQ(lire(grille, 0, 3), "3");
    EXPECT_EQ(grille.Cells().utf8(1, 2), QByteArrayView("Crème brûlée"));
    EXPECT_EQ(grille.model()->data(grille.model()->index(2, 0)).toString(), QStringLiteral("Œuf 🥚"));

    // Written over: shorter in place, longer, with accents; the neighbours keep theirs.
    ecrire(grille, 1, 2, QStringLiteral(" "));
    ecrire(grille, 3, 2, QStringLiteral("Besançon, après vérification"));
    ecrire(grille, 2, 3, QString());
    EXPECT_EQ(lire(grille, 1, 2), " ");
    EXPECT_EQ(lire(grille, 3, 2), QStringLiteral("Besançon, après vérification"));
    EXPECT_TRUE(grille.Cells().text(2, 3).isNull());
    EXPECT_EQ(lire(grille, 1, 3), QStringLiteral("Œuf 🥚"));
    EXPECT_EQ(lire(grille, 1, 0), QStringLiteral("LIBELLÉ"));

    // Resizing and sorting move the cells with their texts.
    grille.setMaxCols(4);
    grille.Sort(1, true);
    EXPECT_EQ(lire(grille, 1, 1), "");
    EXPECT_EQ(lire(grille, 1, 2), " ");
    EXPECT_EQ(lire(grille, 3, 2), QStringLiteral("Besançon, après vérification"));
    EXPECT_EQ(lire(grille, 1, 3), QStringLiteral("Œuf 🥚"));
}

TEST(GrilleTextesUtf8, LignesQuiNeConviennentPasRefuseesSansRienChanger)
{
    vaSpread grille;
    remplir(grille, 2, 2);
    Lignes partielle;
    partielle.ajouter({"", "a"});  // 2 cells: not whole rows of 3 columns
    grille.setRow(1);
    EXPECT_FALSE(grille.adoptRowTexts(std::move(partielle.texte), partielle.ends()));
    Lignes tropLongues;
    for (int i = 0; i < 3; ++i)
        tropLongues.ajouter({"", "a", "b"});  // 3 rows from row 1 of a 2-row sheet
    EXPECT_FALSE(grille.adoptRowTexts(std::move(tropLongues.texte), tropLongues.ends()));
    Lignes fauxDecalages;
    fauxDecalages.ajouter({"", "a", "b"});
    fauxDecalages.fins[fauxDecalages.fins.taille() - 1] = 99;  // beyond its bytes
    EXPECT_FALSE(grille.adoptRowTexts(std::move(fauxDecalages.texte), fauxDecalages.ends()));
    EXPECT_EQ(lire(grille, 1, 1), "1.1");
    EXPECT_EQ(lire(grille, 2, 2), "2.2");
}

TEST(GrilleTextesUtf8, RecrituresNombreusesGardentChaqueTexte)
{
    // Each round writes every cell longer than before: the old bytes are left behind and
    // must be reclaimed without losing a text.
    vaSpread grille;
    grille.setMaxCols(4);
    grille.setMaxRows(500);
    for (int tour = 1; tour <= 12; ++tour)
        for (qint32 r = 1; r <= 500; ++r)
            for (qint32 c = 1; c <= 4; ++c)
                ecrire(grille, c, r, QStringLiteral("é%1-%2-").arg(r).arg(c).repeated(tour));
    for (qint32 r = 1; r <= 500; r += 37)
        EXPECT_EQ(lire(grille, 3, r), QStringLiteral("é%1-3-").arg(r).repeated(12));
    // Kept without reclaiming, the twelve rounds would hold 6.5 times the texts in use; the
    // buffer may hold twice them plus its room to grow.
    qsizetype nUtiles = 0;
    for (qint32 r = 1; r <= 500; ++r)
        for (qint32 c = 1; c <= 4; ++c)
            nUtiles += grille.Cells().utf8(c, r).size();
    EXPECT_LT(grille.Cells().textBytes(), 4 * nUtiles + (1 << 17) + 8 * 2505);
}

TEST(GrilleTextesUtf8, LargeurDUnTexteUtf8CommeCelleDuMemeTexte)
{
    vaSpread grille;
    for (const QString& str : {QStringLiteral("Crème brûlée"), QStringLiteral("Valeur 12,25"), QStringLiteral("ÀÉÎÕÜ ß ÿ"),
                               QStringLiteral("Œuvre"), QStringLiteral("日本語 🥚"), QString()})
        EXPECT_DOUBLE_EQ(grille.TextWidthUtf8(str.toUtf8()), grille.TextWidth(str)) << qPrintable(str);
    EXPECT_DOUBLE_EQ(grille.TextWidthUtf8(QByteArrayView("B", 1), true), grille.TextWidth(QStringLiteral("B"), true));
}

TEST(GrilleTextesUtf8, TextesLongsEtTextesMisDeCoteGardentChaqueCellule)
{
    // From 254 bytes on, a text's length is kept apart from its cell; the whole sheet can also
    // wait in a file. Every cell must read the same through taking over, writing in place and
    // at the end, reclaiming, setting aside, resizing and sorting.
    const QString strLong = QStringLiteral("é").repeated(200);  // 400 bytes
    const QString strLimite(254, u'x');
    const QString strCourt(253, u'y');
    SpreadCells cellules;
    cellules.resize(3, 2, 8.0);
    cellules.setText(1, 0, QStringLiteral("TITRE"));
    Lignes lignes;
    lignes.ajouter({"", strLong, "b"});
    lignes.ajouter({"", "a", strLimite});
    lignes.ajouter({"", strCourt, ""});
    ASSERT_TRUE(cellules.adoptRowTexts(1, std::move(lignes.texte), lignes.ends()));
    cellules.setText(2, 3, QStringLiteral(""));
    QMap<std::pair<qint32, qint32>, QString> attendu{{{1, 0}, "TITRE"}, {{1, 1}, strLong}, {{2, 1}, "b"},
                                                     {{1, 2}, "a"},     {{2, 2}, strLimite}, {{1, 3}, strCourt},
                                                     {{2, 3}, ""}};
    const auto verifier = [&](const char* etape) {
        for (qint32 r = 0; r <= cellules.rows(); ++r)
            for (qint32 c = 0; c <= cellules.cols(); ++c) {
                const QString strAttendu = attendu.value({c, r});
                EXPECT_EQ(cellules.text(c, r), strAttendu) << etape << " " << c << "," << r;
                EXPECT_EQ(cellules.text(c, r).isNull(), strAttendu.isNull()) << etape << " " << c << "," << r;
            }
    };
    verifier("repris");

    ASSERT_TRUE(cellules.parkTexts(0));
    verifier("mis de cote");
    cellules.bringTextsBack();
    verifier("rendus");

    ASSERT_TRUE(cellules.parkTexts(0));
    cellules.setText(1, 1, strLong + "!");  // longer: written at the end, the sheet back from its file
    cellules.setText(2, 2, QStringLiteral("z").repeated(300));  // long over long, in place
    cellules.setText(1, 3, QString());
    attendu[{1, 1}] = strLong + "!";
    attendu[{2, 2}] = QStringLiteral("z").repeated(300);
    attendu.remove({1, 3});
    verifier("ecrits");
    for (int i = 0; i < 400; ++i)  // enough bytes left behind to be reclaimed
        cellules.setText(2, 1, strLong + QString::number(i));
    attendu[{2, 1}] = strLong + "399";
    verifier("recuperes");

    ASSERT_TRUE(cellules.parkTexts(0));
    cellules.resize(2, 3, 8.0);
    attendu.remove({2, 3});
    verifier("redimensionnes depuis le fichier");
    cellules.sortRows(2, true);  // "é…399" sorts before "z…"
    verifier("tries");
    cellules.sortRows(2, false);
    std::swap(attendu[{1, 1}], attendu[{1, 2}]);
    std::swap(attendu[{2, 1}], attendu[{2, 2}]);
    verifier("tries a l'envers");
}
