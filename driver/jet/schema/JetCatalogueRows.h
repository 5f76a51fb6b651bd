#pragma once
// The catalogue (MSysObjects) as the changes of a file's structure read and write it: its rows
// found through its indexes, their names, new objects recorded as Access records them.
#include "driver/jet/rows/JetRowWalk.h"
#include "driver/jet/write/JetTableWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::jet {

constexpr std::int64_t kTablesContainer = 0x0F000001;  // the catalogue's "Tables" entry: tables and queries

// Now as Access stores a date: days since 30 December 1899, local time, the time a fraction.
double accessNow();

// A column of `layout` by name, case ignored as Access ignores it; nullptr when none.
const JetLayoutColumn* columnNamed(const JetTableLayout& layout, std::string_view name);

// A writer on MSysObjects, or on another system table of the file (`name`) found there.
bool openCatalogue(JetPages& pages, JetTableWriter& catalogue, std::string& error);
bool openSystemTable(JetPages& pages, JetTableWriter& catalogue, const std::string& name, JetTableWriter& table,
                     std::string& error);

// Walks every row of the system table `name` (walkRows()), opened in `table`, through which the
// visit reads them.
bool walkSystemTable(JetPages& pages, const std::string& name, JetTableWriter& table, const RowVisit& visit,
                     std::string& error);

// The rows of the catalogue whose column `name` holds `value`, through its index.
bool catalogueRows(JetTableWriter& catalogue, std::string_view name, std::int64_t value, std::vector<JetRowId>& rows,
                   std::string& error);
// The text of the catalogue's row `row` in column `name`, empty when Null.
std::string catalogueText(JetTableWriter& catalogue, JetRowId row, std::string_view name);
// A Long or Integer value as a row holds it (stored bytes, or an AutoNumber already read);
// nothing for Null or any other kind.
std::optional<std::int64_t> storedNumber(const JetFieldValue& value);
// The number of the row `row` in the Long or Integer column `name`; nothing when Null.
std::optional<std::int64_t> catalogueNumber(JetTableWriter& catalogue, JetRowId row, std::string_view name);

// The catalogue row of the table or query named `name` (in any case), if there is one.
bool objectNamed(JetTableWriter& catalogue, const std::string& name, std::optional<JetRowId>& row,
                 std::string& error);
// True, with a French message, when a table or a query is named `name` already (or the
// catalogue cannot tell).
bool nameTaken(JetTableWriter& catalogue, const std::string& name, std::string& error);

struct JetCatalogueEntry {
    std::string name;
    std::int64_t id = 0;
    std::int64_t type = 1;  // 1 a local table, 5 a query
    std::int64_t flags = 0;
    std::vector<unsigned char> properties;  // its LvProp value (JetPropertyBlob.h), when any
};

// Records an object of the "Tables" container, created and updated now.
bool catalogueEntry(JetTableWriter& catalogue, const JetCatalogueEntry& entry, std::string& error);

}  // namespace kervane::jet
