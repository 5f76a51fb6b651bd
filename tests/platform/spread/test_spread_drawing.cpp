// Grid drawing and block actions: outlines recorded and drawn as dark frames around their
// blocks, per-cell outlines, and the copy of a block's texts to the clipboard.
#include "tests/platform/spread/GrilleTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

namespace {

// Rectangle of the cells c1..c2 x r1..r2 in the grid's own coordinates.
QRect rectangle(const vaSpread& grille, qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2)
{
    const QRect premiere = grille.visualRect(grille.model()->index(nRow1 - 1, nCol1 - 1));
    const QRect derniere = grille.visualRect(grille.model()->index(nRow2 - 1, nCol2 - 1));
    return premiere.united(derniere).translated(grille.viewport()->geometry().topLeft());
}

bool sombre(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 80;
}

bool clair(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) > 150;
}

void encadrerBloc(vaSpread& grille, qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2)
{
    grille.setBlockMode(true);
    bloc(grille, nCol1, nRow1, nCol2, nRow2);
    grille.setCellBorderType(vaSpread::kBorderOutline);
    grille.setAction(vaSpread::kActionSetBorder);
    grille.setBlockMode(false);
}

}  // namespace

TEST(GrilleDessin, BlocEncadreEnregistreEtDessine)
{
    vaSpread grille;
    grille.resize(640, 400);
    remplir(grille, 6, 4);
    grille.setColWidth(-1, 8);
    encadrerBloc(grille, 2, 2, 3, 4);
    ASSERT_EQ(grille.Outlines().size(), 1u);
    EXPECT_EQ(grille.Outlines().front(), (SpreadBlock{2, 2, 3, 4}));
    const SpreadCells& cellules = grille.Cells();
    EXPECT_EQ(cellules.borders(2, 2), BorderLeft | BorderTop);
    EXPECT_EQ(cellules.borders(3, 3), BorderRight);
    EXPECT_EQ(cellules.borders(3, 4), BorderRight | BorderBottom);
    EXPECT_EQ(cellules.borders(1, 1), 0);

    // One cell framed through the current cell: a frame of its own, not a recorded block.
    grille.setCol(4);
    grille.setRow(6);
    grille.setAction(vaSpread::kActionSetBorder);
    EXPECT_EQ(cellules.borders(4, 6), BorderAll);
    EXPECT_EQ(grille.Outlines().size(), 1u);

    grille.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grille));
    const QImage image = grille.grab().toImage();
    const QRect bloc = rectangle(grille, 2, 2, 3, 4);
    const int xMilieu = bloc.center().x();
    const int yMilieu = bloc.center().y();
    EXPECT_TRUE(sombre(image, bloc.left() - 1, yMilieu)) << "left side";
    EXPECT_TRUE(sombre(image, bloc.right(), yMilieu)) << "right side";
    EXPECT_TRUE(sombre(image, xMilieu, bloc.top() - 1)) << "top side";
    EXPECT_TRUE(sombre(image, xMilieu, bloc.bottom())) << "bottom side";
    const QRect interieur = rectangle(grille, 2, 2, 2, 2);
    EXPECT_TRUE(clair(image, interieur.right(), interieur.center().y())) << "no frame inside the block";
    EXPECT_TRUE(clair(image, interieur.center().x(), interieur.bottom()));
    const QRect dehors = rectangle(grille, 2, 1, 2, 1);
    EXPECT_TRUE(clair(image, dehors.left() - 1, dehors.center().y())) << "no frame outside the block";
    const QRect seule = rectangle(grille, 4, 6, 4, 6);
    EXPECT_TRUE(sombre(image, seule.right(), seule.center().y()));
    EXPECT_TRUE(sombre(image, seule.center().x(), seule.bottom()));
    EXPECT_TRUE(sombre(image, seule.left() - 1, seule.center().y()));

    // Every outline made in block mode is recorded, a one-cell block too.
    encadrerBloc(grille, 1, 1, 1, 1);
    EXPECT_EQ(grille.Outlines().size(), 2u);
    grille.setMaxRows(6);
    EXPECT_TRUE(grille.Outlines().empty()) << "sizing the sheet starts a new list";
    EXPECT_EQ(cellules.borders(2, 2), BorderLeft | BorderTop) << "the cells keep their borders";
}

