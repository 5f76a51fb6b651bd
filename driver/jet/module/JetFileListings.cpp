// kervane_file_tables and kervane_file_columns: what the file's own catalogue and definitions
// say of its tables, for the catalogue functions, without the tables being declared to SQLite.
// Both are lists of rows made when a statement starts reading them, through one module.
#include "driver/jet/module/JetFileTables.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/index/JetIndexList.h"
#include "driver/jet/module/JetGuard.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kervane::jet {
namespace {

using ListedValue = std::variant<sqlite3_int64, std::string>;

struct ListedRow {
    sqlite3_int64 rowid = 0;
    std::vector<ListedValue> values;
};

// A listing: its columns, and its rows for the argument given to its hidden column (when it has
// one) or for none.
struct Listing {
    const char* declaration;
    bool takesArgument;
    std::vector<ListedRow> (*rows)(JetFile& file, sqlite3_value* argument);
};

// The tables, those a transaction under way removed left out, each with its place in the list.
std::vector<ListedRow> tableRows(JetFile& file, sqlite3_value*)
{
    std::vector<ListedRow> rows;
    for (std::size_t i = 0; i < file.tables().size(); ++i)
        if (const JetTable& table = file.tables()[i]; !table.dropped)
            rows.push_back({static_cast<sqlite3_int64>(i), {table.name, sqlite3_int64{table.system ? 1 : 0}}});
    return rows;
}

// The columns of the table at place `argument`, as it is declared when first named: a column of
// the primary key or of a required index is NOT NULL. A table whose definition cannot be read
// has none.
std::vector<ListedRow> columnRows(JetFile& file, sqlite3_value* argument)
{
    std::vector<ListedRow> rows;
    if (argument == nullptr || sqlite3_value_type(argument) != SQLITE_INTEGER)
        return rows;
    const sqlite3_int64 index = sqlite3_value_int64(argument);
    std::string unread;
    const bool listed = index >= 0 && static_cast<std::size_t>(index) < file.tables().size() &&
                        !file.tables()[static_cast<std::size_t>(index)].dropped;
    const JetTable* table = listed ? file.define(static_cast<std::size_t>(index), unread) : nullptr;
    if (table == nullptr)
        return rows;
    const std::vector<std::string> required = requiredColumns(file, *table);
    for (std::size_t c = 0; c < table->columns.size(); ++c) {
        const JetColumn& column = table->columns[c];
        const bool notNull = std::find(required.begin(), required.end(), column.name) != required.end();
        rows.push_back({static_cast<sqlite3_int64>(c),
                        {column.name, declaredType(column.info, file.format().jet3), sqlite3_int64{notNull ? 1 : 0},
                         static_cast<sqlite3_int64>(c), index}});
    }
    return rows;
}

const Listing kTables{"CREATE TABLE x(name TEXT, system INTEGER)", false, tableRows};
const Listing kColumns{"CREATE TABLE x(name TEXT, type TEXT, \"notnull\" INTEGER, cid INTEGER, tbl HIDDEN)", true,
                       columnRows};

// The file the listings read, and which listing each registration is.
struct ListingSource {
    JetFile* file;
    const Listing* listing;
};

struct ListingTable {
    sqlite3_vtab base{};
    ListingSource source{};
};

struct ListingCursor {
    sqlite3_vtab_cursor base{};
    ListingSource source{};
    std::vector<ListedRow> rows;
    std::size_t at = 0;
};

ListingCursor& listingCursorOf(sqlite3_vtab_cursor* cursor)
{
    return *reinterpret_cast<ListingCursor*>(cursor);
}

int connectListing(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** result, char** error)
{
    const auto* source = static_cast<const ListingSource*>(aux);
    const int rc = sqlite3_declare_vtab(db, source->listing->declaration);
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto table = std::make_unique<ListingTable>();
    table->source = *source;
    *result = &table.release()->base;
    return SQLITE_OK;
}

int disconnectListing(sqlite3_vtab* vtab)
{
    std::unique_ptr<ListingTable> owned(reinterpret_cast<ListingTable*>(vtab));
    sqlite3_free(owned->base.zErrMsg);
    return SQLITE_OK;
}

// A listing with an argument is read for one value of it (tbl = ?), which SQLite must give.
int planListing(sqlite3_vtab* vtab, sqlite3_index_info* info)
{
    const ListingSource& source = reinterpret_cast<ListingTable*>(vtab)->source;
    const double tables = static_cast<double>(source.file->tables().size());
    info->estimatedCost = tables + 1;
    if (!source.listing->takesArgument)
        return SQLITE_OK;
    const int argumentColumn = 4;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.usable && constraint.iColumn == argumentColumn && constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = 10;
            return SQLITE_OK;
        }
    }
    info->estimatedCost = 1e12;
    return SQLITE_OK;
}

