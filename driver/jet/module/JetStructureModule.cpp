// Changes of an Access file's structure, made within SQLite's transactions: the statement of
// definition is written into the table kervane_structure, whose change joins the connection's
// Jet transaction like any row's, and is made there (JetTableCreation.h). The driver then
// declares or forgets the table in SQLite by name (module kervane_access), in the same
// transaction.
#include "driver/jet/module/JetStructureModule.h"

#include "driver/jet/catalogue/JetQueryDesign.h"
#include "driver/jet/module/JetColumnConversion.h"
#include "driver/jet/module/JetGuard.h"
#include "driver/jet/module/JetVirtualTable.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetStructurePlan.h"
#include "driver/jet/schema/JetRelationshipRemoval.h"
#include "driver/jet/schema/JetTableAlteration.h"
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

bool addKey(JetTransaction& transaction, const std::string& table, const sql::Constraint& constraint,
            std::string& error);

// ALTER TABLE … ADD COLUMN: the column, then the indexes its constraints make.
bool addColumnWithKeys(JetTransaction& transaction, const JetFile& file, const sql::Definition& definition,
                       std::string& error)
{
    const sql::ColumnDefinition& given = definition.columns.front();
    JetNewColumn column;
    if (!planColumn(given, file.version(), column, error))
        return false;
    if (given.notNull) {
        error = "La colonne « " + given.name + " » ne peut pas encore être ajoutée avec NOT NULL par ce pilote.";
        return false;
    }
    if (!transaction.alterTable(definition.table, [&](JetPages& pages, std::uint32_t page, const std::string& table,
                                                      JetRelatedRows*, std::string& failure) {
            return addColumn(pages, page, table, column, failure);
        }, error))
        return false;
    for (const sql::Constraint& constraint : definition.constraints)
        if (!addKey(transaction, definition.table, constraint, error))
            return false;
    return true;
}

bool addIndex(JetTransaction& transaction, const std::string& table, const JetIndexRequest& index, std::string& error)
{
    return transaction.alterTable(table, [&](JetPages& pages, std::uint32_t page, const std::string& name,
                                             JetRelatedRows* related, std::string& failure) {
        return createIndex(pages, page, name, index, related, failure);
    }, error);
}

bool addKey(JetTransaction& transaction, const std::string& table, const sql::Constraint& constraint,
            std::string& error)
{
    JetIndexRequest index;
    if (!planConstraintIndex(constraint, table, index))
        return transaction.relate(planRelationship(constraint, table), error);
    return addIndex(transaction, table, index, error);
}

// DROP INDEX removes an index; ALTER TABLE … DROP CONSTRAINT a relationship the table refers to
// by that name, else an index.
bool removeIndex(JetTransaction& transaction, const std::string& table, const std::string& index, bool constraint,
                 std::string& error)
{
    return transaction.alterRelatedTables(table, [&](JetPages& pages, std::uint32_t page, const std::string& name,
                                                     std::vector<std::uint32_t>& changed, std::string& failure) {
        bool relationship = false;
        return (!constraint || dropRelationship(pages, page, name, index, relationship, changed, failure)) &&
               (relationship || dropIndex(pages, page, name, index, changed, failure));
    }, error);
}

// DROP TABLE takes out first the relationships by which the table refers to others, as Access
// does; a table another one refers to stays while that relationship does (dropTable says so).
bool dropReferringTable(JetTransaction& transaction, const std::string& table, std::string& error)
{
    const bool unrelated = transaction.alterRelatedTables(table, [](JetPages& pages, std::uint32_t page,
                                                                    const std::string& name,
                                                                    std::vector<std::uint32_t>& changed,
                                                                    std::string& failure) {
        std::vector<std::string> relationships;
        bool referred = false;
        if (!referringRelationships(pages, name, relationships, referred, failure))
            return false;
        for (const std::string& relationship : referred ? std::vector<std::string>{} : relationships) {
            bool found = false;
            if (!dropRelationship(pages, page, name, relationship, found, changed, failure))
                return false;
        }
        return true;
    }, error);
    return unrelated && transaction.dropTable(table, error);
}

