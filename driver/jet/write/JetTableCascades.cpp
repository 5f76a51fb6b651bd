// The cascades of the relationships Access enforces, as one table's writer makes them: on the
// referenced side, the rows referring to a key a change removed or rekeyed are handed to the
// transaction (JetRelatedRows::cascade); on the referring side, those rows are deleted, set to
// Null or rekeyed, each change keeping this table's own indexes and relationships in turn.
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/write/JetTableWriter.h"

#include <algorithm>

namespace kervane::jet {

namespace {

bool sameColumnKey(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                   const JetKeyColumn& part, const JetFileFormat& format)
{
    std::vector<unsigned char> oldKey;
    std::vector<unsigned char> newKey;
    return rowIndexKey(before, {part}, oldKey, format) && rowIndexKey(after, {part}, newKey, format) &&
           oldKey == newKey;
}

}  // namespace

std::size_t JetTableWriter::columnIndex(const JetLayoutColumn& column) const
{
    return static_cast<std::size_t>(&column - m_layout.columns.data());
}

bool JetTableWriter::cascaded(std::vector<JetCascade> cascades, const std::vector<unsigned char>& before,
                              const std::vector<unsigned char>& after, const std::vector<JetFieldValue>& values,
                              std::string& error)
{
    for (JetCascade& cascade : cascades) {
        if (cascade.action == JetCascade::Action::Update) {
            // Only the key columns that changed are handed on: the others stay as the referring rows hold them.
            cascade.values.assign(cascade.columns.size(), JetFieldValue::null());
            cascade.changed.assign(cascade.columns.size(), false);
            for (std::size_t i = 0; i < cascade.columns.size(); ++i) {
                if (sameColumnKey(before, after, cascade.columns[i], format()))
                    continue;
                cascade.changed[i] = true;
                cascade.values[i] = values[columnIndex(*cascade.columns[i].column)];
            }
        }
        if (m_related == nullptr) {
            error = "La table " + tableName() + " participe à une relation dont les modifications en cascade ne "
                    "peuvent pas être faites ici : elle ne peut pas être modifiée.";
            return false;
        }
        if (!m_related->cascade(cascade, error))
            return false;
    }
    return true;
}

bool JetTableWriter::followCascade(const JetCascade& cascade, std::vector<JetRowId>& deleted, std::string& error)
{
    std::vector<JetRowId> rows;
    std::vector<JetKeyColumn> own;
    if (!m_indexes.rowsWithLogicalKey(cascade.logicalIndex, cascade.columns, cascade.key, rows, own, error))
        return false;
    for (const JetRowId& row : rows)
        if (!cascadeRow(cascade, own, row, deleted, error))
            return false;
    return true;
}

bool JetTableWriter::cascadeRow(const JetCascade& cascade, const std::vector<JetKeyColumn>& own, JetRowId row,
                                std::vector<JetRowId>& deleted, std::string& error)
{
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> key;
    // A row an earlier cascade of the same change deleted or rekeyed no longer refers to the key.
    if (!rowBytes(row, bytes) || !rowIndexKey(bytes, own, key, format()) || key != cascade.key)
        return true;
    // What a cascade cannot keep right is refused: the values of a deleted row's complex columns
    // (the transaction takes them out only for the rows a statement deletes), the calculated
    // columns of a row rekeyed.
    const auto has = [this](auto test) { return std::any_of(m_layout.columns.begin(), m_layout.columns.end(), test); };
    if (cascade.action == JetCascade::Action::Delete) {
        if (has([](const JetLayoutColumn& c) { return c.type == JetType::Complex; })) {
            error = "La table " + tableName() + " a des valeurs multiples ou des pièces jointes : la suppression en "
                    "cascade de ses lignes n'est pas encore possible.";
            return false;
        }
        deleted.push_back(row);
        return remove(row, error);
    }
    if (has([](const JetLayoutColumn& c) { return c.calculated(); })) {
        error = "La table " + tableName() + " a des colonnes calculées : la mise à jour en cascade de ses lignes "
                "n'est pas encore possible.";
        return false;
    }
    std::vector<JetFieldValue> values;
    if (!storedValues(m_layout, bytes, values)) {
        error = "Une ligne de la table " + tableName() + " est illisible : la modification en cascade n'a pas été faite.";
        return false;
    }
    for (std::size_t i = 0; i < own.size(); ++i) {
        JetFieldValue& value = values[columnIndex(*own[i].column)];
        if (cascade.action == JetCascade::Action::SetNull)
            value = JetFieldValue::null();
        else if (cascade.changed[i])
            value = cascade.values[i];
    }
    return update(row, std::move(values), error);
}

}  // namespace kervane::jet
