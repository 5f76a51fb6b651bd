#include "driver/jet/module/JetModule.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetAttachmentData.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetIndexList.h"
#include "driver/jet/index/JetIndexPlan.h"
#include "driver/jet/index/JetIndexWalk.h"
#include "driver/jet/module/JetColumnDesign.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/jet/module/JetGuard.h"
#include "driver/jet/module/JetScanControl.h"
#include "driver/jet/module/JetStructureModule.h"
#include "driver/jet/module/JetTableOrders.h"
#include "driver/jet/module/JetTransaction.h"
#include "driver/jet/module/JetVirtualTable.h"
#include "driver/jet/rows/JetComplexValues.h"
#include "driver/jet/rows/JetCursor.h"

#include "driver/semantics/SortOrder.h"
#include "driver/sql/DefaultValue.h"
#include "driver/sql/SchemaCatalogue.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>

namespace kervane::jet {

namespace {

// A cursor walks its table, or goes through the rows an index lookup found.
struct JetVirtualCursor {
    sqlite3_vtab_cursor base{};
    std::unique_ptr<JetCursor> cursor;
    ScanControl* scans = nullptr;
    bool lookup = false;
    std::vector<RowPosition> found;  // the rows of the lookup, in walk order
    std::size_t current = 0;
    std::unique_ptr<JetIndexWalk> ordered;  // a walk in an index's order
    bool orderedEnd = false;
};

std::string quotedIdentifier(const std::string& name)
{
    std::string text = "\"";
    for (char c : name) {
        if (c == '"')
            text += '"';
        text += c;
    }
    return text + "\"";
}

// Texts compare, sort and group in Access's order, whatever the query asks. A column of the
// primary key or of a required index is declared NOT NULL, so that the catalogue says so.
std::string columnDeclaration(const JetColumn& column, bool jet3, bool required)
{
    std::string text = quotedIdentifier(column.name) + " " + declaredType(column.info, jet3);
    if (required)
        text += " NOT NULL";
    if (column.info.type == MDB_TEXT || column.info.type == MDB_MEMO)
        text += std::string(" COLLATE ") + sql::ACCESS_COLLATION;
    return text;
}

// A table is declared by its name in double quotes.
unsigned long tableIndex(const JetFile& file, const char* argument)
{
    std::string name;
    for (const char* c = argument + 1; *c != '\0'; ++c) {
        if (*c == '"' && *++c != '"')
            break;
        name += *c;
    }
    // A table its transaction just removed is still connected once, for SQLite to forget it.
    std::size_t index = file.tableIndex(name);
    for (std::size_t i = file.tables().size(); index == file.tables().size() && i-- > 0;)
        if (file.tables()[i].dropped && file.tables()[i].name == name)
            index = i;
    return index;
}

// Declares `schema` for the virtual table of `table` and makes it.
int declared(sqlite3* db, ModuleState* state, const JetTable* table, const std::string& schema,
             sqlite3_vtab** result, char** error)
{
    const int rc = sqlite3_declare_vtab(db, schema.c_str());
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto vtab = std::make_unique<JetVirtualTable>();
    vtab->state = state;
    vtab->table = table;
    *result = &vtab.release()->base;
    return SQLITE_OK;
}

int connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** result, char** error)
{
    auto* state = static_cast<ModuleState*>(aux);
    unsigned long index = state->file->tables().size();
    if (argc == 4 && argv[3][0] == '"')
        index = tableIndex(*state->file, argv[3]);
    if (index >= state->file->tables().size()) {
        *error = sqlite3_mprintf("Table Access inconnue.");
        return SQLITE_ERROR;
    }
    // A table the transaction removed is still connected once, for SQLite to forget it.
    if (state->file->tables()[index].dropped)
        return declared(db, state, &state->file->tables()[index], "CREATE TABLE x(removed)", result, error);
    // The definition is read at the table's first use, not when the file is attached.
    std::string failure;
    const JetTable* defined = state->file->define(index, failure);
    if (defined == nullptr) {
        *error = sqlite3_mprintf("%s", failure.c_str());
        return SQLITE_ERROR;
    }
    const JetTable& table = *defined;
    const std::vector<std::string> required = requiredColumns(*state->file, table);
    std::string schema = "CREATE TABLE x(";
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const JetColumn& column = table.columns[i];
        const bool notNull = std::find(required.begin(), required.end(), column.name) != required.end();
        schema += (i ? ", " : "") + columnDeclaration(column, state->file->format().jet3, notNull);
    }
    // Each complex column's key, hidden: what a statement reading its values (col.Value) joins by.
    for (const JetColumn& column : table.columns)
        if (column.info.type == kComplexType)
            schema += ", " + quotedIdentifier(column.name + std::string(sql::COMPLEX_KEY_SUFFIX)) + " INTEGER HIDDEN";
    schema += ")";
    return declared(db, state, &table, schema, result, error);
}

