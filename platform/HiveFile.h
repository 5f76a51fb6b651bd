#pragma once
// Where the hive files are, and how they are read, locked, replaced and put aside.
#include "platform/Hive.h"
#include "platform/RegistryTypes.h"
#include "platform/UniqueFd.h"

#include <QString>

namespace kervane {

// KERVANE_REGISTRY_DIR, else $XDG_CONFIG_HOME/Brintek, else ~/.config/Brintek; read each time.
QString registryFolder();
// The hive file of that root: <folder>/HKEY_CURRENT_USER.reg or HKEY_LOCAL_MACHINE.reg.
QString registryHivePath(RegistryRoot racine);

enum class HiveState { Loaded, Damaged, Unreadable };

struct LoadedHive {
    HiveState etat = HiveState::Loaded;
    Hive ruche;  // empty unless Loaded; a missing file is an empty hive
};

LoadedHive loadHive(const QString& strChemin);

// The exclusive lock of one hive, held on a lock file beside it for the object's lifetime.
// A lock held by another process is waited for, up to the timeout.
class HiveLock {
public:
    explicit HiveLock(const QString& strCheminRuche, int nDelaiMs = 10000);
    bool acquired() const { return m_fd.valid(); }

private:
    UniqueFd m_fd;
};

// Replaces the file with the contents: temporary file in the same folder, flushed to disk,
// renamed over the file. The caller holds the hive's lock.
bool replaceFileAtomically(const QString& strChemin, const QByteArray& contenu);

// Renames the file to <name>.endommagé-<yyyyMMdd-hhmmss>[-n], never over an existing file.
// Returns the new path, or an empty text when the file could not be moved.
QString putFileAside(const QString& strChemin);

}  // namespace kervane
