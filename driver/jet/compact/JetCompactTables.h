#pragma once
// What a compaction reads of the file it copies (its tables, as the catalogue lists them) and how
// it copies a table: its design, its rows one by one (long values laid again, the space deleted
// rows took left behind), its AutoNumber counter, its catalogue row's dates and properties.
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kervane::jet {

class JetPages;
struct JetTableLayout;

// A table of the catalogue (MSysObjects) to copy: its row's values that its copy keeps (dates,
// owner, flags, properties), by column.
struct CompactedObject {
    std::string name;
    std::int64_t id = 0;
    std::int64_t flags = 0;
    std::vector<std::pair<std::string, JetFieldValue>> kept;
};

// The file's tables: the user's, and those Access keeps for itself.
struct CatalogueObjects {
    std::vector<CompactedObject> tables;
    std::vector<CompactedObject> systemTables;
};

// False with a French message when the catalogue cannot be read.
bool objectsToCopy(JetPages& source, CatalogueObjects& objects, std::string& error);

// Copies `table` of `source` into `target` (a new file of the same version): `placed` gets its
// new definition page. False with a French message when something of it cannot be written.
bool copyTable(JetPages& source, JetPages& target, const CompactedObject& table, std::uint32_t& placed,
               std::string& error);

}  // namespace kervane::jet
