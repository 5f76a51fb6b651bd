// Index pages of Jet 4 files: every index of the genuine test files is walked from its root,
// and each entry's key must be the one encoded here from the row it points at; every page read
// must be written back to the same bytes; damaged pages are refused.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/index/JetIndexText97.h"
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexPage.h"
#include "driver/jet/write/JetTableWriter.h"
#include "JetIndexWalk.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>

using namespace kervane;
using namespace kervane::test;

namespace {

using Bytes = std::vector<unsigned char>;

// Every index of the Jet 3 or Jet 4 files of the test data, walked; how many files there were.
std::size_t walkTestFiles(bool jet3, IndexTally& all)
{
    const std::string folder = testDataPath("jet");
    const std::vector<std::string> names = folder.empty() ? std::vector<std::string>() : jetFilesIn(folder, jet3);
    for (const std::string& name : names)
        all.add(checkFileIndexes(folder + "/" + name, name));
    return names.size();
}

// Every character (Jet 3: byte) Access put in a text key of the files walked has a known code.
void expectEveryKeyTextKnown(const IndexTally& all)
{
    EXPECT_EQ(all.unknownText, 0);
    for (char16_t c : all.unknown)
        ADD_FAILURE() << "caractère " << static_cast<int>(c) << " sans code";
}

}  // namespace

#define SKIP_WITHOUT_TEST_FILES(count)                                                             \
    if ((count) == 0)                                                                              \
    GTEST_SKIP() << "fichiers jet/*.mdb absents : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test"

// Every index of every Jet 4 file of the genuine test files: entries in strictly ascending
// order, one per row (rows whose key is all Null left out where the index ignores them), each
// key the encoding of the row it points at, texts included; each page read rewritten whole.
TEST(JetIndexPages, GenuineIndexesMatchTheirRows)
{
    IndexTally all;
    const std::size_t files = walkTestFiles(false, all);
    SKIP_WITHOUT_TEST_FILES(files);
    EXPECT_GE(files, 10u);
    EXPECT_GT(all.indexes, 0);
    EXPECT_GT(all.textKeys, 0);
    expectEveryKeyTextKnown(all);
}

// Every index of the Access 97 files (the Jet 3 test files and nwind): their 2 KB pages read
// and rewritten to the same bytes, each entry's key the one encoded from the row it points at,
// numbers, dates and texts (testIndexCodesV1997 holds every byte of Windows-1252 in ascending
// and descending text keys, those Windows-1252 leaves undefined and the sharp s among them):
// every byte met has a code.
TEST(JetIndexPages, GenuineAccess97IndexesMatchTheirRows)
{
    IndexTally all;
    const std::size_t files = walkTestFiles(true, all);
    SKIP_WITHOUT_TEST_FILES(files);
    if (!nwindPath().empty())
        all.add(checkFileIndexes(nwindPath(), "nwind.mdb"));
    EXPECT_GE(files, 5u);
    // compIndexTestV1997 alone has indexes of several levels on numbers.
    EXPECT_GE(all.indexes, 5);
    EXPECT_GT(all.textKeys, 0);
    EXPECT_GT(all.descendingTextKeys, 0);
    expectEveryKeyTextKnown(all);
    // Letters with accents, the euro sign, the Œ ligature, the sharp s and undefined bytes among
    // those verified.
    for (const int byte : {0xe9, 0xe8, 0xe7, 0xc0, 0x80, 0x8c, 0xdf, 0x61, 0x5a, 0x30, 0x20, 0x81, 0x9d})
        EXPECT_EQ(all.verified.count(static_cast<char16_t>(byte)), 1u) << "octet " << byte << " jamais vérifié";
}

// The same checks on nwind's tables copied sixteen times into an Access 2000 file by jetgen:
// trees of several levels (Orders, Order Details), dates with Nulls (ShippedDate), a key of
// two columns, entries sharing a prefix, names and addresses with accents and punctuation.
TEST(JetIndexPages, GrownNwindIndexesMatchTheirRows)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("nwind16.mdb").toStdString();
    if (!growNwind(path, 16))
        GTEST_SKIP() << "nwind.mdb, jetgen ou java absent : la copie agrandie de nwind ne peut pas être fabriquée";
    const IndexTally tally = checkFileIndexes(path, "nwind16.mdb");
    EXPECT_GE(tally.indexes, 8);
    EXPECT_GT(tally.textKeys, 0);
    expectEveryKeyTextKnown(tally);
    for (const char16_t c : {u'\'', u'-', u'é', u'ü', u'.'})
        EXPECT_EQ(tally.verified.count(c), 1u) << "caractère " << static_cast<int>(c) << " jamais vérifié";
}

