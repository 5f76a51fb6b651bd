// Like and ALike: the documented pattern examples, the rules for character lists, the two
// wildcard sets, invalid patterns, and the kv_like / kv_alike functions on SQLite.
#include "FunctionTestSupport.h"

#include <string>
#include <vector>

namespace kervane::sql {
namespace {

struct Example {
    const char* pattern;
    std::vector<std::string> matching;
    std::vector<std::string> notMatching;
};

void expectExamples(LikeDialect dialect, const std::vector<Example>& examples)
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

TEST(LikeAccess, PatternsCaseAndWildcards)
{
    expectExamples(LikeDialect::Access, {
        {"a*a", {"aa", "aBa", "aBBBa"}, {"aBC"}}, {"*ab*", {"abc", "AABB", "Xab"}, {"aZb", "bac"}},
        {"a[*]a", {"a*a"}, {"aaa"}}, {"ab*", {"abcdefg", "abc"}, {"cab", "aab"}},
        {"a?a", {"aaa", "a3a", "aBa"}, {"aBBBa"}}, {"a#a", {"a0a", "a1a", "a2a"}, {"aaa", "a10a"}},
        {"[a-z]", {"f", "p", "j"}, {"2", "&"}}, {"[!a-z]", {"9", "&", "%"}, {"b", "a"}},
        {"[!0-9]", {"A", "a", "&", "~"}, {"0", "1", "9"}}, {"a[!b-m]#", {"An9", "az0", "a99"}, {"abc", "aj0"}},
        {"B?T*", {"BAT123khg"}, {"CAT123khg"}}, {"a [*]b", {"a *b"}, {"a*b"}}, {"a [[]*", {"a [xyz"}, {"a xyz"}},
        // Ranges follow the text order: accented letters sit after their base.
        {"[A-E]", {"A", "a", "À", "à", "B", "b", "E", "e"}, {"Ê", "ê", "F"}},
        // Case is ignored, accents are not.
        {"[a-z]", {"F", "Z"}, {"ø"}}, {"dupont", {"DUPONT", "Dupont"}, {"dupönt", "dupont "}}, {"e", {"E"}, {"é"}},
        {"é", {"É"}, {"e", "è"}}, {"?lectricit?", {"Électricité", "electricite"}, {"Électricités"}},
        {"[é]t[!e]", {"été", "ÉTÉ"}, {"ete", "éte"}},
        // Every cased script, not only Latin.
        {"ДМИ*", {"Дмитрий", "дмитрий", "ДМИТРИЙ"}, {"Дима"}}, {"[а-я]*", {"Жук", "жук"}, {"Zurich", "Ωmega"}},
        {"[!А-Я]", {"z", "ω"}, {"ж", "Ж"}}, {"ω?έγα", {"ΩΜΈΓΑ", "Ωμέγα"}, {"ΩΜΈΓΑΣ"}},
        {"*σ", {"ΣΟΦΟΣ", "σοφος"}, {"σοφοι"}},
        // ODBC wildcards work beside Jet's.
        {"a%a", {"aa", "aBBBa"}, {"aBC"}}, {"a_a", {"aBa"}, {"aBBBa", "aa"}},
        {"[%]AAA%", {"%AAAxyz", "%aaa"}, {"xAAAxyz"}}, {"a[_]b", {"a_b"}, {"axb"}}, {"*%*", {"", "x"}, {}},
        // Character lists.
        {"[-a]", {"-", "a", "A"}, {"b"}}, {"[a-]", {"-", "a"}, {"b"}}, {"[!-a]", {"b"}, {"-", "a"}},
        {"a[]b", {"ab"}, {"axb", "a[]b"}}, {"!a", {"!a"}, {"ba", "a"}}, {"a]", {"a]"}, {"a"}},
        {"[?#[]", {"?", "#", "["}, {"a", "1"}}, {"ab", {"ab", "AB"}, {"abc", "xab", ""}}, {"", {""}, {"a"}},
    });
}

TEST(LikeAccess, InvalidPatterns)
{
    for (const char* pattern : {"[Z-A]", "[z-a]", "a [*", "[a", "[", "x[!"})
        EXPECT_FALSE(LikePattern::compile(pattern, LikeDialect::Access)) << pattern;
    EXPECT_TRUE(LikePattern::compile("[A-z]", LikeDialect::Access));
}

TEST(LikeAnsi, OnlyPercentAndUnderscoreAreWildcards)
{
    expectExamples(LikeDialect::Ansi, {
        {"a%a", {"aa", "aBBBa"}, {"aBC"}}, {"a_a", {"aBa"}, {"aBBBa"}}, {"a*a", {"a*a", "A*A"}, {"aBa", "aa"}},
        {"a?a", {"a?a"}, {"aBa"}}, {"a#a", {"a#a"}, {"a1a"}}, {"[a-c]%", {"Bx", "c"}, {"dx"}},
    });
}

TEST(LikeMatching, RepeatedRunsStayFastAndInvalidUtf8IsReadByteByByte)
{
    const std::optional<LikePattern> pattern = LikePattern::compile("*a*a*a*a*a*a*a*a*a*a*b", LikeDialect::Access);
    ASSERT_TRUE(pattern);
    const std::string many(20000, 'a');
    EXPECT_FALSE(pattern->matches(many));
    EXPECT_TRUE(pattern->matches(many + "b"));
    const std::optional<LikePattern> anyAround = LikePattern::compile("?t?", LikeDialect::Access);
    ASSERT_TRUE(anyAround);
    EXPECT_TRUE(anyAround->matches("\xE9t\xC3"));
    EXPECT_FALSE(anyAround->matches("\xE9t\xC3\xA9\xA9"));
    const std::optional<LikePattern> broken = LikePattern::compile("\xC3*[\xE2\x82-\xFF]", LikeDialect::Access);
    ASSERT_TRUE(broken);
    EXPECT_FALSE(broken->matches("\xC3"));
}

using LikeSqlite = SqliteTest;

TEST_F(LikeSqlite, TruthNullsNumbersAndInvalidPatterns)
{
    expect({
        {"kv_like('aBa', 'a*a')", "1"}, {"kv_like('aBC', 'a*a')", "0"}, {"kv_like(NULL, 'a*')", "Null"},
        {"kv_like('a', NULL)", "Null"}, {"kv_alike(NULL, NULL)", "Null"}, {"kv_like(123, '1#3')", "1"},
        {"kv_alike('a*a', 'a*a')", "1"}, {"kv_alike('aBa', 'a*a')", "0"},
        {"kv_like('x', '[Z-A]')", "[22025]Le modèle « [Z-A] » de l'opérateur LIKE n'est pas valide."},
        {"kv_alike('x', 'a [%')", "[22025]Le modèle « a [% » de l'opérateur LIKE n'est pas valide."},
    });
}

TEST_F(LikeSqlite, TableScansWithConstantAndPerRowPatterns)
{
    execute("CREATE TABLE t(v TEXT, p TEXT);"
            "INSERT INTO t VALUES ('Dupont', 'd*'), ('dupont', '*T'), ('Durand', 'D?pont'),"
            " ('Éric', '[!e]*'), ('eric', '[!e]*'), (NULL, '*')");
    EXPECT_EQ(rows("SELECT v FROM t WHERE kv_like(v, 'dup*') ORDER BY rowid"), (Rows{"'Dupont'", "'dupont'"}));
    EXPECT_EQ(rows("SELECT v FROM t WHERE kv_like(v, p) ORDER BY rowid"), (Rows{"'Dupont'", "'dupont'", "'Éric'"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM t WHERE kv_like(v, '*') IS NULL"), Rows{"1"});
}

}  // namespace
}  // namespace kervane::sql
