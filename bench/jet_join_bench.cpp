// Joins on genuine Access files through our driver: Orders x Order Details on OrderID (a count,
// and a grouping by customer) and Customers x Orders on CustomerID (grouped by country), and a
// plain walk of Order Details (the cost of reading rows), on each
// Jet file given and on a SQLite copy of the same tables read through the same driver (SQLite
// then makes its own automatic index: the floor). With --avant LIB, the same statements also go
// through another build of the driver, for a before/after ratio measured in the same run.
// Every measure is the median of several runs, each on a fresh connection (so an index the
// driver makes is made inside the measure), the connection's opening left out.
// Usage: jet_join_bench [--avant LIBKERVANE_ODBC.so] nwind_x1.mdb nwind_x2.mdb ...
// (Access 2007 and later files too: nwind_x16.mdb nwind_x16.accdb compares the two formats.)
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/semantics/SortOrder.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr double kSlowSeconds = 3.0;  // a run longer than this is not repeated
constexpr char kCurrent[] = "Microsoft Access Driver (*.mdb)";
constexpr char kBefore[] = "Kervane avant";
const char* const kTables[] = {"Customers", "Orders", "Order Details", "Employees", "Categories"};

struct Statement {
    const char* label;
    const char* sql;
};
const Statement kStatements[] = {
    {"jointure OrderID, COUNT(*)",
     "SELECT COUNT(*) FROM Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID"},
    {"jointure OrderID, GROUP BY client",
     "SELECT Orders.CustomerID, COUNT(*), SUM([Order Details].Quantity) FROM Orders INNER JOIN [Order Details] "
     "ON Orders.OrderID = [Order Details].OrderID GROUP BY Orders.CustomerID"},
    {"jointure CustomerID (texte), GROUP BY pays",
     "SELECT Customers.Country, COUNT(*) FROM Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID "
     "GROUP BY Customers.Country"},
    {"parcours Order Details, SUM", "SELECT COUNT(*), SUM(Quantity), MAX(UnitPrice) FROM [Order Details]"},
    {"valeurs longues (notes, photos)", "SELECT SUM(LEN(Notes)), SUM(LEN(Photo)) FROM Employees"},
    {"valeurs longues (images)", "SELECT SUM(LEN(Description)), SUM(LEN(Picture)) FROM Categories"},
};

// One ODBC connection through the driver registered as `driver`.
class Odbc {
public:
    Odbc(const std::string& driver, const std::string& file)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string text = "DRIVER={" + driver + "};DBQ=" + file + ";";
        SQLCHAR out[1024];
        SQLSMALLINT length = 0;
        m_connected = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                     out, sizeof out, &length, SQL_DRIVER_NOPROMPT));
    }
    ~Odbc()
    {
        if (m_connected)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    Odbc(const Odbc&) = delete;
    Odbc& operator=(const Odbc&) = delete;

    bool connected() const { return m_connected; }

    // Runs sql and reads every value as text; the number of rows, or -1 on a failure.
    long rows(const char* sql)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
        long count = -1;
        if (SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS))) {
            SQLSMALLINT columns = 0;
            SQLNumResultCols(stmt, &columns);
            char buffer[512];
            SQLLEN length = 0;
            count = 0;
            while (SQL_SUCCEEDED(SQLFetch(stmt))) {
                for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
                    SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length);
                ++count;
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return count;
    }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

// Median seconds of the statement on fresh connections; nan when it cannot be run.
double measure(const std::string& driver, const std::string& file, const char* sql, long& rows)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        Odbc odbc(driver, file);
        if (!odbc.connected())
            return std::nan("");
        const auto start = std::chrono::steady_clock::now();
        rows = odbc.rows(sql);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (rows < 0)
            return std::nan("");
        if (times.back() > kSlowSeconds)
            break;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string declaredColumns(sqlite3* db, const std::string& table)
{
    std::string columns;
    sqlite3_stmt* info = nullptr;
    sqlite3_prepare_v2(db, ("PRAGMA main.table_info(\"" + table + "\")").c_str(), -1, &info, nullptr);
    while (sqlite3_step(info) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(info, 2));
        columns += (columns.empty() ? "\"" : ", \"") + name + "\" " + type;
        if (type.rfind("TEXT", 0) == 0 || type == "MEMO")
            columns += std::string(" COLLATE ") + kervane::sql::ACCESS_COLLATION;
    }
    sqlite3_finalize(info);
    return columns;
}

