#include "driver/jet/catalogue/JetSchemaDeclarations.h"

#include <sqlite3.h>

#include <memory>
#include <set>

namespace kervane::jet {

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    return Statement(statement);
}

bool execute(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool schemaIsEmpty(sqlite3* db)
{
    const Statement count = prepare(db, "SELECT count(*) FROM main.sqlite_master");
    return count && sqlite3_step(count.get()) == SQLITE_ROW && sqlite3_column_int64(count.get(), 0) == 0;
}

// SQLite compares object names folding ASCII letters only.
std::string folded(const std::string& name)
{
    std::string text = name;
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool namesAreUnique(const std::vector<Declaration>& tables)
{
    std::set<std::string> seen;
    for (const Declaration& table : tables) {
        if (!seen.insert(folded(table.name)).second)
            return false;
    }
    return true;
}

// Writes (or, with `remove`, deletes) the schema rows of `tables`, then has SQLite reload the
// schema from them.
bool rewriteSchema(sqlite3* db, const std::vector<const Declaration*>& tables, bool remove)
{
    if (!execute(db, "PRAGMA writable_schema = ON"))
        return false;
    bool written = execute(db, "SAVEPOINT kervane_jet_schema");
    if (written) {
        const Statement change =
            prepare(db, remove ? "DELETE FROM main.sqlite_master WHERE name = ?1"
                               : "INSERT INTO main.sqlite_master(type, name, tbl_name, rootpage, sql) "
                                 "VALUES ('table', ?1, ?1, 0, ?2)");
        written = change != nullptr;
        for (std::size_t i = 0; written && i < tables.size(); ++i) {
            sqlite3_bind_text(change.get(), 1, tables[i]->name.c_str(), -1, SQLITE_TRANSIENT);
            if (!remove)
                sqlite3_bind_text(change.get(), 2, tables[i]->statement.c_str(), -1, SQLITE_TRANSIENT);
            written = sqlite3_step(change.get()) == SQLITE_DONE;
            sqlite3_reset(change.get());
        }
        if (!written)
            execute(db, "ROLLBACK TO kervane_jet_schema");
        execute(db, "RELEASE kervane_jet_schema");
    }
    // RESET also turns writing the schema off again.
    return execute(db, "PRAGMA writable_schema = RESET") && written;
}

std::vector<const Declaration*> everyTable(const std::vector<Declaration>& tables)
{
    std::vector<const Declaration*> all;
    for (const Declaration& table : tables)
        all.push_back(&table);
    return all;
}

// Has SQLite load the schema just written, as the next statement would.
bool schemaLoads(sqlite3* db)
{
    const Statement load = prepare(db, "SELECT count(*) FROM main.sqlite_master");
    return load && sqlite3_step(load.get()) == SQLITE_ROW;
}

}  // namespace

bool declareAtOnce(sqlite3* db, const std::vector<Declaration>& tables)
{
    if (!schemaIsEmpty(db) || !namesAreUnique(tables))
        return false;
    const std::vector<const Declaration*> all = everyTable(tables);
    if (!rewriteSchema(db, all, false) || !schemaLoads(db)) {
        rewriteSchema(db, all, true);
        return false;
    }
    return true;
}

}  // namespace kervane::jet
