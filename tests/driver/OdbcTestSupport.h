#pragma once
#include "tests/support/DonneesTest.h"
// Talking to the driver the way applications do: through unixODBC (libodbc), with the
// driver registered in a private odbcinst.ini and data sources in a private odbc.ini.
#include "tests/support/DossierTemporaire.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kervane::test {

inline constexpr char ACCESS_DRIVER[] = "Microsoft Access Driver (*.mdb)";

// Registers the driver once per process in a private folder and points ODBCSYSINI at it
// (the driver manager reads that variable once).
const std::string& privateOdbcFolder();

// RAII owners of ODBC handles, allocated with the ODBC 2 calls or with SQLAllocHandle.
class Environnement {
public:
    explicit Environnement(bool odbc3 = false);
    ~Environnement();
    Environnement(const Environnement&) = delete;
    Environnement& operator=(const Environnement&) = delete;
    SQLHENV handle() const { return m_env; }

private:
    SQLHENV m_env = SQL_NULL_HENV;
};

class Connexion {
public:
    explicit Connexion(const Environnement& environnement);
    ~Connexion();
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;
    SQLHDBC handle() const { return m_dbc; }
    SQLHENV env() const { return m_env; }
    SQLRETURN connect(const std::string& dsn, const std::string& user = "", const std::string& password = "");
    SQLRETURN driverConnect(const std::string& text, std::string* out = nullptr);
    void disconnect();

private:
    SQLHENV m_env;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

class Instruction {
public:
    explicit Instruction(const Connexion& connexion);
    ~Instruction();
    Instruction(const Instruction&) = delete;
    Instruction& operator=(const Instruction&) = delete;
    SQLHSTMT handle() const { return m_stmt; }
    SQLRETURN exec(const std::string& sql);
    void close() { SQLFreeStmt(m_stmt, SQL_CLOSE); }

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

struct Diagnostic {
    std::string state;
    std::string message;
    SQLINTEGER native = 0;
};
// First diagnostic through SQLError (ODBC 2) on the most specific handle given.
Diagnostic lastError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt);
// First diagnostic through SQLGetDiagRec (ODBC 3).
Diagnostic diagRec(SQLSMALLINT type, SQLHANDLE handle);

using Row = std::vector<std::optional<std::string>>;
// Reads a column as the application does: 2000-byte buffer, 01004 pieces appended.
std::optional<std::string> readText(SQLHSTMT stmt, SQLUSMALLINT column);
// Every remaining row, every column as text.
std::vector<Row> fetchAll(SQLHSTMT stmt);
std::vector<std::string> columnNames(SQLHSTMT stmt);

// What an application holds once connected: its environment (ODBC 3 unless told), a connection
// to a data source name (or, when the text holds '=', through a connection string), in manual-
// commit mode when told, and one statement. A connection that fails is a test failure, its
// message shown; `connected` keeps the connect's result.
class Session {
public:
    explicit Session(const std::string& target = "Base Test", bool odbc3 = true, bool autocommitOn = true);
    // The functions that take a connection take a session.
    operator const Connexion&() const { return connexion; }
    SQLHENV henv() const { return env.handle(); }
    SQLHDBC dbc() const { return connexion.handle(); }
    SQLHSTMT h() const { return stmt.handle(); }
    SQLRETURN exec(const std::string& sql) { return stmt.exec(sql); }
    // Runs a statement that must succeed; every row it gives (the statement then closed).
    std::vector<Row> rows(const std::string& sql);
    SQLRETURN autocommit(bool on)
    {
        return SQLSetConnectOption(dbc(), SQL_AUTOCOMMIT, on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    }

    Environnement env;
    Connexion connexion;
    SQLRETURN connected;
    Instruction stmt;
};

// A SQLite file made by SQLite itself; run throws on failure.
class BaseSqlite {
public:
    explicit BaseSqlite(const std::string& path);
    ~BaseSqlite();
    BaseSqlite(const BaseSqlite&) = delete;
    BaseSqlite& operator=(const BaseSqlite&) = delete;
    void run(const std::string& sql);
    std::string scalar(const std::string& sql);

private:
    sqlite3* m_db = nullptr;
};

// A test with its private folder, a data source "Base Test" on a fresh SQLite file.
class OdbcTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::string path(const std::string& name) const { return m_dossier.fichier(QString::fromStdString(name)).toStdString(); }
    // Writes a user data source of the driver through the installer.
    void addDataSource(const std::string& dsn, const std::string& file);

    DossierTemporaire m_dossier;
    std::string m_base;
};

std::string fileDigest(const std::string& path);

}  // namespace kervane::test
