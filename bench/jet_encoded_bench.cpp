// An encoded or encrypted Access file against the same file deciphered, side by side: a table
// made, 10,000 rows inserted into it then committed, and the whole table read back ten times (a
// sequential scan of every page).
//   jet_encoded_bench FILE [--password P] [--runs N]
// (the test data's crypt/db-enc.mdb or crypt/db97-enc.mdb, or an encrypted .accdb with its
// password: crypt/db2007-enc.accdb Test123). The deciphered twin is made here: every page
// deciphered, the key taken out of the header. Median of the runs, wall clock, and the protected
// file's ratio to its twin.
#include "bench/JetBanc.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetVersion.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10000;
using kervane::banc::JetConnection;

// The file deciphered page by page, its header's key set to zero (under the header's mask).
bool writeDecipheredTwin(const std::string& encoded, const std::string& password, const std::string& twin)
{
    std::ifstream in(encoded, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto version = kervane::jet::accessVersionOf(bytes.data(), bytes.size());
    if (!version || bytes.size() < 0x100)
        return false;
    const std::size_t pageSize = kervane::jet::pageSizeOf(*version);
    const bool jet3 = *version == kervane::jet::AccessVersion::Jet3;
    kervane::jet::JetPageCipher cipher = kervane::jet::JetPageCipher::ofHeader(bytes.data(), bytes.size());
    if (kervane::jet::isAce(*version) &&
        kervane::jet::JetPageCipher::ofEncryptedHeader(bytes.data(), std::min(bytes.size(), pageSize), password,
                                                       cipher) != kervane::jet::OfficeOpening::Opened)
        return false;
    for (std::size_t page = 1; page * pageSize < bytes.size(); ++page)
        cipher.decipher(static_cast<std::uint32_t>(page), bytes.data() + page * pageSize, pageSize);
    kervane::jet::maskHeader(bytes.data(), jet3);
    std::fill(bytes.begin() + 0x3e, bytes.begin() + 0x42, 0);
    kervane::jet::maskHeader(bytes.data(), jet3);
    std::ofstream out(twin, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

struct Times {
    std::vector<double> insert;
    std::vector<double> read;
};

bool measure(const std::string& file, const std::string& password, Times& times)
{
    JetConnection connection(kervane::banc::jetDriver(0), file, password.empty() ? "" : "PWD=" + password);
    bool ok = connection.connected() && connection.run("CREATE TABLE Banc (n LONG, t TEXT(60))") >= 0 &&
              connection.commit();
    times.insert.push_back(kervane::banc::timed([&] {
        for (int i = 0; i < kRows && ok; ++i)
            ok = connection.run("INSERT INTO Banc (n, t) VALUES (" + std::to_string(i) +
                                ", 'this is the value of col1 " + std::to_string(i) + "')") >= 0;
        return ok && connection.commit();
    }, ok));
    times.read.push_back(kervane::banc::timed([&] {
        for (int pass = 0; pass < 10 && ok; ++pass)
            ok = kervane::banc::readAll(connection, "SELECT n, t FROM Banc");
        return ok;
    }, ok));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string encoded;
    std::string password;
    int runs = 5;
    for (int a = 1; a < argc; ++a) {
        if (std::string(argv[a]) == "--runs" && a + 1 < argc)
            runs = std::max(1, std::atoi(argv[++a]));
        else if (std::string(argv[a]) == "--password" && a + 1 < argc)
            password = argv[++a];
        else
            encoded = std::filesystem::absolute(argv[a]).string();
    }
    if (encoded.empty()) {
        std::fprintf(stderr, "usage : %s BASE_CODEE_OU_CHIFFREE [--password MOT] [--runs N]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder =
        kervane::banc::prepareJetFolder("kervane_jet_encoded_bench", {KERVANE_DRIVER_LIBRARY});
    const std::string extension = std::filesystem::path(encoded).extension().string();
    const std::filesystem::path twin = folder / ("dechiffree" + extension);
    if (!writeDecipheredTwin(encoded, password, twin.string())) {
        std::fprintf(stderr, "%s : ce n'est pas une base Access codée ou chiffrée, ou le mot de passe n'est pas le bon\n",
                     encoded.c_str());
        return 1;
    }
    Times times[2];
    const std::string sources[2] = {encoded, twin.string()};
    for (int run = 0; run < runs; ++run)
        for (int f = 0; f < 2; ++f) {
            const std::filesystem::path copy = folder / ("copie-" + std::to_string(f) + extension);
            std::filesystem::remove(copy);
            std::filesystem::copy_file(sources[f], copy);
            std::filesystem::permissions(copy, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
            if (!measure(copy.string(), f == 0 ? password : std::string(), times[f]))
                return 1;
            std::filesystem::remove(copy);
        }
    using kervane::banc::median;
    std::printf("Banc, %d INSERT puis COMMIT, puis 10 lectures de la table, médiane de %d passes :\n", kRows, runs);
    std::printf("  %-12s %8s %8s\n", "", "insertion", "lecture");
    std::printf("  %-12s %7.3f s %7.3f s\n", password.empty() ? "codée" : "chiffrée", median(times[0].insert), median(times[0].read));
    std::printf("  %-12s %7.3f s %7.3f s\n", "déchiffrée", median(times[1].insert), median(times[1].read));
    std::printf("  %-12s %8.2f %8.2f\n", "rapport", median(times[0].insert) / median(times[1].insert),
                median(times[0].read) / median(times[1].read));
    return 0;
}
