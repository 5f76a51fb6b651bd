// Text comparison in Access SQL ignores case, in every script and whatever the operands are:
// columns, literals, parameters or function results. Accented letters still differ from their
// base letter (A = a < À = à < B = b), and numbers still compare as numbers.
#include "tests/driver/AccessSqlTest.h"

#include <variant>

namespace kervane::test {
namespace {

using Strings = std::vector<std::string>;
using Parameter = std::variant<std::string, SQLINTEGER>;

class CaseAccessSql : public AccessSqlTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite base(m_base);
        base.run("CREATE TABLE UN (ID LONG PRIMARY KEY);"
                 "INSERT INTO UN VALUES (1);"
                 "CREATE TABLE PERSONNE (ID LONG PRIMARY KEY, NOM TEXT(50), N LONG);"
                 "INSERT INTO PERSONNE VALUES (1, 'Дмитрий', 10), (2, 'ДМИТРИЙ', 9), (3, 'ωμέγα', 100),"
                 " (4, 'ΩΜΈΓΑ', 2), (5, 'Zoë', 1), (6, 'ZOË', 3), (7, 'Élodie', 4), (8, 'elodie', 5),"
                 " (9, 'анна', 6), (10, 'БОРИС', 7), (11, 'Вера', 8);"
                 "CREATE TABLE SURNOM (NOM TEXT(50), SURNOM TEXT(50));"
                 "INSERT INTO SURNOM VALUES ('дмитрий', 'Дима'), ('Ωμέγα', 'Ω'), ('zoë', 'Zozo');");
        open();
    }

    // Whether a condition holds, written in the WHERE clause of a one-row query.
    bool holds(const std::string& condition, const std::vector<Parameter>& parameters = {})
    {
        return withParameters("SELECT Count(*) FROM UN WHERE " + condition, parameters) == Strings{"1"};
    }

