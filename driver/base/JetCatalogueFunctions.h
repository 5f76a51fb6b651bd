#pragma once
// SQL functions the catalogue queries use for what only an Access file tells:
// - kervane_column_property(table, column, field): what the file's design properties say of a
//   column. Field 1 gives its default value as ODBC's COLUMN_DEF writes it, field 2 whether a
//   value is required (1 or 0). NULL for a SQLite-format base, whose declarations say it all,
//   and for what the file does not say.
// - kervane_table_readable(table): 0 for a table of the file whose definition cannot be read,
//   which the catalogue then leaves out; 1 otherwise (and always for a SQLite-format base).
// - kervane_system_table(table): 1 for a table Access keeps for itself (flagged so in the
//   file's catalogue; in a SQLite-format base, named MSys… or sqlite_…), 0 otherwise.
#include <sqlite3.h>

namespace kervane::jet {
class JetFile;
}

namespace kervane::odbc {

enum class PropertyField : int {
    Default = 1,
    Required,
};

// `file` is the Access file behind db, or nullptr.
void registerJetCatalogueFunctions(sqlite3* db, jet::JetFile* file);

}  // namespace kervane::odbc
