// The window's life: titles renumbered on closing, the maximised result, the toolbar that
// follows the active window, the tabs, the menus and the double click on the background.
#include "tests/query/FixtureRequete.h"

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <QTabBar>
#include <QApplication>
#include <QMouseEvent>

namespace kervane::test {

using Cycle = FixtureRequete;

namespace {

void doubleClic(QWidget* pCible, QPoint position)
{
    QMouseEvent evenement(QEvent::MouseButtonDblClick, position, pCible->mapToGlobal(position), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pCible, &evenement);
}

}  // namespace

TEST_F(Cycle, ClosingAWindowRenumbersTheOthersOnItsDatabase)
{
    wndKervane& f1 = *ouvrir();
    QPointer<wndKervane> f2 = ouvrir();
    wndKervane& f3 = *ouvrir();
    const QString strTitre = "Base test - " + strBase;
    EXPECT_EQ(f1.windowTitle(), strTitre + "  [1]");
    EXPECT_EQ(f3.windowTitle(), strTitre + "  [3]");

    f2->close();
    EXPECT_EQ(f3.nOccurrence, 2);
    EXPECT_EQ(f3.windowTitle(), strTitre + "  [2]");
    EXPECT_EQ(f1.windowTitle(), strTitre + "  [1]");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f2.isNull());

    f1.close();
    EXPECT_EQ(f3.nOccurrence, 1);
    EXPECT_EQ(f3.windowTitle(), strTitre);
    EXPECT_TRUE(principale.actifs["Copier"]);

    // The last window takes the toolbar commands and the status message with it.
    f3.Form_Activate();
    f3.mnuFichier_Click(2);
    for (const char* szCle : {"Copier", "Imprimer", "Maximiser", "Regrouper_cellules"})
        EXPECT_FALSE(principale.actifs[szCle]) << szCle;
    EXPECT_EQ(principale.messagesStatus.back(), "");
    EXPECT_TRUE(Programme().pFenetreCourante.isNull());
    EXPECT_EQ(f3.nIndBase, 0);
}

TEST_F(Cycle, MaximisingTwiceRestoresTheLayout)
{
    wndKervane& f = *ouvrir();
    f.resize(900, 640);
    const QList<QWidget*> controles = {f.cadConception, f.cadResultat, f.tabResultat, f.cadTables,
                                       f.tvwTables,     f.griRequetes, f.ediResultat, f.txtDimensionGrille};
    QList<QRect> avant;
    for (const QWidget* p : controles)
        avant << p->geometry();
    EXPECT_EQ(f.cadResultat->y(), 4 + 140 + 8);
    EXPECT_EQ(f.cadResultat->geometry().bottom(), f.height() - 1 - 3);

    f.mnuEditionItem(3)->trigger();
    EXPECT_TRUE(f.estMaximise());
    EXPECT_TRUE(f.mnuEditionItem(3)->isChecked());
    EXPECT_FALSE(f.cadConception->isVisible());
    EXPECT_EQ(f.cadResultat->y(), 8);
    EXPECT_GT(f.tvwTables->height(), avant[4].height() + 100);
    EXPECT_EQ(principale.imageBouton("Maximiser"), "Reduction");
    EXPECT_EQ(principale.infobulleBouton("Maximiser"), "Réduire la taille du tableau Résultat");
    f.resize(800, 600);  // stays maximised through a resize
    EXPECT_EQ(f.cadResultat->y(), 8);
    EXPECT_EQ(principale.imageBouton("Maximiser"), "Reduction");
    f.resize(900, 640);

    f.mnuEdition_Click(3);
    EXPECT_FALSE(f.estMaximise());
    EXPECT_FALSE(f.mnuEditionItem(3)->isChecked());
    EXPECT_TRUE(f.cadConception->isVisible());
    EXPECT_EQ(f.cadConception->height(), 140);
    EXPECT_EQ(principale.infobulleBouton("Maximiser"), "Maximiser la taille du tableau Résultat");
    for (int i = 0; i < controles.size(); ++i)
        EXPECT_EQ(controles[i]->geometry(), avant[i]) << i;
}

TEST_F(Cycle, NarrowWindowsKeepEverySizeNonNegative)
{
    wndKervane& f = *ouvrir();
    f.resize(700, 500);
    const int nEditeur = f.ediRequete->width();
    f.resize(20, 60);  // w = 20 + 8 - 22 = 6 pixels
    EXPECT_EQ(f.cboRequetes->width(), 16 - 6);
    EXPECT_EQ(f.ediRequete->width(), nEditeur);
    for (const QWidget* p : f.findChildren<QWidget*>())
        EXPECT_GE(p->height(), 0);
}

