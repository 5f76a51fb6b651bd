// Grid sizes: widths in characters of the font's "0", row heights in pixels, the height a
// row's texts need, and the redraw switch that holds every change back until it is on.
#include "tests/platform/spread/GrilleTest.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cmath>

using namespace kervane;
using namespace kervane::test;

namespace {

double largeurZero(const QFont& police)
{
    return QFontMetricsF(police).horizontalAdvance(u'0');
}

int pixels(const vaSpread& grille, double dCaracteres)
{
    return static_cast<int>(std::lround(dCaracteres * largeurZero(grille.font()))) + grille.ColWidthToPixels(0);
}

}  // namespace

TEST(GrilleTailles, LargeursEnCaracteres)
{
    vaSpread grille;
    remplir(grille, 2, 3);
    const int nMarges = grille.ColWidthToPixels(0);
    EXPECT_GT(nMarges, 0);
    EXPECT_LT(nMarges, 20);

    grille.setColWidth(2, 12.5);
    EXPECT_DOUBLE_EQ(grille.ColWidth(2), 12.5);
    EXPECT_EQ(grille.horizontalHeader()->sectionSize(1), pixels(grille, 12.5));
    EXPECT_NEAR(grille.PixelsToColWidth(grille.horizontalHeader()->sectionSize(1)), 12.5,
                0.5 / largeurZero(grille.font()));
    grille.setColWidth(0, 4 * 1.15);
    EXPECT_EQ(grille.verticalHeader()->width(), pixels(grille, 4.6));

    // All data columns at once, and the columns added later.
    grille.setColWidth(-1, 7);
    grille.setMaxCols(4);
    EXPECT_DOUBLE_EQ(grille.ColWidth(1), 7);
    EXPECT_DOUBLE_EQ(grille.ColWidth(4), 7);
    EXPECT_EQ(grille.horizontalHeader()->sectionSize(3), pixels(grille, 7));
    EXPECT_DOUBLE_EQ(grille.ColWidth(0), 4.6);
    grille.setColWidth(9, 30);
    EXPECT_DOUBLE_EQ(grille.ColWidth(9), 0.0) << "no such column";

    // A larger font keeps the width in characters and widens the pixels.
    QFont grande = grille.font();
    grande.setPointSizeF(grande.pointSizeF() * 2);
    grille.setFont(grande);
    EXPECT_DOUBLE_EQ(grille.ColWidth(2), 7);
    EXPECT_EQ(grille.horizontalHeader()->sectionSize(1), pixels(grille, 7));
    EXPECT_GT(pixels(grille, 7), static_cast<int>(7 * largeurZero(QFont())));
}

TEST(GrilleTailles, HauteurQueDemandentLesTextes)
{
    vaSpread grille;
    grille.setMaxCols(2);
    grille.setMaxRows(3);
    grille.setColWidth(1, 10);
    grille.setColWidth(2, 50);
    ecrire(grille, 1, 1, QStringLiteral("court"));
    const qint32 nUneLigne = grille.MaxTextRowHeight(1);
    EXPECT_EQ(nUneLigne, grille.RowHeight(1)) << "a one-line row needs the default height";
    const double dLigne = QFontMetricsF(grille.font()).height();

    // A long text in a narrow column wraps; widening the column brings it back to one line.
    const QString strLong = QStringLiteral("élément de texte ").repeated(6);
    ecrire(grille, 1, 2, strLong);
    EXPECT_GE(grille.MaxTextRowHeight(2), nUneLigne + static_cast<int>(4 * dLigne));
    grille.setColWidth(1, grille.TextWidth(strLong) + 1);
    EXPECT_EQ(grille.MaxTextRowHeight(2), nUneLigne);

    // Line breaks (CR LF, LF) start lines; the tallest cell of the row counts.
    ecrire(grille, 1, 3, QStringLiteral("un\r\ndeux"));
    ecrire(grille, 2, 3, QStringLiteral("un\ndeux\ntrois"));
    EXPECT_NEAR(grille.MaxTextRowHeight(3) - nUneLigne, 2 * dLigne, 1.0);

    // 76 characters wrap once in a 50-character column.
    ecrire(grille, 2, 1, QStringLiteral("Libellé très long ").repeated(4));
    EXPECT_NEAR(grille.MaxTextRowHeight(1) - nUneLigne, dLigne, 1.0);

    // A text that just fits in the regular weight wraps in bold.
    QFont gras = grille.font();
    gras.setBold(true);
    const double dX = QFontMetricsF(grille.font()).horizontalAdvance(u'x');
    ASSERT_GT(QFontMetricsF(gras).horizontalAdvance(u'x'), dX * 1.02);
    const int nLargeur = grille.ColWidthToPixels(50) - grille.ColWidthToPixels(0);
    ecrire(grille, 2, 1, QString(static_cast<int>((nLargeur - 1) / dX), u'x'));
    EXPECT_EQ(grille.MaxTextRowHeight(1), nUneLigne);
    grille.setFontBold(true);
    EXPECT_NEAR(grille.MaxTextRowHeight(1) - nUneLigne, dLigne, 1.0);

    // A long title needs a taller title row.
    const qint32 nTitre = grille.MaxTextRowHeight(0);
    grille.setColWidth(1, 4);
    ecrire(grille, 1, 0, QStringLiteral("DESIGNATION DU PRODUIT"));
    EXPECT_GE(grille.MaxTextRowHeight(0), nTitre + static_cast<int>(2 * dLigne));
    EXPECT_EQ(grille.MaxTextRowHeight(9), 0);
}

