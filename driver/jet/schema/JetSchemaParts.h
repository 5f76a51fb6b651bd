#pragma once
// What the changes of a file's structure share besides the catalogue (JetCatalogueRows.h): a
// definition read whole and cut into parts, usage-map rows added, rows given to a system table.
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetTableDefinition.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kervane::jet {

class JetPages;
class JetTableWriter;

constexpr std::uint32_t kCataloguePage = 2;  // MSysObjects' definition

// The place of a column of `layout` (columnNamed()) in its list.
std::size_t positionOf(const JetTableLayout& layout, const JetLayoutColumn& column);

// The definition starting on `page`, read and cut into parts; false with a French message
// naming `table`.
struct LoadedDefinition {
    JetTableLayout layout;
    JetDefinitionImage image;
};
bool loadDefinition(JetPages& pages, std::uint32_t page, const std::string& table, LoadedDefinition& loaded,
                    std::string& error);

// A name as a definition stores it (storedName()), decoded.
std::string nameText(const std::vector<unsigned char>& stored, const JetFileFormat& format, int codePage);
// The same for the `size` bytes of a name without its length.
std::string nameText(const unsigned char* bytes, std::size_t size, const JetFileFormat& format, int codePage);

// Where a logical index's block keeps its own number, and the related table's kind, index and
// page, then its two cascade bytes, as offsets from the block's start.
struct LogicalIndexFields {
    std::size_t number;
    std::size_t relatedSide;
    std::size_t relatedIndex;
    std::size_t relatedTable;
    std::size_t cascadeUpdates;
    std::size_t cascadeDeletes;
};
LogicalIndexFields logicalIndexFields(const JetFileFormat& format);

// Adds `row` to the page of maps `page`, or to a new one when it has no room; `where` its place.
bool addMapRow(JetPages& pages, std::uint32_t page, const std::vector<unsigned char>& row, JetRowId& where,
               std::string& error);
std::uint32_t pointerOf(JetRowId where);

// Writes on `page` the empty root of an index of the table whose definition starts on `owner`;
// false when the page is refused.
bool writeEmptyRoot(JetPages& pages, std::uint32_t page, std::uint32_t owner);

// Adds to `loaded` (the definition starting on `definitionPage`) the stored index `index`, with
// an empty root and its usage map's row beside the table's maps, and `logical`, the index as the
// user sees it, named `name`. The stored index takes the next number
// (loaded.image.realIndexes.size() before the call). The definition is left to be written.
bool addStoredIndex(JetPages& pages, std::uint32_t definitionPage, LoadedDefinition& loaded, const JetNewIndex& index,
                    std::vector<unsigned char> logical, const std::string& name, int codePage, std::string& error);

// Takes the index as the user sees it at `position` out of `loaded` (the definition starting on
// `definitionPage` is left to be written), with its stored index when no other uses it (its
// pages given back to the file); the indexes after it are numbered again. The tables whose
// relationships name this table's indexes by number must follow (renumberedIndex()).
void eraseLogicalIndex(JetPages& pages, LoadedDefinition& loaded, std::size_t position);

// The number logical index `number` of a table takes once its index `erased` is taken out.
inline std::uint32_t renumberedIndex(std::uint32_t number, std::size_t erased)
{
    return number > erased ? number - 1 : number;
}

// Adds a row to `table`, its columns named (the others Null).
bool insertNamed(JetTableWriter& table, const std::vector<std::pair<std::string, JetFieldValue>>& values,
                 std::string& error);

}  // namespace kervane::jet