TEST_F(Cycle, TheToolbarFollowsTheActiveWindow)
{
    wndKervane& a = *ouvrir();
    wndKervane& b = *ouvrir();
    a.MaximiserTableau();
    b.mnuEdition_Click(5);  // grouping off in b
    b.Form_Activate();
    EXPECT_EQ(principale.imageBouton("Maximiser"), "Maximiser");
    EXPECT_FALSE(principale.enfonces["Regrouper_cellules"]);
    a.Form_Activate();
    EXPECT_EQ(Programme().pFenetreCourante, &a);
    EXPECT_EQ(principale.imageBouton("Maximiser"), "Reduction");
    EXPECT_TRUE(principale.enfonces["Regrouper_cellules"]);
    b.resize(b.width() + 10, b.height());  // a resize of another window says nothing
    EXPECT_EQ(principale.imageBouton("Maximiser"), "Reduction");
}

TEST_F(Cycle, TabsShowTheirPageAndTheInformationLine)
{
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT ID\r\nFROM ARTICLE\r\nWHERE ID = 1");
    EXPECT_TRUE(f.cadResultat2->isVisible());
    EXPECT_FALSE(f.cadTables->isVisible());
    const QRect tables = f.tabResultat->tabRect(0);
    f.tabResultat_MouseDown(1, 0, tables.center().x() * 15, 0);
    EXPECT_EQ(f.ongletCourant(), "tables");
    EXPECT_TRUE(f.cadTables->isVisible());
    EXPECT_TRUE(f.cadTables->isEnabled());
    EXPECT_FALSE(f.cadResultat2->isEnabled());
    EXPECT_FALSE(f.txtDimensionGrille->isVisible());
    EXPECT_EQ(f.ediResultat->text(), " Base:  Base test");
    f.tabResultat->setCurrentIndex(1);  // a click of the user
    EXPECT_EQ(f.ediResultat->text(), "SELECT ID  FROM ARTICLE  WHERE ID = 1");
    EXPECT_TRUE(f.txtDimensionGrille->isVisible());
    EXPECT_TRUE(f.ediResultat->isReadOnly());
}

TEST_F(Cycle, MenusAndTheBackgroundDoubleClickReachTheMainWindow)
{
    wndKervane& f = *ouvrir();
    principale.ouvrir = nullptr;
    f.mnuFichier_Click(1);
    Programme().tabMenuRecentes = {{"Une", "/une.mdb"}, {"Deux", "/deux.mdb"}};
    f.mnuFichierItem(9)->trigger();
    EXPECT_EQ(Programme().strCheminBase, "/deux.mdb");
    EXPECT_EQ(Programme().strLibelleBase, "Deux");
    f.mnuFichierItem(11)->trigger();  // no fourth entry: nothing opens
    EXPECT_EQ(principale.ouvertures, std::vector<bool>({true, false}));
    f.mnuFenetre()->actions().at(1)->trigger();
    f.mnuAbout()->actions().at(3)->trigger();
    f.mnuDebug_Click(1);
    f.mnuFichierItem(20)->trigger();
    EXPECT_EQ(principale.arrangements, std::vector<int>{2});
    EXPECT_EQ(principale.aides, std::vector<int>{4});
    EXPECT_EQ(principale.nTraces, 1);
    EXPECT_EQ(principale.nQuitter, 1);
    Programme().tabMenuRecentes.clear();

    // A double click on the background opens a further window on the same database.
    principale.ouvrir = [this](bool) { return ouvrir() != nullptr; };
    Programme().strCheminBase.clear();
    doubleClic(&f, QPoint(2, f.height() - 2));
    EXPECT_EQ(Programme().strCheminBase, strBase);
    EXPECT_EQ(Programme().strLibelleBase, "Base test");
    ASSERT_EQ(principale.fenetresRequetes().size(), 2);
    EXPECT_EQ(principale.fenetresRequetes().last()->windowTitle(), "Base test - " + strBase + "  [2]");
    // A double click on a control is the control's.
    doubleClic(f.txtConception, f.txtConception->rect().center());
    EXPECT_EQ(principale.fenetresRequetes().size(), 2);
}

}  // namespace kervane::test
