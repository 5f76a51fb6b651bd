// Parser of Access SQL expressions: literals, Access precedence, Like/Between/In/Is, names,
// function calls, ODBC escapes and sub-queries, checked on the shape of the tree.
#include "ParserTestPrinter.h"

#include "driver/sql/Parser.h"

#include <gtest/gtest.h>

namespace kervane::sql {
namespace {

using test::shapeOf;

struct ShapeCase {
    const char* text;
    const char* shape;
};

void expectShapes(std::initializer_list<ShapeCase> cases)
{
    for (const ShapeCase& c : cases) {
        try {
            EXPECT_EQ(shapeOf(c.text), c.shape) << c.text;
        } catch (const SqlError& error) {
            ADD_FAILURE() << c.text << ": " << error.what();
        }
    }
}

TEST(SqlParserExpression, Literals)
{
    expectShapes({
        {"Null", "Null"},
        {"12", "12"},
        {"1.5e-3", "1.5e-3"},
        {"&H1F", "31"},
        {"&O17", "15"},
        {"'it''s'", "'it's'"},
        // A double-quoted token is a text, never a name.
        {"\"Smith\"", "'Smith'"},
        {"#2/12/1969#", "#2/12/1969#"},
        {"#4:45:23 PM#", "#4:45:23 PM#"},
        {"True", "True"},
        {"yes", "True"},
        {"On", "True"},
        {"False", "False"},
        {"NO", "False"},
        {"Off", "False"},
        {"[Yes]", "Yes"},
        {"?", "?"},
    });
}

TEST(SqlParserExpression, AccessPrecedence)
{
    expectShapes({
        // Equal precedence applies left to right: 3^3^3 is (3^3)^3.
        {"3^3^3", "((3 ^ 3) ^ 3)"},
        // ^ binds tighter than negation: -2^2 is -(2^2).
        {"-2^2", "(-(2 ^ 2))"},
        {"-2*3", "((-2) * 3)"},
        {"2^-1", "(2 ^ (-1))"},
        {"1+2*3", "(1 + (2 * 3))"},
        {"a - b - c", "((a - b) - c)"},
        {"a / b * c", "((a / b) * c)"},
        // * and / before \, then Mod, then + and -.
        {"a \\ b * c", "(a \\ (b * c))"},
        {"a * b \\ c", "((a * b) \\ c)"},
        {"a Mod b \\ c", "(a Mod (b \\ c))"},
        {"a + b Mod c", "(a + (b Mod c))"},
        {"a mod b - c", "((a Mod b) - c)"},
        // & after all arithmetic, before all comparisons.
        {"a & b + c", "(a & (b + c))"},
        {"a = b & c", "(a = (b & c))"},
        {"a & b & c", "((a & b) & c)"},
        // Comparisons share one level.
        {"a = b < c", "((a = b) < c)"},
        {"a <> b", "(a <> b)"},
        {"a != b", "(a <> b)"},
        {"a <= b >= c", "((a <= b) >= c)"},
        // Not, And, Or, Xor, Eqv, Imp.
        {"Not a = b", "(Not (a = b))"},
        {"Not a And b", "((Not a) And b)"},
        {"a Or b And c", "(a Or (b And c))"},
        {"a Xor b Or c", "(a Xor (b Or c))"},
        {"a Eqv b Xor c", "(a Eqv (b Xor c))"},
        {"a Imp b Eqv c", "(a Imp (b Eqv c))"},
        {"a And b Imp c Or d", "((a And b) Imp (c Or d))"},
        {"(a + b) * c", "((a + b) * c)"},
        {"- - a", "(-(-a))"},
        {"+a", "(+a)"},
        {"a = Not b", "(a = (Not b))"},
    });
}

TEST(SqlParserExpression, LikeBetweenInIs)
{
    expectShapes({
        {"a Like 'Smith'", "(a Like 'Smith')"},
        {"a LIKE \"[A-D]*\"", "(a Like '[A-D]*')"},
        {"a Not Like 'x*'", "(a Not Like 'x*')"},
        {"a ALike 'x%'", "(a ALike 'x%')"},
        {"a Like 'x' & b", "(a Like ('x' & b))"},
        {"a Like b And c", "((a Like b) And c)"},
        {"a Between 1 And 2 And b", "((a Between 1 And 2) And b)"},
        {"a Not Between 1 + 1 And 3", "(a Not Between (1 + 1) And 3)"},
        {"a In (1, 2, 3)", "(a In (1, 2, 3))"},
        {"a Not In ('x')", "(a Not In ('x'))"},
        {"a In (SELECT b FROM t)", "(a In (SELECT b FROM t))"},
        {"a Is Null", "(a Is Null)"},
        {"a IS NOT NULL", "(a Is Not Null)"},
        {"Not a Is Null", "(Not (a Is Null))"},
        {"a Is Null Or b = 1", "((a Is Null) Or (b = 1))"},
        {"Exists (SELECT * FROM t)", "Exists(SELECT * FROM t)"},
        {"Not Exists (SELECT * FROM t) And a", "(Not Exists(SELECT * FROM t) And a)"},
    });
}

TEST(SqlParserExpression, ColumnsAndQualifiers)
{
    expectShapes({
        {"[t].[c]", "t.c"},
        {"t.c", "t.c"},
        {"[My Table].[My Col]", "[My Table].[My Col]"},
        {"t.[c d]", "t.[c d]"},
        {"db.t.c", "db.t.c"},
        {"t.Order", "t.Order"},  // any word after the dot
        {"[Forms]![Orders]![Customer]", "Forms.Orders.Customer"},
        {"`Order Details`.Quantity", "[Order Details].Quantity"},
        {"Société.Numéro", "[Société].[Numéro]"},
        {"Date", "Date"},  // a word without ( is a name
        {"Desc", "Desc"},
    });
}

TEST(SqlParserExpression, FunctionCalls)
{
    expectShapes({
        {"Left(a, 2)", "Left(a, 2)"},
        {"RIGHT([Name], 3)", "RIGHT(Name, 3)"},
        {"Date()", "Date()"},
        {"Now ( )", "Now()"},
        {"Year(d) + Second(d)", "(Year(d) + Second(d))"},
        {"Format(d, \"yyyy\")", "Format(d, 'yyyy')"},
        {"Mid$(a, 1, 2)", "Mid$(a, 1, 2)"},
        {"IIf(a > 0, Left(b, 1), Null)", "IIf((a > 0), Left(b, 1), Null)"},
        {"Count(*)", "Count(*)"},
        {"count(DISTINCT x)", "count(Distinct x)"},
        {"Sum(a * b) / Count(*)", "(Sum((a * b)) / Count(*))"},
        {"DLookUp(\"[x]\", \"t\", \"[ShipRegion] = 'CA'\")", "DLookUp('[x]', 't', '[ShipRegion] = 'CA'')"},
    });
}

TEST(SqlParserExpression, OdbcEscapesSubqueriesAndCase)
{
    expectShapes({
        {"{d '2024-01-02'}", "{d 2024-01-02}"},
        {"{t '10:30:00'}", "{t 10:30:00}"},
        {"{ts '2024-01-02 10:30:00'}", "{ts 2024-01-02 10:30:00}"},
        {"{fn UCASE(a)}", "{fn UCASE(a)}"},
        {"{fn LEFT(a, 2)} & {fn CURDATE()}", "({fn LEFT(a, 2)} & {fn CURDATE()})"},
        {"(SELECT Max(x) FROM t) + 1", "(Sub(SELECT Max(x) FROM t) + 1)"},
        {"((a))", "a"},
        {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "Case(-, (a = 1), 'x', 'y')"},
        {"CASE a WHEN 1 THEN 2 WHEN 3 THEN 4 END", "Case(a, 1, 2, 3, 4, -)"},
    });
}

TEST(SqlParserExpression, NodesKeepTheirOffsets)
{
    const ExprPtr e = parseExpression("a + Left(b, 2)");
    EXPECT_EQ(e->position, 0u);
    EXPECT_EQ(e->args[1]->position, 4u);
    EXPECT_EQ(e->args[1]->args[0]->position, 9u);
}

TEST(SqlParserExpression, RefusesWhatIsNotAnExpression)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"a +", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"a b", "Erreur de syntaxe près de « b » (caractère 3)."},
        {"(a", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"a = Select", "Erreur de syntaxe près de « Select » (caractère 5)."},
        {"t.*", "Erreur de syntaxe près de « . » (caractère 2)."},
        {"Sum(*)", "Erreur de syntaxe près de « * » (caractère 5)."},
        {"a Is 1", "Erreur de syntaxe près de « 1 » (caractère 6)."},
        {"a Between 1 Or 2", "Erreur de syntaxe près de « Or » (caractère 13)."},
        {"{x 'a'}", "Erreur de syntaxe près de « x » (caractère 2)."},
        {"", "L'expression est vide."},
    };
    for (const auto& c : cases) {
        try {
            parseExpression(c.text);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), "42000");
            EXPECT_STREQ(error.what(), c.message) << c.text;
        }
    }
}

}  // namespace
}  // namespace kervane::sql
