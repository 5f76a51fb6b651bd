// Statement parameters through unixODBC: every C type stored into Access-typed columns and read
// back, NULLs, long values given in pieces, parameter arrays, and the errors an application meets.
#include "tests/driver/OdbcTestSupport.h"

#include <cstdint>
#include <cstring>

namespace kervane::test {
namespace {

class ParametersTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        {
            BaseSqlite base(m_base);
            base.run("CREATE TABLE P(ID LONG PRIMARY KEY, T TEXT(100), M MEMO, L LONG, S SHORT, B BYTE,"
                     " R SINGLE, D DOUBLE, C CURRENCY, DT DATETIME, YN YESNO, O OLEOBJECT)");
        }
        m_session.emplace();
    }
    void TearDown() override { m_session.reset(); }

    // INSERT INTO P (ID, column) VALUES (id, ?) with the value bound as given.
    SQLRETURN store(int id, const std::string& column, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value,
                    SQLLEN bufferLength, SQLLEN* indicator)
    {
        Instruction stmt(m_session->connexion);
        const std::string sql = "INSERT INTO P (ID, " + column + ") VALUES (" + std::to_string(id) + ", ?)";
        EXPECT_EQ(SQLPrepare(stmt.handle(), sqlText(sql), SQL_NTS), SQL_SUCCESS);
        EXPECT_EQ(SQLBindParameter(stmt.handle(), 1, SQL_PARAM_INPUT, cType, sqlType, 0, 0, const_cast<void*>(value),
                                   bufferLength, indicator),
                  SQL_SUCCESS);
        const SQLRETURN rc = SQLExecute(stmt.handle());
        m_lastError = rc == SQL_ERROR ? diagRec(SQL_HANDLE_STMT, stmt.handle()) : Diagnostic{};
        return rc;
    }

    template <class T>
    void storeFixed(int id, const std::string& column, SQLSMALLINT cType, SQLSMALLINT sqlType, T value)
    {
        ASSERT_EQ(store(id, column, cType, sqlType, &value, 0, nullptr), SQL_SUCCESS) << column << " " << cType;
    }

    // The stored value as SQLite holds it, read beside the driver.
    std::string stored(int id, const std::string& column)
    {
        BaseSqlite base(m_base);
        return base.scalar("SELECT " + column + " FROM P WHERE ID = " + std::to_string(id));
    }

    template <class T>
    T readBack(int id, const std::string& column, SQLSMALLINT cType)
    {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec("SELECT " + column + " FROM P WHERE ID = " + std::to_string(id)), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
        T value{};
        SQLLEN length = 0;
        EXPECT_EQ(SQLGetData(stmt.handle(), 1, cType, &value, sizeof value, &length), SQL_SUCCESS);
        return value;
    }

    std::optional<std::string> textBack(int id, const std::string& column)
    {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(stmt.exec("SELECT " + column + " FROM P WHERE ID = " + std::to_string(id)), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(stmt.handle()), SQL_SUCCESS);
        return readText(stmt.handle(), 1);
    }

    // Binds input parameter `number`; its result checked.
    static void bind(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value,
                     SQLLEN length = 0, SQLLEN* indicator = nullptr, SQLULEN size = 0)
    {
        ASSERT_EQ(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, cType, sqlType, size, 0, const_cast<void*>(value),
                                   length, indicator),
                  SQL_SUCCESS);
    }
    // The token an application gives a value sent at execution.
    static SQLPOINTER atExecutionToken(std::uintptr_t value) { return reinterpret_cast<SQLPOINTER>(value); }
    static SQLCHAR* sqlText(const std::string& sql) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())); }

    std::optional<Session> m_session;
    Diagnostic m_lastError;
};