int create(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** result, char** error)
{
    if (argc != 4 || argv[3][0] != '"') {
        *error = sqlite3_mprintf("La base Access est en lecture seule.");
        return SQLITE_READONLY;
    }
    return connect(db, aux, argc, argv, result, error);
}

int disconnect(sqlite3_vtab* vtab)
{
    std::unique_ptr<JetVirtualTable> owned(reinterpret_cast<JetVirtualTable*>(vtab));
    sqlite3_free(owned->base.zErrMsg);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info)
{
    JetVirtualTable& table = virtualTableOf(vtab);
    static const std::vector<TableOrder> kNone;
    planScan(*table.table, info,
             info->nOrderBy > 0 ? table.state->orders.ordersOf(*table.state->file, *table.table) : kNone);
    return SQLITE_OK;
}

int open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** result)
{
    auto* table = reinterpret_cast<JetVirtualTable*>(vtab);
    if (table->table->dropped) {
        setError(vtab, "La table « " + table->table->name + " » a été supprimée.");
        return SQLITE_ERROR;
    }
    // A statement of the driver follows other connections' commits as it starts; SQLite used
    // directly, without one, looks at each cursor.
    if (!table->state->file->inStatement())
        table->state->file->followFile();
    auto cursor = std::make_unique<JetVirtualCursor>();
    cursor->cursor = std::make_unique<JetCursor>(*table->state->file, *table->table);
    cursor->scans = table->state->scans.get();
    cursor->cursor->setInterruptCheck([scans = cursor->scans] { return scans->interrupted(); });
    cursor->scans->scanOpened();
    *result = &cursor.release()->base;
    return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* cursor)
{
    std::unique_ptr<JetVirtualCursor> owned(reinterpret_cast<JetVirtualCursor*>(cursor));
    owned->scans->scanClosed();
    return SQLITE_OK;
}

JetVirtualCursor& cursorOf(sqlite3_vtab_cursor* cursor)
{
    return *reinterpret_cast<JetVirtualCursor*>(cursor);
}

JetCursor& scanOf(sqlite3_vtab_cursor* cursor)
{
    return *cursorOf(cursor).cursor;
}

// A failed step is a damage, or the statement being cancelled.
int failure(sqlite3_vtab_cursor* cursor, const std::string& error)
{
    setError(cursor->pVtab, error);
    const bool interrupted = scanOf(cursor).interrupted() || cursorOf(cursor).scans->interrupted();
    return interrupted ? SQLITE_INTERRUPT : SQLITE_CORRUPT_VTAB;
}

