#include "driver/base/Database.h"

#include "driver/base/JetBridge.h"
#include "driver/base/SqliteErrors.h"
#include "driver/base/SqliteLockHolder.h"
#include "driver/base/StoredQueries.h"
#include "driver/base/JetCatalogueFunctions.h"
#include "driver/base/TypeInfoFunction.h"
#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetRecovery.h"
#include "driver/jet/file/JetWriteMessages.h"
#include "driver/jet/format/JetDatabasePassword.h"
#include "driver/jet/format/JetMessages.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/jet/module/JetStructureModule.h"
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/Like.h"
#include "driver/sql/Writer.h"
#include "driver/semantics/SortOrder.h"
#include "driver/sql/Definition.h"
#include "driver/sql/QueryDefinition.h"
#include "driver/sql/Parser.h"
#include "driver/sql/SqlError.h"
#include "driver/semantics/SecretText.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace kervane::odbc {
namespace {

enum class FileKind { Sqlite, Jet };

constexpr char SQLITE_HEADER[] = "SQLite format 3";  // followed by a NUL byte

FileKind fileKind(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw OdbcError{"08001", "Le fichier " + quoted(path) + " est introuvable.", 0};
        throw OdbcError{"08001", "Le fichier " + quoted(path) + " ne peut pas être lu : " + jet::systemReason(errno) + ".",
                        0};
    }
    if (!S_ISREG(status.st_mode))
        throw OdbcError{"08001", quoted(path) + " n'est pas un fichier de base de données.", 0};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw OdbcError{"08001", "Le fichier " + quoted(path) + " ne peut pas être lu (accès refusé).", 0};
    if (status.st_size == 0)
        throw OdbcError{"HY000", "Le fichier " + quoted(path) + " est vide : ce n'est pas une base de données.", 0};
    char header[32] = {};
    file.read(header, sizeof header);
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got >= sizeof SQLITE_HEADER && std::memcmp(header, SQLITE_HEADER, sizeof SQLITE_HEADER) == 0)
        return FileKind::Sqlite;
    if (jet::hasAccessMagic(reinterpret_cast<const unsigned char*>(header), got))
        return FileKind::Jet;
    throw OdbcError{"HY000", "Le fichier " + quoted(path) + " n'est ni une base Access ni une base SQLite.", 0};
}

bool isJetModule(const char* module)
{
    return module != nullptr && std::strcmp(module, jet::kJetTablesByName) == 0;
}

