#pragma once
// For the index tests: every index of a Jet 3 or Jet 4 file whose key columns are encoded here,
// walked from its root to its leaves and along them; each page read written back to the same
// bytes, and each entry's key compared with the key encoded from the row it points at.
#include <set>
#include <string>
#include <vector>

namespace kervane::test {

struct IndexTally {
    int indexes = 0;
    long textKeys = 0;            // keys of text indexes compared with the page
    long descendingTextKeys = 0;  // of which with a descending text column
    long unknownText = 0;         // rows whose key text holds a character without a known code
    // Characters (Jet 3: bytes) of the texts whose keys matched the page, and those without a
    // known code met in key texts.
    std::set<char16_t> verified;
    std::set<char16_t> unknown;

    void add(const IndexTally& other);
};

// Checks every index of the file's own tables (test failures for what differs).
IndexTally checkFileIndexes(const std::string& path, const std::string& name);

// The Jet 3 (version byte 0) or Jet 4 (version byte 1) files (.mdb) of the folder, by name.
std::vector<std::string> jetFilesIn(const std::string& folder, bool jet3);

}  // namespace kervane::test
