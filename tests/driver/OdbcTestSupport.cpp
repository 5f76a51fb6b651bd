#include "tests/driver/OdbcTestSupport.h"

#include "tests/support/OdbcPrive.h"

#include <odbcinst.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kervane::test {

const std::string& privateOdbcFolder()
{
    static const std::string path = dossierInscriptionPilote().toStdString();
    return path;
}

Environnement::Environnement(bool odbc3)
{
    privateOdbcFolder();
    if (odbc3) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    } else {
        SQLAllocEnv(&m_env);
    }
}

Environnement::~Environnement()
{
    SQLFreeEnv(m_env);
}

Connexion::Connexion(const Environnement& environnement) : m_env(environnement.handle())
{
    SQLAllocConnect(m_env, &m_dbc);
}

Connexion::~Connexion()
{
    disconnect();
    SQLFreeConnect(m_dbc);
}

SQLRETURN Connexion::connect(const std::string& dsn, const std::string& user, const std::string& password)
{
    auto text = [](const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); };
    const SQLRETURN rc = SQLConnect(m_dbc, text(dsn), static_cast<SQLSMALLINT>(dsn.size()), text(user),
                                    static_cast<SQLSMALLINT>(user.size()), text(password),
                                    static_cast<SQLSMALLINT>(password.size()));
    m_connected = SQL_SUCCEEDED(rc);
    return rc;
}

SQLRETURN Connexion::driverConnect(const std::string& text, std::string* out)
{
    SQLCHAR buffer[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                                          SQL_NTS, buffer, sizeof buffer, &length, SQL_DRIVER_NOPROMPT);
    m_connected = SQL_SUCCEEDED(rc);
    if (out != nullptr)
        *out = reinterpret_cast<char*>(buffer);
    return rc;
}

void Connexion::disconnect()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    m_connected = false;
}

Instruction::Instruction(const Connexion& connexion)
{
    SQLAllocStmt(connexion.handle(), &m_stmt);
}

Instruction::~Instruction()
{
    SQLFreeStmt(m_stmt, SQL_DROP);
}

SQLRETURN Instruction::exec(const std::string& sql)
{
    SQLFreeStmt(m_stmt, SQL_CLOSE);
    return SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                         static_cast<SQLINTEGER>(sql.size()));
}

Session::Session(const std::string& target, bool odbc3, bool autocommitOn)
    : env(odbc3), connexion(env),
      connected(target.find('=') == std::string::npos ? connexion.connect(target) : connexion.driverConnect(target)),
      stmt(connexion)
{
    if (connected != SQL_SUCCESS)
        ADD_FAILURE() << target << " : " << diagRec(SQL_HANDLE_DBC, connexion.handle()).message;
    else if (!autocommitOn && autocommit(false) != SQL_SUCCESS)
        ADD_FAILURE() << target << " : " << diagRec(SQL_HANDLE_DBC, connexion.handle()).message;
}

std::vector<Row> Session::rows(const std::string& sql)
{
    EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << " : " << diagRec(SQL_HANDLE_STMT, h()).message;
    std::vector<Row> result = fetchAll(h());
    stmt.close();
    return result;
}

Diagnostic lastError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt)
{
    SQLCHAR state[16] = {};
    SQLCHAR message[2000] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length) != SQL_SUCCESS)
        return {};
    return {reinterpret_cast<char*>(state), std::string(reinterpret_cast<char*>(message), length), native};
}

Diagnostic diagRec(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLCHAR state[16] = {};
    SQLCHAR message[2000] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length) != SQL_SUCCESS)
        return {};
    return {reinterpret_cast<char*>(state), std::string(reinterpret_cast<char*>(message), length), native};
}

std::optional<std::string> readText(SQLHSTMT stmt, SQLUSMALLINT column)
{
    char buffer[2000];
    SQLLEN length = 0;
    std::string value;
    SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
    while (rc == SQL_SUCCESS_WITH_INFO) {
        const Diagnostic diagnostic = lastError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt);
        if (diagnostic.state != "01004")
            throw std::runtime_error("unexpected state " + diagnostic.state);
        value.append(buffer);
        rc = SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
    }
    if (rc != SQL_SUCCESS)
        throw std::runtime_error("SQLGetData failed: " + lastError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt).message);
    if (length == SQL_NULL_DATA)
        return std::nullopt;
    value.append(buffer, static_cast<std::size_t>(length));
    return value;
}

std::vector<Row> fetchAll(SQLHSTMT stmt)
{
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    std::vector<Row> rows;
    while (SQLFetch(stmt) == SQL_SUCCESS) {
        Row row;
        for (SQLUSMALLINT c = 1; c <= count; ++c)
            row.push_back(readText(stmt, c));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> columnNames(SQLHSTMT stmt)
{
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    std::vector<std::string> names;
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        SQLCHAR name[256] = {};
        SQLSMALLINT length = 0;
        SQLDescribeCol(stmt, c, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr);
        names.emplace_back(reinterpret_cast<char*>(name), static_cast<std::size_t>(length));
    }
    return names;
}

BaseSqlite::BaseSqlite(const std::string& path)
{
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
        throw std::runtime_error("cannot create " + path);
}

BaseSqlite::~BaseSqlite()
{
    sqlite3_close(m_db);
}

void BaseSqlite::run(const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::string BaseSqlite::scalar(const std::string& sql)
{
    sqlite3_stmt* stmt = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(stmt, 0);
        value = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(stmt);
    return value;
}

void OdbcTest::SetUp()
{
    privateOdbcFolder();
    m_base = path("base.mdb");
    BaseSqlite(m_base).run("CREATE TABLE BASE(NOM TEXT(50));");
    addDataSource("Base Test", m_base);
}

void OdbcTest::addDataSource(const std::string& dsn, const std::string& file)
{
    std::string attributes = "DSN=" + dsn;
    attributes.push_back('\0');
    attributes += "DBQ=" + file;
    attributes.push_back('\0');
    attributes += "FIL=MS Access";
    attributes.push_back('\0');
    attributes.push_back('\0');
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, attributes.c_str()));
}


std::string fileDigest(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::uint64_t hash = 1469598103934665603ULL;
    std::size_t size = 0;
    for (std::istreambuf_iterator<char> it(file), end; it != end; ++it, ++size) {
        hash ^= static_cast<unsigned char>(*it);
        hash *= 1099511628211ULL;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%zu:%016llx", size, static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace kervane::test
