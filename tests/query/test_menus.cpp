// Every menu of a query window with its exact captions, trailing blanks included, and the
// separators in their places.
#include "tests/query/FixtureRequete.h"

#include <QMenu>

namespace kervane::test {

namespace {

// The menu's title, then its items; "-" for a separator.
QStringList legendes(const QMenu* pMenu)
{
    QStringList liste{pMenu->title()};
    for (const QAction* pAction : pMenu->actions())
        liste << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return liste;
}

}  // namespace

using Menus = FixtureRequete;

TEST_F(Menus, EveryMenuOfAQueryWindowHasItsExactCaptions)
{
    const wndKervane& f = *ouvrir();
    EXPECT_EQ(legendes(f.mnuFichier()),
              QStringList({"&Fichier", "&Ouvrir...", "&Fermer", "-", "&Exporter...", "-", "&Imprimer...", "-", "&1",
                           "&2", "&3", "&4", "-", "&Quitter"}));
    EXPECT_EQ(legendes(f.mnuEdition()), QStringList({"&Edition", "&Copier ", "-", "&Maximiser Tableau", "-",
                                                     "&Regrouper les cellules"}));
    EXPECT_EQ(legendes(f.mnuDebug()), QStringList({"&Debug", "Editer le fichier &LOG"}));
    EXPECT_EQ(legendes(f.mnuFenetre()), QStringList({"Fe&nêtre", "Mosaïque &horizontal", "Mosaïque &verticale",
                                                     "&En cascade ", "&Réorganiser les icônes"}));
    EXPECT_EQ(legendes(f.mnuAbout()), QStringList({"?", "&Index", "&Utiliser l'aide", "-", "&A propos..."}));
    // Items 3 and 5 of Edition carry a check mark; grouping starts on.
    EXPECT_TRUE(f.mnuEditionItem(3)->isCheckable());
    EXPECT_FALSE(f.mnuEditionItem(3)->isChecked());
    EXPECT_TRUE(f.mnuEditionItem(5)->isChecked());
}

}  // namespace kervane::test
