#pragma once
// The SQLite connection behind an ODBC connection: a SQLite file opened read-write, or a
// Jet file whose tables are exposed in an in-memory database: their rows may change when the
// file is an Access 2000-2003 one the user may write, its structure never.
#include "driver/base/StoredQueries.h"
#include "driver/values/Diagnostics.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/Translator.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kervane::jet {
class JetFile;
}

namespace kervane::sql {
struct QueryDefinition;
}

namespace kervane::odbc {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;

// Ends, when destroyed, what Database::startReading began.
struct StatementEnd {
    void operator()(jet::JetFile* file) const noexcept;
};

class Database {
public:
    using StopCheck = std::function<bool()>;
    // What a statement holds of the base while it runs: on an Access file, its share of the
    // readers' lock (jet/JetFileLocks.h); nothing on a SQLite base, which SQLite locks itself.
    using Reading = std::unique_ptr<jet::JetFile, StatementEnd>;

    // Opens the file named path; throws OdbcError (08001 or HY000, French text naming the
    // file) when it is missing, unreadable, empty, of another kind, truncated or damaged.
    // `exclusive` (Exclusive=1): the file opened for this connection alone, refused while another
    // program or connection has it open; then no other can open it until this one closes it.
    // `password` (PWD): an Access file's database password; a file protected by one opens only
    // with it (28000 otherwise, before anything is read or changed); others ignore it.
    explicit Database(const std::string& path, bool exclusive = false, const std::string& password = {});

    sqlite3* handle() const noexcept { return m_db.get(); }
    bool isReadOnly() const noexcept { return m_readOnly; }
    const std::string& path() const noexcept { return m_path; }
    // The Access file behind a Jet connection (owned by the SQLite connection); nullptr for a
    // SQLite-format base.
    jet::JetFile* jetFile() const noexcept { return m_jetFile; }
    // What the opening has to tell the user although it succeeded (a crash journal found beside
    // the Access file and set aside, the file untouched), in French; empty when nothing.
    const std::string& openingNotice() const noexcept { return m_openingNotice; }
    // The same found as a statement started; given once, empty when nothing.
    std::string takeNotice();

    // Runs a statement that returns no rows (BEGIN, COMMIT, ROLLBACK); throws OdbcError.
    void run(const char* sql);
    bool inTransaction() const noexcept { return sqlite3_get_autocommit(m_db.get()) == 0; }

    // A statement starts reading: on an Access file it waits for a commit being written, rolls
    // back one a crash interrupted and follows the commits of other connections. Throws
    // OdbcError (HY008 with SQLITE_INTERRUPT as native code when `stop` said so).
    Reading startReading(const StopCheck& stop);
    // Before a statement that may change an Access file: waits for the writer's lock, which
    // another connection's transaction may hold, before the statement starts reading. Throws
    // OdbcError. Nothing to do on a SQLite base or a read-only file.
    void prepareChange(const StopCheck& stop);
    // Lets the writer's lock of an Access file go when no transaction of the file is under way
    // (prepareChange took it for a statement that changed nothing of the file).
    void releaseUnusedWriter() noexcept;
    // On an Access file, moves each time a commit of another connection is found; 0 otherwise.
    std::uint64_t generation() const noexcept;

    // A mark of the schema statements are translated against, once the structure other
    // connections changed is followed: a statement translated under one mark translates the
    // same while the mark stays. -1 when it cannot be read.
    std::int64_t schemaMark();
    // One Access SQL statement translated for SQLite, against the structure schemaMark() last
    // followed; throws OdbcError.
    sql::Translation translate(std::string_view accessSql);

    // An Access file's tables are declared to SQLite when first named (jet/module/JetFileTables.h).
    // Declares the one named `name` (case ignored) when it is not yet.
    sql::SchemaCatalogue::Declared declareTable(std::string_view name);
    // After a statement failed to compile: declares the table SQLite said it lacks; true when
    // one was, and the statement may be compiled again.
    bool declareMissingTable();

    // The error of the last SQLite call on this connection, in ODBC terms.
    OdbcError lastError(int code) const;

private:
    void openSqlite(bool exclusive);
    OdbcError lockedError(int code) const;
    std::optional<sql::Translation> structureChange(std::string_view accessSql, const sql::Statement& statement);
    void madeByWriter(sql::Translation& translation);
    // CREATE VIEW / CREATE PROCEDURE / DROP VIEW / DROP PROCEDURE: the query stored in the file
    // or removed from it, then its view made or dropped.
    sql::Translation queryChange(std::string_view accessSql, const sql::QueryDefinition& definition);
    void openJet(bool exclusive, const std::string& password);
    void addFunctions();
    // Between transactions, with no statement of this connection running: the tables another
    // connection dropped or redefined since this one last looked are forgotten, so that the
    // statement about to be translated declares them as they now are.
    void followStructure();

    std::string m_path;
    SqlitePtr m_db;
    bool m_readOnly = false;
    jet::JetFile* m_jetFile = nullptr;
    std::string m_openingNotice;
    std::unique_ptr<sql::SchemaCatalogue> m_catalogue;
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
    };
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_schemaVersion;  // PRAGMA schema_version
    CallableQueries m_callable;
    std::uint64_t m_structureSeen = 0;  // the file's generation whose tables are declared
};

}  // namespace kervane::odbc
