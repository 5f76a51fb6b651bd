// Reading of CREATE VIEW, CREATE PROCEDURE, DROP VIEW and DROP PROCEDURE through the driver's own
// path (lexer, parser, raw tokens), and expressions written back as Access SQL text: reading that
// text again must give the same text, whatever operators nest.
#include "driver/sql/Parser.h"
#include "driver/sql/QueryDefinition.h"

#include <gtest/gtest.h>

namespace kervane::sql {
namespace {

std::optional<QueryDefinition> read(const std::string& sql)
{
    return readQueryDefinition(sql, parseStatement(sql).raw);
}

TEST(QueryDefinition, StatementsReadWithTheirParametersAndBody)
{
    const std::optional<QueryDefinition> procedure =
        read("CREATE PROCEDURE [Mise à jour] ([Prix max] CURRENCY, nom TEXT(20), n INTEGER) AS\n"
             "UPDATE t SET a = nom WHERE p < [Prix max];");
    ASSERT_TRUE(procedure);
    EXPECT_EQ(procedure->kind, QueryDefinition::Kind::CreateProcedure);
    EXPECT_EQ(procedure->name, "Mise à jour");
    ASSERT_EQ(procedure->parameters.size(), 3u);
    EXPECT_EQ(procedure->parameters[0].type.kind, ColumnType::Kind::Currency);
    EXPECT_EQ(procedure->parameters[1].type.size, 20);
    EXPECT_EQ(procedure->parameters[2].type.kind, ColumnType::Kind::Long);  // INTEGER is a Long in Access SQL
    EXPECT_EQ(procedure->body, "UPDATE t SET a = nom WHERE p < [Prix max];");
    // The body runs with its parameters declared, under their own names.
    const Statement declared = parseStatement(queryStatement(*procedure));
    ASSERT_EQ(declared.parameters.size(), 3u);
    EXPECT_EQ(declared.parameters[0].name, "Prix max");

    const std::optional<QueryDefinition> view = read("create view V (x, y) as select a, b from t");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->columns, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(read("DROP PROCEDURE [Mise à jour];")->kind, QueryDefinition::Kind::DropProcedure);
    EXPECT_EQ(read("DROP VIEW V")->name, "V");
    EXPECT_FALSE(read("CREATE TABLE t (a LONG)"));
    EXPECT_FALSE(read("DROP INDEX i ON t"));

    for (const char* malformed : {"CREATE VIEW V", "CREATE VIEW [a.b] AS SELECT 1", "DROP VIEW V W",
                                  "CREATE PROCEDURE P (a LONG, A TEXT) AS DELETE FROM t",
                                  "CREATE PROCEDURE P (a) AS DELETE FROM t"}) {
        try {
            read(malformed);
            ADD_FAILURE() << "accepted: " << malformed;
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), "42000") << malformed;
        }
    }
}

TEST(QueryDefinition, ExpressionsWrittenBackReadTheSame)
{
    for (const char* expression :
         {"a - (b - c)", "(a - b) - c", "-(a + b) * 2", "Not (a = 1 Or b = 2) And c", "2 ^ (3 ^ 2)",
          "a & \"x\"\"y\" & 'z'", "t.[a b] Mod 3 \\ 2", "d Not Between #2024-01-01# And #2024-12-31#",
          "a Not In (1, 'x', Null)", "b Not Like 'a*'", "c Is Not Null", "IIf(a > 0, Count(*), Sum(b))",
          "True Xor (False Eqv a) Imp b"}) {
        const std::string written = accessText(*parseExpression(expression));
        EXPECT_EQ(accessText(*parseExpression(written)), written) << expression;
    }
    // Parentheses that change the meaning stay: a - (b - c) is not a - b - c.
    EXPECT_NE(accessText(*parseExpression("a - (b - c)")), accessText(*parseExpression("a - b - c")));
    EXPECT_NE(accessText(*parseExpression("Not (a And b)")), accessText(*parseExpression("Not a And b")));
    for (const char* refused : {"a = ?", "a In (SELECT b FROM t)", "Exists (SELECT 1 FROM t)", "{fn UCASE(a)}"}) {
        try {
            accessText(*parseExpression(refused));
            ADD_FAILURE() << "accepted: " << refused;
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), "HYC00") << refused;
        }
    }
}

}  // namespace
}  // namespace kervane::sql
