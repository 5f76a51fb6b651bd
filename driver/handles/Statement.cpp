#include "driver/handles/Statement.h"

#include "driver/handles/Connection.h"
#include "driver/handles/BoundColumns.h"
#include "driver/values/SqlText.h"
#include "driver/values/UnicodeText.h"

namespace kervane::odbc {

Statement::Statement(Connection& connection) : Handle(KIND), m_connection(connection)
{
    queryTimeout = connection.queryTimeout();
}

Statement::~Statement()
{
    endReading();
}

bool Statement::isOdbc3() const noexcept
{
    return m_connection.isOdbc3();
}

void Statement::setState(CursorState state) noexcept
{
    m_state = state;
    m_cursorOpen.store(state == CursorState::FirstRowPending || state == CursorState::OnRow);
}

void Statement::forgetStatement() noexcept
{
    endReading();
    m_statement.reset();
    m_reusableMark = -1;
    setState(CursorState::None);
    m_columns.clear();
    m_boundLayoutStale = true;
    m_preludes.clear();
    m_deferred.clear();
    m_accessTypes.clear();
    m_columnParameters.clear();
    m_parameterUses.clear();
    m_run = ParameterRun{};
}

// A loop that runs the same read again and again translates and compiles it once.
bool Statement::reuseCompiled(std::string_view sql, std::int64_t mark)
{
    if (!m_statement || m_reusableMark < 0 || mark != m_reusableMark || sql != m_reusableText)
        return false;
    // As forgetStatement: a cursor left open is closed (execute resets the statement).
    endReading();
    setState(CursorState::Prepared);
    m_boundLayoutStale = true;
    m_run = ParameterRun{};
    return true;
}

void Statement::prepare(std::string_view sql)
{
    const std::int64_t mark = m_connection.database().schemaMark();
    if (reuseCompiled(sql, mark))
        return;
    forgetStatement();
    requireUtf8(sql, STATEMENT_TEXT);
    if (isBlank(sql))
        throw OdbcError{"42000", "L'instruction SQL est vide.", 0};
    sql::Translation translation = m_connection.database().translate(sql);
    m_accessTypes = std::move(translation.columnTypes);
    m_columnParameters = std::move(translation.columnParameters);
    m_parameterUses = std::move(translation.parameters);
    m_countsChanges = translation.kind == sql::Translation::Kind::Changes;
    m_onlyReads = translation.kind == sql::Translation::Kind::Rows;
    if (translation.statements.size() > 1) {
        m_deferred = std::move(translation.statements.back());
        translation.statements.pop_back();
        m_preludes = std::move(translation.statements);
        setState(CursorState::Prepared);
        return;
    }
    compile(translation.statements.front());
    if (m_onlyReads) {
        m_reusableText.assign(sql);
        m_reusableMark = mark;
    }
}

void Statement::prepareNative(std::string_view sql)
{
    forgetStatement();
    m_countsChanges = changesRows(sql);
    m_onlyReads = !m_countsChanges;
    compile(sql);
}

void Statement::compile(std::string_view sql)
{
    m_reusableMark = -1;
    sqlite3* db = m_connection.database().handle();
    sqlite3_stmt* compiled = nullptr;
    const char* tail = nullptr;
    // The Access file's tables are declared as the statement names them.
    int rc = SQLITE_OK;
    while ((rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &compiled, &tail)) != SQLITE_OK &&
           m_connection.database().declareMissingTable())
        sqlite3_finalize(compiled);
    SqliteStatementPtr owned(compiled);
    if (rc != SQLITE_OK)
        throwLastError(rc);
    if (!owned)
        throw OdbcError{"42000", "L'instruction SQL est vide.", 0};
    // One statement per call, as Access: text after the first one is refused.
    const auto used = static_cast<std::size_t>(tail - sql.data());
    if (!isBlank(sql.substr(used)))
        throw OdbcError{"42000",
                        "Caractères trouvés après la fin de l'instruction SQL : une seule instruction est permise.",
                        SQLITE_ERROR};
    m_statement = std::move(owned);
    setState(CursorState::Prepared);
    readColumns();
}

