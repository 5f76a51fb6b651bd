// The window's menus: Fichier, Edition, Debug, Fenêtre and "?", by item index.
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <QMdiSubWindow>

namespace kervane {

namespace {

struct ItemMenu {
    int nIndex;
    const char* szTexte;  // nullptr: separator
};

// Adds the items of a menu array; separators keep their index too.
std::map<int, QAction*> fillMenu(QMenu* pMenu, std::initializer_list<ItemMenu> items)
{
    std::map<int, QAction*> actions;
    for (const ItemMenu& i : items) {
        QAction* pAction = i.szTexte ? pMenu->addAction(QString::fromUtf8(i.szTexte)) : pMenu->addSeparator();
        actions[i.nIndex] = pAction;
    }
    return actions;
}

// Every item of a menu array runs its handler with its index.
template <class Gestionnaire>
void connectItems(QObject* pFenetre, const std::map<int, QAction*>& items, Gestionnaire gestionnaire)
{
    for (const auto& [nIndex, pAction] : items)
        if (!pAction->isSeparator())
            QObject::connect(pAction, &QAction::triggered, pFenetre, [gestionnaire, n = nIndex] { gestionnaire(n); });
}

}  // namespace

void wndKervane::buildMenus()
{
    m_pMnuFichier = new QMenu(QStringLiteral("&Fichier"), this);
    m_fichier = fillMenu(m_pMnuFichier, {{1, "&Ouvrir..."}, {2, "&Fermer"}, {3, nullptr}, {4, "&Exporter..."},
                                         {5, nullptr}, {6, "&Imprimer..."}, {7, nullptr}, {8, "&1"}, {9, "&2"},
                                         {10, "&3"}, {11, "&4"}, {12, nullptr}, {20, "&Quitter"}});
    m_pMnuEdition = new QMenu(QStringLiteral("&Edition"), this);
    m_edition = fillMenu(m_pMnuEdition, {{1, "&Copier "}, {2, nullptr}, {3, "&Maximiser Tableau"}, {4, nullptr},
                                         {5, "&Regrouper les cellules"}});
    m_edition[3]->setCheckable(true);
    m_edition[5]->setCheckable(true);
    m_edition[5]->setChecked(true);
    m_pMnuDebug = new QMenu(QStringLiteral("&Debug"), this);
    fillMenu(m_pMnuDebug, {{1, "Editer le fichier &LOG"}});
    m_pMnuFenetre = new QMenu(QStringLiteral("Fe&nêtre"), this);
    m_fenetre = fillMenu(m_pMnuFenetre, {{1, "Mosaïque &horizontal"}, {2, "Mosaïque &verticale"},
                                         {3, "&En cascade "}, {4, "&Réorganiser les icônes"}});
    m_pMnuAbout = new QMenu(QStringLiteral("?"), this);
    m_aide = fillMenu(m_pMnuAbout, {{1, "&Index"}, {2, "&Utiliser l'aide"}, {3, nullptr}, {4, "&A propos..."}});
}

void wndKervane::connectMenus()
{
    connectItems(this, m_fichier, [this](int n) { mnuFichier_Click(n); });
    connectItems(this, m_fenetre, [this](int n) { mnuFenetre_Click(n); });
    connectItems(this, m_aide, [this](int n) { mnuAbout_Click(n); });
    connect(m_pMnuDebug->actions().constFirst(), &QAction::triggered, this, [this] { mnuDebug_Click(1); });
    // The check marks of items 3 and 5 follow the state the handler sets, not the click.
    for (int nIndex : {1, 3, 5}) {
        QAction* pAction = m_edition[nIndex];
        connect(pAction, &QAction::triggered, this, [this, pAction, nIndex](bool bCoche) {
            if (pAction->isCheckable())
                pAction->setChecked(!bCoche);
            mnuEdition_Click(nIndex);
        });
    }
}

void wndKervane::mnuFichier_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuFichier_Click"), [&] {
        FenetrePrincipale* pPrincipale = principale();
        switch (nIndex) {
        case 1:
            return pPrincipale && pPrincipale->Ouvrir(true);
        case 2:
            if (auto* pSous = qobject_cast<QMdiSubWindow*>(parentWidget()))
                return pSous->close();
            return close();
        case 4: return Exporter();
        case 6: return Imprimer();
        case 20:
            if (pPrincipale)
                pPrincipale->Quitter();
            return true;
        default: break;
        }
        const auto nRecente = static_cast<std::size_t>(nIndex - 8);
        if (nIndex < 8 || nIndex > 11 || nRecente >= Programme().tabMenuRecentes.size() || !pPrincipale)
            return true;
        Programme().strLibelleBase = Programme().tabMenuRecentes[nRecente].strLibelle;
        Programme().strCheminBase = Programme().tabMenuRecentes[nRecente].strChemin;
        return pPrincipale->Ouvrir(false);
    });
}

void wndKervane::mnuFenetre_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuFenetre_Click"), [&] {
        if (FenetrePrincipale* pPrincipale = principale())
            pPrincipale->arranger(nIndex);
        return true;
    });
}

void wndKervane::mnuDebug_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuDebug_Click"), [&] {
        if (FenetrePrincipale* pPrincipale = principale(); pPrincipale && nIndex == 1)
            pPrincipale->editerTrace();
        return true;
    });
}

void wndKervane::mnuAbout_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuAbout_Click"), [&] {
        if (FenetrePrincipale* pPrincipale = principale())
            pPrincipale->mnuAbout_Click(nIndex);
        return true;
    });
}

}  // namespace kervane
