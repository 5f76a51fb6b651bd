#pragma once
// The SQLite connection behind an ODBC connection: a SQLite file opened read-write, or a
// Jet file whose tables are exposed in an in-memory database: their rows may change when the
// file is an Access 2000-2003 one the user may write, its structure never.
#include "driver/Diagnostics.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/Translator.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace kervane::jet {
class JetFile;
}

namespace kervane::odbc {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;

class Database {
public:
    // Opens the file named path; throws OdbcError (08001 or HY000, French text naming the
    // file) when it is missing, unreadable, empty, of another kind, truncated or damaged.
    explicit Database(const std::string& path);

    sqlite3* handle() const noexcept { return m_db.get(); }
    bool isReadOnly() const noexcept { return m_readOnly; }
    const std::string& path() const noexcept { return m_path; }
    // The Access file behind a Jet connection (owned by the SQLite connection); nullptr for a
    // SQLite-format base.
    jet::JetFile* jetFile() const noexcept { return m_jetFile; }
    // What the opening has to tell the user although it succeeded (a crash journal found beside
    // the Access file and set aside, the file untouched), in French; empty when nothing.
    const std::string& openingNotice() const noexcept { return m_openingNotice; }

    // Runs a statement that returns no rows (BEGIN, COMMIT, ROLLBACK); throws OdbcError.
    void run(const char* sql);
    bool inTransaction() const noexcept { return sqlite3_get_autocommit(m_db.get()) == 0; }

    // One Access SQL statement translated for SQLite; throws OdbcError.
    sql::Translation translate(std::string_view accessSql);

    // The error of the last SQLite call on this connection, in ODBC terms.
    OdbcError lastError(int code) const;

private:
    void openSqlite();
    void openJet();
    void addFunctions();

    std::string m_path;
    SqlitePtr m_db;
    bool m_readOnly = false;
    jet::JetFile* m_jetFile = nullptr;
    std::string m_openingNotice;
    std::unique_ptr<sql::SchemaCatalogue> m_catalogue;
};

}  // namespace kervane::odbc
