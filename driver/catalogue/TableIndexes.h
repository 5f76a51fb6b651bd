#pragma once
// The indexes and the columns of one table, as the catalogue functions describe them: from
// SQLite's own pragmas for a SQLite-format base, from the table definition for an Access file.
#include "driver/base/Database.h"

#include <optional>
#include <string>
#include <vector>

namespace kervane::odbc {

struct IndexedColumn {
    std::string name;
    bool descending = false;
};

struct TableIndex {
    std::string name;
    bool primary = false;
    bool unique = false;
    bool required = false;  // no key column may be Null
    std::vector<IndexedColumn> columns;
};

struct TableColumn {
    std::string name;
    std::string declared;  // the declared type ("TEXT(10)", "LONG"...)
    bool notNull = false;
};

struct TableDescription {
    std::string name;                    // as the schema spells it
    std::vector<TableIndex> indexes;     // the primary key first, then by name
    std::vector<TableColumn> columns;
    std::optional<long long> rowCount;   // when known without reading the rows
};

// The name given a primary key that has none of its own (SQLite's), as Access names one.
inline constexpr char PRIMARY_KEY_NAME[] = "PrimaryKey";

// The table named `table` (case ignored); nullopt when there is none or it cannot be read.
// `countRows` lets a SQLite-format base count the rows of the table.
std::optional<TableDescription> describeTable(Database& database, const std::string& table, bool countRows);

// The primary key of a description, or nullptr.
const TableIndex* primaryKey(const TableDescription& table);

}  // namespace kervane::odbc
