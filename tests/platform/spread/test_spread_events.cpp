// Grid events and hit test: cells, titles, the corner and title borders under a position;
// Click, DblClick, MouseDown, KeyDown with the component's arguments; the width and
// height changes the user makes by dragging a border, told once (the first row and column
// shown at the top left are checked through the query window's grid).
#include "tests/platform/spread/GrilleTest.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kervane;
using namespace kervane::test;

namespace {

class GrilleEvenements : public ::testing::Test {
protected:
    void SetUp() override
    {
        grille.resize(700, 400);
        remplir(grille, 5, 3);
        grille.setColWidth(-1, 10);
        grille.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grille));
    }

    // Centre of a cell, a column title (row 0) or a row title (column 0), in viewport or
    // header coordinates, with the widget that receives the mouse there.
    std::pair<QWidget*, QPoint> cible(qint32 nCol, qint32 nRow)
    {
        if (nRow == 0) {
            QHeaderView* pTitres = grille.horizontalHeader();
            const int x = pTitres->sectionViewportPosition(nCol - 1) + pTitres->sectionSize(nCol - 1) / 2;
            return {pTitres->viewport(), QPoint(x, pTitres->height() / 2)};
        }
        if (nCol == 0) {
            QHeaderView* pLignes = grille.verticalHeader();
            const int y = pLignes->sectionViewportPosition(nRow - 1) + pLignes->sectionSize(nRow - 1) / 2;
            return {pLignes->viewport(), QPoint(pLignes->width() / 2, y)};
        }
        return {grille.viewport(), grille.visualRect(grille.model()->index(nRow - 1, nCol - 1)).center()};
    }

    QPoint dansGrille(const std::pair<QWidget*, QPoint>& point) { return point.first->mapTo(&grille, point.second); }

    // A drag with the left button from one point to another of a widget.
    static void glisser(QWidget* pWidget, const QPoint& depart, const QPoint& arrivee)
    {
        QTest::mousePress(pWidget, Qt::LeftButton, {}, depart);
        QTest::mouseMove(pWidget, (depart + arrivee) / 2);
        QTest::mouseMove(pWidget, arrivee);
        QTest::mouseRelease(pWidget, Qt::LeftButton, {}, arrivee);
    }

    // A double click as the system delivers it: press, release, double click, release.
    static void doubleCliquer(QWidget* pWidget, const QPoint& point)
    {
        QTest::mouseClick(pWidget, Qt::LeftButton, {}, point);
        QTest::mouseDClick(pWidget, Qt::LeftButton, {}, point);
        QTest::mouseRelease(pWidget, Qt::LeftButton, {}, point);
    }

    vaSpread grille;
};

}  // namespace

TEST_F(GrilleEvenements, TestDePosition)
{
    for (auto [nCol, nRow] : {std::pair{2, 3}, {1, 1}, {3, 5}, {2, 0}, {0, 4}}) {
        const QPoint point = dansGrille(cible(nCol, nRow));
        const SpreadHit hit = grille.HitTest(point.x(), point.y());
        EXPECT_EQ(hit.nCol, nCol);
        EXPECT_EQ(hit.nRow, nRow);
        EXPECT_FALSE(hit.bColBorder);
    }
    const QPoint coin = grille.horizontalHeader()->geometry().topLeft() - QPoint(2, -2);
    EXPECT_EQ(grille.HitTest(coin.x(), coin.y()).nCol, 0);
    EXPECT_EQ(grille.HitTest(coin.x(), coin.y()).nRow, 0);

    // The right border of title 2, on either side of the line; not the middle of a title.
    QHeaderView* pTitres = grille.horizontalHeader();
    const int xBord = pTitres->sectionViewportPosition(1) + pTitres->sectionSize(1);
    for (int dx : {-2, 1}) {
        const QPoint point = pTitres->viewport()->mapTo(&grille, QPoint(xBord + dx, pTitres->height() / 2));
        const SpreadHit hit = grille.HitTest(point.x(), point.y());
        EXPECT_TRUE(hit.bColBorder) << dx;
        EXPECT_EQ(hit.nCol, 2) << dx;
        EXPECT_EQ(hit.nRow, 0);
    }
    const QPoint bas = dansGrille(cible(2, 3));
    EXPECT_FALSE(grille.HitTest(bas.x(), bas.y()).bColBorder);

    // Beyond the last column and row there is no cell.
    const QRect derniere = grille.visualRect(grille.model()->index(4, 2));
    const QPoint vide = grille.viewport()->mapTo(&grille, derniere.bottomRight() + QPoint(20, 20));
    EXPECT_EQ(grille.HitTest(vide.x(), vide.y()).nCol, -1);
    EXPECT_EQ(grille.HitTest(vide.x(), vide.y()).nRow, -1);
}

