// Opening a genuine Access file of many tables through unixODBC: SQLDriverConnect, then
// SQLTables with every row fetched (TABLE_NAME read as text), then the disconnect. Timed for
// our driver and, when Debian's odbc-mdbtools is installed, for mdbtools' ODBC driver, each
// registered in a private odbcinst.ini, their runs taking turns so that both meet the same
// load. Three series: the file unchanged since the last opening (our driver reuses the
// catalogue it read then), the file touched before each run (its times move, not its bytes:
// our driver reads the catalogue again), and a new copy of the file before each run (a first
// opening).
// Prints the median and the best of each, and the ratios of the medians.
// Usage: jet_open_bench FILE.mdb [RUNS] [DRIVER.so [EARLIER.so]]
//   FILE.mdb    e.g. made by `jetgen tables FILE.mdb 600`
//   DRIVER.so   our driver library to time (default: the one built beside this program)
//   EARLIER.so  an earlier build of it, timed in the same turns (before and after a change)
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr char OURS[] = "Microsoft Access Driver (*.mdb)";
constexpr char PEER[] = "MDBTools";
constexpr char EARLIER[] = "Kervane earlier";
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

struct Series {
    std::vector<double> times;
    long tables = -1;
    double median() const { return times[times.size() / 2]; }
};

// A change of the file's times, as a write would make, without changing its bytes.
void touch(const std::string& path)
{
    utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
}

// Our driver reuses what it learned of a file only once the file's last change is some seconds old.
void waitUntilSettled(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return;
    const auto changed = std::chrono::system_clock::time_point{std::chrono::seconds{status.st_ctim.tv_sec}};
    const auto settled = changed + std::chrono::milliseconds{2500};
    if (settled > std::chrono::system_clock::now())
        std::this_thread::sleep_until(settled);
}

enum class Before { Nothing, Touch, Copy };

// A file never opened before: a copy of `path` beside it, under a new name each time.
std::string freshCopy(const std::string& path)
{
    static int copies = 0;
    const std::string copy = path + ".copie" + std::to_string(++copies);
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

// `runs` openings by each driver in turn, after one each to load the drivers.
std::vector<Series> turns(SQLHENV env, const std::vector<std::string>& drivers, const std::string& path, int runs,
                          Before before)
{
    std::vector<Series> series(drivers.size());
    // The copies stay until the end: a file removed could leave its inode to the next one.
    std::vector<std::string> copies;
    for (int run = -1; run < runs; ++run) {
        for (std::size_t d = 0; d < drivers.size(); ++d) {
            if (before == Before::Touch)
                touch(path);
            if (before == Before::Copy)
                copies.push_back(freshCopy(path));
            const Outcome outcome = openAndList(env, drivers[d], before == Before::Copy ? copies.back() : path);
            series[d].tables = outcome.tables;
            if (run >= 0)
                series[d].times.push_back(outcome.milliseconds);
        }
    }
    for (const std::string& copy : copies)
        std::filesystem::remove(copy);
    for (Series& one : series)
        std::sort(one.times.begin(), one.times.end());
    return series;
}

const char* label(const std::string& driver)
{
    return driver == OURS ? "Kervane" : driver == PEER ? "mdbtools" : "Kervane avant";
}

void print(const char* title, const std::vector<std::string>& drivers, const std::vector<Series>& series)
{
    std::printf("%s\n", title);
    for (std::size_t d = 0; d < series.size(); ++d)
        std::printf("  %-13s : médiane %8.2f ms, meilleur %8.2f ms  (%ld tables listées)\n", label(drivers[d]),
                    series[d].median(), series[d].times.front(), series[d].tables);
    for (std::size_t d = 1; d < series.size(); ++d)
        if (drivers[d] == PEER)
            for (std::size_t k = 0; k < series.size(); ++k)
                if (k != d)
                    std::printf("  %s / mdbtools : %.2fx\n", label(drivers[k]), series[k].median() / series[d].median());
}

std::filesystem::path writeIni(const std::string& ours, bool withPeer, const std::string& earlier)
{
    const auto folder = std::filesystem::temp_directory_path() / ("jet_open_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream drivers(folder / "odbcinst.ini");
    drivers << "[" << OURS << "]\nDriver=" << ours << "\n";
    if (withPeer)
        drivers << "[" << PEER << "]\nDriver=" << PEER_LIBRARY << "\n";
    if (!earlier.empty())
        drivers << "[" << EARLIER << "]\nDriver=" << earlier << "\n";
    std::ofstream(folder / "odbc.ini") << "\n";
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    return folder;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : jet_open_bench FICHIER.mdb [PASSAGES] [PILOTE.so [ANCIEN.so]]\n");
        return 2;
    }
    const std::string path = std::filesystem::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string library = argc > 3 ? argv[3] : KERVANE_DRIVER_LIBRARY;
    const bool withPeer = std::filesystem::exists(PEER_LIBRARY);
    const std::string earlier = argc > 4 ? argv[4] : "";
    const std::filesystem::path folder = writeIni(library, withPeer, earlier);
    SQLHENV env = SQL_NULL_HENV;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

    std::printf("connexion + SQLTables (toutes les lignes lues) + déconnexion sur %s, %d passages\n", path.c_str(),
                runs);
    if (!withPeer)
        std::printf("  pilote ODBC de mdbtools (%s) absent : comparaison omise\n", PEER_LIBRARY);
    std::vector<std::string> drivers{OURS};
    if (withPeer)
        drivers.push_back(PEER);
    if (!earlier.empty())
        drivers.push_back(EARLIER);
    waitUntilSettled(path);
    print("fichier inchangé depuis la dernière ouverture :", drivers, turns(env, drivers, path, runs, Before::Nothing));
    print("fichier touché avant chaque ouverture (ses dates changent, pas ses octets) :", drivers,
          turns(env, drivers, path, runs, Before::Touch));
    print("copie neuve à chaque ouverture (première ouverture) :", drivers, turns(env, drivers, path, runs, Before::Copy));
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    std::filesystem::remove_all(folder);
    return 0;
}
