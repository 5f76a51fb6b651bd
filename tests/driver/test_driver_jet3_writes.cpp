// Rows of index-free tables of genuine Access 97 files changed through the driver: INSERT,
// UPDATE (in place, shortened, and grown on its own page) and DELETE in a transaction ended by
// SQLTransact, then the file read back by the driver on a new connection, by mdb-export and by
// jetcheck (Jackcess), whose checks must warn of nothing new. The table left alone keeps every
// byte; a rollback, a table in a relationship and a character the file's code page lacks leave
// the file as it was.
// Every file is a copy in the test's own folder.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetUsageMap.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kervane::test {
namespace {

std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Jet3WritesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent : le dossier des outils Jet manque";
        m_deleted = copyOf("jet/delTestV1997.mdb");
        m_queries = copyOf("jet/queryTestV1997.mdb");
        if (m_deleted.empty() || m_queries.empty())
            GTEST_SKIP() << "KERVANE_TEST_DATA absent : jet/delTestV1997.mdb et jet/queryTestV1997.mdb manquent";
    }

    static void manual(const Connexion& connexion)
    {
        ASSERT_EQ(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF), SQL_SUCCESS);
    }
    // jetcheck's rows of `table`, sorted, after its header line.
    static std::vector<std::string> dump(const std::string& file, const std::string& table)
    {
        int status = 0;
        const std::string out = runTool(jetToolsFolder() + "/jetcheck", {"dump", "--sorted", file, table}, status);
        EXPECT_EQ(status, 0) << out;
        const std::vector<std::string> lines = linesOf(out);
        return lines.size() < 2 ? lines : std::vector<std::string>(lines.begin() + 2, lines.end());
    }
    // jetcheck's warnings and failures (Jackcess reads Access 97 files with a few warnings of
    // its own): the same before and after the changes, and no failure.
    static std::vector<std::string> verdict(const std::string& file)
    {
        int status = 0;
        std::vector<std::string> kept;
        for (const std::string& line : linesOf(runTool(jetToolsFolder() + "/jetcheck", {"verify", file}, status)))
            if (line.starts_with("WARN") || line.starts_with("FAIL") || line.starts_with("RESULT: FAIL"))
                kept.push_back(line);
        EXPECT_EQ(status, 0);
        return kept;
    }
    static std::vector<std::string> exported(const std::string& file, const std::string& table)
    {
        int status = 0;
        std::vector<std::string> lines = linesOf(runTool("mdb-export", {"-H", file, table}, status));
        EXPECT_EQ(status, 0);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::string m_deleted;
    std::string m_queries;
};

// The definition page and the data pages of `table`, as the file holds them.
std::vector<std::vector<unsigned char>> pagesOfTable(const std::string& file, const std::string& table)
{
    std::string error;
    auto opened = jet::JetFile::open(file, error);
    EXPECT_NE(opened, nullptr) << error;
    const jet::JetTable* found = opened == nullptr ? nullptr : opened->table(table);
    if (found == nullptr)
        return {};
    MemoryPages pages(readBytes(file), 2048);
    jet::JetTableLayout layout;
    jet::JetUsageMap owned;
    EXPECT_TRUE(jet::readTableLayout(pages, found->definitionPage, layout, error)) << error;
    EXPECT_TRUE(jet::JetUsageMap::open(pages, layout.ownedPages, owned, error)) << error;
    std::vector<std::vector<unsigned char>> kept;
    kept.emplace_back(pages.read(found->definitionPage), pages.read(found->definitionPage) + 2048);
    for (std::uint32_t page : owned.pages())
        kept.emplace_back(pages.read(page), pages.read(page) + 2048);
    return kept;
}