// ALTER TABLE … ALTER COLUMN: an AutoNumber's next number (COUNTER(seed, 1)), a text column's
// size, any column's type, its values converted.
bool alterColumn(JetTransaction& transaction, JetFile& file, sqlite3* db, const sql::Definition& definition,
                 std::string& error)
{
    const sql::ColumnDefinition& given = definition.columns.front();
    if (given.type.kind == sql::ColumnType::Kind::Counter && given.type.increment == 1 && given.type.seed >= 1)
        return transaction.alterTable(definition.table, [&](JetPages& pages, std::uint32_t page,
                                                            const std::string& table, JetRelatedRows*,
                                                            std::string& failure) {
            return restartCounter(pages, page, table, given.name, given.type.seed, failure);
        }, error);
    JetNewColumn column;
    if (given.notNull || given.defaultValue) {
        error = "ALTER COLUMN ne change ici que le type ou la taille de la colonne « " + given.name +
                " », sans NOT NULL ni DEFAULT.";
        return false;
    }
    if (!planColumn(given, file.version(), column, error))
        return false;
    if (column.autoNumber) {
        error = "La colonne « " + given.name + " » ne peut pas devenir un NuméroAuto : ajoutez plutôt une "
                "colonne COUNTER.";
        return false;
    }
    return transaction.alterTable(definition.table, [&](JetPages& pages, std::uint32_t page, const std::string& table,
                                                        JetRelatedRows* related, std::string& failure) {
        JetTableLayout layout;
        if (!readTableLayout(pages, page, layout, failure))
            return false;
        const JetLayoutColumn* now = columnNamed(layout, given.name);
        if (now != nullptr && now->type == JetType::Text && column.type == JetType::Text)
            return resizeTextColumn(pages, page, table, given.name, column.characters, failure);
        if (now != nullptr && now->type == column.type && column.type != JetType::Decimal &&
            column.type != JetType::Binary)
            return true;  // nothing changes
        ValueConverter convert(db, file);
        return retypeColumn(pages, page, table, column, std::ref(convert), related, failure);
    }, error);
}

bool makeChange(JetTransaction& transaction, JetFile& file, sqlite3* db, const sql::Definition& definition,
                std::string& error)
{
    using Kind = sql::Definition::Kind;
    switch (definition.kind) {
    case Kind::CreateTable: {
        JetNewTable table;
        if (!planNewTable(definition, file.version(), table, error) || !transaction.createTable(table, error))
            return false;
        for (const sql::Constraint& constraint : definition.constraints)
            if (constraint.kind == sql::Constraint::Kind::ForeignKey &&
                !transaction.relate(planRelationship(constraint, definition.table), error))
                return false;
        return true;
    }
    case Kind::DropTable: return dropReferringTable(transaction, definition.table, error);
    case Kind::CreateIndex: return addIndex(transaction, definition.table, planIndex(definition.index), error);
    case Kind::DropIndex: return removeIndex(transaction, definition.table, definition.name, false, error);
    case Kind::DropConstraint: return removeIndex(transaction, definition.table, definition.name, true, error);
    case Kind::AddConstraint: return addKey(transaction, definition.table, definition.constraints.front(), error);
    case Kind::AddColumn: return addColumnWithKeys(transaction, file, definition, error);
    case Kind::DropColumn:
        return transaction.alterTable(definition.table, [&](JetPages& pages, std::uint32_t page,
                                                            const std::string& table, JetRelatedRows*,
                                                            std::string& failure) {
            return dropColumn(pages, page, table, definition.name, failure);
        }, error);
    case Kind::AlterColumn: return alterColumn(transaction, file, db, definition, error);
    case Kind::DatabasePassword: return transaction.changePassword(definition.password, definition.oldPassword, error);
    }
    return false;
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
        if (!(definition ? makeChange(*state.transaction, *state.file, state.db, *definition, error)
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
