// dlgOuvrir, "Existant" tab: the load, every inline refusal of a path, the label read through
// the temporary data source (and written when missing), the user check and what a failed
// check leaves, keys, focus, Enter.
#include "open/dlgOuvrir.h"
#include "query/wndKervane.h"
#include "tests/open/FixtureOuvrir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace kervane;
using namespace kervane::test;

namespace {

const char* const LIBELLE = "INSERT INTO BASE VALUES (1, 1, 1, 'Compta 2024');";

}  // namespace

using CheminOuvrir = FixtureOuvrir;

TEST_F(CheminOuvrir, EachBadPathIsRefusedInlineWithOkDisabled)
{
    const QString strDossier = dossier.chemin() + "/";
    QFile texte(dossier.fichier("notes.txt"));
    ASSERT_TRUE(texte.open(QIODevice::WriteOnly) && texte.write("texte") == 5);
    creerBaseSQLite(dossier.fichier("autre.mdb"), "CREATE TABLE CLIENT (NOM TEXT(20));");
    const QString strValide = creerBase("bonne.mdb", LIBELLE);
    const std::pair<QString, QString> cas[] = {
        {"bonne.mdb", "Vous devez localiser votre base de données."},
        {"/pas/de/dossier/base.mdb", "Le répertoire [/pas/de/dossier/] est incorrect ou inexistant."},
        {strDossier + "notes.txt", "Le fichier [notes.txt] n'est pas une base de données (*.mdb)."},
        {strDossier + "a<b>.mdb", "Le nom du fichier [a<b>.mdb] n'est pas valide."},
        {"/tmp", "Le nom du fichier [tmp] n'est pas valide."},  // 4 characters: never a .mdb
        {" " + strDossier + "absente.mdb ", "La base de données [" + strDossier + "absente.mdb] n'existe pas."},
        {strDossier + "autre.mdb",
         "La base de données [" + strDossier + "autre.mdb] n'est pas une base adaptée pour la Suite Velmora."},
    };
    dlgOuvrir dlg;
    for (const auto& [strTexte, strMessage] : cas) {
        SCOPED_TRACE(strTexte.toStdString());
        EXPECT_EQ(valider(dlg, strValide), QString());  // something valid to undo
        ASSERT_TRUE(dlg.btnOk->isEnabled());
        EXPECT_EQ(valider(dlg, strTexte), strMessage);
        EXPECT_FALSE(dlg.btnOk->isEnabled());
    }
    EXPECT_TRUE(repondeur.questions().empty());  // never a message box
}