// Every write and schema change is refused on a read-only Access file, but for the declarations
// of its tables when first named.
int denyWrites(void*, int action, const char* table, const char* a, const char*, const char*)
{
    if (action == SQLITE_CREATE_VTABLE && isJetModule(a))
        return SQLITE_OK;
    // Table-valued pragmas (pragma_table_info...) are set up through an update of the schema
    // table the first time they are used, the file's tables declared through an insert; the
    // in-memory schema is not the Access file.
    if ((action == SQLITE_UPDATE || action == SQLITE_INSERT) && table != nullptr && std::strcmp(table, "sqlite_master") == 0)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
    case SQLITE_RECURSIVE:
    case SQLITE_PRAGMA:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// On a writable Access file: the rows of its tables may change (the Jet tables refuse what they
// cannot write exactly), its structure may not.
// Its structure changes only through the driver's own writer, which then declares or forgets the
// tables it made or removed (module kervane_access).
int denySchemaChanges(void* user, int action, const char* table, const char* a, const char* b, const char* c)
{
    const bool rowChange = action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE;
    if (rowChange && table != nullptr && sqlite3_strnicmp(table, "sqlite_", 7) != 0)
        return SQLITE_OK;
    if ((action == SQLITE_CREATE_VTABLE || action == SQLITE_DROP_VTABLE) && isJetModule(a))
        return SQLITE_OK;
    // The views of the file's stored queries, made or dropped with them (CREATE VIEW and DROP
    // VIEW in Access SQL always go through the driver's writer first).
    if (action == SQLITE_CREATE_VIEW || action == SQLITE_DROP_VIEW)
        return SQLITE_OK;
    // The declarations of those tables, in the in-memory schema.
    if (rowChange && table != nullptr && std::strcmp(table, "sqlite_master") == 0)
        return SQLITE_OK;
    return denyWrites(user, action, table, a, b, c);
}

// Changes are written only into Access 97 to 2003 (Jet 3 and Jet 4) files the user may write (the
// Jet tables refuse, one by one, what they cannot write: indexed tables among others); a file
// without any write permission is left as its owner marked it, even to an administrator.
bool jetFileWritable(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return false;
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// A SQLite-format base has no database password to set.
void refuseDatabasePassword(const sql::Statement& statement)
{
    if (statement.kind != sql::Statement::Kind::Raw)
        return;
    const std::optional<sql::Definition> definition = sql::readDefinition(statement.raw);
    if (definition && definition->kind == sql::Definition::Kind::DatabasePassword)
        throw sql::SqlError("HY000", "Une base SQLite n'a pas de mot de passe : ALTER DATABASE PASSWORD ne "
                                     "s'applique qu'aux bases Access 97 à 2003.");
}

[[noreturn]] void refusePassword(const std::string& path, bool given, const char* protection)
{
    if (!given)
        throw OdbcError{"28000",
                        "La base Access " + quoted(path) + " est " + protection + " par un mot de passe : indiquez-le "
                            "(PWD) pour l'ouvrir.",
                        0};
    throw OdbcError{"28000", "Le mot de passe donné pour la base Access " + quoted(path) + " n'est pas le bon.", 0};
}

// An Access 2007 or later file a password encrypts opens only with it: the cipher it opens
// reads the file.
jet::JetPageCipher openEncryption(const std::string& path, const std::vector<unsigned char>& header,
                                  const std::string& given)
{
    jet::JetPageCipher cipher;
    switch (jet::JetPageCipher::ofEncryptedHeader(header.data(), header.size(), given, cipher)) {
    case jet::OfficeOpening::Opened: return cipher;
    case jet::OfficeOpening::WrongPassword: refusePassword(path, !given.empty(), "chiffrée");
    case jet::OfficeOpening::Unsupported: break;
    }
    throw OdbcError{"HY000",
                    "La base Access " + quoted(path) + " est chiffrée d'une façon que ce pilote ne connaît pas : elle "
                        "ne peut pas être ouverte.",
                    0};
}

// An Access file protected by a database password opens only with it, compared as Access
// compares it; the refusal names the file, never a password. Gives the cipher of an encrypted
// Access 2007 or later file, none for another file.
jet::JetPageCipher requirePassword(const std::string& path, const std::string& given)
{
    // The header page: an encrypted file describes its encryption near its end.
    std::vector<unsigned char> header(4096, 0);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
    header.resize(static_cast<std::size_t>(file.gcount()));
    if (jet::JetPageCipher::officeEncrypted(header.data(), header.size()))
        return openEncryption(path, header, given);
    SecretText stored;
    if (!jet::databasePassword(header.data(), header.size(), stored.text()) || stored.text().empty())
        return {};
    if (given.empty() || !jet::passwordMatches(stored.text(), given))
        refusePassword(path, !given.empty(), "protégée");
    return {};
}

}  // namespace

Database::Database(const std::string& path, bool exclusive, const std::string& password) : m_path(path)
{
    if (fileKind(path) == FileKind::Sqlite) {
        openSqlite(exclusive);
        addFunctions();
    } else {
        openJet(exclusive, password);
    }
}

void Database::openSqlite(bool exclusive)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK)
        throw OdbcError{"08001",
                        "Le fichier " + quoted(m_path) + " ne peut pas être ouvert : " + sqlite3_errstr(rc) + ".", rc};
    sqlite3_busy_timeout(db, 5000);
    // Reading the schema now makes a truncated or damaged file fail at connect time.
    const int check = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if ((check & 0xFF) == SQLITE_BUSY || (check & 0xFF) == SQLITE_LOCKED)
        throw lockedError(check);
    if (check != SQLITE_OK)
        throw OdbcError{"HY000",
                        "Le fichier " + quoted(m_path) + " est endommagé ou n'est pas une base valide : "
                            + sqlite3_errmsg(db) + ".",
                        check};
    sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    // Opened for this connection alone: SQLite's exclusive lock, taken now and kept.
    if (exclusive) {
        sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
        const int taken = sqlite3_exec(db, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr);
        if (taken != SQLITE_OK)
            throw OdbcError{"HY000",
                            "Le fichier " + quoted(m_path) + " est ouvert par un autre programme ou une autre "
                                "connexion : il ne peut pas être ouvert en exclusivité.",
                            taken};
    }
}

