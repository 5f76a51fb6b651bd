#pragma once
// ODBC statement: one SQLite prepared statement, its result columns and the cursor over them.
#include "driver/base/Database.h"
#include "driver/handles/Handles.h"
#include "driver/handles/Parameters.h"
#include "driver/jet/format/JetValue.h"
#include "driver/semantics/AccessType.h"
#include "driver/values/AccessTypes.h"

#include <sqlext.h>
#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::odbc {

class Connection;
struct BoundColumn;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using SqliteStatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct ColumnInfo {
    std::string name;
    std::string tableName;
    std::string baseName;
    ColumnType type;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    bool autoIncrement = false;
};

// Column bound by SQLBindCol, filled at each fetch.
struct Binding {
    SQLSMALLINT cType = 0;
    SQLPOINTER target = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* indicator = nullptr;
};

// Where SQLGetData stands in the value of one column of the current row.
struct PieceState {
    int column = 0;  // 1-based; 0 when no column has been read on this row
    std::size_t offset = 0;
    bool finished = false;
    bool isNull = false;
    std::string_view value;
};

// Where a statement stands for SQLCancel; guarded by its connection's cancel lock.
struct CallState {
    bool inCall = false;        // a call on the statement is waiting for the call lock or running
    bool cancelled = false;     // SQLCancel came during that call
    bool closePending = false;  // an ODBC 2 SQLCancel asked for the cursor to close
};

class Statement : public Handle {
public:
    static constexpr HandleKind KIND = HandleKind::Statement;
    explicit Statement(Connection& connection);
    ~Statement();

    Connection& connection() noexcept { return m_connection; }
    bool isOdbc3() const noexcept;

    // SQLPrepare: translates one Access SQL statement and compiles it; throws OdbcError for
    // errors and trailing text, 22018 for a text that is not well-formed UTF-8.
    void prepare(std::string_view sql);
    // Compiles SQLite SQL of the driver's own (catalogue functions), without translation.
    void prepareNative(std::string_view sql);
    // Runs the prepared statement up to its first row; bind gives the parameters their values
    // once the statement to run is compiled.
    void execute(const std::function<void(sqlite3_stmt*)>& bind = {});
    // SQLExecute and SQLExecDirect: every parameter set in turn, or SQL_NEED_DATA when a
    // parameter is given at execution time.
    SQLRETURN run();
    // SQLParamData: the next parameter given at execution time (its bound value pointer in
    // token) or, when all are given, the execution of the set.
    SQLRETURN paramData(SQLPOINTER* token);
    // SQLPutData: one more piece of the parameter SQLParamData named.
    void putData(const void* data, SQLLEN length);
    bool waitsForData() const noexcept { return m_run.needsData; }
    // SQLCancel while data is awaited: the sets not yet run stay unused.
    void abandonRun() noexcept { m_run = ParameterRun{}; }
    // Parameters of the prepared statement, declared ones first, then the ? markers.
    int parameterCount() const noexcept { return static_cast<int>(m_parameterUses.size()); }
    // Number from 1; throws 07009 when out of range.
    const sql::ParameterUse& parameterUse(int number) const;
    std::vector<ParameterBinding>& parameterBindings() noexcept { return m_parameterBindings; }
    // SQL_CLOSE: the cursor closes, the statement stays prepared.
    void closeCursor() noexcept;
    // Replaces the description of the result columns (catalogue results).
    void describeColumns(std::vector<ColumnInfo> columns)
    {
        m_columns = std::move(columns);
        m_boundLayoutStale = true;
    }

    bool isPrepared() const noexcept { return m_statement != nullptr; }
    bool isExecuted() const noexcept { return m_state != CursorState::Prepared && m_state != CursorState::None; }
    int columnCount() const noexcept { return static_cast<int>(m_columns.size()); }
    // Column number from 1; throws 07009 when out of range.
    const ColumnInfo& column(int number) const;
    // -1 for a statement that returns rows, the changed rows for INSERT, UPDATE, DELETE, 0 otherwise.
    SQLLEN rowCount() const;

    // Moves to the next row; false at the end. Throws OdbcError.
    bool fetch();
    bool onRow() const noexcept { return m_state == CursorState::OnRow; }
    // Whether SQLite holds the statement open between two rows; readable from any thread.
    bool cursorOpen() const noexcept { return m_cursorOpen.load(); }
    CallState& callState() noexcept { return m_call; }
    sqlite3_stmt* sqlite() const noexcept { return m_statement.get(); }

