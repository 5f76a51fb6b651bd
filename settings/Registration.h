#pragma once
// Module_SYS: reading, writing and deleting the system's settings in the registry store.
// The root flag chooses the current user's root (true) or the machine's (false).
// Reads report their failures only when asked; writes and deletions always do.
#include <QString>

namespace kervane {

bool SYS_LireChaineRegistration(const QString& strCle, const QString& strNom, QString& strValeur,
                                bool bAfficherMessage, bool bRacineUtilisateur);
bool SYS_LireLongRegistration(const QString& strCle, const QString& strNom, qint32& nValeur,
                              bool bAfficherMessage, bool bRacineUtilisateur);
bool SYS_EcrireChaineRegistration(const QString& strCle, const QString& strNom, const QString& strValeur,
                                  bool bRacineUtilisateur);
bool SYS_EcrireLongRegistration(const QString& strCle, const QString& strNom, qint32 nValeur,
                                bool bRacineUtilisateur);
// True when the key exists; reports nothing else than a damaged hive.
bool SYS_ExisteCleRegistration(const QString& strCle, bool bRacineUtilisateur);
bool SYS_DetruireCleRegistration(const QString& strCle, bool bRacineUtilisateur);
bool SYS_DetruireDonneeRegistration(const QString& strCle, const QString& strNom, bool bRacineUtilisateur);

// Longest text a read gives back: the rest does not fit the 2000-character buffer.
constexpr qsizetype LONGUEUR_MAX_CHAINE_REGISTRATION = 1999;

}  // namespace kervane
