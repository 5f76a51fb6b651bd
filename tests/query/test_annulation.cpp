// A long statement of the query window: the elapsed time in the status bar, the "Annuler"
// key on while it runs, the window holding back clicks, and Échap cancelling it so that
// nothing changes. The cancel itself needs a driver whose SQLCancel interrupts.
#include "tests/query/FixtureRequete.h"

#include <QTabBar>
#include <QTest>

namespace kervane::test {

namespace {

const QString JOINTURE = QString::fromLatin1(JOINTURE_LONGUE);
const QString EN_COURS = QStringLiteral("Exécution en cours : ");

}  // namespace

class Annulation : public FixtureRequete {
protected:
    void SetUp() override
    {
        FixtureRequete::SetUp();
        if (!IsSkipped())
            creerBaseSQLite(strBase, TABLE_NOMBRE);
    }

    // Once the status bar shows the time elapsed: notes the state of the "Annuler" key, tries
    // a click on the window's tab strip, then presses Échap in the editor.
    void echapperPendant(wndKervane& f)
    {
        principale.surMessageStatus = [this, &f](const QString& strMessage) {
            if (!strMessage.startsWith(EN_COURS) || bEchappe)
                return;
            bEchappe = true;
            bAnnulerActif = principale.actifs["Annuler"];
            const QRect onglet = f.tabResultat->tabRect(0);
            QTest::mouseClick(f.tabResultat, Qt::LeftButton, {}, onglet.center());
            QTest::keyClick(f.ediRequete, Qt::Key_Escape);
        };
    }

    bool bEchappe = false;
    bool bAnnulerActif = false;
};

TEST_F(Annulation, EscapeCancelsASelectionAndTheGridAndHistoryStay)
{
    const QString strCle = cleHistorique();
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "0", JOINTURE + "../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT ID, NOM FROM ARTICLE");
    ASSERT_EQ(f.griRequetes->MaxRows(), 4);
    ASSERT_EQ(f.ongletCourant(), "resultat");
    EXPECT_FALSE(principale.actifs["Annuler"]);
    repondeur.oublier();

    echapperPendant(f);
    f.cboRequetes->setCurrentIndex(f.cboRequetes->findText(JOINTURE));
    f.cboRequetes_Click();
    f.btnLancer_Click();

    EXPECT_TRUE(bEchappe);
    EXPECT_TRUE(bAnnulerActif);
    EXPECT_FALSE(principale.actifs["Annuler"]);
    EXPECT_EQ(principale.messagesStatus.back(), "");
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_TRUE(repondeur.derniere().strTexte.endsWith("[SQLETAT=S1008]")) << repondeur.derniere().strTexte.toStdString();
    // The click on the "Tables" tab during the run was held back; the previous rows stay.
    EXPECT_EQ(f.ongletCourant(), "resultat");
    EXPECT_EQ(f.griRequetes->MaxRows(), 4);
    EXPECT_EQ(cellule(f, 2, 1), "Marteau");
    EXPECT_EQ(f.txtDimensionGrille->text(), "(4x2)");
    // A cancelled statement is no faulty one: it keeps its place in the history and the editor.
    EXPECT_EQ(historique(f), QStringList({"SELECT ID, NOM FROM ARTICLE", JOINTURE}));
    EXPECT_EQ(f.texteRequete(), JOINTURE);
}

TEST_F(Annulation, ACancelledChangeAsksNothingAndChangesNothing)
{
    wndKervane& f = *ouvrir();
    echapperPendant(f);
    lancer(f, "DELETE FROM ARTICLE WHERE 0 < (" + JOINTURE + ")");

    EXPECT_TRUE(bEchappe);
    ASSERT_EQ(repondeur.questions().size(), 1u);  // the cancel's message, no question on a count
    EXPECT_TRUE(repondeur.derniere().strTexte.endsWith("[SQLETAT=S1008]")) << repondeur.derniere().strTexte.toStdString();
    EXPECT_TRUE(historique(f).isEmpty());
    // Rolled back, and the connection back in automatic commit: the next accepted change
    // carries nothing of it.
    repondeur.oublier();
    repondeur.repondre(IDYES);
    lancer(f, "UPDATE ARTICLE SET PRIX = PRIX WHERE ID = 1");
    EXPECT_EQ(valeurs(f, "SELECT Count(*) FROM ARTICLE"), QStringList({"4"}));
}

TEST_F(Annulation, TheElapsedTimeReadsInTenthsThenMinutesThenHours)
{
    Programme().strSeparateurDecimal = ",";
    const std::pair<qint64, const char*> cas[] = {
        {500, "0,5 s"},           {1234, "1,2 s"},           {59999, "59,9 s"},
        {60000, "1 min 00 s"},    {754000, "12 min 34 s"},   {3599999, "59 min 59 s"},
        {3600000, "1 h 00 min 00 s"}, {37230000, "10 h 20 min 30 s"},
    };
    for (const auto& [nMs, szDuree] : cas)
        EXPECT_EQ(wndKervane::texteExecutionEnCours(nMs),
                  EN_COURS + QString::fromUtf8(szDuree) + " (Échap pour annuler)")
            << nMs;
    Programme().strSeparateurDecimal = ".";
    EXPECT_EQ(wndKervane::texteExecutionEnCours(2500), EN_COURS + "2.5 s (Échap pour annuler)");
}

}  // namespace kervane::test