    // The first column of every row, the statement run with its parameters bound.
    Strings withParameters(const std::string& sql, const std::vector<Parameter>& parameters)
    {
        Instruction stmt(m_session->connexion);
        std::string text = sql;
        EXPECT_EQ(SQLPrepare(stmt.handle(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS), SQL_SUCCESS) << sql;
        std::vector<Parameter> values = parameters;  // the buffers stay put until SQLExecute
        for (std::size_t i = 0; i < values.size(); ++i) {
            const auto number = static_cast<SQLUSMALLINT>(i + 1);
            SQLRETURN rc = SQL_ERROR;
            if (auto* textValue = std::get_if<std::string>(&values[i]))
                rc = SQLBindParameter(stmt.handle(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 255, 0,
                                      textValue->data(), 0, nullptr);
            else
                rc = SQLBindParameter(stmt.handle(), number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                      &std::get<SQLINTEGER>(values[i]), 0, nullptr);
            EXPECT_EQ(rc, SQL_SUCCESS) << sql;
        }
        const SQLRETURN rc = SQLExecute(stmt.handle());
        EXPECT_EQ(rc, SQL_SUCCESS) << sql << "\n" << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
        Strings result;
        if (rc == SQL_SUCCESS)
            for (const Row& row : fetchAll(stmt.handle()))
                result.push_back(row.front().value_or("<null>"));
        return result;
    }
};

TEST_F(CaseAccessSql, LiteralsCompareWithoutRegardToCase)
{
    const char* const truths[] = {
        "'abc' = 'ABC'", "'ZOË' = 'Zoë'", "'É' = 'é'", "'à' = 'À'",
        "'ДМИТРИЙ' = 'Дмитрий'", "'ΩΜΈΓΑ' = 'ωμέγα'", "'ΣΟΦΟΣ' = 'σοφος'",
        "'abc' <> 'abd'", "Not 'abc' <> 'ABC'",
        // A = a < À = à < B = b, and the alphabets of Greek and Cyrillic.
        "'a' < 'À'", "'À' < 'b'", "'A' < 'à'", "'à' < 'B'", "'b' > 'À'",
        "'abc' <= 'ABC'", "'ABC' >= 'abc'", "'б' < 'В'", "'Б' < 'в'", "'α' < 'Β'", "'Ω' > 'ψ'",
        "'ZOË' Between 'zoë' And 'zoë'", "'ж' Between 'А' And 'я'", "'Ж' Between 'а' And 'Я'",
        "'ДМИТРИЙ' In ('x', 'дмитрий')", "'Ωμέγα' In ('ΩΜΈΓΑ')",
        "'ΩΜΈΓΑ' Like 'ωμ*'", "'Дмитрий' Like '[Д]МИ*'", "'ZOË' Like 'zo?'",
        // Results of functions, typed text or known only when the query runs.
        "UCase('abc') = 'abc'", "LCase('ΩΜΈΓΑ') = UCase('ωμέγα')", "Mid('xZOË', 2) = 'zoë'",
        "Trim(' ЖУК ') = 'жук'", "Nz(Null, 'ZOË') = Nz(Null, 'zoë')", "IIf(True, 'ДМИТРИЙ', 1) = 'дмитрий'",
        "IIf(True, 'b', 1) > IIf(True, 'A', 1)", "Nz(Null, 'Б') Between 'а' And 'в'",
    };
    for (const char* condition : truths)
        EXPECT_TRUE(holds(condition)) << condition;
    const char* const falsehoods[] = {
        "'E' = 'É'", "'e' = 'é'", "'abc' = 'abd'", "'ZOË' < 'zoë'", "'ZOË' > 'zoë'", "'Б' = 'в'",
        "'À' < 'a'", "'e' In ('É', 'è')", "IIf(True, 'E', 1) = IIf(True, 'é', 1)",
    };
    for (const char* condition : falsehoods)
        EXPECT_FALSE(holds(condition)) << condition;
}

TEST_F(CaseAccessSql, CaseWhenComparesAsEqualsDoes)
{
    EXPECT_EQ(value("SELECT CASE 'ZOË' WHEN 'zoë' THEN 'oui' ELSE 'non' END"), "oui");
    EXPECT_EQ(value("SELECT CASE 'E' WHEN 'é' THEN 'oui' ELSE 'non' END"), "non");
    EXPECT_EQ(column("SELECT CASE NOM WHEN 'дмитрий' THEN 'Дима' ELSE '-' END FROM PERSONNE WHERE ID <= 3 ORDER BY ID"),
              (Strings{"Дима", "Дима", "-"}));
    EXPECT_EQ(column("SELECT CASE Abs(N) WHEN 10 THEN 'dix' WHEN 9 THEN 'neuf' END FROM PERSONNE WHERE ID <= 2 "
                     "ORDER BY ID"),
              (Strings{"dix", "neuf"}));
}

TEST_F(CaseAccessSql, ParametersCompareAsTheirValues)
{
    using P = std::vector<Parameter>;
    EXPECT_TRUE(holds("? = ?", P{std::string("ДМИТРИЙ"), std::string("дмитрий")}));
    EXPECT_TRUE(holds("? = 'zoë'", P{std::string("ZOË")}));
    EXPECT_FALSE(holds("? = ?", P{std::string("E"), std::string("é")}));
    EXPECT_TRUE(holds("? < ?", P{std::string("a"), std::string("À")}));
    EXPECT_TRUE(holds("? In (?, 'x')", P{std::string("ΩΜΈΓΑ"), std::string("ωμέγα")}));
    EXPECT_TRUE(holds("? Between ? And ?", P{std::string("b"), std::string("A"), std::string("C")}));
    EXPECT_TRUE(holds("? Like ?", P{std::string("ДМИТРИЙ"), std::string("дми*")}));
    EXPECT_TRUE(holds("UCase(?) = LCase(?)", P{std::string("Жук"), std::string("ЖУК")}));
    EXPECT_EQ(withParameters("SELECT ID FROM PERSONNE WHERE NOM = ? ORDER BY ID", P{std::string("ωΜΈγα")}),
              (Strings{"3", "4"}));
    // Two numbers stay numbers: 10 is more than 9, though '10' sorts before '9' as a text.
    EXPECT_FALSE(holds("? < ?", P{SQLINTEGER{10}, SQLINTEGER{9}}));
    EXPECT_TRUE(holds("? > ?", P{SQLINTEGER{10}, SQLINTEGER{9}}));
    EXPECT_TRUE(holds("? Between ? And ?", P{SQLINTEGER{10}, SQLINTEGER{9}, SQLINTEGER{11}}));
}

TEST_F(CaseAccessSql, ColumnsOfGreekAndCyrillicTexts)
{
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM = 'дмитрий' ORDER BY ID"), (Strings{"1", "2"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM <> 'ΩΜΈΓΑ' AND ID < 6 ORDER BY ID"),
              (Strings{"1", "2", "5"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM In ('Ωμέγα', 'zoë') ORDER BY ID"),
              (Strings{"3", "4", "5", "6"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM Between 'ДМИТРИЙ' And 'дмитрий' ORDER BY ID"),
              (Strings{"1", "2"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM Like 'ωμ*' ORDER BY ID"), (Strings{"3", "4"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE UCase(NOM) = 'zoë' ORDER BY ID"), (Strings{"5", "6"}));
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE NOM = 'Elodie'"), (Strings{"8"}));
    // Cyrillic in its alphabet's order (а < б < в), whatever the case.
    EXPECT_EQ(column("SELECT NOM FROM PERSONNE WHERE ID >= 9 ORDER BY NOM DESC"),
              (Strings{"Вера", "БОРИС", "анна"}));
    EXPECT_EQ(column("SELECT NOM FROM PERSONNE WHERE ID >= 9 ORDER BY IIf(ID > 0, NOM, 0)"),
              (Strings{"анна", "БОРИС", "Вера"}));
    EXPECT_EQ(rows("SELECT Min(NOM), Max(NOM), Min(IIf(ID > 0, NOM, 0)) FROM PERSONNE WHERE ID >= 9"),
              (std::vector<Row>{{"анна", "Вера", "анна"}}));
}

TEST_F(CaseAccessSql, GroupsDistinctAndJoinsIgnoreCase)
{
    // Дмитрий, ωμέγα and Zoë each in two cases; Élodie and elodie differ by their accent.
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT DISTINCT NOM FROM PERSONNE WHERE ID <= 8)"), "5");
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT DISTINCT IIf(ID > 0, NOM, 0) FROM PERSONNE WHERE ID <= 8)"),
              "5");
    EXPECT_EQ(value("SELECT Count(DISTINCT NOM) FROM PERSONNE WHERE ID <= 8"), "5");
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT NOM FROM PERSONNE GROUP BY NOM HAVING Count(*) = 2)"), "3");
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT Nz(NOM, 0) FROM PERSONNE WHERE ID <= 8 GROUP BY Nz(NOM, 0))"),
              "5");
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT NOM FROM PERSONNE WHERE ID <= 4 UNION SELECT NOM FROM SURNOM)"),
              "3");
    EXPECT_EQ(column("SELECT p.ID & ' ' & s.SURNOM FROM PERSONNE p INNER JOIN SURNOM s ON p.NOM = s.NOM "
                     "ORDER BY p.ID"),
              (Strings{"1 Дима", "2 Дима", "3 Ω", "4 Ω", "5 Zozo", "6 Zozo"}));
    EXPECT_EQ(column("SELECT p.ID FROM PERSONNE p INNER JOIN SURNOM s ON LCase(s.NOM) = UCase(p.NOM) "
                     "WHERE s.SURNOM = 'zozo' ORDER BY p.ID"),
              (Strings{"5", "6"}));
}

TEST_F(CaseAccessSql, NumbersOfUntypedResultsStayNumbers)
{
    // Abs is typed when the query runs; 100 > 10 > 9 as numbers, not as texts.
    EXPECT_EQ(value("SELECT Max(Abs(N)) FROM PERSONNE"), "100");
    EXPECT_EQ(value("SELECT Sum(DISTINCT Abs(N)) FROM PERSONNE WHERE N >= 8"), "127");
    EXPECT_EQ(column("SELECT ID FROM PERSONNE WHERE Abs(N) > Abs(9) ORDER BY Abs(N)"), (Strings{"1", "3"}));
    EXPECT_EQ(column("SELECT Abs(N) FROM PERSONNE WHERE N >= 8 ORDER BY Abs(N)"), (Strings{"8", "9", "10", "100"}));
    EXPECT_EQ(column("SELECT Abs(N) FROM PERSONNE WHERE Abs(N) Between 8 And 10 GROUP BY Abs(N)"),
              (Strings{"8", "9", "10"}));
    EXPECT_FALSE(holds("Abs(10) < Abs(9)"));
    EXPECT_FALSE(holds("IIf(True, 10, 'x') < IIf(True, 9, 'x')"));
}

}  // namespace
}  // namespace kervane::test
