// Inserting 10,000 rows of five Access-typed columns in one manual transaction, three ways:
// - statements with the values written into their text, one SQLExecDirect per row (what a
//   client had to do before parameters);
// - one prepared INSERT with ? parameters, SQLExecute per row (pyodbc's executemany);
// - one prepared INSERT given the 10,000 sets as a parameter array, one SQLExecute.
// Median of 5 runs each, then the ratios.
#include "bench/BancOdbc.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace kervane::banc;

namespace {

constexpr int COUNT = 10000;
constexpr int REPEATS = 5;
constexpr std::size_t NAME_SIZE = 32;

struct Odbc {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    Odbc()
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        SQLConnect(dbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>("Kervane")), SQL_NTS, nullptr, 0, nullptr, 0);
        SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    }
    ~Odbc()
    {
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    Odbc(const Odbc&) = delete;
    Odbc& operator=(const Odbc&) = delete;
};

class Stmt {
public:
    explicit Stmt(const Odbc& odbc) { SQLAllocHandle(SQL_HANDLE_STMT, odbc.dbc, &m_stmt); }
    ~Stmt() { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    SQLHSTMT handle() const { return m_stmt; }
    bool run(const std::string& sql)
    {
        return SQL_SUCCEEDED(SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
    }

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

struct Rows {
    std::vector<SQLINTEGER> ids;
    std::vector<char> names;
    std::vector<SQLLEN> nameLengths;
    std::vector<double> amounts;
    std::vector<SQL_TIMESTAMP_STRUCT> dates;
    std::vector<unsigned char> flags;
    Rows() : ids(COUNT), names(COUNT * NAME_SIZE), nameLengths(COUNT, SQL_NTS), amounts(COUNT), dates(COUNT), flags(COUNT)
    {
        for (int i = 0; i < COUNT; ++i) {
            ids[i] = i + 1;
            std::snprintf(&names[i * NAME_SIZE], NAME_SIZE, "Opération n°%d", i + 1);
            amounts[i] = i * 1.25;
            dates[i] = SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(2000 + i % 25), static_cast<SQLUSMALLINT>(1 + i % 12),
                                            static_cast<SQLUSMALLINT>(1 + i % 28), 10, 30, 0, 0};
            flags[i] = static_cast<unsigned char>(i % 2);
        }
    }
};

constexpr char INSERT[] = "INSERT INTO BANC (ID, NOM, MONTANT, QUAND, ACTIF) VALUES (?, ?, ?, ?, ?)";

void freshTable(const Odbc& odbc)
{
    Stmt stmt(odbc);
    stmt.run("DROP TABLE BANC");
    stmt.run("CREATE TABLE BANC (ID LONG PRIMARY KEY, NOM TEXT(50), MONTANT DOUBLE, QUAND DATETIME, ACTIF YESNO)");
    SQLEndTran(SQL_HANDLE_DBC, odbc.dbc, SQL_COMMIT);
}

long literalTexts(const Odbc& odbc, const Rows& rows)
{
    Stmt stmt(odbc);
    long done = 0;
    char sql[256];
    for (int i = 0; i < COUNT; ++i) {
        const SQL_TIMESTAMP_STRUCT& d = rows.dates[i];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO BANC (ID, NOM, MONTANT, QUAND, ACTIF) VALUES (%d, '%s', %.17g,"
                      " #%d/%d/%d 10:30:00#, %s)",
                      rows.ids[i], &rows.names[i * NAME_SIZE], rows.amounts[i], d.month, d.day, d.year,
                      rows.flags[i] ? "True" : "False");
        done += stmt.run(sql) ? 1 : 0;
    }
    return done;
}

void bindAll(const Stmt& stmt, const Rows& rows, SQLLEN* nameLengths)
{
    SQLHSTMT h = stmt.handle();
    SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, const_cast<SQLINTEGER*>(rows.ids.data()), 0, nullptr);
    SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, const_cast<char*>(rows.names.data()),
                     NAME_SIZE, nameLengths);
    SQLBindParameter(h, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, const_cast<double*>(rows.amounts.data()), 0,
                     nullptr);
    SQLBindParameter(h, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0,
                     const_cast<SQL_TIMESTAMP_STRUCT*>(rows.dates.data()), 0, nullptr);
    SQLBindParameter(h, 5, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 0, 0, const_cast<unsigned char*>(rows.flags.data()), 0,
                     nullptr);
}

long rowByRow(const Odbc& odbc, const Rows& rows)
{
    Stmt stmt(odbc);
    SQLPrepare(stmt.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(INSERT)), SQL_NTS);
    long done = 0;
    SQLLEN nts = SQL_NTS;
    for (int i = 0; i < COUNT; ++i) {
        SQLHSTMT h = stmt.handle();
        SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, const_cast<SQLINTEGER*>(&rows.ids[i]), 0,
                         nullptr);
        SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0,
                         const_cast<char*>(&rows.names[i * NAME_SIZE]), NAME_SIZE, &nts);
        SQLBindParameter(h, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, const_cast<double*>(&rows.amounts[i]), 0,
                         nullptr);
        SQLBindParameter(h, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0,
                         const_cast<SQL_TIMESTAMP_STRUCT*>(&rows.dates[i]), 0, nullptr);
        SQLBindParameter(h, 5, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 0, 0, const_cast<unsigned char*>(&rows.flags[i]), 0,
                         nullptr);
        done += SQL_SUCCEEDED(SQLExecute(h)) ? 1 : 0;
    }
    return done;
}

long oneArray(const Odbc& odbc, const Rows& rows)
{
    Stmt stmt(odbc);
    std::vector<SQLLEN> nameLengths(rows.nameLengths);
    SQLULEN processed = 0;
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(COUNT)), 0);
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
    SQLPrepare(stmt.handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(INSERT)), SQL_NTS);
    bindAll(stmt, rows, nameLengths.data());
    return SQL_SUCCEEDED(SQLExecute(stmt.handle())) ? static_cast<long>(processed) : 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double measure(const Odbc& odbc, const Rows& rows, long (*insert)(const Odbc&, const Rows&), const char* label)
{
    std::vector<double> times;
    long done = 0;
    for (int run = 0; run < REPEATS; ++run) {
        freshTable(odbc);
        const auto start = std::chrono::steady_clock::now();
        done = insert(odbc, rows);
        SQLEndTran(SQL_HANDLE_DBC, odbc.dbc, SQL_COMMIT);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double seconds = median(times);
    std::printf("%-44s %8.3f s  (%ld lignes, %.0f lignes/s)\n", label, seconds, done, static_cast<double>(done) / seconds);
    return seconds;
}

}  // namespace

int main()
{
    std::string base;
    prepare(false, base);
    Odbc odbc;
    const Rows rows;
    std::printf("%d lignes insérées dans une transaction, médiane de %d essais\n", COUNT, REPEATS);
    const double literal = measure(odbc, rows, literalTexts, "valeurs écrites dans le texte (ExecDirect)");
    const double perRow = measure(odbc, rows, rowByRow, "paramètres, un SQLExecute par ligne");
    const double array = measure(odbc, rows, oneArray, "tableau de paramètres, un SQLExecute");
    std::printf("rapport texte / paramètres ligne à ligne : %.2f\n", literal / perRow);
    std::printf("rapport texte / tableau de paramètres    : %.2f\n", literal / array);
    std::printf("rapport ligne à ligne / tableau          : %.2f\n", perRow / array);
    return 0;
}
