#include "driver/jet/schema/JetSchemaParts.h"

#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexPage.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/Characters.h"
#include "driver/semantics/UtfCoding.h"

namespace kervane::jet {

std::size_t positionOf(const JetTableLayout& layout, const JetLayoutColumn& column)
{
    return static_cast<std::size_t>(&column - layout.columns.data());
}

bool loadDefinition(JetPages& pages, std::uint32_t page, const std::string& table, LoadedDefinition& loaded,
                    std::string& error)
{
    std::vector<unsigned char> bytes;
    if (!readTableLayout(pages, page, loaded.layout, error))
        return false;
    if (!readDefinitionBytes(pages, page, bytes) || !readDefinitionImage(bytes, *loaded.layout.format, loaded.image)) {
        error = "La définition de la table « " + table + " » est illisible : elle ne peut pas être modifiée.";
        return false;
    }
    return true;
}

std::string nameText(const std::vector<unsigned char>& stored, const JetFileFormat& format, int codePage)
{
    // Its length first: one byte in Jet 3, two in Jet 4.
    const std::size_t length = format.jet3 ? 1 : 2;
    return stored.size() < length ? std::string()
                                  : nameText(stored.data() + length, stored.size() - length, format, codePage);
}

std::string nameText(const unsigned char* bytes, std::size_t size, const JetFileFormat& format, int codePage)
{
    if (format.jet3)
        return fromCodePage(codePage, bytes, size);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    return sql::utf8FromUtf16(units, sql::IllFormed::Replace).value_or(std::string());
}

LogicalIndexFields logicalIndexFields(const JetFileFormat& format)
{
    const std::size_t start = format.jet3 ? 0 : 4;  // Jet 4: a magic number first
    return {start, start + 8, start + 9, start + 13, start + 17, start + 18};
}

bool addMapRow(JetPages& pages, std::uint32_t page, const std::vector<unsigned char>& row, JetRowId& where,
               std::string& error)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    unsigned char* bytes = pages.change(page);
    if (bytes == nullptr || !datapage::fits(bytes, static_cast<int>(row.size()), format)) {
        page = structurePage(pages);
        bytes = page == 0 ? nullptr : pages.change(page);
        if (bytes == nullptr) {
            error = "Le fichier ne peut pas recevoir une page de cartes de plus.";
            return false;
        }
        datapage::initialise(bytes, 0, format);
    }
    where = {page, datapage::add(bytes, row, 0, format)};
    return true;
}

std::uint32_t pointerOf(JetRowId where)
{
    return where.page << 8 | static_cast<std::uint32_t>(where.row);
}

bool writeEmptyRoot(JetPages& pages, std::uint32_t page, std::uint32_t owner)
{
    JetIndexPageImage empty;
    empty.owner = owner;
    unsigned char* bytes = page == 0 ? nullptr : pages.change(page);
    return bytes != nullptr && writeIndexPage(empty, bytes, pages.pageSize(), fileFormatFor(pages.pageSize()));
}

bool addStoredIndex(JetPages& pages, std::uint32_t definitionPage, LoadedDefinition& loaded, const JetNewIndex& index,
                    std::vector<unsigned char> logical, const std::string& name, int codePage, std::string& error)
{
    const JetFileFormat& format = *loaded.layout.format;
    const std::uint32_t root = structurePage(pages);
    if (!writeEmptyRoot(pages, root, definitionPage)) {
        error = "Le fichier ne peut pas recevoir la page de l'index « " + name + " ».";
        return false;
    }
    JetRowId map;
    JetDefinitionImage::Named named{std::move(logical), {}};
    if (!addMapRow(pages, loaded.layout.ownedPages.page, inlineUsageMap(format, root, true), map, error) ||
        !storedName(name, format, codePage, named.name, error))
        return false;
    JetDefinitionImage& image = loaded.image;
    image.indexCounts.emplace_back(static_cast<std::size_t>(format.realIndexSize), 0);
    image.realIndexes.push_back(storedIndexBlock(index, loaded.layout, pointerOf(map), root));
    image.logicalIndexes.push_back(std::move(named));
    return true;
}

void eraseLogicalIndex(JetPages& pages, LoadedDefinition& loaded, std::size_t position)
{
    JetDefinitionImage& image = loaded.image;
    const JetFileFormat& format = *loaded.layout.format;
    const auto realAt = static_cast<int>(format.logicalIndexReal);
    const std::uint32_t real = readUInt32(image.logicalIndexes[position].block.data(), realAt);
    image.logicalIndexes.erase(image.logicalIndexes.begin() + static_cast<std::ptrdiff_t>(position));
    const bool shared = std::any_of(image.logicalIndexes.begin(), image.logicalIndexes.end(),
                                    [&](const auto& index) { return readUInt32(index.block.data(), realAt) == real; });
    const bool dropped = !shared && real < image.realIndexes.size();
    if (dropped) {
        const std::vector<unsigned char>& block = image.realIndexes[real];
        const JetRowId map = JetRowId::fromPointer(readUInt32(block.data(), format.realIndexUsageMap));
        JetUsageMap pagesOfIndex;
        std::string unread;  // a map that cannot be read leaves its pages for a compaction
        if (JetUsageMap::open(pages, map, pagesOfIndex, unread))
            for (std::uint32_t page : pagesOfIndex.pages())
                releaseMappedPage(pages, map, page);
        if (unsigned char* mapPage = pages.change(map.page))
            datapage::flag(mapPage, map.row, kRowDeleted, format);
        image.realIndexes.erase(image.realIndexes.begin() + real);
        image.indexCounts.erase(image.indexCounts.begin() + real);
    }
    for (std::size_t i = 0; i < image.logicalIndexes.size(); ++i) {
        std::vector<unsigned char>& block = image.logicalIndexes[i].block;
        writeUInt32(block.data(), static_cast<int>(logicalIndexFields(format).number), static_cast<std::uint32_t>(i));
        const std::uint32_t used = readUInt32(block.data(), realAt);
        if (dropped && used > real)
            writeUInt32(block.data(), realAt, used - 1);
    }
}

bool insertNamed(JetTableWriter& table, const std::vector<std::pair<std::string, JetFieldValue>>& values,
                 std::string& error)
{
    const JetTableLayout& layout = table.layout();
    std::vector<JetFieldValue> row(layout.columns.size());
    for (const auto& [name, value] : values) {
        const JetLayoutColumn* column = columnNamed(layout, name);
        if (column == nullptr) {
            error = "Le catalogue du fichier Access n'a pas de colonne « " + name + " ».";
            return false;
        }
        row[positionOf(layout, *column)] = value;
    }
    JetRowId where;
    return table.insert(std::move(row), where, error);
}

}  // namespace kervane::jet
