#pragma once
// What a table's design properties say of its columns, read where the writer reads: a value
// required, a default value (JetColumnProperties.h).
#include "driver/jet/format/JetColumnProperties.h"
#include "driver/jet/file/JetFile.h"

#include <map>
#include <string>

namespace kervane::jet {

class JetPages;

// By column name as the properties spell it; read through `pages` (a transaction's), or through
// the file and the transaction's pages laid over it when nullptr. Empty when the table has none,
// or when the catalogue cannot be read through the writer's pages (a file the writer refuses).
std::map<std::string, ColumnProperties> columnDesign(JetFile& file, const JetTable& table, JetPages* pages = nullptr);

// The properties of `column` in `design`, its name compared without regard to case; nullptr
// when it has none.
const ColumnProperties* designOf(const std::map<std::string, ColumnProperties>& design, const std::string& column);

}  // namespace kervane::jet