    PieceState& piece() noexcept { return m_piece; }
    std::string& scratch() noexcept { return m_scratch; }
    std::string& wideScratch() noexcept { return m_wideScratch; }  // a value in UTF-16, for SQL_C_WCHAR
    // Changing the bindings (any access that could) makes the bound layout stale.
    std::vector<Binding>& bindings() noexcept
    {
        m_boundLayoutStale = true;
        return m_bindings;
    }
    const std::vector<Binding>& bindings() const noexcept { return m_bindings; }
    // The bound columns laid out for the fetches, made again once the bindings, the row binding
    // type or the result columns change.
    std::vector<BoundColumn>& boundLayout() noexcept { return m_boundLayout; }
    bool boundLayoutStale() const noexcept { return m_boundLayoutStale; }
    void setBoundLayoutStale(bool stale) noexcept { m_boundLayoutStale = stale; }

    // Statement attributes.
    SQLULEN maxRows = 0;
    SQLULEN* rowsFetched = nullptr;
    SQLUSMALLINT* rowStatus = nullptr;
    // Rowsets: SQLFetch and SQLFetchScroll read rowArraySize rows, the ODBC 2 SQLExtendedFetch
    // rowsetSize rows, into buffers laid out by column or by rows of rowBindType bytes.
    SQLULEN rowArraySize = 1;
    SQLULEN rowsetSize = 1;
    SQLULEN rowBindType = SQL_BIND_BY_COLUMN;
    SQLULEN* rowBindOffset = nullptr;
    SQLUSMALLINT* rowOperation = nullptr;  // kept for the application; no positioned operation uses it
    SQLULEN rowNumber = 0;     // rows read from the result so far
    SQLULEN rowsetAsked = 1;   // rows the last fetch asked for: SQLGetData needs a rowset of one
    SQLULEN rowsetRows = 0;    // rows the last fetch gave
    SQLULEN queryTimeout = 0;  // seconds, 0 for none
    ParameterArrays parameterArrays;

private:
    enum class CursorState { None, Prepared, NoResult, FirstRowPending, OnRow, AfterEnd };

    void setState(CursorState state) noexcept;
    void forgetStatement() noexcept;
    void readColumns();
    bool hasAccessType(int column) const noexcept;
    // The type of a result column SQLite declares nothing for: its Access type, the type its
    // parameter is bound with, or else its first value's (nothing known before a row).
    ColumnType expressionType(int column, bool hasRow) const;
    void compile(std::string_view sql);
    // Makes the statement compiled last ready again, when `sql` is the read it was compiled from
    // and the schema has the same mark.
    bool reuseCompiled(std::string_view sql, std::int64_t mark);
    void runPreludes();
    void undoChange(bool ownSavepoint) noexcept;
    void endReading() noexcept;
    int step();
    [[noreturn]] void throwLastError(int code) const;
    [[noreturn]] void throwFailure(OdbcError error) const;
    void requireParametersBound() const;
    const ParameterBinding* boundParameter(int number) const noexcept;
    SQLRETURN runSets();
    SQLRETURN continueRun();
    void runSet(SQLULEN set);
    void endFailedSet(SQLULEN set);
    std::vector<jet::SqlValue> readSet(SQLULEN set) const;
    void bindValues(sqlite3_stmt* statement, const std::vector<jet::SqlValue>& values) const;
    void markSet(SQLULEN set, SQLUSMALLINT status) const;

    Connection& m_connection;
    SqliteStatementPtr m_statement;
    // The text m_statement was translated from, while it can serve that text again: a read,
    // translated under schema mark m_reusableMark (-1: it cannot).
    std::string m_reusableText;
    std::int64_t m_reusableMark = -1;
    Database::Reading m_reading;  // from the execution to the last row or the cursor's closing
    CursorState m_state = CursorState::None;
    std::atomic<bool> m_cursorOpen{false};
    CallState m_call;
    std::vector<ColumnInfo> m_columns;
    std::vector<Binding> m_bindings;
    std::vector<BoundColumn> m_boundLayout;
    bool m_boundLayoutStale = true;
    PieceState m_piece;
    std::string m_scratch;
    std::string m_wideScratch;
    SQLLEN m_changes = 0;
    bool m_countsChanges = false;
    bool m_onlyReads = false;  // a SELECT (or a crosstab, a stored query): no transaction opened for it
    // Statements a translation runs before the one that gives the result (make-table), and
    // that one, compiled only once they have run.
    std::vector<std::string> m_preludes;
    std::string m_deferred;
    // Access types of the result columns, from the translation.
    std::vector<sql::AccessType> m_accessTypes;
    std::vector<int> m_columnParameters;
    // What the translation tells of each parameter, the application's bindings, and an
    // execution waiting for data.
    std::vector<sql::ParameterUse> m_parameterUses;
    std::vector<ParameterBinding> m_parameterBindings;
    ParameterRun m_run;
};

}  // namespace kervane::odbc