namespace {

// The first leaf page of the file with several entries, the one with a prefix preferred.
Bytes genuineLeafPage(const Bytes& file)
{
    Bytes chosen;
    for (std::size_t at = 0; at + 4096 <= file.size(); at += 4096) {
        const unsigned char* page = file.data() + at;
        jet::JetIndexPageImage image;
        std::string error;
        if (page[0] != jet::kIndexLeafPage || !jet::readIndexPage(page, 4096, image, error) ||
            image.entries.size() < 3)
            continue;
        if (chosen.empty() || image.prefixLength > 0)
            chosen.assign(page, page + 4096);
        if (image.prefixLength > 0)
            break;
    }
    return chosen;
}

bool refused(const Bytes& page, std::size_t size)
{
    jet::JetIndexPageImage image;
    std::string error;
    const bool read = jet::readIndexPage(page.data(), size, image, error);
    EXPECT_TRUE(read || !error.empty());
    EXPECT_TRUE(read || image.entries.empty());
    return !read;
}

void mark(Bytes& page, int end, bool on)
{
    unsigned char& byte = page[static_cast<std::size_t>(jet::jet4FileFormat().indexBitmap + end / 8)];
    byte = static_cast<unsigned char>(on ? byte | (1u << (end % 8)) : byte & ~(1u << (end % 8)));
}

}  // namespace

// Damaged copies of a genuine leaf page are refused with a message, never read past the image:
// a prefix longer than the first entry, a bitmap missing its last mark or marking past the
// page, an entry shorter than its row pointer, an image cut short, a page of another kind.
TEST(JetIndexPages, DamagedPagesRefused)
{
    REQUIRE_FILE(path, "jet/compIndexTestV2000.mdb");
    const Bytes genuine = genuineLeafPage(readBytes(path));
    ASSERT_FALSE(genuine.empty());
    jet::JetIndexPageImage image;
    std::string error;
    ASSERT_TRUE(jet::readIndexPage(genuine.data(), genuine.size(), image, error)) << error;
    const int firstEnd = static_cast<int>(jet::indexEntryBytes(image.entries[0], true).size());
    const int lastEnd = static_cast<int>(4096 - jet::jet4FileFormat().indexFirstEntry() - image.freeSpace);
    const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
        {"préfixe plus long que la première entrée",
         [&](Bytes& p) { p[jet::jet4FileFormat().indexPrefixLength] = static_cast<unsigned char>(firstEnd + 1); }},
        {"dernière marque perdue", [&](Bytes& p) { mark(p, lastEnd, false); }},
        {"marque au-delà de la page", [&](Bytes& p) { mark(p, 4096 - jet::jet4FileFormat().indexFirstEntry() + 4, true); }},
        {"entrée de deux octets sans préfixe pour la compléter",
         [&](Bytes& p) {
             p[jet::jet4FileFormat().indexPrefixLength] = 0;
             mark(p, firstEnd + 2, true);
         }},
        {"marques au-delà de l'image coupée", [](Bytes& p) { p.resize(1000); }},
        {"en-tête seul", [](Bytes& p) { p.resize(100); }},
        {"page de données", [](Bytes& p) { p[0] = 0x01; }}};
    for (const auto& [what, damage] : damages) {
        Bytes page = genuine;
        damage(page);
        EXPECT_TRUE(refused(page, page.size())) << what;
    }
    MemoryPages onePage(genuine);
    jet::JetIndexPageImage outside;
    EXPECT_FALSE(jet::readIndexPage(onePage, 1, outside, error));
}

