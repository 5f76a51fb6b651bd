// The result grid: grouped and plain display, the block list, column and row sizes, the
// row marker, copy, and the guards of export and print.
#include "tests/query/FixtureRequete.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

namespace kervane::test {

using Grille = FixtureRequete;

namespace {

const QString GROUPES = QStringLiteral("SELECT FAMILLE, ACTIF, NOM FROM ARTICLE ORDER BY ID");

// Blocks as (first column, first row, last column, last row).
std::vector<std::array<int, 4>> blocs()
{
    std::vector<std::array<int, 4>> liste;
    for (const BlocCellules& b : Programme().tabBlocs)
        liste.push_back({b.nColonne1, b.nLigne1, b.nColonne2, b.nLigne2});
    return liste;
}

QStringList colonne(const vaSpread& g, qint32 c)
{
    QStringList liste;
    for (qint32 r = 1; r <= g.MaxRows(); ++r)
        liste << g.CellText(c, r);
    return liste;
}

// A query of n rows numbered 1..n.
QString suite(int n)
{
    // 4^5 = 1024 rows to take the first n from.
    return QStringLiteral("SELECT TOP %1 a.ID FROM ARTICLE AS a, ARTICLE AS b, ARTICLE AS c, ARTICLE AS d, "
                          "ARTICLE AS e")
        .arg(n);
}

}  // namespace

TEST_F(Grille, GroupingShowsEqualValuesOnceAndFramesTheirRuns)
{
    wndKervane& f = *ouvrir();
    lancer(f, GROUPES);
    const vaSpread& g = *f.griRequetes;
    EXPECT_EQ(colonne(g, 1), QStringList({"Outils", " ", " ", "Jardin"}));
    EXPECT_EQ(colonne(g, 2), QStringList({"1", " ", "0", "1"}));
    EXPECT_EQ(colonne(g, 3), QStringList({"Marteau", "Pince", "Scie", "Râteau"}));
    const std::vector<std::array<int, 4>> attendus = {{3, 1, 3, 1}, {3, 2, 3, 2}, {2, 1, 2, 2}, {2, 3, 2, 3}, {3, 3, 3, 3},
                                                      {1, 1, 1, 3}, {1, 4, 1, 4}, {2, 4, 2, 4}, {3, 4, 3, 4}};
    EXPECT_EQ(blocs(), attendus);
    EXPECT_EQ(g.Outlines().size(), attendus.size());
    // The run's inner lines are gone, its outline stays.
    EXPECT_EQ(g.Cells().borders(1, 1), BorderLeft | BorderRight | BorderTop);
    EXPECT_EQ(g.Cells().borders(1, 2), BorderLeft | BorderRight);
    EXPECT_EQ(g.Cells().borders(1, 3), BorderLeft | BorderRight | BorderBottom);
    EXPECT_EQ(g.Cells().borders(3, 2), BorderAll);

    // Off from the menu: the rows come back whole, the toolbar button is released.
    QAction* pRegrouper = f.mnuEditionItem(5);
    pRegrouper->trigger();
    EXPECT_FALSE(pRegrouper->isChecked());
    EXPECT_FALSE(principale.enfonces["Regrouper_cellules"]);
    EXPECT_EQ(colonne(g, 1), QStringList({"Outils", "Outils", "Outils", "Jardin"}));
    EXPECT_TRUE(Programme().tabBlocs.empty());
    EXPECT_EQ(g.Cells().borders(1, 2), BorderAll);
    EXPECT_TRUE(g.ReDraw());
    // While off, a new result is shown plain.
    lancer(f, GROUPES);
    EXPECT_EQ(colonne(g, 2), QStringList({"1", "1", "0", "1"}));

    // On again, as the toolbar does it.
    f.mnuEdition_Click(5);
    EXPECT_TRUE(pRegrouper->isChecked());
    EXPECT_TRUE(principale.enfonces["Regrouper_cellules"]);
    EXPECT_EQ(colonne(g, 1), QStringList({"Outils", " ", " ", "Jardin"}));
    EXPECT_EQ(blocs(), attendus);
}

TEST_F(Grille, EmptyValuesGroupLikeAnyTextAndRowTitlesKeepTheirNumbers)
{
    // NULL is an empty text: two NULLs in a row make a run, the second shown as a blank.
    wndKervane& f = *ouvrir();
    lancer(f, QStringLiteral("SELECT FAMILLE, NOTE, NOM FROM ARTICLE ORDER BY ID"));
    const vaSpread& g = *f.griRequetes;
    EXPECT_EQ(colonne(g, 2), QStringList({QStringLiteral("Manche en frêne"), "", " ", ""}));
    EXPECT_EQ(colonne(g, 3), QStringList({"Marteau", "Pince", "Scie", QStringLiteral("Râteau")}));
    EXPECT_EQ(colonne(g, 0), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(g.CellText(2, 0), "NOTE");

    f.mnuEditionItem(5)->trigger();
    EXPECT_EQ(colonne(g, 2), QStringList({QStringLiteral("Manche en frêne"), "", "", ""}));
    EXPECT_EQ(colonne(g, 1), QStringList({"Outils", "Outils", "Outils", "Jardin"}));
    EXPECT_EQ(colonne(g, 0), QStringList({"1", "2", "3", "4"}));
}

TEST_F(Grille, ColumnsAndRowTitlesAreSizedByTheirTexts)
{
    wndKervane& f = *ouvrir();
    vaSpread& g = *f.griRequetes;
    const double dTitres = g.ColWidth(0);
    lancer(f, suite(999));
    EXPECT_EQ(g.MaxRows(), 999);
    EXPECT_DOUBLE_EQ(g.ColWidth(0), dTitres);
    lancer(f, suite(1000));
    EXPECT_DOUBLE_EQ(g.ColWidth(0), 4 * 1.15);
    lancer(f, suite(3));
    EXPECT_DOUBLE_EQ(g.ColWidth(0), dTitres);

    lancer(f, "SELECT NOM, NOTE, FAMILLE & String(71, 'x') AS LONG_TEXTE FROM ARTICLE ORDER BY ID");
    EXPECT_DOUBLE_EQ(g.ColWidth(1), g.TextWidth("Marteau") + 0.25);
    EXPECT_DOUBLE_EQ(g.ColWidth(2), 50.0);  // memo column, known by its title
    EXPECT_DOUBLE_EQ(g.ColWidth(3), 50.0);  // a text longer than 70 characters
    for (qint32 r = 0; r <= g.MaxRows(); ++r)
        EXPECT_EQ(g.RowHeight(r), g.MaxTextRowHeight(r)) << r;

    // A row can not be made lower than its texts; widths changed by hand refit the rows.
    g.setRowHeight(2, 3);
    f.griRequetes_RowHeightChange(2, 2);
    EXPECT_EQ(g.RowHeight(2), g.MaxTextRowHeight(2));
    g.setColWidth(1, 2.0);
    f.griRequetes_ColWidthChange(1, 1);
    EXPECT_EQ(g.RowHeight(4), g.MaxTextRowHeight(4));
    EXPECT_GT(g.RowHeight(4), g.MaxTextRowHeight(0) / 2);
}

// A value with line breaks shows all its lines in an ordinary column too; rows of short
// one-line texts keep the one-line height, also once a taller result is gone.
TEST_F(Grille, EveryRowIsAsTallAsItsLines)
{
    wndKervane& f = *ouvrir();
    const vaSpread& g = *f.griRequetes;
    const double dInterligne = QFontMetricsF(g.font()).lineSpacing();
    lancer(f, GROUPES);
    const qint32 nUneLigne = g.RowHeight(1);
    EXPECT_GE(nUneLigne, dInterligne);
    EXPECT_LT(nUneLigne, 2 * dInterligne);

    lancer(f, "SELECT NOM, IIf(ID = 1, 'un' & Chr(13) & Chr(10) & 'deux' & Chr(13) & Chr(10) & 'trois', NOM) "
              "AS LIGNES FROM ARTICLE ORDER BY ID");
    ASSERT_EQ(g.MaxRows(), 4);
    EXPECT_EQ(cellule(f, 2, 1), "un\r\ndeux\r\ntrois");
    EXPECT_LT(g.ColWidth(2), 50.0) << "an ordinary column, not one of long texts";
    // The column is as wide as its widest line, not as the value written on one line.
    double dPlusLarge = 0;
    for (const char* psz : {"LIGNES", "Pince", "Scie", "Râteau", "un", "deux", "trois"})
        dPlusLarge = std::max(dPlusLarge, g.TextWidth(QString::fromUtf8(psz)));
    EXPECT_LE(g.ColWidth(2), dPlusLarge + 0.5);
    EXPECT_LT(g.ColWidth(2), g.TextWidth(QStringLiteral("un deux trois")));
    EXPECT_GE(g.RowHeight(1), 3 * dInterligne);
    EXPECT_LT(g.RowHeight(1), 4 * dInterligne);
    for (qint32 r : {2, 3, 4})
        EXPECT_EQ(g.RowHeight(r), nUneLigne) << r;

    // Plain display: the same heights.
    f.mnuEdition_Click(5);
    EXPECT_GE(g.RowHeight(1), 3 * dInterligne);
    EXPECT_EQ(g.RowHeight(2), nUneLigne);

    // The same value on two rows: each shows all its lines.
    lancer(f, "SELECT NOM, IIf(ID <= 2, 'un' & Chr(13) & Chr(10) & 'deux' & Chr(13) & Chr(10) & 'trois', NOM) "
              "AS LIGNES FROM ARTICLE ORDER BY ID");
    for (qint32 r : {1, 2})
        EXPECT_GE(g.RowHeight(r), 3 * dInterligne) << r;

    lancer(f, GROUPES);
    for (qint32 r = 1; r <= g.MaxRows(); ++r)
        EXPECT_EQ(g.RowHeight(r), nUneLigne) << r;
}

// The user scrolls far down and right; the next statement's result starts at its first row
// and first column.
TEST_F(Grille, ANewResultStartsAtItsFirstRowAndColumn)
{
    wndKervane& f = *ouvrir();
    vaSpread& g = *f.griRequetes;
    const QString strLarge = QStringLiteral(
        "SELECT TOP 1000 a.ID, a.NOM & String(70, 'x') AS L1, b.NOM & String(70, 'y') AS L2, "
        "c.NOM & String(70, 'z') AS L3, d.NOM & String(70, 'w') AS L4 "
        "FROM ARTICLE AS a, ARTICLE AS b, ARTICLE AS c, ARTICLE AS d, ARTICLE AS e");
    lancer(f, strLarge);
    ASSERT_EQ(g.MaxRows(), 1000);
    QCoreApplication::processEvents();
    ASSERT_GT(g.verticalScrollBar()->maximum(), 0);
    ASSERT_GT(g.horizontalScrollBar()->maximum(), 0);
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum());
    const QPoint coin(1, 1);
    ASSERT_GT(g.indexAt(coin).row(), 900);
    ASSERT_GT(g.indexAt(coin).column(), 0);

    lancer(f, strLarge);
    QCoreApplication::processEvents();
    EXPECT_EQ(g.verticalScrollBar()->value(), 0);
    EXPECT_EQ(g.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(g.indexAt(coin), g.model()->index(0, 0)) << "row 1, column 1 at the top left";
}

TEST_F(Grille, AnEmptyResultStillShowsItsTitles)
{
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT NOM, NOTE FROM ARTICLE WHERE 1 = 2");
    const vaSpread& g = *f.griRequetes;
    EXPECT_EQ(g.MaxRows(), 0);
    EXPECT_EQ(cellule(f, 1, 0), "NOM");
    EXPECT_DOUBLE_EQ(g.ColWidth(1), g.TextWidth("NOM") + 0.25);
    EXPECT_DOUBLE_EQ(g.ColWidth(2), 50.0);
    EXPECT_EQ(f.txtDimensionGrille->text(), "(0x2)");
    EXPECT_TRUE(f.mnuFichierItem(6)->isEnabled());
    EXPECT_EQ(historique(f).size(), 1);

    // Nothing to export or print: the guards speak, no dialog opens.
    f.mnuFichier_Click(4);
    f.mnuFichier_Click(6);
    ASSERT_EQ(repondeur.questions().size(), 2u);
    EXPECT_EQ(repondeur.questions()[0].strTexte, "Aucune exportation possible.");
    EXPECT_EQ(repondeur.questions()[1].strTexte, "Votre impression est inutile.");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
    EXPECT_EQ(principale.nExportations + principale.nImpressions, 0);
    lancer(f, GROUPES);
    f.mnuFichier_Click(4);
    f.mnuFichier_Click(6);
    EXPECT_EQ(principale.nExportations, 1);
    EXPECT_EQ(principale.nImpressions, 1);
}

TEST_F(Grille, TheRowMarkerFollowsClicksAndArrowKeys)
{
    wndKervane& f = *ouvrir();
    lancer(f, GROUPES);
    const SpreadCells& cellules = f.griRequetes->Cells();
    auto grasses = [&] {
        QList<int> liste;
        for (qint32 r = 0; r <= 4; ++r)
            if (cellules.bold(0, r))
                liste << r;
        return liste;
    };
    f.griRequetes_Click(2, 3);
    f.griRequetes_Click(1, 4);
    EXPECT_EQ(grasses(), QList<int>{4});
    f.griRequetes_KeyDown(40);  // already on the last row
    EXPECT_EQ(f.ligneMarquee(), 4);
    f.griRequetes_KeyDown(38);
    EXPECT_EQ(grasses(), QList<int>{3});
    f.griRequetes_Click(1, 1);
    f.griRequetes_KeyDown(38);
    EXPECT_EQ(grasses(), QList<int>{1});
    // A new result starts unmarked.
    lancer(f, GROUPES);
    EXPECT_TRUE(grasses().isEmpty());
}

// Edition > Copier and Ctrl+C in the grid both copy the whole selected block, wherever the
// active cell is.
TEST_F(Grille, CopyPutsTheSelectedBlockOnTheClipboard)
{
    wndKervane& f = *ouvrir();
    lancer(f, GROUPES);
    f.griRequetes->SetActiveCell(1, 1);
    f.griRequetes->SetSelection(2, 3, 3, 4);
    f.mnuEditionItem(1)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0\tScie\n1\tRâteau");
    EXPECT_FALSE(f.mnuEditionItem(1)->isChecked());

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(f.griRequetes, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0\tScie\n1\tRâteau");
}

}  // namespace kervane::test
