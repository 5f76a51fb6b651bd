// Reads 100,000 rows x 10 columns as text: through unixODBC and our driver, through SQLite
// directly, and through Debian's SQLite ODBC driver when it is installed. Prints the times.
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

constexpr int ROWS = 100000;
constexpr int RUNS = 3;
constexpr char PEER_LIBRARY[] = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr char QUERY[] = "SELECT * FROM MOUVEMENT";

struct Database {
    sqlite3* db = nullptr;
    explicit Database(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~Database() { sqlite3_close(db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
};

void createDatabase(const std::string& path)
{
    const Database base(path);
    sqlite3_exec(base.db,
                 "CREATE TABLE MOUVEMENT(ID LONG PRIMARY KEY, NOM TEXT(50), VILLE TEXT(30), MONTANT CURRENCY,"
                 " TAUX DOUBLE, QTE SHORT, JOUR DATETIME, ACTIF YESNO, CODE TEXT(10), NOTE LONGTEXT);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)"
                 " INSERT INTO MOUVEMENT SELECT i, 'Client numéro ' || i, 'Ville ' || (i % 97), (i % 1000) * 1.25,"
                 " i / 7.0, i % 300, date('2020-01-01', '+' || (i % 1500) || ' days') || ' 10:30:00', i % 2,"
                 " 'C' || (i % 5000), 'Remarque sur le mouvement ' || i FROM n;",
                 nullptr, nullptr, nullptr);
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

}  // namespace

int main()
{
    char pattern[] = "/tmp/driver_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path folder(pattern);
    const std::string base = (folder / "bench.mdb").string();
    const bool withPeer = std::filesystem::exists(PEER_LIBRARY);
    createDatabase(base);
    writeIni(folder, base, withPeer);
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);

    long cells = 0;
    std::printf("%d lignes x 10 colonnes, lues en texte (meilleur de %d passages, connexion comprise)\n", ROWS, RUNS);
    const double direct = seconds([&] { return readDirect(base); }, cells);
    std::printf("  SQLite direct          : %.3f s (%ld valeurs)\n", direct, cells);
    const double ours = seconds([&] { return readOdbc("Kervane"); }, cells);
    std::printf("  ODBC, pilote Kervane   : %.3f s (%ld valeurs)  rapport au direct %.2fx\n", ours, cells, ours / direct);
    if (withPeer) {
        const double peer = seconds([&] { return readOdbc("Pair"); }, cells);
        std::printf("  ODBC, pilote SQLite3   : %.3f s (%ld valeurs)  rapport au direct %.2fx\n", peer, cells,
                    peer / direct);
        std::printf("  Kervane / SQLite3      : %.2fx\n", ours / peer);
    } else {
        std::printf("  pilote SQLite3 (libsqliteodbc) absent : comparaison omise\n");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