// Entries written with the prefix they share are read back the same; a prefix they do not
// share, or entries past the page's room, are refused with the page left as it was.
TEST(JetIndexPages, EntriesWrittenAndReadBack)
{
    jet::JetIndexPageImage image;
    image.leaf = false;
    image.owner = 7;
    image.previous = 40;
    image.next = 42;
    image.tail = 99;
    for (int i = 0; i < 20; ++i) {
        jet::JetIndexEntry entry;
        jet::appendKeyColumn(entry.key, jet::JetType::Long, false, stored<std::int32_t>(1000 + i).data());
        entry.row = {static_cast<std::uint32_t>(300 + i), i % 3};
        entry.child = static_cast<std::uint32_t>(500 + i);
        image.entries.push_back(entry);
    }
    image.prefixLength = jet::sharedPrefixLength(image.entries, false);
    EXPECT_EQ(image.prefixLength, 4);  // flag and the three high bytes of 1000..1019
    Bytes page(4096, 0);
    ASSERT_TRUE(jet::writeIndexPage(image, page.data(), page.size()));
    jet::JetIndexPageImage back;
    std::string error;
    ASSERT_TRUE(jet::readIndexPage(page.data(), page.size(), back, error)) << error;
    EXPECT_FALSE(back.leaf);
    EXPECT_EQ(back.entries, image.entries);
    EXPECT_EQ(std::make_tuple(back.owner, back.previous, back.next, back.tail, back.prefixLength),
              std::make_tuple(7u, 40u, 42u, 99u, 4));
    // Whole entries are 5 + 4 + 4 bytes; the first is stored whole, the others 4 bytes shorter.
    EXPECT_EQ(back.freeSpace, 4096 - 480 - (13 + 19 * 9));
    // A walk reads the same rows and children without the keys, also from a leaf whose entries
    // share their key and part of their row pointers, which the prefix then leaves out.
    const auto pointersOf = [](const jet::JetIndexPageImage& written, const Bytes& bytes) {
        jet::JetIndexPageImage header;
        jet::JetIndexPagePointers pointers;
        std::string why;
        EXPECT_TRUE(jet::readIndexPagePointers(bytes.data(), bytes.size(), header, pointers, why)) << why;
        std::vector<jet::JetIndexEntry> entries;
        for (std::size_t i = 0; i < pointers.count(); ++i)
            entries.push_back({written.entries.at(i).key, pointers.row(bytes.data(), i), pointers.child(bytes.data(), i)});
        return entries;
    };
    EXPECT_EQ(pointersOf(image, page), image.entries);
    jet::JetIndexPageImage alike = image;
    alike.leaf = true;
    for (jet::JetIndexEntry& entry : alike.entries) {
        entry.key = image.entries[0].key;
        entry.child = 0;
    }
    alike.prefixLength = jet::sharedPrefixLength(alike.entries, true);
    EXPECT_EQ(alike.prefixLength, 5 + 2);  // the key and two bytes of the pages 300..319
    Bytes leaf(4096, 0);
    ASSERT_TRUE(jet::writeIndexPage(alike, leaf.data(), leaf.size()));
    EXPECT_EQ(pointersOf(alike, leaf), alike.entries);
    const Bytes before = page;
    jet::JetIndexPageImage unshared = image;
    unshared.prefixLength = 5;
    EXPECT_FALSE(jet::writeIndexPage(unshared, page.data(), page.size()));
    jet::JetIndexPageImage crowded = image;
    crowded.prefixLength = 0;
    crowded.entries.resize(3616 / 13 + 1, image.entries[0]);
    EXPECT_FALSE(jet::indexEntriesFit(crowded.entries, false, 0, 4096));
    EXPECT_FALSE(jet::writeIndexPage(crowded, page.data(), page.size()));
    EXPECT_EQ(page, before);
    crowded.entries.resize(3616 / 13);
    EXPECT_TRUE(jet::indexEntriesFit(crowded.entries, false, 0, 4096));
    // Entries out of order are written (the writer's business) but refused when read.
    jet::JetIndexPageImage swapped = image;
    swapped.prefixLength = 0;
    std::swap(swapped.entries[3], swapped.entries[4]);
    ASSERT_TRUE(jet::writeIndexPage(swapped, page.data(), page.size()));
    EXPECT_FALSE(jet::readIndexPage(page.data(), page.size(), back, error));
    EXPECT_TRUE(back.entries.empty());
}

// Text index keys against the pages Jackcess wrote, the independent implementation the test
// tools are built on: a fresh Access 2000 file of French words, symbols, Greek, Cyrillic, kana
// and one row per character of several blocks, indexed ascending, descending and on two columns.
namespace {

class JackcessTextIndexes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_path = m_folder.filePath("mots.mdb").toStdString();
        std::string why;
        if (!makeJackcessFile("TextIndexTables.java", m_path, why))
            GTEST_SKIP() << why;
    }
    QTemporaryDir m_folder;
    std::string m_path;
};

// Lines of `jetcheck verify` saying an index's entries are in order and each the bytes Jackcess
// encodes from its row.
int indexesJetcheckAccepts(const std::string& path)
{
    int status = 0;
    std::istringstream out(runTool(jetToolsFolder() + "/jetcheck", {"verify", "--user-only", path}, status));
    int accepted = 0;
    for (std::string line; std::getline(out, line);)
        accepted += line.rfind("ok   index ", 0) == 0 && line.find(" entries on (") != std::string::npos;
    return accepted;
}

void expectVerified(const IndexTally& tally, char16_t first, char16_t last, const char* block)
{
    for (char32_t c = first; c <= last; ++c)
        EXPECT_EQ(tally.verified.count(static_cast<char16_t>(c)), 1u)
            << block << " : caractère " << static_cast<int>(c) << " jamais vérifié";
}

}  // namespace

