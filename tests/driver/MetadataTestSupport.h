#pragma once
// Reading catalogue results by column name.
#include "tests/driver/OdbcTestSupport.h"

#include <map>

namespace kervane::test {

using Record = std::map<std::string, std::optional<std::string>>;

// Every remaining row, each value under its column's name.
std::vector<Record> records(SQLHSTMT stmt);
// The records of a catalogue call `call` made on stmt, which must succeed; the statement is
// closed after.
std::vector<Record> catalogueRows(SQLHSTMT stmt, SQLRETURN call);
// The values of one column of every record ("" for Null).
std::vector<std::string> column(const std::vector<Record>& rows, const std::string& name);
// The first record whose column `name` holds `value` (a test failure when there is none).
const Record& byName(const std::vector<Record>& rows, const std::string& name, const std::string& value);
// A name argument for the catalogue functions (they take non-const texts).
SQLCHAR* text(const char* name);

}  // namespace kervane::test
