// What reading a genuine Access 2002-2003 file costs with no other program about: nwind grown by
// jetgen (its Orders and Order Details).
//   jet_reading_bench GROWN.mdb [passes] [DRIVER.so ...]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 4)
// For each driver library (by default the one built beside this program; give two builds to
// compare them in one run), the passes taking turns, one connection a pass:
//   - every value of Order Details read with SQLFetch + SQLGetData, in one statement;
//   - 2,000 statements each reading one order found by its key (what each statement costs).
// Median of the passes, wall clock.
#include "bench/JetBanc.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using kervane::banc::JetConnection;
using kervane::banc::readAll;
using kervane::banc::timed;

struct Figures {
    std::vector<double> wholeTable;
    std::vector<double> smallStatements;
};

bool runOnce(const std::string& driver, const std::string& file, Figures& figures)
{
    JetConnection connection(driver, file);
    if (!connection.connected())
        return false;
    bool ok = true;
    figures.wholeTable.push_back(timed([&] { return readAll(connection, "SELECT * FROM [Order Details]"); }, ok));
    figures.smallStatements.push_back(timed([&] {
        for (int i = 0; i < 2000 && ok; ++i)
            ok = readAll(connection, "SELECT * FROM Orders WHERE OrderID = " + std::to_string(10248 + i % 830));
        return ok;
    }, ok));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    kervane::banc::GrownBench bench;
    if (!kervane::banc::setUpGrownBench(argc, argv, "kervane_jet_reading_bench", KERVANE_DRIVER_LIBRARY, bench))
        return 2;
    const int runs = bench.runs;
    const std::vector<std::string>& libraries = bench.libraries;
    const std::filesystem::path& copy = bench.copy;
    std::vector<Figures> figures(libraries.size());
    // A first pass of each, not counted, brings the file into the system's cache.
    for (int run = 0; run <= runs; ++run)
        for (std::size_t d = 0; d < libraries.size(); ++d) {
            Figures pass;
            if (!runOnce(kervane::banc::jetDriver(d), copy.string(), run == 0 ? pass : figures[d])) {
                std::fprintf(stderr, "échec avec %s\n", libraries[d].c_str());
                return 1;
            }
        }
    std::printf("Médiane de %d passes, chaque pilote à son tour :\n", runs);
    for (std::size_t d = 0; d < libraries.size(); ++d)
        std::printf("%s\n  Order Details lue en entier (SQLGetData)   %7.3f s\n"
                    "  2 000 instructions d'une commande chacune  %7.3f s\n",
                    libraries[d].c_str(), kervane::banc::median(figures[d].wholeTable),
                    kervane::banc::median(figures[d].smallStatements));
    return 0;
}
