#pragma once
// Statements in Access SQL through the driver, on a SQLite-format base made for the test or on
// a genuine Access file read in place.
#include "tests/driver/OdbcTestSupport.h"

namespace kervane::test {

class AccessSqlTest : public OdbcTest {
protected:
    // Connects to file (the test's own base when empty) through a data source of its own.
    void open(const std::string& file = {});
    void TearDown() override { m_session.reset(); }

    std::vector<Row> rows(const std::string& sql);
    // The first column of the first row; nullopt for Null.
    std::optional<std::string> value(const std::string& sql);
    // Texts of the first column of every row (Null as "<null>").
    std::vector<std::string> column(const std::string& sql);
    // Runs a statement that must fail; its first diagnostic.
    Diagnostic failure(const std::string& sql);
    // Runs a statement that changes rows; its row count.
    SQLLEN changed(const std::string& sql);
    // SQL type of result column 1 as SQLDescribeCol gives it.
    SQLSMALLINT typeOf(const std::string& sql);

    std::optional<Session> m_session;
};

}  // namespace kervane::test
