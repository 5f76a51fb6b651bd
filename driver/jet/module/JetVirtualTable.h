#pragma once
// What the Jet virtual-table module keeps for a connection and for each of its tables; shared
// by the module's reading and writing halves.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/index/JetIndex.h"
#include "driver/jet/module/JetScanControl.h"
#include "driver/jet/module/JetTableOrders.h"
#include "driver/jet/module/JetTransaction.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace kervane::jet {

// What the module owns for its connection: the file, released when the connection closes.
struct ModuleState {
    sqlite3* db = nullptr;  // the connection, whose functions convert a column's values
    std::unique_ptr<JetFile> file;
    std::shared_ptr<ScanControl> scans;   // the connection's interrupt request
    std::unique_ptr<IndexStore> indexes;  // made on first use, for the connection's life
    TableOrderStore orders;               // the orders the tables' indexes give, read once
    std::unique_ptr<JetTransaction> transaction;  // the connection's changes of the file
};

struct JetVirtualTable {
    sqlite3_vtab base{};
    ModuleState* state = nullptr;
    const JetTable* table = nullptr;
};

inline JetVirtualTable& virtualTableOf(sqlite3_vtab* vtab)
{
    return *reinterpret_cast<JetVirtualTable*>(vtab);
}

void setError(sqlite3_vtab* vtab, const std::string& message);

// The writing half: INSERT, UPDATE and DELETE by rowid, and the transaction's course.
int updateRow(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite_int64* rowid);
int beginChanges(sqlite3_vtab* vtab);
int syncChanges(sqlite3_vtab* vtab);
int commitChanges(sqlite3_vtab* vtab);
int rollbackChanges(sqlite3_vtab* vtab);
int savepointChanges(sqlite3_vtab* vtab, int level);
int releaseChanges(sqlite3_vtab* vtab, int level);
int rollbackChangesTo(sqlite3_vtab* vtab, int level);

}  // namespace kervane::jet
