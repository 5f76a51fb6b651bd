#pragma once
// ODBC connection: the open database, the commit mode and the statements allocated on it.
#include "driver/base/Database.h"
#include "driver/handles/Handles.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kervane::odbc {

class Environment;
class Statement;

class Connection : public Handle {
public:
    static constexpr HandleKind KIND = HandleKind::Connection;
    explicit Connection(Environment& environment);
    ~Connection();

    Environment& environment() noexcept { return m_environment; }
    bool isOdbc3() const noexcept;

    // Opens the database file for the data source; throws OdbcError.
    // `exclusive`: Exclusive=1, the base opened for this connection alone; `password`: PWD, an
    // Access file's database password.
    void connect(const std::string& dataSource, const std::string& path, bool exclusive = false,
                 const std::string& password = {});
    // Rolls back pending work, frees the statements, closes the database.
    void disconnect() noexcept;
    bool isConnected() const noexcept { return m_database != nullptr; }
    Database& database();
    const std::string& dataSource() const noexcept { return m_dataSource; }

    Statement& allocateStatement();
    void freeStatement(Statement& statement);

    // Commit mode. Switching autocommit back on commits pending work.
    bool autocommit() const noexcept { return m_autocommit; }
    void setAutocommit(bool on);
    // In manual-commit mode, opens a transaction before a statement that changes the base,
    // when none is open. At the read-committed level, statements that only read run outside
    // it and take no lasting lock: readers never block another program's writers, as with
    // Access.
    void beginIfManual();

    // Isolation (SQL_ATTR_TXN_ISOLATION): read committed unless serializable is asked for.
    // False when the level asked for was replaced by the next stricter one delivered; throws
    // HY024 for an unknown level and HY011 while a transaction is open.
    bool setIsolation(SQLULEN level);
    SQLUINTEGER isolation() const noexcept { return m_isolation; }
    // A statement is about to run. A change first waits for an Access file's writer lock; in
    // manual-commit mode the transaction is opened for a change, and for any statement at the
    // serializable level; the statement's hold on the base is taken; at the serializable
    // level a transaction that another program's commit has overtaken since its first read is
    // undone whole and refused (40001). Throws OdbcError.
    Database::Reading startStatement(bool changes);
    // After a statement ended: in autocommit mode an Access file's writer lock goes if the
    // statement changed nothing of the file.
    void afterStatement() noexcept;
    // Commits or rolls back; a commit after SQLite undid the whole transaction on its own
    // fails (40000), since nothing of it can be saved any more.
    void endTransaction(bool commit);
    // After a failed statement: when SQLite has undone the whole open transaction (full disk,
    // I/O error, interruption...), says so in the message and remembers it for the commit.
    void afterFailure(OdbcError& error) noexcept;

    // Calls on the connection and on its statements run one at a time under this lock: the
    // SQLite connection is opened without a mutex of its own. SQLCancel never takes it.
    std::mutex& callLock() noexcept { return m_callLock; }

    // The course of a statement call, as SQLCancel and the query time limit follow it:
    // announced before it waits for the call lock (so that a cancel meant for it is never
    // lost), started once it holds the lock (throws the cancellation when it came meanwhile),
    // finished before the lock is released.
    void announceCall(Statement& statement);
    void startCall(Statement& statement);
    void finishCall(Statement& statement) noexcept;
    // SQLCancel, from any thread: stops the call running on the statement without waiting
    // for it. With nothing running, an ODBC 2 application's cursor closes (as SQL_CLOSE);
    // for ODBC 3 nothing happens.
    void cancel(Statement& statement);
    // Whether the running statement call must stop: cancelled, or past its time limit. Read
    // on the running call's own thread (SQLite's progress handler, long reads of Jet tables).
    bool mustStop() noexcept;
    // The error of a statement that SQLite interrupted: cancelled or out of time, in French.
    OdbcError stopError(const OdbcError& interruption) const;

    // SQL_QUERY_TIMEOUT given to the connection (ODBC 2): for its statements, present and future.
    SQLULEN queryTimeout() const noexcept { return m_queryTimeout; }
    void setQueryTimeout(SQLULEN seconds) noexcept;

    // Attributes kept only to be read back.
    SQLUINTEGER loginTimeout = 0;
    SQLUINTEGER accessMode = SQL_MODE_READ_WRITE;

private:
    void closeCursors() noexcept;
    void checkSerializable();
    void leaveTransaction() noexcept;
    bool givesWay(OdbcError& error) noexcept;
    bool serializable() const noexcept { return !m_autocommit && m_isolation == SQL_TXN_SERIALIZABLE; }
    bool otherCursorOpen(const Statement& statement) const noexcept;
    static int onProgress(void* connection) noexcept;

    Environment& m_environment;
    std::unique_ptr<Database> m_database;
    std::vector<std::unique_ptr<Statement>> m_statements;
    std::string m_dataSource;
    bool m_autocommit = true;
    bool m_transactionOpen = false;  // a transaction of manual-commit mode is under way
    bool m_transactionLost = false;  // SQLite undid it whole after a failure
    SQLUINTEGER m_isolation = SQL_TXN_READ_COMMITTED;
    // At the serializable level: the state of the base the transaction first read.
    std::optional<std::uint64_t> m_readGeneration;
    SQLULEN m_queryTimeout = 0;

    std::mutex m_callLock;
    // Guards the statement list's changes, the statements' call states and m_running; held
    // only for instants, by SQLCancel and at the edges of statement calls.
    std::mutex m_cancelLock;
    Statement* m_running = nullptr;  // the statement whose call holds the call lock
    std::atomic<bool> m_stopRunning{false};
    // Time limit of the running call; like all SQLite work, touched only under the call lock.
    std::chrono::steady_clock::time_point m_deadline;
    bool m_hasDeadline = false;
    bool m_timedOut = false;
    SQLULEN m_runningTimeout = 0;
};

}  // namespace kervane::odbc
