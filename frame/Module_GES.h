#pragma once
// Module_GES: status-bar messages and the list of recently opened databases.
#include <QString>

namespace kervane {

class wndKervane;

// Shows a message in the main window's status bar (kind 0 none, 1 information,
// 2 exclamation, 3 prohibition); a temporary one is cleared by the timer.
bool GES_AfficherMessageStatus(const QString& strMessage, qint16 nGenre, bool bTemporaire, bool bArreterMinuterie);

// Puts label + "|" + path first in the recent list (at most 30 entries).
bool StockerRegistration(wndKervane* pFenetre, const QString& strLibelle, const QString& strChemin);
// Removes the entry label + "|" + path from the recent list.
bool EnleverRegistration(wndKervane* pFenetre, const QString& strLibelle, const QString& strChemin);
// Reads the first four entries and updates the recent items of every File menu.
bool GES_LirePremieresBasesRecentes();

// The caption of recent item i: "&i label (path)", or "&i (path)" without label.
QString libelleMenuRecent(int i, const QString& strLibelle, const QString& strChemin);

}  // namespace kervane
