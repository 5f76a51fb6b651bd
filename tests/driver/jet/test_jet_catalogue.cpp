#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetProbe.h"
#include "driver/jet/file/JetKnownCatalogues.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetReadOnlyPages.h"
#include "driver/jet/schema/JetCatalogueListing.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <tuple>

using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

using Bytes = std::vector<unsigned char>;

// nwind.mdb is a Jet 3 file: 2 KB pages, the row count at 0x08 and the row offsets after it
// (13 bits each, row 0 ending at the end of the page).
constexpr std::size_t kPage = 2048;
constexpr std::size_t kRowCount = 0x08;

unsigned uint16At(const Bytes& bytes, std::size_t at)
{
    return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t uint32At(const Bytes& bytes, std::size_t at)
{
    return uint16At(bytes, at) | static_cast<std::uint32_t>(uint16At(bytes, at + 2)) << 16;
}

void putUInt32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::size_t rowAt(const Bytes& file, std::uint32_t page, unsigned row)
{
    return page * kPage + (uint16At(file, page * kPage + kRowCount + 2 + 2 * row) & 0x1fff);
}

// Size of row 0 of `page`, which ends where the page ends.
std::size_t firstRowSize(const Bytes& file, std::uint32_t page)
{
    return (page + 1) * kPage - rowAt(file, page, 0);
}

// The properties of nwind's tables, where mdbtools' reader finds them from MSysObjects:
// Orders on a chain of two long-value rows from row 0 of page 743 to row 0 of page 744,
// Products from row 0 of page 746 to row 0 of page 747, Shippers whole in row 0 of page 751.
// Each row of a chain starts with the pointer to the next (page << 8 | row); the value is a
// "KKD" blob of chunks, each with a 32-bit length and a 16-bit type (0x80 names, then values).
struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
    std::string expected;  // after "Le fichier « copy » est endommagé : les propriétés de la table "
};

// Offset in the file of the first chunk of Shippers' properties of type `type`.
std::size_t shippersChunk(const Bytes& file, unsigned type)
{
    const std::size_t blob = rowAt(file, 751, 0);
    std::size_t at = 4;
    while (uint16At(file, blob + at + 4) != type)
        at += uint32At(file, blob + at);
    return blob + at;
}

// Offset in the file of the first chunk of Orders' properties that starts in its second row.
std::size_t ordersChunkInSecondRow(const Bytes& file)
{
    const std::size_t first = rowAt(file, 743, 0);
    const std::size_t second = rowAt(file, 744, 0);
    Bytes blob(file.begin() + static_cast<long>(first + 4), file.begin() + static_cast<long>(first + firstRowSize(file, 743)));
    const std::size_t inFirst = blob.size();
    blob.insert(blob.end(), file.begin() + static_cast<long>(second + 4),
                file.begin() + static_cast<long>(second + firstRowSize(file, 744)));
    std::size_t at = 4;
    while (at < inFirst)
        at += uint32At(blob, at);
    return second + 4 + (at - inFirst);
}

const std::vector<Damage>& damages()
{
    static const std::vector<Damage> list = {
        {"la chaîne d'Orders revient sur sa première ligne",
         [](Bytes& f) { putUInt32(f, rowAt(f, 743, 0), 743u << 8); },
         "« Orders » forment une boucle (page 743, ligne 0)"},
        {"la deuxième ligne de Products renvoie à la première",
         [](Bytes& f) { putUInt32(f, rowAt(f, 747, 0), 746u << 8); },
         "« Products » forment une boucle (page 746, ligne 0)"},
        {"un bloc de longueur nulle dans Shippers",
         [](Bytes& f) { putUInt32(f, shippersChunk(f, 0x80), 0); },
         "« Shippers » sont incohérentes (page 751, ligne 0)"},
        {"une propriété de longueur nulle dans Shippers",
         [](Bytes& f) {
             const std::size_t block = shippersChunk(f, 0x00) + 6;
             const std::size_t entry = block + 6 + uint16At(f, block + 4);
             f[entry] = f[entry + 1] = 0;
         },
         "« Shippers » sont incohérentes (page 751, ligne 0)"},
        {"un nom plus long que son bloc dans Shippers",
         [](Bytes& f) {
             const std::size_t name = shippersChunk(f, 0x80) + 6;
             f[name] = f[name + 1] = 0xff;
         },
         "« Shippers » sont incohérentes (page 751, ligne 0)"},
        {"un bloc de longueur nulle dans la deuxième ligne d'Orders",
         [](Bytes& f) { putUInt32(f, ordersChunkInSecondRow(f), 0); },
         "« Orders » sont incohérentes (page 744, ligne 0)"},
    };
    return list;
}

}  // namespace

