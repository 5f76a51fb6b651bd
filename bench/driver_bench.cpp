// Reads 100,000 rows x 10 columns as text: through unixODBC and our driver, through SQLite
// directly, and through Debian's SQLite ODBC driver when it is installed. Prints the times.
#include "bench/BancOdbc.h"

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
    std::filesystem::remove_all(folder);
    return 0;
}