TEST(GrilleTailles, HauteursDeLigneEnPixels)
{
    vaSpread grille;
    remplir(grille, 3, 1);
    const qint32 nUneLigne = grille.RowHeight(1);
    grille.setRowHeight(2, 55);
    EXPECT_EQ(grille.RowHeight(2), 55);
    EXPECT_EQ(grille.verticalHeader()->sectionSize(1), 55);
    EXPECT_EQ(grille.RowHeight(1), grille.verticalHeader()->sectionSize(0));
    grille.setRowHeight(0, 40);
    EXPECT_EQ(grille.RowHeight(0), 40);
    EXPECT_EQ(grille.horizontalHeader()->height(), 40);
    grille.setRowHeight(-1, 30);
    EXPECT_EQ(grille.RowHeight(2), 30);
    EXPECT_EQ(grille.verticalHeader()->sectionSize(1), 30) << "the row set before follows too";
    EXPECT_EQ(grille.verticalHeader()->sectionSize(2), 30);
    grille.setRowHeight(4, 80);
    EXPECT_EQ(grille.RowHeight(4), 0) << "no such row";

    // Every row back to one line; 0 pixels for one row is refused.
    grille.setRowHeight(-1, 0);
    EXPECT_EQ(grille.RowHeight(2), nUneLigne);
    EXPECT_EQ(grille.verticalHeader()->sectionSize(1), nUneLigne);
    grille.setRowHeight(3, 40);
    grille.setRowHeight(3, 0);
    EXPECT_EQ(grille.RowHeight(3), 40);
    grille.setMaxRows(4);
    EXPECT_EQ(grille.RowHeight(4), nUneLigne);
}

TEST(GrilleTailles, AffichageSuspenduPuisUneSeuleRemiseAZero)
{
    vaSpread grille;
    remplir(grille, 2, 2);
    QSignalSpy remises(grille.model(), &QAbstractItemModel::modelReset);
    QSignalSpy donnees(grille.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy lignes(grille.model(), &QAbstractItemModel::rowsInserted);

    grille.setReDraw(false);
    grille.setMaxCols(3);
    remplir(grille, 500, 3);
    grille.setColWidth(3, 30);
    grille.setRowHeight(400, 70);
    grille.setCol(0);
    grille.setRow(7);
    grille.setFontBold(true);
    EXPECT_EQ(remises.count(), 0);
    EXPECT_EQ(donnees.count(), 0);
    EXPECT_EQ(lignes.count(), 0);
    EXPECT_EQ(grille.model()->rowCount(), 2) << "the view keeps what it was told";
    EXPECT_EQ(grille.model()->data(grille.model()->index(1, 1)).toString(), "2.2");
    EXPECT_EQ(grille.RowHeight(400), 70) << "stored at once";

    grille.setReDraw(true);
    EXPECT_EQ(remises.count(), 1);
    EXPECT_EQ(grille.model()->rowCount(), 500);
    EXPECT_EQ(grille.model()->columnCount(), 3);
    EXPECT_EQ(grille.verticalHeader()->sectionSize(399), 70);
    EXPECT_EQ(grille.verticalHeader()->sectionSize(398), grille.RowHeight(1));
    EXPECT_EQ(grille.horizontalHeader()->sectionSize(2), pixels(grille, 30));

    // Nothing changed while off: no reset; with redraw on, each change is told at once.
    grille.setReDraw(false);
    grille.setReDraw(true);
    EXPECT_EQ(remises.count(), 1);
    ecrire(grille, 2, 3, QStringLiteral("x"));
    EXPECT_EQ(donnees.count(), 1);
    grille.setMaxRows(501);
    EXPECT_EQ(lignes.count(), 1);
    EXPECT_EQ(remises.count(), 1);

    // Sizes alone changed while off are applied when redraw comes back.
    grille.setReDraw(false);
    grille.setColWidth(1, 20);
    EXPECT_NE(grille.horizontalHeader()->sectionSize(0), pixels(grille, 20));
    grille.setReDraw(true);
    EXPECT_EQ(grille.horizontalHeader()->sectionSize(0), pixels(grille, 20));
}
