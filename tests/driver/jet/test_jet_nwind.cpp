#include "JetTestSupport.h"

#include "driver/jet/module/JetDatabase.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

// Access mode of the descriptors this process holds on `path`.
std::vector<int> openModes(const std::string& path)
{
    std::vector<int> modes;
    const auto wanted = std::filesystem::canonical(path);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) != wanted)
            continue;
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        std::string key;
        std::string flags;
        while (info >> key >> flags && key != "flags:") {
        }
        modes.push_back(static_cast<int>(std::stol(flags, nullptr, 8) & O_ACCMODE));
    }
    return modes;
}

}  // namespace

TEST(JetNwind, UserTablesBecomeReadOnlyVirtualTables)
{
    REQUIRE_NWIND(path);
    EXPECT_TRUE(jet::isJetFile(path));
    Connection db = attached(path);
    const auto tables = rowsOf(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table' "
                                         "AND name NOT LIKE 'MSys%' ORDER BY name");
    std::vector<std::string> names;
    for (const auto& row : tables)
        names.push_back(row[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"Categories", "Customers", "Employees", "Order Details", "Orders",
                                                "Products", "Shippers", "Suppliers", "Umsätze"}));
    // The catalogue, with one row per object, is there too.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM MSysObjects WHERE Name = 'Umsätze'"), "1");

    std::vector<std::vector<std::string>> rows;
    std::string error;
    for (const char* write : {"UPDATE Orders SET Freight = 0", "INSERT INTO Shippers VALUES (9, 'x', 'y')",
                              "DELETE FROM Customers"}) {
        EXPECT_FALSE(query(db.get(), write, rows, error)) << write;
        EXPECT_TRUE(error.find("protégé en écriture") != std::string::npos ||
                    error.find("table indexée") != std::string::npos)
            << error;
    }
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers"), "91");
    // The module cannot be used to declare other tables from SQL.
    const std::string module = single(db.get(), "SELECT substr(sql, instr(sql, 'USING ') + 6) FROM sqlite_master LIMIT 1");
    const std::string moduleName = module.substr(0, module.find('('));
    EXPECT_FALSE(query(db.get(), "CREATE VIRTUAL TABLE autre USING " + moduleName + "(0)", rows, error));
}

TEST(JetNwind, FullSqlOverTheTables)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    auto rows = rowsOf(db.get(),
                       "SELECT o.OrderID, c.CompanyName FROM Orders o JOIN Customers c ON c.CustomerID = o.CustomerID "
                       "ORDER BY o.OrderID DESC");
    ASSERT_EQ(rows.size(), 830u);
    EXPECT_EQ(rows.front()[0], "11077");
    EXPECT_EQ(rows.back()[0], "10248");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM \"Order Details\""), "2155");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM (SELECT CustomerID FROM Orders GROUP BY CustomerID)"), "89");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers WHERE CustomerID NOT IN (SELECT CustomerID FROM Orders)"),
              "2");
    // Rowids are the rows' places, (data page << 8) | slot: one per row, in walk order.
    EXPECT_EQ(single(db.get(), "SELECT count(DISTINCT rowid) FROM Products"), "77");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Products WHERE (rowid >> 8) < 4 OR (rowid & 255) > 254"), "0");

    // Non-ASCII table name and values in the file's code page.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Umsätze"), "830");
    EXPECT_EQ(single(db.get(), "SELECT ShipAddress FROM Umsätze WHERE OrderID = 10330"),
              "Carrera 52 con Ave. Bolívar #65-98 Llano Largo");
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Customers WHERE City = 'México D.F.'"), "5");
}

