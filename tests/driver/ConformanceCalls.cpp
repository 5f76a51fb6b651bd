#include "tests/driver/ConformanceCalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace kervane::test {
namespace {

using B = const BancEssai&;
SQLCHAR* sql(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }
std::string textOf(const SQLCHAR* buffer) { return reinterpret_cast<const char*>(buffer); }
SQLPOINTER attr(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

// Fails the running test (its trace names the function) unless rc is a success; the message gives
// the diagnostic of handle, IM001 meaning the driver lacks the function.
void ok(SQLRETURN rc, SQLSMALLINT type = 0, SQLHANDLE handle = nullptr)
{
    if (SQL_SUCCEEDED(rc))
        return;
    SQLCHAR state[6] = {}, message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (handle != nullptr)
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    ADD_FAILURE() << "returned " << rc << (rc == SQL_INVALID_HANDLE ? " (SQL_INVALID_HANDLE)" : "")
                  << (textOf(state) == "IM001" ? " (IM001: the driver lacks the function)" : "") << " ["
                  << textOf(state) << "] " << textOf(message);
}
void okDbc(SQLRETURN rc, B b) { ok(rc, SQL_HANDLE_DBC, b.dbc); }

// A statement handle of the bench's connection, freed on scope exit.
struct Statement {
    explicit Statement(B banc) { SQLAllocHandle(SQL_HANDLE_STMT, banc.dbc, &h); }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, h); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void check(SQLRETURN rc) const { ok(rc, SQL_HANDLE_STMT, h); }
    const Statement& exec(const std::string& text) const { return check(SQLExecDirect(h, sql(text), SQL_NTS)), *this; }
    const Statement& prepare(const std::string& text) const { return check(SQLPrepare(h, sql(text), SQL_NTS)), *this; }
    // First column of the next row as a long; -1 when there is no row.
    long nextLong() const
    {
        SQLINTEGER value = -1;
        if (SQLFetch(h) == SQL_SUCCESS)
            check(SQLGetData(h, 1, SQL_C_SLONG, &value, 0, nullptr));
        return value;
    }
    // Column `column` (text) of every remaining row.
    std::vector<std::string> texts(SQLUSMALLINT column) const
    {
        std::vector<std::string> values;
        while (SQLFetch(h) == SQL_SUCCESS) {
            SQLCHAR buffer[512] = {};
            SQLLEN length = 0;
            check(SQLGetData(h, column, SQL_C_CHAR, buffer, sizeof buffer, &length));
            values.push_back(length == SQL_NULL_DATA ? std::string() : textOf(buffer));
        }
        return values;
    }
    SQLSMALLINT resultColumns() const
    {
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(h, &columns));
        return columns;
    }
    SQLULEN rowsetSize() const
    {
        SQLULEN size = 0;
        check(SQLGetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr));
        return size;
    }
    SQLHSTMT h = SQL_NULL_HSTMT;
};

