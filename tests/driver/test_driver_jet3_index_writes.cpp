// Indexed tables of genuine Access 97 files changed through the driver. After each commit
// jetcheck walks every index: its checks of order, entry count and rows yielded must pass, and it
// may warn only of what it warned of on the genuine file (Jackcess cannot look rows up through a
// Jet 3 tree of several levels), so that an entry whose bytes differ from the key it encodes
// fails. The driver and mdb-export count the same rows.
// Changes that cannot be written exactly (characters outside the code page, relationships) are
// refused, the file unchanged.
// Every file is a copy in the test's own folder.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace kervane::test {
namespace {

constexpr std::size_t kPageSize = 2048;

class Jet3IndexWritesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent (../shared/tools/jetcheck)";
    }

    // jetcheck's warnings with their row numbers and values left out: the kinds of warning.
    static std::set<std::string> warningKinds(const std::string& report)
    {
        std::set<std::string> kinds;
        std::istringstream in(report);
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("WARN"))
                continue;
            std::string kind;
            for (char c : line.substr(0, line.find('(')))
                if (std::isdigit(static_cast<unsigned char>(c)) == 0)
                    kind += c;
            kinds.insert(kind);
        }
        return kinds;
    }

    // Checks (a) and (b) of jetcheck pass, no failure, and no warning but of a kind the genuine
    // file already gave or of a row its lookups miss in a tree of several levels (check (c), which
    // Jackcess cannot make on Access 97 trees of several levels); `entries` is the line jetcheck
    // gives for the index walked.
    static void checkedByJetcheck(const std::string& file, const std::set<std::string>& genuineKinds,
                                  const std::string& entries)
    {
        const std::string report = verify(file);
        EXPECT_NE(report.find("RESULT: OK"), std::string::npos) << report;
        EXPECT_EQ(report.find("FAIL"), std::string::npos) << report;
        EXPECT_NE(report.find(entries), std::string::npos) << report;
        for (const std::string& kind : warningKinds(report)) {
            const bool lookup = kind.find("not found through index by its key") != std::string::npos ||
                                kind.find("more rows not found by key") != std::string::npos;
            EXPECT_TRUE(lookup || genuineKinds.count(kind) == 1) << kind;
        }
    }

    // The count of distinct keys the table definition on `page` keeps for its real index `index`
    // (after the definition's 43 bytes, 8 bytes per real index, the count at their fifth).
    static long long distinctCount(const std::string& file, std::uint32_t page, std::size_t index)
    {
        std::ifstream in(file, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t at = std::size_t{page} * kPageSize + 43 + 8 * index + 4;
        if (at + 4 > bytes.size())
            return -1;
        return static_cast<long long>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
    }
};

// compIndexTestV1997's Table1: 512 rows under a descending index on a Long column, two levels of
// pages. 900 rows are added with scattered keys (leaves split in their middle), then a range is
// removed and another range's keys changed.
TEST_F(Jet3IndexWritesTest, ATwoLevelDescendingIndexKeptThroughThousandsOfChanges)
{
    JET_COPY_OR_SKIP(file, "jet/compIndexTestV1997.mdb");
    const std::set<std::string> genuineKinds = warningKinds(verify(file));
    Session connexion(accessFile(file), false, false);
    for (int i = 0; i < 900; ++i)
        change(connexion, "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE, DC_AGENTE) VALUES (" +
                              std::to_string(-5000 + (i * 7919L) % 20011) + ", 'agent " + std::to_string(i) +
                              "', 'ajouté')");
    commit(connexion);
    const long long removed = number(connexion, "SELECT count(*) FROM Table1 WHERE CD_AGENTE BETWEEN 300 AND 2000");
    ASSERT_GT(removed, 0);
    change(connexion, "DELETE FROM Table1 WHERE CD_AGENTE BETWEEN 300 AND 2000");
    change(connexion, "UPDATE Table1 SET CD_AGENTE = CD_AGENTE + 100000 WHERE CD_AGENTE BETWEEN 5000 AND 9000");
    commit(connexion);

    const long long rows = 512 + 900 - removed;
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1"), rows);
    checkedByJetcheck(file, genuineKinds, "ok   index Table1.CD_AGENTE: " + std::to_string(rows) + " entries");
    EXPECT_EQ(distinctCount(file, 29, 0), number(connexion, "SELECT count(*) FROM (SELECT DISTINCT CD_AGENTE FROM Table1)"));
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exportedRows(file, "Table1"), rows);
}

