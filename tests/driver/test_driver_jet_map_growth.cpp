// A large Access 97 file taking thousands of rows through the driver: nwind.mdb's orders, their
// lines and its employees (photos and notes as long values) first take back the data pages the
// file marks free (left by tables Access removed), then grow past the pages their usage maps
// reached, some maps moving to map pages of their own. After the commit the driver,
// mdb-export (libmdb) and jetcheck (Jackcess) read every row, and jetcheck finds every row
// through every index.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetUsageMap.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kervane::test {
namespace {

constexpr std::size_t kPageSize = 2048;
const std::string kOrderColumns = "CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, "
                                  "ShipName, ShipAddress, ShipCity, ShipRegion, ShipPostalCode, ShipCountry";
const std::string kEmployeeColumns = "LastName, FirstName, Title, TitleOfCourtesy, BirthDate, HireDate, Address, City, "
                                     "Region, PostalCode, Country, HomePhone, Extension, Photo, Notes, ReportsTo";

class JetMapGrowthTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty() || !haveProgram("mdb-export"))
            GTEST_SKIP() << "jetcheck ou mdb-export absent";
    }

    // The kind of the usage maps of the table `table` of `file`: how many are kept on map
    // pages of their own (type 1, the row's first byte), of its two maps.
    static int mapsOnTheirOwnPages(const std::string& file, const std::string& table)
    {
        std::string error;
        auto jet = jet::JetFile::open(file, error);
        EXPECT_NE(jet, nullptr) << error;
        if (!jet || jet->table(table) == nullptr)
            return -1;
        const std::uint32_t definition = jet->table(table)->definitionPage;
        std::ifstream in(file, std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        int count = 0;
        for (std::size_t field : {35u, 39u}) {  // the definition's pointers to its two maps
            const unsigned char* pointer = bytes.data() + definition * kPageSize + field;
            const std::uint32_t page = pointer[1] | (pointer[2] << 8) | (pointer[3] << 16);
            jet::datapage::Slot slot;
            if (jet::datapage::slot(bytes.data() + page * kPageSize, pointer[0], slot, jet::jet3FileFormat()))
                count += bytes[page * kPageSize + static_cast<std::size_t>(slot.start)] == 0x01 ? 1 : 0;
        }
        return count;
    }

    // The data pages (type 1) the file's map of unowned pages marks free.
    static int freeDataPages(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        MemoryPages pages({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, kPageSize);
        jet::JetUsageMap unowned;
        std::string error;
        EXPECT_TRUE(jet::JetUsageMap::open(pages, {1, 0}, unowned, error)) << error;
        int count = 0;
        for (std::uint32_t page : unowned.pages())
            count += pages.read(page)[0] == 0x01 ? 1 : 0;
        return count;
    }
};

TEST_F(JetMapGrowthTest, NwindTakesThousandsOfRowsAsItsMapsGrow)
{
    JET_COPY_OR_SKIP(file, "nwind.mdb");
    const auto pagesBefore = std::filesystem::file_size(file) / kPageSize;
    const int freeBefore = freeDataPages(file);
    {
        Session connexion(accessFile(file), false, false);
        for (int round = 1; round <= 4; ++round) {
            const std::string shift = std::to_string(100000 * round);
            change(connexion, "INSERT INTO Orders (OrderID, " + kOrderColumns + ") SELECT OrderID + " + shift + ", " +
                                  kOrderColumns + " FROM Orders WHERE OrderID < 100000");
            change(connexion, "INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) "
                              "SELECT OrderID + " + shift + ", ProductID, UnitPrice, Quantity, Discount "
                              "FROM [Order Details] WHERE OrderID < 100000");
            change(connexion, "INSERT INTO Employees (" + kEmployeeColumns + ") SELECT " + kEmployeeColumns +
                                  " FROM Employees WHERE EmployeeID < 10");
        }
        commit(connexion);
    }
    // nwind holds 830 orders, 2,155 order lines and 9 employees; each round copied them once.
    const std::vector<std::pair<std::string, long long>> expected{
        {"Orders", 5 * 830}, {"Order Details", 5 * 2155}, {"Employees", 5 * 9}};
    Session connexion(accessFile(file), false);
    for (const auto& [table, rows] : expected) {
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM [" + table + "]"), rows) << table;
        EXPECT_EQ(exportedRows(file, table), rows) << table;
    }
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Employees WHERE Photo IS NULL"), 0);
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Orders o INNER JOIN [Order Details] d ON d.OrderID = o.OrderID "
                                "WHERE o.OrderID > 400000"),
              2155);
    const std::string checked = verify(file);
    EXPECT_NE(checked.find("RESULT: OK"), std::string::npos) << checked;
    // The free data pages were taken back, the file went well past the 1,472 pages its maps
    // reached, and some of the maps could not follow on their own page.
    EXPECT_EQ(pagesBefore, 1466u);
    EXPECT_GT(freeBefore, 200);
    EXPECT_EQ(freeDataPages(file), 0);
    EXPECT_GT(std::filesystem::file_size(file) / kPageSize, 1472u + 512u);
    EXPECT_GT(mapsOnTheirOwnPages(file, "Order Details") + mapsOnTheirOwnPages(file, "Orders") +
                  mapsOnTheirOwnPages(file, "Employees"),
              0);
}

}  // namespace
}  // namespace kervane::test
