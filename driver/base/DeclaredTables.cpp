// The tables of an Access file as SQLite knows them: declared when a statement first names
// them, forgotten when another connection changes them.
#include "driver/base/Database.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/sql/Writer.h"

namespace kervane::odbc {

sql::SchemaCatalogue::Declared Database::declareTable(std::string_view name)
{
    if (m_jetFile == nullptr)
        return sql::SchemaCatalogue::Declared::Unneeded;
    return jet::declareFileTable(m_db.get(), *m_jetFile, name);
}

bool Database::declareMissingTable()
{
    return m_catalogue != nullptr && m_catalogue->declareMissing();
}

void Database::followStructure()
{
    if (m_jetFile == nullptr || inTransaction() || m_jetFile->inStatement() ||
        (m_jetFile->generation() == m_structureSeen && !m_jetFile->stampMoved()))
        return;
    std::vector<jet::JetFile::StructureFollowed> followed;
    {
        const Reading reading = startReading({});
        if (m_jetFile->generation() == m_structureSeen)
            return;
        m_structureSeen = m_jetFile->generation();
        // Another program may have left the catalogue damaged: read by the driver's checked
        // code only. What it cannot vouch for is not followed, and the statements find the
        // tables as they were listed.
        const std::optional<jet::Catalogue> now = jet::listedCatalogue(*m_jetFile);
        if (!now)
            return;
        followed = m_jetFile->followStructure(*now);
    }
    // A table made elsewhere is declared when first named, like the others.
    using Kind = jet::JetFile::StructureFollowed::Kind;
    for (const jet::JetFile::StructureFollowed& change : followed) {
        if (change.kind == Kind::Created)
            continue;
        const std::string drop = "DROP TABLE IF EXISTS " + sql::quotedName(change.table);
        sqlite3_exec(m_db.get(), drop.c_str(), nullptr, nullptr, nullptr);
    }
}

}  // namespace kervane::odbc
