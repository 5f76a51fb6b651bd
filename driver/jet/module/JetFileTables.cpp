#include "driver/jet/module/JetFileTables.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/module/JetStructureModule.h"
#include "driver/sql/Writer.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace kervane::jet {
namespace {

bool declaredAlready(sqlite3* db, const std::string& name)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", -1,
                           &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return true;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> lookup(raw, sqlite3_finalize);
    sqlite3_bind_text(raw, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    return sqlite3_step(raw) != SQLITE_DONE;
}

}  // namespace

sql::SchemaCatalogue::Declared declareFileTable(sqlite3* db, const JetFile& file, std::string_view name)
{
    using Declared = sql::SchemaCatalogue::Declared;
    const std::size_t index = file.tableIndex(std::string(name));
    if (index >= file.tables().size())
        return Declared::Unneeded;
    const std::string& stored = file.tables()[index].name;
    if (declaredAlready(db, stored))
        return Declared::Unneeded;
    return sqlite3_exec(db, fileTableDeclaration(stored).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK
               ? Declared::Now
               : Declared::Refused;
}

std::string fileTableDeclaration(std::string_view name)
{
    const std::string table = sql::quotedName(name);
    return "CREATE VIRTUAL TABLE " + table + " USING " + kJetTablesByName + "(" + table + ")";
}

void declareFileTables(sqlite3* db, const JetFile& file)
{
    for (const JetTable& table : file.tables())
        if (!table.dropped)
            declareFileTable(db, file, table.name);
}

}  // namespace kervane::jet
