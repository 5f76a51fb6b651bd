#include "JetTestSupport.h"

#include "driver/jet/catalogue/JetQuerySources.h"
#include "driver/jet/catalogue/JetQueryText.h"
#include "driver/jet/module/JetDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

// Stored queries: the nine queries of the query test files, and the statement forms of
// Access SQL's reference rebuilt from MSysQueries rows.
using namespace kervane::test;
using namespace kervane::jet;
using Kind = StoredQuery::Kind;

namespace {

// Whitespace runs as one space: line breaks between clauses are layout, not meaning.
std::string spaced(const std::string& text)
{
    std::string result;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (!blank)
            result += c;
        else if (!result.empty() && result.back() != ' ')
            result += ' ';
    }
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

struct Part {
    int attribute;
    std::optional<std::string> expression = {};
    int flag = 0;
    std::optional<std::string> name1 = {};
    std::optional<std::string> name2 = {};
};

// MSysQueries rows numbered in the order given, as Access numbers them.
std::vector<QueryRow> rowsOf(const std::vector<Part>& parts)
{
    std::vector<QueryRow> rows;
    for (const Part& part : parts) {
        QueryRow row;
        row.attribute = part.attribute;
        row.expression = part.expression;
        row.flag = part.flag;
        row.name1 = part.name1;
        row.name2 = part.name2;
        row.order = std::string(3, '\0') + static_cast<char>(rows.size() + 1);
        rows.push_back(row);
    }
    // Rows come from MSysQueries in no particular order.
    std::reverse(rows.begin(), rows.end());
    return rows;
}

}  // namespace

