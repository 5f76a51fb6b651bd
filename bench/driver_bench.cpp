// Reads 100,000 rows x 10 columns as text: through unixODBC and our driver, through SQLite
// directly, and through Debian's SQLite ODBC driver when it is installed; then the Access SQL
// front end's cost: translating that statement, parsing and translating a 10 kB one. Prints the times.
#include "bench/BancOdbc.h"
#include "bench/FrontEndBench.h"

#include <cstdio>
#include <filesystem>

using namespace kervane::banc;

int main()
{
    const bool withPeer = std::filesystem::exists(PEER_LIBRARY);
    std::string base;
    const std::filesystem::path folder = prepare(withPeer, base);
    if (folder.empty())
        return 1;

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
    // The Access SQL front end runs once per statement: its share of the read above.
    const double translation = translationSeconds(base, QUERY);
    std::printf("  traduction Access SQL  : %.1f µs, soit %.4f %% de la lecture par le pilote\n", translation * 1e6,
                100.0 * translation / ours);
    const std::string statement = longStatement(10 * 1024);
    const double parse = parseSeconds(statement);
    const double translateLong = translationSeconds(base, statement);
    std::printf("  instruction de %zu octets : analyse %.3f ms, traduction complète %.3f ms\n", statement.size(),
                parse * 1e3, translateLong * 1e3);
    std::filesystem::remove_all(folder);
    return 0;
}
