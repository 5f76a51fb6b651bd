#include "driver/jet/schema/JetColumnRetyping.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/rows/JetRowWalk.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetRelationshipRemoval.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetLongValueStore.h"
#include "driver/jet/write/JetTableWriter.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace kervane::jet {
namespace retyping {

constexpr std::size_t kLongValueEntry = 10;  // column, then its two maps

std::string named(const std::string& column, const std::string& table)
{
    return "La colonne « " + column + " » de la table « " + table + " »";
}

// Access changes no column a relationship joins, its integrity enforced or not, nor makes an
// index hold a long value.
bool changeAllowed(JetPages& pages, const std::vector<JetRealIndex>& indexes, const std::string& table,
                   const JetLayoutColumn& column, JetType type, std::string& error)
{
    bool related = false;
    for (const JetRealIndex& index : indexes) {
        const bool holds = std::any_of(index.columns.begin(), index.columns.end(),
                                       [&](const JetRealIndexColumn& key) { return key.number == column.number; });
        related = holds && (index.foreignKey || !index.references.empty());
        if (related)
            break;
        if (holds && isLongValue(type)) {
            error = "La colonne Mémo ou OLE « " + column.name + " » ne peut pas faire partie d'un index.";
            return false;
        }
    }
    if (!related && !recordedRelationship(pages, table, related, error, column.name))
        return false;
    if (related)
        error = named(column.name, table) + " fait partie d'une ou plusieurs relations : son type ne peut pas "
                "changer. Supprimez d'abord ces relations.";
    return !related;
}

// Every row's values, the column at `position` converted; refused at the first row whose value
// does not convert, which the message names by its place in a scan.
bool convertedRows(JetPages& pages, const JetTableLayout& before, const std::string& table, std::size_t position,
                   const JetLayoutColumn& after, const ColumnConversion& convert,
                   std::vector<std::vector<JetFieldValue>>& rows, std::string& error)
{
    return walkRows(pages, before, table, [&](JetRowId, const std::vector<unsigned char>& row, std::string& failure) {
        std::vector<JetFieldValue> values;
        std::string why;
        if (!copiedValues(pages, before, row, values, failure))
            return false;
        JetFieldValue converted;
        if (!convert(before.columns[position], after, values[position], converted, why)) {
            failure = named(after.name, table) + " ne peut pas changer de type : la valeur de la ligne " +
                      std::to_string(rows.size() + 1) + " ne s'y convertit pas (" + why + ").";
            return false;
        }
        values[position] = std::move(converted);
        rows.push_back(std::move(values));
        return true;
    }, error);
}

// The columns numbered again in the order of their numbers, the fixed ones packed from the row's
// start, the variable ones given their entries in turn; `changed` (at `position`) placed as its
// new type has it. `numbers` maps each former number to the new one.
JetTableLayout renumbered(const JetTableLayout& before, std::size_t position, const JetLayoutColumn& changed,
                          std::map<int, int>& numbers)
{
    JetTableLayout after = before;
    after.columns[position] = changed;
    std::vector<std::size_t> order(before.columns.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return before.columns[a].number < before.columns[b].number;
    });
    int fixedEnd = 0;
    after.variableColumns = 0;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        JetLayoutColumn& column = after.columns[order[rank]];
        numbers[before.columns[order[rank]].number] = static_cast<int>(rank);
        column.number = static_cast<int>(rank);
        if (column.fixed()) {
            column.fixedOffset = fixedEnd;
            fixedEnd += fixedSize(column);
        } else {
            column.variableIndex = after.variableColumns++;
        }
    }
    after.maxColumns = static_cast<int>(order.size());
    return after;
}

// A column block kept as Access left it, its place in a row changed.
void replace(std::vector<unsigned char>& block, const JetLayoutColumn& placed, const JetFileFormat& format)
{
    writeUInt16(block.data(), format.columnNumber, static_cast<unsigned>(placed.number));
    writeUInt16(block.data(), format.jet3 ? 5 : 9, static_cast<unsigned>(placed.number));
    writeUInt16(block.data(), format.columnVariableIndex, static_cast<unsigned>(placed.variableIndex));
    writeUInt16(block.data(), format.columnFixedOffset, static_cast<unsigned>(placed.fixedOffset));
}

