#include "driver/jet/schema/JetTableCreation.h"

#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetPropertyBlob.h"
#include "driver/jet/schema/JetRelationshipRemoval.h"
#include "driver/jet/format/JetProperties.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/write/JetTableWriter.h"

#include <algorithm>

namespace kervane::jet {
namespace {

constexpr std::size_t kLongValueHeader = 12;         // a memo or OLE value's reference in its row

bool writeMapPage(JetPages& pages, const JetNewTable& table, const JetNewTablePages& placed, std::string& error)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    unsigned char* page = pages.change(placed.maps);
    if (page == nullptr) {
        error = "La page des cartes de la nouvelle table ne peut pas être écrite.";
        return false;
    }
    datapage::initialise(page, 0, format);
    const int rows = usageMapRows(table);
    const int firstIndexRow = indexMapRow(table, 0);
    for (int row = 0; row < rows; ++row) {
        const bool index = row >= firstIndexRow && row < firstIndexRow + static_cast<int>(placed.roots.size());
        const std::uint32_t first =
            index ? placed.roots[static_cast<std::size_t>(row - firstIndexRow)] : placed.definition;
        const std::vector<unsigned char> map = inlineUsageMap(format, first, index);
        if (!datapage::fits(page, static_cast<int>(map.size()), format)) {
            error = "La table a trop d'index et de colonnes Mémo ou OLE pour une page de cartes.";
            return false;
        }
        datapage::add(page, map, 0, format);
    }
    return true;
}

}  // namespace

bool writeRoots(JetPages& pages, const JetNewTablePages& placed)
{
    return std::all_of(placed.roots.begin(), placed.roots.end(),
                       [&](std::uint32_t root) { return writeEmptyRoot(pages, root, placed.definition); });
}

namespace {

// Marks the maps' rows deleted; a page of maps left with no row goes back to the file.
bool releaseMapRows(JetPages& pages, const std::vector<JetRowId>& maps, std::string& error)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    for (JetRowId map : maps) {
        unsigned char* page = pages.change(map.page);
        if (page == nullptr || page[0] != kDataPage || map.row >= datapage::rowCount(page, format)) {
            error = "Une carte des pages de la table (page " + std::to_string(map.page) + ") est introuvable.";
            return false;
        }
        datapage::flag(page, map.row, kRowDeleted, format);
    }
    for (JetRowId map : maps) {
        const unsigned char* page = pages.read(map.page);
        bool live = false;
        for (int row = 0; page != nullptr && row < datapage::rowCount(page, format); ++row)
            live = live || !datapage::storedSlot(page, row, format).deleted;
        if (page != nullptr && !live && map.page > kUnownedPagesMap.page)
            releasePage(pages, map.page);
    }
    return true;
}

bool releaseDefinitionPages(JetPages& pages, std::uint32_t page, std::string& error)
{
    for (int hops = 0; page != 0; ++hops) {
        const unsigned char* bytes = pages.read(page);
        if (bytes == nullptr || bytes[0] != kDefinitionPage || hops > 64) {
            error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
            return false;
        }
        const std::uint32_t next = readUInt32(bytes, kDefinitionNextPage);
        releasePage(pages, page);
        page = next;
    }
    return true;
}

}  // namespace

JetTextSettings fileTextSettings(JetPages& pages)
{
    JetTextSettings text;
    JetTableLayout catalogue;
    std::string unread;
    if (!readTableLayout(pages, kCataloguePage, catalogue, unread))
        return text;
    if (const JetLayoutColumn* name = columnNamed(catalogue, "Name")) {
        text.sortOrder = name->sortOrder != 0 ? name->sortOrder : 1033;
        text.sortVersion = name->sortVersion;
        text.codePage = name->codePage;
    }
    return text;
}

bool createTable(JetPages& pages, const JetNewTable& table, std::uint32_t& definitionPage, std::string& error)
{
    JetTableWriter catalogue;
    if (!openCatalogue(pages, catalogue, error) || nameTaken(catalogue, table.name, error))
        return false;
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    const JetTextSettings text = fileTextSettings(pages);
    JetNewTablePages placed;
    placed.roots.assign(table.indexes.size(), 0);
    placed.definition = structurePage(pages);
    placed.maps = structurePage(pages);
    for (std::uint32_t& root : placed.roots)
        root = structurePage(pages);
    if (placed.definition == 0 || placed.maps == 0 ||
        std::any_of(placed.roots.begin(), placed.roots.end(), [](std::uint32_t p) { return p == 0; })) {
        error = "Le fichier ne peut pas recevoir les pages de la nouvelle table « " + table.name + " ».";
        return false;
    }
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> properties;
    if (!columnPropertyBlob(table, format.jet3, text.codePage, properties, error))
        return false;
    if (!buildDefinition(table, format, text, placed, bytes, error) || !writeMapPage(pages, table, placed, error) ||
        !rewriteDefinition(pages, placed.definition, bytes, error))
        return false;
    if (!writeRoots(pages, placed)) {
        error = "Les pages d'index de la nouvelle table « " + table.name + " » ne peuvent pas être écrites.";
        return false;
    }
    definitionPage = placed.definition;
    JetCatalogueEntry entry{table.name, placed.definition, 1, 0, {}};
    entry.properties = std::move(properties);
    return catalogueEntry(catalogue, entry, error);
}

