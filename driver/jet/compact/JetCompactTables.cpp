#include "driver/jet/compact/JetCompactTables.h"

#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/index/JetIndexList.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/rows/JetRowWalk.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetLongValueStore.h"
#include "driver/jet/write/JetTableWriter.h"

namespace kervane::jet {
namespace compacttables {

constexpr unsigned char kSystemTableKind = 0x53;
// Column flags a new definition sets itself: fixed, updatable, AutoNumber.
constexpr unsigned char kPlannedColumnFlags = 0x01 | 0x02 | 0x04;

std::size_t position(const JetTableLayout& layout, std::string_view name)
{
    return positionOf(layout, *columnNamed(layout, name));
}

bool catalogueObject(JetPages& source, JetTableWriter& catalogue, JetRowId where, const std::vector<unsigned char>& row,
                     CompactedObject& object, std::string& error)
{
    object.name = catalogueText(catalogue, where, "Name");
    object.id = catalogueNumber(catalogue, where, "Id").value_or(0);
    object.flags = catalogueNumber(catalogue, where, "Flags").value_or(0);
    std::vector<JetFieldValue> values;
    if (!copiedValues(source, catalogue.layout(), row, values, error)) {
        error = "La ligne du catalogue de « " + object.name + " » est illisible : " + error;
        return false;
    }
    for (const char* column : {"DateCreate", "DateUpdate", "Owner", "Flags", "LvProp"})
        if (const JetLayoutColumn* found = columnNamed(catalogue.layout(), column))
            object.kept.emplace_back(column, values[positionOf(catalogue.layout(), *found)]);
    return true;
}

// The new table's design: the columns in their order, the indexes as the user sees them (those
// of relationships come back with the relationships).
bool designOf(JetPages& source, const CompactedObject& table, const JetTableLayout& layout, JetNewTable& design,
              std::string& error)
{
    design.name = table.name;
    design.system = layout.tableType == compacttables::kSystemTableKind;
    for (const JetLayoutColumn& column : layout.columns) {
        JetNewColumn copy;
        copy.name = column.name;
        copy.type = column.type;
        const bool wide = column.type == JetType::Text && column.codePage == 0 && !layout.format->jet3;
        copy.characters = wide ? column.length / 2 : column.length;
        copy.precision = column.precision;
        copy.scale = column.scale;
        copy.autoNumber = column.autoNumber();
        copy.fixedLength = column.fixed();
        copy.moreFlags = column.flags & ~kPlannedColumnFlags;
        design.columns.push_back(std::move(copy));
    }
    std::vector<unsigned char> bytes;
    std::vector<JetIndexDefinition> indexes;
    const int codePage = fileTextSettings(source).codePage;
    const JetFileFormat& format = *layout.format;
    const TextDecoder decode = [&](const unsigned char* name, std::size_t size) {
        return nameText(name, size, format, codePage);
    };
    if (!readDefinitionBytes(source, layout.definitionPage, bytes) ||
        !readIndexDefinitions(format, bytes, decode, indexes)) {
        error = "Les index de la table « " + table.name + " » sont illisibles : la base ne peut pas être compactée.";
        return false;
    }
    for (const JetIndexDefinition& index : indexes) {
        JetNewIndex copy{index.name, {}, index.primary, index.unique, index.required, index.ignoreNulls};
        for (const JetIndexColumn& key : index.columns) {
            if (columnNamed(layout, key.name) == nullptr) {
                error = "L'index « " + index.name + " » de la table « " + table.name + " » désigne une colonne absente.";
                return false;
            }
            copy.keys.emplace_back(static_cast<int>(position(layout, key.name)), key.descending);
        }
        design.indexes.push_back(std::move(copy));
    }
    return true;
}

// The catalogue row of the new table given the dates, owner, flags and properties of the one copied.
bool keepCatalogueEntry(JetPages& target, std::uint32_t page, const CompactedObject& table, std::string& error)
{
    JetTableWriter catalogue;
    std::vector<JetRowId> rows;
    std::vector<JetFieldValue> values;
    if (!openCatalogue(target, catalogue, error) || !catalogueRows(catalogue, "Id", page, rows, error))
        return false;
    if (rows.size() != 1 || !catalogue.storedRow(rows.front(), values)) {
        error = "La table « " + table.name + " » copiée n'a pas sa ligne dans le catalogue.";
        return false;
    }
    for (const auto& [column, value] : table.kept)
        if (const JetLayoutColumn* found = columnNamed(catalogue.layout(), column))
            values[positionOf(catalogue.layout(), *found)] = value;
    return catalogue.update(rows.front(), std::move(values), error);
}

// The counter of the copy goes on from where the original's was, numbers given to rows deleted since included.
void keepCounter(JetPages& target, std::uint32_t page, std::uint32_t counter)
{
    const JetFileFormat& format = fileFormatFor(target.pageSize());
    unsigned char* definition = target.change(page);
    if (readUInt32(definition, format.definitionAutoNumber) < counter)
        writeUInt32(definition, format.definitionAutoNumber, counter);
}

}  // namespace compacttables

bool objectsToCopy(JetPages& source, CatalogueObjects& objects, std::string& error)
{
    JetTableWriter catalogue;
    if (!openCatalogue(source, catalogue, error))
        return false;
    return walkRows(source, catalogue.layout(), "MSysObjects",
                    [&](JetRowId where, const std::vector<unsigned char>& row, std::string& failure) {
                        const std::optional<std::int64_t> type = catalogueNumber(catalogue, where, "Type");
                        if (type != kTableObject)
                            return true;
                        CompactedObject object;
                        if (!compacttables::catalogueObject(source, catalogue, where, row, object, failure))
                            return false;
                        if (!isSystemObject({object.name, object.id, kTableObject, object.flags, {}}))
                            objects.tables.push_back(std::move(object));
                        else
                            objects.systemTables.push_back(std::move(object));
                        return true;
                    },
                    error);
}

bool copyTable(JetPages& source, JetPages& target, const CompactedObject& table, std::uint32_t& placed,
               std::string& error)
{
    JetTableLayout layout;
    JetNewTable design;
    JetTableWriter writer;
    const std::uint32_t page = definitionPageOf({table.name, table.id, kTableObject, table.flags, {}});
    if (!readTableLayout(source, page, layout, error) || !compacttables::designOf(source, table, layout, design, error) ||
        !createTable(target, design, placed, error) || !compacttables::keepCatalogueEntry(target, placed, table, error) ||
        !JetTableWriter::open(target, placed, table.name, writer, error, nullptr, design.system))
        return false;
    std::vector<JetFieldValue> values;
    const bool copied = walkRows(source, layout, table.name,
                                 [&](JetRowId, const std::vector<unsigned char>& row, std::string& failure) {
                                     JetRowId where;
                                     return copiedValues(source, layout, row, values, failure) &&
                                            writer.insert(std::move(values), where, failure);
                                 },
                                 error);
    if (!copied)
        return false;
    compacttables::keepCounter(target, placed, layout.lastAutoNumber);
    return true;
}

}  // namespace kervane::jet
