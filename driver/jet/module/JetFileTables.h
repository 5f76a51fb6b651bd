#pragma once
// The tables of an Access file are declared to SQLite only when a statement first names them:
// a file of thousands of tables opens without SQLite parsing a declaration for each. Until
// then the catalogue lists them through kervane_file_tables and kervane_file_columns.
#include "driver/sql/SchemaCatalogue.h"

#include <string>
#include <string_view>

struct sqlite3;

namespace kervane::jet {

class JetFile;

// The tables of `db` kervane_file_tables(name, system): the tables of the file, those a
// transaction under way removed left out, in the file's order; and kervane_file_columns(name,
// type, notnull, cid, tbl): the columns of the file's table whose rowid in kervane_file_tables
// is tbl (required), as pragma_table_info gives them once it is declared.
bool registerFileListings(sqlite3* db, JetFile& file);

// Declares the file's table named `name` (case ignored as SQLite ignores it) in the main
// schema, under its stored name: Unneeded when the file has no such table or it is declared
// already, Refused when SQLite refuses it (its definition unreadable: the reason is then the
// connection's last error).
sql::SchemaCatalogue::Declared declareFileTable(sqlite3* db, const JetFile& file, std::string_view name);

// The statement that declares the file's table stored as `name` through the tables' module.
std::string fileTableDeclaration(std::string_view name);

// Declares every table of the file not declared yet, for SQLite used directly, without the
// driver's statements to name them; those SQLite refuses stay undeclared.
void declareFileTables(sqlite3* db, const JetFile& file);

}  // namespace kervane::jet
