#include "driver/jet/schema/JetRelationshipRemoval.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <map>
#include <set>

namespace kervane::jet {
namespace relationshipremoval {

constexpr unsigned char kRelationshipKind = 2;
constexpr unsigned char kReferringSide = 2;
constexpr std::uint32_t kNoTable = 0xffffffff;

std::uint32_t field(const std::vector<unsigned char>& block, std::size_t at)
{
    return readUInt32(block.data(), static_cast<int>(at));
}

// The tables the relationships of `image` join it to (itself too, when related to itself).
std::set<std::uint32_t> relatedTables(const JetDefinitionImage& image)
{
    std::set<std::uint32_t> tables;
    const LogicalIndexFields fields = logicalIndexFields(*image.format);
    for (const auto& index : image.logicalIndexes) {
        const std::uint32_t other = field(index.block, fields.relatedTable);
        if (other != 0 && other != kNoTable)
            tables.insert(other);
    }
    return tables;
}

// The rows of MSysRelationships that make up the relationship `name` of the table `table`.
bool relationshipRows(JetPages& pages, const std::string& table, const std::string& name, JetTableWriter& rows,
                      std::vector<JetRowId>& found, std::string& error)
{
    return walkSystemTable(pages, "MSysRelationships", rows,
                           [&](JetRowId where, const std::vector<unsigned char>&, std::string&) {
                               if (sql::equalIgnoringCase(catalogueText(rows, where, "szRelationship"), name) &&
                                   sql::equalIgnoringCase(catalogueText(rows, where, "szObject"), table))
                                   found.push_back(where);
                               return true;
                           },
                           error);
}

}  // namespace relationshipremoval

bool referringRelationships(JetPages& pages, const std::string& table, std::vector<std::string>& names,
                            bool& referred, std::string& error)
{
    JetTableWriter rows;
    names.clear();
    referred = false;
    return walkSystemTable(pages, "MSysRelationships", rows,
                           [&](JetRowId where, const std::vector<unsigned char>&, std::string&) {
                               const bool refers = sql::equalIgnoringCase(catalogueText(rows, where, "szObject"), table);
                               const std::string name = catalogueText(rows, where, "szRelationship");
                               if (refers && std::none_of(names.begin(), names.end(), [&](const std::string& known) {
                                       return sql::equalIgnoringCase(known, name);
                                   }))
                                   names.push_back(name);
                               referred = referred || (!refers && sql::equalIgnoringCase(
                                                                      catalogueText(rows, where, "szReferencedObject"), table));
                               return true;
                           },
                           error);
}

bool recordedRelationship(JetPages& pages, const std::string& table, bool& related, std::string& error,
                          const std::string& column)
{
    JetTableWriter rows;
    related = false;
    const auto joins = [&](JetRowId where, const char* object, const char* field) {
        return sql::equalIgnoringCase(catalogueText(rows, where, object), table) &&
               (column.empty() || sql::equalIgnoringCase(catalogueText(rows, where, field), column));
    };
    return walkSystemTable(pages, "MSysRelationships", rows,
                           [&](JetRowId where, const std::vector<unsigned char>&, std::string&) {
                               related = joins(where, "szObject", "szColumn") ||
                                         joins(where, "szReferencedObject", "szReferencedColumn");
                               return !related;  // the first one found ends the walk
                           },
                           error) ||
           related;
}

bool removeLogicalIndexes(JetPages& pages, const std::vector<std::pair<std::uint32_t, std::size_t>>& erased,
                          std::vector<std::uint32_t>& changed, std::string& error)
{
    std::map<std::uint32_t, LoadedDefinition> loaded;
    const auto load = [&](std::uint32_t page) -> LoadedDefinition* {
        auto found = loaded.find(page);
        if (found != loaded.end())
            return &found->second;
        LoadedDefinition definition;
        if (!loadDefinition(pages, page, "page " + std::to_string(page), definition, error))
            return nullptr;
        return &loaded.emplace(page, std::move(definition)).first->second;
    };
    for (const auto& [page, position] : erased) {
        LoadedDefinition* table = load(page);
        if (table == nullptr)
            return false;
        if (position >= table->image.logicalIndexes.size()) {
            error = "La table dont la définition commence page " + std::to_string(page) + " n'a pas d'index numéro " +
                    std::to_string(position) + " : la relation qui le désigne est endommagée.";
            return false;
        }
        const std::set<std::uint32_t> others = relationshipremoval::relatedTables(table->image);
        eraseLogicalIndex(pages, *table, position);
        // The related tables name this one's indexes by number: those after it move down one.
        for (const std::uint32_t other : others) {
            LoadedDefinition* related = load(other);
            if (related == nullptr)
                return false;
            const LogicalIndexFields fields = logicalIndexFields(*related->layout.format);
            for (auto& index : related->image.logicalIndexes)
                if (relationshipremoval::field(index.block, fields.relatedTable) == page)
                    writeUInt32(index.block.data(), static_cast<int>(fields.relatedIndex),
                                renumberedIndex(relationshipremoval::field(index.block, fields.relatedIndex), position));
        }
    }
    for (const auto& [page, definition] : loaded) {
        if (!rewriteDefinition(pages, page, definition.image.bytes(), error))
            return false;
        changed.push_back(page);
    }
    return true;
}

bool dropRelationship(JetPages& pages, std::uint32_t page, const std::string& table, const std::string& name,
                      bool& found, std::vector<std::uint32_t>& changed, std::string& error)
{
    found = false;
    LoadedDefinition referring;
    JetTableWriter rows;
    std::vector<JetRowId> recorded;
    if (!loadDefinition(pages, page, table, referring, error) ||
        !relationshipremoval::relationshipRows(pages, table, name, rows, recorded, error))
        return false;
    const JetFileFormat& format = *referring.layout.format;
    const LogicalIndexFields fields = logicalIndexFields(format);
    const int codePage = fileTextSettings(pages).codePage;
    const auto& indexes = referring.image.logicalIndexes;
    const auto index = std::find_if(indexes.begin(), indexes.end(), [&](const auto& candidate) {
        return candidate.block[static_cast<std::size_t>(format.logicalIndexKind)] == relationshipremoval::kRelationshipKind &&
               candidate.block[fields.relatedSide] == relationshipremoval::kReferringSide &&
               sql::equalIgnoringCase(nameText(candidate.name, format, codePage), name);
    });
    if (index == indexes.end() && recorded.empty())
        return true;
    found = true;
    // A relationship whose integrity is enforced has an index on each side; one Access only
    // records has its rows alone.
    if (index != indexes.end()) {
        const std::uint32_t other = relationshipremoval::field(index->block, fields.relatedTable);
        const std::uint32_t otherIndex = relationshipremoval::field(index->block, fields.relatedIndex);
        const auto own = static_cast<std::size_t>(index - indexes.begin());
        std::vector<std::pair<std::uint32_t, std::size_t>> erased{{page, own}};
        if (other == page)  // both sides in this table: the later one first, the earlier keeping its place
            erased = {{page, std::max<std::size_t>(own, otherIndex)}, {page, std::min<std::size_t>(own, otherIndex)}};
        else if (other != relationshipremoval::kNoTable)
            erased.emplace_back(other, otherIndex);
        if (!removeLogicalIndexes(pages, erased, changed, error))
            return false;
    }
    for (const JetRowId& row : recorded)
        if (!rows.remove(row, error))
            return false;
    return true;
}

}  // namespace kervane::jet