// The make-table's new table is created at each execution, then the rows' statement compiled.
void Statement::runPreludes()
{
    if (m_preludes.empty())
        return;
    for (const std::string& prelude : m_preludes)
        m_connection.database().run(prelude.c_str());
    m_statement.reset();
    compile(m_deferred);
}

void Statement::execute(const std::function<void(sqlite3_stmt*)>& bind)
{
    if (!m_statement && m_preludes.empty())
        throw OdbcError{"HY010", "Aucune instruction n'a été préparée.", 0};
    closeCursor();
    try {
        m_reading = m_connection.startStatement(!m_onlyReads);
    } catch (const OdbcError& error) {
        throwFailure(error);
    }
    // In a transaction, a change that fails is undone alone, whatever rows it changed before
    // failing: the transaction's other changes stay, as in Access.
    const bool ownSavepoint = !m_onlyReads && !m_connection.autocommit() && m_connection.database().inTransaction();
    if (ownSavepoint)
        m_connection.database().run("SAVEPOINT kervane_instruction");
    try {
        runPreludes();
    } catch (const OdbcError& error) {
        undoChange(ownSavepoint);
        endReading();
        throwFailure(error);
    }
    if (bind)
        bind(m_statement.get());
    const int rc = step();
    if (rc == SQLITE_ROW) {
        setState(CursorState::FirstRowPending);
        readColumns();
    } else if (rc == SQLITE_DONE) {
        setState(m_columns.empty() ? CursorState::NoResult : CursorState::AfterEnd);
        m_changes = m_countsChanges ? static_cast<SQLLEN>(sqlite3_changes64(m_connection.database().handle())) : -1;
        sqlite3_reset(m_statement.get());  // no lock kept past the last row
        if (ownSavepoint)
            m_connection.database().run("RELEASE kervane_instruction");
        endReading();
    } else {
        OdbcError failure = m_connection.database().lastError(rc);
        sqlite3_reset(m_statement.get());
        undoChange(ownSavepoint);
        endReading();
        throwFailure(std::move(failure));
    }
}

void Statement::undoChange(bool ownSavepoint) noexcept
{
    Database& database = m_connection.database();
    if (!ownSavepoint || !database.inTransaction())
        return;
    try {
        database.run("ROLLBACK TO kervane_instruction");
        database.run("RELEASE kervane_instruction");
    } catch (const OdbcError&) {
        // The transaction stays marked failed and its commit is then refused.
    }
}

// The statement's hold on the base goes with its last row: a reader holds up other programs'
// commits no longer than it reads.
void Statement::endReading() noexcept
{
    if (!m_reading)
        return;
    m_reading.reset();
    m_connection.afterStatement();
}

void Statement::closeCursor() noexcept
{
    if (m_statement && m_state != CursorState::Prepared)
        sqlite3_reset(m_statement.get());
    endReading();
    setState(m_statement || !m_preludes.empty() ? CursorState::Prepared : CursorState::None);
    m_piece = PieceState{};
    rowNumber = 0;
    rowsetAsked = 1;
    rowsetRows = 0;
}

const ColumnInfo& Statement::column(int number) const
{
    if (number < 1 || number > columnCount())
        throw OdbcError{"07009", "Le numéro de colonne " + std::to_string(number) + " n'existe pas dans le résultat.",
                        0};
    return m_columns[static_cast<std::size_t>(number - 1)];
}

SQLLEN Statement::rowCount() const
{
    if (!isExecuted())
        throw OdbcError{"HY010", "L'instruction n'a pas été exécutée.", 0};
    // A result set has no count known in advance; other statements than INSERT, UPDATE
    // and DELETE (CREATE, DROP...) have none either, as with Access's driver: -1.
    return m_columns.empty() ? m_changes : -1;
}

