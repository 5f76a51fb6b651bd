// What COMPACT_DB costs on a genuine Access 2002-2003 file holding much deleted space: nwind grown
// by jetgen, then half its orders (and their lines) deleted through the driver.
//   jet_compact_bench GROWN.mdb [passes]
// (make GROWN.mdb with: ../shared/tools/jetcheck/jetgen grow nwind.mdb GROWN.mdb 16)
// Side by side in each pass: copying the file, reading every value of its four tables through the
// driver, and compacting it (SQLConfigDataSource, COMPACT_DB). Medians of the passes, wall clock;
// the file's size before and after.
#include "bench/JetBanc.h"

#include <odbcinst.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using kervane::banc::JetConnection;
using kervane::banc::readAll;
using kervane::banc::timed;

bool compact(const std::string& source, const std::string& destination)
{
    std::string attributes = "COMPACT_DB=\"" + source + "\" \"" + destination + "\"";
    attributes.append(2, '\0');
    if (SQLConfigDataSource(nullptr, ODBC_ADD_DSN, kervane::banc::jetDriver(0).c_str(), attributes.c_str()))
        return true;
    DWORD code = 0;
    char message[1024] = {};
    WORD length = 0;
    SQLInstallerError(1, &code, message, sizeof message, &length);
    std::fprintf(stderr, "COMPACT_DB refusé : %s\n", message);
    return false;
}

// Half the orders and their lines deleted, committed.
bool deleteHalf(const std::string& file)
{
    JetConnection connection(kervane::banc::jetDriver(0), file);
    return connection.connected() &&
           connection.run("DELETE FROM [Order Details] WHERE OrderID MOD 2 = 0", false) >= 0 &&
           connection.run("DELETE FROM Orders WHERE OrderID MOD 2 = 0", false) >= 0 && connection.commit();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : %s GROWN.mdb [passes]\n", argv[0]);
        return 2;
    }
    const int passes = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto folder = kervane::banc::prepareJetFolder("kervane-compact-bench", {KERVANE_DRIVER_LIBRARY});
    const std::string base = (folder / "base.mdb").string();
    std::filesystem::copy_file(argv[1], base);
    std::filesystem::permissions(base, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    if (!deleteHalf(base))
        return 1;
    std::vector<double> copying, reading, compacting;
    std::uintmax_t compacted = 0;
    bool ok = true;
    for (int pass = 0; pass < passes && ok; ++pass) {
        const std::string copy = (folder / "copie.mdb").string();
        const std::string target = (folder / "compactee.mdb").string();
        std::filesystem::remove(copy);
        std::filesystem::remove(target);
        copying.push_back(timed([&] { return std::filesystem::copy_file(base, copy); }, ok));
        reading.push_back(timed([&] {
            JetConnection connection(kervane::banc::jetDriver(0), base);
            bool read = connection.connected();
            for (const char* table : {"Customers", "Orders", "[Order Details]", "Products"})
                read = read && readAll(connection, std::string("SELECT * FROM ") + table);
            return read;
        }, ok));
        compacting.push_back(timed([&] { return compact(base, target); }, ok));
        compacted = ok ? std::filesystem::file_size(target) : 0;
    }
    if (!ok)
        return 1;
    const double copyTime = kervane::banc::median(copying);
    const double readTime = kervane::banc::median(reading);
    const double compactTime = kervane::banc::median(compacting);
    std::printf("fichier : %ju octets, compacté : %ju octets (%.0f %%)\n", std::filesystem::file_size(base), compacted,
                100.0 * static_cast<double>(compacted) / static_cast<double>(std::filesystem::file_size(base)));
    std::printf("copie %.3f s, lecture entière %.3f s, COMPACT_DB %.3f s (médianes de %d passes)\n", copyTime,
                readTime, compactTime, passes);
    std::printf("COMPACT_DB / copie = %.1f, COMPACT_DB / lecture entière = %.2f\n", compactTime / copyTime,
                compactTime / readTime);
    return 0;
}
