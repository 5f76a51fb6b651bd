#pragma once
// What the benchmarks share: the 100,000-row test database, a private ODBC setup naming
// our driver, and the plain SQLFetch/SQLGetData loop every measure is compared with.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kervane::banc {

constexpr int ROWS = 100000;
constexpr int RUNS = 3;
constexpr char PEER_LIBRARY[] = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr char QUERY[] = "SELECT * FROM MOUVEMENT";

// nRows rows x 10 columns of mixed Access types.
void createDatabase(const std::string& path, int nRows = ROWS);
// Best of RUNS runs of body, in seconds; cells receives what the last run counted.
double seconds(const std::function<long()>& body, long& cells);
// Processor time of the whole process (every thread), in seconds.
double processSeconds();
// Median of nRuns runs of body, in processor seconds of the whole process (steadier than the
// wall clock on a shared machine); cells receives what the last run counted.
double medianSeconds(const std::function<long()>& body, long& cells, int nRuns);
// Every value of QUERY read through SQLite directly; returns the count of non-NULL values.
long readDirect(const std::string& path);
// Every value of QUERY read through unixODBC with SQLFetch + SQLGetData(SQL_C_CHAR).
long readOdbc(const std::string& dsn);
// odbcinst.ini and odbc.ini in folder: "Kervane" on our driver, "Pair" on the peer driver.
void writeIni(const std::filesystem::path& folder, const std::string& base, bool withPeer);
// A fresh folder under /tmp with the database and the ini files, ODBCSYSINI/ODBCINI set.
std::filesystem::path prepare(bool withPeer, std::string& base, int nRows = ROWS);
// A fresh folder under /tmp with one database per row count, bench<N>.mdb, each named by
// the data source "Kervane<N>" on our driver; ODBCSYSINI/ODBCINI set.
std::filesystem::path prepareSizes(const std::vector<int>& sizes);
// Peak resident memory of the process, in megabytes.
double peakMegabytes();
// Resident memory now, in bytes; and the peak since the last resetPeak() (VmHWM), in bytes.
double residentBytes();
double peakBytesSinceReset();
// Starts a new peak: the kernel forgets the highest resident size so far.
void resetPeak();
// Row counts from the command line (each argument a count), else the given default.
std::vector<int> sizesFromArguments(int argc, char** argv, std::vector<int> defaults);

}  // namespace kervane::banc
