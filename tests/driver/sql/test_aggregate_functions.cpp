// First, Last, StDev, StDevP, Var and VarP over tables of an in-memory SQLite connection.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <cmath>
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

    // The single value of "SELECT <expression> FROM t" in id order: its text, "NULL", or the
    // error message.
    std::string value(const std::string& expression, const std::string& where = "")
    {
        const std::vector<std::string> result =
            rows("SELECT " + expression + " FROM (SELECT * FROM t ORDER BY id) " + where);
        return result.empty() ? "(no row)" : result.front();
    }

    double number(const std::string& expression) { return std::stod(value(expression)); }
};

TEST_F(AggregateFunctions, FirstAndLastKeepNullsAsValues)
{
    insert({"NULL", "'b'", "3", "NULL"});
    EXPECT_EQ(value("kv_first(v)"), "NULL");
    EXPECT_EQ(value("kv_last(v)"), "NULL");
    EXPECT_EQ(value("kv_first(v)", "WHERE id > 1"), "b");
    EXPECT_EQ(value("kv_last(v)", "WHERE id < 4"), "3");
    EXPECT_EQ(value("kv_first(v)", "WHERE id > 9"), "NULL");   // no rows
}

TEST_F(AggregateFunctions, SampleAndPopulationStatistics)
{
    // Population standard deviation 2, sample variance 32/7.
    insert({"2", "4", "4", "4", "5", "5", "7", "9"});
    EXPECT_DOUBLE_EQ(number("kv_stdevp(v)"), 2.0);
    EXPECT_DOUBLE_EQ(number("kv_varp(v)"), 4.0);
    EXPECT_NEAR(number("kv_var(v)"), 32.0 / 7.0, 1e-12);
    EXPECT_NEAR(number("kv_stdev(v)"), std::sqrt(32.0 / 7.0), 1e-12);
}

TEST_F(AggregateFunctions, TooFewRowsGiveNull)
{
    insert({"5"});
    EXPECT_EQ(value("kv_stdev(v)"), "NULL");
    EXPECT_EQ(value("kv_var(v)"), "NULL");
    EXPECT_EQ(number("kv_stdevp(v)"), 0.0);   // Null only when there are no records
    for (const char* function : {"kv_stdev", "kv_stdevp", "kv_var", "kv_varp"})
        EXPECT_EQ(value(std::string(function) + "(v)", "WHERE id > 9"), "NULL") << function;
}

TEST_F(AggregateFunctions, NullsAreSkippedAndNumericTextsCount)
{
    insert({"NULL", "1", "'3'", "NULL"});
    EXPECT_DOUBLE_EQ(number("kv_var(v)"), 2.0);
    insert({"'x'"});
    EXPECT_EQ(value("kv_var(v)"), TYPE_MISMATCH_MESSAGE);
}

// Large values close together: a sum-of-squares formula would lose every digit here.
TEST_F(AggregateFunctions, VarianceStaysAccurateForLargeValues)
{
    insert({"1e9 + 4", "1e9 + 7", "1e9 + 13", "1e9 + 16"});
    EXPECT_NEAR(number("kv_var(v)"), 30.0, 1e-6);
}

TEST_F(AggregateFunctions, GroupsAreSeparate)
{
    insert({"1", "3"}, "a");
    insert({"10", "20", "30"}, "b");
    EXPECT_EQ(rows("SELECT grp, kv_var(v), kv_last(v) FROM t GROUP BY grp ORDER BY grp"),
              (std::vector<std::string>{"a|2.0|3", "b|100.0|30"}));
}

TEST_F(AggregateFunctions, CatalogueListsRegisteredAggregates)
{
    for (const FunctionInfo& info : aggregateFunctions()) {
        EXPECT_TRUE(info.aggregate) << info.name;
        EXPECT_EQ(value(std::string(info.sqliteName) + "(v)"), "NULL") << info.name;
    }
}

}  // namespace
}  // namespace kervane::sql
