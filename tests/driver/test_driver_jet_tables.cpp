// A genuine Access file of many tables, made by jetgen: the connection lists every table in
// Access's order, and each table gives its columns and rows at its first use after connecting.
#include "tests/driver/OdbcTestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace kervane::test {
namespace {

constexpr int TABLES = 300;

std::string jetgenPath()
{
    if (const char* chosen = std::getenv("KERVANE_JETGEN"))
        return chosen;
    return KERVANE_JETGEN;
}

std::string tableName(int table)
{
    char name[16];
    std::snprintf(name, sizeof name, "T%04d", table);
    return name;
}

// Row r of table i, as jetgen documents it: ID r, Name "Tnnnn row r", Amount i*10+r,
// Created 2000-01-01 plus i days and r hours.
Row generatedRow(int table, int row)
{
    using namespace std::chrono;
    const year_month_day day{sys_days{year{2000} / January / 1} + days{table}};
    char created[32];
    std::snprintf(created, sizeof created, "%04d-%02u-%02u %02d:00:00", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()), row);
    return {std::to_string(row), tableName(table) + " row " + std::to_string(row), std::to_string(table * 10 + row),
            created};
}

class JetTablesTest : public OdbcTest {
protected:
    static void SetUpTestSuite()
    {
        const std::string jetgen = jetgenPath();
        if (!std::filesystem::exists(jetgen) || QStandardPaths::findExecutable("java").isEmpty()) {
            s_skip = "jetgen ou java absent (" + jetgen + ") : le fichier de " + std::to_string(TABLES) +
                     " tables ne peut pas être fabriqué";
            return;
        }
        s_folder = std::make_unique<QTemporaryDir>();
        const QString path = s_folder->filePath("tables.mdb");
        QProcess generator;
        generator.start(QString::fromStdString(jetgen), {"tables", path, QString::number(TABLES)});
        if (!generator.waitForFinished(600000) || generator.exitCode() != 0) {
            s_skip = "jetgen a échoué : " + generator.readAllStandardError().toStdString();
            return;
        }
        s_file = path.toStdString();
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override
    {
        if (s_file.empty())
            GTEST_SKIP() << s_skip;
        OdbcTest::SetUp();
        addDataSource("Tables", s_file);
        m_session.emplace("Tables");
    }
    void TearDown() override { m_session.reset(); }

    static inline std::unique_ptr<QTemporaryDir> s_folder;
    static inline std::string s_file;
    static inline std::string s_skip;
    std::optional<Session> m_session;
};

TEST_F(JetTablesTest, EveryTableListedSystemTablesFirstThenByName)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
    std::vector<std::string> tables;
    std::size_t systemRows = 0;
    for (const Row& row : fetchAll(stmt.handle())) {
        ASSERT_EQ(row.size(), 5U);
        if (row[3] == "SYSTEM TABLE") {
            EXPECT_TRUE(tables.empty()) << *row[2] << " after the user tables";
            EXPECT_EQ(row[2]->substr(0, 4), "MSys");
            ++systemRows;
            continue;
        }
        EXPECT_EQ(row[3], "TABLE") << *row[2];
        tables.push_back(*row[2]);
    }
    EXPECT_GT(systemRows, 0U);
    std::vector<std::string> expected;
    for (int table = 1; table <= TABLES; ++table)
        expected.push_back(tableName(table));
    EXPECT_EQ(tables, expected);
}

TEST_F(JetTablesTest, TablesGiveTheirColumnsAndRowsAtFirstUse)
{
    // Each table is used once, in an order unlike the catalogue's, through a query or SQLColumns.
    for (int table : {TABLES, 1, TABLES / 2, 7}) {
        SCOPED_TRACE(tableName(table));
        Instruction stmt(m_session->connexion);
        ASSERT_EQ(stmt.exec("SELECT * FROM " + tableName(table) + " ORDER BY ID"), SQL_SUCCESS)
            << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
        EXPECT_EQ(columnNames(stmt.handle()), (std::vector<std::string>{"ID", "Name", "Amount", "Created"}));
        std::vector<SQLSMALLINT> types;
        for (SQLUSMALLINT column = 1; column <= 4; ++column) {
            SQLSMALLINT type = 0;
            SQLDescribeCol(stmt.handle(), column, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
            types.push_back(type);
        }
        EXPECT_EQ(types, (std::vector<SQLSMALLINT>{SQL_INTEGER, SQL_VARCHAR, SQL_INTEGER, SQL_TYPE_TIMESTAMP}));
        EXPECT_EQ(fetchAll(stmt.handle()),
                  (std::vector<Row>{generatedRow(table, 1), generatedRow(table, 2), generatedRow(table, 3)}));
    }
    Instruction columns(m_session->connexion);
    std::string name = tableName(TABLES - 1);
    ASSERT_EQ(SQLColumns(columns.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(name.data()), SQL_NTS,
                         nullptr, 0),
              SQL_SUCCESS);
    std::vector<std::string> described;
    for (const Row& row : fetchAll(columns.handle()))
        described.push_back(row[2].value_or("") + "." + row[3].value_or(""));
    EXPECT_EQ(described, (std::vector<std::string>{name + ".ID", name + ".Name", name + ".Amount", name + ".Created"}));
}

}  // namespace
}  // namespace kervane::test
