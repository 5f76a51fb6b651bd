// A real Access 97 file through the driver: tables, joins, memo and OLE values, no writes.
#include "tests/driver/OdbcTestSupport.h"

#include <mdbtools.h>

#include <QString>

#include <algorithm>

namespace kervane::test {
namespace {

// What libmdb itself finds in the file: user table names and their row counts.
std::vector<std::pair<std::string, unsigned>> tablesInFile(const std::string& path)
{
    std::vector<std::pair<std::string, unsigned>> tables;
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (mdb == nullptr)
        return tables;
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
    for (guint i = 0; catalog != nullptr && i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (!mdb_is_user_table(entry))
            continue;
        MdbTableDef* table = mdb_read_table(entry);
        tables.emplace_back(entry->object_name, table ? table->num_rows : 0U);
        if (table != nullptr)
            mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    std::sort(tables.begin(), tables.end());
    return tables;
}

class AccessTest : public OdbcTest {
protected:
    static void SetUpTestSuite()
    {
        if (!nwindPath().empty())
            s_digest = fileDigest(nwindPath());
    }
    static void TearDownTestSuite()
    {
        if (!nwindPath().empty()) {
            EXPECT_EQ(fileDigest(nwindPath()), s_digest) << "the Access file must never be written";
        }
    }
    void SetUp() override
    {
        m_nwind = nwindPath();
        if (m_nwind.empty())
            GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA): Access tests skipped";
        OdbcTest::SetUp();
        addDataSource("Northwind", m_nwind);
        m_session.emplace("Northwind");
    }
    void TearDown() override { m_session.reset(); }

    std::vector<Row> query(const std::string& sql)
    {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << ": " << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
        return fetchAll(stmt.handle());
    }

    static inline std::string s_digest;
    std::string m_nwind;
    std::optional<Session> m_session;
};

TEST_F(AccessTest, TableListMatchesTheTablesOfTheFile)
{
    Instruction stmt(m_session->connexion);
    std::string types = "TABLE";
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(types.data()),
                        SQL_NTS),
              SQL_SUCCESS);
    std::vector<std::string> listed;
    for (const Row& row : fetchAll(stmt.handle()))
        listed.push_back(row[2].value_or(""));
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected;
    for (const auto& [name, rows] : tablesInFile(m_nwind))
        expected.push_back(name);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(listed, expected);
}

TEST_F(AccessTest, JoinWithOrderByReturnsEveryOrderInOrder)
{
    unsigned orders = 0;
    unsigned umsaetze = 0;
    for (const auto& [name, rows] : tablesInFile(m_nwind)) {
        if (name == "Orders")
            orders = rows;
        if (name == "Umsätze")
            umsaetze = rows;
    }
    const std::vector<Row> rows = query("SELECT c.CompanyName, o.OrderID FROM Orders AS o INNER JOIN Customers AS c"
                                        " ON o.CustomerID = c.CustomerID ORDER BY c.CompanyName, o.OrderID");
    EXPECT_EQ(rows.size(), orders);
    // In Access's order letters sort without regard to case, accents beside their letter: the
    // initials, so folded, never go down.
    const auto initial = [](const Row& row) {
        return QString::fromStdString(row[0].value_or("")).normalized(QString::NormalizationForm_D).left(1).toCaseFolded();
    };
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return initial(a) < initial(b); }));
    EXPECT_EQ(query("SELECT count(*) FROM [Umsätze]"), (std::vector<Row>{{std::to_string(umsaetze)}}));
    EXPECT_EQ(query("SELECT * FROM [Umsätze]").size(), umsaetze);
}

TEST_F(AccessTest, MemoAndOleValuesReadWhole)
{
    const std::vector<Row> notes = query("SELECT Notes FROM Employees WHERE EmployeeID = 1");
    ASSERT_EQ(notes.size(), 1U);
    ASSERT_TRUE(notes[0][0].has_value());
    EXPECT_EQ(notes[0][0]->size(), 175U);
    EXPECT_TRUE(notes[0][0]->starts_with("Education includes a BA in psychology")) << *notes[0][0];

    const std::vector<Row> pictures = query("SELECT Picture FROM Categories WHERE CategoryID = 1");
    ASSERT_EQ(pictures.size(), 1U);
    ASSERT_TRUE(pictures[0][0].has_value());
    EXPECT_EQ(pictures[0][0]->size(), 2U * 10746U);
    EXPECT_TRUE(pictures[0][0]->starts_with("151C2F0002000000"));
    EXPECT_EQ(pictures[0][0]->find_first_not_of("0123456789ABCDEF"), std::string::npos);

    Instruction stmt(m_session->connexion);
    ASSERT_EQ(stmt.exec("SELECT OrderDate, Freight FROM Orders WHERE OrderID = 10330"), SQL_SUCCESS);
    SQLSMALLINT type = 0;
    SQLDescribeCol(stmt.handle(), 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(fetchAll(stmt.handle()), (std::vector<Row>{{"1994-11-16 00:00:00", "12.7500"}}));
}

TEST_F(AccessTest, EveryWriteIsRefusedAsReadOnly)
{
    for (const std::string sql : {"UPDATE Orders SET ShipName = 'x'", "INSERT INTO Shippers(CompanyName) VALUES('x')",
                                  "DELETE FROM Shippers", "CREATE TABLE Nouvelle(A LONG)", "DROP TABLE Shippers",
                                  "SELECT CompanyName INTO Copie FROM Shippers"}) {
        SCOPED_TRACE(sql);
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec(sql), SQL_ERROR);
        const Diagnostic diagnostic = diagRec(SQL_HANDLE_STMT, stmt.handle());
        EXPECT_EQ(diagnostic.state, "HY000");
        EXPECT_NE(diagnostic.message.find("lecture seule"), std::string::npos) << diagnostic.message;
        EXPECT_NE(diagnostic.message.find(m_nwind), std::string::npos) << diagnostic.message;
    }
    char readOnly[4] = {};
    SQLGetInfo(m_session->dbc(), SQL_DATA_SOURCE_READ_ONLY, readOnly, sizeof readOnly, nullptr);
    EXPECT_STREQ(readOnly, "Y");
    EXPECT_EQ(query("SELECT count(*) FROM Shippers"), (std::vector<Row>{{"3"}}));
}

}  // namespace
}  // namespace kervane::test
