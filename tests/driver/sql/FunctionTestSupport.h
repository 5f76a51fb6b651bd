#pragma once
// Shared by the function, LIKE and collation tests: an in-memory SQLite connection with every
// function family, LIKE and the ACCESS collation registered, expressions and whole queries
// evaluated on it, and the user's locale set for the length of a test.
#include "driver/semantics/SortOrder.h"
#include "driver/sql/Like.h"
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kervane::sql {

// Sets LC_ALL for its lifetime and puts the previous value back; userLocale() reads it at
// each call.
class LocaleScope {
public:
    explicit LocaleScope(const char* name)
    {
        if (const char* previous = std::getenv("LC_ALL"))
            m_previous = previous;
        setenv("LC_ALL", name, 1);
    }
    ~LocaleScope() { m_previous ? (void)setenv("LC_ALL", m_previous->c_str(), 1) : (void)unsetenv("LC_ALL"); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    std::optional<std::string> m_previous;
};

// VBA's error 5 as the function library reports it, and its other errors.
inline std::string badArgument(const std::string& function)
{
    return "[22023]Argument ou appel de procédure incorrect dans « " + function + " ».";
}
inline const std::string MISMATCH(TYPE_MISMATCH_MESSAGE);
inline const std::string OVERFLOW(OVERFLOW_MESSAGE);
inline const std::string INVALID_NULL(INVALID_NULL_MESSAGE);
inline const std::string DIVISION_BY_ZERO(DIVISION_BY_ZERO_MESSAGE);

class SqliteTest : public ::testing::Test {
protected:
    using Cases = std::vector<std::pair<std::string, std::string>>;
    using Rows = std::vector<std::string>;

    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        registerAccessFunctions(m_db);
        registerLikeFunctions(m_db);
        registerAccessCollation(m_db);
    }
    void TearDown() override { sqlite3_close(m_db); }

    void execute(const std::string& sql)
    {
        ASSERT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(m_db);
    }

    // Every row of a query, its columns joined by '|', each written as Null, 12 (an integer),
    // 12.5 or 12.0 (a real, as SQLite writes it, to 15 digits) or 'text'; or the error
    // message as the only row.
    Rows rows(const std::string& sql)
    {
        Rows result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return {sqlite3_errmsg(m_db)};
        int state = SQLITE_ROW;
        while ((state = sqlite3_step(statement)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const int type = sqlite3_column_type(statement, i);
                const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                const std::string text = value ? value : "";
                row += (i ? "|" : "") + (type == SQLITE_NULL ? "Null" : type == SQLITE_TEXT ? "'" + text + "'" : text);
            }
            result.push_back(row);
        }
        if (state != SQLITE_DONE)
            result = {sqlite3_errmsg(m_db)};
        sqlite3_finalize(statement);
        return result;
    }

    // The first row of "SELECT <expression>".
    std::string shown(const std::string& expression)
    {
        const Rows result = rows("SELECT " + expression);
        return result.empty() ? "(no row)" : result.front();
    }

    void expect(const Cases& cases)
    {
        for (const auto& [expression, expected] : cases)
            EXPECT_EQ(shown(expression), expected) << expression;
    }

    // Every entry is a scalar function registered for its smallest and largest argument count
    // (two more than the smallest when any count goes), called with `argument` each time.
    void expectCatalogueRegistered(std::span<const FunctionInfo> catalogue, const std::string& argument)
    {
        for (const FunctionInfo& info : catalogue) {
            const int largest = info.maxArgs < 0 ? info.minArgs + 2 : info.maxArgs;
            for (int count : {info.minArgs, largest}) {
                std::string call = "SELECT " + std::string(info.sqliteName) + "(";
                for (int i = 0; i < count; ++i)
                    call += (i == 0 ? "" : ", ") + argument;
                sqlite3_stmt* statement = nullptr;
                EXPECT_EQ(sqlite3_prepare_v2(m_db, (call + ")").c_str(), -1, &statement, nullptr), SQLITE_OK)
                    << info.name << " with " << count << " arguments";
                sqlite3_finalize(statement);
            }
            EXPECT_FALSE(info.aggregate) << info.name;
        }
    }

    sqlite3* m_db = nullptr;
};

}  // namespace kervane::sql
