// The scalar function families on SQLite: the documented examples of the VBA reference for the
// text and number functions and for the functions behind Access's operators, their rules for
// empty and Null arguments, their errors, the ODBC {fn} names, and the aggregates Jet adds.
// Then Like and ALike: the documented pattern examples, the rules for character lists, the two
// wildcard sets, invalid patterns, and the kv_like / kv_alike functions.
#include "FunctionTestSupport.h"

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace kervane::sql {
namespace {

using TextFunctions = SqliteTest;
using NumberFunctions = SqliteTest;
using OperatorFunctions = SqliteTest;

TEST_F(TextFunctions, ExamplesEmptyAndNullArgumentsAndErrors)
{
    expect({
        {"kv_len('Hello World')", "11"}, {"kv_len(NULL)", "Null"}, {"kv_len('été')", "3"},
        {"kv_left('Hello World', 7)", "'Hello W'"}, {"kv_left('Hello World', 20)", "'Hello World'"},
        {"kv_left('Hello World', 0)", "''"}, {"kv_left(NULL, 2)", "Null"}, {"kv_right('Hello World', 6)", "' World'"},
        {"kv_right('Hello World', 20)", "'Hello World'"}, {"kv_mid('Mid Function Demo', 1, 3)", "'Mid'"},
        {"kv_mid('Mid Function Demo', 5)", "'Function Demo'"}, {"kv_mid('abc', 5)", "''"},
        {"kv_mid(NULL, 2)", "Null"}, {"kv_left('élève', 2)", "'él'"}, {"kv_right('garçon', 3)", "'çon'"},
        {"kv_mid('garçon', 4, 1)", "'ç'"}, {"kv_mid('abc', 0)", badArgument("Mid")},
        {"kv_mid('abc', 1, -1)", badArgument("Mid")}, {"kv_left('abc', -1)", badArgument("Left")},
    });
    const std::string s = "'XXpXXpXXPXXP'";
    expect({
        {"kv_instr(4, " + s + ", 'P', 1)", "6"}, {"kv_instr(1, " + s + ", 'P', 0)", "9"},
        {"kv_instr(" + s + ", 'P')", "9"},   // binary by default
        {"kv_instr(1, " + s + ", 'W')", "0"}, {"kv_instr('', 'a')", "0"}, {"kv_instr(NULL, 'a')", "Null"},
        {"kv_instr('abc', NULL)", "Null"}, {"kv_instr('abc', '')", "1"}, {"kv_instr(2, 'abc', '')", "2"},
        {"kv_instr(5, 'abc', 'a')", "0"}, {"kv_instr('Noël et Noël', 'ë')", "3"},
        {"kv_instr(1, 'ÉCOLE', 'é', 1)", "1"}, {"kv_instr(1, 'ÉCOLE', 'é', 0)", "0"},
        {"kv_instr(1, 'xΩΜΈΓΑ', 'μέ', 1)", "3"},   // text mode ignores case in every script
        {"kv_instr(1, 'ՀԱՅԱՍՏԱՆ', 'յաս', 1)", "3"}, {"kv_instr(1, 'ՀԱՅԱՍՏԱՆ', 'յաս', 0)", "0"},
        {"kv_instr(NULL, 'abc', 'a')", INVALID_NULL}, {"kv_instr(1, 'abc', 'a', NULL)", INVALID_NULL},
        {"kv_instr(0, 'abc', 'a')", badArgument("InStr")},
        {"kv_instrrev(" + s + ", 'P', 10, 0)", "9"}, {"kv_instrrev(" + s + ", 'P', -1, 1)", "12"},
        {"kv_instrrev(" + s + ", 'P', 8)", "0"},   // a match must end at or before start
        {"kv_instrrev('', 'a')", "0"}, {"kv_instrrev(NULL, 'a')", "Null"}, {"kv_instrrev('abc', NULL)", "Null"},
        {"kv_instrrev('abc', '', 2)", "2"}, {"kv_instrrev('abc', 'a', 5)", "0"}, {"kv_instrrev('abcabc', 'bc')", "5"},
        {"kv_instrrev('abc', 'a', NULL)", INVALID_NULL}, {"kv_instrrev('abc', 'a', 0)", badArgument("InStrRev")},
        {"kv_replace('abcabc', 'b', 'X')", "'aXcaXc'"}, {"kv_replace('abcabc', 'b', 'X', 3)", "'caXc'"},
        {"kv_replace('', 'b', 'X')", "''"}, {"kv_replace('abc', '', 'X')", "'abc'"},
        {"kv_replace('abcabc', 'b', '')", "'acac'"}, {"kv_replace('abc', 'b', 'X', 5)", "''"},
        {"kv_replace('abcabc', 'b', 'X', 1, 0)", "'abcabc'"}, {"kv_replace('abcabc', 'b', 'X', 1, 1)", "'aXcabc'"},
        {"kv_replace('aBcabc', 'b', 'X', 1, -1, 1)", "'aXcaXc'"},
        {"kv_replace('aBcabc', 'b', 'X', 1, -1, 0)", "'aBcaXc'"},
        {"kv_replace('Élan élan', 'é', 'e', 1, -1, 1)", "'elan elan'"}, {"kv_replace(NULL, 'b', 'X')", INVALID_NULL},
        {"kv_ucase('élève à l''œuvre')", "'ÉLÈVE À L'ŒUVRE'"}, {"kv_lcase('ÇA ÉTÉ ÜBER')", "'ça été über'"},
        {"kv_ucase(NULL)", "Null"}, {"kv_trim('    ')", "''"}, {"kv_trim('  ab  ')", "'ab'"},
        {"kv_ltrim('  ab  ')", "'ab  '"}, {"kv_rtrim('  ab  ')", "'  ab'"},
        {"kv_trim(char(9) || 'ab')", "'\tab'"},   // spaces only
        {"kv_space(10)", "'          '"}, {"kv_space(0)", "''"}, {"kv_space(-1)", badArgument("Space")},
        {"kv_string(5, '*')", "'*****'"}, {"kv_string(5, 42)", "'*****'"}, {"kv_string(10, 'ABC')", "'AAAAAAAAAA'"},
        {"kv_string(3, 298)", "'***'"},   // codes above 255 are taken Mod 256
        {"kv_string(2, '')", badArgument("String")}, {"kv_strreverse('abc')", "'cba'"}, {"kv_strreverse('')", "''"},
        {"kv_strreverse('Noël')", "'lëoN'"}, {"kv_strreverse(NULL)", INVALID_NULL},
        {"kv_strcomp('ABCD', 'abcd', 1)", "0"}, {"kv_strcomp('ABCD', 'abcd', 0)", "-1"},
        {"kv_strcomp('abcd', 'ABCD')", "1"},   // binary by default
        {"kv_strcomp('abcd', NULL)", "Null"}, {"kv_strcomp('ÉTÉ', 'été', 1)", "0"},
        {"kv_strcomp('ДМИТРИЙ', 'Дмитрий', 1)", "0"}, {"kv_strcomp('ωμέγα', 'ΩΜΈΓΑ', 1)", "0"},
        {"kv_strcomp('été', 'f', 1)", "-1"},   // an accented letter sits before the next letter
        {"kv_strcomp('a', 'b', NULL)", INVALID_NULL},
        {"kv_asc('A')", "65"}, {"kv_asc('Apple')", "65"}, {"kv_asc('é')", "233"},
        {"kv_asc('€')", "128"},   // Windows-1252
        {"kv_ascw('€')", "8364"}, {"kv_asc(NULL)", "Null"}, {"kv_asc('')", badArgument("Asc")}, {"kv_chr(65)", "'A'"},
        {"kv_chr(233)", "'é'"}, {"kv_chr(128)", "'€'"}, {"kv_chrw(8364)", "'€'"}, {"kv_chr(256)", badArgument("Chr")},
        {"kv_chr('x')", MISMATCH},
        {"kv_length('abc  ')", "3"}, {"kv_length('  ')", "0"}, {"kv_locate('b', 'abcb')", "2"},
        {"kv_locate('b', 'abcb', 3)", "4"}, {"kv_locate('z', 'abcb')", "0"}, {"kv_concat('ab', 'cd')", "'abcd'"},
    });
}

TEST_F(NumberFunctions, ChooseValStrAndConversions)
{
    expect({
        {"kv_choose(3, 'one', 'two', 'three')", "'three'"},
        {"kv_choose(1.6, 'a', 'b')", "'b'"},   // the index is rounded
        {"kv_choose(0, 'a', 'b')", "Null"}, {"kv_choose(3, 'a', 'b')", "Null"}, {"kv_choose(NULL, 'a', 'b')", "Null"},
        {"kv_isnumeric('459.95')", "-1"}, {"kv_isnumeric('45 Help')", "0"},
        {"kv_isnumeric('2024-05-17 00:00:00')", "0"},   // dates are not numeric
        {"kv_isnumeric('')", "0"}, {"kv_isnumeric(12.5)", "-1"},
        {"kv_val('24 and 57')", "24.0"}, {"kv_val('    1615 198th Street N.E.')", "1615198.0"},
        {"kv_val('&HFFFF')", "-1.0"}, {"kv_val('50%')", "50.0"}, {"kv_val('50.5%')", MISMATCH},
        {"kv_val('abc')", "0.0"}, {"kv_val('-1.5e2x')", "-150.0"},
        {"kv_val('12,5')", "12.0"},   // only '.' separates decimals
        {"kv_val(NULL)", "Null"},
        {"kv_str(459)", "' 459'"}, {"kv_str(-459.65)", "'-459.65'"}, {"kv_str(459.001)", "' 459.001'"},
        {"kv_cstr(NULL)", INVALID_NULL},
        {"kv_cint(0.5)", "0"}, {"kv_cint(1.5)", "2"}, {"kv_cint(2.5)", "2"}, {"kv_clng(25427.55)", "25428"},
        {"kv_cbyte(125.5678)", "126"}, {"kv_cint(-32768)", "-32768"}, {"kv_clng('12')", "12"},
        {"kv_cint(NULL)", "Null"}, {"kv_cint(32768)", OVERFLOW}, {"kv_clng(2147483648)", OVERFLOW},
        {"kv_cbyte(256)", OVERFLOW}, {"kv_cbyte(-1)", OVERFLOW}, {"kv_cint('abc')", MISMATCH},
        {"kv_csng(75.3421555)", "75.34216"}, {"kv_ccur(543.214588 * 2)", "1086.4292"}, {"kv_ccur(1e20)", OVERFLOW},
        {"kv_cdbl('2.5')", "2.5"}, {"kv_cbool(5 = 5)", "-1"}, {"kv_cbool(0)", "0"}, {"kv_cbool('True')", "-1"},
        {"kv_cbool('Faux')", "0"}, {"kv_cbool('vrai')", "-1"}, {"kv_cbool('0')", "0"},
        {"kv_cbool('peut-être')", MISMATCH},
    });
    // One locale for every function: numbers, names and the order of a date's numbers alike; a
    // locale other than English ("C" too) is the program's own, French.
    {
        const LocaleScope english("en_US.UTF-8");
        expect({{"kv_cstr(437.324)", "'437.324'"}, {"kv_cstr(2.0)", "'2'"}, {"kv_str(0.5)", "' 0.5'"},
                {"kv_weekdayname(1, 0, 1)", "'Sunday'"}, {"kv_cdate('1/2/2020')", "'2020-01-02 00:00:00'"}});
    }
    {
        const LocaleScope none("C");
        expect({{"kv_cstr(2.5)", "'2,5'"}, {"kv_weekdayname(1, 0, 1)", "'dimanche'"},
                {"kv_cdate('1/2/2020')", "'2020-02-01 00:00:00'"}});
    }
    const LocaleScope french("fr_FR.UTF-8");
    expect({{"kv_cstr(437.324)", "'437,324'"}, {"kv_cstr(-1)", "'-1'"}, {"kv_str(0.5)", "' 0.5'"}});
}

TEST_F(NumberFunctions, IntFixRoundMathsAndRnd)
{
    expect({
        {"kv_int(99.8)", "99.0"}, {"kv_fix(99.2)", "99.0"}, {"kv_int(-99.8)", "-100.0"}, {"kv_fix(-99.8)", "-99.0"},
        {"kv_int(7)", "7"},   // an integer stays an integer
        {"kv_abs(-50.3)", "50.3"}, {"kv_abs(-7)", "7"}, {"kv_abs(NULL)", "Null"}, {"kv_sgn(12)", "1"},
        {"kv_sgn(-2.4)", "-1"}, {"kv_sgn(0)", "0"},
        {"kv_round(0.12335, 4)", "0.1234"}, {"kv_round(0.12345, 4)", "0.1234"}, {"kv_round(0.12355, 4)", "0.1236"},
        {"kv_round(0.00005, 4)", "0.0"}, {"kv_round(2.5)", "2.0"}, {"kv_round(3.5)", "4.0"},
        {"kv_round(-2.5)", "-2.0"}, {"kv_round(9.99999, 2)", "10.0"}, {"kv_round(NULL, 2)", "Null"},
        {"kv_round(1.5, -1)", badArgument("Round")},
        {"kv_sqr(4)", "2.0"}, {"kv_sqr(23)", "4.79583152331272"}, {"kv_sqr(0)", "0.0"}, {"kv_exp(0)", "1.0"},
        {"kv_log(1)", "0.0"}, {"kv_sqr(-1)", badArgument("Sqr")}, {"kv_log(0)", badArgument("Log")},
        {"kv_exp(709.8)", OVERFLOW}, {"kv_sqr('abc')", MISMATCH}, {"kv_hex(10)", "'A'"}, {"kv_hex(459)", "'1CB'"},
        {"kv_hex(-1)", "'FFFF'"},   // 16-bit two's complement down to -32767
        {"kv_hex(NULL)", "Null"}, {"kv_oct(8)", "'10'"}, {"kv_oct(459)", "'713'"},
        {"kv_floor(-1.5)", "-2.0"}, {"kv_ceiling(1.2)", "2.0"}, {"kv_pi()", "3.14159265358979"},
        {"kv_log10(100)", "2.0"},
    });
    const double first = std::stod(shown("kv_rnd()"));
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1);
    EXPECT_EQ(std::stod(shown("kv_rnd(0)")), first);   // Rnd(0) repeats the last number
    EXPECT_EQ(shown("kv_rnd(-3)"), shown("kv_rnd(-3)"));   // a negative argument reseeds
}

TEST_F(NumberFunctions, CataloguesMatchTheRegisteredFunctions)
{
    // Each family registers all it lists, operators included, on a connection of its own.
    for (const auto& [registerFamily, family, argument] :
         {std::tuple{&registerTextFunctions, textFunctions(), "NULL"},
          std::tuple{&registerNumberFunctions, numberFunctions(), "1"},
          std::tuple{&registerDateFunctions, dateFunctions(), "NULL"}}) {
        sqlite3* own = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &own), SQLITE_OK);
        registerFamily(own);
        std::swap(own, m_db);
        expectCatalogueRegistered(family, argument);
        std::swap(own, m_db);
        sqlite3_close(own);
    }
    for (const auto& family : {textFunctions(), numberFunctions(), dateFunctions(), aggregateFunctions()})
        for (const FunctionInfo& info : family)
            EXPECT_EQ(findFunction(info.name), &info) << info.name;
    // Names are found whatever their case, with the type of their result.
    EXPECT_EQ(findFunction("dateadd")->result, AccessType::Date);
    EXPECT_EQ(findFunction("Year")->result, AccessType::Short);
    EXPECT_EQ(findFunction("Format")->result, AccessType::Text);
}

