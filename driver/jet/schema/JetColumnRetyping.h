#pragma once
// ALTER TABLE … ALTER COLUMN giving a column of a Jet 3 or Jet 4 table another type, within the
// pages of a transaction. The table keeps its definition page, so its catalogue row, its rights
// and the relationships and queries that name it stay as they are; everything else is laid
// again as a new table's would be: the columns numbered anew in their order, the fixed ones
// packed, every row written again with the column's value converted, the indexes built again,
// the long values laid again, the pages the table held given back. The AutoNumber counter goes
// on where it was.
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/schema/JetTableDefinition.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kervane::jet {

class JetPages;
class JetRelatedRows;

// Converts a value of the column before the change (`stored` as a copy of the row takes it:
// Null, a Yes/No value, an AutoNumber, the bytes stored, a long value's bytes read whole) into
// one of the column after it; false with a French message saying why the value does not fit.
using ColumnConversion = std::function<bool(const JetLayoutColumn& before, const JetLayoutColumn& after,
                                            const JetFieldValue& stored, JetFieldValue& converted,
                                            std::string& why)>;

// Whether Access converts values of type `from` into type `to`: binary values only into binary
// types, a replication ID only from a text or another; false with the reason in French.
bool typesConvert(JetType from, JetType to, std::string& why);

// Gives the column `column.name` of the table whose definition starts on `definitionPage` the
// type and size of `column`. Refused in French, the pages then to be rolled back by the caller,
// for a column a relationship joins, a long value (memo, OLE) a index would hold, or the first row
// (in the order of a scan, which the message names) whose value does not convert or fit.
bool retypeColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetNewColumn& column,
                  const ColumnConversion& convert, JetRelatedRows* related, std::string& error);

}  // namespace kervane::jet
