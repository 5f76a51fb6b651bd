#include "driver/Connection.h"

#include "driver/Environment.h"
#include "driver/Statement.h"

namespace kervane::odbc {

Connection::Connection(Environment& environment) : Handle(KIND), m_environment(environment) {}

Connection::~Connection()
{
    disconnect();
}

bool Connection::isOdbc3() const noexcept
{
    return m_environment.isOdbc3();
}

void Connection::connect(const std::string& dataSource, const std::string& path)
{
    if (m_database)
        throw OdbcError{"08002", "La connexion est déjà ouverte.", 0};
    m_database = std::make_unique<Database>(path);
    m_dataSource = dataSource;
    m_autocommit = true;
}

void Connection::disconnect() noexcept
{
    m_statements.clear();
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
    m_statements.push_back(std::make_unique<Statement>(*this));
    return *m_statements.back();
}

void Connection::freeStatement(Statement& statement)
{
    std::erase_if(m_statements, [&](const auto& owned) { return owned.get() == &statement; });
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

void Connection::afterFailure(OdbcError& error) noexcept
{
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
    m_transactionOpen = false;
    if (!m_database || !m_database->inTransaction())
        return;
    // Cursors are closed by the end of a transaction, as SQLGetInfo reports.
    closeCursors();
    try {
        m_database->run(commit ? "COMMIT" : "ROLLBACK");
    } catch (OdbcError& error) {
        // A commit that fails may leave the transaction open (to try again) or undo it.
        if (commit && !m_database->inTransaction()) {
            error.state = "40000";
            error.message += " La transaction a été annulée : rien n'a été enregistré.";
        } else {
            m_transactionOpen = m_database->inTransaction();
        }
        throw;
    }
}

void Connection::closeCursors() noexcept
{
    for (const auto& statement : m_statements)
        statement->closeCursor();
}

}  // namespace kervane::odbc
