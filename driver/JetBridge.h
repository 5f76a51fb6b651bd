#pragma once
// Hands a Jet file to the Jet reader, which declares its tables in db.
#include <sqlite3.h>

#include <string>

namespace kervane::odbc {

bool attachJet(sqlite3* db, const std::string& path, std::string& errorMessage);

}  // namespace kervane::odbc
