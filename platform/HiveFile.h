#pragma once
// Where the hive files are, and how they are read, locked, replaced and put aside.
#include "platform/Hive.h"
#include "platform/RegistryTypes.h"
#include "platform/UniqueFd.h"

#include <QString>
#include <memory>

namespace kervane {

// KERVANE_REGISTRY_DIR, else $XDG_CONFIG_HOME/Brintek, else ~/.config/Brintek; read each time.
QString registryFolder();
// The hive file of that root: <folder>/HKEY_CURRENT_USER.reg or HKEY_LOCAL_MACHINE.reg.
QString registryHivePath(RegistryRoot racine);

enum class HiveState { Loaded, Damaged, Unreadable };

struct LoadedHive {
    HiveState etat = HiveState::Loaded;
    std::shared_ptr<const Hive> ruche;  // empty unless Loaded, null when Damaged; a missing file is an empty hive
};

// The hive of that file. The process keeps the last hive parsed or written for each file and
// parses the file again only when it is no longer the same on disk: another device, inode,
// size, modification or change time (to the nanosecond). The file a kept hive came from
// stays open, so that its inode number cannot be given to a newer file meanwhile; hives are
// replaced by renaming, never rewritten in place, so a new version always shows.
LoadedHive loadHive(const QString& strChemin);

// Writes the hive into the file (see replaceFileAtomically) and keeps it as the file's hive.
// The caller holds the hive's lock.
bool writeHive(const QString& strChemin, std::shared_ptr<const Hive> ruche);

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
// renamed over the file, the folder flushed. The caller holds the hive's lock. Returns the
// replaced file, open, or an invalid descriptor on failure.
UniqueFd replaceFileAtomically(const QString& strChemin, const QByteArray& contenu);

// Renames the file to <name>.endommagé-<yyyyMMdd-hhmmss>[-n], never over an existing file.
// Returns the new path, or an empty text when the file could not be moved.
QString putFileAside(const QString& strChemin);

// Hive files parsed, and fsync calls made on hive files and their folder, since the process started.
quint64 hiveFilesParsed();
quint64 hiveFsyncCalls();

}  // namespace kervane