// A SQLite database holding the same tables, declared with the same Access types.
bool copyToSqlite(const std::string& jet, const std::string& copy)
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    std::string error;
    kervane::jet::JetFile* file = nullptr;
    bool copied = kervane::jet::attachJetDatabase(db, jet, error, nullptr, &file);
    if (copied)
        kervane::jet::declareFileTables(db, *file);
    copied = copied && sqlite3_exec(db, ("ATTACH '" + copy + "' AS copie").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const char* table : kTables) {
        const std::string name = std::string("\"") + table + "\"";
        const std::string columns = declaredColumns(db, table);
        if (columns.empty())
            continue;  // a grown copy holds the order tables only: its statements on others fail
        const std::string sql = "CREATE TABLE copie." + name + "(" + columns + "); INSERT INTO copie." +
                                name + " SELECT * FROM main." + name + ";";
        copied = copied && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    if (!copied)
        std::fprintf(stderr, "copie SQLite de %s impossible : %s %s\n", jet.c_str(), error.c_str(), sqlite3_errmsg(db));
    sqlite3_close(db);
    return copied;
}

void writeDrivers(const std::filesystem::path& folder, const char* before)
{
    std::ofstream drivers(folder / "odbcinst.ini");
    drivers << "[" << kCurrent << "]\nDriver=" << KERVANE_DRIVER_LIBRARY << "\n";
    if (before != nullptr)
        drivers << "[" << kBefore << "]\nDriver=" << before << "\n";
    std::ofstream(folder / "odbc.ini").flush();
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
}

void benchFile(const std::string& jet, const std::filesystem::path& folder, const char* before)
{
    // Named after the whole file name: a grown .mdb and the same data as an .accdb side by side.
    const std::string copy = (folder / (std::filesystem::path(jet).filename().string() + "_sqlite.mdb")).string();
    if (!copyToSqlite(jet, copy))
        return;
    std::printf("\n%s\n", std::filesystem::path(jet).filename().c_str());
    for (const Statement& statement : kStatements) {
        long rows = 0;
        long floorRows = 0;
        const double ours = measure(kCurrent, jet, statement.sql, rows);
        const double floor = measure(kCurrent, copy, statement.sql, floorRows);
        std::printf("  %-42s lignes %5ld  Jet %9.4f s  SQLite %8.4f s  rapport %7.1f", statement.label, rows, ours, floor,
                    ours / floor);
        if (before != nullptr) {
            long beforeRows = 0;
            const double old = measure(kBefore, jet, statement.sql, beforeRows);
            std::printf("  | avant %9.4f s (rapport %7.1f, gain %7.1f)", old, old / floor, old / ours);
            if (beforeRows != rows)
                std::printf("  LIGNES DIFFÉRENTES (%ld)", beforeRows);
        }
        if (floorRows != rows)
            std::printf("  LIGNES DIFFÉRENTES DE LA COPIE (%ld)", floorRows);
        std::printf("\n");
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const char* before = nullptr;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--avant") {
        before = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage : jet_join_bench [--avant LIBKERVANE_ODBC.so] FICHIER.mdb...\n");
        return 2;
    }
    char pattern[] = "/tmp/jet_join_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path folder(pattern);
    writeDrivers(folder, before);
    std::printf("médiane de %d exécutions (une seule au-delà de %.0f s), connexion neuve à chaque fois\n", kRuns, kSlowSeconds);
    for (int i = first; i < argc; ++i)
        benchFile(argv[i], folder, before);
    std::filesystem::remove_all(folder);
    return 0;
}
