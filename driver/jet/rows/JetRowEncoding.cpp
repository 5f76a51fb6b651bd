// A row: column count, fixed area, variable data, then (read from the end) the null mask, the
// count of variable columns, their offsets in reverse order and the end of the data. Jet 4
// counts and offsets take two bytes; Jet 3 ones take one, a jump table before the count
// telling where the offsets pass each multiple of 256.
#include "driver/jet/rows/JetRowEncoding.h"

#include "driver/jet/format/JetByteOrder.h"

#include <algorithm>

namespace kervane::jet {

namespace {

void markNotNull(std::vector<unsigned char>& mask, int number)
{
    mask[static_cast<std::size_t>(number / 8)] |= static_cast<unsigned char>(1u << (number % 8));
}

// Fixed columns at their offsets after the column count; the null mask gets their bits.
bool writeFixed(const JetTableLayout& layout, const std::vector<JetFieldValue>& values, std::vector<unsigned char>& row,
                std::vector<unsigned char>& mask, std::string& error)
{
    const int countSize = layout.format->rowCountSize;
    std::size_t end = row.size();
    for (const auto& column : layout.columns)
        if (column.fixed())
            end = std::max(end, static_cast<std::size_t>(countSize + column.fixedOffset + fixedSize(column)));
    row.resize(end, 0);
    for (std::size_t c = 0; c < layout.columns.size(); ++c) {
        const JetLayoutColumn& column = layout.columns[c];
        const JetFieldValue& value = values[c];
        if (!column.fixed())
            continue;
        if (column.type == JetType::Boolean) {  // its value is its bit; NULL reads as No
            const bool yes = value.kind == JetFieldValue::Kind::Boolean ? value.boolean
                             : value.kind == JetFieldValue::Kind::Number ? value.number != 0
                                                                         : false;
            if (value.kind != JetFieldValue::Kind::Null && value.kind != JetFieldValue::Kind::Boolean &&
                value.kind != JetFieldValue::Kind::Number) {
                error = "La valeur donnée à la colonne « " + column.name + " » n'est pas Oui ou Non.";
                return false;
            }
            if (yes)
                markNotNull(mask, column.number);
            continue;
        }
        if (value.kind == JetFieldValue::Kind::Null)
            continue;
        std::vector<unsigned char> bytes;
        if (!encodeValue(column, value, bytes, error))
            return false;
        std::copy(bytes.begin(), bytes.end(), row.begin() + countSize + column.fixedOffset);
        markNotNull(mask, column.number);
    }
    return true;
}

// Variable columns in the order of their offset table entries; `offsets` gets each entry.
bool writeVariable(const JetTableLayout& layout, const std::vector<JetFieldValue>& values, const OutsideValues& outside,
                   std::vector<unsigned char>& row, std::vector<unsigned char>& mask, std::vector<int>& offsets,
                   std::string& error)
{
    std::vector<std::size_t> order;
    for (std::size_t c = 0; c < layout.columns.size(); ++c)
        if (!layout.columns[c].fixed())
            order.push_back(c);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return layout.columns[a].variableIndex < layout.columns[b].variableIndex;
    });
    offsets.assign(static_cast<std::size_t>(layout.variableColumns), 0);
    int entry = 0;
    for (std::size_t c : order) {
        const JetLayoutColumn& column = layout.columns[c];
        if (column.variableIndex >= layout.variableColumns) {
            error = "La définition de la table place la colonne « " + column.name + " » hors de sa table des longueurs variables.";
            return false;
        }
        const int start = static_cast<int>(row.size());
        if (values[c].kind != JetFieldValue::Kind::Null) {
            const auto kept = outside.find(c);
            if (!encodeValue(column, values[c], row, error, kept == outside.end() ? nullptr : &kept->second,
                             *layout.format))
                return false;
            markNotNull(mask, column.number);
        }
        while (entry <= column.variableIndex)  // entries of deleted columns share the next start
            offsets[static_cast<std::size_t>(entry++)] = start;
    }
    while (entry < layout.variableColumns)
        offsets[static_cast<std::size_t>(entry++)] = static_cast<int>(row.size());
    return true;
}

