#pragma once
// ODBC connection: the open database, the commit mode and the statements allocated on it.
#include "driver/Database.h"
#include "driver/Handles.h"

#include <memory>
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
    void connect(const std::string& dataSource, const std::string& path);
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
    // when none is open. Statements that only read take no lasting lock: readers never
    // block another program's writers, as with Access.
    void beginIfManual();
    // Commits or rolls back; a commit after SQLite undid the whole transaction on its own
    // fails (40000), since nothing of it can be saved any more.
    void endTransaction(bool commit);
    // After a failed statement: when SQLite has undone the whole open transaction (full disk,
    // I/O error, interruption...), says so in the message and remembers it for the commit.
    void afterFailure(OdbcError& error) noexcept;

    // Attributes kept only to be read back.
    SQLUINTEGER loginTimeout = 0;
    SQLUINTEGER accessMode = SQL_MODE_READ_WRITE;

private:
    void closeCursors() noexcept;

    Environment& m_environment;
    std::unique_ptr<Database> m_database;
    std::vector<std::unique_ptr<Statement>> m_statements;
    std::string m_dataSource;
    bool m_autocommit = true;
    bool m_transactionOpen = false;  // a transaction of manual-commit mode is under way
    bool m_transactionLost = false;  // SQLite undid it whole after a failure
};

}  // namespace kervane::odbc