struct NewMaps {
    JetRowId owned;
    JetRowId withRoom;
    std::vector<std::uint32_t> roots;
    std::vector<JetRowId> indexMaps;
    std::vector<std::pair<JetRowId, JetRowId>> longValueMaps;  // by column, in the layout's order
};

// The empty maps and index roots of the table laid again, on a page of maps of their own.
bool placeMaps(JetPages& pages, std::uint32_t definitionPage, const JetTableLayout& after, std::size_t indexes,
               NewMaps& maps, std::string& error)
{
    const JetFileFormat& format = *after.format;
    const std::uint32_t mapPage = structurePage(pages);
    unsigned char* page = mapPage == 0 ? nullptr : pages.change(mapPage);
    if (page == nullptr) {
        error = "Le fichier ne peut pas recevoir les pages de la table changée.";
        return false;
    }
    datapage::initialise(page, 0, format);
    const auto add = [&](std::uint32_t first, bool index, JetRowId& where) {
        return addMapRow(pages, mapPage, inlineUsageMap(format, first, index), where, error);
    };
    if (!add(definitionPage, false, maps.owned) || !add(definitionPage, false, maps.withRoom))
        return false;
    for (std::size_t i = 0; i < indexes; ++i) {
        const std::uint32_t root = structurePage(pages);
        JetRowId where;
        if (root == 0 || !writeEmptyRoot(pages, root, definitionPage) || !add(root, true, where)) {
            error = error.empty() ? "Le fichier ne peut pas recevoir les pages d'index de la table changée." : error;
            return false;
        }
        maps.roots.push_back(root);
        maps.indexMaps.push_back(where);
    }
    for (const JetLayoutColumn& column : after.columns) {
        if (!isLongValue(column.type))
            continue;
        std::pair<JetRowId, JetRowId> both;
        if (!add(definitionPage, false, both.first) || !add(definitionPage, false, both.second))
            return false;
        maps.longValueMaps.push_back(both);
    }
    return true;
}

// The definition of the table laid again: its header's counts and maps (its AutoNumber counter
// kept, so that the numbers of rows deleted since are not given again), the columns' blocks, the
// stored indexes' keys, roots and maps, the long values' maps; the indexes as the user sees them
// (those of relationships included) stay as they were.
void relaid(JetDefinitionImage& image, const JetTableLayout& after, std::size_t position,
            std::vector<unsigned char> changedBlock, const std::map<int, int>& numbers, const NewMaps& maps)
{
    const JetFileFormat& format = *after.format;
    unsigned char* header = image.header.data();
    writeUInt32(header, format.definitionRowCount, 0);
    writeUInt16(header, format.definitionMaxColumns, static_cast<unsigned>(after.maxColumns));
    writeUInt16(header, format.definitionVariableColumns, static_cast<unsigned>(after.variableColumns));
    writeUInt32(header, format.definitionOwnedPages, pointerOf(maps.owned));
    writeUInt32(header, format.definitionFreeSpacePages, pointerOf(maps.withRoom));
    for (std::vector<unsigned char>& count : image.indexCounts)
        std::fill(count.begin(), count.end(), 0);
    for (std::size_t c = 0; c < image.columns.size(); ++c) {
        if (c == position)
            image.columns[c].block = changedBlock;
        else
            replace(image.columns[c].block, after.columns[c], format);
    }
    for (std::size_t i = 0; i < image.realIndexes.size(); ++i) {
        std::vector<unsigned char>& block = image.realIndexes[i];
        for (int k = 0; k < kIndexKeySlots; ++k) {
            const int at = format.realIndexKeys + 3 * k;
            const auto found = numbers.find(static_cast<int>(readUInt16(block.data(), at)));
            if (found != numbers.end())
                writeUInt16(block.data(), at, static_cast<unsigned>(found->second));
        }
        writeUInt32(block.data(), format.realIndexUsageMap, pointerOf(maps.indexMaps[i]));
        writeUInt32(block.data(), format.realIndexRoot, maps.roots[i]);
    }
    image.tail.clear();
    std::size_t next = 0;
    for (const JetLayoutColumn& column : after.columns) {
        if (!isLongValue(column.type))
            continue;
        std::vector<unsigned char> entry(kLongValueEntry, 0);
        writeUInt16(entry.data(), 0, static_cast<unsigned>(column.number));
        writeUInt32(entry.data(), 2, pointerOf(maps.longValueMaps[next].first));
        writeUInt32(entry.data(), 6, pointerOf(maps.longValueMaps[next].second));
        image.tail.insert(image.tail.end(), entry.begin(), entry.end());
        ++next;
    }
    image.tail.push_back(0xff);
    image.tail.push_back(0xff);
}

