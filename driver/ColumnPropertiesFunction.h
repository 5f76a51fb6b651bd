#pragma once
// SQL function kervane_column_property(table, column, field) used by the catalogue queries:
// what an Access file's design properties say of a column. Field 1 gives its default value
// as ODBC's COLUMN_DEF writes it, field 2 whether a value is required (1 or 0). NULL for a
// SQLite-format base, whose declarations say it all, and for what the file does not say.
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
void registerColumnPropertyFunction(sqlite3* db, jet::JetFile* file);

}  // namespace kervane::odbc
