// 10,000 rows written into an indexed table of a genuine Access 2002-2003 file: Order Details
// of nwind grown by jetgen (three indexes: OrderID, ProductID, and both as primary key).
//   jet_index_writes_bench GROWN.mdb [runs]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 1)
// Each run works on a fresh copy, in one transaction each:
//   - 10,000 INSERT statements (keys scattered over the index), then the commit;
//   - 10,000 UPDATE statements, each changing the ProductID key of one row found by its key;
//   - one UPDATE statement changing that key in the same 10,000 rows.
// Median of the runs, wall clock, each figure with its commit.
#include "bench/JetBanc.h"

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
using kervane::banc::JetConnection;
using kervane::banc::timed;
using kervane::banc::median;

long orderId(int i)
{
    return 20000 + (i * 7919L) % 100003;
}

struct Figures {
    double inserts = 0;
    double updates = 0;
    double oneUpdate = 0;
};

bool runOnce(const std::string& file, Figures& figures)
{
    JetConnection connection(kervane::banc::jetDriver(0), file);
    if (!connection.connected()) {
        std::fprintf(stderr, "connexion à %s impossible\n", file.c_str());
        return false;
    }
    bool ok = true;
    figures.inserts = timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (" +
                                std::to_string(orderId(i)) + ", 1, 1.5, 2, 0)") >= 0;
        return ok && connection.commit();
    }, ok);
    figures.updates = timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("UPDATE [Order Details] SET ProductID = 2 WHERE OrderID = " + std::to_string(orderId(i)) +
                                " AND ProductID = 1") >= 0;
        return ok && connection.commit();
    }, ok);
    figures.oneUpdate = timed([&] {
        return connection.run("UPDATE [Order Details] SET ProductID = 3 WHERE OrderID >= 20000") >= 0 && connection.commit();
    }, ok);
    return ok;
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
    const std::filesystem::path folder =
        kervane::banc::prepareJetFolder("kervane_jet_index_writes_bench", {KERVANE_DRIVER_LIBRARY});

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