TEST(JetCatalogue, DamagedPropertiesRefusedWithThePlaceOfTheDamage)
{
    REQUIRE_NWIND(nwind);
    QTemporaryDir folder;
    const Bytes original = readBytes(nwind);
    for (const Damage& damage : damages()) {
        SCOPED_TRACE(damage.what);
        Bytes bytes = original;
        damage.apply(bytes);
        ASSERT_NE(bytes, original);
        const std::string copy = folder.path().toStdString() + "/abime.mdb";
        writeBytes(copy, bytes);
        Connection db = memoryConnection();
        std::string error;
        EXPECT_FALSE(jet::attachJetDatabase(db.get(), copy, error));
        EXPECT_EQ(error, "Le fichier « " + copy + " » est endommagé : les propriétés de la table " + damage.expected + ".");
        EXPECT_EQ(single(db.get(), "SELECT count(*) FROM sqlite_master"), "0");
    }
}

namespace {

// Expected cells of table i, row r, as jetgen documents them: Name "Tnnnn row r",
// Amount i*10+r, Created 2000-01-01 plus i days and r hours.
std::vector<std::string> generatedRow(int table, int row)
{
    using namespace std::chrono;
    const year_month_day day{sys_days{year{2000} / January / 1} + days{table}};
    char name[32];
    char created[32];
    std::snprintf(name, sizeof name, "T%04d row %d", table, row);
    std::snprintf(created, sizeof created, "%04d-%02u-%02u %02d:00:00", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()), row);
    return {std::to_string(row), name, std::to_string(table * 10 + row), created};
}

}  // namespace

TEST(JetCatalogue, FileOfFiveThousandTablesOpensWhole)
{
    if (jetgenProgram().empty())
        GTEST_SKIP() << "jetgen ou java absent : le fichier de 5 000 tables ne peut pas être fabriqué";
    QTemporaryDir folder;
    const std::string path = folder.filePath("cinq_mille.mdb").toStdString();
    int status = 0;
    runTool(jetgenProgram(), {"tables", path, "5000"}, status);
    ASSERT_EQ(status, 0) << "jetgen n'a pas fait le fichier de 5 000 tables";
    Connection db = attached(path);
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM sqlite_master WHERE name GLOB 'T[0-9][0-9][0-9][0-9]'"), "5000");
    for (int table : {1, 7, 2500, 5000}) {
        char name[8];
        std::snprintf(name, sizeof name, "T%04d", table);
        SCOPED_TRACE(name);
        EXPECT_EQ(rowsOf(db.get(), std::string("SELECT ID, Name, Amount, Created FROM ") + name + " ORDER BY ID"),
                  (std::vector<std::vector<std::string>>{generatedRow(table, 1), generatedRow(table, 2),
                                                         generatedRow(table, 3)}));
    }
}

// An unchanged file opened again is not probed nor its catalogue read again: what the first
// opening read is used. A file changed a moment ago is always probed, whatever its times say.
TEST(JetCatalogue, CatalogueReusedForAnUnchangedFileOnly)
{
    REQUIRE_NWIND(nwind);
    const auto identity = jet::identify(nwind);
    ASSERT_TRUE(identity.has_value());
    std::string error;
    const auto file = jet::JetFile::open(nwind, error);
    ASSERT_NE(file, nullptr) << error;
    // A catalogue holding Shippers alone stands for what an earlier opening of nwind read.
    jet::Catalogue shippersOnly;
    for (const jet::CatalogueObject& object : file->catalogue()) {
        if (object.name == "Shippers")
            shippersOnly.push_back(object);
    }
    ASSERT_EQ(shippersOnly.size(), 1u);
    const std::string sample = "SELECT * FROM Shippers ORDER BY ShipperID";
    const auto shippers = rowsOf(attached(nwind).get(), sample);
    jet::rememberCatalogue(*identity, shippersOnly);
    {
        Connection db = attached(nwind);
        EXPECT_EQ(single(db.get(), "SELECT group_concat(name) FROM sqlite_master"), "Shippers");
        EXPECT_EQ(rowsOf(db.get(), sample), shippers);
    }
    jet::FileIdentity other = *identity;
    other.changed += 1;
    EXPECT_FALSE(jet::knownCatalogue(other).has_value());
    jet::rememberCatalogue(*identity, file->catalogue());

    // A sound copy, then a damaged one of the same size at the same place at once after it.
    QTemporaryDir folder;
    const std::string copy = folder.path().toStdString() + "/copie.mdb";
    const Bytes original = readBytes(nwind);
    writeBytes(copy, original);
    EXPECT_EQ(single(attached(copy).get(), "SELECT count(*) FROM sqlite_master WHERE name = 'Orders'"), "1");
    Bytes damaged = original;
    damages().front().apply(damaged);
    writeBytes(copy, damaged);
    Connection db = memoryConnection();
    EXPECT_FALSE(jet::attachJetDatabase(db.get(), copy, error));
    EXPECT_NE(error.find(damages().front().expected), std::string::npos) << error;
}