TEST_F(CheminOuvrir, VelmoraBaseInAnyExtensionCaseShowsItsLabelAndOkHandsThePathOver)
{
    const QString strBase = creerBase("Velmora Démo.MDB", LIBELLE);
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    EXPECT_EQ(valider(dlg, strBase), QString());
    EXPECT_EQ(dlg.staBase->text(), "Compta 2024 - " + strBase);
    EXPECT_EQ(Programme().strLibelleBase, "Compta 2024");
    QFile ini(dossier.fichier("odbc.ini"));  // the temporary data source stays on the file
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString strIni = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(strIni.contains("[Ouverture Base Velmora]") && strIni.contains("DBQ=" + strBase));

    dlg.btnOk->click();
    EXPECT_EQ(Programme().strCheminBase, strBase);
    EXPECT_TRUE(Programme().bDialogueValide);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(CheminOuvrir, MissingLabelRowIsInsertedAndANonCurrentBaseIsRefused)
{
    const QString strSansLigne = creerBase("sans_ligne.mdb", "INSERT INTO BASE VALUES (2, 1, 1, 'Autre ligne');");
    const QString strPerimee = creerBase("perimee.mdb", "INSERT INTO BASE VALUES (1, 0, 1, 'Ancienne');");
    dlgOuvrir dlg;
    EXPECT_EQ(valider(dlg, strSansLigne), QString());
    EXPECT_EQ(dlg.staBase->text(), "<Sans libellé> - " + strSansLigne);
    EXPECT_EQ(valeur(strSansLigne, "SELECT group_concat(ID_BASE || ',' || COURANT_BASE || ',' || TYPE_BASE || ',' "
                                   "|| LIB_BASE, ';') FROM BASE"),
              "2,1,1,Autre ligne;1,-1,1,<Sans libellé>");  // Access stores True as -1

    // Conform but not the current base: label line emptied, OK disabled, label kept.
    EXPECT_EQ(valider(dlg, strPerimee), QString());
    EXPECT_EQ(dlg.staBase->text(), QString());
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_EQ(Programme().strLibelleBase, "<Sans libellé>");
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(CheminOuvrir, AnotherUserConnectedStopsTheLabelReading)
{
    const QString strBonne = creerBase("bonne.mdb", LIBELLE);
    const QString strOccupee =
        creerBase("occupee.mdb", QString(LIBELLE) + "INSERT INTO UTILR VALUES ('0123456789', 'Durand', -1);");
    dlgOuvrir dlg;
    EXPECT_EQ(valider(dlg, strBonne), QString());
    EXPECT_EQ(valider(dlg, strOccupee), QString());
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "Vous vous êtes connecté(e) sous le nom de 'Durand'. Pour utiliser cette "
                                             "base, votre identification numérique doit être '0123456789'.");
    EXPECT_EQ(repondeur.derniere().nStyle, 16);
    // The line no longer shows the good base, and OK cannot hand over the refused one.
    EXPECT_EQ(dlg.staBase->text(), QString());
    EXPECT_FALSE(dlg.btnOk->isEnabled());
}

TEST_F(CheminOuvrir, ALabelReadingThatFailsEmptiesTheLabelLineAndKeepsOkDisabled)
{
    const QString strBonne = creerBase("bonne.mdb", LIBELLE);
    // Conform files (FAMILLE.TRADUCTION_HTML_FAMILLE is there) whose users cannot be read.
    const QString strFamille = "CREATE TABLE BASE (ID_BASE LONG, COURANT_BASE YESNO, TYPE_BASE LONG, "
                               "LIB_BASE TEXT(50)); INSERT INTO BASE VALUES (1, -1, 1, 'Sans utilisateurs');"
                               "CREATE TABLE FAMILLE (ID_FAMILLE LONG, TRADUCTION_HTML_FAMILLE LONGTEXT);";
    const QString strSansTable = dossier.fichier("sans_utilr.mdb");
    creerBaseSQLite(strSansTable, strFamille);
    const QString strSansColonne = dossier.fichier("utilr_incomplete.mdb");
    creerBaseSQLite(strSansColonne, strFamille + "CREATE TABLE UTILR (ID_CLE_UTILR TEXT(10), NOM_UTILR TEXT(50));");
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    for (const QString& strIllisible : {strSansTable, strSansColonne}) {
        SCOPED_TRACE(strIllisible.toStdString());
        repondeur.oublier();
        EXPECT_EQ(valider(dlg, strBonne), QString());
        ASSERT_TRUE(dlg.btnOk->isEnabled());
        EXPECT_EQ(valider(dlg, strIllisible), QString());  // reported by the access layer, not inline
        EXPECT_EQ(repondeur.questions().size(), 1u);
        EXPECT_EQ(dlg.staBase->text(), QString());
        EXPECT_FALSE(dlg.btnOk->isEnabled());
        // Neither coming back to the tab nor validating the same text again enables OK.
        dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_RECENT);
        dlg.tabOuvrir->setCurrentIndex(dlgOuvrir::ONGLET_EXISTANT);
        dlg.cboBases_Validate();
        EXPECT_FALSE(dlg.btnOk->isEnabled());
    }
}

TEST_F(CheminOuvrir, LoadShowsTheBaseOfTheCurrentQueryWindow)
{
    const QString strBase = creerBase("courante.mdb", LIBELLE);
    wndKervane fenetre;
    fenetre.strBase = strBase;
    Programme().pFenetreCourante = &fenetre;
    Programme().bDialogueValide = true;  // left over from an earlier dialog
    dlgOuvrir dlg;
    const bool bCharge = dlg.charger();
    Programme().pFenetreCourante = nullptr;
    ASSERT_TRUE(bCharge && Programme().bDialogueCharge);
    EXPECT_FALSE(Programme().bDialogueValide);
    EXPECT_EQ(dlg.cboBases->currentText(), strBase);
    EXPECT_EQ(dlg.staBase->text(), "Compta 2024 - " + strBase);
    EXPECT_TRUE(dlg.btnOk->isEnabled());
}

TEST_F(CheminOuvrir, WithoutQueryWindowTheLoadOffersBaseSourceAndExaminesNothing)
{
    // Examining either file would show something: a label row to insert, another user connected.
    const QString strSansLigne = creerBase("Base source Velmora.mdb");
    const QString strOccupee =
        creerBase("occupee.mdb", QString(LIBELLE) + "INSERT INTO UTILR VALUES ('0123456789', 'Durand', -1);");
    const QString strIni = dossier.fichier("odbc.ini");
    for (const QString& strSource : {strSansLigne, strOccupee}) {
        SCOPED_TRACE(strSource.toStdString());
        Programme().strBaseSource = strSource;
        const QString strIniAvant = empreinte(strIni);
        const QString strBaseAvant = empreinte(strSource);
        {
            dlgOuvrir dlg;
            ASSERT_TRUE(dlg.charger());
            EXPECT_EQ(dlg.cboBases->currentText(), strSource);
            EXPECT_EQ(dlg.cboBases->lineEdit()->selectedText(), strSource);
            EXPECT_FALSE(dlg.btnOk->isEnabled());
            EXPECT_EQ(dlg.staBase->text(), QString());
            dlg.show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
            ASSERT_EQ(QApplication::focusWidget(), dlg.cboBases);
            QTest::keyClick(dlg.cboBases, Qt::Key_Escape);  // closing takes the focus from the combo
            EXPECT_EQ(dlg.result(), QDialog::Rejected);
        }
        EXPECT_TRUE(repondeur.questions().empty());
        EXPECT_EQ(empreinte(strIni), strIniAvant);
        EXPECT_EQ(empreinte(strSource), strBaseAvant);
    }
}