// The index of `column`, made by one walk of the table the first time it is asked for;
// nullptr when the table is too large to index, or changed by the transaction under way (its
// rows are then walked until the transaction ends).
bool indexFor(sqlite3_vtab_cursor* cursor, int column, std::shared_ptr<const ColumnIndex>& index, std::string& error)
{
    auto* vtab = reinterpret_cast<JetVirtualTable*>(cursor->pVtab);
    if (vtab->state->file->changedInTransaction(*vtab->table)) {
        index = nullptr;
        return true;
    }
    IndexStore& store = *vtab->state->indexes;
    bool known = false;
    index = store.find(*vtab->table, column, known);
    if (known)
        return true;
    JetCursor walk(*vtab->state->file, *vtab->table);
    walk.setInterruptCheck([scans = cursorOf(cursor).scans] { return scans->interrupted(); });
    std::unique_ptr<ColumnIndex> made;
    switch (ColumnIndex::build(walk, *vtab->table, column, made, error)) {
    case ColumnIndex::Outcome::Failed: return false;
    case ColumnIndex::Outcome::TooLarge: break;
    case ColumnIndex::Outcome::Built: index = std::move(made); break;
    }
    store.keep(*vtab->table, column, index);
    return true;
}

// Reads the row the lookup stands on, if any.
int readLookupRow(sqlite3_vtab_cursor* cursor)
{
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    std::string error;
    if (virtualCursor.current >= virtualCursor.found.size() ||
        virtualCursor.cursor->seek(virtualCursor.found[virtualCursor.current], error))
        return SQLITE_OK;
    return failure(cursor, error);
}

// In a table the transaction changed, an equality is looked up in the file's own index, which
// the writer keeps exact; false (and nothing found) when none can answer.
bool lookupInTransaction(sqlite3_vtab_cursor* cursor, const IndexLookup& lookup, sqlite3_value* value,
                         std::string& error)
{
    auto* vtab = reinterpret_cast<JetVirtualTable*>(cursor->pVtab);
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    std::vector<JetRowId> rows;
    bool served = false;
    if (!lookup.equal || !vtab->state->file->changedInTransaction(*vtab->table) ||
        !vtab->state->transaction->lookup(*vtab->table, lookup.column, value, rows, served, error) || !served)
        return false;
    virtualCursor.lookup = true;
    virtualCursor.current = 0;
    virtualCursor.found.clear();
    for (const JetRowId& row : rows)
        virtualCursor.found.push_back(
            RowPosition{row.page, static_cast<std::uint16_t>(row.row), rowidOf(row.page, row.row)});
    // Rows come in the table's order, as a walk gives them.
    std::sort(virtualCursor.found.begin(), virtualCursor.found.end(),
              [](const RowPosition& a, const RowPosition& b) { return a.rowid < b.rowid; });
    return true;
}

// Reads the row the walk in an index's order comes to next, if any.
int readOrderedRow(sqlite3_vtab_cursor* cursor)
{
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    JetRowId row;
    std::string error;
    if (virtualCursor.ordered->next(row, error)) {
        const RowPosition at{row.page, static_cast<std::uint16_t>(row.row), rowidOf(row.page, row.row)};
        return virtualCursor.cursor->seek(at, error) ? SQLITE_OK : failure(cursor, error);
    }
    virtualCursor.orderedEnd = true;
    return error.empty() ? SQLITE_OK : failure(cursor, error);
}

// Starts a walk in the order the plan chose, from the root of the index of the same columns and
// directions as the table has it now.
int startOrdered(sqlite3_vtab_cursor* cursor, const IndexLookup& lookup)
{
    JetVirtualTable& vtab = virtualTableOf(cursor->pVtab);
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    const std::vector<TableOrder>& now = vtab.state->orders.ordersOf(*vtab.state->file, *vtab.table);
    const TableOrder* chosen = nullptr;
    for (const TableOrder& order : now)
        if (!lookup.orderColumns.empty() && order.columns == lookup.orderColumns)
            chosen = &order;
    if (chosen == nullptr)
        return failure(cursor, "Les index de la table « " + vtab.table->name + " » ont changé pendant l'instruction.");
    virtualCursor.ordered =
        std::make_unique<JetIndexWalk>(*vtab.state->file, vtab.table->definitionPage, chosen->root, lookup.backwards);
    virtualCursor.orderedEnd = false;
    return readOrderedRow(cursor);
}

