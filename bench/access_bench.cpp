// Times ODBC_SelectionnerDansTableau on 100,000 rows x 10 columns against the plain
// SQLFetch/SQLGetData loop on the same database, and measures the result array's memory.
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"

#include <cstdio>
#include <filesystem>

using namespace kervane;
using namespace kervane::banc;

namespace {

// Bytes of every cell text of the array (what the array has to hold at the least).
qsizetype textBytes(const TableauTextes& tab)
{
    qsizetype n = 0;
    for (qsizetype r = 2; r < tab.lignes(); ++r)
        for (qsizetype c = 1; c < tab.colonnes(); ++c)
            n += tab.utf8(r, c).size();
    return n;
}

}  // namespace

int main()
{
    std::string base;
    const std::filesystem::path folder = prepare(false, base);
    if (folder.empty() || !ODBC_Initialiser())
        return 1;
    qint16 nIndice = 0;
    if (!ODBC_Connecter({QString(), QString(), QStringLiteral("Kervane")}, nIndice, QString()))
        return 1;

    long cells = 0;
    const double plain = seconds([&] { return readOdbc("Kervane"); }, cells);
    const double before = peakMegabytes();
    TableauTextes tab;
    const double layer = seconds(
        [&] {
            tab = TableauTextes();
            return ODBC_SelectionnerDansTableau(nIndice, QString::fromLatin1(QUERY), tab, true)
                       ? static_cast<long>((tab.lignes() - 2) * (tab.colonnes() - 1))
                       : -1L;
        },
        cells);
    const qsizetype nTextes = textBytes(tab);

    std::printf("%d lignes x 10 colonnes (meilleur de %d passages)\n", ROWS, RUNS);
    std::printf("  boucle SQLFetch/SQLGetData         : %.3f s\n", plain);
    std::printf("  ODBC_SelectionnerDansTableau       : %.3f s (%ld cellules)  rapport %.2fx\n", layer, cells,
                layer / plain);
    const auto nTableau = static_cast<double>(tab.octetsDonnees());
    const auto nTexte = static_cast<double>(nTextes);
    std::printf("  tableau résultat : %.1f Mo pour %.1f Mo de textes (%.2fx)\n", nTableau / 1048576.0, nTexte / 1048576.0,
                nTableau / nTexte);
    std::printf("  mémoire maximale du processus : %.1f Mo (%.1f Mo avant la lecture)\n", peakMegabytes(), before);
    ODBC_Cloturer();
    std::filesystem::remove_all(folder);
    return 0;
}