int openListing(sqlite3_vtab* vtab, sqlite3_vtab_cursor** result)
{
    auto cursor = std::make_unique<ListingCursor>();
    cursor->source = reinterpret_cast<ListingTable*>(vtab)->source;
    *result = &cursor.release()->base;
    return SQLITE_OK;
}

int closeListing(sqlite3_vtab_cursor* cursor)
{
    std::unique_ptr<ListingCursor> owned(&listingCursorOf(cursor));
    return SQLITE_OK;
}

int filterListing(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv)
{
    ListingCursor& listing = listingCursorOf(cursor);
    listing.rows = listing.source.listing->rows(*listing.source.file, argc > 0 ? argv[0] : nullptr);
    listing.at = 0;
    return SQLITE_OK;
}

int nextListed(sqlite3_vtab_cursor* cursor)
{
    ++listingCursorOf(cursor).at;
    return SQLITE_OK;
}

int listingEnd(sqlite3_vtab_cursor* cursor)
{
    return listingCursorOf(cursor).at >= listingCursorOf(cursor).rows.size() ? 1 : 0;
}

int listedValue(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column)
{
    const ListingCursor& listing = listingCursorOf(cursor);
    const std::vector<ListedValue>& values = listing.rows[listing.at].values;
    if (column < 0 || static_cast<std::size_t>(column) >= values.size())
        sqlite3_result_null(context);
    else if (const auto* number = std::get_if<sqlite3_int64>(&values[static_cast<std::size_t>(column)]))
        sqlite3_result_int64(context, *number);
    else {
        const std::string& text = std::get<std::string>(values[static_cast<std::size_t>(column)]);
        sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    return SQLITE_OK;
}

int listedRowid(sqlite3_vtab_cursor* cursor, sqlite_int64* rowid)
{
    *rowid = listingCursorOf(cursor).rows[listingCursorOf(cursor).at].rowid;
    return SQLITE_OK;
}

const sqlite3_module kListingModule = {
    .iVersion = 1,
    .xCreate = nullptr,  // eponymous only
    .xConnect = Guarded<connectListing>::call,
    .xBestIndex = Guarded<planListing>::call,
    .xDisconnect = GuardedRelease<disconnectListing>::call,
    .xDestroy = GuardedRelease<disconnectListing>::call,
    .xOpen = Guarded<openListing>::call,
    .xClose = GuardedRelease<closeListing>::call,
    .xFilter = Guarded<filterListing>::call,
    .xNext = Guarded<nextListed>::call,
    .xEof = listingEnd,
    .xColumn = Guarded<listedValue>::call,
    .xRowid = Guarded<listedRowid>::call,
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

void releaseSource(void* source)
{
    std::unique_ptr<ListingSource> owned(static_cast<ListingSource*>(source));
}

bool registerListing(sqlite3* db, const char* name, JetFile& file, const Listing& listing)
{
    auto source = std::make_unique<ListingSource>(ListingSource{&file, &listing});
    // SQLite owns the source from here, releasing it even when the registration fails.
    return sqlite3_create_module_v2(db, name, &kListingModule, source.release(), releaseSource) == SQLITE_OK;
}

}  // namespace

bool registerFileListings(sqlite3* db, JetFile& file)
{
    return registerListing(db, "kervane_file_tables", file, kTables) &&
           registerListing(db, "kervane_file_columns", file, kColumns);
}

}  // namespace kervane::jet
