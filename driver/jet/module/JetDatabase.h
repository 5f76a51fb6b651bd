#pragma once
// An Access file attached to a SQLite connection: its tables declared as virtual tables of the
// connection, its stored queries handed back to become views.
#include "driver/jet/catalogue/JetQueries.h"
#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetPageCipher.h"

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace kervane::jet {

class JetFile;

// The catalogue of an opened file as it now stands on disk, listed by the driver's own checked
// reading (never by libmdb, which may crash on a damaged one); nothing when that reading cannot
// vouch for it. Called under the file's readers' lock.
std::optional<Catalogue> listedCatalogue(JetFile& file);

// True when the file starts like a Jet database: bytes 4..18 are "Standard Jet DB".
bool isJetFile(const std::string& path);

// Opens the Jet file for reading (libmdb's open is read-only) and declares every table of it,
// user and system (MSys...), as a virtual table of the same name in the main schema of db.
// Changes to its rows go through a separate writer, only inside a transaction, and are
// refused on files marked read-only and wherever the writer cannot make them exactly. Text and memo columns are declared COLLATE ACCESS, the collation
// this registers on db. When `queries` is given, it receives the file's stored queries.
// Only the catalogue is read here: a table's definition is read when a statement first uses
// the table, and a damaged one makes that statement fail with a French message.
// Returns false with a French message in errorMessage when the file cannot be read
// (missing, empty, not Jet, truncated, a damaged catalogue); then db is left without any
// table of the file. When `opened` is given, it receives the opened file, which db owns: it
// lives as long as the connection. `encryption`: the cipher the password of an encrypted Access
// 2007 or later file opened (JetPageCipher::ofEncryptedHeader), needed to read one.
bool attachJetDatabase(sqlite3* db, const std::string& path, std::string& errorMessage,
                       std::vector<StoredQuery>* queries = nullptr, JetFile** opened = nullptr,
                       bool exclusive = false, const JetPageCipher& encryption = {});

}  // namespace kervane::jet
