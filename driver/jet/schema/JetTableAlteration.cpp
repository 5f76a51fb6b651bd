#include "driver/jet/schema/JetTableAlteration.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/rows/JetRowWalk.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetRelationshipRemoval.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/Characters.h"
#include "driver/semantics/UtfCoding.h"

#include <algorithm>

namespace kervane::jet {
namespace {

constexpr unsigned char kForeignKeyKind = 2;

// The relationship fields of a logical index: the related table's page, after its index number.
bool joinsAnother(const std::vector<unsigned char>& block, const JetFileFormat& format)
{
    return block[static_cast<std::size_t>(format.logicalIndexKind)] == kForeignKeyKind ||
           readUInt32(block.data(), static_cast<int>(logicalIndexFields(format).relatedTable)) != 0;
}

bool rewrite(JetPages& pages, std::uint32_t page, const JetDefinitionImage& image, std::string& error)
{
    return rewriteDefinition(pages, page, image.bytes(), error);
}

// True when every text of `column` holds at most `characters` characters; false with a French
// message naming the first row (in the order of a scan) whose text does not.
bool textsFit(JetPages& pages, const JetTableLayout& layout, const std::string& table, const JetLayoutColumn& column,
              int characters, std::string& error)
{
    if (column.fixed()) {
        error = "La colonne de longueur fixe « " + column.name + " » de la table « " + table +
                " » ne peut pas être raccourcie par ce pilote.";
        return false;
    }
    const JetFileFormat& format = *layout.format;
    long long number = 0;
    return walkRows(pages, layout, table, [&](JetRowId, const std::vector<unsigned char>& row, std::string& failure) {
        ++number;
        std::size_t start = 0;
        std::size_t end = 0;
        if (!variableData(row, column, start, end, format))
            return true;  // Null
        std::u16string units;
        const bool decoded = format.jet3 || decodeRowText(row.data() + start, end - start, units);
        const std::size_t count = format.jet3 ? end - start : units.size();
        if (decoded && count <= static_cast<std::size_t>(characters))
            return true;
        failure = "La colonne « " + column.name + " » de la table « " + table + " » ne peut pas être raccourcie à " +
                  std::to_string(characters) + " caractères : la ligne " + std::to_string(number) + " y a un texte de " +
                  std::to_string(count) + " caractères.";
        return false;
    }, error);
}

}  // namespace

bool createIndex(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetIndexRequest& request,
                 JetRelatedRows* related, std::string& error)
{
    LoadedDefinition loaded;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetTableLayout& layout = loaded.layout;
    const JetFileFormat& format = *layout.format;
    const JetTextSettings text = fileTextSettings(pages);
    JetNewIndex index{request.name, {}, request.primary, request.unique, request.required, request.ignoreNulls};
    for (const auto& [name, descending] : request.keys) {
        const JetLayoutColumn* column = columnNamed(layout, name);
        if (column == nullptr || isLongValue(column->type)) {
            error = column == nullptr ? "La colonne « " + name + " » n'existe pas dans la table « " + table + " »."
                                      : "La colonne Mémo ou OLE « " + name + " » ne peut pas faire partie d'un index.";
            return false;
        }
        index.keys.emplace_back(static_cast<int>(positionOf(layout, *column)), descending);
    }
    if (index.keys.empty() || index.keys.size() > static_cast<std::size_t>(kIndexKeySlots)) {
        error = "L'index « " + request.name + " » doit porter sur 1 à 10 colonnes.";
        return false;
    }
    for (const auto& existing : loaded.image.logicalIndexes) {
        if (sql::equalIgnoringCase(nameText(existing.name, format, text.codePage), request.name)) {
            error = "La table « " + table + " » a déjà un index nommé « " + request.name + " ».";
            return false;
        }
        if (request.primary && existing.block[static_cast<std::size_t>(format.logicalIndexKind)] == 1) {
            error = "La table « " + table + " » a déjà une clé primaire.";
            return false;
        }
    }
    const auto real = static_cast<std::uint32_t>(loaded.image.realIndexes.size());
    const auto logical = static_cast<std::uint32_t>(loaded.image.logicalIndexes.size());
    if (!addStoredIndex(pages, definitionPage, loaded, index, logicalIndexBlock(index, logical, real, format),
                        request.name, text.codePage, error))
        return false;
    if (!rewrite(pages, definitionPage, loaded.image, error))
        return false;
    JetTableWriter writer;
    return JetTableWriter::open(pages, definitionPage, table, writer, error, related) && writer.indexRows(real, error);
}

bool dropIndex(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& name,
               std::vector<std::uint32_t>& changed, std::string& error)
{
    LoadedDefinition loaded;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetFileFormat& format = *loaded.layout.format;
    JetDefinitionImage& image = loaded.image;
    const int codePage = fileTextSettings(pages).codePage;
    auto found = std::find_if(image.logicalIndexes.begin(), image.logicalIndexes.end(), [&](const auto& index) {
        return sql::equalIgnoringCase(nameText(index.name, format, codePage), name);
    });
    if (found == image.logicalIndexes.end()) {
        error = "La table « " + table + " » n'a pas d'index nommé « " + name + " ».";
        return false;
    }
    if (joinsAnother(found->block, format)) {
        error = "L'index « " + name + " » de la table « " + table + " » sert une relation : il disparaît avec elle "
                "(ALTER TABLE … DROP CONSTRAINT sur la table qui la porte).";
        return false;
    }
    return removeLogicalIndexes(pages, {{definitionPage, static_cast<std::size_t>(found - image.logicalIndexes.begin())}},
                                changed, error);
}

bool restartCounter(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& column,
                    std::int32_t seed, std::string& error)
{
    JetTableLayout layout;
    if (!readTableLayout(pages, definitionPage, layout, error))
        return false;
    const JetLayoutColumn* counted = columnNamed(layout, column);
    if (counted == nullptr || !counted->autoNumber()) {
        error = counted == nullptr ? "La colonne « " + column + " » n'existe pas dans la table « " + table + " »."
                                   : "La colonne « " + column + " » de la table « " + table +
                                         " » n'est pas un NuméroAuto : elle ne peut pas devenir un compteur.";
        return false;
    }
    unsigned char* definition = pages.change(definitionPage);
    if (definition == nullptr) {
        error = "La définition de la table « " + table + " » ne peut pas être changée.";
        return false;
    }
    writeUInt32(definition, layout.format->definitionAutoNumber, static_cast<std::uint32_t>(seed - 1));
    return true;
}

bool addColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetNewColumn& column,
               std::string& error)
{
    LoadedDefinition loaded;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetTableLayout& layout = loaded.layout;
    const JetFileFormat& format = *layout.format;
    if (columnNamed(layout, column.name) != nullptr) {
        error = "La table « " + table + " » a déjà une colonne nommée « " + column.name + " ».";
        return false;
    }
    JetNewTable alone;
    alone.columns.push_back(column);
    JetLayoutColumn placed = plannedLayout(alone, format).columns.front();
    placed.number = layout.maxColumns;
    const bool variable = !placed.fixed();
    if (variable) {
        placed.variableIndex = layout.variableColumns;
    } else {
        int end = 0;
        for (const JetLayoutColumn& other : layout.columns)
            if (other.fixed())
                end = std::max(end, other.fixedOffset + fixedSize(other));
        placed.fixedOffset = end;
    }
    JetDefinitionImage& image = loaded.image;
    const JetTextSettings text = fileTextSettings(pages);
    JetDefinitionImage::Named named{columnBlock(column, placed, format, text), {}};
    if (!storedName(column.name, format, text.codePage, named.name, error))
        return false;
    image.columns.push_back(std::move(named));
    writeUInt16(image.header.data(), format.definitionMaxColumns, static_cast<unsigned>(layout.maxColumns + 1));
    if (variable)
        writeUInt16(image.header.data(), format.definitionVariableColumns,
                    static_cast<unsigned>(layout.variableColumns + 1));
    if (isLongValue(column.type)) {
        JetRowId owned;
        JetRowId free;
        if (!addMapRow(pages, layout.ownedPages.page, inlineUsageMap(format, definitionPage, false), owned, error) ||
            !addMapRow(pages, layout.ownedPages.page, inlineUsageMap(format, definitionPage, false), free, error))
            return false;
        std::vector<unsigned char> entry(10, 0);
        writeUInt16(entry.data(), 0, static_cast<unsigned>(placed.number));
        writeUInt32(entry.data(), 2, pointerOf(owned));
        writeUInt32(entry.data(), 6, pointerOf(free));
        image.tail.insert(image.tail.end() - 2, entry.begin(), entry.end());
    }
    return rewrite(pages, definitionPage, image, error);
}

