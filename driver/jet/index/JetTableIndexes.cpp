#include "driver/jet/index/JetTableIndexes.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/rows/JetRowReading.h"

#include <algorithm>

namespace kervane::jet {

namespace {

constexpr int kDistinctKeysAt = 4;  // in a real index's bytes at the definition's start

int distinctKeysOffset(std::size_t index, const JetFileFormat& format)
{
    return format.definitionFirstBlock + static_cast<int>(index) * format.realIndexSize + kDistinctKeysAt;
}


// A relationship this writer cannot check: the change is refused.
bool unrelated(const std::string& table, std::string& error)
{
    error = "La table " + table + " participe à une relation dont l'intégrité référentielle ne peut pas être "
            "vérifiée ici : elle ne peut pas être modifiée.";
    return false;
}

// The definition of the table's index `i` names no column of the table, or cannot be read.
bool unreadableIndex(const std::string& table, std::size_t i, std::string& error)
{
    error = "La table " + table + " est endommagée : la définition de son index " + std::to_string(i + 1) +
            " est illisible. Elle ne peut pas être modifiée.";
    return false;
}

const JetLayoutColumn* columnNumbered(const JetTableLayout& layout, int number)
{
    for (const JetLayoutColumn& column : layout.columns)
        if (column.number == number)
            return &column;
    return nullptr;
}

}  // namespace

bool JetTableIndexes::open(JetPages& pages, const JetTableLayout& layout, const std::string& name,
                           JetTableIndexes& indexes, std::string& error)
{
    const JetFileFormat& format = *layout.format;
    std::vector<JetRealIndex> real;
    if (!readRealIndexes(pages, layout.definitionPage, real, error, format))
        return false;
    indexes.m_pages = &pages;
    indexes.m_format = &format;
    indexes.m_definitionPage = layout.definitionPage;
    indexes.m_table = "« " + name + " »";
    indexes.m_indexes.clear();
    const unsigned char* definition = pages.read(layout.definitionPage);
    for (std::size_t i = 0; i < real.size(); ++i) {

        std::vector<JetKeyColumn> columns;
        for (const JetRealIndexColumn& part : real[i].columns) {
            const JetLayoutColumn* column = columnNumbered(layout, part.number);
            if (column == nullptr)
                return unreadableIndex(indexes.m_table, i, error);
            if (!keyTypeKnown(column->type, format)) {
                error = "La table " + indexes.m_table + " a un index sur la colonne « " + column->name +
                        " », dont les clés ne peuvent pas encore être tenues à jour : elle ne peut pas être modifiée.";
                return false;
            }
            if (column->calculated()) {
                error = "La table " + indexes.m_table + " a un index sur la colonne calculée « " + column->name +
                        " », dont les clés ne peuvent pas encore être tenues à jour : elle ne peut pas être modifiée.";
                return false;
            }
            if (!format.jet3 && column->type == JetType::Text &&
                !textSortOrderOf(column->sortOrder, column->sortVersion)) {
                error = "La table " + indexes.m_table + " a un index sur la colonne « " + column->name +
                        " », dont les textes suivent un ordre de tri (" + std::to_string(column->sortOrder) +
                        ", version " + std::to_string(column->sortVersion) +
                        ") que ce pilote ne connaît pas : elle ne peut pas être modifiée.";
                return false;
            }
            columns.push_back({column, part.descending});
        }
        // An index keys at least one column; its count of distinct keys lies on the first page.
        if (columns.empty() || distinctKeysOffset(i, format) + 4 > static_cast<int>(pages.pageSize()))
            return unreadableIndex(indexes.m_table, i, error);
        const JetRowId map = JetRowId::fromPointer(real[i].usageMap);
        Index index{real[i], std::move(columns), JetIndexTree(pages, layout.definitionPage, real[i].rootPage, map, format),
                    readUInt32(definition, distinctKeysOffset(i, format)), 0};
        index.tree = JetIndexTree(pages, layout.definitionPage, real[i].rootPage, map, format,
                                  indexes.damageSubject(index));
        indexes.m_indexes.push_back(std::move(index));
    }
    return true;
}

std::string JetTableIndexes::damageSubject(const Index& index) const
{
    std::string columns;
    for (const JetKeyColumn& part : index.columns)
        columns += (columns.empty() ? "« " : ", « ") + part.column->name + " »";
    return (index.definition.primary ? "L'index de la clé primaire (" + columns + ")" : "L'index sur " + columns) +
           " de la table " + m_table;
}

std::string JetTableIndexes::indexName(const Index& index) const
{
    std::string columns;
    for (const JetKeyColumn& part : index.columns)
        columns += (columns.empty() ? "« " : ", « ") + part.column->name + " »";
    return (index.definition.primary ? "la clé primaire (" : "l'index sur ") + columns +
           (index.definition.primary ? ")" : "") + " de la table " + m_table;
}

std::size_t JetTableIndexes::nullKeyColumns(const Index& index, const std::vector<unsigned char>& row) const
{
    return static_cast<std::size_t>(
        std::count_if(index.columns.begin(), index.columns.end(), [&](const JetKeyColumn& part) {
            return part.column->type != JetType::Boolean && !columnPresent(row, *part.column, *m_format);
        }));
}

bool JetTableIndexes::entryFor(const Index& index, const std::vector<unsigned char>& row, JetRowId where,
                               bool checkNulls, JetIndexEntry& entry, Entry& kind, std::string& error) const
{
    const std::size_t nulls = nullKeyColumns(index, row);
    kind = Entry::Stored;
    if (nulls == index.columns.size() && index.definition.ignoresNulls()) {
        kind = Entry::Skipped;
        return true;
    }
    if (checkNulls && nulls > 0 && (index.definition.primary || index.definition.required())) {
        error = std::string(INTEGRITY_VIOLATION) + "Les modifications n'ont pas été faites : " + indexName(index) +
                " ne peut pas contenir une valeur Null.";
        return false;
    }
    entry = {{}, where, 0};
    if (!rowIndexKey(row, index.columns, entry.key, *m_format)) {
        error = "Les modifications n'ont pas été faites : la clé de " + indexName(index) +
                " ne peut pas être calculée pour cette valeur (un caractère dont l'ordre de tri n'est pas connu).";
        return false;
    }
    return true;
}

bool JetTableIndexes::relatedHolds(const Index& index, const JetReference& reference,
                                   const std::vector<unsigned char>& key, bool& found, std::string& error)
{
    if (m_related == nullptr ||
        !m_related->holdsKey(reference.otherTablePage, reference.otherIndex, index.columns, key, found, error))
        return error.empty() ? unrelated(m_table, error) : false;
    return true;
}

bool JetTableIndexes::referredRowsExist(const Index& index, bool anyNull, const std::vector<unsigned char>& key,
                                        std::string& error)
{
    // A row whose key has a Null refers to nothing.
    for (const JetReference& reference : index.definition.references) {
        bool found = false;
        if (reference.primaryTable || anyNull)
            continue;
        if (!relatedHolds(index, reference, key, found, error))
            return false;
        if (!found) {
            error = std::string(INTEGRITY_VIOLATION) +
                    "Les modifications n'ont pas été faites : la table liée n'a pas d'enregistrement correspondant à " +
                    indexName(index) + " (relation avec intégrité référentielle).";
            return false;
        }
    }
    return true;
}

bool JetTableIndexes::noRowRefersTo(const Index& index, const std::vector<unsigned char>& key, Change change,
                                    std::string& error)
{
    for (const JetReference& reference : index.definition.references) {
        bool found = false;
        if (!reference.primaryTable)
            continue;
        // Deleting to Null goes before deleting the referring rows when a relationship asks both.
        const bool cascades = change == Change::Remove ? reference.cascadeDeletes || reference.cascadeNull
                                                       : reference.cascadeUpdates;
        if (cascades) {
            const auto action = change == Change::Update ? JetCascade::Action::Update
                                : reference.cascadeNull  ? JetCascade::Action::SetNull
                                                         : JetCascade::Action::Delete;
            m_cascades.push_back({action, reference.otherTablePage, reference.otherIndex, index.columns, key, {}, {}});
            continue;
        }
        if (!relatedHolds(index, reference, key, found, error))
            return false;
        if (found) {
            error = std::string(INTEGRITY_VIOLATION) +
                    "Les modifications n'ont pas été faites : des enregistrements d'une table liée font référence à " +
                    indexName(index) + " (relation avec intégrité référentielle).";
            return false;
        }
    }
    return true;
}

bool JetTableIndexes::setRelatedRows(JetRelatedRows* related, std::string& error)
{
    m_related = related;
    const bool enforces = std::any_of(m_indexes.begin(), m_indexes.end(),
                                      [](const Index& index) { return !index.definition.references.empty(); });
    return related != nullptr || !enforces || unrelated(m_table, error);
}

bool JetTableIndexes::alike(const Index& index, const std::vector<JetKeyColumn>& columns) const
{
    return index.columns.size() == columns.size() &&
           std::equal(columns.begin(), columns.end(), index.columns.begin(),
                      [](const JetKeyColumn& a, const JetKeyColumn& b) {
                          return a.column->type == b.column->type && a.descending == b.descending;
                      });
}

JetTableIndexes::Index* JetTableIndexes::logicalIndex(std::uint32_t number)
{
    for (Index& index : m_indexes) {
        const auto& numbers = index.definition.logicalNumbers;
        if (std::find(numbers.begin(), numbers.end(), number) != numbers.end())
            return &index;
    }
    return nullptr;
}

bool JetTableIndexes::holdsLogicalKey(std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                                      const std::vector<unsigned char>& key, bool& found, std::string& error)
{
    Index* index = this->logicalIndex(logicalIndex);
    if (index == nullptr || !alike(*index, columns))
        return unrelated(m_table, error);
    return index->tree.holdsKey(key, found, error);
}

bool JetTableIndexes::rowsWithLogicalKey(std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                                         const std::vector<unsigned char>& key, std::vector<JetRowId>& rows,
                                         std::vector<JetKeyColumn>& own, std::string& error)
{
    Index* index = this->logicalIndex(logicalIndex);
    if (index == nullptr || !alike(*index, columns))
        return unrelated(m_table, error);
    own = index->columns;
    return index->tree.collect(key, rows, error);
}

std::vector<JetCascade> JetTableIndexes::takeCascades()
{
    return std::move(m_cascades);
}

bool JetTableIndexes::add(Index& index, const std::vector<unsigned char>& row, JetRowId where,
                          std::uint32_t& nextNewPage, std::string& error)
{
    JetIndexEntry entry;
    Entry kind = Entry::Stored;
    bool present = false;
    if (!entryFor(index, row, where, true, entry, kind, error))
        return false;
    if (kind == Entry::Skipped)
        return true;
    const std::size_t nulls = nullKeyColumns(index, row);
    if (!referredRowsExist(index, nulls > 0, entry.key, error) || !index.tree.holdsKey(entry.key, present, error))
        return false;
    const bool allNull = nulls == index.columns.size();
    if (present && !allNull && (index.definition.unique() || index.definition.primary)) {
        error = std::string(INTEGRITY_VIOLATION) + "Les modifications n'ont pas été faites : elles créeraient des doublons dans " +
                indexName(index) + ".";
        return false;
    }
    if (!index.tree.insert(entry, nextNewPage, error))
        return false;
    index.distinctChange += present ? 0 : 1;
    return true;
}

bool JetTableIndexes::take(Index& index, const std::vector<unsigned char>& row, JetRowId where, Change change,
                           std::uint32_t& nextNewPage, std::string& error)
{
    JetIndexEntry entry;
    Entry kind = Entry::Stored;
    bool stillPresent = false;
    // A row already stored passed the Null checks: only its key is wanted here.
    if (!entryFor(index, row, where, false, entry, kind, error))
        return false;
    if (kind == Entry::Skipped)
        return true;
    if (!index.tree.remove(entry, nextNewPage, error) || !index.tree.holdsKey(entry.key, stillPresent, error))
        return false;
    // A key another row still holds, or with a Null, leaves the rows referring to it as they are.
    if (!stillPresent && nullKeyColumns(index, row) == 0 && !noRowRefersTo(index, entry.key, change, error))
        return false;
    index.distinctChange -= stillPresent ? 0 : 1;
    return true;
}

bool JetTableIndexes::planInsert(const std::vector<unsigned char>& row, JetRowId where, std::uint32_t& nextNewPage,
                                 std::string& error)
{
    for (Index& index : m_indexes)
        if (!add(index, row, where, nextNewPage, error)) {
            discard();
            return false;
        }
    return true;
}

bool JetTableIndexes::planInsertInto(std::size_t realIndex, const std::vector<unsigned char>& row, JetRowId where,
                                     std::uint32_t& nextNewPage, std::string& error)
{
    if (realIndex < m_indexes.size() && add(m_indexes[realIndex], row, where, nextNewPage, error))
        return true;
    discard();
    return false;
}

bool JetTableIndexes::planRemove(const std::vector<unsigned char>& row, JetRowId where, std::uint32_t& nextNewPage,
                                 std::string& error)
{
    m_cascades.clear();
    for (Index& index : m_indexes)
        if (!take(index, row, where, Change::Remove, nextNewPage, error)) {
            discard();
            return false;
        }
    return true;
}

bool JetTableIndexes::planUpdate(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                                 JetRowId where, std::uint32_t& nextNewPage, std::string& error)
{
    m_cascades.clear();
    for (Index& index : m_indexes) {
        std::vector<unsigned char> oldKey;
        std::vector<unsigned char> newKey;
        if (rowIndexKey(before, index.columns, oldKey, *m_format) &&
            rowIndexKey(after, index.columns, newKey, *m_format) &&
            oldKey == newKey)
            continue;
        if (!take(index, before, where, Change::Update, nextNewPage, error) ||
            !add(index, after, where, nextNewPage, error)) {
            discard();
            return false;
        }
    }
    return true;
}

bool JetTableIndexes::findEqual(const JetLayoutColumn& column, const JetFieldValue& value,
                                std::vector<JetRowId>& rows, bool& served, std::string& error)
{
    served = false;
    if (value.kind == JetFieldValue::Kind::Null || column.type == JetType::Text ||
        !keyTypeKnown(column.type, *m_format))
        return true;
    for (Index& index : m_indexes) {
        const JetKeyColumn& first = index.columns.front();
        if (first.column != &column)
            continue;
        std::vector<unsigned char> key;
        if (column.type == JetType::Boolean) {
            const bool yes = value.kind == JetFieldValue::Kind::Boolean ? value.boolean : value.number != 0;
            appendKeyColumn(key, column.type, first.descending, nullptr, yes);
        } else {
            std::vector<unsigned char> stored;
            std::string unused;
            if (!encodeValue(column, value, stored, unused) ||
                stored.size() != static_cast<std::size_t>(keyValueSize(column.type)) ||
                !appendKeyColumn(key, column.type, first.descending, stored.data()))
                return true;
        }
        if (!index.tree.collect(key, rows, error))
            return false;
        served = true;
        return true;
    }
    return true;
}

bool JetTableIndexes::findKeyPrefix(const JetLayoutColumn& column, const std::vector<unsigned char>& prefix,
                                    std::vector<JetRowId>& rows, bool& served, std::string& error)
{
    served = false;
    for (Index& index : m_indexes) {
        const JetKeyColumn& first = index.columns.front();
        if (first.column != &column || first.descending)
            continue;
        if (!index.tree.collect(prefix, rows, error))
            return false;
        served = true;
        return true;
    }
    return true;
}

std::vector<JetRowId> JetTableIndexes::pageMaps() const
{
    std::vector<JetRowId> maps;
    for (const Index& index : m_indexes)
        maps.push_back(JetRowId::fromPointer(index.definition.usageMap));
    return maps;
}

bool JetTableIndexes::apply()
{
    bool inPlace = true;
    for (std::size_t i = 0; i < m_indexes.size(); ++i) {
        Index& index = m_indexes[i];
        inPlace = index.tree.apply() && inPlace;
        if (index.distinctChange != 0) {
            // A count beyond what four bytes hold (a damaged one grown further) stays at their most.
            index.distinctKeys = std::clamp<std::int64_t>(index.distinctKeys + index.distinctChange, 0, 0xffffffff);
            writeUInt32(m_pages->change(m_definitionPage), distinctKeysOffset(i, *m_format),
                        static_cast<std::uint32_t>(index.distinctKeys));
            index.distinctChange = 0;
        }
    }
    return inPlace;
}

void JetTableIndexes::discard()
{
    m_cascades.clear();
    for (Index& index : m_indexes) {
        index.tree.discard();
        index.distinctChange = 0;
    }
}

}  // namespace kervane::jet
