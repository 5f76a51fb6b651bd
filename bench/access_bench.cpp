// Times ODBC_SelectionnerDansTableau against the plain SQLFetch/SQLGetData loop on the same
// database, for results of 10,000, 100,000 and 1,000,000 rows x 10 columns (or the row counts
// given as arguments), by processor time and by the wall clock, and measures the memory the
// result array takes at its peak.
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <malloc.h>

using namespace kervane;
using namespace kervane::banc;

namespace {

// Alternated runs per size: more where one run is short, so that a burst of load on the
// machine moves the median less.
int runsFor(int nRows)
{
    return nRows <= 10000 ? 31 : nRows <= 100000 ? 15 : 9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Bytes of every cell text of the array (what the array has to hold at the least).
qsizetype textBytes(const TableauTextes& tab)
{
    qsizetype n = 0;
    for (qsizetype r = 2; r < tab.lignes(); ++r)
        for (qsizetype c = 1; c < tab.colonnes(); ++c)
            n += tab.utf8(r, c).size();
    return n;
}

// One size: the plain loop, the access layer, their ratio, and the memory of one selection.
bool measure(int nRows)
{
    const std::string dsn = "Kervane" + std::to_string(nRows);
    qint16 nIndice = 0;
    if (!ODBC_Connecter({QString(), QString(), QString::fromStdString(dsn)}, nIndice, QString()))
        return false;
    const QString strSQL = QString::fromLatin1(QUERY);

    // Memory first, from a heap given back to the system: the rise of the resident size over
    // one selection, per cell, the array kept.
    malloc_trim(0);
    resetPeak();
    const double dAvant = residentBytes();
    TableauTextes tab;
    ODBC_SelectionnerDansTableau(nIndice, strSQL, tab, true);
    const double dPic = peakBytesSinceReset() - dAvant;
    const double dGarde = residentBytes() - dAvant;

    // Times: the plain loop and the access layer in turn, so that both see the same load;
    // processor time, and the wall clock beside it.
    std::vector<double> boucles, tableaux, mursBoucle, mursTableau;
    const auto timed = [](std::vector<double>& processeur, std::vector<double>& mur, const std::function<void()>& body) {
        const auto debut = std::chrono::steady_clock::now();
        const double dDebut = processSeconds();
        body();
        processeur.push_back(processSeconds() - dDebut);
        mur.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
    };
    for (int i = 0; i < runsFor(nRows); ++i) {
        timed(boucles, mursBoucle, [&] { readOdbc(dsn); });
        timed(tableaux, mursTableau, [&] {
            TableauTextes lu;
            ODBC_SelectionnerDansTableau(nIndice, strSQL, lu, true);
        });
    }
    const double plain = median(boucles);
    const double layer = median(tableaux);
    const double wallRatio = median(mursTableau) / median(mursBoucle);
    const auto nCellules = static_cast<double>((tab.lignes() - 2) * (tab.colonnes() - 1));
    const auto nTextes = static_cast<double>(textBytes(tab));
    std::printf("%8d  %9.3f  %9.3f  %6.2fx  %6.2fx  %9.1f  %9.1f  %9.1f\n", nRows, plain, layer, layer / plain,
                wallRatio, dPic / nCellules, dGarde / nCellules, nTextes / nCellules);
    ODBC_Deconnecter(nIndice);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<int> sizes = sizesFromArguments(argc, argv, {10000, 100000, 1000000});
    const std::filesystem::path folder = prepareSizes(sizes);
    if (folder.empty() || !ODBC_Initialiser())
        return 1;
    std::printf("ODBC_SelectionnerDansTableau contre la boucle SQLFetch/SQLGetData, 10 colonnes, temps processeur,"
                " mediane de 31, 15 ou 9 passages alternes selon la taille\n");
    std::printf("%8s  %9s  %9s  %7s  %7s  %9s  %9s  %9s\n", "lignes", "boucle(s)", "tableau(s)", "rapport",
                "mur", "pic o/cel", "garde o/c", "texte o/c");
    for (const int n : sizes)
        if (!measure(n))
            return 1;
    std::printf("objectif : rapport <= 1.15x\n");
    ODBC_Cloturer();
    std::filesystem::remove_all(folder);
    return 0;
}