bool dropColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& name,
                std::string& error)
{
    LoadedDefinition loaded;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetTableLayout& layout = loaded.layout;
    const JetFileFormat& format = *layout.format;
    const JetLayoutColumn* column = columnNamed(layout, name);
    if (column == nullptr || layout.columns.size() == 1) {
        error = column == nullptr ? "La table « " + table + " » n'a pas de colonne nommée « " + name + " »."
                                  : "La dernière colonne de la table « " + table + " » ne peut pas être supprimée.";
        return false;
    }
    JetDefinitionImage& image = loaded.image;
    for (const std::vector<unsigned char>& block : image.realIndexes) {
        for (int k = 0; k < kIndexKeySlots; ++k) {
            if (readUInt16(block.data(), format.realIndexKeys + 3 * k) == static_cast<unsigned>(column->number)) {
                error = "La colonne « " + column->name + " » fait partie d'un index de la table « " + table +
                        " » : supprimez d'abord l'index.";
                return false;
            }
        }
    }
    image.columns.erase(image.columns.begin() + static_cast<long>(positionOf(layout, *column)));
    // Its long values stay where they are until the file is compacted; its maps leave the definition.
    for (std::size_t at = 0; at + 10 <= image.tail.size(); at += 10) {
        if (readUInt16(image.tail.data(), static_cast<int>(at)) == static_cast<unsigned>(column->number)) {
            image.tail.erase(image.tail.begin() + static_cast<long>(at), image.tail.begin() + static_cast<long>(at + 10));
            break;
        }
    }
    return rewrite(pages, definitionPage, image, error);
}

bool resizeTextColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table,
                      const std::string& name, int characters, std::string& error)
{
    LoadedDefinition loaded;
    if (!loadDefinition(pages, definitionPage, table, loaded, error))
        return false;
    const JetTableLayout& layout = loaded.layout;
    const JetFileFormat& format = *layout.format;
    const JetLayoutColumn* column = columnNamed(layout, name);
    if (column == nullptr || column->type != JetType::Text) {
        error = "Seule la taille d'une colonne Texte peut encore être changée par ce pilote.";
        return false;
    }
    const int length = characters * (format.jet3 ? 1 : 2);
    if (length < column->length && (column->fixed() || !textsFit(pages, layout, table, *column, characters, error)))
        return false;
    std::vector<unsigned char>& block = loaded.image.columns[positionOf(layout, *column)].block;
    writeUInt16(block.data(), format.columnLength, static_cast<unsigned>(length));
    return rewrite(pages, definitionPage, loaded.image, error);
}

}  // namespace kervane::jet
