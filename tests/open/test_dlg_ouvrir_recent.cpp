// dlgOuvrir: the "Recent" tab (grid and combo list from the store, header sorting, double
// click as OK), the switching of tabs, and the file chooser behind the "Acceder" key.
#include "open/dlgOuvrir.h"
#include "open/EntreeRecente.h"
#include "platform/spread/vaSpread.h"
#include "settings/Registration.h"
#include "tests/open/FixtureOuvrir.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

using namespace kervane;
using namespace kervane::test;

namespace {

void stockerRecentes(const QStringList& entrees)
{
    for (qsizetype i = 0; i < entrees.size(); ++i)
        ASSERT_TRUE(SYS_EcrireChaineRegistration(cleBasesRecentes(), QString::number(i + 1), entrees[i], true));
}

// Column nCol of the data rows, joined with ";".
QString colonne(const vaSpread& grille, qint32 nCol)
{
    QStringList textes;
    for (qint32 r = 1; r <= grille.MaxRows(); ++r)
        textes << grille.CellText(nCol, r);
    return textes.join(';');
}

void cliquerTitre(vaSpread& grille, int nSection)
{
    QHeaderView* pTitres = grille.horizontalHeader();
    QTest::mouseClick(pTitres->viewport(), Qt::LeftButton, {},
                      QPoint(pTitres->sectionViewportPosition(nSection) + 20, pTitres->height() / 2));
}

// What the file chooser was asked, in order: title, starting folder, filter.
QList<QStringList> demandesFichier(const RepondeurScripte& repondeur)
{
    QList<QStringList> demandes;
    for (const QuestionPosee& q : repondeur.questions())
        if (q.strTitre == "choisirFichier")
            demandes << QStringList({q.strTexte, q.strDossier, q.strFiltre});
    return demandes;
}

}  // namespace

using RecentOuvrir = FixtureOuvrir;

TEST_F(RecentOuvrir, BothColumnsShowWholeAndALongPathWidensItsColumn)
{
    const QString strLong = "/srv/" + QString("dossier-aux-noms-interminables/").repeated(4) + "compta.mdb";
    stockerRecentes({"Compta|/srv/b/compta.mdb"});
    {
        dlgOuvrir dlg;
        ASSERT_TRUE(dlg.charger());
        const vaSpread& grille = *dlg.griRecent;
        // Row numbers and the two columns fit in the grid's view, beside its scroll bar.
        const int nColonnes = grille.verticalHeader()->width() + grille.ColWidthToPixels(grille.ColWidth(1))
                              + grille.ColWidthToPixels(grille.ColWidth(2));
        EXPECT_LE(nColonnes, grille.width() - grille.verticalScrollBar()->sizeHint().width());
    }
    stockerRecentes({"Compta|" + strLong});
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    EXPECT_GT(dlg.griRecent->ColWidth(2), dlg.griRecent->TextWidth(strLong));
}

TEST_F(RecentOuvrir, GridAndComboListComeFromTheStoreAndTabsSwapTheFrames)
{
    stockerRecentes({"Compta|/srv/b/compta.mdb", "|/srv/b/sans.mdb", "X/srv/barre.mdb", "Bis|/SRV/B/COMPTA.MDB"});
    dlgOuvrir dlg;
    dlg.cboBases->setEditText("/deja/saisi");
    ASSERT_TRUE(dlg.charger());
    const vaSpread& grille = *dlg.griRecent;
    EXPECT_EQ(grille.CellText(1, 0) + ";" + grille.CellText(2, 0), "Libellé;Dossier");
    EXPECT_EQ(grille.ColWidth(1), 30.0);
    EXPECT_EQ(grille.ColWidth(2), 50.0);
    EXPECT_EQ(colonne(grille, 1), "Compta;;;Bis");
    EXPECT_EQ(colonne(grille, 2), "/srv/b/compta.mdb;/srv/b/sans.mdb;/srv/barre.mdb;/SRV/B/COMPTA.MDB");
    EXPECT_TRUE(grille.Cells().isStatic(2, 4));
    // A path already listed in other letters is not listed again; the typed text stays.
    ASSERT_EQ(dlg.cboBases->count(), 3);
    EXPECT_EQ(dlg.cboBases->itemText(2), "/srv/barre.mdb");
    EXPECT_EQ(dlg.cboBases->currentText(), "/deja/saisi");

    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.tabOuvrir->tabData(dlgOuvrir::ONGLET_RECENT).toString(), "Recent");
    // Leaving the combo for the tabs validates it first; then OK follows the grid.
    dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_RECENT);
    EXPECT_EQ(dlg.staInformation->text(), "Le répertoire [/deja/] est incorrect ou inexistant.");
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    EXPECT_TRUE(!dlg.cadExistant->isEnabled() && dlg.cadRecent->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), dlg.griRecent);
    dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_EXISTANT);
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_TRUE(dlg.cadExistant->isEnabled() && !dlg.cadRecent->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), dlg.cboBases);
    dlg.btnOk->setFocus();
    dlg.tabOuvrir->setFocus(Qt::TabFocusReason);  // the tab strip hands its focus on
    EXPECT_EQ(QApplication::focusWidget(), dlg.cboBases);
}