TEST(JetNwind, DeclaredTypesAndValueForms)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    const auto typeOf = [&](const std::string& table) {
        std::vector<std::string> types;
        for (const auto& row : rowsOf(db.get(), "SELECT name || ' ' || type FROM pragma_table_info('" + table + "')"))
            types.push_back(row[0]);
        return types;
    };
    const auto orders = typeOf("Orders");
    ASSERT_EQ(orders.size(), 14u);
    EXPECT_EQ(orders[0], "OrderID COUNTER");  // an AutoNumber
    EXPECT_EQ(orders[1], "CustomerID TEXT(5)");
    EXPECT_EQ(orders[3], "OrderDate DATETIME");
    EXPECT_EQ(orders[7], "Freight CURRENCY");
    EXPECT_EQ(typeOf("Categories"), (std::vector<std::string>{"CategoryID COUNTER", "CategoryName TEXT(15)",
                                                              "Description MEMO", "Picture OLEOBJECT"}));
    const auto details = typeOf("Order Details");
    EXPECT_EQ(details[3], "Quantity SHORT");
    EXPECT_EQ(details[4], "Discount SINGLE");
    EXPECT_EQ(typeOf("Products")[9], "Discontinued YESNO");

    auto rows = rowsOf(db.get(),
                       "SELECT typeof(OrderID), OrderDate, typeof(Freight), Freight, ShipRegion FROM Orders "
                       "WHERE OrderID = 10248");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"integer", "1994-08-04 00:00:00", "text", "32.3800", "NULL"}));
    // Yes/No: Access's True is -1.
    EXPECT_EQ(single(db.get(), "SELECT group_concat(DISTINCT Discontinued) FROM (SELECT Discontinued FROM Products "
                               "ORDER BY 1)"),
              "-1,0");
    EXPECT_EQ(single(db.get(), "SELECT typeof(Discount) || ' ' || round(Discount, 2) FROM \"Order Details\" "
                               "WHERE Discount > 0 LIMIT 1"),
              "real 0.15");
    EXPECT_EQ(single(db.get(), "SELECT typeof(Quantity) FROM \"Order Details\" LIMIT 1"), "integer");
}

TEST(JetNwind, MemoAndOleValuesReadWhole)
{
    REQUIRE_NWIND(path);
    Connection db = attached(path);
    // Memos spread over long-value pages come back whole, not cut at a buffer size.
    auto rows = rowsOf(db.get(), "SELECT EmployeeID, length(Notes), substr(Notes, -20) FROM Employees ORDER BY 1");
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0][1], "175");
    EXPECT_EQ(rows[1][1], "448");
    EXPECT_EQ(rows[1][2], "porters Association.");
    // OLE objects: a BLOB with the object's header and more than one page of bytes.
    rows = rowsOf(db.get(), "SELECT typeof(Photo), length(Photo), hex(substr(Photo, 1, 2)) FROM Employees");
    for (const auto& row : rows) {
        EXPECT_EQ(row[0], "blob");
        EXPECT_GT(std::stoi(row[1]), 20000);
        EXPECT_EQ(row[2], "151C");
    }
    EXPECT_EQ(single(db.get(), "SELECT min(length(Picture)) || '/' || max(length(Picture)) FROM Categories"),
              "10746/10746");
}

TEST(JetNwind, FileOpenedReadOnlyNeverChangedAndReleasedOnClose)
{
    REQUIRE_NWIND(path);
    const auto before = readBytes(path);
    struct stat statusBefore {};
    ASSERT_EQ(::stat(path.c_str(), &statusBefore), 0);
    {
        Connection db = attached(path);
        // libmdb's open and the reader's own, which its locks go through: none for writing.
        const auto modes = openModes(path);
        EXPECT_FALSE(modes.empty());
        EXPECT_EQ(modes, std::vector<int>(modes.size(), O_RDONLY));
        for (const auto& table : rowsOf(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table'"))
            rowsOf(db.get(), "SELECT * FROM \"" + table[0] + "\"");
    }
    EXPECT_TRUE(openModes(path).empty());
    struct stat statusAfter {};
    ASSERT_EQ(::stat(path.c_str(), &statusAfter), 0);
    EXPECT_EQ(statusAfter.st_mtim.tv_sec, statusBefore.st_mtim.tv_sec);
    EXPECT_EQ(statusAfter.st_mtim.tv_nsec, statusBefore.st_mtim.tv_nsec);
    EXPECT_TRUE(readBytes(path) == before);
}
