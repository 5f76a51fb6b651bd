#pragma once
// The stored queries of an Access file as views of the connection.
#include "driver/base/JetBridge.h"
#include "driver/sql/SchemaCatalogue.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace kervane::odbc {

// kv_error(text): fails the statement with text ("[SSSSS]message"); the views of queries that
// cannot run are made of it.
void registerErrorFunction(sqlite3* db);

// Select, union and crosstab queries become views of their translated SQL, in an order where
// every query a query reads exists first. Action queries (not run yet; on a read-only file
// never), parameter queries and queries that cannot be translated become views that refuse to
// run with a French message saying why, so that they are still listed and named.
void createStoredQueryViews(sqlite3* db, sql::SchemaCatalogue& catalogue, const std::string& path,
                            std::vector<StoredQueryText> queries, bool readOnly);

}  // namespace kervane::odbc
