#pragma once
// New, empty Access databases, as Access makes them: Jet 4 (Access 2000-2003, 4 KB pages) or
// Jet 3 (Access 97, 2 KB pages), texts in the General sort order (and, Jet 3, code page 1252).
// The file holds its header page, the map of the pages no table owns, and the catalogue
// (JetSystemCatalogue.h): nothing else.
#include "driver/jet/format/JetPageCipher.h"

#include <string>

namespace kervane::jet {

enum class JetVersion { Jet3, Jet4 };

class JetMemoryPages;

// The pages of a new database made at `created` (days since 1899-12-30), laid into `pages`
// (empty, of the version's page size); false with a French message when one of its parts cannot
// be laid out.
bool newDatabasePages(JetVersion version, double created, JetMemoryPages& pages, std::string& error);

// Writes `pages` as the file `path`: through a temporary file of the same folder, written and
// synced, then given its name, so that nothing half-made ever bears it. Unless `replacing`, the
// path must not exist yet; when it does, the file there is replaced in one step. False with a
// French message when the path exists (not replacing), its folder cannot take the file, or the
// writing fails (nothing is then left behind).
// An active `cipher` makes the file encoded: its key in the header, every other page enciphered.
bool writeDatabaseFile(const std::string& path, const JetMemoryPages& pages, bool replacing, std::string& error,
                       const JetPageCipher& cipher = {});

// Writes a new database at `path`, which must not exist yet (writeDatabaseFile()); encoded under
// a new key when `encrypt` (ENCRYPT).
bool createDatabase(const std::string& path, JetVersion version, bool encrypt, std::string& error);

}  // namespace kervane::jet
