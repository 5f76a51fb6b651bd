#pragma once
// What a statement of definition asks of an Access file, in the terms of its writer.
#include "driver/jet/schema/JetTableDefinition.h"
#include "driver/sql/Definition.h"

#include <string>

namespace kervane::jet {

// The new table CREATE TABLE describes; false with a French message for what a Jet 3 or Jet 4
// file cannot hold, or this writer cannot write yet.
bool planNewTable(const sql::Definition& definition, const JetFileFormat& format, JetNewTable& table,
                  std::string& error);

}  // namespace kervane::jet
