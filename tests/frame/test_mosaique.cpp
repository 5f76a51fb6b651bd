// Windows tiled in the main window: every one still shows rows of its result.
#include "platform/spread/vaSpread.h"
#include "query/wndKervane.h"
#include "tests/frame/FixtureFrame.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

using namespace kervane;
using namespace kervane::test;

using Mosaique = FixtureFrame;

TEST_F(Mosaique, ThreeTiledWindowsEachShowTheHeaderAndRowsOfTheirGrid)
{
    fenetre->resize(1180, 800);
    fenetre->show();
    const QString strBase = copieDemo("mosaique.mdb");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ouvrir(strBase));
        wndKervane* pFenetre = Programme().pFenetreCourante;
        pFenetre->ediRequete->setPlainText(QStringLiteral("SELECT * FROM CLIENT"));
        pFenetre->btnLancer->click();
    }
    fenetre->arranger(1);
    QCoreApplication::processEvents();
    for (const wndKervane* pFenetre : fenetre->fenetresRequetes()) {
        const vaSpread& grille = *pFenetre->griRequetes;
        const int nBarre = grille.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        EXPECT_GE(grille.height(), grille.RowHeight(0) + 2 * grille.RowHeight(1) + nBarre);
        EXPECT_GT(grille.RowHeight(1), 0);
        // The grid lies inside its window, under the design frame.
        const QPoint bas = grille.mapTo(pFenetre, QPoint(0, grille.height()));
        EXPECT_LE(bas.y(), pFenetre->height());
    }
}

TEST_F(Mosaique, TheDesignFrameLineRunsAboveItsFirstLabel)
{
    ASSERT_TRUE(ouvrir(copieDemo("cadre.mdb")));
    const wndKervane& f = *fenetre->fenetresRequetes().front();
    f.cadConception->show();
    QCoreApplication::processEvents();
    // The frame's contents begin under its line: the label must not start above them.
    EXPECT_GE(f.txtConception->y(), f.cadConception->contentsRect().top());
}
