// Access SQL on genuine Access files, read in place: the stated contents of the shared test files.
#include "tests/driver/AccessSqlTest.h"

#include <algorithm>

namespace kervane::test {
namespace {

// Table1 of testV1997.mdb and testV2000.mdb holds two rows: A='abcdefg' ... G=1974-09-21,
// H=3.5, I=True, and A='a' ... G=1981-12-12, H=0, I=False.
class JetAccessSql : public AccessSqlTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        m_file = testDataPath(std::string("jet/") + GetParam());
        if (m_file.empty()) {
            GTEST_SKIP() << "shared test data absent (KERVANE_TEST_DATA): " << GetParam() << " skipped";
        }
        m_digest = fileDigest(m_file);
        OdbcTest::SetUp();
        open(m_file);
    }
    void TearDown() override
    {
        AccessSqlTest::TearDown();
        if (!m_file.empty()) {
            EXPECT_EQ(fileDigest(m_file), m_digest) << "the Access file must never be written";
        }
    }

    std::string m_file;
    std::string m_digest;
};

TEST_P(JetAccessSql, CaseIsIgnoredWhateverTheOperands)
{
    using Texts = std::vector<std::string>;
    EXPECT_EQ(column("SELECT B FROM Table1 WHERE 'ABCDEFG' = A"), Texts{"hijklmnop"});
    EXPECT_EQ(column("SELECT B FROM Table1 WHERE A = \"A\""), Texts{"b"});
    EXPECT_EQ(column("SELECT A FROM Table1 ORDER BY A DESC"), (Texts{"abcdefg", "a"}));
    EXPECT_EQ(column("SELECT B FROM Table1 WHERE UCase(A) = 'abcdefg'"), Texts{"hijklmnop"});
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE UCase(A) = LCase(A) & '' ORDER BY UCase(A) DESC"),
              (Texts{"abcdefg", "a"}));
    EXPECT_EQ(column("SELECT B FROM Table1 WHERE A In ('X', 'ABCDEFG')"), Texts{"hijklmnop"});
    EXPECT_EQ(column("SELECT B FROM Table1 WHERE Nz(A, 0) = 'A'"), Texts{"b"});
    EXPECT_EQ(value("SELECT Max(UCase(A)) FROM Table1"), "ABCDEFG");
    EXPECT_EQ(value("SELECT Count(*) FROM Table1 t1 INNER JOIN Table1 t2 ON t1.A = UCase(t2.A)"), "2");
    EXPECT_EQ(value("SELECT Count(*) FROM (SELECT DISTINCT UCase(A) FROM Table1 UNION SELECT A FROM Table1)"), "2");
}

// A comparison on the column itself may be served by the driver's own index over it; one on a
// computed operand (A & '') walks the table. Both give the rows the stated contents call for.
TEST_P(JetAccessSql, AnswersDoNotDependOnThePlan)
{
    struct Case {
        const char* condition;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"A = 'ABCDEFG'", {"hijklmnop"}},
        {"A <> 'ABCDEFG'", {"b"}},
        {"A < 'AB'", {"b"}},
        {"A >= 'A'", {"b", "hijklmnop"}},
        {"A > 'A'", {"hijklmnop"}},
        {"A Between 'A' And 'ABCDEFG'", {"b", "hijklmnop"}},
        {"A Between 'B' And 'Z'", {}},
        {"A In ('A', 'ABCDEFG')", {"b", "hijklmnop"}},
        {"A Like 'A*G'", {"hijklmnop"}},
    };
    for (const Case& test : cases) {
        std::string walked = test.condition;
        walked.replace(0, 1, "(A & '')");
        const std::string select = "SELECT B FROM Table1 WHERE ";
        EXPECT_EQ(column(select + test.condition + " ORDER BY B"), test.expected) << test.condition;
        EXPECT_EQ(column(select + walked + " ORDER BY B"), test.expected) << walked;
    }
}

