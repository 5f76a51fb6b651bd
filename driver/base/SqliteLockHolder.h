#pragma once
// Who holds a SQLite base that SQLite found locked: SQLite locks bytes of the base itself
// (POSIX record locks, which name the process holding them), so the program and what it is
// doing can be told to the user.
#include <string>

namespace kervane::odbc {

// " par le programme « sqlite3 » (processus n° 1234), qui y enregistre des modifications", or
// an empty text when no other process holds a lock on it (another connection of this program,
// a base in write-ahead-log mode).
std::string sqliteLockHolder(const std::string& path);

}  // namespace kervane::odbc