void Database::openJet(bool exclusive, const std::string& password)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK)
        throw OdbcError{"HY001", "Mémoire insuffisante pour ouvrir " + quoted(m_path) + ".", rc};
    // A commit a crash cut short is undone before anything is read; one still running in another
    // program is left to it (then the file is read as it was before that commit). A journal not
    // made for this file as it is gets set aside, and the user is told. The password is checked
    // against the header as it then is: a change of password a crash cut short is undone first.
    jet::Recovery recovery = jet::Recovery::Nothing;
    std::string message;
    if (!jet::recoverInterruptedCommit(m_path, recovery, message))
        throw OdbcError{"HY000", message, 0};
    const jet::JetPageCipher encryption = requirePassword(m_path, password);
    if (recovery == jet::Recovery::SetAside)
        m_openingNotice = message;
    message.clear();
    std::vector<StoredQueryText> queries;
    if (!attachJet(db, m_path, message, queries, m_jetFile, exclusive, encryption))
        throw OdbcError{"HY000", message.empty() ? "La base Access " + quoted(m_path) + " ne peut pas être lue." : message,
                        0};
    addFunctions();
    m_readOnly = !jetFileWritable(m_path);
    createStoredQueryViews(db, *m_catalogue, m_path, std::move(queries), m_readOnly, m_callable);
    sqlite3_set_authorizer(db, m_readOnly ? denyWrites : denySchemaChanges, nullptr);
}

void Database::addFunctions()
{
    // A double-quoted name that names nothing must not turn into a text, as SQLite would let it.
    sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerTypeInfoFunction(m_db.get());
    registerJetCatalogueFunctions(m_db.get(), m_jetFile);
    registerErrorFunction(m_db.get());
    registerProcedureFunction(m_db.get(), m_callable);
    sql::registerAccessCollation(m_db.get());
    sql::registerLikeFunctions(m_db.get());
    sql::registerAccessFunctions(m_db.get());
    if (m_jetFile == nullptr)
        sql::registerRowidIdentity(m_db.get());
    m_catalogue = std::make_unique<sql::SchemaCatalogue>(m_db.get());
    if (m_jetFile != nullptr)
        m_catalogue->declareWith([this](std::string_view name) { return declareTable(name); });
}

void StatementEnd::operator()(jet::JetFile* file) const noexcept
{
    file->endStatement();
}

Database::Reading Database::startReading(const StopCheck& stop)
{
    if (m_jetFile == nullptr)
        return Reading{};
    std::string error;
    bool stopped = false;
    if (!m_jetFile->beginStatement(stop, error, stopped)) {
        if (stopped)
            throw OdbcError{"HY008", "L'opération a été annulée.", SQLITE_INTERRUPT};
        throw OdbcError{"HY000", error, 0};
    }
    return Reading(m_jetFile);
}

void Database::prepareChange(const StopCheck& stop)
{
    if (m_jetFile == nullptr || m_readOnly)
        return;
    jet::JetFileLocks& locks = m_jetFile->locks();
    int failure = 0;
    // While a statement of this connection reads, waiting could hold up a commit that waits
    // for that statement: the lock is then only tried.
    const auto outcome = m_jetFile->inStatement() ? locks.takeWriter(failure) : locks.waitForWriter(stop, failure);
    switch (outcome) {
    case jet::JetFileLocks::Outcome::Taken: return;
    case jet::JetFileLocks::Outcome::Busy:
        throw OdbcError{"HY000", jet::messageWrittenElsewhere(m_path, jet::reasonOtherWriter()), 0};
    case jet::JetFileLocks::Outcome::Stopped: throw OdbcError{"HY008", "L'opération a été annulée.", SQLITE_INTERRUPT};
    case jet::JetFileLocks::Outcome::Failed: throw OdbcError{"HY000", jet::messageNotWritable(m_path, failure), 0};
    }
}

