#pragma once
// What the changes of a file's structure share besides the catalogue (JetCatalogueRows.h): a
// definition read whole and cut into parts, usage-map rows added, rows given to a system table.
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetDefinitionImage.h"
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

// Adds a row to `table`, its columns named (the others Null).
bool insertNamed(JetTableWriter& table, const std::vector<std::pair<std::string, JetFieldValue>>& values,
                 std::string& error);

}  // namespace kervane::jet
