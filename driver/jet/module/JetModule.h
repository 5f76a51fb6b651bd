#pragma once
// The SQLite virtual-table module over an opened Jet file: one table per Access table, read by
// full scans (or the driver's own indexes), its rows changed through the connection's Jet
// transaction (JetTransaction.h) where the writer can change them exactly.
#include <memory>
#include <string>

struct sqlite3;

namespace kervane::jet {

class JetFile;

// Registers a module owning `file` on `db`, through which the file's tables are declared when
// first named (JetFileTables.h). On failure db keeps no module and `error` says why.
bool declareJetTables(sqlite3* db, std::unique_ptr<JetFile> file, std::string& error);

}  // namespace kervane::jet
