// What the benchmarks share (see BancOdbc.h).
#include "bench/BancOdbc.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <vector>

namespace kervane::banc {
namespace {

struct Database {
    sqlite3* db = nullptr;
    explicit Database(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~Database() { sqlite3_close(db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
};

}  // namespace

void createDatabase(const std::string& path, int nRows)
{
    const Database base(path);
    const std::string sql =
        "CREATE TABLE MOUVEMENT(ID LONG PRIMARY KEY, NOM TEXT(50), VILLE TEXT(30), MONTANT CURRENCY,"
        " TAUX DOUBLE, QTE SHORT, JOUR DATETIME, ACTIF YESNO, CODE TEXT(10), NOTE LONGTEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
        + std::to_string(nRows) + ") INSERT INTO MOUVEMENT SELECT i, 'Client numéro ' || i, 'Ville ' || (i % 97), (i % 1000) * 1.25,"
        " i / 7.0, i % 300, date('2020-01-01', '+' || (i % 1500) || ' days') || ' 10:30:00', i % 2,"
        " 'C' || (i % 5000), 'Remarque sur le mouvement ' || i FROM n;";
    sqlite3_exec(base.db, sql.c_str(), nullptr, nullptr, nullptr);
}

double seconds(const std::function<long()>& body, long& cells)
{
    double best = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        const auto start = std::chrono::steady_clock::now();
        cells = body();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double medianSeconds(const std::function<long()>& body, long& cells, int nRuns)
{
    std::vector<double> times;
    for (int run = 0; run < nRuns; ++run) {
        const double start = processSeconds();
        cells = body();
        times.push_back(processSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long readDirect(const std::string& path)
{
    const Database base(path);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(base.db, QUERY, -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    char buffer[2000];
    long cells = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto* text = sqlite3_column_text(stmt, c);
            const int size = sqlite3_column_bytes(stmt, c);
            if (text != nullptr) {
                std::memcpy(buffer, text, static_cast<std::size_t>(std::min(size + 1, 2000)));
                ++cells;
            }
        }
    }
    sqlite3_finalize(stmt);
    return buffer[0] == '\x7f' ? -1 : cells;
}

long readOdbc(const std::string& dsn)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocEnv(&env);
    SQLAllocConnect(env, &dbc);
    long cells = 0;
    if (SQL_SUCCEEDED(SQLConnect(dbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn.c_str())), SQL_NTS, nullptr, 0,
                                 nullptr, 0))) {
        SQLAllocStmt(dbc, &stmt);
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(QUERY)), SQL_NTS);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        char buffer[2000];
        SQLLEN length = 0;
        while (SQLFetch(stmt) == SQL_SUCCESS) {
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                if (SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length) == SQL_SUCCESS)
                    ++cells;
            }
        }
        SQLFreeStmt(stmt, SQL_DROP);
        SQLDisconnect(dbc);
    } else {
        std::fprintf(stderr, "connexion impossible au DSN %s\n", dsn.c_str());
    }
    SQLFreeConnect(dbc);
    SQLFreeEnv(env);
    return cells;
}

void writeIni(const std::filesystem::path& folder, const std::string& base, bool withPeer)
{
    std::ofstream drivers(folder / "odbcinst.ini");
    drivers << "[Microsoft Access Driver (*.mdb)]\nDriver=" << KERVANE_DRIVER_LIBRARY << "\nSetup="
            << KERVANE_DRIVER_LIBRARY << "\n";
    if (withPeer)
        drivers << "[SQLite3 pair]\nDriver=" << PEER_LIBRARY << "\n";
    std::ofstream sources(folder / "odbc.ini");
    sources << "[Kervane]\nDriver=Microsoft Access Driver (*.mdb)\nDBQ=" << base << "\n";
    if (withPeer)
        sources << "[Pair]\nDriver=SQLite3 pair\nDatabase=" << base << "\n";
}

std::filesystem::path prepare(bool withPeer, std::string& base, int nRows)
{
    char pattern[] = "/tmp/kervane_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return {};
    const std::filesystem::path folder(pattern);
    base = (folder / "bench.mdb").string();
    createDatabase(base, nRows);
    writeIni(folder, base, withPeer);
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

std::filesystem::path prepareSizes(const std::vector<int>& sizes)
{
    char pattern[] = "/tmp/kervane_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return {};
    const std::filesystem::path folder(pattern);
    writeIni(folder, (folder / "bench.mdb").string(), false);
    std::ofstream sources(folder / "odbc.ini", std::ios::app);
    for (const int n : sizes) {
        const std::string base = (folder / ("bench" + std::to_string(n) + ".mdb")).string();
        createDatabase(base, n);
        sources << "[Kervane" << n << "]\nDriver=Microsoft Access Driver (*.mdb)\nDBQ=" << base << "\n";
    }
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

namespace {

// A "Vm...:  1234 kB" line of /proc/self/status, in bytes.
double statusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, n, key) == 0)
            return std::atof(line.c_str() + n) * 1024.0;
    return 0.0;
}

}  // namespace

double residentBytes()
{
    return statusBytes("VmRSS:");
}

double peakBytesSinceReset()
{
    return statusBytes("VmHWM:");
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::vector<int> sizesFromArguments(int argc, char** argv, std::vector<int> defaults)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        if (const int n = std::atoi(argv[i]); n > 0)
            sizes.push_back(n);
    return sizes.empty() ? defaults : sizes;
}

}  // namespace kervane::banc
