#include "driver/jet/catalogue/JetQueryStore.h"

#include "driver/jet/schema/JetCatalogueRows.h"

#include <algorithm>

namespace kervane::jet {
namespace querystore {

constexpr std::int64_t kQueryObject = 5;
// Queries are numbered with the file's other objects that are not tables, from 0x80000000 up:
// the keys of those Ids in the catalogue's index on Id begin with these two bytes.
const std::vector<unsigned char> kObjectIdKeys{0x7f, 0x00};
constexpr std::int64_t kFirstObjectId = -2147483647LL - 1;

// Attributes whose rows leave Flag Null: input tables, WHERE, HAVING, ORDER BY, the last row.
bool flagIsNull(int attribute)
{
    return attribute == 5 || attribute == 8 || attribute == 10 || attribute == 11 || attribute == 255;
}

JetFieldValue textOrNull(const std::optional<std::string>& text)
{
    return text ? JetFieldValue::of(*text) : JetFieldValue::null();
}

bool nextObjectId(JetTableWriter& catalogue, std::int64_t& id, std::string& error)
{
    const JetLayoutColumn* column = columnNamed(catalogue.layout(), "Id");
    std::vector<JetRowId> rows;
    bool served = false;
    if (column == nullptr || !catalogue.indexes().findKeyPrefix(*column, kObjectIdKeys, rows, served, error))
        return false;
    if (!served) {
        error = "Le catalogue du fichier Access n'a pas l'index attendu sur « Id ».";
        return false;
    }
    id = kFirstObjectId;
    for (JetRowId row : rows)
        if (const std::optional<std::int64_t> used = catalogueNumber(catalogue, row, "Id"); used && *used < 0)
            id = std::max(id, *used + 1);
    return true;
}

bool insertRow(JetTableWriter& table, std::int64_t objectId, const QueryRow& row, std::string& error)
{
    const JetTableLayout& layout = table.layout();
    std::vector<JetFieldValue> values(layout.columns.size());
    const std::vector<unsigned char> order(row.order.begin(), row.order.end());
    const std::pair<const char*, JetFieldValue> set[] = {
        {"ObjectId", JetFieldValue::of(objectId)},
        {"Attribute", JetFieldValue::of(std::int64_t{row.attribute})},
        {"Expression", textOrNull(row.expression)},
        // Flag is a 16-bit Integer: its high bit (an append query's VALUES) makes it negative.
        {"Flag", flagIsNull(row.attribute) ? JetFieldValue::null()
                                           : JetFieldValue::of(std::int64_t{static_cast<std::int16_t>(row.flag)})},
        {"LvExtra", row.extra != 0 ? JetFieldValue::of(std::int64_t{row.extra}) : JetFieldValue::null()},
        {"Name1", textOrNull(row.name1)},
        {"Name2", textOrNull(row.name2)},
        {"Order", JetFieldValue::of(order)},
    };
    for (const auto& [name, value] : set) {
        const JetLayoutColumn* column = columnNamed(layout, name);
        if (column == nullptr) {
            // Jet 3 has no LvExtra: a text parameter's size is not kept there.
            if (value.kind == JetFieldValue::Kind::Null || std::string_view(name) == "LvExtra")
                continue;
            error = "La table MSysQueries du fichier Access n'a pas de colonne « " + std::string(name) + " ».";
            return false;
        }
        values[static_cast<std::size_t>(column - layout.columns.data())] = value;
    }
    JetRowId where;
    return table.insert(std::move(values), where, error);
}

}  // namespace querystore

bool createQuery(JetPages& pages, const JetNewQuery& query, std::string& error)
{
    JetTableWriter catalogue;
    JetTableWriter rows;
    std::int64_t id = 0;
    if (!openCatalogue(pages, catalogue, error) || nameTaken(catalogue, query.name, error) ||
        !querystore::nextObjectId(catalogue, id, error) ||
        !catalogueEntry(catalogue, {query.name, id, querystore::kQueryObject, query.objectFlags, {}}, error) ||
        !openSystemTable(pages, catalogue, "MSysQueries", rows, error))
        return false;
    for (const QueryRow& row : query.rows)
        if (!querystore::insertRow(rows, id, row, error))
            return false;
    return true;
}

bool dropQuery(JetPages& pages, const std::string& name, std::string& error)
{
    JetTableWriter catalogue;
    JetTableWriter rows;
    std::optional<JetRowId> object;
    if (!openCatalogue(pages, catalogue, error) || !objectNamed(catalogue, name, object, error))
        return false;
    if (!object || catalogueNumber(catalogue, *object, "Type") != querystore::kQueryObject) {
        error = object ? "« " + name + " » est une table, pas une requête : elle se supprime par DROP TABLE."
                       : "La requête « " + name + " » n'existe pas.";
        return false;
    }
    const std::optional<std::int64_t> id = catalogueNumber(catalogue, *object, "Id");
    if (!id) {
        error = "La requête « " + name + " » n'a pas de numéro dans le catalogue.";
        return false;
    }
    if (!catalogue.remove(*object, error) || !openSystemTable(pages, catalogue, "MSysQueries", rows, error))
        return false;
    const JetLayoutColumn* column = columnNamed(rows.layout(), "ObjectId");
    std::vector<JetRowId> found;
    bool served = false;
    if (column == nullptr || !rows.indexes().findEqual(*column, JetFieldValue::of(*id), found, served, error))
        return false;
    if (!served) {
        error = "La table MSysQueries du fichier Access n'a pas l'index attendu sur « ObjectId ».";
        return false;
    }
    for (JetRowId row : found)
        if (catalogueNumber(rows, row, "ObjectId") == id && !rows.remove(row, error))
            return false;
    return true;
}

}  // namespace kervane::jet
