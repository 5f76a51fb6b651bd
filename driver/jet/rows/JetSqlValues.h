#pragma once
// The values SQLite hands to a change of a Jet table, as the row writer takes them: converted
// by the Access type of their column, the forms the tables give back (dates as
// "yyyy-mm-dd hh:mm:ss", currency and decimal as exact texts, Yes/No as -1 and 0) included.
#include "driver/jet/rows/JetRowEncoding.h"

#include <string>
#include <vector>

struct sqlite3_value;

namespace kervane::jet {

// False with a French message naming the column when the value cannot stand in that column
// (a text where a number is expected, a date out of Access's range, a number as an OLE
// object...). Lengths and limits are left to the row writer, which checks them all.
bool fieldValueOf(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error);

// SQL reads a date to the second: each date of `values` that is the one `stored` holds, read so,
// takes back the value stored (a fraction of a second included), so that a row rewritten for
// another column changes no date the statement left alone. `stored` as storedValues() gives it.
void keepDatesAsStored(const JetTableLayout& layout, const std::vector<JetFieldValue>& stored,
                       std::vector<JetFieldValue>& values);

}  // namespace kervane::jet
