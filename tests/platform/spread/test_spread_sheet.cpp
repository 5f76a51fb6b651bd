// Grid sheet: counts and texts through the current cell, titles and row numbers, emptying,
// cells outside the sheet, bold and static cells, whole rows and columns, sorting.
#include "tests/platform/spread/GrilleTest.h"

#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

TEST(GrilleFeuille, TextesTitresEtNumerosDeLigne)
{
    vaSpread grille;
    remplir(grille, 3, 2);
    EXPECT_EQ(grille.MaxRows(), 3);
    EXPECT_EQ(grille.MaxCols(), 2);
    EXPECT_EQ(lire(grille, 2, 3), "3.2");
    EXPECT_EQ(lire(grille, 1, 1), "1.1");

    // Titles not set show letters and row numbers; set ones show their text.
    EXPECT_EQ(lire(grille, 2, 0), "B");
    EXPECT_EQ(lire(grille, 0, 3), "3");
    ecrire(grille, 1, 0, QStringLiteral("LIBELLÉ"));
    ecrire(grille, 0, 2, QStringLiteral("Total"));
    EXPECT_EQ(lire(grille, 1, 0), QStringLiteral("LIBELLÉ"));
    EXPECT_EQ(lire(grille, 0, 2), "Total");
    EXPECT_EQ(grille.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("LIBELLÉ"));
    EXPECT_EQ(grille.model()->headerData(1, Qt::Vertical).toString(), "Total");
    EXPECT_EQ(grille.model()->headerData(2, Qt::Vertical).toString(), "3");

    // Accents and a long memo with line breaks come back unchanged.
    const QString strMemo = QStringLiteral("Première ligne : éàüç\r\nSeconde ligne ") + QString(300, u'x');
    ecrire(grille, 2, 2, strMemo);
    EXPECT_EQ(lire(grille, 2, 2), strMemo);
    EXPECT_EQ(grille.model()->data(grille.model()->index(1, 1)).toString(), strMemo);

    // Adding a row keeps every text; changing the column count keeps the cells that fit.
    grille.setMaxRows(4);
    ecrire(grille, 1, 4, QStringLiteral("4.1"));
    EXPECT_EQ(lire(grille, 2, 3), "3.2");
    grille.setMaxCols(3);
    EXPECT_EQ(lire(grille, 2, 2), strMemo);
    EXPECT_EQ(lire(grille, 1, 4), "4.1");
    EXPECT_EQ(lire(grille, 3, 1), "");
    grille.setMaxCols(1);
    EXPECT_EQ(lire(grille, 1, 3), "3.1");
    EXPECT_EQ(lire(grille, 2, 3), "");
    EXPECT_EQ(grille.model()->columnCount(), 1);
    EXPECT_EQ(grille.model()->rowCount(), 4);
}

TEST(GrilleFeuille, ViderEtCellulesHorsFeuille)
{
    vaSpread grille;
    remplir(grille, 5, 3);
    grille.setMaxRows(0);
    EXPECT_EQ(grille.MaxRows(), 0);
    EXPECT_EQ(grille.model()->rowCount(), 0);
    EXPECT_EQ(lire(grille, 1, 1), "");
    grille.setMaxRows(2);
    EXPECT_EQ(lire(grille, 1, 1), "") << "emptied cells do not come back";
    grille.setMaxCols(0);
    EXPECT_EQ(grille.model()->columnCount(), 0);

    // Outside the sheet: writes ignored, reads empty, negative counts and positions refused.
    remplir(grille, 2, 2);
    ecrire(grille, 3, 1, QStringLiteral("hors"));
    ecrire(grille, 1, 3, QStringLiteral("hors"));
    EXPECT_EQ(lire(grille, 3, 1), "");
    EXPECT_EQ(grille.MaxCols(), 2);
    EXPECT_EQ(grille.MaxRows(), 2);
    grille.setMaxRows(-4);
    EXPECT_EQ(grille.MaxRows(), 2);
    grille.setMaxCols(100'000'000);
    EXPECT_EQ(grille.MaxCols(), 2) << "a sheet too large for memory is refused";
    grille.setCol(1);
    grille.setCol(-2);
    EXPECT_EQ(grille.Col(), 1);
    grille.setFontBold(true);
    grille.setRow(7);
    grille.setFontBold(true);
    EXPECT_FALSE(grille.FontBold());
    EXPECT_FALSE(grille.Cells().bold(1, 7));

    // A block partly outside is clipped to the sheet.
    grille.setBlockMode(true);
    bloc(grille, 2, 2, 9, 9);
    grille.setText(QStringLiteral("bloc"));
    grille.setBlockMode(false);
    EXPECT_EQ(lire(grille, 2, 2), "bloc");
    EXPECT_EQ(lire(grille, 1, 2), "2.1");
}

