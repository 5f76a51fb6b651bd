// Access-style types from declared types, and the text form of every kind of value.
#include "tests/driver/OdbcTestSupport.h"

namespace kervane::test {
namespace {

struct Described {
    std::string name;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    bool operator==(const Described&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Described& d)
{
    return out << d.name << " " << d.type << "(" << d.size << ", " << d.digits << ")";
}

std::vector<Described> describe(SQLHSTMT stmt)
{
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    std::vector<Described> columns;
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        SQLCHAR name[256] = {};
        Described d;
        EXPECT_EQ(SQLDescribeCol(stmt, c, name, 255, nullptr, &d.type, &d.size, &d.digits, nullptr), SQL_SUCCESS);
        d.name = reinterpret_cast<char*>(name);
        columns.push_back(d);
    }
    return columns;
}

class TypesTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite base(m_base);
        base.run("CREATE TABLE TYPES(C_TEXT TEXT(40), C_VARCHAR varchar(12), C_MEMO MEMO, C_LONG LONG,"
                 " C_COUNTER COUNTER, C_SHORT SHORT, C_BYTE BYTE, C_SINGLE SINGLE, C_DOUBLE DOUBLE,"
                 " C_CURRENCY CURRENCY, C_DECIMAL DECIMAL(10, 2), C_DATETIME DATETIME, C_YESNO YESNO,"
                 " C_OLE OLEOBJECT, C_GUID GUID, C_AUTRE QUELCONQUE)");
        base.run("INSERT INTO TYPES VALUES('Été', 'abc', 'mémo', 123456, 7, -5, 200, 0.1, 1.5, 12.5, 3,"
                 " '2024-01-02', 1, x'00FF1A', '{6B29FC40-CA47-1067-B31D-00DD010662DA}', 'x')");
        base.run("INSERT INTO TYPES(C_CURRENCY, C_DATETIME, C_YESNO, C_DOUBLE, C_SINGLE, C_DECIMAL)"
                 " VALUES(7, '2024-05-06 07:08:09', 0, 3.0, 2.25, '4.5')");
    }
};

TEST_F(TypesTest, DeclaredTypesGiveAccessSqlTypesAndPrecisionsAndValuesTheirTextForms)
{
    Session s("Base Test", false);
    ASSERT_EQ(s.connected, SQL_SUCCESS);
    ASSERT_EQ(s.stmt.exec("SELECT * FROM TYPES"), SQL_SUCCESS);
    EXPECT_EQ(describe(s.h()), (std::vector<Described>{
        {"C_TEXT", SQL_VARCHAR, 40, 0},        {"C_VARCHAR", SQL_VARCHAR, 12, 0},
        {"C_MEMO", SQL_LONGVARCHAR, 1073741823, 0}, {"C_LONG", SQL_INTEGER, 10, 0},
        {"C_COUNTER", SQL_INTEGER, 10, 0},     {"C_SHORT", SQL_SMALLINT, 5, 0},
        {"C_BYTE", SQL_TINYINT, 3, 0},         {"C_SINGLE", SQL_REAL, 7, 0},
        {"C_DOUBLE", SQL_DOUBLE, 15, 0},       {"C_CURRENCY", SQL_NUMERIC, 19, 4},
        {"C_DECIMAL", SQL_NUMERIC, 10, 2},     {"C_DATETIME", SQL_TIMESTAMP, 19, 0},
        {"C_YESNO", SQL_BIT, 1, 0},            {"C_OLE", SQL_LONGVARBINARY, 1073741823, 0},
        {"C_GUID", SQL_GUID, 38, 0},           {"C_AUTRE", SQL_VARCHAR, 255, 0}}));
    const auto none = std::nullopt;
    EXPECT_EQ(fetchAll(s.h()), (std::vector<Row>{
        {"Été", "abc", "mémo", "123456", "7", "-5", "200", "0.1", "1.5", "12.5000", "3.00", "2024-01-02 00:00:00",
         "1", "00FF1A", "{6B29FC40-CA47-1067-B31D-00DD010662DA}", "x"},
        {none, none, none, none, none, none, none, "2.25", "3", "7.0000", "4.50", "2024-05-06 07:08:09", "0", none,
         none, none}}));

    // An ODBC 3 application sees the ODBC 3 code of dates.
    Session s3;
    ASSERT_EQ(s3.stmt.exec("SELECT C_DATETIME FROM TYPES"), SQL_SUCCESS);
    EXPECT_EQ(describe(s3.h())[0].type, SQL_TYPE_TIMESTAMP);
}

TEST_F(TypesTest, ExpressionColumnsTakeTheirTypeFromTheFirstValue)
{
    Session s("Base Test", false);
    ASSERT_EQ(s.stmt.exec("SELECT count(*) AS N, 2.5 AS R, 'a' & 'b' AS T, NULL AS V"), SQL_SUCCESS);
    EXPECT_EQ(describe(s.h()), (std::vector<Described>{{"N", SQL_INTEGER, 10, 0}, {"R", SQL_DOUBLE, 15, 0},
                                                       {"T", SQL_VARCHAR, 255, 0}, {"V", SQL_VARCHAR, 255, 0}}));
    EXPECT_EQ(fetchAll(s.h()), (std::vector<Row>{{"1", "2.5", "ab", std::nullopt}}));
}

TEST_F(TypesTest, TypedConversionsForTheCommonCTypes)
{
    Session s;
    ASSERT_EQ(s.stmt.exec("SELECT C_LONG, C_CURRENCY, C_DATETIME, C_OLE, C_TEXT, C_YESNO FROM TYPES"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.h()), SQL_SUCCESS);
    SQLINTEGER number = 0;
    SQLLEN length = 0;
    EXPECT_EQ(SQLGetData(s.h(), 1, SQL_C_SLONG, &number, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(number, 123456);
    EXPECT_EQ(SQLGetData(s.h(), 1, SQL_C_SLONG, &number, 0, &length), SQL_NO_DATA);
    double money = 0;
    EXPECT_EQ(SQLGetData(s.h(), 2, SQL_C_DOUBLE, &money, 0, &length), SQL_SUCCESS);
    EXPECT_DOUBLE_EQ(money, 12.5);
    SQL_TIMESTAMP_STRUCT stamp{};
    EXPECT_EQ(SQLGetData(s.h(), 3, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &length), SQL_SUCCESS);
    EXPECT_EQ(std::tuple(stamp.year, stamp.month, stamp.day), std::tuple(2024, 1, 2));
    unsigned char bytes[8] = {};
    EXPECT_EQ(SQLGetData(s.h(), 4, SQL_C_BINARY, bytes, sizeof bytes, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(SQLGetData(s.h(), 5, SQL_C_SLONG, &number, 0, &length), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, s.h()).state, "22018");
    unsigned char bit = 9;
    EXPECT_EQ(SQLGetData(s.h(), 6, SQL_C_BIT, &bit, 1, &length), SQL_SUCCESS);
    EXPECT_EQ(bit, 1);
}

}  // namespace
}  // namespace kervane::test
