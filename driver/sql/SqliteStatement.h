#pragma once
// A prepared SQLite statement owned by its holder: finalized however the holder's scope is left.
#include <sqlite3.h>

#include <memory>

namespace kervane::sql {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

}  // namespace kervane::sql
