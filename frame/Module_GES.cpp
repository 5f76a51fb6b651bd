#include "frame/Module_GES.h"

#include "frame/wndMDI.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "open/EntreeRecente.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"
#include "settings/GroupeRegistration.h"
#include "settings/Registration.h"

#include <QAction>

namespace kervane {
namespace {

constexpr int MAX_RECENTES = 30;
constexpr int MAX_MENU = 4;

// Rewrites the recent list: the working list first, then the stored entries that differ
// from strNouvelle, up to 30 entries. The whole list is one rewrite of the hive, made under
// its lock: another program's list change waits, and a crash keeps the old list or the new.
bool rewriteRecentList(const QString& strProcedure, QStringList liste, const QString& strNouvelle)
{
    Sablier sablier;
    const QString strCle = cleBasesRecentes();
    bool bEcrite = false;
    SYS_GrouperRegistration(strProcedure, [&] {
        int nLues = 0;
        QString strEntree;
        while (liste.size() < MAX_RECENTES
               && SYS_LireChaineRegistration(strCle, QString::number(nLues + 1), strEntree, false, true)) {
            ++nLues;
            if (strEntree != strNouvelle)
                liste << strEntree;
        }
        if (nLues > 0 && !SYS_DetruireCleRegistration(strCle, true))
            return true;  // the list stays as it was
        for (int i = 0; i < liste.size(); ++i)
            if (!SYS_EcrireChaineRegistration(strCle, QString::number(i + 1), liste[i], true))
                break;
        bEcrite = true;
        return true;
    });
    if (bEcrite)
        GES_LirePremieresBasesRecentes();
    return true;
}

// Shows the recent entries in the items 8 to 11 of a File menu, and its separator 12.
template <class ItemMenu>
void updateFileMenu(ItemMenu&& item)
{
    const auto& recentes = Programme().tabMenuRecentes;
    if (QAction* pSeparateur = item(12))
        pSeparateur->setVisible(!recentes.empty());
    for (int i = 1; i <= MAX_MENU; ++i) {
        QAction* pAction = item(i + 7);
        if (!pAction)
            continue;
        const bool bLue = i <= static_cast<int>(recentes.size());
        pAction->setVisible(bLue);
        if (bLue) {
            const BaseRecente& r = recentes[static_cast<std::size_t>(i - 1)];
            pAction->setText(libelleMenuRecent(i, r.strLibelle, r.strChemin));
        }
    }
}

}  // namespace

QString libelleMenuRecent(int i, const QString& strLibelle, const QString& strChemin)
{
    const QString strDebut = QLatin1Char('&') + QString::number(i);
    if (strLibelle.isEmpty())
        return strDebut + QStringLiteral(" (") + strChemin + QLatin1Char(')');
    return strDebut + QLatin1Char(' ') + strLibelle + QStringLiteral(" (") + strChemin + QLatin1Char(')');
}

bool GES_AfficherMessageStatus(const QString& strMessage, qint16 nGenre, bool bTemporaire, bool bArreterMinuterie)
{
    FenetrePrincipale* pPrincipale = Programme().pFenetrePrincipale;
    return !pPrincipale || pPrincipale->afficherMessageStatus(strMessage, nGenre, bTemporaire, bArreterMinuterie);
}

bool StockerRegistration(wndKervane*, const QString& strLibelle, const QString& strChemin)
{
    return Pieger(QStringLiteral("StockerRegistration"), [&] {
        const QString strNouvelle = strLibelle + QLatin1Char('|') + strChemin;
        return rewriteRecentList(QStringLiteral("StockerRegistration"), {strNouvelle}, strNouvelle);
    });
}

bool EnleverRegistration(wndKervane*, const QString& strLibelle, const QString& strChemin)
{
    return Pieger(QStringLiteral("EnleverRegistration"), [&] {
        return rewriteRecentList(QStringLiteral("EnleverRegistration"), {}, strLibelle + QLatin1Char('|') + strChemin);
    });
}

bool GES_LirePremieresBasesRecentes()
{
    return Pieger(QStringLiteral("GES_LirePremieresBasesRecentes"), [] {
        auto& recentes = Programme().tabMenuRecentes;
        recentes.clear();
        QString strEntree;
        for (int i = 1; i <= MAX_MENU; ++i) {
            if (!SYS_LireChaineRegistration(cleBasesRecentes(), QString::number(i), strEntree, false, true))
                break;
            const EntreeRecente entree = decouperEntreeRecente(strEntree);
            recentes.push_back({entree.strLibelle, entree.strChemin});
        }
        FenetrePrincipale* pPrincipale = Programme().pFenetrePrincipale;
        if (!pPrincipale)
            return true;
        for (wndKervane* pFenetre : pPrincipale->fenetresRequetes())
            if (!pFenetre->Tag().isEmpty())
                updateFileMenu([pFenetre](int n) { return pFenetre->mnuFichierItem(n); });
        if (auto* pMDI = dynamic_cast<wndMDI*>(pPrincipale))
            updateFileMenu([pMDI](int n) { return pMDI->mnuFichierItem(n); });
        return true;
    });
}

}  // namespace kervane