// Each kind has its statement form in Access SQL: how it starts, and a word it holds.
TEST(JetQueries, NineStoredQueriesOfTheQueryTestFiles)
{
    const std::map<std::string, std::tuple<Kind, std::string, std::string>> expected = {
        {"SelectQuery", {Kind::Select, "SELECT ", ""}},
        {"UpdateQuery", {Kind::Update, "UPDATE ", ""}},
        {"AppendQuery", {Kind::Append, "INSERT INTO ", ""}},
        {"DeleteQuery", {Kind::Delete, "DELETE ", ""}},
        {"MakeTableQuery", {Kind::MakeTable, "SELECT ", " INTO "}},
        {"CrosstabQuery", {Kind::Crosstab, "TRANSFORM ", " PIVOT "}},
        {"UnionQuery", {Kind::Union, "", " UNION "}},
        {"PassthroughQuery", {Kind::PassThrough, "", ""}},
        {"DataDefinitionQuery", {Kind::DataDefinition, "", ""}}};
    for (const char* file : {"jet/queryTestV1997.mdb", "jet/queryTestV2000.mdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_FILE(path, file);
        Connection db = memoryConnection();
        std::string error;
        std::vector<StoredQuery> queries;
        ASSERT_TRUE(attachJetDatabase(db.get(), path, error, &queries)) << error;
        std::set<std::string> names;
        for (const StoredQuery& stored : queries) {
            names.insert(stored.name);
            SCOPED_TRACE(stored.name + " : " + stored.sql);
            // A PARAMETERS declaration comes before the statement.
            const std::string sql = spaced(stored.sql.rfind("PARAMETERS ", 0) == 0 ? stored.sql.substr(stored.sql.find(';') + 1)
                                                                                   : stored.sql);
            ASSERT_EQ(expected.count(stored.name), 1u);
            const auto& [kind, start, holds] = expected.at(stored.name);
            EXPECT_EQ(stored.kind, kind);
            EXPECT_FALSE(sql.empty());
            EXPECT_EQ(sql.find('\0'), std::string::npos);
            EXPECT_EQ(sql.rfind(start, 0), 0u);
            EXPECT_NE(sql.find(holds), std::string::npos);
        }
        EXPECT_EQ(names.size(), expected.size());
        EXPECT_EQ(queries.size(), expected.size());
    }
}

TEST(JetQueries, FileWithoutQueriesAndTheThreeArgumentForm)
{
    REQUIRE_FILE(path, "jet/testV2000.mdb");
    Connection db = memoryConnection();
    std::string error;
    std::vector<StoredQuery> queries(1);
    ASSERT_TRUE(attachJetDatabase(db.get(), path, error, &queries)) << error;
    EXPECT_TRUE(queries.empty());
    Connection other = memoryConnection();
    EXPECT_TRUE(attachJetDatabase(other.get(), path, error)) << error;
}

TEST(JetQueries, StatementFormsRebuiltFromTheirRows)
{
    struct Case {
        const char* what;
        Kind kind;
        std::vector<Part> parts;
        std::string sql;
    };
    const std::vector<Case> cases = {
        {"parameters declared first", Kind::Select,
         {{2, {}, 5, "Low price"}, {2, {}, 8, "Beginning date"}, {1, {}, 1}, {5, {}, 0, "Products"},
          {6, "ProductName"}, {8, "UnitPrice < [Low price] And Added >= [Beginning date]"}},
         "PARAMETERS [Low price] Currency, [Beginning date] DateTime; SELECT ProductName FROM Products "
         "WHERE UnitPrice < [Low price] And Added >= [Beginning date];"},
        {"DISTINCTROW over a join, descending order", Kind::Select,
         {{3, {}, 0x08}, {5, {}, 0, "Customers"}, {5, {}, 0, "Orders"}, {6, "CompanyName"},
          {7, "Customers.CustomerID = Orders.CustomerID", 1, "Customers", "Orders"}, {11, "CompanyName", 0, "D"}},
         "SELECT DISTINCTROW CompanyName FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
         "Orders.CustomerID ORDER BY CompanyName DESC;"},
        {"TOP n PERCENT, all fields, grouping", Kind::Select,
         {{3, {}, 0x10 | 0x20 | 0x01, "25"}, {5, {}, 0, "Orders"}, {6, "Sum(Freight)", 0, "Total"},
          {9, "ShipCountry"}, {10, "Sum(Freight) > 100"}},
         "SELECT TOP 25 PERCENT Sum(Freight) AS Total, * FROM Orders GROUP BY ShipCountry HAVING Sum(Freight) > 100;"},
        {"nested joins in parentheses, names with spaces bracketed", Kind::Select,
         {{5, {}, 0, "Orders"}, {5, {}, 0, "Order Details", "Lines"}, {5, {}, 0, "Products"}, {6, "Lines.Quantity"},
          {7, "Orders.OrderID = Lines.OrderID", 1, "Orders", "Lines"},
          {7, "Lines.ProductID = Products.ProductID", 2, "Lines", "Products"}},
         "SELECT Lines.Quantity FROM (Orders INNER JOIN [Order Details] AS Lines ON Orders.OrderID = Lines.OrderID) "
         "LEFT JOIN Products ON Lines.ProductID = Products.ProductID;"},
        {"make-table into another database", Kind::MakeTable,
         {{1, {}, 2, "Old Orders", "C:\\Archive.mdb"}, {5, {}, 0, "Orders"}, {6, "OrderID"},
          {8, "OrderDate < #1/1/95#"}},
         "SELECT OrderID INTO [Old Orders] IN 'C:\\Archive.mdb' FROM Orders WHERE OrderDate < #1/1/95#;"},
        {"append with its field list", Kind::Append,
         {{1, {}, 3, "Archive"}, {5, {}, 0, "Orders"}, {6, "Orders.OrderID", 0, {}, "OrderID"},
          {6, "Freight*2", 0, {}, "Total"}},
         "INSERT INTO Archive ( OrderID, Total ) SELECT Orders.OrderID, Freight*2 FROM Orders;"},
        {"append of one row of values", Kind::Append,
         {{1, {}, 3, "Shippers"}, {6, "\"Speedy\"", 0x8000, {}, "CompanyName"}, {6, "\"(503) 555-9831\"", 0x8000, {}, "Phone"}},
         "INSERT INTO Shippers ( CompanyName, Phone ) VALUES (\"Speedy\", \"(503) 555-9831\");"},
        {"update", Kind::Update,
         {{1, {}, 4}, {5, {}, 0, "Orders"}, {6, "Freight * 1.1", 0, {}, "Orders.Freight"}, {8, "ShipCountry = \"UK\""}},
         "UPDATE Orders SET Orders.Freight = Freight * 1.1 WHERE ShipCountry = \"UK\";"},
        {"delete of every field", Kind::Delete,
         {{1, {}, 5}, {3, {}, 0x01}, {5, {}, 0, "Employees"}, {8, "Title = \"Trainee\""}},
         "DELETE * FROM Employees WHERE Title = \"Trainee\";"},
        {"crosstab with a parameter", Kind::Crosstab,
         {{2, {}, 3, "prmYear"}, {1, {}, 6}, {5, {}, 0, "Orders"}, {6, "Count(OrderID)"}, {6, "EmployeeID", 2},
          {6, "DatePart(\"q\", OrderDate)", 1}, {8, "DatePart(\"yyyy\", OrderDate) = prmYear"}, {9, "EmployeeID", 2},
          {9, "DatePart(\"q\", OrderDate)", 1}},
         "PARAMETERS prmYear Short; TRANSFORM Count(OrderID) SELECT EmployeeID FROM Orders "
         "WHERE DatePart(\"yyyy\", OrderDate) = prmYear GROUP BY EmployeeID PIVOT DatePart(\"q\", OrderDate);"},
        {"union removing duplicates", Kind::Union,
         {{1, {}, 9}, {3, {}, 0x02}, {5, "SELECT City FROM Customers\r\n", 0, {}, "X7YZ_____1"},
          {5, "SELECT City FROM Suppliers", 0, {}, "X7YZ_____2"}, {11, "City"}},
         "SELECT City FROM Customers UNION SELECT City FROM Suppliers ORDER BY City;"},
        {"union keeping duplicates", Kind::Union,
         {{1, {}, 9}, {3, {}, 0}, {5, "SELECT City FROM Customers", 0, {}, "X7YZ_____1"},
          {5, "SELECT City FROM Suppliers", 0, {}, "X7YZ_____2"}},
         "SELECT City FROM Customers UNION ALL SELECT City FROM Suppliers;"},
        {"pass-through text as typed", Kind::PassThrough,
         {{1, std::string("SELECT * FROM dbo.Orders") + '\0', 8, "ODBC;DSN=Sales;"}}, "SELECT * FROM dbo.Orders"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(spaced(queryText(test.kind, rowsOf(test.parts))), test.sql);
    }
    EXPECT_EQ(queryParameters(rowsOf(cases[0].parts)), (std::vector<std::string>{"Low price", "Beginning date"}));
}

TEST(JetQueries, KindFromObjectFlagsOrFromTheKindRow)
{
    const std::vector<std::pair<int, Kind>> byFlags = {
        {0, Kind::Select},       {16, Kind::Crosstab},        {32, Kind::Delete},
        {48, Kind::Update},      {64, Kind::Append},          {80, Kind::MakeTable},
        {96, Kind::DataDefinition}, {112, Kind::PassThrough}, {128, Kind::Union}};
    for (const auto& [flags, kind] : byFlags) {
        EXPECT_EQ(queryKind(flags, 1), kind) << flags;
        EXPECT_EQ(queryKind(flags | 0x08, 1), kind) << flags;  // other flag bits do not count
    }
    EXPECT_EQ(queryKind(0, 5), Kind::Delete);
    EXPECT_EQ(queryKind(0, 9), Kind::Union);
    EXPECT_FALSE(queryKind(224, 1).has_value());  // a procedure
}

TEST(JetQueries, IdentifiersBracketedAsAccessWritesThem)
{
    EXPECT_EQ(quotedName("Orders"), "Orders");
    EXPECT_EQ(quotedName("Order Details"), "[Order Details]");
    EXPECT_EQ(quotedName("Umsätze"), "Umsätze");
    EXPECT_EQ(quotedName("Order Details.Unit Price"), "[Order Details].[Unit Price]");
    EXPECT_EQ(quotedName("[a.b].c"), "[a.b].c");
    EXPECT_EQ(quotedIdentifier("a.b"), "[a.b]");
}
