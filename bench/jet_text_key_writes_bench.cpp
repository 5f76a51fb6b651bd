// 10,000 rows with text keys written into Customers of nwind grown by jetgen, side by side in
// files of several formats: their text indexes (CustomerID, the primary key, CompanyName, City,
// PostalCode, Region) keyed in the sort order each file declares, "General - Legacy" (Access
// 2000-2007) or "General" (Access 2010 and later).
//   jet_text_key_writes_bench FILE... [--runs N]
// (make the files with ../shared/tools/jetcheck/jetgen [--format V2016] grow nwind.mdb FILE 1)
// Each run works on a fresh copy: 10,000 INSERT statements, accented and mixed-case texts, then
// the commit. Median of the runs, wall clock, and each file's ratio to the first.
#include "bench/JetBanc.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;
using kervane::banc::JetConnection;

// A key of five characters, unique for each row, that no grown nwind customer has.
std::string customerId(int i)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string id = "É";
    for (int n = i, k = 0; k < 4; ++k, n /= 36)
        id += digits[n % 36];
    return id;
}

double insertRows(const std::string& file, bool& ok)
{
    JetConnection connection(kervane::banc::jetDriver(0), file);
    ok = connection.connected();
    static const char* cities[] = {"Besançon", "Zürich", "Saint-Étienne", "Ærøskøbing", "Łódź", "München"};
    return kervane::banc::timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("INSERT INTO Customers (CustomerID, CompanyName, City, PostalCode, Region) VALUES ('" +
                                customerId(i) + "', 'Société n° " + std::to_string(i * 7919 % kRows) + " d''Œuvres', '" +
                                cities[i % 6] + "', 'F-" + std::to_string(i % 977) + "', 'Région " +
                                std::to_string(i % 13) + "')") >= 0;
        return ok && connection.commit();
    }, ok);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    int runs = 5;
    for (int a = 1; a < argc; ++a) {
        if (std::string(argv[a]) == "--runs" && a + 1 < argc)
            runs = std::max(1, std::atoi(argv[++a]));
        else
            files.push_back(std::filesystem::absolute(argv[a]).string());
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage : %s NWIND_AGRANDI.mdb|.accdb... [--runs N]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder =
        kervane::banc::prepareJetFolder("kervane_jet_text_key_writes_bench", {KERVANE_DRIVER_LIBRARY});
    std::vector<std::vector<double>> seconds(files.size());
    for (int run = 0; run < runs; ++run)
        for (std::size_t f = 0; f < files.size(); ++f) {
            const std::filesystem::path copy = folder / std::filesystem::path(files[f]).filename();
            std::filesystem::remove(copy);
            std::filesystem::copy_file(files[f], copy);
            bool ok = false;
            seconds[f].push_back(insertRows(copy.string(), ok));
            if (!ok)
                return 1;
            std::filesystem::remove(copy);
        }
    std::printf("Customers, %d INSERT à clés de texte puis COMMIT, médiane de %d passes :\n", kRows, runs);
    const double first = kervane::banc::median(seconds[0]);
    for (std::size_t f = 0; f < files.size(); ++f) {
        const double m = kervane::banc::median(seconds[f]);
        std::printf("  %-40s %7.3f s  (rapport au premier %.2f)\n",
                    std::filesystem::path(files[f]).filename().c_str(), m, first > 0 ? m / first : 0);
    }
    return 0;
}