TEST_F(CheminOuvrir, TheOfferedBaseSourceOpensWithEnterThenOk)
{
    const QString strSource = creerBase("Base source Velmora.mdb");
    Programme().strBaseSource = strSource;
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.cboBases, Qt::Key_Return);
    EXPECT_EQ(dlg.staBase->text(), "<Sans libellé> - " + strSource);
    ASSERT_EQ(QApplication::focusWidget(), dlg.btnOk);
    QTest::keyClick(dlg.btnOk, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(Programme().bDialogueValide);
    EXPECT_EQ(Programme().strCheminBase, strSource);
    EXPECT_EQ(Programme().strLibelleBase, "<Sans libellé>");
    EXPECT_EQ(valeur(strSource, "SELECT LIB_BASE FROM BASE WHERE ID_BASE = 1"), "<Sans libellé>");
}

TEST_F(CheminOuvrir, KeysFocusAndEnterDriveTheValidation)
{
    const QString strBase = creerBase("base.mdb", LIBELLE);
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    ASSERT_EQ(QApplication::focusWidget(), dlg.cboBases);
    EXPECT_FALSE(dlg.btnOk->isDefault());  // not while the combo has the focus

    QTest::keyClicks(dlg.cboBases, "a|b?c*d\"e<f>g/h");
    EXPECT_EQ(dlg.cboBases->currentText(), "abcdefg/h");  // "/" separates folders here: it stays
    dlg.cboBases->clearEditText();
    QTest::keyClicks(dlg.cboBases, strBase);
    QTest::keyClick(dlg.cboBases, Qt::Key_Return);
    EXPECT_EQ(dlg.staBase->text(), "Compta 2024 - " + strBase);
    EXPECT_EQ(QApplication::focusWidget(), dlg.btnOk);
    EXPECT_TRUE(dlg.btnOk->isDefault());
    EXPECT_TRUE(dlg.isVisible());  // Enter in the combo does not press OK

    // The same text in other letters is not examined again (no such folder exists)...
    EXPECT_EQ(valider(dlg, strBase.toUpper()), QString());
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    // ...until a key is typed; leaving for Annuler does not validate, leaving for OK does.
    dlg.cboBases->setFocus();
    QTest::keyClick(dlg.cboBases, Qt::Key_End);
    dlg.btnAnnuler->setFocus();
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    dlg.cboBases->setFocus();
    dlg.btnOk->setFocus();
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_TRUE(dlg.staInformation->text().startsWith("Le répertoire ["));

    dlg.btnAnnuler->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(Programme().bDialogueValide);
    EXPECT_EQ(Programme().strCheminBase, QString());
}

TEST_F(CheminOuvrir, InlineMessageWrapsOnTwoLinesBeyond441Pixels)
{
    dlgOuvrir dlg;
    dlg.AfficherMessage("Court.");
    EXPECT_EQ(dlg.staInformation->y(), 277);
    EXPECT_EQ(dlg.staInformation->height(), 17);
    EXPECT_LT(dlg.staInformation->width(), 441);
    dlg.AfficherMessage("La base de données [" + QString(60, 'x') + "] n'est pas une base adaptée.");
    EXPECT_EQ(dlg.staInformation->geometry(), QRect(dlg.staInformation->x(), 270, 441, 30));
    EXPECT_TRUE(dlg.staInformation->wordWrap());
    dlg.AfficherMessage("Court.");
    EXPECT_EQ(dlg.staInformation->y(), 277);
    EXPECT_FALSE(dlg.staInformation->wordWrap());
}

TEST_F(CheminOuvrir, NwindIsRefusedAsNotAVelmoraDatabaseAndStaysUnchanged)
{
    const QString strNwind = cheminNwind();
    if (strNwind.isEmpty())
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
    const QString strAvant = empreinte(strNwind);
    const QString strBonne = creerBase("bonne.mdb", LIBELLE);
    dlgOuvrir dlg;
    EXPECT_EQ(valider(dlg, strBonne), QString());
    ASSERT_EQ(dlg.staBase->text(), "Compta 2024 - " + strBonne);
    EXPECT_EQ(valider(dlg, strNwind),
              "La base de données [" + strNwind + "] n'est pas une base adaptée pour la Suite Velmora.");
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_EQ(dlg.staBase->text(), QString());  // not the label of the base validated before
    EXPECT_TRUE(repondeur.questions().empty());
    EXPECT_EQ(empreinte(strNwind), strAvant);
}
