// Joins and filters served by the driver's own indexes over nwind.mdb: the answers are the
// sample's known figures, and the same as when the index is defeated (a unary + on the column
// keeps SQLite from handing the constraint over, so the table is walked).
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>


using namespace kervane::test;

namespace {

// The plan SQLite chose, one line per step.
std::string planOf(sqlite3* db, const std::string& sql)
{
    std::string plan;
    for (const auto& row : rowsOf(db, "EXPLAIN QUERY PLAN " + sql))
        plan += row.back() + "\n";
    return plan;
}

// True when some step reads a Jet table through one of the driver's lookups (plan number > 0).
bool usesLookup(sqlite3* db, const std::string& sql)
{
    const std::string plan = planOf(db, sql);
    const std::string step = "VIRTUAL TABLE INDEX ";
    for (auto at = plan.find(step); at != std::string::npos; at = plan.find(step, at + 1)) {
        if (plan.compare(at + step.size(), 2, "0:") != 0)
            return true;
    }
    return false;
}

// `sql` with its "%s" replaced by `on`.
std::string with(std::string sql, const std::string& on)
{
    return sql.replace(sql.find("%s"), 2, on);
}

const char kJoin[] = "SELECT count(*) FROM Orders o JOIN \"Order Details\" d ON o.OrderID = d.OrderID";
const char kJoinWalked[] = "SELECT count(*) FROM Orders o JOIN \"Order Details\" d ON +o.OrderID = +d.OrderID";

}  // namespace

TEST(JetIndex, JoinOnOrderIdFindsEveryOrderLine)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    EXPECT_TRUE(usesLookup(db.get(), kJoin)) << planOf(db.get(), kJoin);
    EXPECT_FALSE(usesLookup(db.get(), kJoinWalked)) << planOf(db.get(), kJoinWalked);
    EXPECT_EQ(single(db.get(), kJoin), "2155");
    EXPECT_EQ(single(db.get(), kJoinWalked), "2155");

    // Lines per order: 10248 has three, 10249 two, 10250 three; the whole grouping agrees with
    // the walked join.
    const std::string grouped = "SELECT o.OrderID, count(*), sum(d.Quantity) FROM Orders o JOIN \"Order Details\" d "
                                "ON %s GROUP BY o.OrderID ORDER BY o.OrderID";
    const auto indexed = rowsOf(db.get(), with(grouped, "o.OrderID = d.OrderID"));
    ASSERT_EQ(indexed.size(), 830u);
    EXPECT_EQ(indexed[0][0], "10248");
    EXPECT_EQ(indexed[0][1] + indexed[1][1] + indexed[2][1], "323");
    EXPECT_EQ(indexed, rowsOf(db.get(), with(grouped, "+o.OrderID = +d.OrderID")));
}

TEST(JetIndex, NumberFiltersCompareAsNumbers)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    const std::string lines = "SELECT count(*) FROM \"Order Details\" WHERE ";
    EXPECT_TRUE(usesLookup(db.get(), lines + "OrderID = 10248"));
    EXPECT_EQ(single(db.get(), lines + "OrderID = 10248"), "3");
    // A text that reads as the number, and the same number as a real, find the same rows.
    EXPECT_EQ(single(db.get(), lines + "OrderID = '10248'"), "3");
    EXPECT_EQ(single(db.get(), lines + "OrderID = 10248.0"), "3");
    EXPECT_EQ(single(db.get(), lines + "OrderID = 10248.5"), "0");
    EXPECT_EQ(single(db.get(), lines + "OrderID = 'dix'"), "0");
    EXPECT_EQ(single(db.get(), lines + "OrderID IN (10248, 10249, 99999)"), "5");

    // Ranges: the orders are numbered 10248 to 11077.
    EXPECT_TRUE(usesLookup(db.get(), lines + "OrderID BETWEEN 10248 AND 10250"));
    EXPECT_EQ(single(db.get(), lines + "OrderID BETWEEN 10248 AND 10250"), "8");
    EXPECT_EQ(single(db.get(), lines + "OrderID > 10248 AND OrderID < 10250"), "2");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE OrderID >= 10248"), "830");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE OrderID > 11077"), "0");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE OrderID < 'z'"), "830");
    // A filtered range comes back in the table's order, as a walk gives it.
    EXPECT_EQ(rowsOf(db.get(), "SELECT OrderID, ProductID FROM \"Order Details\" WHERE Quantity > 50"),
              rowsOf(db.get(), "SELECT OrderID, ProductID FROM \"Order Details\" WHERE +Quantity > 50"));
    EXPECT_EQ(rowsOf(db.get(), "SELECT OrderID FROM \"Order Details\" WHERE Discount >= 0.1 AND Discount < 0.2"),
              rowsOf(db.get(), "SELECT OrderID FROM \"Order Details\" WHERE +Discount >= 0.1 AND +Discount < 0.2"));
}

