#pragma once
// Compacting an Access file as Access's driver does it (COMPACT_DB, REPAIR_DB): a new file of
// the same version is made from nothing (JetNewDatabase.h) and every table is copied into it
// with its rows, indexes, AutoNumber counter and properties, then every relationship and
// stored query. Rows deleted, space left by rows that grew or moved, long values deleted and
// pages no table uses any more stay behind; long values are laid again page after page.
//
// The file compacted is held for this alone while it is read (no other connection, ours or
// another program's, may have it open), and a commit a crash interrupted is first rolled back.
// The copy is made in memory and written in one step (through a temporary file given its name
// at the end), so no reader ever sees it half made: REPAIR_DB replaces the file with its copy
// only once the copy is whole and on disk.
#include <string>

namespace kervane::jet {

// Writes into `destination`, which must not exist yet, the compacted copy of `source`: encoded
// when the source is, or when `encrypt` (ENCRYPT). False with a French message (and no file
// made) when either cannot be.
bool compactDatabase(const std::string& source, const std::string& destination, bool encrypt, std::string& error);

// Replaces `path` by its compacted copy, encoded when it was. False with a French message, the
// file as it was, when it cannot be.
bool repairDatabase(const std::string& path, std::string& error);

}  // namespace kervane::jet
