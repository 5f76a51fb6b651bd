#include "JetDamageCase.h"
#include "JetTestSupport.h"

#include "driver/jet/module/JetDatabase.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>
#include <random>

using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Attaching must fail cleanly, leave the connection without tables and explain in French.
void expectRefused(const std::string& path, const std::string& expected)
{
    Connection db = memoryConnection();
    std::string error;
    EXPECT_FALSE(jet::attachJetDatabase(db.get(), path, error)) << path;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM sqlite_master"), "0");
}

// Attaches a damaged file and reads every value of every table; any failure must come
// back as a French refusal or an SQLite error, never a crash or a hang.
void readEverything(const std::string& path, int& refused, int& scanErrors)
{
    Connection db = memoryConnection();
    std::string error;
    // The stored queries are rebuilt too: a damaged MSysQueries must not crash it.
    std::vector<jet::StoredQuery> queries;
    jet::JetFile* file = nullptr;
    if (!jet::attachJetDatabase(db.get(), path, error, &queries, &file)) {
        ++refused;
        EXPECT_TRUE(startsWith(error, "Le fichier « ") || startsWith(error, "La table « ") ||
                    startsWith(error, "Les tables du fichier « "))
            << error;
        EXPECT_EQ(single(db.get(), "SELECT count(*) FROM sqlite_master"), "0");
        return;
    }
    std::vector<std::vector<std::string>> tables;
    ASSERT_TRUE(query(db.get(), "SELECT name, system FROM kervane_file_tables", tables, error));
    for (const auto& table : tables) {
        std::vector<std::vector<std::string>> rows;
        // A table is declared as a statement first names it: its definition is read then. A
        // system table SQLite cannot declare (odd column names) is left out.
        error = declarationRefusal(db.get(), *file, table[0]);
        if (!error.empty() && table[1] == "1")
            continue;
        if (!error.empty() || !query(db.get(), "SELECT * FROM \"" + table[0] + "\"", rows, error)) {
            ++scanErrors;
            EXPECT_NE(error.find("endommagée"), std::string::npos) << error;
        }
    }
}

}  // namespace

TEST(JetDamaged, FilesThatAreNotAccessDatabases)
{
    QTemporaryDir folder;
    const std::string base = folder.path().toStdString();
    expectRefused(base + "/absent.mdb", "est introuvable");
    writeBytes(base + "/vide.mdb", {});
    expectRefused(base + "/vide.mdb", "le fichier est vide");
    const std::string text = "Ceci est un simple fichier texte, pas une base.\n";
    writeBytes(base + "/texte.mdb", std::vector<unsigned char>(text.begin(), text.end()));
    expectRefused(base + "/texte.mdb", "n'est pas une base Access lisible");
    expectRefused(base, "n'est pas une base Access lisible");
    EXPECT_FALSE(jet::isJetFile(base + "/texte.mdb"));
    EXPECT_FALSE(jet::isJetFile(base + "/absent.mdb"));
}

TEST(JetDamaged, TruncatedCopiesOfNwind)
{
    REQUIRE_NWIND(nwind);
    QTemporaryDir folder;
    const auto bytes = readBytes(nwind);
    const std::string copy = folder.path().toStdString() + "/tronque.mdb";
    const std::size_t page = 2048;
    // Cut inside a page, after the first page or two, and at page boundaries further on.
    for (std::size_t size : {std::size_t{100}, page, 2 * page, 3 * page, 3 * page + 17, bytes.size() / 2 + 1}) {
        writeBytes(copy, std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
        expectRefused(copy, "n'est pas une base Access lisible");
    }
    int refused = 0;
    int scanErrors = 0;
    for (std::size_t pages : {std::size_t{8}, std::size_t{40}, bytes.size() / page / 2, bytes.size() / page - 3}) {
        writeBytes(copy, std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(pages * page)));
        readEverything(copy, refused, scanErrors);
    }
    EXPECT_GT(refused + scanErrors, 0);
}

// Copies of nwind with 1 to 12 bytes changed, in the first pages where the catalogue lies or
// anywhere: every one is read whole through the driver. KERVANE_JET_FUZZ=n reads n copies (120
// by default).
TEST(JetDamaged, BitFlippedCopiesOfNwind)
{
    REQUIRE_NWIND(nwind);
    QTemporaryDir folder;
    const std::size_t page = 2048;
    const int copies = std::getenv("KERVANE_JET_FUZZ") ? std::atoi(std::getenv("KERVANE_JET_FUZZ")) : 120;
    const Damager flips{2, [](int k) { return k == 0 ? "octets du catalogue" : "octets du fichier"; },
                        [page](std::vector<unsigned char>& bytes, int k, std::mt19937& random, std::string& what) {
                            const std::size_t limit = k == 0 ? 24 * page : bytes.size();
                            const int count = 1 + static_cast<int>(random() % 12);
                            for (int f = 0; f < count; ++f) {
                                const std::size_t at = page + random() % (limit - page);
                                bytes[at] = static_cast<unsigned char>(random());
                                what += " " + std::to_string(at);
                            }
                            return true;
                        }};
    int refused = 0;
    int scanErrors = 0;
    DamageRun run{.jetcheck = {.fewest = 0, .perRound = 0}};
    run.run(folder.path().toStdString(), "nwind.mdb", readBytes(nwind), flips, 20240611, (copies + 1) / 2,
            [&](const std::string& path, std::mt19937&, const std::string& label) {
                SCOPED_TRACE(label);
                const int before = refused + scanErrors;
                readEverything(path, refused, scanErrors);
                return refused + scanErrors == before ? 1 : 0;
            });
    std::cout << refused << " copies refusées, " << scanErrors << " lectures en erreur\n";
    EXPECT_GT(refused + scanErrors, 0);
}
