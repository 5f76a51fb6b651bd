// Opening Access files through the Jet reader: copies of nwind.mdb whose table properties are
// damaged (a chain of long-value rows that loops, a chunk or a property of length zero), and a
// genuine file of 5,000 tables made by jetgen. Prints the time of each opening and its answer.
// Usage: jet_bench NWIND.mdb [JETGEN]   (the files are made in a temporary folder)
#include "driver/jet/module/JetDatabase.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// nwind is Jet 3: 2 KB pages, row offsets after the row count at 0x08.
std::size_t rowAt(const Bytes& file, std::size_t page, unsigned row)
{
    const std::size_t slot = page * 2048 + 0x0a + 2 * row;
    return page * 2048 + ((file[slot] | file[slot + 1] << 8) & 0x1fff);
}

void putUInt32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

void write(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void timeOpening(const char* label, const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const bool opened = kervane::jet::attachJetDatabase(db, path, error);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-40s %9.1f ms  %s\n", label, ms, opened ? "ouvert" : error.c_str());
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : jet_bench NWIND.mdb [JETGEN]\n");
        return 2;
    }
    const auto folder = std::filesystem::temp_directory_path() / ("jet_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes nwind{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    timeOpening("nwind.mdb", argv[1]);

    // Orders' properties: rows 743/0 then 744/0; Products': 746/0 then 747/0; Shippers': 751/0.
    Bytes loop = nwind;
    putUInt32(loop, rowAt(loop, 743, 0), 743u << 8);
    write(folder / "boucle.mdb", loop);
    timeOpening("propriétés en boucle (Orders)", folder / "boucle.mdb");
    Bytes cycle = nwind;
    putUInt32(cycle, rowAt(cycle, 747, 0), 746u << 8);
    write(folder / "cycle.mdb", cycle);
    timeOpening("propriétés en cycle (Products)", folder / "cycle.mdb");
    Bytes empty = nwind;
    putUInt32(empty, rowAt(empty, 751, 0) + 4, 0);
    write(folder / "bloc_vide.mdb", empty);
    timeOpening("bloc de longueur nulle (Shippers)", folder / "bloc_vide.mdb");

    if (argc > 2) {
        const std::string big = (folder / "cinq_mille.mdb").string();
        const std::string command = std::string(argv[2]) + " tables '" + big + "' 5000 2>/dev/null >/dev/null";
        if (std::system(command.c_str()) == 0)
            timeOpening("5 000 tables (jetgen)", big);
        else
            std::printf("jetgen a échoué : pas de fichier de 5 000 tables\n");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
