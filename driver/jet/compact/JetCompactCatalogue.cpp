#include "driver/jet/compact/JetCompactCatalogue.h"

#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetRelationships.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/write/JetLongValueStore.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

namespace kervane::jet {
namespace compactcatalogue {


// One pair of columns of a relationship, as a row of MSysRelationships gives it.
struct RelationshipColumn {
    std::int64_t order = 0;
    std::string column;
    std::string referencedColumn;
};

struct Relationship {
    JetRelationshipRequest request;
    std::vector<RelationshipColumn> columns;
};

// The rows of the new file's tables, for the integrity checks of the relationships made again.
class TargetRows final : public JetRelatedRows {
public:
    explicit TargetRows(JetPages& pages) : m_pages(pages) {}

    bool holdsKey(std::uint32_t tablePage, std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                  const std::vector<unsigned char>& key, bool& found, std::string& error) override
    {
        std::unique_ptr<JetTableWriter>& writer = m_writers[tablePage];
        if (writer == nullptr) {
            writer = std::make_unique<JetTableWriter>();
            if (!JetTableWriter::open(m_pages, tablePage, "page " + std::to_string(tablePage), *writer, error, this)) {
                writer.reset();
                return false;
            }
        }
        return writer->indexes().holdsLogicalKey(logicalIndex, columns, key, found, error);
    }
    bool cascade(const JetCascade&, std::string& error) override
    {
        error = "Une copie de la base a déclenché une modification en cascade.";
        return false;
    }

private:
    JetPages& m_pages;
    std::map<std::uint32_t, std::unique_ptr<JetTableWriter>> m_writers;
};

bool readRelationships(JetPages& source, std::vector<Relationship>& relationships, std::string& error)
{
    JetTableWriter table;
    return walkSystemTable(source, "MSysRelationships", table,
                           [&](JetRowId where, const std::vector<unsigned char>&, std::string&) {
                               const std::string name = catalogueText(table, where, "szRelationship");
                               const auto matches = [&](const Relationship& known) {
                                   return sql::equalIgnoringCase(known.request.name, name);
                               };
                               auto found = std::find_if(relationships.begin(), relationships.end(), matches);
                               if (found == relationships.end()) {
                                   Relationship made;
                                   made.request.name = name;
                                   made.request.table = catalogueText(table, where, "szObject");
                                   made.request.referenced = catalogueText(table, where, "szReferencedObject");
                                   takeRelationshipFlags(catalogueNumber(table, where, "grbit").value_or(0), made.request);
                                   relationships.push_back(std::move(made));
                                   found = relationships.end() - 1;
                               }
                               found->columns.push_back({catalogueNumber(table, where, "icolumn").value_or(0),
                                                         catalogueText(table, where, "szColumn"),
                                                         catalogueText(table, where, "szReferencedColumn")});
                               return true;
                           },
                           error);
}

std::uint32_t placedPage(const PlacedTables& tables, const std::string& name)
{
    for (const auto& [table, page] : tables)
        if (sql::equalIgnoringCase(table, name))
            return page;
    return 0;
}

// The rows of the system table `name` of `source`, each with its values as another file takes them.
bool systemRows(JetPages& source, const std::string& name, JetTableWriter& table,
                std::vector<std::vector<JetFieldValue>>& rows, std::string& error)
{
    return walkSystemTable(source, name, table,
                           [&](JetRowId, const std::vector<unsigned char>& row, std::string& failure) {
                               rows.emplace_back();
                               return copiedValues(source, table.layout(), row, rows.back(), failure);
                           },
                           error);
}

// The values of `row` (of `layout`) by column name, those Null left out.
std::vector<std::pair<std::string, JetFieldValue>> named(const JetTableLayout& layout, std::vector<JetFieldValue> row)
{
    std::vector<std::pair<std::string, JetFieldValue>> values;
    for (std::size_t c = 0; c < row.size(); ++c)
        if (row[c].kind != JetFieldValue::Kind::Null)
            values.emplace_back(layout.columns[c].name, std::move(row[c]));
    return values;
}

std::optional<std::int64_t> numberIn(const JetTableLayout& layout, const std::vector<JetFieldValue>& row,
                                     std::string_view column)
{
    const JetLayoutColumn* found = columnNamed(layout, column);
    return found == nullptr ? std::nullopt : storedNumber(row[positionOf(layout, *found)]);
}

// Gives the catalogue row `row` of `target` the properties `properties` (an LvProp value).
bool takeProperties(JetTableWriter& catalogue, JetRowId row, JetFieldValue properties, std::string& error)
{
    std::vector<JetFieldValue> values;
    const JetLayoutColumn* column = columnNamed(catalogue.layout(), "LvProp");
    if (column == nullptr || !catalogue.storedRow(row, values))
        return true;
    values[positionOf(catalogue.layout(), *column)] = std::move(properties);
    return catalogue.update(row, std::move(values), error);
}

bool copyRights(JetPages& source, JetPages& target, const TableIds& tables, const std::set<std::int64_t>& had,
                std::string& error)
{
    JetTableWriter rights;
    JetTableWriter catalogue;
    JetTableWriter targetRights;
    std::vector<std::vector<JetFieldValue>> rows;
    if (!systemRows(source, "MSysACEs", rights, rows, error) || !openCatalogue(target, catalogue, error) ||
        !openSystemTable(target, catalogue, "MSysACEs", targetRights, error))
        return false;
    const JetLayoutColumn* object = columnNamed(rights.layout(), "ObjectId");
    for (std::vector<JetFieldValue>& row : rows) {
        std::optional<std::int64_t> id = numberIn(rights.layout(), row, "ObjectId");
        if (object == nullptr || !id || had.count(*id) != 0)
            continue;
        if (const auto table = tables.find(*id); table != tables.end())
            row[positionOf(rights.layout(), *object)] = JetFieldValue::of(table->second);
        else if (*id > 0 && *id <= 0x00ffffff)
            continue;  // a table that was not copied
        if (!insertNamed(targetRights, named(rights.layout(), std::move(row)), error))
            return false;
    }
    return true;
}

}  // namespace compactcatalogue

bool copyRelationships(JetPages& source, JetPages& target, const PlacedTables& tables, std::string& error)
{
    std::vector<compactcatalogue::Relationship> relationships;
    if (!compactcatalogue::readRelationships(source, relationships, error))
        return false;
    for (compactcatalogue::Relationship& relationship : relationships) {
        JetRelationshipRequest& request = relationship.request;
        std::sort(relationship.columns.begin(), relationship.columns.end(),
                  [](const auto& a, const auto& b) { return a.order < b.order; });
        for (const compactcatalogue::RelationshipColumn& pair : relationship.columns) {
            request.columns.push_back(pair.column);
            request.referencedColumns.push_back(pair.referencedColumn);
        }
        const std::uint32_t referring = compactcatalogue::placedPage(tables, request.table);
        const std::uint32_t referenced = compactcatalogue::placedPage(tables, request.referenced);
        if (request.enforced && (referring == 0 || referenced == 0)) {
            error = "La relation « " + request.name + " » lie une table qui n'est pas dans la base : la base ne "
                    "peut pas être compactée.";
            return false;
        }
        compactcatalogue::TargetRows rows(target);
        if (!createRelationship(target, referring, referenced, request, &rows, error))
            return false;
    }
    return true;
}

bool copyOtherObjects(JetPages& source, JetPages& target, const TableIds& tables, std::string& error)
{
    JetTableWriter objects;
    JetTableWriter queries;
    JetTableWriter catalogue;
    JetTableWriter targetQueries;
    std::vector<std::vector<JetFieldValue>> rows;
    std::vector<std::vector<JetFieldValue>> queryRows;
    if (!compactcatalogue::systemRows(source, "MSysObjects", objects, rows, error) ||
        !compactcatalogue::systemRows(source, "MSysQueries", queries, queryRows, error) ||
        !openCatalogue(target, catalogue, error) ||
        !openSystemTable(target, catalogue, "MSysQueries", targetQueries, error))
        return false;
    // The rows of each query, by its Id (which it keeps).
    std::map<std::int64_t, std::vector<std::vector<JetFieldValue>>> byQuery;
    for (std::vector<JetFieldValue>& row : queryRows)
        byQuery[compactcatalogue::numberIn(queries.layout(), row, "ObjectId").value_or(0)].push_back(std::move(row));
    const JetTableLayout& layout = objects.layout();
    const JetLayoutColumn* properties = columnNamed(layout, "LvProp");
    // The objects the new file had before the copy keep their own rights.
    std::set<std::int64_t> had{2, 3, 4, 5};  // the catalogue's own tables, which the new file made
    const auto copyRow = [&](const std::vector<JetFieldValue>& row, std::int64_t id, bool query) {
        std::vector<JetRowId> found;
        if (!catalogueRows(catalogue, "Id", id, found, error))
            return false;
        if (!found.empty()) {
            had.insert(id);
            return properties == nullptr ||
                   compactcatalogue::takeProperties(catalogue, found.front(), row[positionOf(layout, *properties)], error);
        }
        if (!insertNamed(catalogue, compactcatalogue::named(layout, row), error))
            return false;
        if (query)
            for (std::vector<JetFieldValue>& part : byQuery[id])
                if (!insertNamed(targetQueries, compactcatalogue::named(queries.layout(), std::move(part)), error))
                    return false;
        return true;
    };
    // The queries first: a report or a form may bear a query's name, and readers that look a
    // query up by its name take the first row they meet.
    for (const bool queryPass : {true, false}) {
        for (const std::vector<JetFieldValue>& row : rows) {
            const std::optional<std::int64_t> id = compactcatalogue::numberIn(layout, row, "Id");
            const std::optional<std::int64_t> type = compactcatalogue::numberIn(layout, row, "Type");
            const bool query = type == kQueryObject;
            if (id && type != kTableObject && query == queryPass && !copyRow(row, *id, query))
                return false;
        }
    }
    return compactcatalogue::copyRights(source, target, tables, had, error);
}

}  // namespace kervane::jet
