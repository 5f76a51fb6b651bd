#pragma once
// What a compaction copies once the tables and their rows are in the new file: the
// relationships (those whose integrity Access enforces made again with their indexes, the
// others only recorded), then the rest of the catalogue: stored queries, Access's own objects,
// properties and rights.
#include "driver/jet/compact/JetCompactTables.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

// The new definition page of each table copied, by name (case kept as the catalogue has it).
using PlacedTables = std::map<std::string, std::uint32_t>;

// False with a French message when a relationship cannot be made again (a table it joins was not
// copied, the rows no longer meet its integrity).
bool copyRelationships(JetPages& source, JetPages& target, const PlacedTables& tables, std::string& error);

// The new Id of each table copied, by its Id in the file copied.
using TableIds = std::map<std::int64_t, std::int64_t>;

// The catalogue's other rows (stored queries with their MSysQueries rows, containers, Access's own
// objects: forms, reports, modules, the database's summary), each keeping its Id and its place
// in the catalogue's order; those the new file has already only take the properties of the file
// copied. Then the rights MSysACEs gives on what was copied, a table's under its new Id. False
// with a French message when the new file's catalogue refuses a row.
bool copyOtherObjects(JetPages& source, JetPages& target, const TableIds& tables, std::string& error);

}  // namespace kervane::jet