TEST(JetIndex, TextKeysFollowAccessOrder)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    const std::string alfki = "SELECT CustomerID FROM Customers WHERE CustomerID = 'alfki'";
    EXPECT_TRUE(usesLookup(db.get(), alfki));
    EXPECT_EQ(rowsOf(db.get(), alfki), (std::vector<std::vector<std::string>>{{"ALFKI"}}));
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE CustomerID = 'Alfki'"), "6");
    // Another order named by the statement is SQLite's to apply: no lookup, and case counts.
    const std::string binary = "SELECT count(*) FROM Customers WHERE CustomerID = 'alfki' COLLATE BINARY";
    EXPECT_FALSE(usesLookup(db.get(), binary));
    EXPECT_EQ(single(db.get(), binary), "0");
    // A number is not looked up in a text index; SQLite compares it as it always did.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers WHERE CustomerID = 5"), "0");

    const std::string join = "SELECT count(*) FROM Customers c JOIN Orders o ON c.CustomerID = o.CustomerID";
    EXPECT_TRUE(usesLookup(db.get(), join)) << planOf(db.get(), join);
    EXPECT_EQ(single(db.get(), join), "830");
    const std::string ranged = "SELECT CompanyName FROM Customers WHERE CompanyName >= 'b' AND CompanyName < 'D'";
    EXPECT_TRUE(usesLookup(db.get(), ranged));
    const std::string walked = "SELECT CompanyName FROM Customers WHERE +CompanyName >= 'b' AND +CompanyName < 'D'";
    const auto found = rowsOf(db.get(), ranged);
    EXPECT_FALSE(found.empty());
    EXPECT_EQ(found, rowsOf(db.get(), walked));
}

TEST(JetIndex, NullKeysNeverMatch)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    // Some orders and customers have no region: they meet nothing, not even each other.
    ASSERT_NE(single(db.get(), "SELECT count(*) FROM Orders WHERE ShipRegion IS NULL"), "0");
    ASSERT_NE(single(db.get(), "SELECT count(*) FROM Customers WHERE Region IS NULL"), "0");
    const std::string join = "SELECT count(*) FROM Orders o JOIN Customers c ON o.ShipRegion = c.Region";
    EXPECT_TRUE(usesLookup(db.get(), join));
    EXPECT_EQ(single(db.get(), join),
              single(db.get(), "SELECT count(*) FROM Orders o JOIN Customers c ON +o.ShipRegion = +c.Region"));
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders o JOIN Customers c ON o.ShipRegion = c.Region "
                               "WHERE o.ShipRegion IS NULL OR c.Region IS NULL"),
              "0");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers WHERE Region = (SELECT NULL)"), "0");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE OrderID > (SELECT NULL)"), "0");
}

TEST(JetIndex, GrownAccess2000FileJoinsWithinEachCopy)
{
    QTemporaryDir folder;
    const std::string grown = folder.path().toStdString() + "/nwind_x2.mdb";
    if (!growNwind(grown, 2))
        GTEST_SKIP() << "nwind.mdb, jetgen ou java absent : pas de copie agrandie de nwind";
    Connection db = attached(grown);
    // Two copies of every order and line, the second numbered 100000 higher, each customer's
    // second copy named with a 1 in place of its third letter (ALFKI -> ALKI1).
    EXPECT_TRUE(usesLookup(db.get(), kJoin));
    EXPECT_EQ(single(db.get(), kJoin), "4310");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM \"Order Details\" WHERE OrderID = 110248"), "3");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Orders WHERE CustomerID = 'alki1'"), "6");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers c JOIN Orders o ON c.CustomerID = o.CustomerID"), "1660");
    const std::string grouped = "SELECT o.CustomerID, count(*) FROM Orders o JOIN \"Order Details\" d ON %s "
                                "WHERE o.OrderID BETWEEN 110248 AND 110347 GROUP BY o.CustomerID ORDER BY 1";
    const auto indexed = rowsOf(db.get(), with(grouped, "o.OrderID = d.OrderID"));
    EXPECT_FALSE(indexed.empty());
    EXPECT_EQ(indexed, rowsOf(db.get(), with(grouped, "+o.OrderID = +d.OrderID")));
}

TEST(JetIndex, LookupsReadMovedRowsAsTheWalkDoes)
{
    REQUIRE_FILE(path, "jet/overflowTestV2000.mdb");
    Connection db = attached(path);
    // Table1 has 7 rows, some of them moved to overflow pages: a lookup reads each one, with its
    // rowid and every value, as the walk does.
    ASSERT_EQ(single(db.get(), "SELECT count(*) FROM Table1"), "7");
    for (const std::string column : {"data1", "data3"}) {
        const std::string found = "SELECT b.rowid, b.* FROM Table1 a JOIN Table1 b ON %s ORDER BY 1";
        const std::string indexed = with(found, "b." + column + " = a." + column);
        EXPECT_TRUE(usesLookup(db.get(), indexed)) << planOf(db.get(), indexed);
        const auto rows = rowsOf(db.get(), indexed);
        EXPECT_FALSE(rows.empty());
        EXPECT_EQ(rows, rowsOf(db.get(), with(found, "+b." + column + " = +a." + column))) << column;
    }
}