TEST_F(ParametersTest, IntegerBitAndFloatingTypesAreStoredAsNumbers)
{
    // Stored through one C type, read back through another.
    int id = 0;
    const auto roundTrip = [&](const std::string& column, SQLSMALLINT cType, SQLSMALLINT sqlType, auto value,
                               SQLSMALLINT backType, auto expected) {
        storeFixed(++id, column, cType, sqlType, value);
        EXPECT_EQ(readBack<decltype(expected)>(id, column, backType), expected) << column << " " << cType;
    };
    roundTrip("S", SQL_C_SHORT, SQL_SMALLINT, SQLSMALLINT{-1234}, SQL_C_SSHORT, SQLSMALLINT{-1234});
    roundTrip("S", SQL_C_SSHORT, SQL_SMALLINT, SQLSMALLINT{32767}, SQL_C_SSHORT, SQLSMALLINT{32767});
    roundTrip("L", SQL_C_USHORT, SQL_INTEGER, SQLUSMALLINT{65000}, SQL_C_SLONG, SQLINTEGER{65000});
    roundTrip("L", SQL_C_LONG, SQL_INTEGER, SQLINTEGER{-123456}, SQL_C_SLONG, SQLINTEGER{-123456});
    roundTrip("L", SQL_C_SLONG, SQL_INTEGER, SQLINTEGER{2147483647}, SQL_C_SLONG, SQLINTEGER{2147483647});
    roundTrip("D", SQL_C_ULONG, SQL_DOUBLE, SQLUINTEGER{4000000000U}, SQL_C_DOUBLE, 4000000000.0);
    roundTrip("D", SQL_C_SBIGINT, SQL_BIGINT, SQLBIGINT{-1099511627776LL}, SQL_C_DOUBLE, -1099511627776.0);
    roundTrip("D", SQL_C_UBIGINT, SQL_BIGINT, SQLUBIGINT{1099511627776ULL}, SQL_C_DOUBLE, 1099511627776.0);
    roundTrip("S", SQL_C_TINYINT, SQL_TINYINT, static_cast<signed char>(-5), SQL_C_SSHORT, SQLSMALLINT{-5});
    roundTrip("S", SQL_C_STINYINT, SQL_TINYINT, static_cast<signed char>(-128), SQL_C_SSHORT, SQLSMALLINT{-128});
    roundTrip("B", SQL_C_UTINYINT, SQL_TINYINT, static_cast<unsigned char>(200), SQL_C_SLONG, SQLINTEGER{200});
    roundTrip("R", SQL_C_FLOAT, SQL_REAL, SQLREAL{2.25F}, SQL_C_FLOAT, SQLREAL{2.25F});
    roundTrip("D", SQL_C_DOUBLE, SQL_DOUBLE, SQLDOUBLE{0.1}, SQL_C_DOUBLE, SQLDOUBLE{0.1});
    roundTrip("L", SQL_C_DEFAULT, SQL_INTEGER, SQLINTEGER{77}, SQL_C_SLONG, SQLINTEGER{77});
    // Numbers are stored as numbers, not as texts that look like them.
    EXPECT_EQ(stored(4, "typeof(L)"), "integer");
    EXPECT_EQ(stored(13, "typeof(D)"), "real");
}

TEST_F(ParametersTest, BitIsStoredAsAccessYesNoAndExactNumbersKeepTheirScale)
{
    storeFixed<unsigned char>(1, "YN", SQL_C_BIT, SQL_BIT, 1);
    storeFixed<unsigned char>(2, "YN", SQL_C_BIT, SQL_BIT, 0);
    // Access keeps Yes as -1 and No as 0.
    EXPECT_EQ(stored(1, "YN"), "-1");
    EXPECT_EQ(stored(2, "YN"), "0");
    EXPECT_EQ(readBack<unsigned char>(1, "YN", SQL_C_BIT), 1);
    EXPECT_EQ(readBack<unsigned char>(2, "YN", SQL_C_BIT), 0);

    SQL_NUMERIC_STRUCT price{};
    price.precision = 10;
    price.scale = 2;
    price.sign = 1;
    price.val[0] = 0x39;  // 12345 = 0x3039, little-endian: 123.45
    price.val[1] = 0x30;
    storeFixed(3, "C", SQL_C_NUMERIC, SQL_NUMERIC, price);
    price.sign = 0;
    storeFixed(4, "C", SQL_C_NUMERIC, SQL_NUMERIC, price);
    EXPECT_DOUBLE_EQ(readBack<SQLDOUBLE>(3, "C", SQL_C_DOUBLE), 123.45);
    EXPECT_DOUBLE_EQ(readBack<SQLDOUBLE>(4, "C", SQL_C_DOUBLE), -123.45);
}

