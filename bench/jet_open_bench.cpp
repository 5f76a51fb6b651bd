// Opening a genuine Access file of many tables through unixODBC: SQLDriverConnect, then
// SQLTables with every row fetched (TABLE_NAME read as text), then the disconnect. Timed for
// our driver and, when Debian's odbc-mdbtools is installed, for mdbtools' ODBC driver, each
// registered in a private odbcinst.ini. Prints the median of the runs and the ratio.
// Usage: jet_open_bench FILE.mdb [RUNS] [DRIVER.so]
//   FILE.mdb   e.g. made by `jetgen tables FILE.mdb 600`
//   DRIVER.so  our driver library to time (default: the one built beside this program)
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char OURS[] = "Microsoft Access Driver (*.mdb)";
constexpr char PEER[] = "MDBTools";
constexpr char PEER_LIBRARY[] = "/usr/lib/x86_64-linux-gnu/odbc/libmdbodbc.so";

struct Outcome {
    double milliseconds = 0;
    long tables = -1;  // rows SQLTables gave; -1 when the connection failed
};

SQLCHAR* text(const std::string& value)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(value.c_str()));
}

long fetchTables(SQLHDBC dbc)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        return -1;
    long rows = -1;
    if (SQL_SUCCEEDED(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0))) {
        rows = 0;
        char name[256];
        SQLLEN length = 0;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            if (SQL_SUCCEEDED(SQLGetData(stmt, 3, SQL_C_CHAR, name, sizeof name, &length)))
                ++rows;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

Outcome openAndList(SQLHENV env, const std::string& driver, const std::string& path)
{
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::string connection = "DRIVER={" + driver + "};DBQ=" + path + ";";
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, text(connection), SQL_NTS, out, sizeof out, &outLength,
                                       SQL_DRIVER_NOPROMPT))) {
        outcome.tables = fetchTables(dbc);
        SQLDisconnect(dbc);
    }
    outcome.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return outcome;
}

// Median time of `runs` openings, after one to load the driver; the table count of the last.
Outcome median(SQLHENV env, const std::string& driver, const std::string& path, int runs)
{
    Outcome last = openAndList(env, driver, path);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        last = openAndList(env, driver, path);
        times.push_back(last.milliseconds);
    }
    std::sort(times.begin(), times.end());
    last.milliseconds = times[times.size() / 2];
    return last;
}

std::filesystem::path writeIni(const std::string& ours, bool withPeer)
{
    const auto folder = std::filesystem::temp_directory_path() / ("jet_open_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream drivers(folder / "odbcinst.ini");
    drivers << "[" << OURS << "]\nDriver=" << ours << "\n";
    if (withPeer)
        drivers << "[" << PEER << "]\nDriver=" << PEER_LIBRARY << "\n";
    std::ofstream(folder / "odbc.ini") << "\n";
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : jet_open_bench FICHIER.mdb [PASSAGES] [PILOTE.so]\n");
        return 2;
    }
    const std::string path = std::filesystem::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string library = argc > 3 ? argv[3] : KERVANE_DRIVER_LIBRARY;
    const bool withPeer = std::filesystem::exists(PEER_LIBRARY);
    const std::filesystem::path folder = writeIni(library, withPeer);
    SQLHENV env = SQL_NULL_HENV;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

    std::printf("connexion + SQLTables (toutes les lignes lues) sur %s, médiane de %d passages\n", path.c_str(), runs);
    const Outcome ours = median(env, OURS, path, runs);
    std::printf("  Kervane  : %8.2f ms  (%ld tables listées)\n", ours.milliseconds, ours.tables);
    if (withPeer) {
        const Outcome peer = median(env, PEER, path, runs);
        std::printf("  mdbtools : %8.2f ms  (%ld tables listées)\n", peer.milliseconds, peer.tables);
        std::printf("  Kervane / mdbtools : %.2fx\n", ours.milliseconds / peer.milliseconds);
    } else {
        std::printf("  pilote ODBC de mdbtools (%s) absent : comparaison omise\n", PEER_LIBRARY);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    std::filesystem::remove_all(folder);
    return 0;
}
