#include "settings/Registration.h"

#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "messages/Texte.h"
#include "platform/RegistryStore.h"
#include "settings/RapportRegistre.h"

#include <functional>

namespace kervane {
namespace {

RegistryRoot racine(bool bRacineUtilisateur)
{
    return bRacineUtilisateur ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
}

QString prefixeDonnee(const QString& strNom)
{
    return QStringLiteral("[") + strNom + QStringLiteral("] : ");
}

// Ends a read: reports a damaged hive, and the failure when asked to.
bool finirLecture(const RegistryOutcome& resultat, const QString& strCle, const QString& strNom,
                  bool bAfficherMessage, bool bRacineUtilisateur, const QString& strProcedure)
{
    signalerRucheEndommagee(resultat, strProcedure);
    if (resultat.ok())
        return true;
    if (!bAfficherMessage)
        return false;
    if (resultat.status == RegistryStatus::KeyNotFound)
        signalerEchecRegistre(EchecRegistre::CleInconnue, bRacineUtilisateur, strCle, {}, strProcedure);
    else
        signalerEchecRegistre(EchecRegistre::DonneeInconnue, bRacineUtilisateur, strCle, prefixeDonnee(strNom),
                              strProcedure);
    return false;
}

// A write: creates or opens the key, then sets the value; reports the step that fails.
bool ecrire(const QString& strCle, bool bRacineUtilisateur, const QString& strProcedure,
            const std::function<RegistryOutcome()>& poserValeur)
{
    Sablier sablier;
    const RegistryOutcome cle = createRegistryKey(racine(bRacineUtilisateur), strCle);
    signalerRucheEndommagee(cle, strProcedure);
    if (!cle.ok()) {
        signalerEchecRegistre(EchecRegistre::CleNonCreee, bRacineUtilisateur, strCle, {}, strProcedure);
        return false;
    }
    const RegistryOutcome valeur = poserValeur();
    signalerRucheEndommagee(valeur, strProcedure);
    if (!valeur.ok()) {
        signalerEchecRegistre(EchecRegistre::DonneeNonAssociee, bRacineUtilisateur, strCle, {}, strProcedure);
        return false;
    }
    return true;
}

}  // namespace

bool SYS_LireChaineRegistration(const QString& strCle, const QString& strNom, QString& strValeur,
                                bool bAfficherMessage, bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_LireChaineRegistration");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        QString strLu;
        const RegistryOutcome resultat = readRegistryText(racine(bRacineUtilisateur), strCle, strNom, strLu);
        if (!finirLecture(resultat, strCle, strNom, bAfficherMessage, bRacineUtilisateur, strProcedure))
            return false;
        strValeur = strLu.left(LONGUEUR_MAX_CHAINE_REGISTRATION);
        return true;
    });
}

bool SYS_LireLongRegistration(const QString& strCle, const QString& strNom, qint32& nValeur,
                              bool bAfficherMessage, bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_LireLongRegistration");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        qint32 nLu = 0;
        const RegistryOutcome resultat = readRegistryInteger(racine(bRacineUtilisateur), strCle, strNom, nLu);
        if (!finirLecture(resultat, strCle, strNom, bAfficherMessage, bRacineUtilisateur, strProcedure))
            return false;
        nValeur = nLu;
        return true;
    });
}

bool SYS_EcrireChaineRegistration(const QString& strCle, const QString& strNom, const QString& strValeur,
                                  bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_EcrireChaineRegistration");
    return Pieger(strProcedure, [&] {
        return ecrire(strCle, bRacineUtilisateur, strProcedure, [&] {
            return writeRegistryText(racine(bRacineUtilisateur), strCle, strNom, sansEspaces(strValeur));
        });
    });
}

bool SYS_EcrireLongRegistration(const QString& strCle, const QString& strNom, qint32 nValeur,
                                bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_EcrireLongRegistration");
    return Pieger(strProcedure, [&] {
        return ecrire(strCle, bRacineUtilisateur, strProcedure,
                      [&] { return writeRegistryInteger(racine(bRacineUtilisateur), strCle, strNom, nValeur); });
    });
}

bool SYS_ExisteCleRegistration(const QString& strCle, bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_ExisteCleRegistration");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        const RegistryOutcome resultat = openRegistryKey(racine(bRacineUtilisateur), strCle);
        signalerRucheEndommagee(resultat, strProcedure);
        return resultat.ok();
    });
}

bool SYS_DetruireCleRegistration(const QString& strCle, bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_DetruireCleRegistration");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        const RegistryOutcome resultat = deleteRegistryKey(racine(bRacineUtilisateur), strCle);
        signalerRucheEndommagee(resultat, strProcedure);
        if (!resultat.ok())
            signalerEchecRegistre(EchecRegistre::CleInconnue, bRacineUtilisateur, strCle, {}, strProcedure);
        return resultat.ok();
    });
}

bool SYS_DetruireDonneeRegistration(const QString& strCle, const QString& strNom, bool bRacineUtilisateur)
{
    const QString strProcedure = QStringLiteral("SYS_DetruireDonneeRegistration");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        const RegistryOutcome resultat = deleteRegistryValue(racine(bRacineUtilisateur), strCle, strNom);
        signalerRucheEndommagee(resultat, strProcedure);
        if (resultat.status == RegistryStatus::KeyNotFound)
            signalerEchecRegistre(EchecRegistre::CleInconnue, bRacineUtilisateur, strCle, {}, strProcedure);
        else if (!resultat.ok())
            signalerEchecRegistre(EchecRegistre::DonneeInconnue, bRacineUtilisateur, strCle, {}, strProcedure);
        return resultat.ok();
    });
}

}  // namespace kervane
