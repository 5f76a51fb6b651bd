// Reading 100,000 rows x 10 columns (texts, integers, currency, double, date, yes/no) from a
// SQLite-format base three ways, every value in the same C type each time:
// - SQLFetch, then SQLGetData for every cell;
// - columns bound with SQLBindCol, one row per SQLFetch;
// - columns bound with SQLBindCol, rowsets of 1,000 rows per SQLFetch.
// Median of 5 runs each in processor seconds, then the ratios. With --avant LIB, the first two
// ways are also measured through another build of the driver (which has no rowsets), in the
// same run.
// Usage: blocs_bench [--avant LIBKERVANE_ODBC.so]
#include "bench/BancOdbc.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace kervane::banc;

namespace {

constexpr int REPEATS = 5;
constexpr SQLULEN BLOCK = 1000;
constexpr SQLLEN TEXT_SIZE = 64;
constexpr int COLUMNS = 10;

// The C type each column of MOUVEMENT is read in, and the bytes one value takes.
struct ColumnRead {
    SQLSMALLINT cType;
    SQLLEN size;
};
constexpr ColumnRead READS[COLUMNS] = {
    {SQL_C_SLONG, sizeof(SQLINTEGER)},           {SQL_C_CHAR, TEXT_SIZE}, {SQL_C_CHAR, TEXT_SIZE},
    {SQL_C_DOUBLE, sizeof(double)},              {SQL_C_DOUBLE, sizeof(double)},
    {SQL_C_SSHORT, sizeof(SQLSMALLINT)},         {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)},
    {SQL_C_BIT, sizeof(SQLCHAR)},                {SQL_C_CHAR, TEXT_SIZE}, {SQL_C_CHAR, TEXT_SIZE},
};

class Session {
public:
    explicit Session(const char* dsn)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        m_connected = SQL_SUCCEEDED(SQLConnect(m_dbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn)), SQL_NTS,
                                               nullptr, 0, nullptr, 0));
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }
    ~Session()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool connected() const { return m_connected; }
    SQLHSTMT stmt() const { return m_stmt; }
    bool run() const
    {
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        SQLFreeStmt(m_stmt, SQL_UNBIND);
        return SQL_SUCCEEDED(SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(QUERY)), SQL_NTS));
    }
    void rowset(SQLULEN size) const
    {
        SQLSetStmtAttr(m_stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(size)),
                       0);
    }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    bool m_connected = false;
};

// Buffers for rows values of every column, column-wise, with their lengths.
struct Buffers {
    std::vector<std::vector<char>> values;
    std::vector<std::vector<SQLLEN>> lengths;
    explicit Buffers(SQLULEN rows)
    {
        for (const ColumnRead& read : READS) {
            values.emplace_back(rows * static_cast<std::size_t>(read.size));
            lengths.emplace_back(rows);
        }
    }
    void bind(SQLHSTMT stmt)
    {
        for (SQLUSMALLINT c = 0; c < COLUMNS; ++c)
            SQLBindCol(stmt, c + 1, READS[c].cType, values[c].data(), READS[c].size, lengths[c].data());
    }
    long nonNull(SQLULEN rows) const
    {
        long cells = 0;
        for (const auto& column : lengths)
            for (SQLULEN r = 0; r < rows; ++r)
                cells += column[r] != SQL_NULL_DATA ? 1 : 0;
        return cells;
    }
};

long getDataPerCell(const Session& session)
{
    if (!session.run())
        return -1;
    Buffers buffers(1);
    long cells = 0;
    while (SQL_SUCCEEDED(SQLFetch(session.stmt()))) {
        for (SQLUSMALLINT c = 0; c < COLUMNS; ++c)
            SQLGetData(session.stmt(), c + 1, READS[c].cType, buffers.values[c].data(), READS[c].size,
                       buffers.lengths[c].data());
        cells += buffers.nonNull(1);
    }
    return cells;
}

long boundRows(const Session& session, SQLULEN size)
{
    session.rowset(size);
    if (!session.run())
        return -1;
    Buffers buffers(size);
    buffers.bind(session.stmt());
    SQLULEN fetched = 0;
    SQLSetStmtAttr(session.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    long cells = 0;
    while (SQL_SUCCEEDED(SQLFetch(session.stmt())))
        cells += buffers.nonNull(fetched);
    SQLSetStmtAttr(session.stmt(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    session.rowset(1);
    return cells;
}

double measure(const char* label, const std::function<long()>& body)
{
    long cells = 0;
    const double seconds = medianSeconds(body, cells, REPEATS);
    std::printf("%-46s %8.3f s  (%ld valeurs, %.0f lignes/s)\n", label, seconds, cells, ROWS / seconds);
    std::fflush(stdout);
    return seconds;
}

// A second driver entry and data source "Avant" on the same base.
void addBefore(const std::filesystem::path& folder, const std::string& base, const char* library)
{
    std::ofstream(folder / "odbcinst.ini", std::ios::app) << "[Kervane avant]\nDriver=" << library << "\n";
    std::ofstream(folder / "odbc.ini", std::ios::app) << "[Avant]\nDriver=Kervane avant\nDBQ=" << base << "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    const char* before = argc > 2 && std::string(argv[1]) == "--avant" ? argv[2] : nullptr;
    std::string base;
    const std::filesystem::path folder = prepare(false, base);
    if (before != nullptr)
        addBefore(folder, base, before);
    const Session session("Kervane");
    if (!session.connected()) {
        std::fprintf(stderr, "connexion impossible à la base de mesure\n");
        return 1;
    }
    std::printf("%d lignes x %d colonnes, médiane de %d essais (secondes de processeur)\n", ROWS, COLUMNS, REPEATS);
    const double perCell = measure("SQLFetch + SQLGetData par valeur", [&] { return getDataPerCell(session); });
    const double perRow = measure("SQLBindCol, une ligne par SQLFetch", [&] { return boundRows(session, 1); });
    const double perBlock = measure("SQLBindCol, 1 000 lignes par SQLFetch", [&] { return boundRows(session, BLOCK); });
    std::printf("rapport SQLGetData / colonnes liées         : %.2f\n", perCell / perRow);
    std::printf("rapport SQLGetData / blocs de 1 000         : %.2f\n", perCell / perBlock);
    std::printf("rapport colonnes liées / blocs de 1 000     : %.2f\n", perRow / perBlock);
    if (before != nullptr) {
        const Session old("Avant");
        const double oldCell = measure("avant : SQLFetch + SQLGetData par valeur", [&] { return getDataPerCell(old); });
        const double oldRow = measure("avant : SQLBindCol, une ligne par SQLFetch", [&] { return boundRows(old, 1); });
        std::printf("rapport avant / après, SQLGetData           : %.2f\n", oldCell / perCell);
        std::printf("rapport avant / après, colonnes liées       : %.2f\n", oldRow / perRow);
        std::printf("rapport avant colonnes liées / blocs        : %.2f\n", oldRow / perBlock);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
