// Form_Unload: the connection released, the toolbar and status bar told, the other
// windows on the same database renumbered; and Form_dblClick, a further window on it.
#include "access/Module_ODBC.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <algorithm>

namespace kervane {

namespace {

// Closing never stops: a step that fails is skipped.
template <class Etape>
void skipOnFailure(Etape&& etape) noexcept
{
    try {
        etape();
    } catch (...) {
    }
}

}  // namespace

QString wndKervane::titre(bool bAvecOccurrence) const
{
    QString strTitre = strLibelleBase + QStringLiteral(" - ") + strBase;
    if (bAvecOccurrence)
        strTitre += QStringLiteral("  [") + QString::number(nOccurrence) + u']';
    if (Programme().bModeDebug)
        strTitre += QStringLiteral(" [Mode debug]");
    return strTitre;
}

void wndKervane::Form_Unload()
{
    if (m_bDecharge)
        return;
    m_bDecharge = true;
    FenetrePrincipale* pPrincipale = principale();
    skipOnFailure([&] {
        if (nIndBase != 0)
            ODBC_Deconnecter(nIndBase);
    });
    skipOnFailure([&] {
        const QList<wndKervane*> fenetres = pPrincipale ? pPrincipale->fenetresRequetes() : QList<wndKervane*>{};
        const auto nOuvertes = std::count_if(fenetres.begin(), fenetres.end(),
                                             [](const wndKervane* p) { return p && !p->m_bDecharge; });
        if (pPrincipale && nOuvertes == 0)
            for (const char* szCle : {"Copier", "Fermer", "Imprimer", "Maximiser", "Regrouper_cellules"})
                pPrincipale->activerBouton(QString::fromLatin1(szCle), false);
    });
    skipOnFailure([&] {
        if (Programme().pFenetreCourante != this)
            return;
        if (pPrincipale)
            pPrincipale->afficherMessageStatus(QString(), 0, false, true);
        Programme().pFenetreCourante = nullptr;
    });
    skipOnFailure([&] {
        const QList<wndKervane*> fenetres = fenetresMemeBase();
        const bool bCrochets = fenetres.size() != 2;
        for (wndKervane* pAutre : fenetres) {
            if (pAutre == this)
                continue;
            if (pAutre->nOccurrence > nOccurrence)
                --pAutre->nOccurrence;
            pAutre->setWindowTitle(pAutre->titre(bCrochets));
        }
    });
    // A closed window no longer counts among the windows of its database.
    nIndBase = 0;
    m_strTag.clear();
}

void wndKervane::Form_dblClick()
{
    Pieger(QStringLiteral("Form_dblClick"), [this] {
        Programme().strCheminBase = strBase;
        Programme().strLibelleBase = strLibelleBase;
        FenetrePrincipale* pPrincipale = principale();
        return pPrincipale && pPrincipale->Ouvrir(false);
    });
}

}  // namespace kervane
