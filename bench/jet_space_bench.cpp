// Whether whole-table updates that grow rows keep a genuine Access file's size in check: nwind
// grown by jetgen (Orders holds four copies of its rows), every Orders.ShipName rewritten 16
// times, each update committed on its own, the values alternately longer (a little longer each
// time, so that rows outgrow their place and must grow where they lie or move) and short.
//   jet_space_bench GROWN.mdb [RUNS] [DRIVER.so ...]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 4)
// For each driver library (by default the one built beside this program; give main's and this
// branch's to compare them in one run), on fresh copies, their runs taking turns:
//   - the file's size before and after the 16 updates (that copy kept, for jetcheck);
//   - one UPDATE of 1,000 rows with a longer value, and its COMMIT (medians of RUNS runs).
#include "bench/JetBanc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kUpdates = 16;
// Orders' first copy holds OrderID 10248..11077, the second 110248..: 830 + 170 rows.
constexpr char kThousandRows[] = "OrderID <= 110417";

using kervane::banc::JetConnection;
using kervane::banc::median;

// The value of update `round`: 24, 26, ... 38 characters on even rounds, 8 on odd ones.
std::string shipName(int round)
{
    const int length = round % 2 == 0 ? 24 + round : 8;
    std::string name;
    for (int i = 0; i < length; ++i)
        name += static_cast<char>('a' + (round + i) % 26);
    return name;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Figures {
    std::uintmax_t before = 0;
    std::uintmax_t after = 0;
    double update = 0;  // the 1,000-row UPDATE statement
    double commit = 0;  // and its COMMIT
};

bool repeatedUpdates(const std::string& driver, const std::string& file, Figures& figures)
{
    figures.before = std::filesystem::file_size(file);
    JetConnection connection(driver, file);
    if (!connection.connected())
        return false;
    for (int round = 0; round < kUpdates; ++round)
        if (connection.run("UPDATE Orders SET ShipName = '" + shipName(round) + "'") <= 0 || !connection.commit())
            return false;
    figures.after = std::filesystem::file_size(file);
    return true;
}

bool thousandRows(const std::string& driver, const std::string& file, Figures& figures)
{
    JetConnection connection(driver, file);
    if (!connection.connected())
        return false;
    auto start = std::chrono::steady_clock::now();
    const long rows = connection.run("UPDATE Orders SET ShipName = '" + std::string(40, 'w') + "' WHERE " + kThousandRows);
    figures.update = seconds(start);
    start = std::chrono::steady_clock::now();
    const bool committed = connection.commit();
    figures.commit = seconds(start);
    if (rows != 1000)
        std::fprintf(stderr, "%ld lignes modifiées au lieu de 1000\n", rows);
    return rows == 1000 && committed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : %s NWIND_AGRANDI.mdb [passes] [PILOTE.so ...]\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::vector<std::string> libraries = kervane::banc::jetLibraries(argc, argv, 3, KERVANE_DRIVER_LIBRARY);
    const std::filesystem::path folder = kervane::banc::prepareJetFolder("kervane_jet_space_bench", libraries);

    std::vector<Figures> sizes(libraries.size());
    std::vector<std::vector<double>> updates(libraries.size());
    std::vector<std::vector<double>> commits(libraries.size());
    for (int run = 0; run <= runs; ++run) {
        for (std::size_t d = 0; d < libraries.size(); ++d) {
            const std::string driver = kervane::banc::jetDriver(d);
            // The copy the 16 updates changed is kept, for jetcheck or mdb-export to read.
            const std::filesystem::path copy =
                folder / ((run == 0 ? "apres16_" : "copie") + std::to_string(d) + ".mdb");
            std::filesystem::remove(copy);
            std::filesystem::copy_file(source, copy);
            Figures figures;
            // The first pass measures the sizes; the others time the 1,000-row update.
            const bool done = run == 0 ? repeatedUpdates(driver, copy.string(), sizes[d])
                                       : thousandRows(driver, copy.string(), figures);
            if (!done) {
                std::fprintf(stderr, "échec avec %s\n", libraries[d].c_str());
                return 1;
            }
            if (run > 0) {
                updates[d].push_back(figures.update);
                commits[d].push_back(figures.commit);
            }
        }
    }
    std::printf("Orders.ShipName, %d mises à jour de toute la table, puis 1 UPDATE de 1000 lignes (médiane de %d passes)\n",
                kUpdates, runs);
    for (std::size_t d = 0; d < libraries.size(); ++d) {
        const Figures& s = sizes[d];
        std::printf("%s\n  taille avant %9.2f Mo, après %9.2f Mo (x %.2f) : %s\n  UPDATE de 1000 lignes %7.3f s, "
                    "son COMMIT %7.3f s\n",
                    libraries[d].c_str(), static_cast<double>(s.before) / 1e6, static_cast<double>(s.after) / 1e6,
                    static_cast<double>(s.after) / static_cast<double>(s.before),
                    (folder / ("apres16_" + std::to_string(d) + ".mdb")).c_str(), median(updates[d]),
                    median(commits[d]));
    }
    return 0;
}