// MOD and POWER of the {fn} escapes are these operators.
TEST_F(OperatorFunctions, NullTextsArithmeticAndOdbcNames)
{
    expect({
        {"kv_concat('a', NULL)", "'a'"}, {"kv_concat(NULL, 'b')", "'b'"}, {"kv_concat(NULL, NULL)", "Null"},
        {"kv_concat(5, 6)", "'56'"},
    });
    {
        const LocaleScope french("fr_FR.UTF-8");
        expect({{"kv_concat(1.5, ' kg')", "'1,5 kg'"}});   // numbers as CStr writes them
    }
    const LocaleScope english("en_US.UTF-8");
    expect({{"kv_concat(1.5, ' kg')", "'1.5 kg'"}});
    expect({
        {"kv_plus('a', NULL)", "Null"}, {"kv_plus(1, NULL)", "Null"}, {"kv_plus('a', 'b')", "'ab'"},
        {"kv_plus('1', 2)", "3.0"},   // a String and a number add as Doubles
        {"kv_plus(2, 3)", "5"}, {"kv_plus('a', 2)", MISMATCH},
        {"kv_div(7, 2)", "3.5"}, {"kv_div(NULL, 2)", "Null"}, {"kv_div(1, 0)", DIVISION_BY_ZERO},
        {"kv_intdiv(11, 4)", "2"}, {"kv_intdiv(NULL, 3)", "Null"}, {"kv_intdiv(1, 0)", DIVISION_BY_ZERO},
        {"kv_intdiv(3e10, 2)", OVERFLOW},   // operands must fit in a Long
        {"kv_mod(10, 3)", "1"}, {"kv_mod(12, 4.3)", "0"}, {"kv_mod(12.6, 5)", "3"}, {"kv_mod(19, 6.7)", "5"},
        {"kv_mod(10, NULL)", "Null"},
        {"kv_mod(1, 0.4)", DIVISION_BY_ZERO},   // 0.4 rounds to 0
        {"kv_pow(-5, 3)", "-125.0"},
        {"kv_pow(kv_pow(3, 3), 3)", "19683.0"},   // 3 ^ 3 ^ 3, read left to right
        {"kv_pow(NULL, 2)", "Null"}, {"kv_pow(-8, 0.5)", "[22023]Argument ou appel de procédure incorrect."},
    });
    for (const auto& [name, expected] : Cases{{"MOD", "1"}, {"POWER", "1000.0"}}) {
        const FunctionInfo* found = findFunction(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(shown(std::string(found->sqliteName) + "(10, 3)"), expected) << name;
    }
}

// The three-valued table of the reference, T = -1, F = 0, and the plain cases around it.
TEST_F(OperatorFunctions, LogicalOperators)
{
    struct Row {
        const char *a, *b, *andResult, *orResult, *xorResult, *eqvResult, *impResult;
    };
    const std::vector<Row> table = {
        {"-1", "NULL", "Null", "-1", "Null", "Null", "Null"}, {"0", "NULL", "0", "Null", "Null", "Null", "-1"},
        {"NULL", "-1", "Null", "-1", "Null", "Null", "-1"}, {"NULL", "0", "0", "Null", "Null", "Null", "Null"},
        {"NULL", "NULL", "Null", "Null", "Null", "Null", "Null"}, {"-1", "0", "0", "-1", "-1", "0", "0"},
        {"0", "0", "0", "0", "0", "-1", "-1"},
    };
    for (const Row& row : table) {
        const std::string operands = std::string("(") + row.a + ", " + row.b + ")";
        expect({
            {"kv_and" + operands, row.andResult}, {"kv_or" + operands, row.orResult},
            {"kv_xor" + operands, row.xorResult}, {"kv_eqv" + operands, row.eqvResult},
            {"kv_imp" + operands, row.impResult},
        });
    }
    expect({
        {"kv_not(NULL)", "Null"}, {"kv_not(-1)", "0"}, {"kv_not(0)", "-1"},
        {"kv_and(10, 8)", "8"}, {"kv_or(10, 8)", "10"}, {"kv_xor(10, 8)", "2"}, {"kv_eqv(10, 8)", "-3"},
        {"kv_imp(8, 10)", "-1"}, {"kv_not(10)", "-11"},
        {"kv_and(10.4, '8')", "8"},   // operands are read as Longs
        {"kv_and('x', 1)", MISMATCH},
    });
}

// First, Last and the statistics over t(id, grp, v), its rows read in id order.
class AggregateFunctions : public SqliteTest {
protected:
    // Adds the values (SQL literals) of one group, in this order.
    void insert(const std::string& group, const std::vector<std::string>& values)
    {
        execute("CREATE TABLE IF NOT EXISTS t (id INTEGER PRIMARY KEY, grp TEXT, v)");
        for (const std::string& value : values)
            execute("INSERT INTO t (grp, v) VALUES ('" + group + "', " + value + ")");
    }

    // "<aggregate>(v)" over the rows of t where `where` holds.
    static std::string over(std::string_view aggregate, const std::string& where)
    {
        return std::string(aggregate) + "(v) FROM (SELECT * FROM t ORDER BY id) WHERE " + where;
    }

    double number(const char* aggregate, const std::string& group)
    {
        return std::stod(shown(over(aggregate, "grp = '" + group + "'")));
    }
};

TEST_F(AggregateFunctions, FirstAndLastKeepNullsAsValues)
{
    insert("a", {"NULL", "'b'", "3", "NULL"});
    expect({
        {over("kv_first", "1"), "Null"}, {over("kv_last", "1"), "Null"}, {over("kv_first", "id > 1"), "'b'"},
        {over("kv_last", "id < 4"), "3"},
        {over("kv_first", "id > 9"), "Null"},   // no rows
    });
}

TEST_F(AggregateFunctions, SampleAndPopulationStatistics)
{
    // Population standard deviation 2, sample variance 32/7.
    insert("a", {"2", "4", "4", "4", "5", "5", "7", "9"});
    EXPECT_DOUBLE_EQ(number("kv_stdevp", "a"), 2.0);
    EXPECT_DOUBLE_EQ(number("kv_varp", "a"), 4.0);
    EXPECT_NEAR(number("kv_var", "a"), 32.0 / 7.0, 1e-12);
    EXPECT_NEAR(number("kv_stdev", "a"), std::sqrt(32.0 / 7.0), 1e-12);
    // Large values close together: a sum-of-squares formula would lose every digit here.
    insert("large", {"1e9 + 4", "1e9 + 7", "1e9 + 13", "1e9 + 16"});
    EXPECT_NEAR(number("kv_var", "large"), 30.0, 1e-6);
    // Nulls are skipped, numeric texts count.
    insert("texts", {"NULL", "1", "'3'", "NULL"});
    EXPECT_DOUBLE_EQ(number("kv_var", "texts"), 2.0);
    // One row: the sample statistics are Null, the population ones 0; no rows: all Null.
    insert("one", {"5"});
    EXPECT_EQ(number("kv_stdevp", "one"), 0.0);
    expect({{over("kv_stdev", "grp = 'one'"), "Null"}, {over("kv_var", "grp = 'one'"), "Null"}});
    for (const char* function : {"kv_stdev", "kv_stdevp", "kv_var", "kv_varp"})
        EXPECT_EQ(shown(over(function, "id > 99")), "Null") << function;
    insert("texts", {"'x'"});
    EXPECT_EQ(shown(over("kv_var", "grp = 'texts'")), MISMATCH);
}

TEST_F(AggregateFunctions, GroupsAreSeparateAndEveryAggregateIsRegistered)
{
    insert("a", {"1", "3"});
    insert("b", {"10", "20", "30"});
    EXPECT_EQ(rows("SELECT grp, kv_var(v), kv_last(v) FROM t GROUP BY grp ORDER BY grp"),
              (Rows{"'a'|2.0|3", "'b'|100.0|30"}));
    for (const FunctionInfo& info : aggregateFunctions()) {
        EXPECT_TRUE(info.aggregate) << info.name;
        EXPECT_EQ(shown(over(info.sqliteName, "id > 99")), "Null") << info.name;
    }
}

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