void Database::releaseUnusedWriter() noexcept
{
    if (m_jetFile != nullptr && m_jetFile->overlay() == nullptr)
        m_jetFile->locks().releaseWriter();
}

std::string Database::takeNotice()
{
    return m_jetFile != nullptr ? m_jetFile->takeNotice() : std::string();
}

std::uint64_t Database::generation() const noexcept
{
    return m_jetFile != nullptr ? m_jetFile->generation() : 0;
}

// A statement of definition on an Access file: made by the driver's writer (through the
// structure table, in the connection's transaction), then the table declared or forgotten.
std::optional<sql::Translation> Database::structureChange(std::string_view accessSql, const sql::Statement& statement)
{
    if (statement.kind != sql::Statement::Kind::Raw)
        return std::nullopt;
    const std::optional<sql::Definition> definition = sql::readDefinition(statement.raw);
    if (!definition) {
        if (std::optional<sql::QueryDefinition> query = sql::readQueryDefinition(accessSql, statement.raw))
            return queryChange(accessSql, *query);
        return std::nullopt;
    }
    sql::Translation translation;
    translation.kind = sql::Translation::Kind::Other;
    translation.statements.push_back("INSERT INTO kervane_structure(statement) VALUES(" + sql::quotedText(accessSql) +
                                     ")");
    if (definition->kind == sql::Definition::Kind::DatabasePassword)
        return translation;  // the header alone changes
    // A table no statement named yet is not declared: forgotten if it is, it is declared as it
    // now is when next named.
    const auto declareAgain = [&](const std::string& name) {
        translation.statements.push_back("DROP TABLE IF EXISTS " + name);
    };
    // The tables a relationship refers to change too (their indexes name it).
    for (const sql::Constraint& constraint : definition->constraints)
        if (constraint.kind == sql::Constraint::Kind::ForeignKey &&
            !sql::sameName(constraint.references.table, definition->table))
            declareAgain(sql::quotedName(constraint.references.table));
    if (definition->kind == sql::Definition::Kind::CreateTable)
        translation.statements.push_back(jet::fileTableDeclaration(definition->table));
    else  // removed, or changed
        declareAgain(sql::quotedName(definition->table));
    return translation;
}

// SELECT … INTO on an Access file: its new table made by the driver's writer, then filled.
void Database::madeByWriter(sql::Translation& translation)
{
    const sql::Statement statement = sql::parseStatement(translation.madeTable);
    const std::optional<sql::Definition> definition = sql::readDefinition(statement.raw);
    if (!definition)
        return;
    translation.statements.front() = jet::fileTableDeclaration(definition->table);
    translation.statements.insert(translation.statements.begin(), "INSERT INTO kervane_structure(statement) VALUES(" +
                                                                       sql::quotedText(translation.madeTable) + ")");
}

namespace {

// The kind of query a statement stored as a query makes, in words; empty for a select query.
std::string queryKindInWords(const sql::Statement& statement)
{
    switch (statement.kind) {
    case sql::Statement::Kind::Select: return statement.select->into.empty() ? "" : "création de table";
    case sql::Statement::Kind::Insert: return "ajout";
    case sql::Statement::Kind::Update: return "mise à jour";
    case sql::Statement::Kind::Delete: return "suppression";
    default: return "action";
    }
}

}  // namespace

