#include "platform/RegistryStore.h"

#include "platform/HiveFile.h"

#include <QDir>
#include <QFileInfo>

namespace kervane {

// A hive as a batch holds it: locked from its first use to the end of the batch.
struct RegistryBatch::LockedHive {
    explicit LockedHive(const QString& strCheminRuche) : strChemin(strCheminRuche), verrou(std::in_place, strChemin) {}

    const Hive& ruche() const { return modifiee ? *modifiee : *lue; }

    QString strChemin;
    std::optional<HiveLock> verrou;  // released when the hive cannot serve the batch
    std::shared_ptr<const Hive> lue;  // as read under the lock
    std::shared_ptr<Hive> modifiee;   // copied from it at the first change
    QString strPremiereCle;
    bool bIndisponible = false;  // its operations go the ordinary way
};

namespace {

thread_local RegistryBatch* t_pLot = nullptr;

std::shared_ptr<const Hive> emptyHive()
{
    return std::make_shared<const Hive>();
}

std::size_t rootIndex(RegistryRoot racine)
{
    return racine == RegistryRoot::CurrentUser ? 0 : 1;
}

// One change to a hive.
struct Change {
    enum class Kind { CreateKey, SetValue, DeleteKey, DeleteValue };
    Kind genre;
    QString strCle;
    QString strNom;
    RegistryData donnee;
};

// What the change would do to the hive: its status, and whether it modifies anything.
RegistryStatus check(const Hive& ruche, const Change& changement, bool& bModifie)
{
    bModifie = false;
    const RegistryKey* pCle = ruche.findKey(changement.strCle);
    switch (changement.genre) {
    case Change::Kind::CreateKey:
        if (!isValidKeyPath(changement.strCle))
            return RegistryStatus::CannotCreate;
        bModifie = !pCle;
        return RegistryStatus::Ok;
    case Change::Kind::SetValue: {
        if (!isValidKeyPath(changement.strCle))
            return RegistryStatus::CannotCreate;
        if (!isValidValueName(changement.strNom))
            return RegistryStatus::CannotWrite;
        const RegistryValue* pValeur = pCle ? pCle->find(changement.strNom) : nullptr;
        bModifie = !pValeur || pValeur->donnee != changement.donnee;
        return RegistryStatus::Ok;
    }
    case Change::Kind::DeleteKey:
        if (!pCle)
            return RegistryStatus::KeyNotFound;
        if (ruche.hasSubkeys(changement.strCle))
            return RegistryStatus::HasSubkeys;
        bModifie = true;
        return RegistryStatus::Ok;
    case Change::Kind::DeleteValue:
        if (!pCle)
            return RegistryStatus::KeyNotFound;
        bModifie = pCle->find(changement.strNom) != nullptr;
        return bModifie ? RegistryStatus::Ok : RegistryStatus::ValueNotFound;
    }
    return RegistryStatus::CannotWrite;
}

// Applies a change that check() found valid and modifying.
void apply(Hive& ruche, const Change& changement)
{
    switch (changement.genre) {
    case Change::Kind::CreateKey:
        ruche.createKey(changement.strCle);
        break;
    case Change::Kind::SetValue:
        ruche.createKey(changement.strCle).set(changement.strNom, changement.donnee);
        break;
    case Change::Kind::DeleteKey:
        ruche.removeKey(changement.strCle);
        break;
    case Change::Kind::DeleteValue:
        ruche.findKey(changement.strCle)->remove(changement.strNom);
        break;
    }
}

// Loads the hive while holding its lock; a damaged file is put aside and noted.
LoadedHive loadLocked(const QString& strChemin, std::optional<DamagedHive>& endommage)
{
    LoadedHive lu = loadHive(strChemin);
    if (lu.etat == HiveState::Damaged) {
        endommage = DamagedHive{strChemin, putFileAside(strChemin)};
        if (!endommage->strCheminMisDeCote.isEmpty())
            lu = {HiveState::Loaded, emptyHive()};  // the empty hive now stands in its place
    }
    return lu;
}

// The hive as it is now, for reading. Unreadable counts as empty; a damaged file is put
// aside under the lock, after checking that no writer has replaced it meanwhile.
std::shared_ptr<const Hive> currentHive(const QString& strChemin, std::optional<DamagedHive>& endommage)
{
    LoadedHive lu = loadHive(strChemin);
    if (lu.etat != HiveState::Damaged)
        return lu.ruche;
    const HiveLock verrou(strChemin);
    if (!verrou.acquired()) {
        endommage = DamagedHive{strChemin, QString()};
        return emptyHive();
    }
    lu = loadLocked(strChemin, endommage);
    return lu.ruche ? lu.ruche : emptyHive();
}

RegistryStatus changeLocked(const QString& strChemin, const Change& changement,
                            std::optional<DamagedHive>& endommage)
{
    if (!QDir().mkpath(QFileInfo(strChemin).absolutePath()))
        return RegistryStatus::CannotCreate;
    const HiveLock verrou(strChemin);
    if (!verrou.acquired())
        return RegistryStatus::CannotWrite;
    const LoadedHive lu = loadLocked(strChemin, endommage);
    if (lu.etat != HiveState::Loaded)
        return RegistryStatus::CannotWrite;  // never replace a file that could not be read
    bool bModifie = false;
    const RegistryStatus status = check(*lu.ruche, changement, bModifie);
    if (status != RegistryStatus::Ok || !bModifie)
        return status;
    auto modifiee = std::make_shared<Hive>(*lu.ruche);
    apply(*modifiee, changement);
    return writeHive(strChemin, std::move(modifiee)) ? RegistryStatus::Ok : RegistryStatus::CannotWrite;
}

}  // namespace

struct BatchAccess {
    // The hive of that root in this thread's batch, locked and loaded at its first use, be it
    // a read: what the batch reads decides what it writes. Null when the operation goes the
    // ordinary way: no batch, or a hive that cannot be locked or read.
    static RegistryBatch::LockedHive* hive(RegistryRoot racine, std::optional<DamagedHive>& endommage)
    {
        if (!t_pLot)
            return nullptr;
        std::unique_ptr<RegistryBatch::LockedHive>& pRuche = t_pLot->m_ruches[rootIndex(racine)];
        const QString strChemin = registryHivePath(racine);
        if (pRuche)
            return pRuche->bIndisponible || pRuche->strChemin != strChemin ? nullptr : pRuche.get();
        if (!QDir().mkpath(QFileInfo(strChemin).absolutePath()))
            return nullptr;  // the lock file has no folder to go in
        pRuche = std::make_unique<RegistryBatch::LockedHive>(strChemin);
        if (pRuche->verrou->acquired()) {
            LoadedHive lu = loadLocked(strChemin, endommage);
            if (lu.etat == HiveState::Loaded) {
                pRuche->lue = std::move(lu.ruche);
                return pRuche.get();
            }
        }
        pRuche->verrou.reset();
        pRuche->bIndisponible = true;
        return nullptr;
    }
};

namespace {

RegistryOutcome change(RegistryRoot racine, const Change& changement)
{
    RegistryOutcome resultat;
    bool bModifie = false;
    if (auto* pRuche = BatchAccess::hive(racine, resultat.damaged)) {
        resultat.status = check(pRuche->ruche(), changement, bModifie);
        if (resultat.ok() && bModifie) {
            if (!pRuche->modifiee) {
                pRuche->modifiee = std::make_shared<Hive>(*pRuche->lue);
                pRuche->strPremiereCle = changement.strCle;
            }
            apply(*pRuche->modifiee, changement);
        }
        return resultat;
    }
    const QString strChemin = registryHivePath(racine);
    // A change that cannot apply, or would change nothing, needs neither the lock nor a write.
    resultat.status = check(*currentHive(strChemin, resultat.damaged), changement, bModifie);
    if (resultat.ok() && bModifie)
        resultat.status = changeLocked(strChemin, changement, resultat.damaged);
    return resultat;
}

std::shared_ptr<const Hive> hiveForReading(RegistryRoot racine, std::optional<DamagedHive>& endommage)
{
    if (const auto* pRuche = BatchAccess::hive(racine, endommage))
        return pRuche->modifiee ? pRuche->modifiee : pRuche->lue;
    return currentHive(registryHivePath(racine), endommage);
}

template <class T>
RegistryOutcome readTyped(RegistryRoot racine, const QString& strCle, const QString& strNom, T& valeur)
{
    RegistryOutcome resultat;
    const std::shared_ptr<const Hive> ruche = hiveForReading(racine, resultat.damaged);
    const RegistryKey* pCle = ruche->findKey(strCle);
    const RegistryValue* pValeur = pCle ? pCle->find(strNom) : nullptr;
    if (!pCle)
        resultat.status = RegistryStatus::KeyNotFound;
    else if (!pValeur)
        resultat.status = RegistryStatus::ValueNotFound;
    else if (const T* pLu = std::get_if<T>(&pValeur->donnee))
        valeur = *pLu;
    else
        resultat.status = RegistryStatus::TypeMismatch;
    return resultat;
}

}  // namespace

RegistryBatch::RegistryBatch()
{
    if (!t_pLot)
        t_pLot = this;
}

RegistryBatch::~RegistryBatch()
{
    if (t_pLot == this)
        t_pLot = nullptr;
}

std::vector<BatchFailure> RegistryBatch::commit()
{
    std::vector<BatchFailure> echecs;
    if (t_pLot != this)
        return echecs;  // joined to an outer batch, or already committed
    t_pLot = nullptr;
    for (RegistryRoot racine : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        std::unique_ptr<LockedHive>& pRuche = m_ruches[rootIndex(racine)];
        // A batch that put everything back as it was (a list deleted and written again) writes nothing.
        if (pRuche && pRuche->modifiee && !(*pRuche->modifiee == *pRuche->lue)
            && !writeHive(pRuche->strChemin, pRuche->modifiee))
            echecs.push_back({racine, pRuche->strPremiereCle});
        pRuche.reset();  // releases the lock
    }
    return echecs;
}

RegistryOutcome openRegistryKey(RegistryRoot racine, const QString& strCle)
{
    RegistryOutcome resultat;
    if (!hiveForReading(racine, resultat.damaged)->findKey(strCle))
        resultat.status = RegistryStatus::KeyNotFound;
    return resultat;
}

RegistryOutcome createRegistryKey(RegistryRoot racine, const QString& strCle)
{
    return change(racine, {Change::Kind::CreateKey, strCle, {}, {}});
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
    return change(racine, {Change::Kind::SetValue, strCle, strNom, strValeur});
}

RegistryOutcome writeRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                     qint32 nValeur)
{
    return change(racine, {Change::Kind::SetValue, strCle, strNom, nValeur});
}

RegistryOutcome deleteRegistryKey(RegistryRoot racine, const QString& strCle)
{
    return change(racine, {Change::Kind::DeleteKey, strCle, {}, {}});
}

RegistryOutcome deleteRegistryValue(RegistryRoot racine, const QString& strCle, const QString& strNom)
{
    return change(racine, {Change::Kind::DeleteValue, strCle, strNom, {}});
}

RegistryCounters registryCounters()
{
    return {hiveNameComparisons(), hiveFilesParsed(), hiveFsyncCalls()};
}

}  // namespace kervane
