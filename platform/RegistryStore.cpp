#include "platform/RegistryStore.h"

#include "platform/HiveFile.h"
#include "platform/HiveFormat.h"

#include <QDir>
#include <QFileInfo>
#include <functional>

namespace kervane {
namespace {

// A change to a hive: its status, and whether it modified anything.
using Change = std::function<RegistryStatus(Hive& ruche, bool& bModifie)>;

// Loads the hive while holding its lock; a damaged file is put aside and noted.
LoadedHive loadLocked(const QString& strChemin, std::optional<DamagedHive>& endommage)
{
    LoadedHive lu = loadHive(strChemin);
    if (lu.etat == HiveState::Damaged) {
        endommage = DamagedHive{strChemin, putFileAside(strChemin)};
        if (!endommage->strCheminMisDeCote.isEmpty())
            lu.etat = HiveState::Loaded;  // the empty hive now stands in its place
    }
    return lu;
}

// The hive as it is now, for reading. Unreadable counts as empty; a damaged file is put
// aside under the lock, after checking that no writer has replaced it meanwhile.
Hive currentHive(const QString& strChemin, std::optional<DamagedHive>& endommage)
{
    LoadedHive lu = loadHive(strChemin);
    if (lu.etat != HiveState::Damaged)
        return std::move(lu.ruche);
    const HiveLock verrou(strChemin);
    if (!verrou.acquired()) {
        endommage = DamagedHive{strChemin, QString()};
        return {};
    }
    return std::move(loadLocked(strChemin, endommage).ruche);
}

RegistryStatus changeLocked(const QString& strChemin, const Change& changer, std::optional<DamagedHive>& endommage)
{
    if (!QDir().mkpath(QFileInfo(strChemin).absolutePath()))
        return RegistryStatus::CannotCreate;
    const HiveLock verrou(strChemin);
    if (!verrou.acquired())
        return RegistryStatus::CannotWrite;
    LoadedHive lu = loadLocked(strChemin, endommage);
    if (lu.etat != HiveState::Loaded)
        return RegistryStatus::CannotWrite;  // never replace a file that could not be read
    bool bModifie = false;
    const RegistryStatus status = changer(lu.ruche, bModifie);
    if (status != RegistryStatus::Ok || !bModifie)
        return status;
    return replaceFileAtomically(strChemin, serializeHive(lu.ruche)) ? RegistryStatus::Ok
                                                                       : RegistryStatus::CannotWrite;
}

RegistryOutcome change(RegistryRoot racine, const Change& changer)
{
    RegistryOutcome resultat;
    const QString strChemin = registryHivePath(racine);
    // A change that cannot apply, or would change nothing, needs neither the lock nor a write.
    Hive apercu = currentHive(strChemin, resultat.damaged);
    bool bModifie = false;
    resultat.status = changer(apercu, bModifie);
    if (resultat.status == RegistryStatus::Ok && bModifie)
        resultat.status = changeLocked(strChemin, changer, resultat.damaged);
    return resultat;
}

// Finds the value to read: its status and, when Ok, the value.
RegistryOutcome findForReading(RegistryRoot racine, const QString& strCle, const QString& strNom,
                               std::optional<RegistryData>& donnee)
{
    RegistryOutcome resultat;
    const Hive ruche = currentHive(registryHivePath(racine), resultat.damaged);
    const RegistryKey* pCle = ruche.findKey(strCle);
    const RegistryValue* pValeur = pCle ? findValue(*pCle, strNom) : nullptr;
    if (!pCle)
        resultat.status = RegistryStatus::KeyNotFound;
    else if (!pValeur)
        resultat.status = RegistryStatus::ValueNotFound;
    else
        donnee = pValeur->donnee;
    return resultat;
}

template <class T>
RegistryOutcome readTyped(RegistryRoot racine, const QString& strCle, const QString& strNom, T& valeur)
{
    std::optional<RegistryData> donnee;
    RegistryOutcome resultat = findForReading(racine, strCle, strNom, donnee);
    if (!resultat.ok())
        return resultat;
    if (const T* pValeur = std::get_if<T>(&*donnee))
        valeur = *pValeur;
    else
        resultat.status = RegistryStatus::TypeMismatch;
    return resultat;
}

RegistryOutcome writeData(RegistryRoot racine, const QString& strCle, const QString& strNom, const RegistryData& donnee)
{
    return change(racine, [&](Hive& ruche, bool& bModifie) {
        if (!isValidKeyPath(strCle))
            return RegistryStatus::CannotCreate;
        if (!isValidValueName(strNom))
            return RegistryStatus::CannotWrite;
        RegistryKey* pCle = ruche.findKey(strCle);
        bModifie = !pCle;
        if (!pCle)
            pCle = &ruche.createKey(strCle);
        bModifie = setValue(*pCle, strNom, donnee) || bModifie;
        return RegistryStatus::Ok;
    });
}

}  // namespace

RegistryOutcome openRegistryKey(RegistryRoot racine, const QString& strCle)
{
    RegistryOutcome resultat;
    const Hive ruche = currentHive(registryHivePath(racine), resultat.damaged);
    if (!ruche.findKey(strCle))
        resultat.status = RegistryStatus::KeyNotFound;
    return resultat;
}

RegistryOutcome createRegistryKey(RegistryRoot racine, const QString& strCle)
{
    return change(racine, [&](Hive& ruche, bool& bModifie) {
        if (!isValidKeyPath(strCle))
            return RegistryStatus::CannotCreate;
        bModifie = !ruche.findKey(strCle);
        if (bModifie)
            ruche.createKey(strCle);
        return RegistryStatus::Ok;
    });
}

RegistryOutcome readRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                 QString& strValeur)
{
    return readTyped(racine, strCle, strNom, strValeur);
}

RegistryOutcome readRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                    qint32& nValeur)
{
    return readTyped(racine, strCle, strNom, nValeur);
}

RegistryOutcome writeRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                  const QString& strValeur)
{
    return writeData(racine, strCle, strNom, strValeur);
}

RegistryOutcome writeRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                     qint32 nValeur)
{
    return writeData(racine, strCle, strNom, nValeur);
}

RegistryOutcome deleteRegistryKey(RegistryRoot racine, const QString& strCle)
{
    return change(racine, [&](Hive& ruche, bool& bModifie) {
        if (!ruche.findKey(strCle))
            return RegistryStatus::KeyNotFound;
        if (ruche.hasSubkeys(strCle))
            return RegistryStatus::HasSubkeys;
        bModifie = ruche.removeKey(strCle);
        return RegistryStatus::Ok;
    });
}

RegistryOutcome deleteRegistryValue(RegistryRoot racine, const QString& strCle, const QString& strNom)
{
    return change(racine, [&](Hive& ruche, bool& bModifie) {
        RegistryKey* pCle = ruche.findKey(strCle);
        if (!pCle)
            return RegistryStatus::KeyNotFound;
        bModifie = removeValue(*pCle, strNom);
        return bModifie ? RegistryStatus::Ok : RegistryStatus::ValueNotFound;
    });
}

}  // namespace kervane