// testV1997's Table3 is empty: its primary key and its index on the AutoNumber column grow from an
// empty leaf to trees of two levels. A key given twice is refused; most rows are then removed.
TEST_F(Jet3IndexWritesTest, AnEmptyPrimaryKeyGrowsAndEmptiesAgain)
{
    JET_COPY_OR_SKIP(file, "jet/testV1997.mdb");
    const std::set<std::string> genuineKinds = warningKinds(verify(file));
    Session connexion(accessFile(file), false, false);
    for (int i = 0; i < 700; ++i)
        change(connexion, "INSERT INTO Table3 (a, b) VALUES (" + std::to_string(1 + (i * 389) % 701) + ", 'ligne " +
                              std::to_string(i) + "')");
    commit(connexion);
    const std::string digest = fileDigest(file);
    expectRefused(connexion, "INSERT INTO Table3 (a, b) VALUES (390, 'double')",
                  "doublons dans la clé primaire (« a »)");
    commit(connexion);
    EXPECT_EQ(fileDigest(file), digest);

    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table3"), 700);
    EXPECT_EQ(select(connexion, "SELECT b FROM Table3 WHERE a = 390"), (std::vector<Row>{{"ligne 1"}}));
    checkedByJetcheck(file, genuineKinds, "ok   index Table3.PrimaryKey: 700 entries");
    EXPECT_EQ(distinctCount(file, 50, 0), 700);
    EXPECT_EQ(distinctCount(file, 50, 1), 700);

    change(connexion, "DELETE FROM Table3 WHERE a > 10");
    commit(connexion);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table3"), 10);
    checkedByJetcheck(file, genuineKinds, "ok   index Table3.PrimaryKey: 10 entries");
    EXPECT_EQ(distinctCount(file, 50, 0), 10);
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exportedRows(file, "Table3"), 10);
}

// testV1997's Table1: a primary key on the text A and an index on the text B, in the General
// sort order of Access 97. Texts with accents and ligatures are added, changed and removed; a key
// differing only by its case is a duplicate, as in Access.
TEST_F(Jet3IndexWritesTest, TextKeysKeptInTheAccess97SortOrder)
{
    JET_COPY_OR_SKIP(file, "jet/testV1997.mdb");
    const std::set<std::string> genuineKinds = warningKinds(verify(file));
    Session connexion(accessFile(file), false, false);
    const char* words[] = {"Été", "œuvre", "Zoë", "naïve", "façade", "Ångström", "€uro", "Straße", "a-b", "a b"};
    for (int i = 0; i < 300; ++i)
        change(connexion, "INSERT INTO Table1 (A, B, E) VALUES ('" + std::string(words[i % 10]) + " " +
                              std::to_string(i) + "', '" + std::string(words[(i * 7) % 10]) + "', " +
                              std::to_string(i) + ")");
    commit(connexion);
    const std::string digest = fileDigest(file);
    expectRefused(connexion, "INSERT INTO Table1 (A) VALUES ('ÉTÉ 0')", "doublons dans la clé primaire (« A »)");
    commit(connexion);
    EXPECT_EQ(fileDigest(file), digest);
    const long long removed = number(connexion, "SELECT count(*) FROM Table1 WHERE E < 100");
    ASSERT_GE(removed, 100);
    change(connexion, "DELETE FROM Table1 WHERE E < 100");
    change(connexion, "UPDATE Table1 SET B = 'Déjà vu', A = A & ' bis' WHERE E BETWEEN 200 AND 250");
    commit(connexion);

    const long long rows = 2 + 300 - removed;
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1"), rows);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Table1 WHERE B = 'Déjà vu'"), 51);
    checkedByJetcheck(file, genuineKinds, "ok   index Table1.PrimaryKey: " + std::to_string(rows) + " entries");
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exportedRows(file, "Table1"), rows);
}

// What cannot be written exactly is refused before anything is: a text key holding a character
// Windows-1252 lacks, tables in a relationship.
TEST_F(Jet3IndexWritesTest, ChangesTheIndexesCannotTakeAreRefusedUnchanged)
{
    struct Case {
        const char* file;
        const char* sql;
        const char* why;
    };
    const Case cases[] = {
        {"jet/testV1997.mdb", "UPDATE Table1 SET B = 'Łódź' WHERE A = 'a'", "page de codes 1252"},
        {"jet/testIndexCodesV1997.mdb", "INSERT INTO Table11 (data) VALUES ('東京')", "page de codes 1252"},
        // Relationships whose integrity Access enforces: a row referring to nothing, a referenced row.
        {"jet/indexTestV1997.mdb", "INSERT INTO Table1 (id, otherfk1) VALUES (99, 98)",
         "pas d'enregistrement correspondant"},
        // Customers to Orders cascades updates, not deletions.
        {"nwind.mdb", "DELETE FROM Customers WHERE CustomerID = 'VINET'", "font référence"},
    };
    for (const Case& c : cases) {
        JET_COPY_OR_SKIP(file, c.file);
        const std::string digest = fileDigest(file);
        Session connexion(accessFile(file), false, false);
        expectRefused(connexion, c.sql, c.why);
        commit(connexion);
        EXPECT_EQ(fileDigest(file), digest) << c.file;
    }
}

}  // namespace
}  // namespace kervane::test
