// Changes of an Access file's structure, made within SQLite's transactions: the statement of
// definition is written into the table kervane_structure, whose change joins the connection's
// Jet transaction like any row's, and is made there (JetTableCreation.h). The driver then
// declares or forgets the table in SQLite by name (module kervane_access), in the same
// transaction.
#include "driver/jet/module/JetStructureModule.h"

#include "driver/jet/catalogue/JetQueryDesign.h"
#include "driver/jet/module/JetGuard.h"
#include "driver/jet/module/JetVirtualTable.h"
#include "driver/jet/schema/JetStructurePlan.h"
#include "driver/sql/Parser.h"

namespace kervane::jet {
namespace {

struct EmptyCursor {
    sqlite3_vtab_cursor base{};
};

int refuseChange(sqlite3_vtab* vtab, const std::string& message, const char* state = "HY000")
{
    setError(vtab, "[" + std::string(state) + "]" + message);
    return SQLITE_ERROR;
}

int connectStructure(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** result, char** error)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(statement TEXT)");
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto vtab = std::make_unique<JetVirtualTable>();
    vtab->state = static_cast<ModuleState*>(aux);
    *result = &vtab.release()->base;
    return SQLITE_OK;
}

int disconnectStructure(sqlite3_vtab* vtab)
{
    std::unique_ptr<JetVirtualTable> owned(reinterpret_cast<JetVirtualTable*>(vtab));
    sqlite3_free(owned->base.zErrMsg);
    return SQLITE_OK;
}

int planNothing(sqlite3_vtab*, sqlite3_index_info* info)
{
    info->estimatedCost = 1;
    info->estimatedRows = 0;
    return SQLITE_OK;
}

int openEmpty(sqlite3_vtab*, sqlite3_vtab_cursor** result)
{
    *result = &std::make_unique<EmptyCursor>().release()->base;
    return SQLITE_OK;
}

int closeEmpty(sqlite3_vtab_cursor* cursor)
{
    std::unique_ptr<EmptyCursor> owned(reinterpret_cast<EmptyCursor*>(cursor));
    return SQLITE_OK;
}

int filterEmpty(sqlite3_vtab_cursor*, int, const char*, int, sqlite3_value**)
{
    return SQLITE_OK;
}

int nextEmpty(sqlite3_vtab_cursor*)
{
    return SQLITE_OK;
}

int atEnd(sqlite3_vtab_cursor*)
{
    return 1;
}

int noColumn(sqlite3_vtab_cursor*, sqlite3_context* context, int)
{
    sqlite3_result_null(context);
    return SQLITE_OK;
}

int noRowid(sqlite3_vtab_cursor*, sqlite_int64* rowid)
{
    *rowid = 0;
    return SQLITE_OK;
}

bool makeChange(JetTransaction& transaction, const JetFile& file, const sql::Definition& definition,
                std::string& error)
{
    switch (definition.kind) {
    case sql::Definition::Kind::CreateTable: {
        JetNewTable table;
        return planNewTable(definition, file.format(), table, error) && transaction.createTable(table, error);
    }
    case sql::Definition::Kind::DropTable: return transaction.dropTable(definition.table, error);
    default:
        error = "Cette modification de la structure d'une base Access n'est pas encore possible avec ce pilote.";
        return false;
    }
}

// A query stored or removed; throws SqlError when its statement does not parse or holds what a
// stored query cannot.
bool changeQuery(JetTransaction& transaction, const sql::QueryDefinition& definition, std::string& error)
{
    if (!definition.creates())
        return transaction.dropQuery(definition.name, error);
    JetNewQuery query;
    return designQuery(definition, query, error) && transaction.createQuery(query, error);
}

int changeStructure(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite_int64* rowid)
{
    if (argc < 3 || sqlite3_value_type(argv[0]) != SQLITE_NULL)
        return refuseChange(vtab, "La structure d'une base Access ne se modifie que par une instruction de définition.");
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    const ModuleState& state = *virtualTableOf(vtab).state;
    std::string error;
    try {
        const std::string_view sql = text != nullptr ? text : "";
        const sql::Statement statement = sql::parseStatement(sql);
        const std::optional<sql::Definition> definition = sql::readDefinition(statement.raw);
        const std::optional<sql::QueryDefinition> query =
            definition ? std::nullopt : sql::readQueryDefinition(sql, statement.raw);
        if (!definition && !query)
            return refuseChange(vtab, "Cette instruction ne modifie pas la structure d'une table.", "42000");
        if (!(definition ? makeChange(*state.transaction, *state.file, *definition, error)
                         : changeQuery(*state.transaction, *query, error)))
            return refuseChange(vtab, error);
    } catch (const sql::SqlError& refused) {
        return refuseChange(vtab, refused.what(), refused.state().c_str());
    }
    *rowid = 0;
    return SQLITE_OK;
}

int beginStructure(sqlite3_vtab* vtab)
{
    std::string error;
    return virtualTableOf(vtab).state->transaction->joinStructure(error) ? SQLITE_OK : refuseChange(vtab, error);
}

const sqlite3_module kStructureModule = {
    .iVersion = 2,
    .xCreate = nullptr,  // eponymous only: the table exists as soon as the module does
    .xConnect = Guarded<connectStructure>::call,
    .xBestIndex = Guarded<planNothing>::call,
    .xDisconnect = GuardedRelease<disconnectStructure>::call,
    .xDestroy = GuardedRelease<disconnectStructure>::call,
    .xOpen = Guarded<openEmpty>::call,
    .xClose = GuardedRelease<closeEmpty>::call,
    .xFilter = Guarded<filterEmpty>::call,
    .xNext = Guarded<nextEmpty>::call,
    .xEof = Guarded<atEnd>::call,
    .xColumn = Guarded<noColumn>::call,
    .xRowid = Guarded<noRowid>::call,
    .xUpdate = Guarded<changeStructure>::call,
    .xBegin = Guarded<beginStructure>::call,
    .xSync = Guarded<syncChanges>::call,
    .xCommit = Guarded<commitChanges>::call,
    .xRollback = Guarded<rollbackChanges>::call,
    .xFindFunction = nullptr,
    .xRename = nullptr,
    .xSavepoint = Guarded<savepointChanges>::call,
    .xRelease = Guarded<releaseChanges>::call,
    .xRollbackTo = Guarded<rollbackChangesTo>::call,
    .xShadowName = nullptr,
};

}  // namespace

bool registerStructureModule(sqlite3* db, ModuleState& state)
{
    return sqlite3_create_module_v2(db, kStructureTable, &kStructureModule, &state, nullptr) == SQLITE_OK;
}

}  // namespace kervane::jet
