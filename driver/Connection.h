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
    // In manual-commit mode, opens a transaction before a statement when none is open.
    void beginIfManual();
    void endTransaction(bool commit);

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
};

}  // namespace kervane::odbc