// The probe's child sends back the catalogue it walked, whole: accented names, system flags
// (the sign bit of a long), query objects; the opening uses it instead of walking it again.
TEST(JetCatalogue, ProbeSendsBackTheCatalogueItWalked)
{
    REQUIRE_NWIND(nwind);
    std::string error;
    const auto file = jet::JetFile::open(nwind, error);
    ASSERT_NE(file, nullptr) << error;
    std::optional<jet::Catalogue> sent;
    jet::EndingProbe ending;
    ASSERT_TRUE(jet::probeOpening(nwind, sent, ending, error)) << error;
    ASSERT_TRUE(sent.has_value());
    ASSERT_EQ(sent->size(), file->catalogue().size());
    bool accented = false;
    bool flagged = false;
    bool query = false;
    for (std::size_t i = 0; i < sent->size(); ++i) {
        const jet::CatalogueObject& got = (*sent)[i];
        const jet::CatalogueObject& read = file->catalogue()[i];
        EXPECT_EQ(std::tie(got.name, got.id, got.type, got.flags), std::tie(read.name, read.id, read.type, read.flags));
        accented = accented || got.name == "Umsätze";
        flagged = flagged || got.flags < 0;
        query = query || got.type == jet::kQueryObject;
    }
    EXPECT_TRUE(accented && flagged && query);
    // A file the child refuses cleanly comes back without a catalogue: the caller says why.
    QTemporaryDir folder;
    const std::string text = folder.path().toStdString() + "/texte.mdb";
    writeBytes(text, Bytes(4096, 'x'));
    jet::EndingProbe refusing;
    EXPECT_TRUE(jet::probeOpening(text, sent, refusing, error));
    EXPECT_FALSE(sent.has_value());
}

// The driver lists the catalogue with its own code and probes libmdb's walk of it only when
// that code cannot vouch for it: on every genuine file, it must list what libmdb reads, the
// tables' properties and the pages they lie on included.
TEST(JetCatalogue, OwnListingGivesWhatLibmdbReads)
{
    REQUIRE_NWIND(nwind);
    std::vector<std::string> files{nwind};
    for (const char* folder : {"jet", "ace", "crypt"})
        if (const std::string path = testDataPath(folder); !path.empty())
            for (const auto& entry : std::filesystem::directory_iterator(path))
                files.push_back(entry.path().string());
    int compared = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::string error;
        const auto file = jet::JetFile::open(path, error);
        if (!file)
            continue;  // a file that needs its password
        jet::ReadOnlyPages pages(*file);
        const std::optional<jet::Catalogue> listed = jet::listCatalogue(pages);
        ASSERT_TRUE(listed.has_value());
        ASSERT_EQ(listed->size(), file->catalogue().size());
        for (std::size_t i = 0; i < listed->size(); ++i) {
            const jet::CatalogueObject& got = (*listed)[i];
            const jet::CatalogueObject& read = file->catalogue()[i];
            EXPECT_EQ(std::tie(got.name, got.id, got.type, got.flags, got.propertyPages),
                      std::tie(read.name, read.id, read.type, read.flags, read.propertyPages));
            // A table's properties, read alone when its calculated columns need them.
            if (read.type != jet::kTableObject)
                continue;
            std::vector<unsigned char> properties;
            ASSERT_TRUE(jet::tablePropertyBytes(*file, jet::definitionPageOf(read), properties, error)) << error;
            EXPECT_EQ(jet::listedTableProperties(pages, jet::definitionPageOf(read)), properties) << read.name;
        }
        ++compared;
    }
    EXPECT_GE(compared, 50);
}
