#pragma once
// Tables made and removed in a Jet 3 or Jet 4 file as Access does it, within the pages of a
// transaction (all of it lands with its commit, or nothing): a new table gets its definition
// (JetTableDefinition.h), a data page of its usage maps, an empty root page per index, and its
// row in the catalogue (MSysObjects, kept with its indexes); a table removed gives every page it
// owned back to the file and leaves the catalogue.
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/schema/JetTableDefinition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

// The sort order (and, Jet 3, the code page) of the file's texts, as its catalogue's names have them.
JetTextSettings fileTextSettings(JetPages& pages);

// Writes the empty root page of each index of a new table; false when a page is refused.
bool writeRoots(JetPages& pages, const JetNewTablePages& placed);

// Creates `table`; `definitionPage` gets the first page of its definition, the table's identity.
// False with a French message (the pages then to be rolled back by the caller) when a name is
// taken already, a column does not fit, or the file cannot take the pages.
bool createTable(JetPages& pages, const JetNewTable& table, std::uint32_t& definitionPage, std::string& error);

// Removes the table whose definition starts on `definitionPage` (`name` for messages). False
// with a French message when its catalogue row or its maps cannot be found.
bool dropTable(JetPages& pages, std::uint32_t definitionPage, const std::string& name, std::string& error);

// Gives back to the file every page the maps of the table (`layout`, its stored `indexes`) mark,
// its data, index and long-value pages, and takes the maps' rows out; its definition stays.
// False with a French message when a map's row cannot be found.
bool releaseTablePages(JetPages& pages, const JetTableLayout& layout, const std::vector<JetRealIndex>& indexes,
                       std::string& error);

// The design properties of the table whose definition starts on `definitionPage`: the LvProp
// value of its catalogue row (JetPropertyBlob.h), empty when it has none. False with a French
// message when the catalogue cannot be read.
bool tableProperties(JetPages& pages, std::uint32_t definitionPage, std::vector<unsigned char>& bytes,
                     std::string& error);

}  // namespace kervane::jet