// The rows written again through the writer, which builds the indexes as it goes; a key the
// conversion made twice in a unique index is refused with the row's number.
bool rewriteRows(JetPages& pages, std::uint32_t definitionPage, const std::string& table, JetRelatedRows* related,
                 std::vector<std::vector<JetFieldValue>> rows, std::string& error)
{
    JetTableWriter writer;
    if (!JetTableWriter::open(pages, definitionPage, table, writer, error, related))
        return false;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        JetRowId where;
        std::string refused;
        if (!writer.insert(std::move(rows[r]), where, refused)) {
            error = "La ligne " + std::to_string(r + 1) + " de la table « " + table +
                    " » ne peut pas prendre le nouveau type de sa colonne. " + refused;
            return false;
        }
    }
    return true;
}

}  // namespace retyping

bool typesConvert(JetType from, JetType to, std::string& why)
{
    if (isBinary(from) != isBinary(to))
        why = isBinary(from) ? "ses valeurs binaires ne deviennent que des valeurs binaires"
                                     : "seules des valeurs binaires deviennent des valeurs binaires";
    else if (to == JetType::Guid && from != JetType::Guid && from != JetType::Text && from != JetType::Memo)
        why = "seul un texte devient un identifiant de réplication";
    else
        return true;
    return false;
}

bool retypeColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetNewColumn& column,
                  const ColumnConversion& convert, JetRelatedRows* related, std::string& error)
{
    LoadedDefinition loaded;
    std::vector<JetRealIndex> indexes;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetTableLayout& before = loaded.layout;
    const JetFileFormat& format = *before.format;
    const JetLayoutColumn* found = columnNamed(before, column.name);
    if (found == nullptr) {
        error = "La table « " + table + " » n'a pas de colonne nommée « " + column.name + " ».";
        return false;
    }
    std::string why;
    if (!typesConvert(found->type, column.type, why)) {
        error = retyping::named(column.name, table) + " ne peut pas changer de type : " + why + ".";
        return false;
    }
    if (!readRealIndexes(pages, definitionPage, indexes, error, format) ||
        !retyping::changeAllowed(pages, indexes, table, *found, column.type, error))
        return false;
    const std::size_t position = positionOf(before, *found);
    JetNewTable alone;
    alone.columns.push_back(column);
    JetLayoutColumn placed = plannedLayout(alone, format).columns.front();
    std::vector<std::vector<JetFieldValue>> rows;
    if (!retyping::convertedRows(pages, before, table, position, placed, convert, rows, error))
        return false;
    std::map<int, int> numbers;
    const JetTableLayout after = retyping::renumbered(before, position, placed, numbers);
    retyping::NewMaps maps;
    if (!releaseTablePages(pages, before, indexes, error) ||
        !retyping::placeMaps(pages, definitionPage, after, indexes.size(), maps, error))
        return false;
    retyping::relaid(loaded.image, after, position,
                     columnBlock(column, after.columns[position], format, fileTextSettings(pages)), numbers, maps);
    return rewriteDefinition(pages, definitionPage, loaded.image.bytes(), error) &&
           retyping::rewriteRows(pages, definitionPage, table, related, std::move(rows), error);
}

}  // namespace kervane::jet