int filter(sqlite3_vtab_cursor* cursor, int plan, const char* planText, int argc, sqlite3_value** argv)
{
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    virtualCursor.lookup = false;
    virtualCursor.ordered.reset();
    const JetTable& table = *reinterpret_cast<JetVirtualTable*>(cursor->pVtab)->table;
    const IndexLookup lookup = lookupFor(table, plan, argc, argv, planText);
    if (lookup.kind == IndexLookup::Kind::Ordered)
        return startOrdered(cursor, lookup);
    std::string error;
    if (lookup.kind == IndexLookup::Kind::Range && argc > 0 && lookupInTransaction(cursor, lookup, argv[0], error))
        return readLookupRow(cursor);
    if (!error.empty())
        return failure(cursor, error);
    std::shared_ptr<const ColumnIndex> index;
    if (lookup.kind == IndexLookup::Kind::Range && !indexFor(cursor, lookup.column, index, error))
        return failure(cursor, error);
    if (lookup.kind == IndexLookup::Kind::Walk || (lookup.kind == IndexLookup::Kind::Range && !index))
        return scanOf(cursor).rewind(error) ? SQLITE_OK : failure(cursor, error);
    virtualCursor.lookup = true;
    virtualCursor.current = 0;
    virtualCursor.found.clear();
    if (index) {
        const ColumnIndex::Span span = index->find(lookup.lower ? &*lookup.lower : nullptr, lookup.upper ? &*lookup.upper : nullptr);
        virtualCursor.found.assign(span.begin, span.end);
        // Rows come in the table's order, as a walk gives them (equal keys already are).
        if (!lookup.equal)
            std::sort(virtualCursor.found.begin(), virtualCursor.found.end(),
                      [](const RowPosition& a, const RowPosition& b) { return a.rowid < b.rowid; });
    }
    return readLookupRow(cursor);
}

int next(sqlite3_vtab_cursor* cursor)
{
    JetVirtualCursor& virtualCursor = cursorOf(cursor);
    if (virtualCursor.ordered)
        return virtualCursor.orderedEnd ? SQLITE_OK : readOrderedRow(cursor);
    if (virtualCursor.lookup) {
        if (virtualCursor.current < virtualCursor.found.size())
            ++virtualCursor.current;
        return readLookupRow(cursor);
    }
    std::string error;
    return scanOf(cursor).next(error) ? SQLITE_OK : failure(cursor, error);
}

int eof(sqlite3_vtab_cursor* cursor)
{
    const JetVirtualCursor& virtualCursor = cursorOf(cursor);
    if (virtualCursor.ordered)
        return virtualCursor.orderedEnd ? 1 : 0;
    if (virtualCursor.lookup)
        return virtualCursor.current >= virtualCursor.found.size() ? 1 : 0;
    return scanOf(cursor).atEnd() ? 1 : 0;
}

// The column of the table whose key the hidden column at `index` holds (after the table's own).
int complexColumnOfHidden(const JetTable& table, int index)
{
    int hidden = index - static_cast<int>(table.columns.size());
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].info.type == kComplexType && hidden-- == 0)
            return static_cast<int>(c);
    return -1;
}

