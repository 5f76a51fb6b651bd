// The tables tree: its shape, type labels and sizes, the memo-column list, the root
// images, a real Access file, and dragging names out of it.
#include "tests/query/FixtureRequete.h"

#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>

namespace kervane::test {

using Arbre = FixtureRequete;

namespace {

QTreeWidgetItem* enfant(QTreeWidgetItem* pParent, const QString& strTexte)
{
    for (int i = 0; pParent && i < pParent->childCount(); ++i)
        if (pParent->child(i)->text(0) == strTexte)
            return pParent->child(i);
    return nullptr;
}

QStringList details(QTreeWidgetItem* pChamp)
{
    QStringList liste;
    for (int i = 0; pChamp && i < pChamp->childCount(); ++i) {
        liste << pChamp->child(i)->text(0);
        EXPECT_EQ(wndKervane::cleImage(pChamp->child(i)), "detail");
    }
    return liste;
}

// Records the names the tree offers instead of running a drag loop.
class FenetreGlisser : public wndKervane {
public:
    QStringList glisses;

protected:
    void lancerGlisser(std::unique_ptr<QMimeData> pDonnees) override { glisses << pDonnees->text(); }
};

void souris(QWidget* pCible, QEvent::Type type, Qt::MouseButton bouton, QPoint position)
{
    const Qt::MouseButtons boutons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(bouton);
    QMouseEvent evenement(type, position, pCible->mapToGlobal(position),
                          type == QEvent::MouseMove ? Qt::NoButton : bouton, boutons, Qt::NoModifier);
    QCoreApplication::sendEvent(pCible, &evenement);
}

}  // namespace

TEST_F(Arbre, TablesAndViewsWithTheirColumnsTypesAndSizes)
{
    wndKervane& f = *ouvrir();
    QTreeWidget& arbre = *f.tvwTables;
    ASSERT_EQ(arbre.topLevelItemCount(), 2);
    QTreeWidgetItem* pTables = arbre.topLevelItem(0);
    QTreeWidgetItem* pVues = arbre.topLevelItem(1);
    EXPECT_EQ(pTables->text(0), "TABLES");
    EXPECT_EQ(pVues->text(0), "VUES");
    EXPECT_EQ(wndKervane::cleImage(pTables), "base1");
    EXPECT_EQ(pTables->childCount(), 2);

    QTreeWidgetItem* pArticle = enfant(pTables, "ARTICLE");
    ASSERT_NE(pArticle, nullptr);
    EXPECT_EQ(wndKervane::cleImage(pArticle), "table");
    EXPECT_EQ(pArticle->childCount(), 7);
    EXPECT_EQ(wndKervane::cleImage(enfant(pArticle, "NOM")), "champ");
    EXPECT_EQ(details(enfant(pArticle, "NOM")), QStringList({"texte", "40"}));
    EXPECT_EQ(details(enfant(pArticle, "ID")).first(), "numerique");
    EXPECT_EQ(details(enfant(pArticle, "PRIX")).first(), "numerique");
    EXPECT_EQ(details(enfant(pArticle, "CREE")).first(), "date\\heure");
    EXPECT_EQ(details(enfant(pArticle, "ACTIF")).first(), "(oui/non)");
    EXPECT_EQ(details(enfant(pArticle, "NOTE")), QStringList{"memo"});
    // A name that needs quoting is read all the same.
    EXPECT_EQ(details(enfant(enfant(pTables, "Order Details"), "Quantité")).first(), "numerique");

    QTreeWidgetItem* pVue = enfant(pVues, "V_NOTES");
    ASSERT_NE(pVue, nullptr);
    EXPECT_EQ(details(enfant(pVue, "COMMENTAIRE")), QStringList{"memo"});
    EXPECT_EQ(f.champsMemo(), QStringList{"NOTE"});  // views add none

    EXPECT_EQ(f.ediResultat->text(), " Base:  Base test");
    EXPECT_EQ(f.ongletCourant(), "tables");
    for (const char* szCle : {"Imprimer", "Copier", "Maximiser", "Regrouper_cellules"})
        EXPECT_TRUE(principale.actifs[szCle]) << szCle;

    // Root images follow their branch.
    pTables->setExpanded(true);
    EXPECT_EQ(wndKervane::cleImage(pTables), "base2");
    EXPECT_EQ(wndKervane::cleImage(pVues), "base1");
    pVues->setExpanded(true);
    pTables->setExpanded(false);
    f.tvwTables_click();
    EXPECT_EQ(wndKervane::cleImage(pTables), "base1");
    EXPECT_EQ(wndKervane::cleImage(pVues), "base2");
}

TEST_F(Arbre, ARealAccessFileWithQuotedTableNamesOpens)
{
    const QString strNwind = qEnvironmentVariable("KERVANE_TEST_DATA") + QStringLiteral("/nwind.mdb");
    if (!QFileInfo::exists(strNwind))
        GTEST_SKIP() << "nwind.mdb not found in KERVANE_TEST_DATA";
    odbc.ajouterDSN("NWIND", strNwind);
    wndKervane f;
    ASSERT_TRUE(ODBC_Connecter({QString(), QString(), QStringLiteral("NWIND")}, f.nIndBase, strNwind));
    f.strLibelleBase = "Northwind";
    ASSERT_TRUE(f.AfficherTables());
    QTreeWidgetItem* pDetails = enfant(f.tvwTables->topLevelItem(0), "Order Details");
    ASSERT_NE(pDetails, nullptr);
    EXPECT_GT(pDetails->childCount(), 3);
    EXPECT_TRUE(repondeur.questions().empty())
        << (repondeur.questions().empty() ? "" : qPrintable(repondeur.questions().front().strTexte));
    ODBC_Deconnecter(f.nIndBase);
}

TEST_F(Arbre, NamesAreDraggedOnlyByALeftMoveFromANodeInTheActiveWindow)
{
    FenetreGlisser& f = *ouvrir<FenetreGlisser>();
    QTreeWidget& arbre = *f.tvwTables;
    QTreeWidgetItem* pArticle = enfant(arbre.topLevelItem(0), "ARTICLE");
    arbre.topLevelItem(0)->setExpanded(true);
    pArticle->setExpanded(true);
    QWidget* pVue = arbre.viewport();
    const QPoint nom = arbre.visualItemRect(enfant(pArticle, "NOM")).center();
    const QPoint vide(nom.x(), pVue->height() - 2);
    ASSERT_EQ(arbre.itemAt(vide), nullptr);

    souris(pVue, QEvent::MouseButtonPress, Qt::LeftButton, nom);
    souris(pVue, QEvent::MouseButtonRelease, Qt::LeftButton, nom);
    EXPECT_TRUE(f.glisses.isEmpty());

    souris(pVue, QEvent::MouseButtonPress, Qt::RightButton, nom);
    souris(pVue, QEvent::MouseMove, Qt::RightButton, nom + QPoint(30, 0));
    EXPECT_TRUE(f.glisses.isEmpty());

    souris(pVue, QEvent::MouseButtonPress, Qt::LeftButton, vide);
    souris(pVue, QEvent::MouseMove, Qt::LeftButton, nom);
    EXPECT_TRUE(f.glisses.isEmpty());

    souris(pVue, QEvent::MouseButtonPress, Qt::LeftButton, nom);
    souris(pVue, QEvent::MouseMove, Qt::LeftButton, nom + QPoint(1, 0));
    souris(pVue, QEvent::MouseMove, Qt::LeftButton, nom + QPoint(40, 0));
    souris(pVue, QEvent::MouseMove, Qt::LeftButton, nom + QPoint(80, 0));  // one drag per press
    EXPECT_EQ(f.glisses, QStringList{"NOM"});
    EXPECT_EQ(arbre.currentItem()->text(0), "NOM");

    // Another window is active: this one drags nothing.
    wndKervane& g = *ouvrir();
    ASSERT_EQ(Programme().pFenetreCourante, &g);
    souris(pVue, QEvent::MouseButtonPress, Qt::LeftButton, nom);
    souris(pVue, QEvent::MouseMove, Qt::LeftButton, nom + QPoint(20, 0));
    EXPECT_EQ(f.glisses.size(), 1);
}

}  // namespace kervane::test
