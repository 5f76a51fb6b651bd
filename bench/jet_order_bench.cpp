// TOP 10 of Order Details in the order of its key, newest first, on nwind grown by jetgen and on a
// SQLite copy of that table with the same key: through each driver build given (old beside new,
// in one run) and, on the copy, through Debian's SQLite ODBC driver (LIMIT 10) when it is
// installed. Also the whole table read in that order.
//   jet_order_bench GROWN.mdb [passes] [DRIVER.so ...]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 64)
// Median of the passes, wall clock; the TOP statement is run 200 times a pass, or for half a second
// when that comes first (a build that sorts every row).
#include "bench/JetBanc.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using kervane::banc::JetConnection;
using kervane::banc::readAll;
using kervane::banc::timed;

constexpr const char* kPeerLibrary = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr const char* kPeerDriver = "SQLite3 pair";
constexpr int kTopRuns = 200;
const std::string kTop =
    "SELECT TOP 10 OrderID, ProductID, Quantity FROM [Order Details] ORDER BY OrderID DESC, ProductID DESC";
const std::string kLimit =
    "SELECT OrderID, ProductID, Quantity FROM [Order Details] ORDER BY OrderID DESC, ProductID DESC LIMIT 10";
const std::string kWhole =
    "SELECT OrderID, ProductID, Quantity FROM [Order Details] ORDER BY OrderID DESC, ProductID DESC";

struct SqliteClose {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

// The lines of Order Details copied into a SQLite file, keyed as in the Access file.
bool writeSqliteCopy(const std::string& driver, const std::string& grown, const std::string& copy)
{
    sqlite3* opened = nullptr;
    sqlite3_open(copy.c_str(), &opened);
    const std::unique_ptr<sqlite3, SqliteClose> db(opened);
    if (sqlite3_exec(db.get(),
                     "CREATE TABLE [Order Details] (OrderID INTEGER NOT NULL, ProductID INTEGER NOT NULL, "
                     "Quantity INTEGER, PRIMARY KEY (OrderID, ProductID)); BEGIN",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO [Order Details] VALUES (?, ?, ?)", -1, &insert, nullptr);
    JetConnection source(driver, grown);
    if (!source.connected() || source.run("SELECT OrderID, ProductID, Quantity FROM [Order Details]", true) < 0)
        return false;
    SQLINTEGER values[3] = {};
    SQLLEN lengths[3] = {};
    for (SQLUSMALLINT c = 0; c < 3; ++c)
        SQLBindCol(source.statement(), c + 1, SQL_C_SLONG, &values[c], 0, &lengths[c]);
    while (SQL_SUCCEEDED(SQLFetch(source.statement()))) {
        for (int c = 0; c < 3; ++c)
            sqlite3_bind_int(insert, c + 1, values[c]);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    SQLFreeStmt(source.statement(), SQL_CLOSE);
    sqlite3_finalize(insert);
    return sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

struct Figures {
    std::vector<double> top;    // seconds per TOP statement
    std::vector<double> whole;  // seconds for the whole table in order
};

bool runOnce(const std::string& driver, const std::string& file, const std::string& top, Figures& figures)
{
    // The SQLite driver names its file Database, ours DBQ: each ignores the other's keyword.
    JetConnection connection(driver, file, "Database=" + file);
    bool ok = connection.connected();
    int done = 0;
    const auto start = std::chrono::steady_clock::now();
    const double seconds = timed([&] {
        for (; done < kTopRuns && ok && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500); ++done)
            ok = readAll(connection, top);
        return ok;
    }, ok);
    figures.top.push_back(seconds / std::max(done, 1));
    figures.whole.push_back(timed([&] { return readAll(connection, kWhole); }, ok));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    kervane::banc::GrownBench bench;
    if (!kervane::banc::setUpGrownBench(argc, argv, "kervane_jet_order_bench", KERVANE_DRIVER_LIBRARY, bench))
        return 2;
    const int runs = bench.runs;
    const std::vector<std::string>& libraries = bench.libraries;
    const std::filesystem::path& folder = bench.folder;
    const bool peer = std::filesystem::exists(kPeerLibrary);
    if (peer)
        std::ofstream(folder / "odbcinst.ini", std::ios::app)
            << "[" << kPeerDriver << "]\nDriver=" << kPeerLibrary << "\n";
    const std::string grown = bench.copy.string();
    const std::string sqlite = (folder / "copie.sqlite").string();
    if (!writeSqliteCopy(kervane::banc::jetDriver(0), grown, sqlite)) {
        std::fprintf(stderr, "la copie SQLite n'a pas pu être faite\n");
        return 1;
    }
    // Each driver on each file, then the peer on the copy; a first pass not counted.
    struct Case {
        std::string label;
        std::string driver;
        std::string file;
        std::string top;
    };
    std::vector<Case> cases;
    for (std::size_t d = 0; d < libraries.size(); ++d) {
        cases.push_back({libraries[d] + ", fichier Access", kervane::banc::jetDriver(d), grown, kTop});
        cases.push_back({libraries[d] + ", copie SQLite", kervane::banc::jetDriver(d), sqlite, kTop});
    }
    if (peer)
        cases.push_back({std::string("pilote SQLite3 (LIMIT 10), copie SQLite"), kPeerDriver, sqlite, kLimit});
    std::vector<Figures> figures(cases.size());
    for (int run = 0; run <= runs; ++run)
        for (std::size_t c = 0; c < cases.size(); ++c) {
            Figures pass;
            if (!runOnce(cases[c].driver, cases[c].file, cases[c].top, run == 0 ? pass : figures[c])) {
                std::fprintf(stderr, "échec : %s\n", cases[c].label.c_str());
                return 1;
            }
        }
    std::printf("Médiane de %d passes, chacun à son tour ; TOP 10 par la clé, ordre décroissant :\n", runs);
    for (std::size_t c = 0; c < cases.size(); ++c)
        std::printf("%s\n  TOP 10 (une instruction)          %9.3f ms\n  table entière dans cet ordre      %9.3f s\n",
                    cases[c].label.c_str(), 1000.0 * kervane::banc::median(figures[c].top),
                    kervane::banc::median(figures[c].whole));
    if (!peer)
        std::printf("pilote SQLite3 (libsqlite3odbc) absent : comparaison omise\n");
    return 0;
}
