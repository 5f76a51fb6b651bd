#include "tests/driver/ConformanceCalls.h"

#include <gtest/gtest.h>

#include <set>

namespace kervane::test {
namespace {

// A connection of its own to the bench's data source, freed on scope exit.
class OwnConnection {
public:
    explicit OwnConnection(const BancEssai& b) { SQLAllocHandle(SQL_HANDLE_DBC, b.env, &m_dbc); }
    ~OwnConnection() { SQLFreeHandle(SQL_HANDLE_DBC, m_dbc); }
    OwnConnection(const OwnConnection&) = delete;
    OwnConnection& operator=(const OwnConnection&) = delete;
    SQLHDBC h() const { return m_dbc; }
    SQLRETURN connect(const BancEssai& b) { return SQLConnect(m_dbc, sql(b.dsn), SQL_NTS, nullptr, 0, nullptr, 0); }

private:
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

// An error on a statement: a table that is not there.
void provokeError(const Statement& s)
{
    EXPECT_EQ(SQLExecDirect(s.h(), sql("SELECT * FROM [Table absente]"), SQL_NTS), SQL_ERROR);
}

void handleCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLALLOCENV] = {"SQLAllocEnv", false, [](const BancEssai&) {
        SQLHENV env = SQL_NULL_HENV;
        expectSuccess(SQLAllocEnv(&env), "SQLAllocEnv", 0, nullptr);
        SQLFreeEnv(env);
    }};
    t[SQL_API_SQLFREEENV] = {"SQLFreeEnv", false, [](const BancEssai&) {
        SQLHENV env = SQL_NULL_HENV;
        SQLAllocEnv(&env);
        expectSuccess(SQLFreeEnv(env), "SQLFreeEnv", 0, nullptr);
    }};
    t[SQL_API_SQLALLOCCONNECT] = {"SQLAllocConnect", false, [](const BancEssai& b) {
        SQLHDBC dbc = SQL_NULL_HDBC;
        expectSuccess(SQLAllocConnect(b.env, &dbc), "SQLAllocConnect", SQL_HANDLE_ENV, b.env);
        SQLFreeConnect(dbc);
    }};
    t[SQL_API_SQLFREECONNECT] = {"SQLFreeConnect", false, [](const BancEssai& b) {
        SQLHDBC dbc = SQL_NULL_HDBC;
        SQLAllocConnect(b.env, &dbc);
        expectSuccess(SQLFreeConnect(dbc), "SQLFreeConnect", SQL_HANDLE_ENV, b.env);
    }};
    t[SQL_API_SQLALLOCSTMT] = {"SQLAllocStmt", false, [](const BancEssai& b) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        expectSuccess(SQLAllocStmt(b.dbc, &stmt), "SQLAllocStmt", SQL_HANDLE_DBC, b.dbc);
        SQLFreeStmt(stmt, SQL_DROP);
    }};
    t[SQL_API_SQLALLOCHANDLE] = {"SQLAllocHandle", false, [](const BancEssai& b) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        expectSuccess(SQLAllocHandle(SQL_HANDLE_STMT, b.dbc, &stmt), "SQLAllocHandle", SQL_HANDLE_DBC, b.dbc);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }};
    t[SQL_API_SQLALLOCHANDLESTD] = {"SQLAllocHandleStd", false, [](const BancEssai& b) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        expectSuccess(SQLAllocHandleStd(SQL_HANDLE_STMT, b.dbc, &stmt), "SQLAllocHandleStd", SQL_HANDLE_DBC, b.dbc);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }};
    t[SQL_API_SQLFREEHANDLE] = {"SQLFreeHandle", false, [](const BancEssai& b) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, b.dbc, &stmt);
        expectSuccess(SQLFreeHandle(SQL_HANDLE_STMT, stmt), "SQLFreeHandle", SQL_HANDLE_DBC, b.dbc);
    }};
    t[SQL_API_SQLFREESTMT] = {"SQLFreeStmt", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        for (const int option : {SQL_CLOSE, SQL_UNBIND, SQL_RESET_PARAMS})
            s.check(SQLFreeStmt(s.h(), static_cast<SQLUSMALLINT>(option)), "SQLFreeStmt");
        s.exec(countQuery(b));  // closed: the statement runs again
        EXPECT_EQ(s.nextLong(), b.rows);
    }};
}

void connectionCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLCONNECT] = {"SQLConnect", false, [](const BancEssai& b) {
        OwnConnection c(b);
        expectSuccess(c.connect(b), "SQLConnect", SQL_HANDLE_DBC, c.h());
        SQLDisconnect(c.h());
    }};
    t[SQL_API_SQLDISCONNECT] = {"SQLDisconnect", false, [](const BancEssai& b) {
        OwnConnection c(b);
        c.connect(b);
        expectSuccess(SQLDisconnect(c.h()), "SQLDisconnect", SQL_HANDLE_DBC, c.h());
    }};
    t[SQL_API_SQLDRIVERCONNECT] = {"SQLDriverConnect", false, [](const BancEssai& b) {
        OwnConnection c(b);
        SQLCHAR out[1024] = {};
        SQLSMALLINT length = 0;
        expectSuccess(SQLDriverConnect(c.h(), nullptr, sql("DSN=" + b.dsn), SQL_NTS, out, sizeof out, &length,
                                       SQL_DRIVER_NOPROMPT),
                      "SQLDriverConnect", SQL_HANDLE_DBC, c.h());
        EXPECT_NE(textOf(out).find("DSN=" + b.dsn), std::string::npos) << textOf(out);
        SQLDisconnect(c.h());
    }};
    t[SQL_API_SQLGETINFO] = {"SQLGetInfo", false, [](const BancEssai& b) {
        SQLCHAR name[256] = {};
        SQLSMALLINT length = 0;
        expectSuccess(SQLGetInfo(b.dbc, SQL_DATA_SOURCE_NAME, name, sizeof name, &length), "SQLGetInfo",
                      SQL_HANDLE_DBC, b.dbc);
        EXPECT_EQ(textOf(name), b.dsn);
    }};
    t[SQL_API_SQLGETFUNCTIONS] = {"SQLGetFunctions", false, [](const BancEssai& b) {
        SQLUSMALLINT supported = SQL_FALSE;
        expectSuccess(SQLGetFunctions(b.dbc, SQL_API_SQLFETCH, &supported), "SQLGetFunctions", SQL_HANDLE_DBC, b.dbc);
        EXPECT_EQ(supported, SQL_TRUE);
    }};
    t[SQL_API_SQLNATIVESQL] = {"SQLNativeSql", false, [](const BancEssai& b) {
        SQLCHAR out[256] = {};
        SQLINTEGER length = 0;
        expectSuccess(SQLNativeSql(b.dbc, sql(countQuery(b)), SQL_NTS, out, sizeof out, &length), "SQLNativeSql",
                      SQL_HANDLE_DBC, b.dbc);
        EXPECT_GT(length, 0);
    }};
    t[SQL_API_SQLGETCONNECTATTR] = {"SQLGetConnectAttr", false, [](const BancEssai& b) {
        SQLULEN value = 99;
        expectSuccess(SQLGetConnectAttr(b.dbc, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr), "SQLGetConnectAttr",
                      SQL_HANDLE_DBC, b.dbc);
        EXPECT_EQ(value, SQL_AUTOCOMMIT_ON);
    }};
    t[SQL_API_SQLSETCONNECTATTR] = {"SQLSetConnectAttr", false, [](const BancEssai& b) {
        expectSuccess(SQLSetConnectAttr(b.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
                      "SQLSetConnectAttr", SQL_HANDLE_DBC, b.dbc);
    }};
    t[SQL_API_SQLGETCONNECTOPTION] = {"SQLGetConnectOption", false, [](const BancEssai& b) {
        SQLULEN value = 99;
        expectSuccess(SQLGetConnectOption(b.dbc, SQL_AUTOCOMMIT, &value), "SQLGetConnectOption", SQL_HANDLE_DBC, b.dbc);
        EXPECT_EQ(value, SQL_AUTOCOMMIT_ON);
    }};
    t[SQL_API_SQLSETCONNECTOPTION] = {"SQLSetConnectOption", false, [](const BancEssai& b) {
        expectSuccess(SQLSetConnectOption(b.dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON), "SQLSetConnectOption",
                      SQL_HANDLE_DBC, b.dbc);
    }};
    t[SQL_API_SQLGETENVATTR] = {"SQLGetEnvAttr", false, [](const BancEssai& b) {
        SQLINTEGER version = 0;
        expectSuccess(SQLGetEnvAttr(b.env, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), "SQLGetEnvAttr",
                      SQL_HANDLE_ENV, b.env);
        EXPECT_EQ(version, SQL_OV_ODBC3);
    }};
    t[SQL_API_SQLSETENVATTR] = {"SQLSetEnvAttr", false, [](const BancEssai&) {
        SQLHENV env = SQL_NULL_HENV;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        expectSuccess(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                      "SQLSetEnvAttr", SQL_HANDLE_ENV, env);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }};
    t[SQL_API_SQLTRANSACT] = {"SQLTransact", false, [](const BancEssai& b) {
        expectSuccess(SQLTransact(SQL_NULL_HENV, b.dbc, SQL_COMMIT), "SQLTransact", SQL_HANDLE_DBC, b.dbc);
    }};
    t[SQL_API_SQLENDTRAN] = {"SQLEndTran", false, [](const BancEssai& b) {
        expectSuccess(SQLEndTran(SQL_HANDLE_DBC, b.dbc, SQL_COMMIT), "SQLEndTran", SQL_HANDLE_DBC, b.dbc);
    }};
    // The driver manager's own lists: the data source and the driver under test are in them.
    t[SQL_API_SQLDATASOURCES] = {"SQLDataSources", false, [](const BancEssai& b) {
        SQLCHAR name[256], description[256];
        SQLSMALLINT n = 0, d = 0;
        std::set<std::string> names;
        for (SQLUSMALLINT way = SQL_FETCH_FIRST;
             SQL_SUCCEEDED(SQLDataSources(b.env, way, name, sizeof name, &n, description, sizeof description, &d));
             way = SQL_FETCH_NEXT)
            names.insert(textOf(name));
        EXPECT_EQ(names.count(b.dsn), 1U);
    }};
    t[SQL_API_SQLDRIVERS] = {"SQLDrivers", false, [](const BancEssai& b) {
        SQLCHAR name[256], attributes[1024];
        SQLSMALLINT n = 0, a = 0;
        std::set<std::string> names;
        for (SQLUSMALLINT way = SQL_FETCH_FIRST;
             SQL_SUCCEEDED(SQLDrivers(b.env, way, name, sizeof name, &n, attributes, sizeof attributes, &a));
             way = SQL_FETCH_NEXT)
            names.insert(textOf(name));
        EXPECT_EQ(names.count("Microsoft Access Driver (*.mdb)"), 1U);
    }};
}

void diagnosticCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLERROR] = {"SQLError", false, [](const BancEssai& b) {
        Statement s(b);
        provokeError(s);
        SQLCHAR state[6] = {}, message[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        expectSuccess(SQLError(SQL_NULL_HENV, SQL_NULL_HDBC, s.h(), state, &native, message, sizeof message, &length),
                      "SQLError", 0, nullptr);
        EXPECT_EQ(textOf(state), "42S02");
        EXPECT_EQ(textOf(message).rfind("[Kervane][Pilote ODBC Access]", 0), 0U) << textOf(message);
    }};
    t[SQL_API_SQLGETDIAGREC] = {"SQLGetDiagRec", false, [](const BancEssai& b) {
        Statement s(b);
        provokeError(s);
        SQLCHAR state[6] = {}, message[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        expectSuccess(SQLGetDiagRec(SQL_HANDLE_STMT, s.h(), 1, state, &native, message, sizeof message, &length),
                      "SQLGetDiagRec", 0, nullptr);
        EXPECT_EQ(textOf(state), "42S02");
        EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s.h(), 2, state, &native, message, sizeof message, &length),
                  SQL_NO_DATA);
    }};
    t[SQL_API_SQLGETDIAGFIELD] = {"SQLGetDiagField", false, [](const BancEssai& b) {
        Statement s(b);
        provokeError(s);
        SQLINTEGER count = 0;
        expectSuccess(SQLGetDiagField(SQL_HANDLE_STMT, s.h(), 0, SQL_DIAG_NUMBER, &count, 0, nullptr),
                      "SQLGetDiagField", 0, nullptr);
        EXPECT_EQ(count, 1);
        SQLCHAR state[6] = {};
        SQLSMALLINT length = 0;
        expectSuccess(SQLGetDiagField(SQL_HANDLE_STMT, s.h(), 1, SQL_DIAG_SQLSTATE, state, sizeof state, &length),
                      "SQLGetDiagField", 0, nullptr);
        EXPECT_EQ(textOf(state), "42S02");
    }};
}

}  // namespace

const std::map<SQLUSMALLINT, AppelControle>& appelsControle()
{
    static const std::map<SQLUSMALLINT, AppelControle> table = [] {
        std::map<SQLUSMALLINT, AppelControle> t;
        handleCalls(t);
        connectionCalls(t);
        diagnosticCalls(t);
        statementCalls(t);
        catalogueCalls(t);
        return t;
    }();
    return table;
}

void expectSuccess(SQLRETURN rc, const char* function, SQLSMALLINT type, SQLHANDLE handle)
{
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO)
        return;
    SQLCHAR state[6] = {}, message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (handle != nullptr)
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    ADD_FAILURE() << function << " returned " << rc << (rc == SQL_INVALID_HANDLE ? " (SQL_INVALID_HANDLE)" : "")
                  << (textOf(state) == "IM001" ? " (IM001: the driver lacks the function)" : "") << " ["
                  << textOf(state) << "] " << textOf(message);
}

}  // namespace kervane::test
