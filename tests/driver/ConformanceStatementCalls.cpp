// The calls of the statement functions: preparing, executing, parameters, fetching, catalogue.
#include "tests/driver/ConformanceCalls.h"

#include <algorithm>

namespace kervane::test {
namespace {

// The count of rows whose key differs from ?, the key bound through `bind`: every row.
template <class Bind>
void countWithParameter(const BancEssai& b, const char* function, Bind bind)
{
    Statement s(b);
    s.prepare(countQuery(b) + " WHERE [" + b.key + "] <> ?");
    SQLINTEGER none = -1;
    SQLLEN length = sizeof none;
    s.check(bind(s.h(), &none, &length), function);
    s.check(SQLExecute(s.h()), "SQLExecute");
    EXPECT_EQ(s.nextLong(), b.rows) << function;
}

// An insert whose text arrives at execution, in one piece: SQLExecute, SQLParamData, SQLPutData.
void insertAtExecution(const BancEssai& b, SQLINTEGER key)
{
    Statement s(b);
    s.prepare("INSERT INTO [" + b.table + "] ([" + b.key + "], [" + b.text + "]) VALUES (?, ?)");
    SQLLEN keyLength = sizeof key;
    SQLLEN later = SQL_LEN_DATA_AT_EXEC(0);
    char token = 't';
    s.check(SQLBindParameter(s.h(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &key, 0, &keyLength),
            "SQLBindParameter");
    s.check(SQLBindParameter(s.h(), 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, &token, 0, &later),
            "SQLBindParameter");
    ASSERT_EQ(SQLExecute(s.h()), SQL_NEED_DATA);
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s.h(), &asked), SQL_NEED_DATA);
    EXPECT_EQ(asked, &token);
    char piece[] = "Été";
    s.check(SQLPutData(s.h(), piece, SQL_NTS), "SQLPutData");
    s.check(SQLParamData(s.h(), &asked), "SQLParamData");
    Statement check(b);
    check.exec("SELECT [" + b.text + "] FROM [" + b.table + "] WHERE [" + b.key + "] = " + std::to_string(key));
    EXPECT_EQ(check.texts(1), std::vector<std::string>{"Été"});
    check.exec("DELETE FROM [" + b.table + "] WHERE [" + b.key + "] = " + std::to_string(key));
}

bool contains(const std::vector<std::string>& values, const std::string& value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string keyAndText(const BancEssai& b)
{
    return "SELECT [" + b.key + "], [" + b.text + "] FROM [" + b.table + "]";
}

void executionCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLEXECDIRECT] = {"SQLExecDirect", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        EXPECT_EQ(s.nextLong(), b.rows);
    }};
    t[SQL_API_SQLPREPARE] = {"SQLPrepare", false, [](const BancEssai& b) {
        Statement s(b);
        s.prepare(keyAndText(b));
        SQLSMALLINT columns = 0;
        s.check(SQLNumResultCols(s.h(), &columns), "SQLNumResultCols");
        EXPECT_EQ(columns, 2);  // known before execution
    }};
    t[SQL_API_SQLEXECUTE] = {"SQLExecute", false, [](const BancEssai& b) {
        Statement s(b);
        s.prepare(countQuery(b));
        for (int time = 0; time < 2; ++time) {
            s.check(SQLExecute(s.h()), "SQLExecute");
            EXPECT_EQ(s.nextLong(), b.rows);
            SQLCloseCursor(s.h());
        }
    }};
    t[SQL_API_SQLNUMRESULTCOLS] = {"SQLNumResultCols", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(keyAndText(b));
        SQLSMALLINT columns = 0;
        s.check(SQLNumResultCols(s.h(), &columns), "SQLNumResultCols");
        EXPECT_EQ(columns, 2);
    }};
    t[SQL_API_SQLROWCOUNT] = {"SQLRowCount", true, [](const BancEssai& b) {
        Statement s(b);
        s.exec("UPDATE [" + b.table + "] SET [" + b.text + "] = [" + b.text + "]");
        SQLLEN count = -1;
        s.check(SQLRowCount(s.h(), &count), "SQLRowCount");
        EXPECT_EQ(count, b.rows);
    }};
    t[SQL_API_SQLCANCEL] = {"SQLCancel", false, [](const BancEssai& b) {
        Statement s(b);  // nothing running: no effect, success
        s.check(SQLCancel(s.h()), "SQLCancel");
    }};
    t[SQL_API_SQLCLOSECURSOR] = {"SQLCloseCursor", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        s.check(SQLCloseCursor(s.h()), "SQLCloseCursor");
        EXPECT_EQ(SQLCloseCursor(s.h()), SQL_ERROR);  // 24000: no cursor open any more
    }};
    t[SQL_API_SQLMORERESULTS] = {"SQLMoreResults", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        EXPECT_EQ(SQLMoreResults(s.h()), SQL_NO_DATA);  // one result only
    }};
    t[SQL_API_SQLDESCRIBECOL] = {"SQLDescribeCol", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(keyAndText(b));
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        s.check(SQLDescribeCol(s.h(), 1, name, sizeof name, &length, &type, &size, &digits, &nullable),
                "SQLDescribeCol");
        EXPECT_EQ(textOf(name), b.key);
        EXPECT_EQ(type, SQL_INTEGER);
    }};
    t[SQL_API_SQLCOLATTRIBUTE] = {"SQLColAttribute", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(keyAndText(b));
        SQLCHAR name[128] = {};
        SQLSMALLINT length = 0;
        SQLLEN number = 0;
        s.check(SQLColAttribute(s.h(), 2, SQL_DESC_NAME, name, sizeof name, &length, nullptr), "SQLColAttribute");
        EXPECT_EQ(textOf(name), b.text);
        s.check(SQLColAttributes(s.h(), 1, SQL_COLUMN_TYPE, nullptr, 0, nullptr, &number), "SQLColAttributes");
        EXPECT_EQ(number, SQL_INTEGER);
    }};
}

void parameterCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLBINDPARAMETER] = {"SQLBindParameter", false, [](const BancEssai& b) {
        countWithParameter(b, "SQLBindParameter", [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, 0, length);
        });
    }};
    t[SQL_API_SQLBINDPARAM] = {"SQLBindParam", false, [](const BancEssai& b) {
        countWithParameter(b, "SQLBindParam", [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLBindParam(s, 1, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, length);
        });
    }};
    t[SQL_API_SQLSETPARAM] = {"SQLSetParam", false, [](const BancEssai& b) {
        countWithParameter(b, "SQLSetParam", [](SQLHSTMT s, SQLINTEGER* value, SQLLEN* length) {
            return SQLSetParam(s, 1, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, length);
        });
    }};
    t[SQL_API_SQLPARAMOPTIONS] = {"SQLParamOptions", false, [](const BancEssai& b) {
        Statement s(b);
        SQLULEN done = 0;
        s.check(SQLParamOptions(s.h(), 1, &done), "SQLParamOptions");
    }};
    t[SQL_API_SQLNUMPARAMS] = {"SQLNumParams", false, [](const BancEssai& b) {
        Statement s(b);
        s.prepare(keyAndText(b) + " WHERE [" + b.key + "] = ? AND [" + b.text + "] = ?");
        SQLSMALLINT count = 0;
        s.check(SQLNumParams(s.h(), &count), "SQLNumParams");
        EXPECT_EQ(count, 2);
    }};
    t[SQL_API_SQLDESCRIBEPARAM] = {"SQLDescribeParam", false, [](const BancEssai& b) {
        Statement s(b);
        s.prepare(keyAndText(b) + " WHERE [" + b.key + "] = ?");
        SQLSMALLINT type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        s.check(SQLDescribeParam(s.h(), 1, &type, &size, &digits, &nullable), "SQLDescribeParam");
        EXPECT_EQ(type, SQL_INTEGER);
    }};
    t[SQL_API_SQLPARAMDATA] = {"SQLParamData", true, [](const BancEssai& b) { insertAtExecution(b, 100); }};
    t[SQL_API_SQLPUTDATA] = {"SQLPutData", true, [](const BancEssai& b) { insertAtExecution(b, 101); }};
}

void fetchCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLFETCH] = {"SQLFetch", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(keyAndText(b));
        long rows = 0;
        SQLRETURN rc = SQL_SUCCESS;
        while ((rc = SQLFetch(s.h())) == SQL_SUCCESS)
            ++rows;
        EXPECT_EQ(rc, SQL_NO_DATA);
        EXPECT_EQ(rows, b.rows);
    }};
    t[SQL_API_SQLGETDATA] = {"SQLGetData", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        EXPECT_EQ(s.nextLong(), b.rows);
    }};
    t[SQL_API_SQLBINDCOL] = {"SQLBindCol", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        SQLINTEGER count = -1;
        SQLLEN length = 0;
        s.check(SQLBindCol(s.h(), 1, SQL_C_SLONG, &count, 0, &length), "SQLBindCol");
        s.check(SQLFetch(s.h()), "SQLFetch");
        EXPECT_EQ(count, b.rows);
    }};
    t[SQL_API_SQLFETCHSCROLL] = {"SQLFetchScroll", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        s.check(SQLFetchScroll(s.h(), SQL_FETCH_NEXT, 0), "SQLFetchScroll");
        EXPECT_EQ(SQLFetchScroll(s.h(), SQL_FETCH_NEXT, 0), SQL_NO_DATA);
    }};
    t[SQL_API_SQLEXTENDEDFETCH] = {"SQLExtendedFetch", false, [](const BancEssai& b) {
        Statement s(b);
        s.exec(countQuery(b));
        SQLULEN fetched = 0;
        SQLUSMALLINT status[1] = {};
        s.check(SQLExtendedFetch(s.h(), SQL_FETCH_NEXT, 0, &fetched, status), "SQLExtendedFetch");
        EXPECT_EQ(fetched, 1U);
        EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    }};
    t[SQL_API_SQLGETSTMTATTR] = {"SQLGetStmtAttr", false, [](const BancEssai& b) {
        Statement s(b);
        SQLULEN size = 0;
        s.check(SQLGetStmtAttr(s.h(), SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr), "SQLGetStmtAttr");
        EXPECT_EQ(size, 1U);  // the documented default
    }};
    t[SQL_API_SQLSETSTMTATTR] = {"SQLSetStmtAttr", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLSetStmtAttr(s.h(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(5), 0), "SQLSetStmtAttr");
        SQLULEN size = 0;
        SQLGetStmtAttr(s.h(), SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr);
        EXPECT_EQ(size, 5U);
    }};
    t[SQL_API_SQLGETSTMTOPTION] = {"SQLGetStmtOption", false, [](const BancEssai& b) {
        Statement s(b);
        SQLULEN size = 0;
        s.check(SQLGetStmtOption(s.h(), SQL_ROWSET_SIZE, &size), "SQLGetStmtOption");
        EXPECT_EQ(size, 1U);
    }};
    t[SQL_API_SQLSETSCROLLOPTIONS] = {"SQLSetScrollOptions", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLSetScrollOptions(s.h(), SQL_CONCUR_READ_ONLY, SQL_SCROLL_FORWARD_ONLY, 1), "SQLSetScrollOptions");
        s.exec(countQuery(b));
        EXPECT_EQ(s.nextLong(), b.rows);
    }};
    t[SQL_API_SQLSETSTMTOPTION] = {"SQLSetStmtOption", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLSetStmtOption(s.h(), SQL_ROWSET_SIZE, 1), "SQLSetStmtOption");
    }};
}

}  // namespace

void statementCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    executionCalls(t);
    parameterCalls(t);
    fetchCalls(t);
}

void catalogueCalls(std::map<SQLUSMALLINT, AppelControle>& t)
{
    t[SQL_API_SQLTABLES] = {"SQLTables", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLTables(s.h(), nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, sql("TABLE"), SQL_NTS), "SQLTables");
        EXPECT_EQ(s.texts(3), std::vector<std::string>{b.table});
    }};
    t[SQL_API_SQLCOLUMNS] = {"SQLColumns", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLColumns(s.h(), nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, nullptr, 0), "SQLColumns");
        const auto names = s.texts(4);
        EXPECT_TRUE(contains(names, b.key) && contains(names, b.text));
    }};
    t[SQL_API_SQLSTATISTICS] = {"SQLStatistics", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLStatistics(s.h(), nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
                "SQLStatistics");
        EXPECT_TRUE(contains(s.texts(9), b.key));  // an index over the key
    }};
    t[SQL_API_SQLPRIMARYKEYS] = {"SQLPrimaryKeys", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLPrimaryKeys(s.h(), nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS), "SQLPrimaryKeys");
        EXPECT_EQ(s.texts(4), std::vector<std::string>{b.key});
    }};
    t[SQL_API_SQLSPECIALCOLUMNS] = {"SQLSpecialColumns", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLSpecialColumns(s.h(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS,
                                  SQL_SCOPE_CURROW, SQL_NULLABLE),
                "SQLSpecialColumns");
        EXPECT_EQ(s.texts(2), std::vector<std::string>{b.key});
    }};
    t[SQL_API_SQLFOREIGNKEYS] = {"SQLForeignKeys", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLForeignKeys(s.h(), nullptr, 0, nullptr, 0, sql(b.table), SQL_NTS, nullptr, 0, nullptr, 0, nullptr,
                               0),
                "SQLForeignKeys");
        const auto columns = s.texts(4);  // PKCOLUMN_NAME: what refers to the table refers to its key
        EXPECT_TRUE(std::all_of(columns.begin(), columns.end(), [&](const std::string& c) { return c == b.key; }));
    }};
    t[SQL_API_SQLGETTYPEINFO] = {"SQLGetTypeInfo", false, [](const BancEssai& b) {
        Statement s(b);
        s.check(SQLGetTypeInfo(s.h(), SQL_INTEGER), "SQLGetTypeInfo");
        EXPECT_FALSE(s.texts(1).empty());
    }};
}

}  // namespace kervane::test