TEST_F(Jet3WritesTest, CommittedChangesAreWhatEveryReaderFinds)
{
    const std::vector<std::string> warnings = verdict(m_deleted);
    ASSERT_TRUE(std::none_of(warnings.begin(), warnings.end(), [](const std::string& l) { return l.starts_with("FAIL"); }));
    const std::string full = std::string(50, 'x');
    const std::string grown = "une valeur bien plus longue que la première";
    {
        Session connexion(accessFile(m_deleted), false);
        manual(connexion);
        change(connexion, "INSERT INTO [Table] (a, b) VALUES ('élan', 'œuvre à 5 €')");
        change(connexion, "INSERT INTO [Table] (a, b) VALUES (NULL, 'seul')");
        change(connexion, "INSERT INTO [Table] (a, b) VALUES ('" + full + "', '" + full + "')");
        change(connexion, "INSERT INTO [Table] (a, b) VALUES ('éphémère', 'à effacer')");
        change(connexion, "UPDATE [Table] SET b = 'w' WHERE a = 'z'");               // same size: in place
        change(connexion, "UPDATE [Table] SET b = '" + grown + "' WHERE a = 'v'");  // grown in place
        change(connexion, "DELETE FROM [Table] WHERE a = 'éphémère'");
        change(connexion, "INSERT INTO [Table] (a, b) VALUES ('rétréci', '" + full + "')");
        change(connexion, "UPDATE [Table] SET b = 'court' WHERE a = 'rétréci'");  // shorter: padded in place
        EXPECT_EQ(select(connexion, "SELECT count(*) FROM [Table]"), (std::vector<Row>{{"6"}}));
        commit(connexion);
    }
    Session again(accessFile(m_deleted), false);
    std::vector<Row> rows = select(again, "SELECT a, b FROM [Table]");
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<Row>{{std::nullopt, "seul"}, {"rétréci", "court"}, {"v", grown}, {full, full}, {"z", "w"},
                                      {"élan", "œuvre à 5 €"}}));
    EXPECT_EQ(dump(m_deleted, "Table"), (std::vector<std::string>{"\\N\tseul", "rétréci\tcourt", "v\t" + grown,
                                                                  full + "\t" + full, "z\tw", "élan\tœuvre à 5 €"}));
    EXPECT_EQ(verdict(m_deleted), warnings);
    // The grown row stayed in its place, its page having room for it, and so did the shortened one.
    MemoryPages pages(readBytes(m_deleted), 2048);
    for (const std::string a : {"v", "rétréci", "z"}) {
        const std::vector<Row> found = select(again, "SELECT rowid FROM [Table] WHERE a = '" + a + "'");
        ASSERT_EQ(found.size(), 1u);
        const std::int64_t rowid = std::stoll(found[0][0].value());
        jet::datapage::Slot slot;
        ASSERT_TRUE(jet::datapage::slot(pages.read(static_cast<std::uint32_t>(rowid >> 8)), static_cast<int>(rowid & 0xff),
                                        slot, jet::jet3FileFormat()));
        EXPECT_FALSE(slot.moved) << a;
    }
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    EXPECT_EQ(exported(m_deleted, "Table"),
              (std::vector<std::string>{"\"rétréci\",\"court\"", "\"v\",\"" + grown + "\"",
                                        "\"" + full + "\",\"" + full + "\"", "\"z\",\"w\"", "\"élan\",\"œuvre à 5 €\"",
                                        ",\"seul\""}));
}

