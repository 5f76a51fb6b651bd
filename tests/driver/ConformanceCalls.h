#pragma once
// One small call for each ODBC function the driver may claim, made the way an application makes
// it (valid arguments, through unixODBC), each checking the result the ODBC reference documents.
#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kervane::test {

// The base a call works on: a data source, a table with an integer key and a text column, and
// its known row count. Read-only bases (genuine Access files) skip the calls that write.
struct BancEssai {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    std::string dsn;
    std::string table;
    std::string key;
    std::string text;
    long rows = 0;
    bool writable = true;
};

struct AppelControle {
    const char* name;
    bool writes;  // needs a base the driver may change
    std::function<void(const BancEssai&)> call;
};

// SQL_API_* id -> its call. Functions sharing an id (SQLColAttribute and SQLColAttributes) share
// one entry that calls both.
const std::map<SQLUSMALLINT, AppelControle>& appelsControle();

// Fails the running test unless rc is SQL_SUCCESS or SQL_SUCCESS_WITH_INFO; the message names
// the function and the diagnostic of handle (IM001 meaning the driver lacks the function).
void expectSuccess(SQLRETURN rc, const char* function, SQLSMALLINT type, SQLHANDLE handle);

// Helpers of the calls.
inline SQLCHAR* sql(const std::string& text)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

inline std::string textOf(const SQLCHAR* buffer)
{
    return reinterpret_cast<const char*>(buffer);
}

// A statement handle of the bench's connection, freed on scope exit.
class Statement {
public:
    explicit Statement(const BancEssai& banc) { SQLAllocHandle(SQL_HANDLE_STMT, banc.dbc, &m_stmt); }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT h() const { return m_stmt; }
    void check(SQLRETURN rc, const char* function) const { expectSuccess(rc, function, SQL_HANDLE_STMT, m_stmt); }
    void exec(const std::string& text) const { check(SQLExecDirect(m_stmt, sql(text), SQL_NTS), "SQLExecDirect"); }
    void prepare(const std::string& text) const { check(SQLPrepare(m_stmt, sql(text), SQL_NTS), "SQLPrepare"); }
    // First column of the next row as a long; -1 when there is no row.
    long nextLong() const
    {
        if (SQLFetch(m_stmt) != SQL_SUCCESS)
            return -1;
        SQLINTEGER value = -1;
        check(SQLGetData(m_stmt, 1, SQL_C_SLONG, &value, 0, nullptr), "SQLGetData");
        return value;
    }
    // Column `column` (text) of every remaining row.
    std::vector<std::string> texts(SQLUSMALLINT column) const
    {
        std::vector<std::string> values;
        while (SQLFetch(m_stmt) == SQL_SUCCESS) {
            SQLCHAR buffer[512] = {};
            SQLLEN length = 0;
            check(SQLGetData(m_stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &length), "SQLGetData");
            values.push_back(length == SQL_NULL_DATA ? std::string() : textOf(buffer));
        }
        return values;
    }

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

inline std::string countQuery(const BancEssai& b)
{
    return "SELECT Count(*) FROM [" + b.table + "]";
}

// The parts of the table kept in other files.
void statementCalls(std::map<SQLUSMALLINT, AppelControle>& t);
void catalogueCalls(std::map<SQLUSMALLINT, AppelControle>& t);

}  // namespace kervane::test
