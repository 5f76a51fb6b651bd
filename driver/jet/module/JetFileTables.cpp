#include "driver/jet/module/JetFileTables.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/module/JetGuard.h"
#include "driver/jet/module/JetStructureModule.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace kervane::jet {
namespace {

struct ListTable {
    sqlite3_vtab base{};
    JetFile* file = nullptr;
};

struct ListCursor {
    sqlite3_vtab_cursor base{};
    JetFile* file = nullptr;
    std::size_t at = 0;
};

ListCursor& listCursorOf(sqlite3_vtab_cursor* cursor)
{
    return *reinterpret_cast<ListCursor*>(cursor);
}

void skipRemoved(ListCursor& cursor)
{
    const auto& tables = cursor.file->tables();
    while (cursor.at < tables.size() && tables[cursor.at].dropped)
        ++cursor.at;
}

int connectList(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** result, char** error)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(name TEXT, system INTEGER)");
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto table = std::make_unique<ListTable>();
    table->file = static_cast<JetFile*>(aux);
    *result = &table.release()->base;
    return SQLITE_OK;
}

int disconnectList(sqlite3_vtab* vtab)
{
    std::unique_ptr<ListTable> owned(reinterpret_cast<ListTable*>(vtab));
    sqlite3_free(owned->base.zErrMsg);
    return SQLITE_OK;
}

int planList(sqlite3_vtab* vtab, sqlite3_index_info* info)
{
    const double rows = static_cast<double>(reinterpret_cast<ListTable*>(vtab)->file->tables().size());
    info->estimatedCost = rows + 1;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    return SQLITE_OK;
}

int openList(sqlite3_vtab* vtab, sqlite3_vtab_cursor** result)
{
    auto cursor = std::make_unique<ListCursor>();
    cursor->file = reinterpret_cast<ListTable*>(vtab)->file;
    *result = &cursor.release()->base;
    return SQLITE_OK;
}

int closeList(sqlite3_vtab_cursor* cursor)
{
    std::unique_ptr<ListCursor> owned(&listCursorOf(cursor));
    return SQLITE_OK;
}

int filterList(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**)
{
    listCursorOf(cursor).at = 0;
    skipRemoved(listCursorOf(cursor));
    return SQLITE_OK;
}

int nextList(sqlite3_vtab_cursor* cursor)
{
    ++listCursorOf(cursor).at;
    skipRemoved(listCursorOf(cursor));
    return SQLITE_OK;
}

int listEnd(sqlite3_vtab_cursor* cursor)
{
    return listCursorOf(cursor).at >= listCursorOf(cursor).file->tables().size() ? 1 : 0;
}

int listColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column)
{
    const JetTable& table = listCursorOf(cursor).file->tables()[listCursorOf(cursor).at];
    if (column == 0)
        sqlite3_result_text(context, table.name.c_str(), static_cast<int>(table.name.size()), SQLITE_TRANSIENT);
    else
        sqlite3_result_int(context, table.system ? 1 : 0);
    return SQLITE_OK;
}

int listRowid(sqlite3_vtab_cursor* cursor, sqlite_int64* rowid)
{
    *rowid = static_cast<sqlite_int64>(listCursorOf(cursor).at);
    return SQLITE_OK;
}

const sqlite3_module kListModule = {
    .iVersion = 1,
    .xCreate = nullptr,  // eponymous only
    .xConnect = Guarded<connectList>::call,
    .xBestIndex = Guarded<planList>::call,
    .xDisconnect = GuardedRelease<disconnectList>::call,
    .xDestroy = GuardedRelease<disconnectList>::call,
    .xOpen = Guarded<openList>::call,
    .xClose = GuardedRelease<closeList>::call,
    .xFilter = Guarded<filterList>::call,
    .xNext = Guarded<nextList>::call,
    .xEof = listEnd,
    .xColumn = Guarded<listColumn>::call,
    .xRowid = Guarded<listRowid>::call,
    .xUpdate = nullptr,
    .xBegin = nullptr,
    .xSync = nullptr,
    .xCommit = nullptr,
    .xRollback = nullptr,
    .xFindFunction = nullptr,
    .xRename = nullptr,
    .xSavepoint = nullptr,
    .xRelease = nullptr,
    .xRollbackTo = nullptr,
    .xShadowName = nullptr,
};

std::string quotedName(const std::string& name)
{
    std::string text = "\"";
    for (char c : name)
        text += c == '"' ? std::string("\"\"") : std::string(1, c);
    return text + "\"";
}

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

bool registerFileTableList(sqlite3* db, JetFile& file)
{
    return sqlite3_create_module_v2(db, "kervane_file_tables", &kListModule, &file, nullptr) == SQLITE_OK;
}

sql::SchemaCatalogue::Declared declareFileTable(sqlite3* db, const JetFile& file, std::string_view name)
{
    using Declared = sql::SchemaCatalogue::Declared;
    const std::size_t index = file.tableIndex(std::string(name));
    if (index >= file.tables().size())
        return Declared::Unneeded;
    const std::string& stored = file.tables()[index].name;
    if (declaredAlready(db, stored))
        return Declared::Unneeded;
    const std::string table = quotedName(stored);
    const std::string declaration = "CREATE VIRTUAL TABLE " + table + " USING " + kJetTablesByName + "(" + table + ")";
    return sqlite3_exec(db, declaration.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? Declared::Now
                                                                                         : Declared::Refused;
}

void declareFileTables(sqlite3* db, const JetFile& file)
{
    for (const JetTable& table : file.tables())
        if (!table.dropped)
            declareFileTable(db, file, table.name);
}

}  // namespace kervane::jet
