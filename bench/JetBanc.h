#pragma once
// What the benchmarks on genuine Access files share: a connection to a copy through the
// driver (manual commit) and the private ODBC setup naming the driver under test.
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kervane::banc {

inline constexpr char JET_DRIVER[] = "Kervane banc";

// A fresh folder under the temporary one holding an odbcinst.ini that names `library` as
// JET_DRIVER, with ODBCSYSINI and ODBCINI pointed at it.
inline std::filesystem::path prepareJetFolder(const std::string& name, const std::string& library)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "odbcinst.ini") << "[" << JET_DRIVER << "]\nDriver=" << library << "\n";
    std::ofstream(folder / "odbc.ini").flush();
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

class JetConnection {
public:
    explicit JetConnection(const std::string& file, bool autocommit = false)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string text = std::string("DRIVER={") + JET_DRIVER + "};DBQ=" + file + ";";
        SQLCHAR out[512];
        SQLSMALLINT length = 0;
        m_connected = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                     out, sizeof out, &length, SQL_DRIVER_NOPROMPT));
        if (!autocommit)
            SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }
    ~JetConnection()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    JetConnection(const JetConnection&) = delete;
    JetConnection& operator=(const JetConnection&) = delete;

    bool connected() const { return m_connected; }
    SQLHSTMT statement() const { return m_stmt; }
    // Runs `sql`; its rows, if any, are left for the caller to read unless `close`.
    bool run(const std::string& sql, bool close = true)
    {
        const bool done =
            SQL_SUCCEEDED(SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
        if (!done)
            report(SQL_HANDLE_STMT, m_stmt, sql);
        if (close || !done)
            SQLFreeStmt(m_stmt, SQL_CLOSE);
        return done;
    }
    bool commit()
    {
        const bool done = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT));
        if (!done)
            report(SQL_HANDLE_DBC, m_dbc, "COMMIT");
        return done;
    }

private:
    static void report(SQLSMALLINT type, SQLHANDLE handle, const std::string& what)
    {
        SQLCHAR state[6] = {};
        SQLCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
        std::fprintf(stderr, "échec de « %.60s » : %s\n", what.c_str(), message);
    }

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    bool m_connected = false;
};

}  // namespace kervane::banc
