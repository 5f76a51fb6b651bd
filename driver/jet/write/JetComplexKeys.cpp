// The keys a row keeps in its complex columns (the lists of values and attachments of Access 2007
// and later): each names the row's values in a hidden table. A new row gets a new key in each
// such column, from the counter its table's definition keeps, as Access does even for a row
// without values; a changed row keeps them, its values being changed only by Access yet.
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/write/JetTableWriter.h"

namespace kervane::jet {

bool JetTableWriter::giveComplexKeys(std::vector<JetFieldValue>& values, std::uint32_t& counter,
                                     std::string& error) const
{
    const int at = format().definitionComplexAutoNumber;
    const unsigned char* definition = m_pages->read(m_layout.definitionPage);
    counter = at >= 0 && definition != nullptr ? readUInt32(definition, at) : 0;
    for (std::size_t c = 0; c < m_layout.columns.size(); ++c) {
        if (m_layout.columns[c].type != JetType::Complex)
            continue;
        if (at < 0 || definition == nullptr || values[c].kind != JetFieldValue::Kind::Null) {
            error = "La colonne « " + m_layout.columns[c].name + " » de la table " + tableName() +
                    " ne reçoit pas de valeur d'une instruction SQL : ses valeurs multiples ou ses pièces jointes "
                    "se donnent dans Access.";
            return false;
        }
        if (counter >= 0x7fffffffu) {
            error = "Le compteur des valeurs multiples de la table " + tableName() + " est épuisé.";
            return false;
        }
        values[c] = JetFieldValue::of(static_cast<std::int64_t>(++counter));
    }
    return true;
}

bool JetTableWriter::keepComplexKeys(const std::vector<unsigned char>& row, std::vector<JetFieldValue>& values,
                                     std::string& error) const
{
    for (std::size_t c = 0; c < m_layout.columns.size(); ++c) {
        const JetLayoutColumn& column = m_layout.columns[c];
        if (column.type != JetType::Complex)
            continue;
        if (values[c].kind != JetFieldValue::Kind::Stored || !values[c].bytes.empty()) {
            error = "Les valeurs multiples ou les pièces jointes de la colonne « " + column.name +
                    " » ne se modifient pas encore par une instruction SQL : la ligne n'a pas été changée.";
            return false;
        }
        std::int32_t key = 0;
        values[c] = fixedLong(row, column, key, format())
                        ? JetFieldValue::of(static_cast<std::int64_t>(static_cast<std::uint32_t>(key)))
                        : JetFieldValue::null();
    }
    return true;
}

void JetTableWriter::writeComplexCounter(std::uint32_t counter)
{
    const int at = format().definitionComplexAutoNumber;
    if (at >= 0 && counter != readUInt32(m_pages->read(m_layout.definitionPage), at))
        writeUInt32(m_pages->change(m_layout.definitionPage), at, counter);
}

}  // namespace kervane::jet
