#include "driver/jet/schema/JetCatalogueRows.h"

#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/semantics/Characters.h"
#include "driver/semantics/UtfCoding.h"

#include <ctime>

namespace kervane::jet {
namespace cataloguerows {

constexpr std::uint32_t kCataloguePage = 2;       // MSysObjects' definition
constexpr std::int64_t kTableObject = 1;            // MSysObjects.Type of a local table

std::size_t indexOf(const JetTableLayout& layout, const JetLayoutColumn& column)
{
    return static_cast<std::size_t>(&column - layout.columns.data());
}

// The stored value of `row` in column `name`, or nullptr when it is Null or absent.
const JetFieldValue* storedValue(JetTableWriter& catalogue, JetRowId row, std::string_view name,
                                 std::vector<JetFieldValue>& values)
{
    const JetLayoutColumn* column = columnNamed(catalogue.layout(), name);
    if (column == nullptr || !catalogue.storedRow(row, values))
        return nullptr;
    const JetFieldValue& value = values[indexOf(catalogue.layout(), *column)];
    return value.kind == JetFieldValue::Kind::Stored ? &value : nullptr;
}

}  // namespace cataloguerows


double accessNow()
{
    const std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    const std::time_t midnight = clock - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
    std::tm day{};
    day.tm_year = local.tm_year;
    day.tm_mon = local.tm_mon;
    day.tm_mday = local.tm_mday;
    day.tm_hour = 12;  // noon, away from any change of the clocks
    std::tm epoch{};
    epoch.tm_year = -1;
    epoch.tm_mon = 11;
    epoch.tm_mday = 30;
    epoch.tm_hour = 12;
    const double days = std::difftime(std::mktime(&day), std::mktime(&epoch)) / 86400.0;
    return static_cast<double>(static_cast<long long>(days + 0.5)) + std::difftime(clock, midnight) / 86400.0;
}

const JetLayoutColumn* columnNamed(const JetTableLayout& layout, std::string_view name)
{
    for (const JetLayoutColumn& column : layout.columns)
        if (sql::equalIgnoringCase(column.name, name))
            return &column;
    return nullptr;
}

bool openCatalogue(JetPages& pages, JetTableWriter& catalogue, std::string& error)
{
    return JetTableWriter::open(pages, cataloguerows::kCataloguePage, "MSysObjects", catalogue, error, nullptr, true);
}

bool openSystemTable(JetPages& pages, JetTableWriter& catalogue, const std::string& name, JetTableWriter& table,
                     std::string& error)
{
    std::optional<JetRowId> row;
    if (!objectNamed(catalogue, name, row, error))
        return false;
    const std::optional<std::int64_t> id = row ? catalogueNumber(catalogue, *row, "Id") : std::nullopt;
    if (!id || catalogueNumber(catalogue, *row, "Type") != cataloguerows::kTableObject) {
        error = "Le catalogue du fichier Access n'a pas de table « " + name + " ».";
        return false;
    }
    return JetTableWriter::open(pages, definitionPageOfId(*id), name, table, error, nullptr, true);
}

bool walkSystemTable(JetPages& pages, const std::string& name, JetTableWriter& table, const RowVisit& visit,
                     std::string& error)
{
    JetTableWriter catalogue;
    return openCatalogue(pages, catalogue, error) && openSystemTable(pages, catalogue, name, table, error) &&
           walkRows(pages, table.layout(), name, visit, error);
}

bool catalogueRows(JetTableWriter& catalogue, std::string_view name, std::int64_t value, std::vector<JetRowId>& rows,
                   std::string& error)
{
    const JetLayoutColumn* column = columnNamed(catalogue.layout(), name);
    bool served = false;
    if (column == nullptr || !catalogue.indexes().findEqual(*column, JetFieldValue::of(value), rows, served, error))
        return false;
    if (!served)
        error = "Le catalogue du fichier Access n'a pas l'index attendu sur « " + std::string(name) + " ».";
    return served;
}

std::string catalogueText(JetTableWriter& catalogue, JetRowId row, std::string_view name)
{
    std::vector<JetFieldValue> values;
    const JetFieldValue* value = cataloguerows::storedValue(catalogue, row, name, values);
    if (value == nullptr)
        return {};
    if (catalogue.layout().format->jet3)
        return fromCodePage(columnNamed(catalogue.layout(), name)->codePage, value->bytes.data(), value->bytes.size());
    std::u16string units;
    if (!decodeRowText(value->bytes.data(), value->bytes.size(), units))
        return {};
    return sql::utf8FromUtf16(units, sql::IllFormed::Replace).value_or(std::string());
}

std::optional<std::int64_t> storedNumber(const JetFieldValue& value)
{
    if (value.kind == JetFieldValue::Kind::Number)
        return value.number;
    if (value.kind != JetFieldValue::Kind::Stored)
        return std::nullopt;
    if (value.bytes.size() == 4)
        return static_cast<std::int32_t>(readUInt32(value.bytes.data(), 0));
    if (value.bytes.size() == 2)
        return static_cast<std::int16_t>(readUInt16(value.bytes.data(), 0));
    return std::nullopt;
}

std::optional<std::int64_t> catalogueNumber(JetTableWriter& catalogue, JetRowId row, std::string_view name)
{
    std::vector<JetFieldValue> values;
    const JetFieldValue* value = cataloguerows::storedValue(catalogue, row, name, values);
    return value == nullptr ? std::nullopt : storedNumber(*value);
}

bool objectNamed(JetTableWriter& catalogue, const std::string& name, std::optional<JetRowId>& row,
                 std::string& error)
{
    row.reset();
    std::vector<JetRowId> rows;
    if (!catalogueRows(catalogue, "ParentId", kTablesContainer, rows, error))
        return false;
    for (JetRowId candidate : rows) {
        if (sql::equalIgnoringCase(catalogueText(catalogue, candidate, "Name"), name)) {
            row = candidate;
            break;
        }
    }
    return true;
}

bool nameTaken(JetTableWriter& catalogue, const std::string& name, std::string& error)
{
    std::optional<JetRowId> row;
    if (!objectNamed(catalogue, name, row, error))
        return true;
    if (row)
        error = "Le nom « " + name + " » est déjà celui d'une table ou d'une requête de la base.";
    return row.has_value();
}

bool catalogueEntry(JetTableWriter& catalogue, const JetCatalogueEntry& entry, std::string& error)
{
    const JetTableLayout& layout = catalogue.layout();
    std::vector<JetFieldValue> values(layout.columns.size());
    std::vector<JetRowId> container;
    if (!catalogueRows(catalogue, "Id", kTablesContainer, container, error))
        return false;
    std::vector<JetFieldValue> containerValues;
    const JetLayoutColumn* owner = columnNamed(layout, "Owner");
    if (!container.empty() && owner != nullptr && catalogue.storedRow(container.front(), containerValues))
        values[cataloguerows::indexOf(layout, *owner)] = containerValues[cataloguerows::indexOf(layout, *owner)];
    const double created = accessNow();
    const std::pair<const char*, JetFieldValue> set[] = {
        {"Id", JetFieldValue::of(entry.id)},
        {"ParentId", JetFieldValue::of(kTablesContainer)},
        {"Name", JetFieldValue::of(entry.name)},
        {"Type", JetFieldValue::of(entry.type)},
        {"DateCreate", JetFieldValue::of(created)},
        {"DateUpdate", JetFieldValue::of(created)},
        {"Flags", JetFieldValue::of(entry.flags)},
    };
    for (const auto& [column, value] : set) {
        const JetLayoutColumn* found = columnNamed(layout, column);
        if (found == nullptr) {
            error = "Le catalogue du fichier Access n'a pas de colonne « " + std::string(column) + " ».";
            return false;
        }
        values[cataloguerows::indexOf(layout, *found)] = value;
    }
    const JetLayoutColumn* properties = columnNamed(layout, "LvProp");
    if (!entry.properties.empty() && properties == nullptr) {
        error = "Le catalogue du fichier Access n'a pas de colonne « LvProp ».";
        return false;
    }
    if (!entry.properties.empty())
        values[cataloguerows::indexOf(layout, *properties)] = JetFieldValue::of(entry.properties);
    JetRowId where;
    return catalogue.insert(std::move(values), where, error);
}

}  // namespace kervane::jet