TEST_F(RecentOuvrir, EmptyListLeavesOkDisabledAndAListItemClickValidates)
{
    const QString strBase = creerBase("base.mdb", "INSERT INTO BASE VALUES (1, 1, 1, 'Stock');");
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_RECENT);
    EXPECT_EQ(dlg.griRecent->MaxRows(), 0);
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_EXISTANT);

    dlg.cboBases->addItems({strBase, dossier.fichier("absente.mdb")});
    dlg.cboBases->setCurrentIndex(0);
    emit dlg.cboBases->activated(0);
    EXPECT_EQ(dlg.staBase->text(), "Stock - " + strBase);
    EXPECT_EQ(QApplication::focusWidget(), dlg.btnOk);
    dlg.cboBases->setCurrentIndex(1);
    emit dlg.cboBases->activated(1);
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), dlg.btnAnnuler);
}

TEST_F(RecentOuvrir, HeaderClicksFlipTheOrderAndADoubleClickActsAsOk)
{
    stockerRecentes({"Beta|/z/1.mdb", "alpha|/y/2.mdb", "Gamma|/x/3.mdb"});
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_RECENT);
    vaSpread& grille = *dlg.griRecent;
    cliquerTitre(grille, 0);
    EXPECT_EQ(colonne(grille, 1), "alpha;Beta;Gamma");
    EXPECT_EQ(QApplication::focusWidget(), dlg.btnOk);
    cliquerTitre(grille, 0);
    EXPECT_EQ(colonne(grille, 1), "Gamma;Beta;alpha");
    cliquerTitre(grille, 1);  // another column: the order flips all the same
    EXPECT_EQ(colonne(grille, 2), "/x/3.mdb;/y/2.mdb;/z/1.mdb");

    const QRect cellule = grille.visualRect(grille.model()->index(1, 1));  // in view after the last click
    QTest::mouseDClick(grille.viewport(), Qt::LeftButton, {},
                       QPoint(std::max(cellule.left(), 0) + 10, cellule.center().y()));
    EXPECT_EQ(Programme().strLibelleBase, "alpha");
    EXPECT_EQ(Programme().strCheminBase, "/y/2.mdb");
    EXPECT_TRUE(Programme().bDialogueValide);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(RecentOuvrir, FileChooserStartsFromTheComboTextAndItsChoiceIsValidated)
{
    const QString strBase = creerBase("choisie.mdb", "INSERT INTO BASE VALUES (1, -1, 1, 'Choisie');");
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    EXPECT_EQ(dlg.tobAcceder_Acceder->data().toString(), "Acceder");

    // An existing folder ending in "/": the chooser starts there; its choice fills the combo.
    dlg.cboBases->setEditText(" " + dossier.chemin() + "/");
    repondeur.choisir(strBase);
    repondeur.choisir(dossier.fichier("choisie"));
    dlg.tobAcceder_Acceder->trigger();
    EXPECT_EQ(demandesFichier(repondeur).value(0), QStringList({"Accéder ou Créer...", dossier.chemin() + "/",
                                                    "Base Velmora (*.mdb);;Tous fichiers (*)"}));
    EXPECT_EQ(dlg.cboBases->lineEdit()->selectedText(), strBase);
    EXPECT_EQ(QApplication::focusWidget(), dlg.cboBases);
    EXPECT_EQ(dlg.staBase->text(), "Choisie - " + strBase);
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    // Otherwise the text is the initial file name, and ".mdb" is the default extension.
    dlg.tobAcceder_Acceder->trigger();
    EXPECT_EQ(demandesFichier(repondeur).value(1).value(1), strBase);
    EXPECT_EQ(dlg.cboBases->currentText(), strBase);
    // A missing folder gives no starting point; cancelling keeps the text, validated.
    dlg.cboBases->setEditText("/pas/la/");
    dlg.tobAcceder_Acceder->trigger();
    EXPECT_EQ(demandesFichier(repondeur).value(2).value(1), QString());
    EXPECT_EQ(dlg.staInformation->text(), "Le répertoire [/pas/la/] est incorrect ou inexistant.");
    EXPECT_FALSE(dlg.btnOk->isEnabled());
}
