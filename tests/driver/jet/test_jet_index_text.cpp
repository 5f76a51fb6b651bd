// Text index keys against the pages Jackcess wrote, the independent implementation the test
// tools are built on: a fresh Access 2000 file of French words, symbols, Greek, Cyrillic, kana
// and one row per character of several blocks, indexed ascending, descending and on two columns.
#include "JetIndexWalk.h"
#include "JetWriterSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace kervane::test;

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