bool Statement::fetch()
{
    switch (m_state) {
    case CursorState::None:
    case CursorState::Prepared:
    case CursorState::NoResult:
        throw OdbcError{"24000", "Aucun jeu de résultats n'est ouvert sur cette instruction.", 0};
    case CursorState::AfterEnd:
        return false;
    case CursorState::FirstRowPending:
        setState(CursorState::OnRow);
        break;
    case CursorState::OnRow: {
        if (maxRows != 0 && rowNumber >= maxRows) {
            setState(CursorState::AfterEnd);
            sqlite3_reset(m_statement.get());  // no lock kept past the last row given
            endReading();
            return false;
        }
        const int rc = step();
        if (rc == SQLITE_DONE) {
            setState(CursorState::AfterEnd);
            sqlite3_reset(m_statement.get());  // no lock kept past the last row
            endReading();
            return false;
        }
        if (rc != SQLITE_ROW) {
            setState(CursorState::AfterEnd);
            OdbcError failure = m_connection.database().lastError(rc);
            sqlite3_reset(m_statement.get());
            endReading();
            throwFailure(std::move(failure));
        }
        break;
    }
    }
    m_piece.column = 0;
    ++rowNumber;
    return true;
}

bool Statement::hasAccessType(int column) const noexcept
{
    const auto index = static_cast<std::size_t>(column);
    return index < m_accessTypes.size() && !sql::declarationFor(m_accessTypes[index]).empty();
}

ColumnType Statement::expressionType(int column, bool hasRow) const
{
    const auto index = static_cast<std::size_t>(column);
    if (hasAccessType(column))
        return typeFromDeclared(sql::declarationFor(m_accessTypes[index]));
    if (index < m_columnParameters.size() && m_columnParameters[index] != 0)
        if (const ParameterBinding* binding = boundParameter(m_columnParameters[index]))
            if (const std::string declared = declarationForBinding(*binding); !declared.empty())
                return typeFromDeclared(declared);
    return hasRow ? typeFromValue(sqlite3_column_type(m_statement.get(), column)) : ColumnType{};
}

int Statement::step()
{
    return sqlite3_step(m_statement.get());
}

void Statement::readColumns()
{
    sqlite3_stmt* statement = m_statement.get();
    const int count = sqlite3_column_count(statement);
    const bool hasRow = m_state == CursorState::FirstRowPending;
    m_boundLayoutStale = true;  // the bound columns point into the columns and take their types
    if (hasRow && static_cast<int>(m_columns.size()) == count) {
        // Only expression columns change: their type comes from the first value.
        for (int i = 0; i < count; ++i)
            if (sqlite3_column_decltype(statement, i) == nullptr && !hasAccessType(i))
                m_columns[static_cast<std::size_t>(i)].type = expressionType(i, true);
        return;
    }
    m_columns.assign(static_cast<std::size_t>(count), ColumnInfo{});
    sqlite3* db = m_connection.database().handle();
    for (int i = 0; i < count; ++i) {
        ColumnInfo& info = m_columns[static_cast<std::size_t>(i)];
        const char* name = sqlite3_column_name(statement, i);
        info.name = name ? name : "";
        const char* declared = sqlite3_column_decltype(statement, i);
        info.type = declared != nullptr ? typeFromDeclared(declared) : expressionType(i, hasRow);
        const char* table = sqlite3_column_table_name(statement, i);
        const char* origin = sqlite3_column_origin_name(statement, i);
        const char* schema = sqlite3_column_database_name(statement, i);
        if (table == nullptr || origin == nullptr)
            continue;
        info.tableName = table;
        info.baseName = origin;
        int notNull = 0;
        int primaryKey = 0;
        int autoIncrement = 0;
        if (sqlite3_table_column_metadata(db, schema, table, origin, nullptr, nullptr, &notNull, &primaryKey,
                                          &autoIncrement)
            == SQLITE_OK) {
            info.nullable = notNull ? SQL_NO_NULLS : SQL_NULLABLE;
            info.autoIncrement = autoIncrement != 0;
        } else {
            info.nullable = SQL_NULLABLE;
        }
    }
}

void Statement::throwLastError(int code) const
{
    throwFailure(m_connection.database().lastError(code));
}

void Statement::throwFailure(OdbcError error) const
{
    if (error.native == SQLITE_INTERRUPT)
        error = m_connection.stopError(error);
    m_connection.afterFailure(error);
    throw error;
}

}  // namespace kervane::odbc
