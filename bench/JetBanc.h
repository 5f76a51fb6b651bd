#pragma once
// What the benchmarks on genuine Access files share: the private ODBC setup naming the driver
// builds under test (this one, or several given on the command line, measured side by side in
// one run), a connection to a copy through one of them, and the median of the passes.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace kervane::banc {

// The name the setup gives driver library number `d`.
inline std::string jetDriver(std::size_t d)
{
    return "Kervane banc " + std::to_string(d);
}

// The driver libraries named from argument `first` on, else the one built beside the program.
inline std::vector<std::string> jetLibraries(int argc, char** argv, int first, const char* builtBeside)
{
    std::vector<std::string> libraries;
    for (int i = first; i < argc; ++i)
        libraries.push_back(std::filesystem::absolute(argv[i]).string());
    if (libraries.empty())
        libraries.push_back(builtBeside);
    return libraries;
}

// A fresh folder under the temporary one whose odbcinst.ini names each library as jetDriver(d)
// (its setup entry point too),
// with ODBCSYSINI and ODBCINI pointed at it.
inline std::filesystem::path prepareJetFolder(const std::string& name, const std::vector<std::string>& libraries)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream ini(folder / "odbcinst.ini");
    for (std::size_t d = 0; d < libraries.size(); ++d)
        ini << "[" << jetDriver(d) << "]\nDriver=" << libraries[d] << "\nSetup=" << libraries[d] << "\n";
    ini.close();
    std::ofstream(folder / "odbc.ini").flush();
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

// A bench on a grown nwind, run as `PROGRAM GROWN.mdb [passes] [DRIVER.so ...]`: its passes (5
// unless told), its driver libraries, its folder (prepareJetFolder) and there a copy of the file.
struct GrownBench {
    int runs = 5;
    std::vector<std::string> libraries;
    std::filesystem::path folder;
    std::filesystem::path copy;
};

// False, the usage printed, when no file is named.
inline bool setUpGrownBench(int argc, char** argv, const std::string& name, const char* builtBeside,
                            GrownBench& bench)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : %s NWIND_AGRANDI.mdb [passes] [PILOTE.so ...]\n", argv[0]);
        return false;
    }
    bench.runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    bench.libraries = jetLibraries(argc, argv, 3, builtBeside);
    bench.folder = prepareJetFolder(name, bench.libraries);
    bench.copy = bench.folder / "copie.mdb";
    std::filesystem::copy_file(argv[1], bench.copy);
    return true;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A connection in manual-commit mode, one statement handle.
class JetConnection {
public:
    // `more`: further keywords of the connection string (a password: not repeated in reports).
    JetConnection(const std::string& driver, const std::string& file, const std::string& more = {})
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string text = "DRIVER={" + driver + "};DBQ=" + file + ";" + more;
        SQLCHAR out[512];
        SQLSMALLINT length = 0;
        m_connected = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                     out, sizeof out, &length, SQL_DRIVER_NOPROMPT));
        if (!m_connected)
            report(SQL_HANDLE_DBC, m_dbc, "DBQ=" + file);
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
    // Runs `sql`: the rows it changed, -1 when it failed. Its result rows, if any, are left open
    // for the caller when `keepRows`.
    long run(const std::string& sql, bool keepRows = false)
    {
        if (!SQL_SUCCEEDED(SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS))) {
            report(SQL_HANDLE_STMT, m_stmt, sql);
            SQLFreeStmt(m_stmt, SQL_CLOSE);
            return -1;
        }
        SQLLEN rows = 0;
        SQLRowCount(m_stmt, &rows);
        if (!keepRows)
            SQLFreeStmt(m_stmt, SQL_CLOSE);
        return std::max<long>(static_cast<long>(rows), 0);
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

// The seconds `work` takes; `ok` falls to false when it fails.
inline double timed(const std::function<bool()>& work, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = work() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every value of the statement's rows read as text with SQLGetData; false when it fails.
inline bool readAll(JetConnection& connection, const std::string& sql)
{
    if (connection.run(sql, true) < 0)
        return false;
    const SQLHSTMT stmt = connection.statement();
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    char buffer[512];
    SQLLEN length = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt)))
        for (SQLUSMALLINT c = 1; c <= columns; ++c)
            SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length);
    SQLFreeStmt(stmt, SQL_CLOSE);
    return true;
}

}  // namespace kervane::banc