std::string countQuery(B b) { return "SELECT Count(*) FROM [" + b.table + "]"; }
std::string keyAndText(B b) { return "SELECT [" + b.key + "], [" + b.text + "] FROM [" + b.table + "]"; }
bool contains(const std::vector<std::string>& values, const std::string& value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// A connection of its own to the bench's data source, freed on scope exit.
struct OwnConnection {
    explicit OwnConnection(B b) { SQLAllocHandle(SQL_HANDLE_DBC, b.env, &h); }
    ~OwnConnection() { SQLFreeHandle(SQL_HANDLE_DBC, h); }
    SQLRETURN connect(B b) { return SQLConnect(h, sql(b.dsn), SQL_NTS, nullptr, 0, nullptr, 0); }
    SQLHDBC h = SQL_NULL_HDBC;
};

// A statement whose last call failed on a table that is not there (42S02).
struct Failed : Statement {
    explicit Failed(B b) : Statement(b)
    {
        EXPECT_EQ(SQLExecDirect(h, sql("SELECT * FROM [Table absente]"), SQL_NTS), SQL_ERROR);
    }
    SQLCHAR state[6] = {}, message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
};

// The count of rows whose key differs from ?, the key bound through `bind`: every row.
template <class Bind>
void countWithParameter(B b, Bind bind)
{
    Statement s(b);
    s.prepare(countQuery(b) + " WHERE [" + b.key + "] <> ?");
    SQLINTEGER none = -1;
    SQLLEN length = sizeof none;
    s.check(bind(s.h, &none, &length));
    s.check(SQLExecute(s.h));
    EXPECT_EQ(s.nextLong(), b.rows);
}

// An insert whose text arrives at execution, in one piece: SQLExecute, SQLParamData, SQLPutData.
void insertAtExecution(B b, SQLINTEGER key)
{
    Statement s(b);
    s.prepare("INSERT INTO [" + b.table + "] ([" + b.key + "], [" + b.text + "]) VALUES (?, ?)");
    SQLLEN keyLength = sizeof key, later = SQL_LEN_DATA_AT_EXEC(0);
    char token = 't';
    s.check(SQLBindParameter(s.h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &key, 0, &keyLength));
    s.check(SQLBindParameter(s.h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, &token, 0, &later));
    ASSERT_EQ(SQLExecute(s.h), SQL_NEED_DATA);
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s.h, &asked), SQL_NEED_DATA);
    EXPECT_EQ(asked, &token);
    char piece[] = "Été";
    s.check(SQLPutData(s.h, piece, SQL_NTS));
    s.check(SQLParamData(s.h, &asked));
    const std::string where = " FROM [" + b.table + "] WHERE [" + b.key + "] = " + std::to_string(key);
    EXPECT_EQ(Statement(b).exec("SELECT [" + b.text + "]" + where).texts(1), std::vector<std::string>{"Été"});
    Statement(b).exec("DELETE" + where);
}

// The names a driver-manager list (SQLDataSources, SQLDrivers) gives, first to last.
template <class List>
std::set<std::string> listed(List list)
{
    SQLCHAR name[256], other[1024];
    SQLSMALLINT n = 0, o = 0;
    std::set<std::string> names;
    for (SQLUSMALLINT way = SQL_FETCH_FIRST; SQL_SUCCEEDED(list(way, name, &n, other, &o)); way = SQL_FETCH_NEXT)
        names.insert(textOf(name));
    return names;
}

using Calls = std::map<SQLUSMALLINT, AppelControle>;