sql::Translation Database::queryChange(std::string_view accessSql, const sql::QueryDefinition& definition)
{
    sql::Translation translation;
    translation.kind = sql::Translation::Kind::Other;
    translation.statements.push_back("INSERT INTO kervane_structure(statement) VALUES(" + sql::quotedText(accessSql) +
                                     ")");
    const std::string name = sql::quotedName(definition.name);
    if (!definition.creates()) {
        translation.statements.push_back("DROP VIEW " + name);
        return translation;
    }
    // The query is translated now: one the connection could not run is refused before the file
    // changes.
    const std::string accessQuery = sql::queryStatement(definition);
    const sql::Translation runs = sql::translate(accessQuery, *m_catalogue);
    const std::string kind = queryKindInWords(sql::parseStatement(definition.body));
    if (kind.empty() && definition.parameters.empty() && runs.statements.size() == 1) {
        std::string columns;
        for (const std::string& column : definition.columns)
            columns += (columns.empty() ? "(" : ", ") + sql::quotedName(column);
        translation.statements.push_back("CREATE VIEW " + name + (columns.empty() ? "" : columns + ")") + " AS " +
                                         runs.statements.front());
        return translation;
    }
    std::vector<std::string> parameters;
    for (const sql::QueryParameter& parameter : definition.parameters)
        parameters.push_back(parameter.name);
    m_callable.add(definition.name, accessQuery);
    translation.statements.push_back(refusingViewSql(definition.name, callOnlyMessage(definition.name, kind, parameters)));
    return translation;
}

sql::Translation Database::translate(std::string_view accessSql)
{
    try {
        // Parsed once: the statements the Access file's writer or its stored queries take are
        // told apart from the others by their tree.
        const sql::Statement statement = sql::parseStatement(accessSql);
        if (m_jetFile != nullptr && !m_readOnly)
            if (std::optional<sql::Translation> change = structureChange(accessSql, statement))
                return std::move(*change);
        if (m_jetFile == nullptr)
            refuseDatabasePassword(statement);
        if (m_jetFile != nullptr && statement.kind == sql::Statement::Kind::Call)
            if (std::optional<sql::Translation> call = m_callable.translate(*statement.call, accessSql, *m_catalogue))
                return std::move(*call);
        sql::Translation translation = sql::translate(statement, accessSql, *m_catalogue);
        if (m_jetFile != nullptr && !m_readOnly && !translation.madeTable.empty())
            madeByWriter(translation);
        return translation;
    } catch (const sql::SchemaUnreadable& error) {
        if (!error.reason().empty())
            throw errorFromSqlite(error.code(), error.reason(), m_readOnly ? m_path : std::string());
        throw lastError(error.code());
    } catch (const sql::SqlError& error) {
        throw OdbcError{error.state(), error.what(), 0};
    }
}

std::int64_t Database::schemaMark()
{
    followStructure();
    if (!m_schemaVersion) {
        sqlite3_stmt* compiled = nullptr;
        const int rc = sqlite3_prepare_v2(m_db.get(), "PRAGMA schema_version", -1, &compiled, nullptr);
        m_schemaVersion.reset(compiled);
        if (rc != SQLITE_OK)
            return -1;
    }
    const std::int64_t mark =
        sqlite3_step(m_schemaVersion.get()) == SQLITE_ROW ? sqlite3_column_int64(m_schemaVersion.get(), 0) : -1;
    sqlite3_reset(m_schemaVersion.get());
    return mark;
}

void Database::run(const char* sql)
{
    int rc = SQLITE_OK;
    while ((rc = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr)) != SQLITE_OK && declareMissingTable()) {
    }
    if (rc != SQLITE_OK)
        throw lastError(rc);
}

// Another program (or connection) holds the SQLite base past the busy timeout: it says so, with
// who holds it and what it is doing when the system tells.
OdbcError Database::lockedError(int code) const
{
    const std::string holder = sqliteLockHolder(m_path);
    return {"HY000",
            "La base " + quoted(m_path) + " est verrouillée"
                + (holder.empty() ? " par un autre programme ou une autre connexion" : holder)
                + " : réessayez quand il aura terminé.",
            code & 0xFF};
}

OdbcError Database::lastError(int code) const
{
    if (m_jetFile == nullptr && ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED))
        return lockedError(code);
    if (m_jetFile != nullptr && !m_readOnly && (code & 0xFF) == SQLITE_AUTH)
        return {"HY000",
                "La structure de la base Access " + quoted(m_path)
                    + " ne peut pas être modifiée ici : seules les lignes de ses tables peuvent l'être.",
                code};
    return errorFromSqlite(code, sqlite3_errmsg(m_db.get()), m_readOnly ? m_path : std::string());
}

}  // namespace kervane::odbc