TEST(GrilleDessin, CopieDUnBlocDansLePressePapiers)
{
    vaSpread grille;
    remplir(grille, 3, 3);
    ecrire(grille, 1, 0, QStringLiteral("NOM"));
    ecrire(grille, 2, 2, QString());
    auto copier = [&](qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2) {
        QGuiApplication::clipboard()->clear();
        bloc(grille, nCol1, nRow1, nCol2, nRow2);
        grille.setAction(vaSpread::kActionClipboardCopy);
        return QGuiApplication::clipboard()->text();
    };
    EXPECT_EQ(copier(2, 1, 3, 2), "1.2\t1.3\n\t2.3");
    EXPECT_EQ(copier(3, 3, 1, 3), "3.1\t3.2\t3.3") << "ends in any order";
    EXPECT_EQ(copier(1, 0, 2, 1), "NOM\tB\n1.1\t1.2") << "titles as shown";
    EXPECT_EQ(copier(0, 2, 1, 3), "2\t2.1\n3\t3.1");
    EXPECT_EQ(copier(-1, 3, -1, 3), "3.1\t3.2\t3.3") << "-1: every data column";
    EXPECT_EQ(copier(1, 9, 1, 9), "") << "outside the sheet nothing is copied";

    // The user's selection as the working block, as the Edit menu's copy does.
    grille.SetSelection(1, 2, 2, 3);
    EXPECT_EQ(grille.SelBlockCol(), 1);
    EXPECT_EQ(grille.SelBlockRow(), 2);
    EXPECT_EQ(grille.SelBlockCol2(), 2);
    EXPECT_EQ(grille.SelBlockRow2(), 3);
    EXPECT_EQ(copier(grille.SelBlockCol(), grille.SelBlockRow(), grille.SelBlockCol2(), grille.SelBlockRow2()),
              "2.1\t\n3.1\t3.2");
    grille.clearSelection();
    grille.SetActiveCell(3, 1);
    EXPECT_EQ(grille.SelBlockCol(), 3);
    EXPECT_EQ(grille.SelBlockRow2(), 1) << "no selection: the active cell";
}

namespace {

// Rows of the rectangle that hold ink (a pixel visibly darker than the white ground, the
// light edge of an anti-aliased accent too): first and last, or (-1, -1) when none.
std::pair<int, int> lignesEncrees(const QImage& image, const QRect& zone)
{
    int nPremiere = -1;
    int nDerniere = -1;
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            if (qGray(image.pixel(x, y)) < 200) {
                if (nPremiere < 0)
                    nPremiere = y;
                nDerniere = y;
                break;
            }
    return {nPremiere, nDerniere};
}

// Rows of ink of a text drawn alone, far from any edge, in the given font.
int hauteurEncre(const QFont& police, const QString& strTexte)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter peintre(&image);
        peintre.setFont(police);
        peintre.setPen(Qt::black);
        peintre.drawText(QPointF(50.0, 100.0), strTexte);
    }
    const auto [nPremiere, nDerniere] = lignesEncrees(image, image.rect());
    return nDerniere - nPremiere + 1;
}

}  // namespace

// The accents of capitals rise above the ascent many fonts declare: a cell shows them whole,
// as tall as the letter drawn alone, under a row whose grid line it meets.
TEST(GrilleDessin, AccentsDesCapitalesEntiers)
{
    vaSpread grille;
    grille.resize(400, 200);
    grille.setMaxCols(3);
    grille.setMaxRows(3);
    grille.setColWidth(-1, 10);
    const QStringList textes{QStringLiteral("É"), QStringLiteral("À"), QStringLiteral("Ç")};
    for (qint32 c = 1; c <= 3; ++c)
        ecrire(grille, c, 2, textes[c - 1]);
    grille.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grille));
    const QImage image = grille.grab().toImage();
    for (qint32 c = 1; c <= 3; ++c) {
        // The cell without its own grid lines; the line above it is the previous row's.
        const QRect cellule = rectangle(grille, c, 2, c, 2).adjusted(0, 0, -1, -1);
        const auto [nPremiere, nDerniere] = lignesEncrees(image, cellule);
        ASSERT_GE(nPremiere, 0) << c;
        EXPECT_EQ(nDerniere - nPremiere + 1, hauteurEncre(grille.font(), textes[c - 1])) << c;
    }
}
