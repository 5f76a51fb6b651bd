// The functions behind Access's operators: & and + with Null and texts, / \ Mod ^, and the
// logical operators' three-valued table and bitwise examples from the VBA reference.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <algorithm>
#include <string>

namespace kervane::sql {
namespace {

class OperatorFunctions : public FunctionTest<registerOperatorFunctions> {};

const std::string MISMATCH(TYPE_MISMATCH_MESSAGE);
const std::string DIVISION_BY_ZERO(DIVISION_BY_ZERO_MESSAGE);

TEST_F(OperatorFunctions, ConcatenationTreatsOneNullAsEmpty)
{
    expectResults({
        {"kv_concat('a', NULL)", "'a'"},
        {"kv_concat(NULL, 'b')", "'b'"},
        {"kv_concat(NULL, NULL)", "Null"},
        {"kv_concat(5, 6)", "'56'"},
    });
    {
        const LocaleScope french("fr_FR.UTF-8");
        expectResults({{"kv_concat(1.5, ' kg')", "'1,5 kg'"}});   // numbers as CStr writes them
    }
    const LocaleScope english("C");
    expectResults({{"kv_concat(1.5, ' kg')", "'1.5 kg'"}});
}

TEST_F(OperatorFunctions, PlusAddsOrJoins)
{
    expectResults({
        {"kv_plus('a', NULL)", "Null"},
        {"kv_plus(1, NULL)", "Null"},
        {"kv_plus('a', 'b')", "'ab'"},
        {"kv_plus('1', 2)", "3.0"},   // a String and a number add as Doubles
        {"kv_plus(2, 3)", "5"},
        {"kv_plus('a', 2)", MISMATCH},
    });
}

TEST_F(OperatorFunctions, DivisionsRoundTheirOperands)
{
    expectResults({
        {"kv_div(7, 2)", "3.5"},
        {"kv_div(NULL, 2)", "Null"},
        {"kv_div(1, 0)", DIVISION_BY_ZERO},
        {"kv_intdiv(11, 4)", "2"},
        {"kv_intdiv(NULL, 3)", "Null"},
        {"kv_intdiv(1, 0)", DIVISION_BY_ZERO},
        {"kv_intdiv(3e10, 2)", std::string(OVERFLOW_MESSAGE)},   // operands must fit in a Long
        {"kv_mod(10, 3)", "1"},
        {"kv_mod(12, 4.3)", "0"},
        {"kv_mod(12.6, 5)", "3"},
        {"kv_mod(19, 6.7)", "5"},
        {"kv_mod(10, NULL)", "Null"},
        {"kv_mod(1, 0.4)", DIVISION_BY_ZERO},   // 0.4 rounds to 0
    });
}

TEST_F(OperatorFunctions, PowerIsADouble)
{
    expectResults({
        {"kv_pow(-5, 3)", "-125.0"},
        {"kv_pow(kv_pow(3, 3), 3)", "19683.0"},   // 3 ^ 3 ^ 3, read left to right
        {"kv_pow(NULL, 2)", "Null"},
        {"kv_pow(-8, 0.5)", "[22023]Argument ou appel de procédure incorrect."},
    });
}

// The three-valued table of the reference, T = -1, F = 0, and the plain cases around it.
TEST_F(OperatorFunctions, LogicalOperatorsWithNull)
{
    struct Row {
        const char* a;
        const char* b;
        const char* andResult;
        const char* orResult;
        const char* xorResult;
        const char* eqvResult;
        const char* impResult;
    };
    const std::vector<Row> table = {
        {"-1", "NULL", "Null", "-1", "Null", "Null", "Null"},
        {"0", "NULL", "0", "Null", "Null", "Null", "-1"},
        {"NULL", "-1", "Null", "-1", "Null", "Null", "-1"},
        {"NULL", "0", "0", "Null", "Null", "Null", "Null"},
        {"NULL", "NULL", "Null", "Null", "Null", "Null", "Null"},
        {"-1", "0", "0", "-1", "-1", "0", "0"},
        {"0", "0", "0", "0", "0", "-1", "-1"},
    };
    for (const Row& row : table) {
        const std::string operands = std::string("(") + row.a + ", " + row.b + ")";
        expectResults({
            {"kv_and" + operands, row.andResult},
            {"kv_or" + operands, row.orResult},
            {"kv_xor" + operands, row.xorResult},
            {"kv_eqv" + operands, row.eqvResult},
            {"kv_imp" + operands, row.impResult},
        });
    }
    expectResults({{"kv_not(NULL)", "Null"}, {"kv_not(-1)", "0"}, {"kv_not(0)", "-1"}});
}

TEST_F(OperatorFunctions, LogicalOperatorsWorkBitByBit)
{
    expectResults({
        {"kv_and(10, 8)", "8"},
        {"kv_or(10, 8)", "10"},
        {"kv_xor(10, 8)", "2"},
        {"kv_eqv(10, 8)", "-3"},
        {"kv_imp(8, 10)", "-1"},
        {"kv_not(10)", "-11"},
        {"kv_and(10.4, '8')", "8"},   // operands are read as Longs
        {"kv_and('x', 1)", MISMATCH},
    });
}

// MOD and POWER of the {fn} escapes are these operators.
TEST_F(OperatorFunctions, OdbcNamesPointHere)
{
    for (const auto& [name, expected] : Cases{{"MOD", "1"}, {"POWER", "1000.0"}}) {
        const auto found = std::find_if(numberFunctions().begin(), numberFunctions().end(),
                                        [&](const FunctionInfo& info) { return info.name == name; });
        ASSERT_NE(found, numberFunctions().end()) << name;
        EXPECT_EQ(shown(std::string(found->sqliteName) + "(10, 3)"), expected) << name;
    }
}

}  // namespace
}  // namespace kervane::sql
