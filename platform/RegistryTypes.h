#pragma once
// What the registry store answers: the root chosen, the status of an operation, and the
// damaged hive that was put aside on the way, if any.
#include <QString>
#include <optional>

namespace kervane {

enum class RegistryRoot { CurrentUser, LocalMachine };

enum class RegistryStatus {
    Ok,
    KeyNotFound,    // the key does not exist (or its path is not a valid key path)
    ValueNotFound,  // the key exists, the value does not
    TypeMismatch,   // the value exists with the other type
    HasSubkeys,     // a key with subkeys cannot be deleted
    CannotCreate,   // the hive folder or the key cannot be created
    CannotWrite,    // the hive cannot be locked, read back or replaced
};

// A hive file that could not be parsed: where it was and where it has been moved to
// (empty when it could not be moved, in which case it was left untouched).
struct DamagedHive {
    QString strChemin;
    QString strCheminMisDeCote;
};

struct RegistryOutcome {
    RegistryStatus status = RegistryStatus::Ok;
    std::optional<DamagedHive> damaged;

    bool ok() const { return status == RegistryStatus::Ok; }
};

// A hive that a batch of changes could not write: nothing of the batch reached it.
struct BatchFailure {
    RegistryRoot racine = RegistryRoot::CurrentUser;
    QString strCle;  // the key of the first change made to it in the batch
};

// What the store has done since the process started, for tests and benchmarks.
struct RegistryCounters {
    quint64 nComparaisonsNoms = 0;  // name equality tests in the hives' indexes
    quint64 nAnalyses = 0;          // hive files parsed
    quint64 nFsync = 0;             // fsync calls on hive files and their folder
};

}  // namespace kervane
