// Catalogue metadata of genuine Access files: indexes, keys and relationships as the files
// define them. Expected values are what the test data's README states and what jetcheck (an
// independent reader) lists for these files: nwind's indexes, its MSysRelationships rows and
// the design properties of Order Details and Products in its MSysObjects rows, indexTestV2000's
// relationships.
#include "tests/driver/MetadataTestSupport.h"

#include <QFile>

#include <algorithm>
#include <fstream>

namespace kervane::test {
namespace {

class AccessMetadataTest : public OdbcTest {
protected:
    void connectTo(const std::string& file)
    {
        addDataSource("Access", file);
        m_session.emplace("Access");
    }
    void TearDown() override { m_session.reset(); }

    std::optional<Session> m_session;
};

TEST_F(AccessMetadataTest, NwindIndexesKeysAndColumnsAsTheFileDefinesThem)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA) : test ignoré";
    connectTo(nwind);
    Instruction stmt(m_session->connexion);
    const std::vector<Record> rows = catalogueRows(
        stmt.handle(),
        SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("Order Details"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].at("TYPE"), std::to_string(SQL_TABLE_STAT));
    EXPECT_EQ(rows[0].at("CARDINALITY"), "2155");  // the file's 2,155 order lines
    EXPECT_EQ(column(rows, "INDEX_NAME"),
              (std::vector<std::string>{"", "PrimaryKey", "PrimaryKey", "OrderID", "ProductID"}));
    EXPECT_EQ(column(rows, "COLUMN_NAME"),
              (std::vector<std::string>{"", "OrderID", "ProductID", "OrderID", "ProductID"}));
    EXPECT_EQ(column(rows, "NON_UNIQUE"), (std::vector<std::string>{"", "0", "0", "1", "1"}));

    const std::vector<Record> key
        = catalogueRows(stmt.handle(), SQLPrimaryKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("Orders"), SQL_NTS));
    ASSERT_EQ(key.size(), 1u);
    EXPECT_EQ(key[0].at("COLUMN_NAME"), "OrderID");
    EXPECT_EQ(key[0].at("PK_NAME"), "PrimaryKey");

    // OrderID is an AutoNumber and, as the key, never Null.
    const std::vector<Record> columns = catalogueRows(
        stmt.handle(),
        SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("Orders"), SQL_NTS, text("Order%"), SQL_NTS));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].at("COLUMN_NAME"), "OrderID");
    EXPECT_EQ(columns[0].at("TYPE_NAME"), "COUNTER");
    EXPECT_EQ(columns[0].at("IS_NULLABLE"), "NO");
    EXPECT_EQ(columns[1].at("COLUMN_NAME"), "OrderDate");
    EXPECT_EQ(columns[1].at("IS_NULLABLE"), "YES");

    // The design properties: UnitPrice, Quantity and Discount are required, with defaults 0, 1, 0.
    const std::vector<Record> details = catalogueRows(
        stmt.handle(), SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("Order Details"), SQL_NTS, nullptr, 0));
    EXPECT_EQ(column(details, "COLUMN_NAME"),
              (std::vector<std::string>{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
    EXPECT_EQ(column(details, "COLUMN_DEF"), (std::vector<std::string>{"", "", "0", "1", "0"}));
    EXPECT_EQ(column(details, "IS_NULLABLE"), (std::vector<std::string>{"NO", "NO", "NO", "NO", "NO"}));
    // Products.Discontinued's default is kept as "=No": an expression, written without its "=".
    EXPECT_EQ(column(catalogueRows(stmt.handle(),
                                   SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("Products"), SQL_NTS,
                                              text("Discontinued"), SQL_NTS)),
                     "COLUMN_DEF"),
              (std::vector<std::string>{"No"}));

    EXPECT_EQ(column(catalogueRows(stmt.handle(),
                                   SQLSpecialColumns(stmt.handle(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0,
                                                     text("Order Details"), SQL_NTS, SQL_SCOPE_SESSION, SQL_NO_NULLS)),
                     "COLUMN_NAME"),
              (std::vector<std::string>{"OrderID", "ProductID"}));
}

TEST_F(AccessMetadataTest, NwindRelationshipsAreTheForeignKeys)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA) : test ignoré";
    connectTo(nwind);
    Instruction stmt(m_session->connexion);
    std::vector<Record> keys = catalogueRows(stmt.handle(),
                                             SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                                                            0, nullptr, 0, text("Order Details"), SQL_NTS));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(column(keys, "PKTABLE_NAME"), (std::vector<std::string>{"Orders", "Products"}));
    EXPECT_EQ(column(keys, "FKCOLUMN_NAME"), (std::vector<std::string>{"OrderID", "ProductID"}));
    EXPECT_EQ(column(keys, "FK_NAME"), (std::vector<std::string>{"OrdersOrder Details", "ProductsOrder Details"}));
    EXPECT_EQ(column(keys, "PK_NAME"), (std::vector<std::string>{"PrimaryKey", "PrimaryKey"}));
    // grbit 4096: deletions cascade from Orders; 0: nothing cascades from Products.
    EXPECT_EQ(column(keys, "DELETE_RULE"),
              (std::vector<std::string>{std::to_string(SQL_CASCADE), std::to_string(SQL_NO_ACTION)}));
    EXPECT_EQ(column(keys, "UPDATE_RULE"),
              (std::vector<std::string>{std::to_string(SQL_NO_ACTION), std::to_string(SQL_NO_ACTION)}));

    // The keys that refer to Customers: CustomersOrders, whose updates cascade (grbit 256).
    keys = catalogueRows(stmt.handle(),
                         SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("Customers"), SQL_NTS, nullptr, 0,
                                        nullptr, 0, nullptr, 0));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].at("FKTABLE_NAME"), "Orders");
    EXPECT_EQ(keys[0].at("FKCOLUMN_NAME"), "CustomerID");
    EXPECT_EQ(keys[0].at("UPDATE_RULE"), std::to_string(SQL_CASCADE));
}

