// First, Last, StDev, StDevP, Var and VarP over tables of an in-memory SQLite connection.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace kervane::sql {
namespace {

class AggregateFunctions : public FunctionTest<registerAggregateFunctions> {
protected:
    void SetUp() override
    {
        FunctionTest::SetUp();
        if (!HasFatalFailure())
            execute("CREATE TABLE t (id INTEGER PRIMARY KEY, grp TEXT, v)");
    }

    void execute(const std::string& sql)
    {
        ASSERT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(m_db);
    }

    // Fills t with the values (SQL literals) of one group, in id order.
    void insert(const std::vector<std::string>& values, const std::string& group = "a")
    {
        for (const std::string& value : values)
            execute("INSERT INTO t (grp, v) VALUES ('" + group + "', " + value + ")");
    }

    // The single value of "SELECT <expression> FROM t"; std::nullopt for Null. The error, if
    // any, goes to m_error.
    std::optional<double> number(const std::string& expression)
    {
        const std::optional<std::string> text = value(expression);
        if (!text)
            return std::nullopt;
        return std::stod(*text);
    }

    std::optional<std::string> value(const std::string& expression, const std::string& where = "")
    {
        m_error.clear();
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT " + expression + " FROM (SELECT * FROM t ORDER BY id) " + where;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        std::optional<std::string> result;
        if (sqlite3_step(statement) == SQLITE_ROW) {
            if (sqlite3_column_type(statement, 0) != SQLITE_NULL)
                result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        } else {
            m_error = sqlite3_errmsg(m_db);
        }
        sqlite3_finalize(statement);
        return result;
    }

    std::string m_error;
};

TEST_F(AggregateFunctions, FirstAndLastKeepNullsAsValues)
{
    insert({"NULL", "'b'", "3", "NULL"});
    EXPECT_EQ(value("kv_first(v)"), std::nullopt);
    EXPECT_EQ(value("kv_last(v)"), std::nullopt);
    EXPECT_EQ(value("kv_first(v)", "WHERE id > 1"), "b");
    EXPECT_EQ(value("kv_last(v)", "WHERE id < 4"), "3");
    EXPECT_EQ(value("kv_first(v)", "WHERE id > 9"), std::nullopt);   // no rows
}

TEST_F(AggregateFunctions, SampleAndPopulationStatistics)
{
    // Population standard deviation 2, sample variance 32/7.
    insert({"2", "4", "4", "4", "5", "5", "7", "9"});
    EXPECT_DOUBLE_EQ(*number("kv_stdevp(v)"), 2.0);
    EXPECT_DOUBLE_EQ(*number("kv_varp(v)"), 4.0);
    EXPECT_NEAR(*number("kv_var(v)"), 32.0 / 7.0, 1e-12);
    EXPECT_NEAR(*number("kv_stdev(v)"), std::sqrt(32.0 / 7.0), 1e-12);
}

TEST_F(AggregateFunctions, TooFewRowsGiveNull)
{
    insert({"5"});
    EXPECT_EQ(number("kv_stdev(v)"), std::nullopt);
    EXPECT_EQ(number("kv_var(v)"), std::nullopt);
    EXPECT_EQ(number("kv_stdevp(v)"), 0.0);   // Null only when there are no records
    for (const char* function : {"kv_stdev", "kv_stdevp", "kv_var", "kv_varp"})
        EXPECT_EQ(value(std::string(function) + "(v)", "WHERE id > 9"), std::nullopt) << function;
}

TEST_F(AggregateFunctions, NullsAreSkippedAndNumericTextsCount)
{
    insert({"NULL", "1", "'3'", "NULL"});
    EXPECT_DOUBLE_EQ(*number("kv_var(v)"), 2.0);
    insert({"'x'"});
    EXPECT_EQ(value("kv_var(v)"), std::nullopt);
    EXPECT_EQ(m_error, TYPE_MISMATCH_MESSAGE);
}

// Large values close together: a sum-of-squares formula would lose every digit here.
TEST_F(AggregateFunctions, VarianceStaysAccurateForLargeValues)
{
    insert({"1e9 + 4", "1e9 + 7", "1e9 + 13", "1e9 + 16"});
    EXPECT_NEAR(*number("kv_var(v)"), 30.0, 1e-6);
}

TEST_F(AggregateFunctions, GroupsAreSeparate)
{
    insert({"1", "3"}, "a");
    insert({"10", "20", "30"}, "b");
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(m_db, "SELECT grp, kv_var(v), kv_last(v) FROM t GROUP BY grp ORDER BY grp", -1,
                                 &statement, nullptr),
              SQLITE_OK);
    std::vector<std::pair<double, double>> rows;
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows.emplace_back(sqlite3_column_double(statement, 1), sqlite3_column_double(statement, 2));
    sqlite3_finalize(statement);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows[0].first, 2.0);
    EXPECT_DOUBLE_EQ(rows[1].first, 100.0);
    EXPECT_DOUBLE_EQ(rows[1].second, 30.0);
}

TEST_F(AggregateFunctions, CatalogueListsRegisteredAggregates)
{
    for (const FunctionInfo& info : aggregateFunctions()) {
        EXPECT_TRUE(info.aggregate) << info.name;
        EXPECT_EQ(value(std::string(info.sqliteName) + "(v)"), std::nullopt) << info.name;
        EXPECT_EQ(m_error, "") << info.name;
    }
}

}  // namespace
}  // namespace kervane::sql
