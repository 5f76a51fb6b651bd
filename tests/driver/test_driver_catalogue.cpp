// Catalogue: SQLTables with the ODBC 2 column names and Access table types, SQLColumns.
#include "tests/driver/OdbcTestSupport.h"

namespace kervane::test {
namespace {

class CatalogueTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run("CREATE TABLE MSysObjects(Id LONG); CREATE TABLE UTILR(CODE TEXT(10) NOT NULL,"
                               " ENTREE DATETIME, SOLDE CURRENCY); CREATE VIEW V_UTILR AS SELECT CODE FROM UTILR;"
                               "CREATE TABLE COMPTEUR(ID INTEGER PRIMARY KEY AUTOINCREMENT);");
    }
};

TEST_F(CatalogueTest, TablesListEveryTableAndViewWithOdbc2NamesSortedByTypeThenName)
{
    Session session("Base Test", false);
    Instruction& stmt = session.stmt;
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
    SQLSMALLINT type = 0;
    SQLDescribeCol(stmt.handle(), 3, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    EXPECT_EQ(type, SQL_VARCHAR);
    SQLLEN count = 0;
    EXPECT_EQ(SQLRowCount(stmt.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, -1);
    // Every table of the one catalogue, the base: its file's path.
    const auto none = std::nullopt;
    const std::string base = m_base;
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{
                                           {base, none, "MSysObjects", "SYSTEM TABLE", none},
                                           {base, none, "sqlite_sequence", "SYSTEM TABLE", none},
                                           {base, none, "BASE", "TABLE", none},
                                           {base, none, "COMPTEUR", "TABLE", none},
                                           {base, none, "UTILR", "TABLE", none},
                                           {base, none, "V_UTILR", "VIEW", none},
                                       }));
    stmt.close();
    std::string all = "%", empty;
    ASSERT_EQ(SQLTables(stmt.handle(), reinterpret_cast<SQLCHAR*>(all.data()), SQL_NTS,
                        reinterpret_cast<SQLCHAR*>(empty.data()), SQL_NTS, reinterpret_cast<SQLCHAR*>(empty.data()),
                        SQL_NTS, nullptr, 0),
              SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{base, none, none, none, none}}));

    stmt.close();
    std::string types = "'VIEW'";
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0,
                        reinterpret_cast<SQLCHAR*>(types.data()), SQL_NTS),
              SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()).size(), 1U);
    stmt.close();
    std::string pattern = "UTIL%";
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(pattern.data()), SQL_NTS,
                        nullptr, 0),
              SQL_SUCCESS);
    EXPECT_EQ(fetchAll(stmt.handle()).size(), 1U);
}

TEST_F(CatalogueTest, ColumnsDescribeNamesTypesAndSizes)
{
    Session session("Base Test", false);
    Instruction& stmt = session.stmt;
    std::string table = "UTILR";
    ASSERT_EQ(SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(table.data()), SQL_NTS,
                         nullptr, 0),
              SQL_SUCCESS);
    const std::vector<std::string> names = columnNames(stmt.handle());
    ASSERT_GE(names.size(), 12U);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 12),
              (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE",
                                        "TYPE_NAME", "PRECISION", "LENGTH", "SCALE", "RADIX", "NULLABLE", "REMARKS"}));
    const std::vector<Row> rows = fetchAll(stmt.handle());
    ASSERT_EQ(rows.size(), 3U);
    const auto none = std::nullopt;
    EXPECT_EQ(Row(rows[0].begin() + 2, rows[0].begin() + 12),
              (Row{"UTILR", "CODE", "12", "VARCHAR", "10", "10", none, none, "0", none}));
    EXPECT_EQ(Row(rows[1].begin() + 2, rows[1].begin() + 12),
              (Row{"UTILR", "ENTREE", "11", "DATETIME", "19", "16", none, none, "1", none}));
    EXPECT_EQ(Row(rows[2].begin() + 2, rows[2].begin() + 12),
              (Row{"UTILR", "SOLDE", "2", "CURRENCY", "19", "21", "4", "10", "1", none}));

    // The application's way: an empty query describes the columns.
    ASSERT_EQ(stmt.exec("Select * from V_UTILR Where 1=2"), SQL_SUCCESS);
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeCol(stmt.handle(), 1, nullptr, 0, nullptr, &type, &size, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_VARCHAR);
    EXPECT_EQ(size, 10U);
}

}  // namespace
}  // namespace kervane::test