int column(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int index)
{
    // An UPDATE that leaves a complex column alone gets no value for it: the row keeps its key.
    const JetTable& table = *virtualTableOf(cursor->pVtab).table;
    if (index >= static_cast<int>(table.columns.size())) {
        SqlValue key;
        scanOf(cursor).complexKey(complexColumnOfHidden(table, index), key);
        if (key.kind == SqlValue::Kind::Integer)
            sqlite3_result_int64(context, key.integer);
        else
            sqlite3_result_null(context);
        return SQLITE_OK;
    }
    if (index >= 0 && static_cast<std::size_t>(index) < table.columns.size() &&
        table.columns[static_cast<std::size_t>(index)].info.type == kComplexType && sqlite3_vtab_nochange(context))
        return SQLITE_OK;
    SqlValue value;
    std::string error;
    if (!scanOf(cursor).value(index, value, error)) {
        sqlite3_result_error(context, error.c_str(), -1);
        if (scanOf(cursor).interrupted())
            sqlite3_result_error_code(context, SQLITE_INTERRUPT);
        return SQLITE_ERROR;
    }
    switch (value.kind) {
    case SqlValue::Kind::Null: sqlite3_result_null(context); break;
    case SqlValue::Kind::Integer: sqlite3_result_int64(context, value.integer); break;
    case SqlValue::Kind::Real: sqlite3_result_double(context, value.real); break;
    case SqlValue::Kind::Text:
        sqlite3_result_text64(context, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    case SqlValue::Kind::Blob: sqlite3_result_blob64(context, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT); break;
    }
    return SQLITE_OK;
}

// A row's place, which a change of the table is given back (JetTransaction.h).
int rowid(sqlite3_vtab_cursor* cursor, sqlite_int64* result)
{
    const RowPosition at = scanOf(cursor).position();
    *result = rowidOf(at.page, at.row);
    return SQLITE_OK;
}

void destroyState(void* state)
{
    std::unique_ptr<ModuleState> owned(static_cast<ModuleState*>(state));
}

const sqlite3_module kModule = {
    .iVersion = 2,
    .xCreate = Guarded<create>::call,
    .xConnect = Guarded<connect>::call,
    .xBestIndex = Guarded<bestIndex>::call,
    .xDisconnect = GuardedRelease<disconnect>::call,
    .xDestroy = GuardedRelease<disconnect>::call,
    .xOpen = Guarded<open>::call,
    .xClose = GuardedRelease<close>::call,
    .xFilter = Guarded<filter>::call,
    .xNext = Guarded<next>::call,
    .xEof = Guarded<eof>::call,
    .xColumn = Guarded<column>::call,
    .xRowid = Guarded<rowid>::call,
    .xUpdate = Guarded<updateRow>::call,
    .xBegin = Guarded<beginChanges>::call,
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

// What the table named by the argument says of some of its columns ("name" 0x1F "text" 0x1E
// ...), as `textOf` picks it; Null when nothing.
void listColumnTexts(sqlite3_context* context, sqlite3_value** arguments,
                     const std::function<std::optional<std::string>(JetFile&, const JetTable&, const JetColumn&)>& textOf)
{
    auto* state = static_cast<ModuleState*>(sqlite3_user_data(context));
    const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    try {
        const JetTable* table = name != nullptr ? state->file->table(name) : nullptr;
        std::string listed;
        for (std::size_t c = 0; table != nullptr && c < table->columns.size(); ++c)
            if (const std::optional<std::string> text = textOf(*state->file, *table, table->columns[c]))
                listed += table->columns[c].name + '\x1f' + *text + '\x1e';
        if (listed.empty())
            return sqlite3_result_null(context);
        sqlite3_result_text(context, listed.c_str(), static_cast<int>(listed.size()), SQLITE_TRANSIENT);
    } catch (const std::exception&) {
        sqlite3_result_null(context);
    }
}

// The same for what the table's design (its properties) says of its columns, read once.
void listDesignTexts(sqlite3_context* context, sqlite3_value** arguments,
                     const std::function<std::optional<std::string>(const JetColumn&, const ColumnProperties&)>& pick)
{
    std::optional<std::map<std::string, ColumnProperties>> design;
    listColumnTexts(context, arguments, [&](JetFile& file, const JetTable& table, const JetColumn& column) {
        if (!design)
            design = columnDesign(file, table);
        const ColumnProperties* properties = designOf(*design, column.name);
        return properties != nullptr ? pick(column, *properties) : std::nullopt;
    });
}

// kv_jet_defaults(table): the default values the table's design gives its columns, those the
// driver can give a row, for the INSERTs that leave them out (SQLite gives no DEFAULT to the
// columns of a virtual table).
void jetDefaults(sqlite3_context* context, int, sqlite3_value** arguments)
{
    listDesignTexts(context, arguments, [](const JetColumn&, const ColumnProperties& properties) {
        return properties.defaultValue && sql::defaultExpression(*properties.defaultValue) ? properties.defaultValue
                                                                                          : std::nullopt;
    });
}

// kv_jet_calculations(table): the expressions of the columns Access calculates, which the
// statements that change the table compute for each row.
void jetCalculations(sqlite3_context* context, int, sqlite3_value** arguments)
{
    listDesignTexts(context, arguments, [](const JetColumn& column, const ColumnProperties& properties) {
        return column.info.calculated ? properties.expression : std::nullopt;
    });
}

// kv_identity(): @@IDENTITY, the AutoNumber the connection last gave a row of the file.
void jetIdentity(sqlite3_context* context, int, sqlite3_value**)
{
    const auto* state = static_cast<ModuleState*>(sqlite3_user_data(context));
    sqlite3_result_int64(context, state->transaction->lastIdentity());
}

// kv_attachment_data(value): the file an attachment keeps, its stored bytes unwrapped and
// inflated; the value as it is when it is not laid as an attachment's.
void attachmentData(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) != SQLITE_BLOB)
        return sqlite3_result_value(context, arguments[0]);
    const auto* bytes = static_cast<const unsigned char*>(sqlite3_value_blob(arguments[0]));
    const auto size = static_cast<std::size_t>(sqlite3_value_bytes(arguments[0]));
    if (const std::optional<std::string> file = attachmentFileBytes(bytes, size))
        return sqlite3_result_blob64(context, file->data(), file->size(), SQLITE_TRANSIENT);
    sqlite3_result_value(context, arguments[0]);
}

