#pragma once
// Shared by the function, LIKE and collation tests: an in-memory SQLite connection with one
// family registered, "SELECT <expression>" or a whole query evaluated on it, and the user's
// locale set for the length of a test.
#include "driver/sql/functions/FunctionCatalogue.h"

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
    ~LocaleScope()
    {
        if (m_previous)
            setenv("LC_ALL", m_previous->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    std::optional<std::string> m_previous;
};

// VBA's error 5 as the function library reports it.
inline std::string badArgument(const std::string& function)
{
    return "[22023]Argument ou appel de procédure incorrect dans « " + function + " ».";
}

// A fixture whose connection has the functions registerFamily registers.
template <void (*registerFamily)(sqlite3*)>
class FunctionTest : public ::testing::Test {
protected:
    using Cases = std::vector<std::pair<std::string, std::string>>;

    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        registerFamily(m_db);
    }
    void TearDown() override { sqlite3_close(m_db); }

    // The first column of "SELECT <expression>", or the error message.
    struct Result {
        int type = SQLITE_NULL;
        sqlite3_int64 integer = 0;
        double real = 0;
        std::string text;
        std::string error;
    };

    Result evaluate(const std::string& expression)
    {
        Result result;
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT " + expression;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            result.error = sqlite3_errmsg(m_db);
            return result;
        }
        if (sqlite3_step(statement) == SQLITE_ROW) {
            result.type = sqlite3_column_type(statement, 0);
            result.integer = sqlite3_column_int64(statement, 0);
            result.real = sqlite3_column_double(statement, 0);
            if (const unsigned char* text = sqlite3_column_text(statement, 0))
                result.text = reinterpret_cast<const char*>(text);
        } else {
            result.error = sqlite3_errmsg(m_db);
        }
        sqlite3_finalize(statement);
        return result;
    }

    // The result written for comparison: Null, 12 (integer), 12.5 or 12.0 (real, as SQLite
    // writes it, to 15 digits), 'text', or the error message.
    std::string shown(const std::string& expression)
    {
        const Result result = evaluate(expression);
        if (!result.error.empty())
            return result.error;
        if (result.type == SQLITE_NULL)
            return "Null";
        return result.type == SQLITE_TEXT ? "'" + result.text + "'" : result.text;
    }

    // Every row of a query, its columns joined by '|' ("NULL" for a null), or the error
    // message as the only row.
    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> result;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return {sqlite3_errmsg(m_db)};
        int state = SQLITE_ROW;
        while ((state = sqlite3_step(statement)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row += (i ? "|" : "") + std::string(text ? text : "NULL");
            }
            result.push_back(row);
        }
        if (state != SQLITE_DONE)
            result = {sqlite3_errmsg(m_db)};
        sqlite3_finalize(statement);
        return result;
    }

    void expectResults(const Cases& cases)
    {
        for (const auto& [expression, expected] : cases)
            EXPECT_EQ(shown(expression), expected) << expression;
    }

    // An expected text, or std::nullopt for a Null result.
    void expectTexts(const std::vector<std::pair<std::string, std::optional<std::string>>>& cases)
    {
        expectValues(cases, SQLITE_TEXT, &Result::text);
    }

    void expectIntegers(const std::vector<std::pair<std::string, std::optional<sqlite3_int64>>>& cases)
    {
        expectValues(cases, SQLITE_INTEGER, &Result::integer);
    }

    void expectErrors(const std::vector<std::pair<std::string, std::string>>& cases)
    {
        for (const auto& [expression, message] : cases)
            EXPECT_EQ(evaluate(expression).error, message) << expression;
    }

    // Every entry names a scalar function registered for its smallest and largest argument
    // count (two more than the smallest when any count goes), called with `argument` each time.
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

private:
    template <typename Value>
    void expectValues(const std::vector<std::pair<std::string, std::optional<Value>>>& cases, int type,
                      Value Result::*field)
    {
        for (const auto& [expression, expected] : cases) {
            const Result result = evaluate(expression);
            EXPECT_EQ(result.error, "") << expression;
            if (!expected) {
                EXPECT_EQ(result.type, SQLITE_NULL) << expression;
                continue;
            }
            EXPECT_EQ(result.type, type) << expression;
            EXPECT_EQ(result.*field, *expected) << expression;
        }
    }
};

}  // namespace kervane::sql
