// The toolbar's "Annuler" key: off until a statement runs, the one key that takes clicks
// meanwhile, and it stops the statement (with a driver whose SQLCancel interrupts).
#include "tests/frame/FixtureFrame.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>

using namespace kervane;
using namespace kervane::test;

using ToucheAnnuler = FixtureFrame;

TEST_F(ToucheAnnuler, TheKeyIsOnOnlyWhileAStatementRunsAndStopsIt)
{
    const QString strBase = copieDemo("annuler.mdb");
    creerBaseSQLite(strBase, TABLE_NOMBRE);
    ASSERT_TRUE(ouvrir(strBase));
    wndKervane& f = *fenetre->fenetresRequetes().front();
    QAction* pAnnuler = fenetre->bouton("Annuler");
    ASSERT_NE(pAnnuler, nullptr);
    EXPECT_FALSE(pAnnuler->isEnabled());
    ASSERT_TRUE(fenetre->bouton("Maximiser")->isEnabled());

    bool bCliquee = false;
    bool bActivePendant = false;
    QObject::connect(fenetre->stbBarre(), &BarreEtat::messageAffiche, [&](const QString& strMessage) {
        if (bCliquee || !strMessage.startsWith("Exécution en cours : "))
            return;
        bCliquee = true;
        bActivePendant = pAnnuler->isEnabled();
        // Another key is held back: the window would change under its running statement.
        QTest::mouseClick(fenetre->tobBoutons()->widgetForAction(fenetre->bouton("Maximiser")), Qt::LeftButton);
        QTest::mouseClick(fenetre->tobBoutons()->widgetForAction(pAnnuler), Qt::LeftButton);
    });
    f.ediRequete->setPlainText(JOINTURE_LONGUE);
    f.btnLancer_Click();

    EXPECT_TRUE(bCliquee);
    EXPECT_TRUE(bActivePendant);
    EXPECT_FALSE(pAnnuler->isEnabled());
    EXPECT_EQ(fenetre->stbBarre()->message(), "");
    EXPECT_FALSE(f.estMaximise());
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_TRUE(repondeur.derniere().strTexte.endsWith("[SQLETAT=S1008]")) << repondeur.derniere().strTexte.toStdString();
}