TEST_F(ParametersTest, DatesTimesAndTimestampsBecomeTheCanonicalDateText)
{
    storeFixed(1, "DT", SQL_C_TYPE_DATE, SQL_TYPE_DATE, SQL_DATE_STRUCT{2024, 2, 29});
    storeFixed(2, "DT", SQL_C_DATE, SQL_DATE, SQL_DATE_STRUCT{1969, 7, 21});
    // A time alone lies on 1899-12-30, day 0 of Access dates.
    storeFixed(3, "DT", SQL_C_TYPE_TIME, SQL_TYPE_TIME, SQL_TIME_STRUCT{13, 45, 30});
    storeFixed(4, "DT", SQL_C_TIME, SQL_TIME, SQL_TIME_STRUCT{0, 0, 1});
    storeFixed(5, "DT", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, SQL_TIMESTAMP_STRUCT{2023, 12, 31, 23, 59, 58, 0});
    storeFixed(6, "DT", SQL_C_TIMESTAMP, SQL_TIMESTAMP, SQL_TIMESTAMP_STRUCT{100, 1, 1, 0, 0, 0, 0});
    EXPECT_EQ(stored(1, "DT"), "2024-02-29 00:00:00");
    EXPECT_EQ(stored(2, "DT"), "1969-07-21 00:00:00");
    EXPECT_EQ(stored(3, "DT"), "1899-12-30 13:45:30");
    EXPECT_EQ(stored(4, "DT"), "1899-12-30 00:00:01");
    EXPECT_EQ(stored(5, "DT"), "2023-12-31 23:59:58");
    EXPECT_EQ(stored(6, "DT"), "0100-01-01 00:00:00");
    const auto stamp = readBack<SQL_TIMESTAMP_STRUCT>(5, "DT", SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(stamp.year, 2023);
    EXPECT_EQ(stamp.month, 12);
    EXPECT_EQ(stamp.day, 31);
    EXPECT_EQ(stamp.hour, 23);
    EXPECT_EQ(stamp.minute, 59);
    EXPECT_EQ(stamp.second, 58);
    // A text the date column reads (ISO, day-first) is stored in the same form.
    ASSERT_EQ(store(7, "DT", SQL_C_CHAR, SQL_VARCHAR, "25/12/2020 08:30", 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(stored(7, "DT"), "2020-12-25 08:30:00");
}

TEST_F(ParametersTest, TextsInUtf8AndUtf16BinariesAndNullsComeBackEqual)
{
    const std::string accented = "Été à Noël, cœur, Ελληνικά, 日本語, 😀";
    ASSERT_EQ(store(1, "T", SQL_C_CHAR, SQL_VARCHAR, accented.c_str(), 0, nullptr), SQL_SUCCESS);
    SQLLEN length = static_cast<SQLLEN>(accented.size());
    ASSERT_EQ(store(2, "T", SQL_C_CHAR, SQL_VARCHAR, accented.data(), 0, &length), SQL_SUCCESS);
    // The same text in UTF-16, the emoji as a surrogate pair.
    const std::u16string wide = u"Été à Noël, cœur, Ελληνικά, 日本語, 😀";
    std::vector<SQLWCHAR> units(wide.begin(), wide.end());
    units.push_back(0);
    ASSERT_EQ(store(3, "T", SQL_C_WCHAR, SQL_WVARCHAR, units.data(), 0, nullptr), SQL_SUCCESS);
    SQLLEN wideBytes = static_cast<SQLLEN>(wide.size() * sizeof(SQLWCHAR));
    ASSERT_EQ(store(4, "M", SQL_C_WCHAR, SQL_WLONGVARCHAR, units.data(), 0, &wideBytes), SQL_SUCCESS);
    EXPECT_EQ(textBack(1, "T"), accented);
    EXPECT_EQ(textBack(2, "T"), accented);
    EXPECT_EQ(textBack(3, "T"), accented);
    EXPECT_EQ(textBack(4, "M"), accented);

    const unsigned char bytes[] = {0x00, 0x01, 0xFF, 0x00, 0x7F};
    SQLLEN byteCount = sizeof bytes;
    ASSERT_EQ(store(5, "O", SQL_C_BINARY, SQL_LONGVARBINARY, bytes, sizeof bytes, &byteCount), SQL_SUCCESS);
    EXPECT_EQ(stored(5, "hex(O)"), "0001FF007F");

    SQLLEN null = SQL_NULL_DATA;
    ASSERT_EQ(store(6, "T", SQL_C_CHAR, SQL_VARCHAR, nullptr, 0, &null), SQL_SUCCESS);
    ASSERT_EQ(store(7, "DT", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, nullptr, 0, &null), SQL_SUCCESS);
    ASSERT_EQ(store(8, "YN", SQL_C_BIT, SQL_BIT, nullptr, 0, &null), SQL_SUCCESS);
    EXPECT_EQ(textBack(6, "T"), std::nullopt);
    EXPECT_EQ(textBack(7, "DT"), std::nullopt);
    EXPECT_EQ(textBack(8, "YN"), std::nullopt);
}

TEST_F(ParametersTest, LongMemoAndBinaryArriveInPiecesAtExecution)
{
    // 100,000 characters, some of two bytes, given in pieces that cut them in the middle.
    std::string memo;
    while (memo.size() < 100000)
        memo += memo.size() % 7 == 0 ? "é" : "a";
    const std::size_t characters = [&] {
        std::size_t count = 0;
        for (const char c : memo)
            count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return count;
    }();
    std::vector<unsigned char> blob(300000);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<unsigned char>(i * 7);

    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, M, O) VALUES (1, ?, ?)"), SQL_NTS), SQL_SUCCESS);
    SQLLEN memoLength = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(memo.size()));
    SQLLEN blobLength = SQL_DATA_AT_EXEC;
    bind(stmt.handle(), 1, SQL_C_CHAR, SQL_LONGVARCHAR, atExecutionToken(1), 0, &memoLength);
    bind(stmt.handle(), 2, SQL_C_BINARY, SQL_LONGVARBINARY, atExecutionToken(2), 0, &blobLength);
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_NEED_DATA);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_NEED_DATA);
    EXPECT_EQ(token, reinterpret_cast<SQLPOINTER>(1));
    for (std::size_t offset = 0; offset < memo.size(); offset += 7001)
        ASSERT_EQ(SQLPutData(stmt.handle(), memo.data() + offset, static_cast<SQLLEN>(std::min<std::size_t>(7001, memo.size() - offset))),
                  SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_NEED_DATA);
    EXPECT_EQ(token, reinterpret_cast<SQLPOINTER>(2));
    for (std::size_t offset = 0; offset < blob.size(); offset += 65536)
        ASSERT_EQ(SQLPutData(stmt.handle(), blob.data() + offset, static_cast<SQLLEN>(std::min<std::size_t>(65536, blob.size() - offset))),
                  SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_SUCCESS);

    EXPECT_EQ(textBack(1, "M"), memo);
    EXPECT_EQ(stored(1, "length(M)"), std::to_string(characters));
    EXPECT_EQ(stored(1, "length(O)"), "300000");
    EXPECT_EQ(stored(1, "hex(substr(O, 299999, 2))"), "1219");
}