// Two tables of a file changed in one transaction, one of them emptied again; the third keeps
// every byte of its definition and pages.
TEST_F(Jet3WritesTest, TablesLeftAloneKeepEveryByte)
{
    const std::vector<std::string> warnings = verdict(m_queries);
    const auto untouched = pagesOfTable(m_queries, "Table3");
    ASSERT_FALSE(untouched.empty());
    const auto pagesBefore = static_cast<std::uint32_t>(readBytes(m_queries).size() / 2048);
    {
        Session connexion(accessFile(m_queries), false);
        manual(connexion);
        for (int i = 1; i <= 40; ++i)  // 40 rows of about 160 bytes: more than one 2 KB page
            change(connexion, "INSERT INTO Table1 (col1, col2, col3) VALUES ('ligne " + std::to_string(i) + "', '" +
                                  std::string(50, 'b') + "', '" + std::string(50, 'c') + "')");
        change(connexion, "INSERT INTO Table2 (col2) VALUES ('passager')");
        change(connexion, "DELETE FROM Table2");
        commit(connexion);
    }
    EXPECT_EQ(pagesOfTable(m_queries, "Table3"), untouched);
    // The pages added are taken out of the file's map of free pages (page 1, row 0), which
    // marks every page past the end of the file as free.
    MemoryPages after(readBytes(m_queries), 2048);
    ASSERT_GT(after.pageCount(), pagesBefore);
    jet::JetUsageMap freePages;
    std::string error;
    ASSERT_TRUE(jet::JetUsageMap::open(after, {1, 0}, freePages, error)) << error;
    for (std::uint32_t page = pagesBefore; page < after.pageCount(); ++page)
        EXPECT_FALSE(freePages.contains(page)) << page;
    EXPECT_TRUE(freePages.contains(after.pageCount()));
    const std::vector<std::string> rows = dump(m_queries, "Table1");
    ASSERT_EQ(rows.size(), 40u);
    EXPECT_EQ(rows.front(), "ligne 1\t" + std::string(50, 'b') + "\t" + std::string(50, 'c'));
    EXPECT_TRUE(dump(m_queries, "Table2").empty());
    EXPECT_EQ(verdict(m_queries), warnings);
    Session again(accessFile(m_queries), false);
    EXPECT_EQ(select(again, "SELECT count(*), count(DISTINCT col1) FROM Table1"), (std::vector<Row>{{"40", "40"}}));
}

TEST_F(Jet3WritesTest, RollbackAndRefusalsLeaveEveryByte)
{
    const std::string indexed = copyOf("jet/indexTestV1997.mdb");
    const std::string digest = fileDigest(m_deleted);
    {
        Session connexion(accessFile(m_deleted), false);
        manual(connexion);
        change(connexion, "INSERT INTO [Table] (a, b) VALUES ('annulé', 'aussi')");
        change(connexion, "DELETE FROM [Table] WHERE a = 'z'");
        ASSERT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
        EXPECT_EQ(fileDigest(m_deleted), digest);
        // Polish Ł and a CJK character have no byte in Windows-1252.
        for (const char* text : {"Łódź", "東京"}) {
            const Diagnostic refused =
                refusal(connexion, std::string("INSERT INTO [Table] (a, b) VALUES ('x', '") + text + "')");
            EXPECT_NE(refused.message.find("« b »"), std::string::npos) << refused.message;
            EXPECT_NE(refused.message.find("page de codes 1252"), std::string::npos) << refused.message;
        }
        ASSERT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
        EXPECT_EQ(fileDigest(m_deleted), digest);
    }
    if (indexed.empty())
        GTEST_SKIP() << "jet/indexTestV1997.mdb absent";
    const std::string before = fileDigest(indexed);
    Session connexion(accessFile(indexed), false);
    manual(connexion);
    // Table1 refers to Table2 and Table3 through relationships whose integrity Access enforces;
    // the one with Table3 cascades updates only, so a referenced row of Table3 cannot go.
    for (const char* sql : {"DELETE FROM Table3", "INSERT INTO Table1 (id, otherfk1) VALUES (99, 98)"}) {
        const Diagnostic refused = refusal(connexion, sql);
        EXPECT_TRUE(refused.message.find("relation avec intégrité référentielle") != std::string::npos ||
                    refused.message.find("font référence") != std::string::npos)
            << sql << " : " << refused.message;
    }
    commit(connexion);
    EXPECT_EQ(fileDigest(indexed), before);
}

}  // namespace
}  // namespace kervane::test