TEST(GrilleFeuille, GrasParCelluleBlocEtLigneEntiere)
{
    vaSpread grille;
    remplir(grille, 4, 3);
    grille.setCol(0);
    grille.setRow(3);
    grille.setFontBold(true);
    EXPECT_TRUE(grille.Cells().bold(0, 3));
    EXPECT_FALSE(grille.Cells().bold(0, 2));
    EXPECT_FALSE(grille.Cells().bold(1, 3));
    const QVariant police = grille.model()->headerData(2, Qt::Vertical, Qt::FontRole);
    ASSERT_TRUE(police.isValid());
    EXPECT_TRUE(police.value<QFont>().bold());
    EXPECT_FALSE(grille.model()->headerData(1, Qt::Vertical, Qt::FontRole).isValid());

    // Block mode: the whole block; -1: every data column of the row.
    grille.setBlockMode(true);
    bloc(grille, 2, 1, 3, 2);
    grille.setFontBold(true);
    grille.setBlockMode(false);
    EXPECT_TRUE(grille.Cells().bold(2, 1) && grille.Cells().bold(3, 2));
    EXPECT_FALSE(grille.Cells().bold(1, 1) || grille.Cells().bold(2, 3));
    grille.setCol(-1);
    grille.setRow(4);
    grille.setFontBold(true);
    EXPECT_TRUE(grille.Cells().bold(1, 4) && grille.Cells().bold(3, 4));
    EXPECT_FALSE(grille.Cells().bold(0, 4)) << "-1 means the data columns, not the title";
    grille.setCol(0);
    grille.setRow(-1);
    grille.setFontBold(false);
    EXPECT_FALSE(grille.Cells().bold(0, 3));
}

TEST(GrilleFeuille, CellulesStatiquesEtCouleur)
{
    vaSpread grille;
    remplir(grille, 2, 2);
    const QModelIndex cellule = grille.model()->index(0, 0);
    EXPECT_TRUE(grille.model()->flags(cellule) & Qt::ItemIsEditable);
    EXPECT_TRUE(grille.model()->setData(cellule, QStringLiteral("saisi")));
    EXPECT_EQ(lire(grille, 1, 1), "saisi");

    // Every cell static, rows added later too; static cells refuse edits.
    grille.setCol(-1);
    grille.setRow(-1);
    grille.setCellType(vaSpread::kCellTypeStaticText);
    grille.setMaxRows(3);
    for (const QModelIndex& index : {cellule, grille.model()->index(2, 1)}) {
        EXPECT_FALSE(grille.model()->flags(index) & Qt::ItemIsEditable);
        EXPECT_FALSE(grille.model()->setData(index, QStringLiteral("refusé")));
    }
    grille.setCol(1);
    grille.setRow(1);
    EXPECT_EQ(grille.CellType(), vaSpread::kCellTypeStaticText);
    EXPECT_EQ(grille.Text(), "saisi");

    // Text colour per cell; an invalid colour returns to the default.
    const QColor rouge(0xC0, 0x00, 0x00);
    grille.setForeColor(rouge);
    EXPECT_EQ(grille.ForeColor(), rouge);
    grille.setCol(2);
    EXPECT_NE(grille.ForeColor(), rouge);
    grille.setCol(1);
    grille.setForeColor(QColor());
    EXPECT_EQ(grille.ForeColor(), grille.palette().color(QPalette::Text));
}

TEST(GrilleFeuille, TriCroissantEtDecroissant)
{
    vaSpread grille;
    grille.setMaxCols(2);
    grille.setMaxRows(5);
    const QStringList libelles{"beta", "Été", "alpha", "Zoé", "eta"};
    for (qint32 r = 1; r <= 5; ++r) {
        ecrire(grille, 1, r, libelles[r - 1]);
        ecrire(grille, 2, r, QString::number(r));
    }
    ecrire(grille, 1, 0, QStringLiteral("Libellé"));
    grille.setCol(2);
    grille.setRow(4);
    grille.setFontBold(true);  // goes with its row
    grille.setCol(0);
    grille.setRow(1);
    grille.setFontBold(true);  // a row number stays where it is
    auto colonne = [&](qint32 nCol) {
        QStringList textes;
        for (qint32 r = 1; r <= 5; ++r)
            textes << lire(grille, nCol, r);
        return textes;
    };

    grille.Sort(1, true);
    EXPECT_EQ(colonne(1), QStringList({"alpha", "beta", "eta", "Été", "Zoé"}));
    EXPECT_EQ(colonne(2), QStringList({"3", "1", "5", "2", "4"})) << "rows move whole";
    EXPECT_TRUE(grille.Cells().bold(2, 5));
    EXPECT_TRUE(grille.Cells().bold(0, 1));
    EXPECT_EQ(lire(grille, 1, 0), QStringLiteral("Libellé"));
    EXPECT_EQ(lire(grille, 0, 2), "2");

    grille.Sort(1, false);
    EXPECT_EQ(colonne(1), QStringList({"Zoé", "Été", "eta", "beta", "alpha"}));
    grille.Sort(2, true);
    EXPECT_EQ(colonne(2), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(colonne(1), libelles);
}