void handleAndConnectionCalls(Calls& t)
{
    t[SQL_API_SQLALLOCENV] = {"SQLAllocEnv", false, [](B) { SQLHENV e{}; ok(SQLAllocEnv(&e)); SQLFreeEnv(e); }};
    t[SQL_API_SQLFREEENV] = {"SQLFreeEnv", false, [](B) { SQLHENV e{}; SQLAllocEnv(&e); ok(SQLFreeEnv(e)); }};
    t[SQL_API_SQLALLOCCONNECT] = {"SQLAllocConnect", false, [](B b) {
        SQLHDBC dbc{};
        ok(SQLAllocConnect(b.env, &dbc), SQL_HANDLE_ENV, b.env);
        SQLFreeConnect(dbc);
    }};
    t[SQL_API_SQLFREECONNECT] = {"SQLFreeConnect", false, [](B b) {
        SQLHDBC dbc{};
        SQLAllocConnect(b.env, &dbc);
        ok(SQLFreeConnect(dbc), SQL_HANDLE_ENV, b.env);
    }};
    t[SQL_API_SQLALLOCSTMT] = {"SQLAllocStmt", false, [](B b) {
        SQLHSTMT stmt{};
        okDbc(SQLAllocStmt(b.dbc, &stmt), b);
        SQLFreeStmt(stmt, SQL_DROP);
    }};
    t[SQL_API_SQLALLOCHANDLE] = {"SQLAllocHandle", false, [](B b) {
        SQLHSTMT stmt{};
        okDbc(SQLAllocHandle(SQL_HANDLE_STMT, b.dbc, &stmt), b);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }};
    t[SQL_API_SQLALLOCHANDLESTD] = {"SQLAllocHandleStd", false, [](B b) {
        SQLHSTMT stmt{};
        okDbc(SQLAllocHandleStd(SQL_HANDLE_STMT, b.dbc, &stmt), b);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }};
    t[SQL_API_SQLFREEHANDLE] = {"SQLFreeHandle", false, [](B b) {
        SQLHSTMT stmt{};
        SQLAllocHandle(SQL_HANDLE_STMT, b.dbc, &stmt);
        okDbc(SQLFreeHandle(SQL_HANDLE_STMT, stmt), b);
    }};
    t[SQL_API_SQLFREESTMT] = {"SQLFreeStmt", false, [](B b) {
        Statement s(b);
        s.exec(countQuery(b));
        for (const int option : {SQL_CLOSE, SQL_UNBIND, SQL_RESET_PARAMS})
            s.check(SQLFreeStmt(s.h, static_cast<SQLUSMALLINT>(option)));
        EXPECT_EQ(s.exec(countQuery(b)).nextLong(), b.rows);  // closed: the statement runs again
    }};
    t[SQL_API_SQLCONNECT] = {"SQLConnect", false, [](B b) {
        OwnConnection c(b);
        ok(c.connect(b), SQL_HANDLE_DBC, c.h);
        SQLDisconnect(c.h);
    }};
    t[SQL_API_SQLDISCONNECT] = {"SQLDisconnect", false, [](B b) {
        OwnConnection c(b);
        c.connect(b);
        ok(SQLDisconnect(c.h), SQL_HANDLE_DBC, c.h);
    }};
    t[SQL_API_SQLDRIVERCONNECT] = {"SQLDriverConnect", false, [](B b) {
        OwnConnection c(b);
        SQLCHAR out[1024] = {};
        SQLSMALLINT length = 0;
        ok(SQLDriverConnect(c.h, nullptr, sql("DSN=" + b.dsn), SQL_NTS, out, sizeof out, &length, SQL_DRIVER_NOPROMPT),
           SQL_HANDLE_DBC, c.h);
        EXPECT_NE(textOf(out).find("DSN=" + b.dsn), std::string::npos) << textOf(out);
        SQLDisconnect(c.h);
    }};
    t[SQL_API_SQLGETINFO] = {"SQLGetInfo", false, [](B b) {
        SQLCHAR name[256] = {};
        okDbc(SQLGetInfo(b.dbc, SQL_DATA_SOURCE_NAME, name, sizeof name, nullptr), b);
        EXPECT_EQ(textOf(name), b.dsn);
    }};
    t[SQL_API_SQLGETFUNCTIONS] = {"SQLGetFunctions", false, [](B b) {
        SQLUSMALLINT supported = SQL_FALSE;
        okDbc(SQLGetFunctions(b.dbc, SQL_API_SQLFETCH, &supported), b);
        EXPECT_EQ(supported, SQL_TRUE);
    }};
    t[SQL_API_SQLNATIVESQL] = {"SQLNativeSql", false, [](B b) {
        SQLCHAR out[256] = {};
        SQLINTEGER length = 0;
        okDbc(SQLNativeSql(b.dbc, sql(countQuery(b)), SQL_NTS, out, sizeof out, &length), b);
        EXPECT_GT(length, 0);
    }};
    t[SQL_API_SQLGETCONNECTATTR] = {"SQLGetConnectAttr", false, [](B b) {
        SQLULEN value = 99;
        okDbc(SQLGetConnectAttr(b.dbc, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr), b);
        EXPECT_EQ(value, SQL_AUTOCOMMIT_ON);
    }};
    t[SQL_API_SQLSETCONNECTATTR] = {"SQLSetConnectAttr", false, [](B b) {
        okDbc(SQLSetConnectAttr(b.dbc, SQL_ATTR_AUTOCOMMIT, attr(SQL_AUTOCOMMIT_ON), 0), b);
    }};
    t[SQL_API_SQLGETCONNECTOPTION] = {"SQLGetConnectOption", false, [](B b) {
        SQLULEN value = 99;
        okDbc(SQLGetConnectOption(b.dbc, SQL_AUTOCOMMIT, &value), b);
        EXPECT_EQ(value, SQL_AUTOCOMMIT_ON);
    }};
    t[SQL_API_SQLSETCONNECTOPTION] = {"SQLSetConnectOption", false, [](B b) {
        okDbc(SQLSetConnectOption(b.dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON), b);
    }};
    t[SQL_API_SQLGETENVATTR] = {"SQLGetEnvAttr", false, [](B b) {
        SQLINTEGER version = 0;
        ok(SQLGetEnvAttr(b.env, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), SQL_HANDLE_ENV, b.env);
        EXPECT_EQ(version, SQL_OV_ODBC3);
    }};
    t[SQL_API_SQLSETENVATTR] = {"SQLSetEnvAttr", false, [](B) {
        SQLHENV env{};
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        ok(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, attr(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV, env);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }};
    t[SQL_API_SQLTRANSACT] = {"SQLTransact", false, [](B b) { okDbc(SQLTransact(SQL_NULL_HENV, b.dbc, SQL_COMMIT), b); }};
    t[SQL_API_SQLENDTRAN] = {"SQLEndTran", false, [](B b) { okDbc(SQLEndTran(SQL_HANDLE_DBC, b.dbc, SQL_COMMIT), b); }};
    // The driver manager's own lists: the data source and the driver under test are in them.
    t[SQL_API_SQLDATASOURCES] = {"SQLDataSources", false, [](B b) {
        EXPECT_EQ(listed([&](SQLUSMALLINT way, SQLCHAR* name, SQLSMALLINT* n, SQLCHAR* other, SQLSMALLINT* o) {
                      return SQLDataSources(b.env, way, name, 256, n, other, 1024, o);
                  }).count(b.dsn), 1U);
    }};
    t[SQL_API_SQLDRIVERS] = {"SQLDrivers", false, [](B b) {
        EXPECT_EQ(listed([&](SQLUSMALLINT way, SQLCHAR* name, SQLSMALLINT* n, SQLCHAR* other, SQLSMALLINT* o) {
                      return SQLDrivers(b.env, way, name, 256, n, other, 1024, o);
                  }).count("Microsoft Access Driver (*.mdb)"), 1U);
    }};
}

void statementCalls(Calls& t)
{
    t[SQL_API_SQLERROR] = {"SQLError", false, [](B b) {
        Failed s(b);
        ok(SQLError(SQL_NULL_HENV, SQL_NULL_HDBC, s.h, s.state, &s.native, s.message, sizeof s.message, &s.length));
        EXPECT_EQ(textOf(s.state), "42S02");
        EXPECT_EQ(textOf(s.message).rfind("[Kervane][Pilote ODBC Access]", 0), 0U) << textOf(s.message);
    }};
    t[SQL_API_SQLGETDIAGREC] = {"SQLGetDiagRec", false, [](B b) {
        Failed s(b);
        ok(SQLGetDiagRec(SQL_HANDLE_STMT, s.h, 1, s.state, &s.native, s.message, sizeof s.message, &s.length));
        EXPECT_EQ(textOf(s.state), "42S02");
        EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, s.h, 2, s.state, &s.native, s.message, sizeof s.message, &s.length),
                  SQL_NO_DATA);
    }};
    t[SQL_API_SQLGETDIAGFIELD] = {"SQLGetDiagField", false, [](B b) {
        Failed s(b);
        SQLINTEGER count = 0;
        ok(SQLGetDiagField(SQL_HANDLE_STMT, s.h, 0, SQL_DIAG_NUMBER, &count, 0, nullptr));
        EXPECT_EQ(count, 1);
        ok(SQLGetDiagField(SQL_HANDLE_STMT, s.h, 1, SQL_DIAG_SQLSTATE, s.state, sizeof s.state, &s.length));
        EXPECT_EQ(textOf(s.state), "42S02");
    }};
    t[SQL_API_SQLEXECDIRECT] = {"SQLExecDirect", false, [](B b) {
        EXPECT_EQ(Statement(b).exec(countQuery(b)).nextLong(), b.rows);
    }};
    t[SQL_API_SQLGETDATA] = t[SQL_API_SQLEXECDIRECT];
    t[SQL_API_SQLGETDATA].name = "SQLGetData";
    t[SQL_API_SQLPREPARE] = {"SQLPrepare", false, [](B b) {
        EXPECT_EQ(Statement(b).prepare(keyAndText(b)).resultColumns(), 2);  // known before execution
    }};
    t[SQL_API_SQLNUMRESULTCOLS] = {"SQLNumResultCols", false, [](B b) {
        EXPECT_EQ(Statement(b).exec(keyAndText(b)).resultColumns(), 2);
    }};
    t[SQL_API_SQLEXECUTE] = {"SQLExecute", false, [](B b) {
        Statement s(b);
        s.prepare(countQuery(b));
        for (int time = 0; time < 2; ++time) {
            s.check(SQLExecute(s.h));
            EXPECT_EQ(s.nextLong(), b.rows);
            SQLCloseCursor(s.h);
        }
    }};
    t[SQL_API_SQLROWCOUNT] = {"SQLRowCount", true, [](B b) {
        Statement s(b);
        s.exec("UPDATE [" + b.table + "] SET [" + b.text + "] = [" + b.text + "]");
        SQLLEN count = -1;
        s.check(SQLRowCount(s.h, &count));
        EXPECT_EQ(count, b.rows);
    }};
    // Nothing running: no effect, success.
    t[SQL_API_SQLCANCEL] = {"SQLCancel", false, [](B b) { Statement s(b); s.check(SQLCancel(s.h)); }};
    t[SQL_API_SQLCLOSECURSOR] = {"SQLCloseCursor", false, [](B b) {
        Statement s(b);
        s.exec(countQuery(b)).check(SQLCloseCursor(s.h));
        EXPECT_EQ(SQLCloseCursor(s.h), SQL_ERROR);  // 24000: no cursor open any more
    }};
    t[SQL_API_SQLMORERESULTS] = {"SQLMoreResults", false, [](B b) {
        EXPECT_EQ(SQLMoreResults(Statement(b).exec(countQuery(b)).h), SQL_NO_DATA);  // one result only
    }};
    t[SQL_API_SQLDESCRIBECOL] = {"SQLDescribeCol", false, [](B b) {
        Statement s(b);
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        s.exec(keyAndText(b)).check(SQLDescribeCol(s.h, 1, name, sizeof name, &length, &type, &size, &digits, &nullable));
        EXPECT_EQ(textOf(name), b.key);
        EXPECT_EQ(type, SQL_INTEGER);
    }};
    t[SQL_API_SQLCOLATTRIBUTE] = {"SQLColAttribute", false, [](B b) {
        Statement s(b);
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0;
        SQLLEN number = 0;
        s.exec(keyAndText(b)).check(SQLColAttribute(s.h, 2, SQL_DESC_NAME, name, sizeof name, &length, nullptr));
        EXPECT_EQ(textOf(name), b.text);
        s.check(SQLColAttributes(s.h, 1, SQL_COLUMN_TYPE, nullptr, 0, nullptr, &number));
        EXPECT_EQ(number, SQL_INTEGER);
    }};
    t[SQL_API_SQLBINDPARAMETER] = {"SQLBindParameter", false, [](B b) {
        countWithParameter(b, [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, 0, length);
        });
    }};
    t[SQL_API_SQLBINDPARAM] = {"SQLBindParam", false, [](B b) {
        countWithParameter(b, [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLBindParam(s, 1, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, length);
        });
    }};
    t[SQL_API_SQLSETPARAM] = {"SQLSetParam", false, [](B b) {
        countWithParameter(b, [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLSetParam(s, 1, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, length);
        });
    }};
    t[SQL_API_SQLPARAMOPTIONS] = {"SQLParamOptions", false, [](B b) {
        Statement s(b);
        SQLULEN done = 0;
        s.check(SQLParamOptions(s.h, 1, &done));
    }};
    t[SQL_API_SQLNUMPARAMS] = {"SQLNumParams", false, [](B b) {
        Statement s(b);
        SQLSMALLINT count = 0;
        s.prepare(keyAndText(b) + " WHERE [" + b.key + "] = ? AND [" + b.text + "] = ?").check(SQLNumParams(s.h, &count));
        EXPECT_EQ(count, 2);
    }};
    t[SQL_API_SQLDESCRIBEPARAM] = {"SQLDescribeParam", false, [](B b) {
        Statement s(b);
        SQLSMALLINT type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        s.prepare(keyAndText(b) + " WHERE [" + b.key + "] = ?")
            .check(SQLDescribeParam(s.h, 1, &type, &size, &digits, &nullable));
        EXPECT_EQ(type, SQL_INTEGER);
    }};
    t[SQL_API_SQLPARAMDATA] = {"SQLParamData", true, [](B b) { insertAtExecution(b, 100); }};
    t[SQL_API_SQLPUTDATA] = {"SQLPutData", true, [](B b) { insertAtExecution(b, 101); }};
}

