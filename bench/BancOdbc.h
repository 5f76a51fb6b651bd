#pragma once
// What the benchmarks share: the 100,000-row test database, a private ODBC setup naming
// our driver, and the plain SQLFetch/SQLGetData loop every measure is compared with.
#include <filesystem>
#include <functional>
#include <string>

namespace kervane::banc {

constexpr int ROWS = 100000;
constexpr int RUNS = 3;
constexpr char PEER_LIBRARY[] = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr char QUERY[] = "SELECT * FROM MOUVEMENT";

// 100,000 rows x 10 columns of mixed Access types.
void createDatabase(const std::string& path);
// Best of RUNS runs of body, in seconds; cells receives what the last run counted.
double seconds(const std::function<long()>& body, long& cells);
// Every value of QUERY read through SQLite directly; returns the count of non-NULL values.
long readDirect(const std::string& path);
// Every value of QUERY read through unixODBC with SQLFetch + SQLGetData(SQL_C_CHAR).
long readOdbc(const std::string& dsn);
// odbcinst.ini and odbc.ini in folder: "Kervane" on our driver, "Pair" on the peer driver.
void writeIni(const std::filesystem::path& folder, const std::string& base, bool withPeer);
// A fresh folder under /tmp with the database and the ini files, ODBCSYSINI/ODBCINI set.
std::filesystem::path prepare(bool withPeer, std::string& base);
// Peak resident memory of the process, in megabytes.
double peakMegabytes();

}  // namespace kervane::banc
