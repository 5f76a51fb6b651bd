#pragma once
// The design properties of a new table's columns, written as Access keeps them in the LvProp
// value of the table's catalogue row: "MR2\0" (Jet 4) or "KKD\0" (Jet 3), then chunks, each a
// 32-bit length (its 6-byte head included) and a 16-bit kind. The names chunk (0x80) lists the
// property names, each a 16-bit byte count and the name; a column's chunk (0x01) starts with a
// 32-bit count (6 plus the name's bytes), the 16-bit byte count of the column's name and the
// name, then each property: 16-bit length (its 8-byte head included), a flag byte (1, as Access
// sets it for these two), the value's data type (1 Yes/No, 12 Memo), the 16-bit place of its
// name in the names chunk, the value's 16-bit byte count, the value. Texts are UTF-16LE in Jet 4,
// in the file's code page in Jet 3.
#include "driver/jet/schema/JetTableDefinition.h"

#include <string>
#include <vector>

namespace kervane::jet {

// The properties "DefaultValue" (Memo) and "Required" (Yes/No, set) of the columns that have
// them; empty when none has. False with a French message when a text cannot be written in the
// file's code page (`codePage`, Jet 3).
bool columnPropertyBlob(const JetNewTable& table, bool jet3, int codePage, std::vector<unsigned char>& blob,
                        std::string& error);

}  // namespace kervane::jet