TEST_P(JetAccessSql, YesNoTrueIsMinusOne)
{
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE I = -1"), (std::vector<std::string>{"abcdefg"}));
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE I = True"), (std::vector<std::string>{"abcdefg"}));
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE I = 1"), (std::vector<std::string>{}));
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE Not I"), (std::vector<std::string>{"a"}));
}

TEST_P(JetAccessSql, DatesAndNumbersFollowAccess)
{
    EXPECT_EQ(value("SELECT Format(G, 'yyyy-mm') FROM Table1 WHERE C = 2"), "1974-09");
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE G > #1/1/1980#"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(column("SELECT A FROM Table1 WHERE G < '01/01/1980'"), (std::vector<std::string>{"abcdefg"}));
    EXPECT_EQ(value("SELECT Year(Max(G)) FROM Table1"), "1981");
    EXPECT_EQ(value("SELECT Sum(E) FROM Table1"), "333333333");
    EXPECT_EQ(value("SELECT TOP 1 D FROM Table1 ORDER BY D DESC"), "222");
    EXPECT_EQ(typeOf("SELECT Min(G) FROM Table1"), SQL_TYPE_TIMESTAMP);
}

TEST_P(JetAccessSql, ColumnsOfATableAreListed)
{
    Instruction stmt(m_session->connexion);
    std::string table = "Table1";
    ASSERT_EQ(SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(table.data()), SQL_NTS,
                         nullptr, 0),
              SQL_SUCCESS)
        << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    std::vector<std::string> names;
    for (const Row& row : fetchAll(stmt.handle()))
        names.push_back(row[3].value_or(""));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
}

INSTANTIATE_TEST_SUITE_P(Files, JetAccessSql, ::testing::Values("testV1997.mdb", "testV2000.mdb"),
                         [](const auto& parameter) {
                             std::string name = parameter.param;
                             return name.substr(0, name.find('.'));
                         });

// Numeric(18,0) columns col2..col7 of table test hold 1, 0, 0, 4, -1, 1.
class JetDecimal : public AccessSqlTest {};

TEST_F(JetDecimal, DecimalColumnsReadExactly)
{
    const std::string file = testDataPath("jet/fixedNumericTestV2000.mdb");
    if (file.empty()) {
        GTEST_SKIP() << "shared test data absent (KERVANE_TEST_DATA): fixedNumericTestV2000.mdb skipped";
    }
    open(file);
    EXPECT_EQ(rows("SELECT col1, col2, col3, col4, col5, col6, col7 FROM test"),
              (std::vector<Row>{{"some data", "1", "0", "0", "4", "-1", "1"}}));
    EXPECT_EQ(value("SELECT col5 + col2 FROM test"), "5");
}

// nwind.mdb: 830 orders.
class NwindAccessSql : public AccessSqlTest {
protected:
    void SetUp() override
    {
        const std::string file = testDataPath("nwind.mdb");
        if (file.empty()) {
            GTEST_SKIP() << "shared test data absent (KERVANE_TEST_DATA): nwind.mdb skipped";
        }
        OdbcTest::SetUp();
        open(file);
    }
};

TEST_F(NwindAccessSql, CrosstabCountsEveryOrderOnce)
{
    const std::vector<Row> table = rows("TRANSFORM Count(*) SELECT Year(OrderDate) AS Annee FROM Orders "
                                        "GROUP BY Year(OrderDate) PIVOT DatePart('q', OrderDate)");
    ASSERT_FALSE(table.empty());
    long total = 0;
    for (const Row& row : table) {
        ASSERT_EQ(row.size(), 5U);  // the year, then the quarters 1 to 4
        for (std::size_t i = 1; i < row.size(); ++i)
            total += row[i] ? std::stol(*row[i]) : 0;
    }
    EXPECT_EQ(total, 830);
    EXPECT_EQ(value("SELECT Count(*) FROM Orders WHERE OrderDate Is Not Null AND Year(OrderDate) > 1900"), "830");
    EXPECT_EQ(value("SELECT DCount('*', 'Orders')"), "830");
}

