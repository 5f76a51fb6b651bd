#pragma once
// The catalogue a new Jet 3 or Jet 4 file starts with, as the empty files of Access hold it: the
// system tables MSysObjects, MSysACEs, MSysQueries and MSysRelationships (their columns, numbered
// and flagged as Access numbers and flags them, and their indexes), the rows MSysObjects lists
// (the containers "Tables", "Databases" and "Relationships", MSysDb, the four tables) and the
// permissions MSysACEs gives them.
#include "driver/jet/schema/JetTableDefinition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

// The four system tables in the order of their definition pages (2 to 5).
std::vector<JetNewTable> systemTables(bool jet3);

// Writes the rows of MSysObjects and MSysACEs into `pages`, whose system tables are already laid
// out (empty), each object created and updated at `created` (days since 1899-12-30); false with
// a French message when a row cannot be written.
bool writeCatalogueRows(JetPages& pages, double created, std::string& error);

}  // namespace kervane::jet