TEST_F(ParametersTest, MarkersAreNumberedInTheOrderTheyAreWritten)
{
    {
        BaseSqlite base(m_base);
        base.run("CREATE TABLE Q(ID LONG, X TEXT(10));"
                 "INSERT INTO Q VALUES (1, 'oui'), (2, 'non');"
                 "INSERT INTO P (ID, T) VALUES (1, 'a'), (2, 'b')");
    }
    // The join's condition comes before SET in the text, after it in the statement SQLite runs.
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(),
                         sqlText("UPDATE P INNER JOIN Q ON P.ID = Q.ID AND Q.X = ? SET P.T = ? WHERE P.ID < ?"),
                         SQL_NTS),
              SQL_SUCCESS);
    SQLINTEGER limit = 10;
    bind(stmt.handle(), 1, SQL_C_CHAR, SQL_VARCHAR, "OUI");
    bind(stmt.handle(), 2, SQL_C_CHAR, SQL_VARCHAR, "changé");
    bind(stmt.handle(), 3, SQL_C_SLONG, SQL_INTEGER, &limit);
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    EXPECT_EQ(BaseSqlite(m_base).scalar("SELECT group_concat(ID || '=' || T) FROM P"), "1=changé,2=b");
}

TEST_F(ParametersTest, CancelAbandonsAnExecutionWaitingForData)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, M) VALUES (1, ?)"), SQL_NTS), SQL_SUCCESS);
    SQLLEN atExecution = SQL_DATA_AT_EXEC;
    bind(stmt.handle(), 1, SQL_C_CHAR, SQL_LONGVARCHAR, atExecutionToken(7), 0, &atExecution);
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_NEED_DATA);
    EXPECT_EQ(SQLExecute(stmt.handle()), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY010");
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_NEED_DATA);
    ASSERT_EQ(SQLPutData(stmt.handle(), const_cast<char*>("abandonné"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLCancel(stmt.handle()), SQL_SUCCESS);
    EXPECT_EQ(SQLParamData(stmt.handle(), &token), SQL_ERROR);
    EXPECT_EQ(BaseSqlite(m_base).scalar("SELECT count(*) FROM P"), "0");
    // The statement runs again from the start.
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_NEED_DATA);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_NEED_DATA);
    ASSERT_EQ(SQLPutData(stmt.handle(), const_cast<char*>("gardé"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_SUCCESS);
    EXPECT_EQ(stored(1, "M"), "gardé");
    // A value given at execution time may be NULL.
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, M) VALUES (2, ?)"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_NEED_DATA);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_NEED_DATA);
    ASSERT_EQ(SQLPutData(stmt.handle(), nullptr, SQL_NULL_DATA), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt.handle(), &token), SQL_SUCCESS);
    EXPECT_EQ(stored(2, "typeof(M)"), "null");
}