// 2,155 order lines, all of known orders; ALFKI placed 6 orders, order 10248 has 3 lines, and
// 2 of the 91 customers placed none.
TEST_F(NwindAccessSql, JoinsAndFiltersGiveTheSampleFigures)
{
    EXPECT_EQ(value("SELECT Count(*) FROM Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID"),
              "2155");
    EXPECT_EQ(value("SELECT Count(*) FROM [Order Details] WHERE OrderID = 10248"), "3");
    EXPECT_EQ(value("SELECT Count(*) FROM Orders WHERE CustomerID = \"alfki\""), "6");
    EXPECT_EQ(value("SELECT Count(*) FROM Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID "
                    "WHERE Customers.CustomerID = 'Alfki'"),
              "6");
    EXPECT_EQ(value("SELECT Count(*) FROM Customers LEFT JOIN Orders ON Customers.CustomerID = Orders.CustomerID "
                    "WHERE Orders.OrderID Is Null"),
              "2");
}

// queryTestV1997/V2000 hold nine stored queries; query objects are the rows of type 5 of MSysObjects.
class JetStoredQueries : public AccessSqlTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        const std::string file = testDataPath(std::string("jet/") + GetParam());
        if (file.empty()) {
            GTEST_SKIP() << "shared test data absent (KERVANE_TEST_DATA): " << GetParam() << " skipped";
        }
        OdbcTest::SetUp();
        open(file);
    }

    std::vector<std::string> listed(const char* type)
    {
        Instruction stmt(m_session->connexion);
        std::string types = type;
        EXPECT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0,
                            reinterpret_cast<SQLCHAR*>(types.data()), SQL_NTS),
                  SQL_SUCCESS);
        std::vector<std::string> names;
        for (const Row& row : fetchAll(stmt.handle()))
            names.push_back(row[2].value_or(""));
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Queries that give rows are views; the others, run by a call, are procedures.
TEST_P(JetStoredQueries, TheNineQueriesAreViewsOrProcedures)
{
    EXPECT_EQ(listed("VIEW"), (std::vector<std::string>{"CrosstabQuery", "SelectQuery", "UnionQuery"}));
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLProcedures(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    std::vector<std::string> procedures;
    for (const Row& row : fetchAll(stmt.handle()))
        procedures.push_back(row[2].value_or(""));
    EXPECT_EQ(procedures, (std::vector<std::string>{"AppendQuery", "DataDefinitionQuery", "DeleteQuery",
                                                    "MakeTableQuery", "PassthroughQuery", "UpdateQuery"}));
}

TEST_P(JetStoredQueries, ASelectQueryIsSelectableAndCallable)
{
    Instruction select(m_session->connexion);
    EXPECT_EQ(select.exec("SELECT * FROM [SelectQuery]"), SQL_SUCCESS)
        << diagRec(SQL_HANDLE_STMT, select.handle()).message;
    Instruction call(m_session->connexion);
    EXPECT_EQ(call.exec("{call SelectQuery}"), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, call.handle()).message;
    EXPECT_EQ(columnNames(call.handle()), columnNames(select.handle()));
}

TEST_P(JetStoredQueries, AnActionQueryIsRefusedWithItsReason)
{
    for (const char* name : {"UpdateQuery", "DeleteQuery", "AppendQuery", "MakeTableQuery"}) {
        const Diagnostic refused = failure(std::string("SELECT * FROM [") + name + "]");
        EXPECT_NE(refused.message.find(std::string("« ") + name + " »"), std::string::npos) << refused.message;
        EXPECT_NE(refused.message.find("lecture seule"), std::string::npos) << refused.message;
    }
}

TEST_P(JetStoredQueries, SystemTablesAreListedAndReadable)
{
    const std::vector<std::string> system = listed("SYSTEM TABLE");
    EXPECT_NE(std::find(system.begin(), system.end(), "MSysObjects"), system.end());
    EXPECT_NE(std::find(system.begin(), system.end(), "MSysQueries"), system.end());
    EXPECT_EQ(value("SELECT Count(*) FROM MSysObjects WHERE Type = 5"), "9");
}

INSTANTIATE_TEST_SUITE_P(Files, JetStoredQueries, ::testing::Values("queryTestV1997.mdb", "queryTestV2000.mdb"),
                         [](const auto& parameter) {
                             std::string name = parameter.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace kervane::test

namespace kervane::test {
namespace {

// The values of complexDataTest's complex columns one by one, in both versions of the file: a
// row per value (a row without values once, with Nulls), filtered, grouped and joined under the
// column's name; an attachment's file as its own bytes, those Jackcess's own tests of this file
// state ("this is some test data for attachment.", "this is some more test data for attachment.").
class ComplexValuesSql : public AccessSqlTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        m_file = testDataPath(std::string("ace/") + GetParam());
        if (m_file.empty())
            GTEST_SKIP() << "shared test data absent (KERVANE_TEST_DATA): " << GetParam() << " skipped";
        OdbcTest::SetUp();
        open(m_file);
    }
    std::string m_file;
};

TEST_P(ComplexValuesSql, EachValueIsARow)
{
    using Texts = std::vector<std::string>;
    EXPECT_EQ(column("SELECT id & ':' & [multi-value-data].Value FROM Table1 ORDER BY id, [multi-value-data].Value"),
              (Texts{"row1:", "row2:value1", "row2:value4", "row3:value1", "row3:value2", "row3:value3",
                     "row3:value4", "row4:"}));
    EXPECT_EQ(column("SELECT t.id FROM Table1 AS t WHERE t.[multi-value-data].Value = 'VALUE4' ORDER BY t.id"),
              (Texts{"row2", "row3"}));
    EXPECT_EQ(column("SELECT [multi-value-data].Value & '=' & Count(*) FROM Table1 "
                     "WHERE [multi-value-data].Value Is Not Null GROUP BY [multi-value-data].Value"),
              (Texts{"value1=2", "value2=1", "value3=1", "value4=2"}));
    EXPECT_EQ(column("SELECT [attach-data].FileName & ' ' & [attach-data].FileType FROM Table1 WHERE id = 'row2' "
                     "ORDER BY 1"),
              (Texts{"test_data.txt txt", "test_data2.txt txt"}));
    const auto hex = [](const std::string& text) {
        std::string digits;
        for (const unsigned char c : text)
            digits += "0123456789ABCDEF"[c >> 4], digits += "0123456789ABCDEF"[c & 15];
        return digits;
    };
    EXPECT_EQ(column("SELECT [attach-data].FileData FROM Table1 WHERE id = 'row2' ORDER BY [attach-data].FileName"),
              (Texts{hex("this is some test data for attachment."), hex("this is some more test data for attachment.")}));
    // * stays the table's own columns.
    EXPECT_EQ(rows("SELECT * FROM Table1 WHERE [multi-value-data].Value = 'value2'").front().size(), 6u);
    // The tables holding the values are flagged as the file's own: system tables.
    Instruction stmt(m_session->connexion);
    std::string pattern = "f\\_%";
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(pattern.data()), SQL_NTS,
                        nullptr, 0),
              SQL_SUCCESS);
    const std::vector<Row> hidden = fetchAll(stmt.handle());
    EXPECT_FALSE(hidden.empty());
    for (const Row& table : hidden)
        EXPECT_EQ(table[3], "SYSTEM TABLE") << table[2].value_or("");
}

INSTANTIATE_TEST_SUITE_P(Files, ComplexValuesSql,
                         ::testing::Values("complexDataTestV2007.accdb", "complexDataTestV2010.accdb"),
                         [](const auto& parameter) {
                             std::string name = parameter.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace kervane::test