TEST_F(GrilleEvenements, ClicsDoubleClicsEtSouris)
{
    QSignalSpy clics(&grille, &vaSpread::Click);
    QSignalSpy doubles(&grille, &vaSpread::DblClick);
    QSignalSpy appuis(&grille, &vaSpread::MouseDown);

    const auto cellule = cible(2, 3);
    QTest::mouseClick(cellule.first, Qt::LeftButton, {}, cellule.second);
    ASSERT_EQ(clics.count(), 1);
    EXPECT_EQ(clics.at(0), (QList<QVariant>{2, 3}));
    ASSERT_EQ(appuis.count(), 1);
    const QPoint point = dansGrille(cellule);
    EXPECT_EQ(appuis.at(0), (QList<QVariant>{1, 0, point.x(), point.y()}));
    EXPECT_EQ(grille.ActiveRow(), 3);

    const auto numero = cible(0, 4);
    QTest::mouseClick(numero.first, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, numero.second);
    EXPECT_EQ(clics.last(), (QList<QVariant>{0, 4}));
    EXPECT_EQ(appuis.last().mid(0, 2), (QList<QVariant>{2, 3}));
    const auto titre = cible(3, 0);
    QTest::mouseClick(titre.first, Qt::LeftButton, {}, titre.second);
    EXPECT_EQ(clics.last(), (QList<QVariant>{3, 0}));
    EXPECT_EQ(appuis.count(), 3);

    // Pressed on one cell, released on another: no click.
    const auto autre = cible(1, 1);
    QTest::mousePress(cellule.first, Qt::LeftButton, {}, cellule.second);
    QTest::mouseRelease(autre.first, Qt::LeftButton, {}, autre.second);
    EXPECT_EQ(clics.count(), 3);

    const auto data = cible(1, 5);
    doubleCliquer(data.first, data.second);
    ASSERT_EQ(doubles.count(), 1);
    EXPECT_EQ(doubles.at(0), (QList<QVariant>{1, 5}));

    // A double click on a title border leaves the width to the caller.
    QHeaderView* pTitres = grille.horizontalHeader();
    ecrire(grille, 1, 0, QStringLiteral("TITRE BIEN PLUS LARGE QUE SA COLONNE"));
    const int nAvant = pTitres->sectionSize(0);
    const QPoint bord(pTitres->sectionSize(0) - 1, pTitres->height() / 2);
    doubleCliquer(pTitres->viewport(), bord);
    EXPECT_EQ(pTitres->sectionSize(0), nAvant);
    EXPECT_DOUBLE_EQ(grille.ColWidth(1), 10);
    EXPECT_EQ(doubles.count(), 2);
    const QList<QVariant> appui = appuis.last();
    EXPECT_TRUE(grille.HitTest(appui.at(2).toInt(), appui.at(3).toInt()).bColBorder);
}

