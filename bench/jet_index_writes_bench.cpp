// 10,000 rows written into an indexed table of a genuine Access 2002-2003 file: Order Details
// of nwind grown by jetgen (three indexes: OrderID, ProductID, and both as primary key).
//   jet_index_writes_bench GROWN.mdb [runs]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 1)
// Each run works on a fresh copy, in one transaction each:
//   - 10,000 INSERT statements (keys scattered over the index), then the commit;
//   - 10,000 UPDATE statements, each changing the ProductID key of one row found by its key;
//   - one UPDATE statement changing that key in the same 10,000 rows.
// Median of the runs, wall clock, each figure with its commit.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;
constexpr char kDriver[] = "Kervane banc";

class Connection {
public:
    explicit Connection(const std::string& file)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string text = std::string("DRIVER={") + kDriver + "};DBQ=" + file + ";";
        SQLCHAR out[512];
        SQLSMALLINT length = 0;
        m_connected = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                     out, sizeof out, &length, SQL_DRIVER_NOPROMPT));
        SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }
    ~Connection()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool connected() const { return m_connected; }
    bool run(const std::string& sql)
    {
        const bool done =
            SQL_SUCCEEDED(SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
        if (!done)
            report(SQL_HANDLE_STMT, m_stmt, sql);
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        return done;
    }
    bool commit()
    {
        const bool done = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT));
        if (!done)
            report(SQL_HANDLE_DBC, m_dbc, "COMMIT");
        return done;
    }

private:
    static void report(SQLSMALLINT type, SQLHANDLE handle, const std::string& what)
    {
        SQLCHAR state[6] = {};
        SQLCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
        std::fprintf(stderr, "échec de « %.60s » : %s\n", what.c_str(), message);
    }

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    bool m_connected = false;
};

long orderId(int i)
{
    return 20000 + (i * 7919L) % 100003;
}

struct Figures {
    double inserts = 0;
    double updates = 0;
    double oneUpdate = 0;
};

double timed(const std::function<bool()>& work, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = work() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool runOnce(const std::string& file, Figures& figures)
{
    Connection connection(file);
    if (!connection.connected()) {
        std::fprintf(stderr, "connexion à %s impossible\n", file.c_str());
        return false;
    }
    bool ok = true;
    figures.inserts = timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (" +
                                std::to_string(orderId(i)) + ", 1, 1.5, 2, 0)");
        return ok && connection.commit();
    }, ok);
    figures.updates = timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("UPDATE [Order Details] SET ProductID = 2 WHERE OrderID = " + std::to_string(orderId(i)) +
                                " AND ProductID = 1");
        return ok && connection.commit();
    }, ok);
    figures.oneUpdate = timed([&] {
        return connection.run("UPDATE [Order Details] SET ProductID = 3 WHERE OrderID >= 20000") && connection.commit();
    }, ok);
    return ok;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : %s NWIND_AGRANDI.mdb [passes]\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kervane_jet_index_writes_bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "odbcinst.ini") << "[" << kDriver << "]\nDriver=" << KERVANE_DRIVER_LIBRARY << "\n";
    std::ofstream(folder / "odbc.ini").flush();
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);

    std::vector<double> inserts;
    std::vector<double> updates;
    std::vector<double> oneUpdate;
    for (int run = 0; run < runs; ++run) {
        const std::filesystem::path copy = folder / ("copie" + std::to_string(run) + ".mdb");
        std::filesystem::copy_file(source, copy);
        Figures figures;
        if (!runOnce(copy.string(), figures))
            return 1;
        inserts.push_back(figures.inserts);
        updates.push_back(figures.updates);
        oneUpdate.push_back(figures.oneUpdate);
        std::filesystem::remove(copy);
    }
    std::printf("Order Details, %d lignes, médiane de %d passes (chaque passe sur une copie neuve) :\n", kRows, runs);
    std::printf("  %d INSERT puis COMMIT            %7.3f s\n", kRows, median(inserts));
    std::printf("  %d UPDATE d'une clé puis COMMIT  %7.3f s\n", kRows, median(updates));
    std::printf("  1 UPDATE de %d clés puis COMMIT  %7.3f s\n", kRows, median(oneUpdate));
    return 0;
}