TEST_F(ParametersTest, ParametersInWhereFollowTheColumnTheyMeet)
{
    {
        BaseSqlite base(m_base);
        base.run("INSERT INTO P (ID, T, DT, YN) VALUES (1, 'Été', '2024-05-17 10:00:00', -1),"
                 " (2, 'Hiver', '2024-05-18 00:00:00', 0)");
    }
    auto idsWhere = [&](const std::string& condition, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value) {
        Instruction stmt(m_session->connexion);
        EXPECT_EQ(SQLPrepare(stmt.handle(), sqlText("SELECT ID FROM P WHERE " + condition + " ORDER BY ID"), SQL_NTS),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLBindParameter(stmt.handle(), 1, SQL_PARAM_INPUT, cType, sqlType, 0, 0, const_cast<void*>(value),
                                   0, nullptr),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLExecute(stmt.handle()), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
        std::string ids;
        for (const Row& row : fetchAll(stmt.handle()))
            ids += (ids.empty() ? "" : ",") + row[0].value_or("NULL");
        return ids;
    };
    // Access compares texts without regard to case or accents' case.
    EXPECT_EQ(idsWhere("T = ?", SQL_C_CHAR, SQL_VARCHAR, "éTÉ"), "1");
    EXPECT_EQ(idsWhere("T = ?", SQL_C_CHAR, SQL_VARCHAR, "HIVER"), "2");
    EXPECT_EQ(idsWhere("T LIKE ?", SQL_C_CHAR, SQL_VARCHAR, "h*"), "2");
    const SQL_TIMESTAMP_STRUCT when{2024, 5, 17, 10, 0, 0, 0};
    EXPECT_EQ(idsWhere("DT = ?", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, &when), "1");
    const SQL_DATE_STRUCT day{2024, 5, 18};
    EXPECT_EQ(idsWhere("DT >= ?", SQL_C_TYPE_DATE, SQL_TYPE_DATE, &day), "2");
    // A Yes/No column holds -1; a bit of 1 still means Yes.
    const unsigned char yes = 1;
    EXPECT_EQ(idsWhere("YN = ?", SQL_C_BIT, SQL_BIT, &yes), "1");
    const SQLINTEGER two = 2;
    EXPECT_EQ(idsWhere("ID = ?", SQL_C_SLONG, SQL_INTEGER, &two), "2");
    EXPECT_EQ(idsWhere("ID = ?", SQL_C_CHAR, SQL_VARCHAR, "2"), "2");
}

TEST_F(ParametersTest, ArraysOfParameterSetsRunEachSetOnceWithItsStatus)
{
    constexpr SQLULEN count = 1000;
    std::vector<SQLINTEGER> ids(count);
    std::vector<char> names(count * 16);
    std::vector<SQLLEN> nameLengths(count);
    for (SQLULEN i = 0; i < count; ++i) {
        ids[i] = static_cast<SQLINTEGER>(i + 1);
        const std::string name = "Ligne é" + std::to_string(i + 1);
        std::memcpy(&names[i * 16], name.c_str(), name.size() + 1);
        nameLengths[i] = i % 100 == 0 ? SQL_NULL_DATA : SQL_NTS;
    }
    std::vector<SQLUSMALLINT> status(count, 99);
    SQLULEN processed = 0;
    ASSERT_EQ(SQLSetConnectAttr(m_session->dbc(), SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(count), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, T) VALUES (?, ?)"), SQL_NTS), SQL_SUCCESS);
    bind(stmt.handle(), 1, SQL_C_SLONG, SQL_INTEGER, ids.data());
    bind(stmt.handle(), 2, SQL_C_CHAR, SQL_VARCHAR, names.data(), 16, nameLengths.data(), 15);
    ASSERT_EQ(SQLExecute(stmt.handle()), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    EXPECT_EQ(processed, count);
    EXPECT_EQ(std::count(status.begin(), status.end(), SQL_PARAM_SUCCESS), static_cast<long>(count));
    SQLLEN changed = 0;
    ASSERT_EQ(SQLRowCount(stmt.handle(), &changed), SQL_SUCCESS);
    EXPECT_EQ(changed, static_cast<SQLLEN>(count));
    // Nothing is written before the commit of the manual transaction.
    EXPECT_EQ(BaseSqlite(m_base).scalar("SELECT count(*) FROM P"), "0");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_session->dbc(), SQL_COMMIT), SQL_SUCCESS);
    BaseSqlite base(m_base);
    EXPECT_EQ(base.scalar("SELECT count(*) FROM P"), "1000");
    EXPECT_EQ(base.scalar("SELECT count(*) FROM P WHERE T IS NULL"), "10");
    EXPECT_EQ(base.scalar("SELECT T FROM P WHERE ID = 999"), "Ligne é999");
}

TEST_F(ParametersTest, RowWiseSetsStopAtTheFirstFailingSet)
{
    struct Ligne {
        SQLINTEGER id;
        SQLLEN idLength;
        SQLDOUBLE value;
        SQLLEN valueLength;
    };
    Ligne rows[] = {{1, 0, 1.5, 0}, {1, 0, 2.5, 0}, {3, 0, 3.5, 0}};  // the second repeats the key
    SQLUSMALLINT status[3] = {99, 99, 99};
    SQLULEN processed = 0;
    Instruction stmt(m_session->connexion);
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Ligne)), 0);
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAM_STATUS_PTR, status, 0);
    SQLSetStmtAttr(stmt.handle(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, D) VALUES (?, ?)"), SQL_NTS), SQL_SUCCESS);
    SQLBindParameter(stmt.handle(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &rows[0].id, 0,
                     &rows[0].idLength);
    SQLBindParameter(stmt.handle(), 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &rows[0].value, 0,
                     &rows[0].valueLength);
    EXPECT_EQ(SQLExecute(stmt.handle()), SQL_ERROR);
    EXPECT_EQ(status[0], SQL_PARAM_SUCCESS);
    EXPECT_EQ(status[1], SQL_PARAM_ERROR);
    EXPECT_EQ(status[2], SQL_PARAM_UNUSED);
    EXPECT_EQ(processed, 2U);
    EXPECT_EQ(BaseSqlite(m_base).scalar("SELECT group_concat(ID || ':' || D) FROM P"), "1:1.5");
}

TEST_F(ParametersTest, MissingOrUnreadableParametersAreRefusedInFrench)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("SELECT ID FROM P WHERE ID = ? AND T = ?"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER id = 1;
    bind(stmt.handle(), 1, SQL_C_SLONG, SQL_INTEGER, &id);
    EXPECT_EQ(SQLExecute(stmt.handle()), SQL_ERROR);
    const Diagnostic missing = diagRec(SQL_HANDLE_STMT, stmt.handle());
    EXPECT_EQ(missing.state, "07002");
    EXPECT_NE(missing.message.find("Nombre de paramètres incorrect"), std::string::npos) << missing.message;

    // A declared parameter needs a value only where the statement uses it.
    Instruction declared(m_session->connexion);
    EXPECT_EQ(declared.exec("PARAMETERS Nom Text; DELETE FROM P WHERE ID > 2"), SQL_SUCCESS);
    EXPECT_EQ(declared.exec("PARAMETERS Nom Text; DELETE FROM P WHERE T = Nom"), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, declared.handle()).state, "07002");

    EXPECT_EQ(SQLBindParameter(stmt.handle(), 2, SQL_PARAM_INPUT, 999, SQL_VARCHAR, 0, 0, &id, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY003");
    EXPECT_EQ(SQLBindParameter(stmt.handle(), 2, SQL_PARAM_INPUT, SQL_C_CHAR, 999, 0, 0, &id, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY004");

    const SQL_DATE_STRUCT impossible{2023, 2, 30};
    EXPECT_EQ(store(1, "DT", SQL_C_TYPE_DATE, SQL_TYPE_DATE, &impossible, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22007");
    EXPECT_EQ(store(2, "DT", SQL_C_CHAR, SQL_VARCHAR, "pas une date", 0, nullptr), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22007");
    EXPECT_EQ(store(3, "L", SQL_C_CHAR, SQL_VARCHAR, "douze", 0, nullptr), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22018");
    EXPECT_NE(m_lastError.message.find("n'est pas un nombre"), std::string::npos) << m_lastError.message;
    ASSERT_EQ(store(4, "L", SQL_C_CHAR, SQL_VARCHAR, " 12 ", 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(stored(4, "L"), "12");
    EXPECT_EQ(BaseSqlite(m_base).scalar("SELECT count(*) FROM P"), "1");
}

TEST_F(ParametersTest, NumParamsAndDescribeParamTellTheColumnEachParameterMeets)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("INSERT INTO P (ID, T, DT, YN, C) VALUES (?, ?, ?, ?, ?)"), SQL_NTS),
              SQL_SUCCESS);
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQLNumParams(stmt.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 5);
    auto describe = [&](SQLUSMALLINT number) {
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = -1;
        SQLSMALLINT nullable = -1;
        EXPECT_EQ(SQLDescribeParam(stmt.handle(), number, &type, &size, &digits, &nullable), SQL_SUCCESS);
        return std::tuple<SQLSMALLINT, SQLULEN, SQLSMALLINT>(type, size, digits);
    };
    EXPECT_EQ(describe(1), std::make_tuple(SQLSMALLINT{SQL_INTEGER}, SQLULEN{10}, SQLSMALLINT{0}));
    EXPECT_EQ(describe(2), std::make_tuple(SQLSMALLINT{SQL_VARCHAR}, SQLULEN{100}, SQLSMALLINT{0}));
    EXPECT_EQ(describe(3), std::make_tuple(SQLSMALLINT{SQL_TYPE_TIMESTAMP}, SQLULEN{19}, SQLSMALLINT{0}));
    EXPECT_EQ(std::get<0>(describe(4)), SQL_BIT);
    EXPECT_EQ(describe(5), std::make_tuple(SQLSMALLINT{SQL_NUMERIC}, SQLULEN{19}, SQLSMALLINT{4}));
    SQLSMALLINT type = 0;
    EXPECT_EQ(SQLDescribeParam(stmt.handle(), 6, &type, nullptr, nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "07009");

    // Compared with a column, a parameter takes its type; alone, it is a text. Declared
    // parameters come before the ? markers.
    ASSERT_EQ(SQLPrepare(stmt.handle(),
                         sqlText("PARAMETERS Quand DateTime; SELECT ?, ID FROM P WHERE DT = Quand AND L = ? AND YN = ?"),
                         SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLNumParams(stmt.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(std::get<0>(describe(1)), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(std::get<0>(describe(2)), SQL_VARCHAR);
    EXPECT_EQ(std::get<0>(describe(3)), SQL_INTEGER);
    EXPECT_EQ(std::get<0>(describe(4)), SQL_BIT);

    ASSERT_EQ(SQLPrepare(stmt.handle(), sqlText("SELECT ID FROM P WHERE T = '?'"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLNumParams(stmt.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace kervane::test