TEST_F(GrilleEvenements, Touches)
{
    QSignalSpy touches(&grille, &vaSpread::KeyDown);
    QTest::keyClick(&grille, Qt::Key_Down);
    QTest::keyClick(&grille, Qt::Key_Up);
    QTest::keyClick(&grille, Qt::Key_Return);
    QTest::keyClick(&grille, Qt::Key_Enter);
    QTest::keyClick(&grille, Qt::Key_F2);
    QTest::keyClick(&grille, Qt::Key_A);
    QList<int> codes;
    for (const QList<QVariant>& signal : touches)
        codes << signal.at(0).toInt();
    EXPECT_EQ(codes, (QList<int>{40, 38, 13, 13, 113, 65}));
}

TEST_F(GrilleEvenements, LargeurEtHauteurChangeesParLUtilisateur)
{
    QSignalSpy largeurs(&grille, &vaSpread::ColWidthChange);
    QSignalSpy hauteurs(&grille, &vaSpread::RowHeightChange);
    QSignalSpy clics(&grille, &vaSpread::Click);

    grille.setColWidth(2, 20);
    grille.setRowHeight(3, 40);
    EXPECT_EQ(largeurs.count(), 0) << "changes made by the program are not told";
    EXPECT_EQ(hauteurs.count(), 0);

    QHeaderView* pTitres = grille.horizontalHeader();
    const int xBord = pTitres->sectionViewportPosition(1) + pTitres->sectionSize(1) - 1;
    const int nAvant = pTitres->sectionSize(1);
    glisser(pTitres->viewport(), QPoint(xBord, 5), QPoint(xBord + 42, 5));
    EXPECT_EQ(pTitres->sectionSize(1), nAvant + 42);
    ASSERT_EQ(largeurs.count(), 1) << "told once, at the release";
    EXPECT_EQ(largeurs.at(0), (QList<QVariant>{2, 2}));
    EXPECT_DOUBLE_EQ(grille.ColWidth(2), grille.PixelsToColWidth(nAvant + 42));
    EXPECT_EQ(grille.ColWidthToPixels(grille.ColWidth(2)), nAvant + 42);
    EXPECT_EQ(clics.count(), 0) << "a drag on a border is no click";

    QHeaderView* pLignes = grille.verticalHeader();
    const int yBord = pLignes->sectionViewportPosition(1) + pLignes->sectionSize(1) - 1;
    const int nHauteur = grille.RowHeight(2);
    glisser(pLignes->viewport(), QPoint(5, yBord), QPoint(5, yBord + 15));
    ASSERT_EQ(hauteurs.count(), 1);
    EXPECT_EQ(hauteurs.at(0), (QList<QVariant>{2, 2}));
    EXPECT_EQ(grille.RowHeight(2), nHauteur + 15);
    EXPECT_EQ(grille.RowHeight(3), 40);
}

TEST(GrilleDefilement, PremiereLigneEtColonneEnHautAGauche)
{
    vaSpread grille;
    grille.resize(300, 200);
    remplir(grille, 200, 20);
    grille.setColWidth(-1, 10);
    grille.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grille));
    const QPoint coin(1, 1);  // in the data area
    EXPECT_EQ(grille.TopRow(), 1);
    EXPECT_EQ(grille.LeftCol(), 1);

    grille.setTopRow(50);
    grille.setLeftCol(5);
    EXPECT_EQ(grille.indexAt(coin), grille.model()->index(49, 4));
    EXPECT_EQ(grille.TopRow(), 50);
    EXPECT_EQ(grille.LeftCol(), 5);

    // While redraw is off the view waits; the rows added meanwhile can come first.
    grille.setReDraw(false);
    remplir(grille, 400, 20);
    grille.setTopRow(300);
    grille.setLeftCol(1);
    EXPECT_EQ(grille.indexAt(coin), grille.model()->index(49, 4));
    grille.setReDraw(true);
    EXPECT_EQ(grille.indexAt(coin), grille.model()->index(299, 0));
    EXPECT_EQ(grille.TopRow(), 300);
}