void fetchAndCatalogueCalls(Calls& t)
{
    t[SQL_API_SQLFETCH] = {"SQLFetch", false, [](B b) {
        Statement s(b);
        s.exec(keyAndText(b));
        long rows = 0;
        SQLRETURN rc = SQL_SUCCESS;
        while ((rc = SQLFetch(s.h)) == SQL_SUCCESS)
            ++rows;
        EXPECT_EQ(rc, SQL_NO_DATA);
        EXPECT_EQ(rows, b.rows);
    }};
    t[SQL_API_SQLBINDCOL] = {"SQLBindCol", false, [](B b) {
        Statement s(b);
        SQLINTEGER count = -1;
        SQLLEN length = 0;
        s.exec(countQuery(b)).check(SQLBindCol(s.h, 1, SQL_C_SLONG, &count, 0, &length));
        s.check(SQLFetch(s.h));
        EXPECT_EQ(count, b.rows);
    }};
    t[SQL_API_SQLFETCHSCROLL] = {"SQLFetchScroll", false, [](B b) {
        Statement s(b);
        s.exec(countQuery(b)).check(SQLFetchScroll(s.h, SQL_FETCH_NEXT, 0));
        EXPECT_EQ(SQLFetchScroll(s.h, SQL_FETCH_NEXT, 0), SQL_NO_DATA);
    }};
    t[SQL_API_SQLEXTENDEDFETCH] = {"SQLExtendedFetch", false, [](B b) {
        Statement s(b);
        SQLULEN fetched = 0;
        SQLUSMALLINT status[1] = {};
        s.exec(countQuery(b)).check(SQLExtendedFetch(s.h, SQL_FETCH_NEXT, 0, &fetched, status));
        EXPECT_EQ(fetched, 1U);
        EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    }};
    // The rowset size: 1 by default, then as set.
    t[SQL_API_SQLGETSTMTATTR] = {"SQLGetStmtAttr", false, [](B b) { EXPECT_EQ(Statement(b).rowsetSize(), 1U); }};
    t[SQL_API_SQLSETSTMTATTR] = {"SQLSetStmtAttr", false, [](B b) {
        Statement s(b);
        s.check(SQLSetStmtAttr(s.h, SQL_ATTR_ROW_ARRAY_SIZE, attr(5), 0));
        EXPECT_EQ(s.rowsetSize(), 5U);
    }};
    t[SQL_API_SQLGETSTMTOPTION] = {"SQLGetStmtOption", false, [](B b) {
        Statement s(b);
        SQLULEN size = 0;
        s.check(SQLGetStmtOption(s.h, SQL_ROWSET_SIZE, &size));
        EXPECT_EQ(size, 1U);
    }};
    t[SQL_API_SQLSETSTMTOPTION] = {"SQLSetStmtOption", false, [](B b) {
        Statement s(b);
        s.check(SQLSetStmtOption(s.h, SQL_ROWSET_SIZE, 1));
    }};
    t[SQL_API_SQLSETSCROLLOPTIONS] = {"SQLSetScrollOptions", false, [](B b) {
        Statement s(b);
        s.check(SQLSetScrollOptions(s.h, SQL_CONCUR_READ_ONLY, SQL_SCROLL_FORWARD_ONLY, 1));
        EXPECT_EQ(s.exec(countQuery(b)).nextLong(), b.rows);
    }};
    t[SQL_API_SQLTABLES] = {"SQLTables", false, [](B b) {
        Statement s(b);
        s.check(SQLTables(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, sql("TABLE"), SQL_NTS));
        EXPECT_EQ(s.texts(3), std::vector<std::string>{b.table});
    }};
    t[SQL_API_SQLCOLUMNS] = {"SQLColumns", false, [](B b) {
        Statement s(b);
        s.check(SQLColumns(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, nullptr, 0));
        const auto names = s.texts(4);
        EXPECT_TRUE(contains(names, b.key) && contains(names, b.text));
    }};
    t[SQL_API_SQLSTATISTICS] = {"SQLStatistics", false, [](B b) {
        Statement s(b);
        s.check(SQLStatistics(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK));
        EXPECT_TRUE(contains(s.texts(9), b.key));  // an index over the key
    }};
    t[SQL_API_SQLPRIMARYKEYS] = {"SQLPrimaryKeys", false, [](B b) {
        Statement s(b);
        s.check(SQLPrimaryKeys(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS));
        EXPECT_EQ(s.texts(4), std::vector<std::string>{b.key});
    }};
    t[SQL_API_SQLSPECIALCOLUMNS] = {"SQLSpecialColumns", false, [](B b) {
        Statement s(b);
        s.check(SQLSpecialColumns(s.h, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS,
                                  SQL_SCOPE_CURROW, SQL_NULLABLE));
        EXPECT_EQ(s.texts(2), std::vector<std::string>{b.key});
    }};
    t[SQL_API_SQLFOREIGNKEYS] = {"SQLForeignKeys", false, [](B b) {
        Statement s(b);
        s.check(SQLForeignKeys(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0));
        const auto columns = s.texts(4);  // PKCOLUMN_NAME: what refers to the table refers to its key
        EXPECT_TRUE(std::all_of(columns.begin(), columns.end(), [&](const std::string& c) { return c == b.key; }));
    }};
    t[SQL_API_SQLPROCEDURES] = {"SQLProcedures", false, [](B b) {
        Statement s(b);
        s.check(SQLProcedures(s.h, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS));
        EXPECT_TRUE(s.texts(3).empty());  // a table is no procedure
    }};
    t[SQL_API_SQLGETTYPEINFO] = {"SQLGetTypeInfo", false, [](B b) {
        Statement s(b);
        s.check(SQLGetTypeInfo(s.h, SQL_INTEGER));
        EXPECT_FALSE(s.texts(1).empty());
    }};
}

}  // namespace

const std::map<SQLUSMALLINT, AppelControle>& appelsControle()
{
    static const Calls table = [] {
        Calls t;
        handleAndConnectionCalls(t);
        statementCalls(t);
        fetchAndCatalogueCalls(t);
        return t;
    }();
    return table;
}

}  // namespace kervane::test
