// The number family on SQLite: the documented examples of Choose, IsNumeric, Val, Str, the
// conversions, Int/Fix, Round, Abs, Sgn, Sqr, Hex and Oct, their errors, and the ODBC names.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <string>

namespace kervane::sql {
namespace {

class NumberFunctions : public FunctionTest<registerNumberFunctions> {};

const std::string INVALID_NULL(INVALID_NULL_MESSAGE);
const std::string MISMATCH(TYPE_MISMATCH_MESSAGE);
const std::string OVERFLOW(OVERFLOW_MESSAGE);

TEST_F(NumberFunctions, ChooseAndIsNumeric)
{
    expectResults({
        {"kv_choose(3, 'one', 'two', 'three')", "'three'"},
        {"kv_choose(1.6, 'a', 'b')", "'b'"},   // the index is rounded
        {"kv_choose(0, 'a', 'b')", "Null"},
        {"kv_choose(3, 'a', 'b')", "Null"},
        {"kv_choose(NULL, 'a', 'b')", "Null"},
        {"kv_isnumeric('459.95')", "-1"},
        {"kv_isnumeric('45 Help')", "0"},
        {"kv_isnumeric('2024-05-17 00:00:00')", "0"},   // dates are not numeric
        {"kv_isnumeric('')", "0"},
        {"kv_isnumeric(12.5)", "-1"},
    });
}

TEST_F(NumberFunctions, ValReadsTheLeadingNumber)
{
    expectResults({
        {"kv_val('24 and 57')", "24.0"},
        {"kv_val('    1615 198th Street N.E.')", "1615198.0"},
        {"kv_val('&HFFFF')", "-1.0"},
        {"kv_val('50%')", "50.0"},
        {"kv_val('50.5%')", MISMATCH},
        {"kv_val('abc')", "0.0"},
        {"kv_val('-1.5e2x')", "-150.0"},
        {"kv_val('12,5')", "12.0"},   // only '.' separates decimals
        {"kv_val(NULL)", "Null"},
    });
}

TEST_F(NumberFunctions, StrAndCStrWriteNumbers)
{
    expectResults({
        {"kv_str(459)", "' 459'"},
        {"kv_str(-459.65)", "'-459.65'"},
        {"kv_str(459.001)", "' 459.001'"},
        {"kv_cstr(NULL)", INVALID_NULL},
    });
    {
        const LocaleScope english("C");
        expectResults({{"kv_cstr(437.324)", "'437.324'"}, {"kv_cstr(2.0)", "'2'"}, {"kv_str(0.5)", "' 0.5'"}});
    }
    const LocaleScope french("fr_FR.UTF-8");
    expectResults({{"kv_cstr(437.324)", "'437,324'"}, {"kv_cstr(-1)", "'-1'"}, {"kv_str(0.5)", "' 0.5'"}});
}

TEST_F(NumberFunctions, WholeNumberConversionsRoundToEven)
{
    expectResults({
        {"kv_cint(0.5)", "0"},
        {"kv_cint(1.5)", "2"},
        {"kv_cint(2.5)", "2"},
        {"kv_clng(25427.55)", "25428"},
        {"kv_cbyte(125.5678)", "126"},
        {"kv_cint(-32768)", "-32768"},
        {"kv_clng('12')", "12"},
        {"kv_cint(NULL)", "Null"},
        {"kv_cint(32768)", OVERFLOW},
        {"kv_clng(2147483648)", OVERFLOW},
        {"kv_cbyte(256)", OVERFLOW},
        {"kv_cbyte(-1)", OVERFLOW},
        {"kv_cint('abc')", MISMATCH},
    });
}

TEST_F(NumberFunctions, OtherConversions)
{
    expectResults({
        {"kv_csng(75.3421555)", "75.34216"},
        {"kv_ccur(543.214588 * 2)", "1086.4292"},
        {"kv_ccur(1e20)", OVERFLOW},
        {"kv_cdbl('2.5')", "2.5"},
        {"kv_cbool(5 = 5)", "-1"},
        {"kv_cbool(0)", "0"},
        {"kv_cbool('True')", "-1"},
        {"kv_cbool('Faux')", "0"},
        {"kv_cbool('vrai')", "-1"},
        {"kv_cbool('0')", "0"},
        {"kv_cbool('peut-être')", MISMATCH},
    });
}

TEST_F(NumberFunctions, IntFixAbsSgn)
{
    expectResults({
        {"kv_int(99.8)", "99.0"},
        {"kv_fix(99.2)", "99.0"},
        {"kv_int(-99.8)", "-100.0"},
        {"kv_fix(-99.8)", "-99.0"},
        {"kv_int(7)", "7"},   // an integer stays an integer
        {"kv_abs(-50.3)", "50.3"},
        {"kv_abs(-7)", "7"},
        {"kv_abs(NULL)", "Null"},
        {"kv_sgn(12)", "1"},
        {"kv_sgn(-2.4)", "-1"},
        {"kv_sgn(0)", "0"},
    });
}

TEST_F(NumberFunctions, RoundIsBankersOnDecimalDigits)
{
    expectResults({
        {"kv_round(0.12335, 4)", "0.1234"},
        {"kv_round(0.12345, 4)", "0.1234"},
        {"kv_round(0.12355, 4)", "0.1236"},
        {"kv_round(0.00005, 4)", "0.0"},
        {"kv_round(2.5)", "2.0"},
        {"kv_round(3.5)", "4.0"},
        {"kv_round(-2.5)", "-2.0"},
        {"kv_round(9.99999, 2)", "10.0"},
        {"kv_round(NULL, 2)", "Null"},
        {"kv_round(1.5, -1)", badArgument("Round")},
    });
}

TEST_F(NumberFunctions, SqrExpLog)
{
    expectResults({
        {"kv_sqr(4)", "2.0"},
        {"kv_sqr(23)", "4.79583152331272"},
        {"kv_sqr(0)", "0.0"},
        {"kv_exp(0)", "1.0"},
        {"kv_log(1)", "0.0"},
        {"kv_sqr(-1)", badArgument("Sqr")},
        {"kv_log(0)", badArgument("Log")},
        {"kv_exp(709.8)", OVERFLOW},
        {"kv_sqr('abc')", MISMATCH},
    });
}

TEST_F(NumberFunctions, HexAndOct)
{
    expectResults({
        {"kv_hex(10)", "'A'"},
        {"kv_hex(459)", "'1CB'"},
        {"kv_hex(-1)", "'FFFF'"},   // 16-bit two's complement down to -32767
        {"kv_hex(NULL)", "Null"},
        {"kv_oct(8)", "'10'"},
        {"kv_oct(459)", "'713'"},
    });
}

TEST_F(NumberFunctions, OdbcNumericFunctions)
{
    expectResults({
        {"kv_floor(-1.5)", "-2.0"},
        {"kv_ceiling(1.2)", "2.0"},
        {"kv_pi()", "3.14159265358979"},
        {"kv_log10(100)", "2.0"},
    });
}

TEST_F(NumberFunctions, RndStaysBelowOneAndRepeats)
{
    const double first = std::stod(shown("kv_rnd()"));
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1);
    EXPECT_EQ(std::stod(shown("kv_rnd(0)")), first);   // Rnd(0) repeats the last number
    EXPECT_EQ(shown("kv_rnd(-3)"), shown("kv_rnd(-3)"));   // a negative argument reseeds
}

TEST_F(NumberFunctions, CatalogueMatchesTheRegisteredFunctions)
{
    expectCatalogueRegistered(numberFunctions(), "1");
}

}  // namespace
}  // namespace kervane::sql
