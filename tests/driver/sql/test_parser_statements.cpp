// Parser of Access SQL statements: every statement form, FROM clauses with nested joins, UNION
// chains, and the errors (positions, trailing text, empty statements, deep nesting).
#include "ParserTestPrinter.h"

#include "driver/sql/Parser.h"

#include <gtest/gtest.h>

namespace kervane::sql {
namespace {

using test::parseError;
using test::statementShape;

struct StatementCase {
    const char* sql;
    const char* shape;
};

void expectStatements(std::initializer_list<StatementCase> cases)
{
    for (const StatementCase& c : cases) {
        try {
            EXPECT_EQ(statementShape(c.sql), c.shape) << c.sql;
        } catch (const SqlError& error) {
            ADD_FAILURE() << c.sql << ": " << error.what();
        }
    }
}

TEST(SqlParserSelect, Clauses)
{
    expectStatements({
        {"SELECT * FROM t", "SELECT * FROM t"},
        {"select distinct a from t;", "SELECT DISTINCT a FROM t"},
        {"SELECT DISTINCTROW CompanyName FROM Customers", "SELECT DISTINCTROW CompanyName FROM Customers"},
        {"SELECT ALL a FROM t", "SELECT a FROM t"},
        {"SELECT TOP 25 a FROM t ORDER BY a DESC", "SELECT TOP 25 a FROM t ORDER BY a DESC"},
        {"SELECT DISTINCT TOP 10 PERCENT a FROM t", "SELECT DISTINCT TOP 10 PERCENT a FROM t"},
        {"SELECT t.*, [a b] AS x, b y, c AS 'z', d \"w\", e AS [Total général] FROM t",
         "SELECT t.*, [a b] AS x, b AS y, c AS z, d AS w, e AS [Total général] FROM t"},
        {"SELECT [t 1].* FROM [t 1]", "SELECT [t 1].* FROM [t 1]"},
        {"SELECT 1 + 1", "SELECT (1 + 1)"},
        {"SELECT a INTO [New T] FROM t", "SELECT a INTO [New T] FROM t"},
        {"SELECT a, Count(*) AS n FROM t WHERE a > 1 GROUP BY a HAVING Count(*) > 2 ORDER BY a, n ASC",
         "SELECT a, Count(*) AS n FROM t WHERE (a > 1) GROUP BY a HAVING (Count(*) > 2) ORDER BY a, n"},
        {"SELECT a FROM t WHERE (((t.a)='x')) WITH OWNERACCESS OPTION;", "SELECT a FROM t WHERE (t.a = 'x')"},
        {"SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE u.c = t.c)",
         "SELECT a FROM t WHERE (a In (SELECT b FROM u WHERE (u.c = t.c)))"},
    });
}

TEST(SqlParserSelect, UnionsAndParentheses)
{
    expectStatements({
        {"SELECT a FROM t UNION SELECT b FROM u UNION ALL TABLE v ORDER BY 1",
         "SELECT a FROM t UNION SELECT b FROM u UNION ALL SELECT * FROM v ORDER BY 1"},
        {"TABLE t UNION TABLE u", "SELECT * FROM t UNION SELECT * FROM u"},
        {"(SELECT a FROM t) UNION (SELECT b FROM u) ORDER BY a",
         "(SELECT a FROM t) UNION (SELECT b FROM u) ORDER BY a"},
        {"(SELECT a FROM t)", "(SELECT a FROM t)"},
        {"((SELECT a FROM t));", "(SELECT a FROM t)"},
        {"(SELECT a FROM t UNION SELECT b FROM u) ORDER BY 1", "(SELECT a FROM t) UNION SELECT b FROM u ORDER BY 1"},
        // A member with its own ORDER BY keeps it in a sub-query of its own.
        {"(SELECT TOP 1 a FROM t ORDER BY a) UNION (SELECT b FROM u)",
         "(SELECT * FROM (SELECT TOP 1 a FROM t ORDER BY a)) UNION (SELECT b FROM u)"},
    });
}

TEST(SqlParserSelect, FromClauses)
{
    expectStatements({
        {"SELECT * FROM a, b AS x, c y", "SELECT * FROM a, b AS x, c AS y"},
        {"SELECT * FROM (a INNER JOIN b ON a.x = b.x) INNER JOIN c ON b.y = c.y",
         "SELECT * FROM ((a INNER JOIN b ON (a.x = b.x)) INNER JOIN c ON (b.y = c.y))"},
        {"SELECT * FROM a INNER JOIN (b LEFT JOIN c ON b.y = c.y) ON a.x = b.x",
         "SELECT * FROM (a INNER JOIN (b LEFT JOIN c ON (b.y = c.y)) ON (a.x = b.x))"},
        {"SELECT * FROM ((a LEFT OUTER JOIN b ON a.x = b.x) RIGHT OUTER JOIN c ON (b.y = c.y AND b.z > c.z))",
         "SELECT * FROM ((a LEFT JOIN b ON (a.x = b.x)) RIGHT JOIN c ON ((b.y = c.y) And (b.z > c.z)))"},
        {"SELECT * FROM (((a))) INNER JOIN [Order Details] AS d ON a.x = d.x, e",
         "SELECT * FROM (a INNER JOIN [Order Details] AS d ON (a.x = d.x)), e"},
        {"SELECT * FROM a INNER JOIN b ON a.x = b.x INNER JOIN c ON b.y = c.y",
         "SELECT * FROM ((a INNER JOIN b ON (a.x = b.x)) INNER JOIN c ON (b.y = c.y))"},
        {"SELECT * FROM t IN 'other.mdb'", "SELECT * FROM t IN 'other.mdb'"},
        {"SELECT * FROM t IN '' [dBASE IV;DATABASE=C:\\data] AS x", "SELECT * FROM t IN 'dBASE IV;DATABASE=C:\\data' AS x"},
        {"SELECT * FROM [C:\\b.mdb].[t]", "SELECT * FROM t IN 'C:\\b.mdb'"},
        {"SELECT s.a FROM (SELECT a FROM t) AS s", "SELECT s.a FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM (SELECT a FROM t) s", "SELECT * FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM ((SELECT a FROM t) UNION (SELECT b FROM u)) AS s",
         "SELECT * FROM ((SELECT a FROM t) UNION (SELECT b FROM u)) AS s"},
        {"SELECT * FROM ((SELECT a FROM t) AS s INNER JOIN u ON s.a = u.a)",
         "SELECT * FROM ((SELECT a FROM t) AS s INNER JOIN u ON (s.a = u.a))"},
        {"SELECT * FROM [SELECT a FROM t]. AS s", "SELECT * FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM {oj a LEFT OUTER JOIN b ON a.x = b.x}", "SELECT * FROM (a LEFT JOIN b ON (a.x = b.x))"},
    });
}

TEST(SqlParserStatement, TransformAndParameters)
{
    expectStatements({
        {"PARAMETERS prmYear SHORT; TRANSFORM Count(OrderID) SELECT Employee FROM Orders "
         "WHERE Year(OrderDate) = prmYear GROUP BY Employee PIVOT DatePart(\"q\", OrderDate)",
         "PARAMETERS prmYear SHORT; TRANSFORM Count(OrderID) SELECT Employee FROM Orders "
         "WHERE (Year(OrderDate) = prmYear) GROUP BY Employee PIVOT DatePart('q', OrderDate)"},
        {"TRANSFORM Sum(q) AS s SELECT p FROM t GROUP BY p ORDER BY p PIVOT Format(d, 'mmm') IN ('Jan', 'Feb')",
         "TRANSFORM Sum(q) SELECT p FROM t GROUP BY p ORDER BY p PIVOT Format(d, 'mmm') IN ('Jan', 'Feb')"},
        {"PARAMETERS [Low price] Currency, [Beginning date] DateTime; SELECT * FROM t WHERE p > [Low price]",
         "PARAMETERS [Low price] Currency, [Beginning date] DateTime; SELECT * FROM t WHERE (p > [Low price])"},
        {"PARAMETERS a Text(50), b Text ( 255 ), c Long, d Decimal(10, 2); SELECT a",
         "PARAMETERS a Text(50), b Text(255), c Long, d Decimal(10,2); SELECT a"},
    });
    const Statement s = parseStatement("PARAMETERS [x y] Long; DELETE FROM t WHERE a = [x y]");
    ASSERT_EQ(s.parameters.size(), 1u);
    EXPECT_EQ(s.parameters[0].position, 11u);
    EXPECT_EQ(s.kind, Statement::Kind::Delete);
}

TEST(SqlParserStatement, InsertUpdateDelete)
{
    expectStatements({
        {"INSERT INTO t VALUES (1, 'a', Null)", "INSERT INTO t VALUES (1, 'a', Null)"},
        {"INSERT INTO t ( a, [b c] ) VALUES (?, #1/1/2000#)", "INSERT INTO t (a, [b c]) VALUES (?, #1/1/2000#)"},
        {"INSERT INTO t (a) SELECT b FROM u WHERE c", "INSERT INTO t (a) SELECT b FROM u WHERE c"},
        {"INSERT INTO t SELECT * FROM u UNION SELECT * FROM v", "INSERT INTO t SELECT * FROM u UNION SELECT * FROM v"},
        {"INSERT INTO t (SELECT * FROM u)", "INSERT INTO t (SELECT * FROM u)"},
        {"UPDATE t SET a = 1, t.b = b + 1 WHERE c Is Null", "UPDATE t SET a = 1, t.b = (b + 1) WHERE (c Is Null)"},
        {"UPDATE a INNER JOIN b ON a.k = b.k SET a.x = b.y", "UPDATE (a INNER JOIN b ON (a.k = b.k)) SET a.x = b.y"},
        {"UPDATE DISTINCTROW a, b SET a.x = b.y WHERE a.k = b.k",
         "UPDATE (a, b) SET a.x = b.y WHERE (a.k = b.k)"},
        {"DELETE * FROM Employees WHERE Title = 'Trainee'", "DELETE Employees FROM Employees WHERE (Title = 'Trainee')"},
        {"DELETE FROM t WHERE a = 1", "DELETE t FROM t WHERE (a = 1)"},
        {"DELETE t.* FROM t INNER JOIN u ON t.k = u.k", "DELETE t FROM (t INNER JOIN u ON (t.k = u.k))"},
        {"DELETE c.* FROM Customers AS c WHERE c.x = 1", "DELETE Customers FROM Customers AS c WHERE (c.x = 1)"},
        {"DELETE DISTINCTROW t.*, t.x FROM t WHERE t.x = 1", "DELETE t FROM t WHERE (t.x = 1)"},
        {"DELETE [My T].Country FROM [My T]", "DELETE [My T] FROM [My T]"},
        {"DELETE * FROM a INNER JOIN b ON a.k = b.k", "DELETE [] FROM (a INNER JOIN b ON (a.k = b.k))"},
    });
}

TEST(SqlParserStatement, CallsAndRawStatements)
{
    expectStatements({
        {"CALL q", "CALL q()"},
        {"call [My Query](1, 'a')", "CALL [My Query](1, 'a')"},
        {"EXEC q 1, 'a'", "CALL q(1, 'a')"},
        {"EXECUTE q;", "CALL q()"},
        {"{call q(1)}", "CALL q(1)"},
        {"{CALL q}", "CALL q()"},
        {"CREATE TABLE [My T] (a TEXT(50), `b` LONG, c DOUBLE DEFAULT 'x''y')",
         "W:CREATE W:TABLE N:My T S:( W:a W:TEXT S:( #:50 S:) S:, N:b W:LONG S:, W:c W:DOUBLE W:DEFAULT T:x'y S:)"},
        {"drop table t;", "W:drop W:table W:t"},
        {"ALTER TABLE t ADD COLUMN d DATETIME DEFAULT #1/1/2000#",
         "W:ALTER W:TABLE W:t W:ADD W:COLUMN W:d W:DATETIME W:DEFAULT S:#1/1/2000#"},
        {"BEGIN TRANSACTION", "W:BEGIN W:TRANSACTION"},
        {"COMMIT", "W:COMMIT"},
    });
    const Statement raw = parseStatement("GRANT SELECT ON TABLE t TO u");
    EXPECT_EQ(raw.kind, Statement::Kind::Raw);
    EXPECT_EQ(raw.raw.size(), 7u);
    EXPECT_EQ(raw.raw[5].position, 24u);
}

TEST(SqlParserErrors, PositionsAreCharactersOfTheOffendingToken)
{
    const struct {
        const char* sql;
        const char* message;
    } cases[] = {
        {"SELECT a b c FROM t", "Erreur de syntaxe près de « c » (caractère 12)."},
        // After an accented character the position still counts characters.
        {"SELECT 'é', x y z", "Erreur de syntaxe près de « z » (caractère 17)."},
        {"SELECT a FROM t WHERE", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT a FROM t WHERE a = 'x", "Erreur de syntaxe : texte non terminé (caractère 27)."},
        {"SELECT * FROM t WHERE d > #1/1/2000", "Erreur de syntaxe : date non terminée (caractère 27)."},
        {"SELECT FROM t", "Erreur de syntaxe près de « FROM » (caractère 8)."},
        {"SELECT a FROM t ORDER a", "Erreur de syntaxe près de « ORDER » (caractère 17)."},
        {"SELECT * FROM a INNER JOIN b", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT TOP 1.5 a FROM t", "Erreur de syntaxe près de « 1.5 » (caractère 12)."},
        {"SELECT * FROM t WHERE a 'une très longue valeur de texte qui dépasse'",
         "Erreur de syntaxe près de « 'une très longue valeur de texte qui dép… » (caractère 25)."},
        {"FOO x", "Erreur de syntaxe près de « FOO » (caractère 1)."},
        {"PARAMETERS a Long SELECT a", "Erreur de syntaxe près de « SELECT » (caractère 19)."},
        {"PARAMETERS a Long;", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT * FROM [SELECT a FROM t WHERE]. AS s", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT * FROM [SELECT a b c FROM t]. AS s", "Erreur de syntaxe près de « c » (caractère 27)."},
        {"INSERT INTO t (a) VALUES (1", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"UPDATE t SET a + 1", "Erreur de syntaxe près de « + » (caractère 16)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseError(c.sql), c.message) << c.sql;
}

TEST(SqlParserErrors, OneStatementOnly)
{
    const std::string trailing = "Caractères trouvés après la fin de l'instruction SQL : une seule instruction est permise.";
    const std::string empty = "L'instruction SQL est vide.";
    const struct {
        const char* sql;
        std::string message;
    } cases[] = {
        {"SELECT 1; SELECT 2", trailing},
        {"DROP TABLE a; DROP TABLE b", trailing},
        {"SELECT 1;;", trailing},
        {"SELECT 1; -- fin\n /* commentaire ' */ ", ""},
        {"SELECT 1 ;", ""},
        {"", empty},
        {"  \r\n -- rien\n", empty},
        {";", empty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseError(c.sql), c.message) << c.sql;
}

TEST(SqlParserErrors, ExternalTargetsAreRefused)
{
    for (const char* sql : {"INSERT INTO t IN 'other.mdb' SELECT * FROM u", "SELECT a INTO t IN 'other.mdb' FROM u"}) {
        try {
            parseStatement(sql);
            ADD_FAILURE() << sql << " was accepted";
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), "HYC00") << sql;
        }
    }
}

TEST(SqlParserErrors, DeepNestingIsRefusedWithoutCrashing)
{
    const auto nested = [](int depth, const std::string& open, const std::string& inner, const std::string& close) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += open;
        text += inner;
        for (int i = 0; i < depth; ++i)
            text += close;
        return text;
    };
    EXPECT_EQ(parseError("SELECT " + nested(150, "(", "1", ")")), "");
    EXPECT_EQ(parseError(nested(100, "(", "SELECT 1", ")")), "");
    const std::string tooDeep = "L'instruction SQL est trop imbriquée : plus de 200 niveaux de parenthèses ou de sous-requêtes.";
    EXPECT_EQ(parseError("SELECT " + nested(250, "(", "1", ")")), tooDeep);
    EXPECT_EQ(parseError("SELECT " + nested(100000, "(", "", "")), tooDeep);
    EXPECT_EQ(parseError("SELECT " + nested(100000, "- ", "1", "")), tooDeep);
    EXPECT_EQ(parseError("SELECT " + nested(100000, "Not ", "1", "")), tooDeep);
    EXPECT_EQ(parseError(nested(100000, "(", "SELECT 1", ")")), tooDeep);
    EXPECT_EQ(parseError("SELECT * FROM " + nested(100000, "(", "t", ")")), tooDeep);
    EXPECT_EQ(parseError("SELECT * FROM t WHERE " + nested(100000, "a IN (SELECT b FROM t WHERE ", "1", ")")), tooDeep);
}

TEST(SqlParserErrors, LongFlatStatementsParse)
{
    // About 10 kB: a long Or chain and a long IN list, as generated queries have.
    std::string sql = "SELECT * FROM t WHERE a = 0";
    for (int i = 1; i < 400; ++i)
        sql += " OR [a] = " + std::to_string(i);
    sql += " OR b IN (0";
    for (int i = 1; i < 600; ++i)
        sql += ", '" + std::to_string(i) + "'";
    sql += ")";
    const Statement s = parseStatement(sql);
    ASSERT_EQ(s.select->where->kind, ExprKind::Binary);
    EXPECT_EQ(s.select->where->args[1]->args.size(), 601u);
}

}  // namespace
}  // namespace kervane::sql
