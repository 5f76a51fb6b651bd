// What reading and committing cost on a genuine Access 2002-2003 file, with no other program
// about: nwind grown by jetgen (its Orders and Order Details).
//   jet_reading_bench GROWN.mdb [passes]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 4)
// Each pass on a fresh copy, one connection:
//   - every value of Order Details read with SQLFetch + SQLGetData, in one statement;
//   - 2,000 statements each reading one order found by its key (what each statement costs);
//   - one UPDATE of 1,000 orders, then its commit.
// Median of the passes, wall clock.
#include "bench/JetBanc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using kervane::banc::JetConnection;

double timed(const std::function<bool()>& work, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = work() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every value of the statement's rows as text; false when it fails.
bool readAll(JetConnection& connection, const std::string& sql, long& values)
{
    if (!connection.run(sql, false))
        return false;
    const SQLHSTMT stmt = connection.statement();
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    char buffer[512];
    SQLLEN length = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt)))
        for (SQLUSMALLINT c = 1; c <= columns; ++c)
            if (SQL_SUCCEEDED(SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length)))
                ++values;
    SQLFreeStmt(stmt, SQL_CLOSE);
    return true;
}

struct Figures {
    double wholeTable = 0;
    double smallStatements = 0;
    double commit = 0;
};

bool runOnce(const std::string& file, Figures& figures)
{
    JetConnection connection(file);
    if (!connection.connected()) {
        std::fprintf(stderr, "connexion à %s impossible\n", file.c_str());
        return false;
    }
    bool ok = true;
    long values = 0;
    figures.wholeTable = timed([&] { return readAll(connection, "SELECT * FROM [Order Details]", values); }, ok);
    figures.smallStatements = timed([&] {
        for (int i = 0; i < 2000 && ok; ++i)
            ok = readAll(connection, "SELECT * FROM Orders WHERE OrderID = " + std::to_string(10248 + i % 830), values);
        return ok;
    }, ok);
    figures.commit = timed([&] {
        return connection.run("UPDATE Orders SET Freight = Freight + 1 WHERE OrderID < 11248") && connection.commit();
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
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::filesystem::path folder = kervane::banc::prepareJetFolder("kervane_jet_reading_bench", KERVANE_DRIVER_LIBRARY);
    std::vector<double> wholeTable;
    std::vector<double> smallStatements;
    std::vector<double> commits;
    for (int run = 0; run < runs; ++run) {
        const std::filesystem::path copy = folder / ("copie" + std::to_string(run) + ".mdb");
        std::filesystem::copy_file(argv[1], copy);
        Figures figures;
        if (!runOnce(copy.string(), figures))
            return 1;
        wholeTable.push_back(figures.wholeTable);
        smallStatements.push_back(figures.smallStatements);
        commits.push_back(figures.commit);
        std::filesystem::remove(copy);
    }
    std::printf("Médiane de %d passes (chaque passe sur une copie neuve) :\n", runs);
    std::printf("  Order Details lue en entier (SQLGetData)   %7.3f s\n", median(wholeTable));
    std::printf("  2 000 instructions d'une commande chacune  %7.3f s\n", median(smallStatements));
    std::printf("  UPDATE de 1 000 commandes puis COMMIT      %7.3f s\n", median(commits));
    return 0;
}
