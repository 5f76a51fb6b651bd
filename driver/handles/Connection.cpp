#include "driver/handles/Connection.h"

#include "driver/base/SqliteErrors.h"
#include "driver/handles/Environment.h"
#include "driver/handles/Statement.h"
#include "driver/jet/module/JetInterrupt.h"

#include <algorithm>

namespace kervane::odbc {
namespace {

// Virtual machine instructions between two looks at the cancel flag and the clock.
constexpr int PROGRESS_STEPS = 1000;
// Longest time limit honoured (a century), so that the deadline cannot overflow.
constexpr SQLULEN LONGEST_TIMEOUT = 100ULL * 366 * 24 * 3600;

std::string secondsText(SQLULEN seconds)
{
    return std::to_string(seconds) + (seconds > 1 ? " secondes" : " seconde");
}

}  // namespace

Connection::Connection(Environment& environment) : Handle(KIND), m_environment(environment) {}

Connection::~Connection()
{
    disconnect();
}

bool Connection::isOdbc3() const noexcept
{
    return m_environment.isOdbc3();
}

void Connection::connect(const std::string& dataSource, const std::string& path, bool exclusive,
                         const std::string& password)
{
    if (m_database)
        throw OdbcError{"08002", "La connexion est déjà ouverte.", 0};
    m_database = std::make_unique<Database>(path, exclusive, password);
    sqlite3_progress_handler(m_database->handle(), PROGRESS_STEPS, &Connection::onProgress, this);
    m_dataSource = dataSource;
    m_autocommit = true;
}

void Connection::disconnect() noexcept
{
    std::vector<std::unique_ptr<Statement>> statements;
    {
        std::scoped_lock lock(m_cancelLock);
        statements.swap(m_statements);
    }
    statements.clear();
    if (m_database && m_database->inTransaction())
        sqlite3_exec(m_database->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_database.reset();
    m_dataSource.clear();
}

Database& Connection::database()
{
    if (!m_database)
        throw OdbcError{"08003", "La connexion n'est pas ouverte.", 0};
    return *m_database;
}

Statement& Connection::allocateStatement()
{
    if (!m_database)
        throw OdbcError{"08003", "La connexion n'est pas ouverte.", 0};
    auto statement = std::make_unique<Statement>(*this);
    std::scoped_lock lock(m_cancelLock);
    m_statements.push_back(std::move(statement));
    return *m_statements.back();
}

void Connection::freeStatement(Statement& statement)
{
    std::unique_ptr<Statement> freed;
    {
        std::scoped_lock lock(m_cancelLock);
        const auto found = std::find_if(m_statements.begin(), m_statements.end(),
                                        [&](const auto& owned) { return owned.get() == &statement; });
        if (found == m_statements.end())
            return;
        freed = std::move(*found);
        m_statements.erase(found);
    }
}

void Connection::setAutocommit(bool on)
{
    if (on && !m_autocommit && m_database && (m_database->inTransaction() || m_transactionLost))
        endTransaction(true);
    m_autocommit = on;
}

void Connection::beginIfManual()
{
    if (m_autocommit)
        return;
    if (!m_database->inTransaction())
        m_database->run("BEGIN");
    m_transactionOpen = true;
}

bool Connection::setIsolation(SQLULEN level)
{
    if (m_database && (m_transactionOpen || m_database->inTransaction()))
        throw OdbcError{"HY011", "Le niveau d'isolation ne peut pas changer pendant une transaction.", 0};
    switch (level) {
    case SQL_TXN_READ_UNCOMMITTED: m_isolation = SQL_TXN_READ_COMMITTED; return false;
    case SQL_TXN_READ_COMMITTED: m_isolation = SQL_TXN_READ_COMMITTED; return true;
    case SQL_TXN_REPEATABLE_READ: m_isolation = SQL_TXN_SERIALIZABLE; return false;
    case SQL_TXN_SERIALIZABLE: m_isolation = SQL_TXN_SERIALIZABLE; return true;
    default: throw OdbcError{"HY024", "Niveau d'isolation " + std::to_string(level) + " inconnu.", 0};
    }
}

Database::Reading Connection::startStatement(bool changes)
{
    Database& base = database();
    const auto stop = [this] { return mustStop(); };
    try {
        if (changes)
            base.prepareChange(stop);
        if (changes || serializable())
            beginIfManual();
        Database::Reading reading = base.startReading(stop);
        if (serializable())
            checkSerializable();
        return reading;
    } catch (const OdbcError&) {
        afterStatement();
        throw;
    }
}

void Connection::afterStatement() noexcept
{
    if (m_autocommit && m_database && !m_database->inTransaction())
        m_database->releaseUnusedWriter();
}

// The transaction's reads must all come from one state of the base: a commit of another
// program found since its first read makes it impossible to serialize, and it is undone whole
// before it writes anything (once it writes it holds the writer's lock: no commit comes between).
void Connection::checkSerializable()
{
    const std::uint64_t generation = m_database->generation();
    if (!m_readGeneration) {
        m_readGeneration = generation;
        return;
    }
    if (*m_readGeneration == generation)
        return;
    leaveTransaction();
    throw OdbcError{"40001",
                    "La transaction a été annulée : un autre programme a enregistré des modifications dans la base "
                        + quoted(m_database->path())
                        + " depuis qu'elle l'a lue. Aucune de ses modifications n'a été enregistrée ; recommencez-la.",
                    0};
}

// Undoes what SQLite still holds of the transaction, lets the writer's lock go and forgets the
// transaction's state.
void Connection::leaveTransaction() noexcept
{
    if (m_database && m_database->inTransaction()) {
        closeCursors();
        sqlite3_exec(m_database->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (m_database)
        m_database->releaseUnusedWriter();
    m_transactionOpen = false;
    m_readGeneration.reset();
}

// At the serializable level, SQLite refuses a change or a commit that would wait for ever on
// another transaction's reads (SQLITE_BUSY): this transaction gives way, undone whole.
bool Connection::givesWay(OdbcError& error) noexcept
{
    if (!serializable() || error.native != SQLITE_BUSY)
        return false;
    leaveTransaction();
    error.state = "40001";
    error.message += " La transaction a été annulée pour laisser finir l'autre : aucune de ses modifications "
                     "n'a été enregistrée ; recommencez-la.";
    return true;
}

void Connection::afterFailure(OdbcError& error) noexcept
{
    if (m_transactionOpen && givesWay(error))
        return;
    if (!m_transactionOpen || !m_database || m_database->inTransaction())
        return;
    m_transactionOpen = false;
    m_transactionLost = true;
    error.message += " Toute la transaction a été annulée : aucune des modifications en cours n'a été enregistrée.";
}

void Connection::endTransaction(bool commit)
{
    if (m_transactionLost) {
        m_transactionLost = false;
        if (commit)
            throw OdbcError{"40000",
                            "La transaction avait été annulée en entier par l'erreur précédente : aucune de ses "
                            "modifications n'a été enregistrée.",
                            0};
        return;
    }
    if (!m_database || !m_database->inTransaction()) {
        leaveTransaction();
        return;
    }
    // Cursors are closed by the end of a transaction, as SQLGetInfo reports.
    closeCursors();
    try {
        m_database->run(commit ? "COMMIT" : "ROLLBACK");
    } catch (OdbcError& error) {
        if (commit && givesWay(error))
            throw;
        // A commit that fails may leave the transaction open (to try again) or undo it.
        if (m_database->inTransaction())
            throw;
        if (commit) {
            error.state = "40000";
            error.message += " La transaction a été annulée : rien n'a été enregistré.";
        }
        leaveTransaction();
        throw;
    }
    leaveTransaction();
}

void Connection::setQueryTimeout(SQLULEN seconds) noexcept
{
    m_queryTimeout = seconds;
    for (const auto& statement : m_statements)
        statement->queryTimeout = seconds;
}

void Connection::announceCall(Statement& statement)
{
    std::scoped_lock lock(m_cancelLock);
    statement.callState().inCall = true;
    statement.callState().cancelled = false;
}

void Connection::startCall(Statement& statement)
{
    bool closeFirst = false;
    {
        std::scoped_lock lock(m_cancelLock);
        CallState& call = statement.callState();
        m_running = &statement;
        m_stopRunning.store(call.cancelled);
        closeFirst = call.closePending;
        call.closePending = false;
    }
    m_timedOut = false;
    m_runningTimeout = std::min(statement.queryTimeout, LONGEST_TIMEOUT);
    m_hasDeadline = m_runningTimeout != 0;
    if (m_hasDeadline)
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_runningTimeout);
    if (closeFirst)
        statement.closeCursor();
    if (m_stopRunning.load())
        throw stopError(OdbcError{"HY008", "", SQLITE_INTERRUPT});
}

void Connection::finishCall(Statement& statement) noexcept
{
    std::scoped_lock lock(m_cancelLock);
    statement.callState().inCall = false;
    statement.callState().cancelled = false;
    if (m_running == &statement) {
        m_running = nullptr;
        m_stopRunning.store(false);
        m_hasDeadline = false;
    }
}

void Connection::cancel(Statement& statement)
{
    std::scoped_lock lock(m_cancelLock);
    CallState& call = statement.callState();
    if (call.inCall) {
        call.cancelled = true;
        if (m_running == &statement) {
            m_stopRunning.store(true);
            // The progress handler stops the statement within a few instructions; the
            // interruptions also reach SQLite's own long loops and the pages of an Access
            // table. They are left out when another statement holds a cursor open: they would
            // last until that one's next rows.
            if (m_database && !otherCursorOpen(statement)) {
                sqlite3_interrupt(m_database->handle());
                jet::interruptJetScans(m_database->handle());
            }
        }
        return;
    }
    std::unique_lock calls(m_callLock, std::try_to_lock);
    // Between SQLExecute and the last SQLParamData: the execution is abandoned.
    if (calls.owns_lock() && statement.waitsForData()) {
        statement.abandonRun();
        return;
    }
    if (isOdbc3())
        return;
    // ODBC 2: a cancel with nothing running closes the cursor, at once when no other call
    // runs on the connection, else at the statement's next call.
    if (calls.owns_lock())
        statement.closeCursor();
    else
        call.closePending = true;
}

bool Connection::otherCursorOpen(const Statement& statement) const noexcept
{
    return std::any_of(m_statements.begin(), m_statements.end(), [&](const auto& other) {
        return other.get() != &statement && other->cursorOpen();
    });
}

bool Connection::mustStop() noexcept
{
    if (m_stopRunning.load(std::memory_order_relaxed))
        return true;
    if (m_hasDeadline && std::chrono::steady_clock::now() >= m_deadline) {
        m_timedOut = true;
        return true;
    }
    return false;
}

int Connection::onProgress(void* connection) noexcept
{
    return static_cast<Connection*>(connection)->mustStop() ? 1 : 0;
}

OdbcError Connection::stopError(const OdbcError& interruption) const
{
    if (m_stopRunning.load())
        return {"HY008", "L'exécution de l'instruction a été annulée.", interruption.native};
    if (m_timedOut)
        return {"HYT00",
                "Le délai d'exécution de la requête (" + secondsText(m_runningTimeout)
                    + ") est dépassé : l'instruction a été arrêtée.",
                interruption.native};
    return interruption;
}

void Connection::closeCursors() noexcept
{
    for (const auto& statement : m_statements)
        statement->closeCursor();
}

}  // namespace kervane::odbc
