#pragma once
// The typed hive store standing for the registry: two roots, hierarchical keys, text and
// 32-bit integer values. Every operation answers with a status, never an exception.
//
// Reads use the hive as it is on disk, parsed again only when its file changed. Writes
// re-read it under an exclusive lock, apply the change and replace the file atomically, so
// that a crash or another running program never leaves a half-written hive nor loses a
// change. A hive file that cannot be parsed is put aside under another name, the operation
// goes on with an empty hive, and the outcome says so.
#include "platform/RegistryTypes.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

namespace kervane {

// Ok when the key exists, KeyNotFound otherwise.
RegistryOutcome openRegistryKey(RegistryRoot racine, const QString& strCle);
// Creates the key and its missing parents; Ok when it already exists.
RegistryOutcome createRegistryKey(RegistryRoot racine, const QString& strCle);

RegistryOutcome readRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                 QString& strValeur);
RegistryOutcome readRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                    qint32& nValeur);

// Both create the key when missing and replace a value of either type.
RegistryOutcome writeRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                  const QString& strValeur);
RegistryOutcome writeRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                     qint32 nValeur);

// Deletes the key with its values; refused (HasSubkeys) while it has subkeys.
RegistryOutcome deleteRegistryKey(RegistryRoot racine, const QString& strCle);
RegistryOutcome deleteRegistryValue(RegistryRoot racine, const QString& strCle, const QString& strNom);

// One logical operation made of many reads and writes. While a batch lives, the operations
// of its thread on a hive take that hive's lock at their first use, a read included (making
// the hive's folder if needed), and keep it; they work on the hive in memory, answer at once
// as they would alone, and see each other's changes.
// commit() then writes each changed hive once, atomically (one fsync, and the folder's);
// a batch ended without commit writes nothing. A batch started while another is alive on
// the same thread joins it: the outer one commits. Locks are released when the batch ends.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // The hives that could not be written (each left as it was); empty when all went well.
    std::vector<BatchFailure> commit();

private:
    friend struct BatchAccess;
    struct LockedHive;
    std::array<std::unique_ptr<LockedHive>, 2> m_ruches;  // by root
};

RegistryCounters registryCounters();

}  // namespace kervane
