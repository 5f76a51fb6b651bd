// The writing half of the Jet virtual tables: SQLite's INSERT, UPDATE and DELETE become changes
// of the connection's Jet transaction, which SQLite begins, syncs, commits, rolls back and
// undoes statement by statement through the module's calls.
#include "driver/jet/format/JetValue.h"
#include "driver/jet/module/JetVirtualTable.h"

#include <algorithm>

namespace kervane::jet {
namespace {

// The driver reads a "[state]" prefix as the SQLSTATE of the text that follows; a message
// without one (any but a broken key's or relationship's) is a general error.
int refuse(sqlite3_vtab* vtab, const std::string& message, int code = SQLITE_ERROR)
{
    const bool stated = message.size() > 7 && message[0] == '[' && message[6] == ']';
    setError(vtab, stated ? message : "[HY000]" + message);
    return code;
}

JetTransaction& transactionOf(sqlite3_vtab* vtab)
{
    return *virtualTableOf(vtab).state->transaction;
}

}  // namespace

int updateRow(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite_int64* rowid)
{
    const JetTable& table = *virtualTableOf(vtab).table;
    JetTransaction& transaction = transactionOf(vtab);
    std::string error;
    if (argc == 1)
        return transaction.remove(table, sqlite3_value_int64(argv[0]), error) ? SQLITE_OK : refuse(vtab, error);
    // The table's columns, then the hidden keys of its complex columns (left as they are).
    const auto complexColumns = std::count_if(table.columns.begin(), table.columns.end(),
                                              [](const JetColumn& c) { return c.info.type == kComplexType; });
    if (argc != 2 + static_cast<int>(table.columns.size() + static_cast<std::size_t>(complexColumns)))
        return refuse(vtab, "Nombre de valeurs incorrect pour la table « " + table.name + " ».");
    const bool inserting = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    // The rowid is the row's place in the file, which the file decides.
    if (inserting ? sqlite3_value_type(argv[1]) != SQLITE_NULL
                  : sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1]) ||
                        sqlite3_value_type(argv[1]) != SQLITE_INTEGER)
        return refuse(vtab, "Le numéro de ligne (rowid) d'une table Access ne peut pas être choisi.");
    if (inserting) {
        std::int64_t placed = 0;
        if (!transaction.insert(table, argv + 2, placed, error))
            return refuse(vtab, error);
        *rowid = placed;
        return SQLITE_OK;
    }
    return transaction.update(table, sqlite3_value_int64(argv[0]), argv + 2, error) ? SQLITE_OK : refuse(vtab, error);
}

int beginChanges(sqlite3_vtab* vtab)
{
    std::string error;
    return transactionOf(vtab).join(*virtualTableOf(vtab).table, error) ? SQLITE_OK : refuse(vtab, error);
}

// The commit is made here, where a failure still makes SQLite roll the whole transaction back.
int syncChanges(sqlite3_vtab* vtab)
{
    std::string error;
    return transactionOf(vtab).commit(error) ? SQLITE_OK : refuse(vtab, error);
}

int commitChanges(sqlite3_vtab* vtab)
{
    transactionOf(vtab).finish();
    return SQLITE_OK;
}

int rollbackChanges(sqlite3_vtab* vtab)
{
    transactionOf(vtab).finish();
    return SQLITE_OK;
}

int savepointChanges(sqlite3_vtab* vtab, int level)
{
    transactionOf(vtab).savepoint(level);
    return SQLITE_OK;
}

int releaseChanges(sqlite3_vtab* vtab, int level)
{
    transactionOf(vtab).release(level);
    return SQLITE_OK;
}

int rollbackChangesTo(sqlite3_vtab* vtab, int level)
{
    std::string error;
    return transactionOf(vtab).rollbackTo(level, error) ? SQLITE_OK : refuse(vtab, error);
}

}  // namespace kervane::jet