// Jet 4: the end of the data and the offsets (last first, two bytes each), then their count.
void appendTrailer4(std::vector<unsigned char>& row, const std::vector<int>& offsets, int minSize, std::size_t maskSize)
{
    const int end = static_cast<int>(row.size());
    const std::size_t trailer = maskSize + 4 + 2 * offsets.size();
    if (row.size() + trailer < static_cast<std::size_t>(minSize))
        row.resize(static_cast<std::size_t>(minSize) - trailer, 0);
    appendLittleEndian(row, static_cast<std::uint16_t>(end));
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
        appendLittleEndian(row, static_cast<std::uint16_t>(*it));
    appendLittleEndian(row, static_cast<std::uint16_t>(static_cast<int>(offsets.size())));
}

// Jet 3: the low bytes of the end of the data and of the offsets (last first), one jump entry
// for each whole 256 bytes of the row before the last (last first: the first entry, the end of
// the data counting as one more, at or past that multiple of 256; 0xff when none is), then the
// count of offsets.
void appendTrailer3(std::vector<unsigned char>& row, const std::vector<int>& offsets, int minSize, std::size_t maskSize)
{
    const std::size_t end = row.size();
    const std::size_t fixedPart = 2 + offsets.size() + maskSize;  // end, count, offsets, mask
    std::size_t data = end;
    std::size_t jumps = 0;
    for (std::size_t length = data + fixedPart; (length - 1) / 256 != jumps; length = data + fixedPart + jumps)
        jumps = (length - 1) / 256;
    if (data + fixedPart + jumps < static_cast<std::size_t>(minSize)) {  // padded to the size it replaces
        const std::size_t padJumps = static_cast<std::size_t>(minSize - 1) / 256;
        if (static_cast<std::size_t>(minSize) >= fixedPart + padJumps + data) {
            jumps = padJumps;
            data = static_cast<std::size_t>(minSize) - fixedPart - padJumps;
        }
    }
    row.resize(data, 0);
    row.push_back(static_cast<unsigned char>(end & 0xff));
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
        row.push_back(static_cast<unsigned char>(*it & 0xff));
    for (std::size_t k = jumps; k-- > 0;) {
        unsigned char first = 0xff;
        for (std::size_t i = 0; i <= offsets.size(); ++i) {
            const std::size_t value = i < offsets.size() ? static_cast<std::size_t>(offsets[i]) : end;
            if (value >= 256 * (k + 1)) {
                first = static_cast<unsigned char>(i);
                break;
            }
        }
        row.push_back(first);
    }
    row.push_back(static_cast<unsigned char>(offsets.size()));
}

}  // namespace

bool encodeRow(const JetTableLayout& layout, const std::vector<JetFieldValue>& values, int minSize,
               std::vector<unsigned char>& row, std::string& error, const OutsideValues& outside)
{
    if (values.size() != layout.columns.size()) {
        error = "Le nombre de valeurs données ne correspond pas au nombre de colonnes de la table.";
        return false;
    }
    for (const auto& column : layout.columns) {
        if (column.number >= layout.maxColumns) {
            error = "La définition de la table donne à la colonne « " + column.name + " » un numéro hors du masque des valeurs nulles.";
            return false;
        }
    }
    const JetFileFormat& format = *layout.format;
    if (format.rowCountSize == 1 && (layout.maxColumns > 255 || layout.variableColumns > 255)) {
        error = "La définition de la table compte plus de colonnes qu'une ligne Access 97 ne peut en avoir.";
        return false;
    }
    row.clear();
    if (format.rowCountSize == 1)
        row.push_back(static_cast<unsigned char>(layout.maxColumns));
    else
        appendLittleEndian(row, static_cast<std::uint16_t>(layout.maxColumns));
    std::vector<unsigned char> mask(static_cast<std::size_t>((layout.maxColumns + 7) / 8), 0);
    if (!writeFixed(layout, values, row, mask, error))
        return false;
    std::vector<int> offsets;
    const bool variable = layout.variableColumns > 0;
    if (variable && !writeVariable(layout, values, outside, row, mask, offsets, error))
        return false;
    if (!variable && row.size() + mask.size() < static_cast<std::size_t>(minSize))
        row.resize(static_cast<std::size_t>(minSize) - mask.size(), 0);
    else if (variable && format.rowCountSize == 1)
        appendTrailer3(row, offsets, minSize, mask.size());
    else if (variable)
        appendTrailer4(row, offsets, minSize, mask.size());
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > static_cast<std::size_t>(format.maxRowSize)) {
        error = "La ligne à écrire dépasse la taille qu'une ligne de table Access peut avoir (" +
                std::to_string(format.maxRowSize) + " octets).";
        return false;
    }
    return true;
}

}  // namespace kervane::jet
