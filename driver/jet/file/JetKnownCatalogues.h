#pragma once
// The catalogues openings read, kept for the life of the process: a file opened again
// unchanged (same file, size, modification and change times) is taken with the catalogue
// read the last time. Any write to the file changes its change time, which the owner cannot
// set back, so a changed file is always read again. File times advance by clock ticks, not
// nanoseconds: two writes within one tick leave the same times. So only a file whose last
// change is some seconds old is known by its times; a write after that gives it a later
// change time.
#include "driver/jet/file/JetCatalogueCheck.h"

#include <optional>
#include <string>

namespace kervane::jet {

struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modified = 0;  // nanoseconds
    long long changed = 0;   // nanoseconds
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` now; nullopt when it cannot be read.
std::optional<FileIdentity> identify(const std::string& path);

// The catalogue read from the file with this identity, if one was and the file's last change
// was settled then.
std::optional<Catalogue> knownCatalogue(const FileIdentity& file);
// Remembers the catalogue read from the file (the few most recent files only), when its last
// change is settled.
void rememberCatalogue(const FileIdentity& file, const Catalogue& catalogue);

}  // namespace kervane::jet
