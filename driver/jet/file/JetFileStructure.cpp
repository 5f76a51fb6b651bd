// The tables of a file as another connection left them: created, dropped or redefined since
// this one listed and read them.
#include "driver/jet/file/JetFile.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace kervane::jet {

std::vector<JetFile::StructureFollowed> JetFile::followStructure(const Catalogue& now)
{
    using Kind = StructureFollowed::Kind;
    std::vector<StructureFollowed> followed;
    if (m_overlay != nullptr)
        return followed;
    const auto listed = [&now](const JetTable& table) {
        return std::any_of(now.begin(), now.end(), [&](const CatalogueObject& object) {
            return listedTable(object) && definitionPageOf(object) == table.definitionPage && object.name == table.name;
        });
    };
    for (std::size_t t = 0; t < m_tables.size(); ++t) {
        JetTable& table = m_tables[t];
        if (table.dropped || table.system)
            continue;
        if (!listed(table)) {
            setDropped(t, true);
            followed.push_back({Kind::Dropped, table.name});
            continue;
        }
        std::vector<unsigned char> bytes;
        if (table.defined && readDefinitionBytes(table.definitionPage, bytes) &&
            std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())) !=
                table.definitionHash) {
            redefine(t);
            followed.push_back({Kind::Changed, table.name});
        }
    }
    for (const CatalogueObject& object : now) {
        if (!listedTable(object) || isSystemObject(object))
            continue;
        const bool known = std::any_of(m_tables.begin(), m_tables.end(), [&](const JetTable& table) {
            return !table.dropped && table.definitionPage == definitionPageOf(object) && table.name == object.name;
        });
        if (!known) {
            addTable(object.name, definitionPageOf(object));
            followed.push_back({Kind::Created, object.name});
        }
    }
    return followed;
}

}  // namespace kervane::jet
