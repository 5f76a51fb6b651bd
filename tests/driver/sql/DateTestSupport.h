#pragma once
// Shared by the date and Format tests: an in-memory connection with the date family, and the
// user's locale set for the length of a test.
#include "driver/sql/functions/FunctionCatalogue.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kervane::sql {

// Sets LC_ALL for its lifetime and puts the previous value back.
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

// Evaluates "SELECT <expression>" on a connection with the date family (Format included).
class DateFamilyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        registerDateFunctions(m_db);
    }
    void TearDown() override { sqlite3_close(m_db); }

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

    // An expected text, or std::nullopt for a Null result.
    void expectTexts(const std::vector<std::pair<std::string, std::optional<std::string>>>& cases)
    {
        for (const auto& [expression, expected] : cases) {
            const Result result = evaluate(expression);
            EXPECT_EQ(result.error, "") << expression;
            if (!expected) {
                EXPECT_EQ(result.type, SQLITE_NULL) << expression;
                continue;
            }
            EXPECT_EQ(result.type, SQLITE_TEXT) << expression;
            EXPECT_EQ(result.text, *expected) << expression;
        }
    }

    void expectIntegers(const std::vector<std::pair<std::string, std::optional<sqlite3_int64>>>& cases)
    {
        for (const auto& [expression, expected] : cases) {
            const Result result = evaluate(expression);
            EXPECT_EQ(result.error, "") << expression;
            if (!expected) {
                EXPECT_EQ(result.type, SQLITE_NULL) << expression;
                continue;
            }
            EXPECT_EQ(result.type, SQLITE_INTEGER) << expression;
            EXPECT_EQ(result.integer, *expected) << expression;
        }
    }

    void expectErrors(const std::vector<std::pair<std::string, std::string>>& cases)
    {
        for (const auto& [expression, message] : cases)
            EXPECT_EQ(evaluate(expression).error, message) << expression;
    }

    sqlite3* m_db = nullptr;
};

}  // namespace kervane::sql