TEST_F(AccessMetadataTest, Jet4RelationshipsAndIndexes)
{
    const std::string file = testDataPath("jet/indexTestV2000.mdb");
    if (file.empty())
        GTEST_SKIP() << "jet/indexTestV2000.mdb absent (KERVANE_TEST_DATA) : test ignoré";
    connectTo(file);
    Instruction stmt(m_session->connexion);
    const std::vector<Record> keys = catalogueRows(stmt.handle(),
                                                   SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0,
                                                                  nullptr, 0, nullptr, 0, text("Table1"), SQL_NTS));
    EXPECT_EQ(column(keys, "PKTABLE_NAME"), (std::vector<std::string>{"Table2", "Table3"}));
    EXPECT_EQ(column(keys, "PKCOLUMN_NAME"), (std::vector<std::string>{"id", "id"}));
    EXPECT_EQ(column(keys, "FKCOLUMN_NAME"), (std::vector<std::string>{"otherfk1", "otherfk2"}));
    EXPECT_EQ(column(keys, "DELETE_RULE"),
              (std::vector<std::string>{std::to_string(SQL_CASCADE), std::to_string(SQL_NO_ACTION)}));
    EXPECT_EQ(column(keys, "UPDATE_RULE"),
              (std::vector<std::string>{std::to_string(SQL_NO_ACTION), std::to_string(SQL_CASCADE)}));
    EXPECT_EQ(column(catalogueRows(stmt.handle(),
                                   SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("Table1"), SQL_NTS,
                                                 SQL_INDEX_ALL, SQL_QUICK)),
                     "INDEX_NAME"),
              (std::vector<std::string>{"", "PrimaryKey", "id"}));
}

// A table whose definition is damaged answers no index and no key, and the other tables keep
// answering.
TEST_F(AccessMetadataTest, ADamagedTableDefinitionAnswersNoRows)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA) : test ignoré";
    const std::string copy = path("abime.mdb");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(nwind), QString::fromStdString(copy)));
    QFile::setPermissions(QString::fromStdString(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    {
        // Order Details is defined on page 415 (2,048-byte pages): its column count becomes 0.
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(415 * 2048 + 25);
        file.write("\0\0", 2);
    }
    connectTo(copy);
    Instruction stmt(m_session->connexion);
    EXPECT_TRUE(catalogueRows(stmt.handle(),
                              SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("Order Details"), SQL_NTS,
                                            SQL_INDEX_ALL, SQL_ENSURE))
                    .empty());
    EXPECT_TRUE(catalogueRows(stmt.handle(),
                              SQLPrimaryKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("Order Details"), SQL_NTS))
                    .empty());
    EXPECT_EQ(column(catalogueRows(stmt.handle(),
                                   SQLPrimaryKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("Orders"), SQL_NTS)),
                     "COLUMN_NAME"),
              (std::vector<std::string>{"OrderID"}));

    // Every column of the base: those of the damaged table are left out, not the others.
    const std::vector<std::string> tables = column(
        catalogueRows(stmt.handle(), SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)),
        "TABLE_NAME");
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "Order Details"), 0);
    EXPECT_EQ(std::count(tables.begin(), tables.end(), "Orders"), 14);  // jetcheck lists its 14 columns
}

}  // namespace
}  // namespace kervane::test
