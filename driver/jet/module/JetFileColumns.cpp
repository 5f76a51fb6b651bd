// kervane_file_columns: the columns of a table of the file (tbl: its rowid in
// kervane_file_tables) as its definition gives them, for
// the catalogue, without the table being declared to SQLite. Its rows are those SQLite's
// pragma_table_info would give once the table is declared (HIDDEN columns left out).
#include "driver/jet/module/JetFileTables.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/index/JetIndexList.h"
#include "driver/jet/module/JetGuard.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kervane::jet {
namespace {

enum ListedColumn { kName, kType, kNotNull, kPosition, kTable };

struct DescribedColumn {
    std::string name;
    std::string type;
    bool notNull = false;
};

struct ColumnsTable {
    sqlite3_vtab base{};
    JetFile* file = nullptr;
};

struct ColumnsCursor {
    sqlite3_vtab_cursor base{};
    JetFile* file = nullptr;
    sqlite3_int64 table = -1;
    std::vector<DescribedColumn> columns;
    std::size_t at = 0;
};

ColumnsCursor& columnsCursorOf(sqlite3_vtab_cursor* cursor)
{
    return *reinterpret_cast<ColumnsCursor*>(cursor);
}

// As the table is declared when first named: a column of the primary key or of a required
// index is NOT NULL. A table whose definition cannot be read has none.
std::vector<DescribedColumn> describedColumns(JetFile& file, sqlite3_int64 index)
{
    std::vector<DescribedColumn> described;
    std::string unread;
    const bool listed = index >= 0 && static_cast<std::size_t>(index) < file.tables().size() &&
                        !file.tables()[static_cast<std::size_t>(index)].dropped;
    const JetTable* table = listed ? file.define(static_cast<std::size_t>(index), unread) : nullptr;
    if (table == nullptr)
        return described;
    const std::vector<std::string> required = requiredColumns(file, *table);
    for (const JetColumn& column : table->columns)
        described.push_back({column.name, declaredType(column.info, file.format().jet3),
                             std::find(required.begin(), required.end(), column.name) != required.end()});
    return described;
}

int connectColumns(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** result, char** error)
{
    const int rc =
        sqlite3_declare_vtab(db, "CREATE TABLE x(name TEXT, type TEXT, \"notnull\" INTEGER, cid INTEGER, tbl HIDDEN)");
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto table = std::make_unique<ColumnsTable>();
    table->file = static_cast<JetFile*>(aux);
    *result = &table.release()->base;
    return SQLITE_OK;
}

int disconnectColumns(sqlite3_vtab* vtab)
{
    std::unique_ptr<ColumnsTable> owned(reinterpret_cast<ColumnsTable*>(vtab));
    sqlite3_free(owned->base.zErrMsg);
    return SQLITE_OK;
}

// Only the columns of one named table are listed: tbl = ? is required.
int planColumns(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.usable && constraint.iColumn == kTable && constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = 10;
            info->estimatedRows = 10;
            return SQLITE_OK;
        }
    }
    info->estimatedCost = 1e12;
    return SQLITE_OK;
}

int openColumns(sqlite3_vtab* vtab, sqlite3_vtab_cursor** result)
{
    auto cursor = std::make_unique<ColumnsCursor>();
    cursor->file = reinterpret_cast<ColumnsTable*>(vtab)->file;
    *result = &cursor.release()->base;
    return SQLITE_OK;
}

int closeColumns(sqlite3_vtab_cursor* cursor)
{
    std::unique_ptr<ColumnsCursor> owned(&columnsCursorOf(cursor));
    return SQLITE_OK;
}

int filterColumns(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv)
{
    ColumnsCursor& listed = columnsCursorOf(cursor);
    listed.table = argc > 0 && sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? sqlite3_value_int64(argv[0]) : -1;
    listed.columns = describedColumns(*listed.file, listed.table);
    listed.at = 0;
    return SQLITE_OK;
}

int nextColumn(sqlite3_vtab_cursor* cursor)
{
    ++columnsCursorOf(cursor).at;
    return SQLITE_OK;
}

int columnsEnd(sqlite3_vtab_cursor* cursor)
{
    return columnsCursorOf(cursor).at >= columnsCursorOf(cursor).columns.size() ? 1 : 0;
}

void resultText(sqlite3_context* context, const std::string& text)
{
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

int columnValue(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column)
{
    const ColumnsCursor& listed = columnsCursorOf(cursor);
    const DescribedColumn& described = listed.columns[listed.at];
    switch (column) {
    case kName: resultText(context, described.name); break;
    case kType: resultText(context, described.type); break;
    case kNotNull: sqlite3_result_int(context, described.notNull ? 1 : 0); break;
    case kPosition: sqlite3_result_int64(context, static_cast<sqlite3_int64>(listed.at)); break;
    default: sqlite3_result_int64(context, listed.table);
    }
    return SQLITE_OK;
}

int columnRowid(sqlite3_vtab_cursor* cursor, sqlite_int64* rowid)
{
    *rowid = static_cast<sqlite_int64>(columnsCursorOf(cursor).at);
    return SQLITE_OK;
}

const sqlite3_module kColumnsModule = {
    .iVersion = 1,
    .xCreate = nullptr,  // eponymous only
    .xConnect = Guarded<connectColumns>::call,
    .xBestIndex = Guarded<planColumns>::call,
    .xDisconnect = GuardedRelease<disconnectColumns>::call,
    .xDestroy = GuardedRelease<disconnectColumns>::call,
    .xOpen = Guarded<openColumns>::call,
    .xClose = GuardedRelease<closeColumns>::call,
    .xFilter = Guarded<filterColumns>::call,
    .xNext = Guarded<nextColumn>::call,
    .xEof = columnsEnd,
    .xColumn = Guarded<columnValue>::call,
    .xRowid = Guarded<columnRowid>::call,
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

}  // namespace

bool registerFileColumnList(sqlite3* db, JetFile& file)
{
    return sqlite3_create_module_v2(db, "kervane_file_columns", &kColumnsModule, &file, nullptr) == SQLITE_OK;
}

}  // namespace kervane::jet