bool dropTable(JetPages& pages, std::uint32_t definitionPage, const std::string& name, std::string& error)
{
    JetTableWriter catalogue;
    JetTableLayout layout;
    if (!openCatalogue(pages, catalogue, error) || !readTableLayout(pages, definitionPage, layout, error))
        return false;
    std::vector<JetRealIndex> indexes;
    if (!readRealIndexes(pages, definitionPage, indexes, error, *layout.format))
        return false;
    // As Access: a table that a relationship joins to another stays while the relationship does,
    // its integrity enforced (the table's indexes say so) or not (only MSysRelationships does).
    bool related = std::any_of(indexes.begin(), indexes.end(),
                               [](const JetRealIndex& index) { return index.foreignKey || !index.references.empty(); });
    if (!related && !recordedRelationship(pages, name, related, error))
        return false;
    if (related) {
        error = "La table « " + name + " » ne peut pas être supprimée : elle fait partie d'une ou plusieurs "
                "relations. Supprimez d'abord ces relations.";
        return false;
    }
    std::vector<JetRowId> rows;
    if (!catalogueRows(catalogue, "Id", definitionPageOfId(definitionPage), rows, error))
        return false;
    if (rows.size() != 1) {
        error = "La table « " + name + " » n'a pas sa ligne dans le catalogue du fichier.";
        return false;
    }
    if (!catalogue.remove(rows.front(), error))
        return false;
    return releaseTablePages(pages, layout, indexes, error) && releaseDefinitionPages(pages, definitionPage, error);
}

bool releaseTablePages(JetPages& pages, const JetTableLayout& layout, const std::vector<JetRealIndex>& indexes,
                       std::string& error)
{
    // Every page a map of the table marks goes back to the file, then the maps' rows.
    std::vector<JetRowId> owning{layout.ownedPages};
    std::vector<JetRowId> maps{layout.ownedPages, layout.freeSpacePages};
    for (const JetRealIndex& index : indexes) {
        owning.push_back(JetRowId::fromPointer(index.usageMap));
        maps.push_back(owning.back());
    }
    for (const JetLayoutColumn& column : layout.columns) {
        if (column.hasLongValueMaps) {
            owning.push_back(JetRowId::fromPointer(column.longValueOwned));
            maps.push_back(owning.back());
            maps.push_back(JetRowId::fromPointer(column.longValueFree));
        }
    }
    for (JetRowId where : owning) {
        JetUsageMap map;
        std::string unread;  // a map that cannot be read leaves its pages for a compaction
        if (JetUsageMap::open(pages, where, map, unread))
            for (std::uint32_t page : map.pages())
                releaseMappedPage(pages, where, page);
    }
    return releaseMapRows(pages, maps, error);
}

bool tableProperties(JetPages& pages, std::uint32_t definitionPage, std::vector<unsigned char>& bytes,
                     std::string& error)
{
    bytes.clear();
    JetTableWriter catalogue;
    std::vector<JetRowId> rows;
    if (!openCatalogue(pages, catalogue, error) ||
        !catalogueRows(catalogue, "Id", definitionPageOfId(definitionPage), rows, error))
        return false;
    const JetLayoutColumn* column = columnNamed(catalogue.layout(), "LvProp");
    std::vector<JetFieldValue> values;
    if (rows.size() != 1 || column == nullptr || !catalogue.storedRow(rows.front(), values))
        return true;
    const JetFieldValue& value = values[positionOf(catalogue.layout(), *column)];
    if (value.kind != JetFieldValue::Kind::Stored || value.bytes.size() < kLongValueHeader)
        return true;
    // The value's reference, then its bytes when the row keeps them; else its long-value rows.
    PropertyChainReader reader(fileFormatFor(pages.pageSize()), pages.pageCount(),
                               [&pages](std::uint32_t page, unsigned char* buffer) {
                                   const unsigned char* read = pages.read(page);
                                   if (read != nullptr)
                                       std::copy(read, read + pages.pageSize(), buffer);
                                   return read != nullptr;
                               });
    PropertyValue read;
    std::uint32_t loopAt = 0;
    if (!reader.read(value.bytes.data(), value.bytes.data() + kLongValueHeader,
                     static_cast<long>(value.bytes.size() - kLongValueHeader), read, loopAt)) {
        error = "Les propriétés de la table (page " + std::to_string(definitionPage) + ") forment une boucle.";
        return false;
    }
    bytes = std::move(read.bytes);
    return true;
}

}  // namespace kervane::jet
