// Like and ALike: the documented pattern examples, the rules for character lists, the two
// wildcard sets, invalid patterns, and the kv_like / kv_alike functions on SQLite.
#include "FunctionTestSupport.h"

#include "driver/sql/Like.h"

#include <string>
#include <vector>

namespace kervane::sql {
namespace {

struct Example {
    const char* pattern;
    std::vector<std::string> matching;
    std::vector<std::string> notMatching;
};

void expectExamples(const std::vector<Example>& examples, LikeDialect dialect)
{
    for (const Example& example : examples) {
        const std::optional<LikePattern> pattern = LikePattern::compile(example.pattern, dialect);
        ASSERT_TRUE(pattern) << example.pattern;
        for (const std::string& value : example.matching)
            EXPECT_TRUE(pattern->matches(value)) << "'" << value << "' Like '" << example.pattern << "'";
        for (const std::string& value : example.notMatching)
            EXPECT_FALSE(pattern->matches(value)) << "'" << value << "' Like '" << example.pattern << "'";
    }
}

TEST(LikeAccess, DocumentedExamples)
{
    expectExamples({
                       {"a*a", {"aa", "aBa", "aBBBa"}, {"aBC"}},
                       {"*ab*", {"abc", "AABB", "Xab"}, {"aZb", "bac"}},
                       {"a[*]a", {"a*a"}, {"aaa"}},
                       {"ab*", {"abcdefg", "abc"}, {"cab", "aab"}},
                       {"a?a", {"aaa", "a3a", "aBa"}, {"aBBBa"}},
                       {"a#a", {"a0a", "a1a", "a2a"}, {"aaa", "a10a"}},
                       {"[a-z]", {"f", "p", "j"}, {"2", "&"}},
                       {"[!a-z]", {"9", "&", "%"}, {"b", "a"}},
                       {"[!0-9]", {"A", "a", "&", "~"}, {"0", "1", "9"}},
                       {"a[!b-m]#", {"An9", "az0", "a99"}, {"abc", "aj0"}},
                       {"B?T*", {"BAT123khg"}, {"CAT123khg"}},
                       {"a [*]b", {"a *b"}, {"a*b"}},
                       {"a [[]*", {"a [xyz"}, {"a xyz"}},
                       // Ranges follow the text order: accented letters sit after their base.
                       {"[A-E]", {"A", "a", "À", "à", "B", "b", "E", "e"}, {"Ê", "ê", "F"}},
                   },
                   LikeDialect::Access);
}

TEST(LikeAccess, CaseIsIgnoredAccentsAreNot)
{
    expectExamples({
                       {"[a-z]", {"F", "Z"}, {"ø"}},
                       {"dupont", {"DUPONT", "Dupont"}, {"dupönt", "dupont "}},
                       {"e", {"E"}, {"é"}},
                       {"é", {"É"}, {"e", "è"}},
                       {"?lectricit?", {"Électricité", "electricite"}, {"Électricités"}},
                       {"[é]t[!e]", {"été", "ÉTÉ"}, {"ete", "éte"}},
                       // Every cased script, not only Latin.
                       {"ДМИ*", {"Дмитрий", "дмитрий", "ДМИТРИЙ"}, {"Дима"}},
                       {"[а-я]*", {"Жук", "жук"}, {"Zurich", "Ωmega"}},
                       {"[!А-Я]", {"z", "ω"}, {"ж", "Ж"}},
                       {"ω?έγα", {"ΩΜΈΓΑ", "Ωμέγα"}, {"ΩΜΈΓΑΣ"}},
                       {"*σ", {"ΣΟΦΟΣ", "σοφος"}, {"σοφοι"}},
                   },
                   LikeDialect::Access);
}

TEST(LikeAccess, OdbcWildcardsWorkBesideJetOnes)
{
    expectExamples({
                       {"a%a", {"aa", "aBBBa"}, {"aBC"}},
                       {"a_a", {"aBa"}, {"aBBBa", "aa"}},
                       {"[%]AAA%", {"%AAAxyz", "%aaa"}, {"xAAAxyz"}},
                       {"a[_]b", {"a_b"}, {"axb"}},
                       {"*%*", {"", "x"}, {}},
                   },
                   LikeDialect::Access);
}

TEST(LikeAccess, CharacterListRules)
{
    expectExamples({
                       {"[-a]", {"-", "a", "A"}, {"b"}},
                       {"[a-]", {"-", "a"}, {"b"}},
                       {"[!-a]", {"b"}, {"-", "a"}},
                       {"a[]b", {"ab"}, {"axb", "a[]b"}},
                       {"!a", {"!a"}, {"ba", "a"}},
                       {"a]", {"a]"}, {"a"}},
                       {"[?#[]", {"?", "#", "["}, {"a", "1"}},
                       {"ab", {"ab", "AB"}, {"abc", "xab", ""}},
                       {"", {""}, {"a"}},
                   },
                   LikeDialect::Access);
}

TEST(LikeAccess, InvalidPatterns)
{
    for (const char* pattern : {"[Z-A]", "[z-a]", "a [*", "[a", "[", "x[!"})
        EXPECT_FALSE(LikePattern::compile(pattern, LikeDialect::Access)) << pattern;
    EXPECT_TRUE(LikePattern::compile("[A-z]", LikeDialect::Access));
}

TEST(LikeAnsi, OnlyPercentAndUnderscoreAreWildcards)
{
    expectExamples({
                       {"a%a", {"aa", "aBBBa"}, {"aBC"}},
                       {"a_a", {"aBa"}, {"aBBBa"}},
                       {"a*a", {"a*a", "A*A"}, {"aBa", "aa"}},
                       {"a?a", {"a?a"}, {"aBa"}},
                       {"a#a", {"a#a"}, {"a1a"}},
                       {"[a-c]%", {"Bx", "c"}, {"dx"}},
                   },
                   LikeDialect::Ansi);
}

TEST(LikeMatching, RepeatedRunsStayFast)
{
    const std::optional<LikePattern> pattern = LikePattern::compile("*a*a*a*a*a*a*a*a*a*a*b", LikeDialect::Access);
    ASSERT_TRUE(pattern);
    const std::string many(20000, 'a');
    EXPECT_FALSE(pattern->matches(many));
    EXPECT_TRUE(pattern->matches(many + "b"));
}

TEST(LikeMatching, InvalidUtf8IsReadByteByByte)
{
    const std::optional<LikePattern> pattern = LikePattern::compile("?t?", LikeDialect::Access);
    ASSERT_TRUE(pattern);
    EXPECT_TRUE(pattern->matches("\xE9t\xC3"));
    EXPECT_FALSE(pattern->matches("\xE9t\xC3\xA9\xA9"));
    const std::optional<LikePattern> broken = LikePattern::compile("\xC3*[\xE2\x82-\xFF]", LikeDialect::Access);
    ASSERT_TRUE(broken);
    EXPECT_FALSE(broken->matches("\xC3"));
}

using LikeSqlite = FunctionTest<registerLikeFunctions>;
using Rows = std::vector<std::string>;

TEST_F(LikeSqlite, TruthNullsAndNumbers)
{
    EXPECT_EQ(rows("SELECT kv_like('aBa', 'a*a')"), Rows{"1"});
    EXPECT_EQ(rows("SELECT kv_like('aBC', 'a*a')"), Rows{"0"});
    EXPECT_EQ(rows("SELECT kv_like(NULL, 'a*')"), Rows{"NULL"});
    EXPECT_EQ(rows("SELECT kv_like('a', NULL)"), Rows{"NULL"});
    EXPECT_EQ(rows("SELECT kv_alike(NULL, NULL)"), Rows{"NULL"});
    EXPECT_EQ(rows("SELECT kv_like(123, '1#3')"), Rows{"1"});
    EXPECT_EQ(rows("SELECT kv_alike('a*a', 'a*a')"), Rows{"1"});
    EXPECT_EQ(rows("SELECT kv_alike('aBa', 'a*a')"), Rows{"0"});
}

TEST_F(LikeSqlite, InvalidPatternIsError22025)
{
    EXPECT_EQ(rows("SELECT kv_like('x', '[Z-A]')"),
              Rows{"[22025]Le modèle « [Z-A] » de l'opérateur LIKE n'est pas valide."});
    EXPECT_EQ(rows("SELECT kv_alike('x', 'a [%')"),
              Rows{"[22025]Le modèle « a [% » de l'opérateur LIKE n'est pas valide."});
}

TEST_F(LikeSqlite, TableScansWithConstantAndPerRowPatterns)
{
    ASSERT_EQ(sqlite3_exec(m_db,
                           "CREATE TABLE t(v TEXT, p TEXT);"
                           "INSERT INTO t VALUES ('Dupont', 'd*'), ('dupont', '*T'), ('Durand', 'D?pont'),"
                           " ('Éric', '[!e]*'), ('eric', '[!e]*'), (NULL, '*')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(rows("SELECT v FROM t WHERE kv_like(v, 'dup*') ORDER BY rowid"), (Rows{"Dupont", "dupont"}));
    EXPECT_EQ(rows("SELECT v FROM t WHERE kv_like(v, p) ORDER BY rowid"), (Rows{"Dupont", "dupont", "Éric"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM t WHERE kv_like(v, '*') IS NULL"), Rows{"1"});
}

}  // namespace
}  // namespace kervane::sql
