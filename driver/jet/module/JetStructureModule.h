#pragma once
// The table through which a connection changes its Access file's structure: a statement of
// definition (Access SQL) inserted into it is made in the connection's Jet transaction. The
// tables made are declared by name through the module kJetTablesByName.
#include <sqlite3.h>

namespace kervane::jet {

struct ModuleState;

constexpr const char* kStructureTable = "kervane_structure";
constexpr const char* kJetTablesByName = "kervane_access";

bool registerStructureModule(sqlite3* db, ModuleState& state);

}  // namespace kervane::jet
