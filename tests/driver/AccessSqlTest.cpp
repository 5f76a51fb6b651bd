#include "tests/driver/AccessSqlTest.h"

namespace kervane::test {

void AccessSqlTest::open(const std::string& file)
{
    if (!file.empty())
        addDataSource("Access SQL", file);
    m_session.emplace(file.empty() ? "Base Test" : "Access SQL");
    ASSERT_EQ(m_session->connected, SQL_SUCCESS);
}

std::vector<Row> AccessSqlTest::rows(const std::string& sql)
{
    Instruction stmt(m_session->connexion);
    const SQLRETURN rc = stmt.exec(sql);
    EXPECT_EQ(rc, SQL_SUCCESS) << sql << "\n" << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    if (rc != SQL_SUCCESS)
        return {};
    return fetchAll(stmt.handle());
}

std::optional<std::string> AccessSqlTest::value(const std::string& sql)
{
    const std::vector<Row> result = rows(sql);
    if (result.empty() || result.front().empty()) {
        ADD_FAILURE() << sql << ": no row";
        return std::nullopt;
    }
    return result.front().front();
}

std::vector<std::string> AccessSqlTest::column(const std::string& sql)
{
    std::vector<std::string> values;
    for (const Row& row : rows(sql))
        values.push_back(row.empty() ? "" : row.front().value_or("<null>"));
    return values;
}

Diagnostic AccessSqlTest::failure(const std::string& sql)
{
    Instruction stmt(m_session->connexion);
    const SQLRETURN rc = stmt.exec(sql);
    EXPECT_EQ(rc, SQL_ERROR) << sql;
    if (rc == SQL_SUCCESS) {
        fetchAll(stmt.handle());
        return {};
    }
    return diagRec(SQL_HANDLE_STMT, stmt.handle());
}

SQLLEN AccessSqlTest::changed(const std::string& sql)
{
    Instruction stmt(m_session->connexion);
    EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << "\n" << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    SQLLEN count = -2;
    SQLRowCount(stmt.handle(), &count);
    return count;
}

SQLSMALLINT AccessSqlTest::typeOf(const std::string& sql)
{
    Instruction stmt(m_session->connexion);
    EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << "\n" << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    SQLSMALLINT type = 0;
    SQLDescribeCol(stmt.handle(), 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    return type;
}

}  // namespace kervane::test
