#pragma once
// The catalogues the opening probe came through, kept for the life of the process: a file
// opened again unchanged (same file, size, modification and change times) needs no probe, as
// the child already walked that very catalogue without harm. Any write to the file changes
// its change time, which the owner cannot set back, so a changed file is always probed again.
// File times advance by clock ticks, not nanoseconds: two writes within one tick leave the
// same times. So only a file whose last change is some seconds old is reused by its times;
// a write after that gives it a later change time. A file whose times moved is not probed
// again either when the bytes the probe read are the same (JetCatalogueFingerprint.h).
#include "driver/jet/file/JetCatalogueCheck.h"

#include <optional>
#include <string>
#include <vector>

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

// The catalogue a probe read from the file with this identity, if one did and the file's last
// change was settled then.
std::optional<Catalogue> probedCatalogue(const FileIdentity& file);
// What a probe read from this file (the same device and inode), with the bytes it read it from
// when they were kept: the catalogue serves again while those bytes stay the same.
struct ProbedCatalogue {
    Catalogue catalogue;
    std::vector<unsigned char> fingerprint;
};
std::optional<ProbedCatalogue> probedEarlier(const FileIdentity& file);
// Remembers what a probe read (the few most recent files only), and the bytes it read it from
// when known (empty otherwise).
void rememberProbed(const FileIdentity& file, const Catalogue& catalogue, std::vector<unsigned char> fingerprint = {});

}  // namespace kervane::jet