// kv_jet_complex(table): for each complex column, its hidden table and that table's column of
// keys ("hidden table" 0x1F "key column"), for the statements reading its values one by one
// (col.Value, col.FileName...). A column whose hidden table cannot be read is left out.
void jetComplex(sqlite3_context* context, int, sqlite3_value** arguments)
{
    listColumnTexts(context, arguments, [](JetFile& file, const JetTable&, const JetColumn& column) {
        const JetTable* flat = nullptr;
        std::string key;
        std::string unread;
        if (column.info.type != kComplexType || !complexTableOf(file, column.info.complexId, flat, key, unread))
            return std::optional<std::string>();
        return std::optional<std::string>(flat->name + '\x1f' + key);
    });
}

}  // namespace

void setError(sqlite3_vtab* vtab, const std::string& message)
{
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", message.c_str());
}

bool declareJetTables(sqlite3* db, std::unique_ptr<JetFile> file, std::string& error)
{
    auto owned = std::make_unique<ModuleState>();
    owned->db = db;
    owned->file = std::move(file);
    owned->scans = scanControlFor(db);
    owned->indexes = std::make_unique<IndexStore>();
    owned->transaction = std::make_unique<JetTransaction>(*owned->file);
    ModuleState* state = owned.get();
    const JetFile& jet = *state->file;
    // Every table is declared by name through the module, when a statement first names it or a
    // change of the structure makes it; the structure changes through the structure table. The
    // module owns the state; on failure SQLite calls destroyState itself.
    if (sqlite3_create_module_v2(db, kJetTablesByName, &kModule, owned.release(), destroyState) != SQLITE_OK) {
        error = "Le fichier « " + jet.path() + " » ne peut pas être ouvert : " + sqlite3_errmsg(db) + ".";
        return false;
    }
    if (!registerStructureModule(db, *state) ||
        sqlite3_create_function(db, "kv_jet_defaults", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, state, jetDefaults, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "kv_jet_calculations", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, state, jetCalculations,
                                nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "kv_jet_complex", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, state, jetComplex, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "kv_attachment_data", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                attachmentData, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "kv_identity", 0, SQLITE_UTF8, state, jetIdentity, nullptr, nullptr) != SQLITE_OK ||
        !registerFileListings(db, *state->file)) {
        error = "Le fichier « " + jet.path() + " » ne peut pas être ouvert : " + sqlite3_errmsg(db) + ".";
        sqlite3_create_module_v2(db, kJetTablesByName, nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

}  // namespace kervane::jet