// Every key computed here equals the entry Jackcess wrote, in the ascending, descending and
// two-column indexes of both tables; the characters met cover Latin-1, Latin Extended-A, the
// Greek and Cyrillic alphabets and the kana; the one row holding a character Access writes as
// nothing is refused in each of its three indexes.
TEST_F(JackcessTextIndexes, KeysEqualTheEntriesJackcessWrote)
{
    EXPECT_EQ(indexesJetcheckAccepts(m_path), 6);
    const IndexTally tally = checkFileIndexes(m_path, "mots.mdb");
    EXPECT_EQ(tally.indexes, 6);
    EXPECT_GT(tally.textKeys, 3 * 900);
    EXPECT_GT(tally.descendingTextKeys, 2 * 900);
    expectVerified(tally, 0x0001, 0x017f, "Latin-1 et Latin étendu A");
    expectVerified(tally, 0x03b1, 0x03c9, "grec");
    expectVerified(tally, 0x0391, 0x03a1, "grec");
    expectVerified(tally, 0x0410, 0x044f, "cyrillique");
    expectVerified(tally, 0x3041, 0x3094, "hiragana");
    expectVerified(tally, 0x30a1, 0x30f6, "katakana");
    expectVerified(tally, 0x2013, 0x2014, "tirets");
    expectVerified(tally, 0x2018, 0x201d, "guillemets");
    EXPECT_EQ(tally.verified.count(u'\u20ac'), 1u);
    EXPECT_EQ(tally.verified.count(u'\u0301'), 1u);
    EXPECT_EQ(tally.unknown.count(u'\u1f00'), 1u);
    for (char16_t c : tally.unknown)
        EXPECT_FALSE(c < 0x180) << "caractère " << static_cast<int>(c) << " sans code";
}

// Indexes of Access 97 tables kept by the writer: rows inserted, changed and removed in copies of
// genuine files, then every index walked from its root (each entry's key the one encoded from its
// row, entries in order and one per row, each page rewritten to the same bytes). A text whose key
// cannot be encoded is refused, the pages unchanged.
namespace {

using jet::JetFieldValue;

// A copy of an Access 97 file in memory, the writer of one of its tables open on it.
struct Access97Copy {
    QTemporaryDir folder;
    std::string path;
    std::unique_ptr<MemoryPages> pages;
    jet::JetTableWriter writer;
};

// Opens the writer of `table` on the file's pages in memory; false when the file is absent.
bool openCopy(const std::string& relative, const std::string& table, Access97Copy& copy)
{
    const std::string source = testDataPath(relative);
    if (source.empty())
        return false;
    std::string error;
    const auto file = jet::JetFile::open(source, error);
    const jet::JetTable* found = file ? file->table(table) : nullptr;
    EXPECT_NE(found, nullptr) << table << " : " << error;
    copy.path = copy.folder.filePath("copie.mdb").toStdString();
    copy.pages = std::make_unique<MemoryPages>(readBytes(source), 2048);
    EXPECT_TRUE(found && jet::JetTableWriter::open(*copy.pages, found->definitionPage, table, copy.writer, error)) << error;
    return true;
}

#define OPEN_COPY(copy, relative, table)                                                           \
    Access97Copy copy;                                                                             \
    if (!openCopy(relative, table, copy))                                                          \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test"; \
    ASSERT_FALSE(HasFailure());                                                                    \
    jet::JetTableWriter& writer = copy.writer

JetFieldValue whole(std::int64_t n)
{
    return JetFieldValue::of(n);
}

JetFieldValue text(const std::string& t)
{
    return JetFieldValue::of(t);
}

}  // namespace

// compIndexTestV1997's Table1: a descending index on a Long over two levels of pages. Rows with
// scattered keys split leaves in their middle; some are removed and others given new keys.
TEST(Jet3IndexWrites, ATwoLevelDescendingIndexStaysExact)
{
    OPEN_COPY(copy, "jet/compIndexTestV1997.mdb", "Table1");
    std::string error;
    std::vector<jet::JetRowId> added;
    for (int i = 0; i < 900; ++i) {
        jet::JetRowId where;
        ASSERT_TRUE(writer.insert({whole(-5000 + (i * 7919L) % 20011), text("agent " + std::to_string(i)), text("x")},
                                  where, error))
            << i << " : " << error;
        added.push_back(where);
    }
    for (std::size_t i = 0; i < added.size(); i += 3)
        ASSERT_TRUE(writer.remove(added[i], error)) << i << " : " << error;
    for (std::size_t i = 1; i < added.size(); i += 7) {
        if (i % 3 == 0)  // removed above
            continue;
        ASSERT_TRUE(writer.update(added[i], {whole(100000 + static_cast<std::int64_t>(i)), text("changé"), text("y")},
                                  error))
            << i << " : " << error;
    }
    writeBytes(copy.path, copy.pages->bytes());
    EXPECT_EQ(checkFileIndexes(copy.path, "compIndexTestV1997.mdb").indexes, 1);
}

