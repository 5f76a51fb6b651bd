#pragma once

#include <string>

struct sqlite3;

namespace kervane::jet {

// True when the file starts like a Jet database: bytes 4..18 are "Standard Jet DB".
bool isJetFile(const std::string& path);

// Opens the Jet file read-only (never written: the OS-level open is read-only) and declares
// every table of it as a read-only virtual table of the same name in the main schema of db.
// Returns false with a French message in errorMessage when the file cannot be read
// (missing, empty, not Jet, truncated, damaged); then db is left as it was.
bool attachJetDatabase(sqlite3* db, const std::string& path, std::string& errorMessage);

}  // namespace kervane::jet