// testV1997's Table3 is empty: its primary key and its index on the same Long grow from an empty
// leaf to two levels, then are emptied again.
TEST(Jet3IndexWrites, AnEmptyIndexGrowsAndEmptiesAgain)
{
    OPEN_COPY(copy, "jet/testV1997.mdb", "Table3");
    std::string error;
    std::vector<jet::JetRowId> added;
    for (int i = 0; i < 700; ++i) {
        jet::JetRowId where;
        ASSERT_TRUE(writer.insert({whole(1 + (i * 389) % 701), text("ligne " + std::to_string(i))}, where, error))
            << i << " : " << error;
        added.push_back(where);
    }
    writeBytes(copy.path, copy.pages->bytes());
    // Every index of the file, that of Table4 on a replication ID included.
    EXPECT_EQ(checkFileIndexes(copy.path, "testV1997.mdb").indexes, 10);
    for (const jet::JetRowId& where : added)
        ASSERT_TRUE(writer.remove(where, error)) << error;
    writeBytes(copy.path, copy.pages->bytes());
    EXPECT_EQ(checkFileIndexes(copy.path, "testV1997.mdb").indexes, 10);
}

// testIndexCodesV1997's Table11: an ascending and a descending index on a text column, and a
// primary key on its AutoNumber. Texts with accents, ligatures, the sharp s and capitals are
// added, some changed, some removed; a text holding NUL is keyed as Access 97 keys it (nwind.mdb's
// MSysModules2 holds "Lock" and a NUL, keyed 6d 72 62 6c 10), one Windows-1252 cannot write is
// refused.
TEST(Jet3IndexWrites, TextKeysInBothOrdersStayExact)
{
    OPEN_COPY(copy, "jet/testIndexCodesV1997.mdb", "Table11");
    std::string error;
    const std::vector<std::string> words{"Été", "été", "ETE", "Œuvre", "œuvre", "cœur", "Zoë", "naïve", "façade",
                                         "Ångström", "élan ", "a-b", "a b", "€ 5", "Ça", "ça", "", "ÿ", "Straße"};
    std::vector<jet::JetRowId> added;
    for (int round = 0; round < 30; ++round)
        for (const std::string& word : words) {
            jet::JetRowId where;
            ASSERT_TRUE(writer.insert({JetFieldValue::null(), text(word + std::to_string(round % 7))}, where, error))
                << word << " : " << error;
            added.push_back(where);
        }
    for (std::size_t i = 0; i < added.size(); i += 5)
        ASSERT_TRUE(writer.remove(added[i], error)) << error;
    for (std::size_t i = 2; i < added.size(); i += 5)
        ASSERT_TRUE(writer.update(added[i], {JetFieldValue::null(), text("Déjà vu " + std::to_string(i))}, error))
            << error;
    jet::JetRowId where;
    ASSERT_TRUE(writer.insert({JetFieldValue::null(), text(std::string("Lock\0", 5))}, where, error)) << error;
    std::vector<unsigned char> key;
    ASSERT_TRUE(jet::appendJet3TextKeyColumn(key, reinterpret_cast<const unsigned char*>("Lock\0"), 5, false));
    EXPECT_EQ(key, (std::vector<unsigned char>{0x7f, 0x6d, 0x72, 0x62, 0x6c, 0x10, 0x00}));
    const std::vector<unsigned char> before = copy.pages->bytes();
    EXPECT_FALSE(writer.insert({JetFieldValue::null(), text("ἀ")}, where, error));
    EXPECT_NE(error.find("Access 97"), std::string::npos) << error;
    EXPECT_EQ(copy.pages->bytes(), before);
    writeBytes(copy.path, copy.pages->bytes());
    const IndexTally tally = checkFileIndexes(copy.path, "testIndexCodesV1997.mdb");
    EXPECT_GT(tally.descendingTextKeys, 0);
    for (const int byte : {0xc9, 0xe9, 0x8c, 0x9c, 0xeb, 0xef, 0xe7, 0xc5, 0x80, 0xc7, 0xff, 0xdf})
        EXPECT_EQ(tally.verified.count(static_cast<char16_t>(byte)), 1u) << "octet " << byte;
}
