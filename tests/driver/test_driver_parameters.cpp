// Statement parameters through unixODBC: every C type stored into Access-typed columns and read
// back, NULLs, long values given in pieces, parameter arrays, and the errors an application meets.
#include "tests/driver/OdbcTestSupport.h"

#include <cstdint>
#include <cstring>

namespace kervane::test {
namespace {

SQLCHAR* sqlText(const std::string& sql) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())); }
SQLPOINTER attribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

class ParametersTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run("CREATE TABLE P(ID LONG PRIMARY KEY, T TEXT(100), M MEMO, L LONG, S SHORT, B BYTE,"
                               " R SINGLE, D DOUBLE, C CURRENCY, DT DATETIME, YN YESNO, O OLEOBJECT)");
        m_session.emplace();
    }
    void TearDown() override { m_session.reset(); }

    // A statement of the session's connection, `sql` prepared.
    std::unique_ptr<Instruction> prepared(const std::string& sql)
    {
        auto stmt = std::make_unique<Instruction>(m_session->connexion);
        EXPECT_EQ(SQLPrepare(stmt->handle(), sqlText(sql), SQL_NTS), SQL_SUCCESS) << sql;
        return stmt;
    }

    // INSERT INTO P (ID, column) VALUES (id, ?) with the value bound as given.
    SQLRETURN store(int id, const std::string& column, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value,
                    SQLLEN bufferLength = 0, SQLLEN* indicator = nullptr)
    {
        const auto stmt = prepared("INSERT INTO P (ID, " + column + ") VALUES (" + std::to_string(id) + ", ?)");
        bind(stmt->handle(), 1, cType, sqlType, value, bufferLength, indicator);
        const SQLRETURN rc = SQLExecute(stmt->handle());
        m_lastError = rc == SQL_ERROR ? diagRec(SQL_HANDLE_STMT, stmt->handle()) : Diagnostic{};
        return rc;
    }

    template <class T>
    void storeFixed(int id, const std::string& column, SQLSMALLINT cType, SQLSMALLINT sqlType, T value)
    {
        ASSERT_EQ(store(id, column, cType, sqlType, &value), SQL_SUCCESS) << column << " " << cType;
    }

    // The stored value as SQLite holds it, read beside the driver.
    std::string stored(int id, const std::string& column)
    {
        return BaseSqlite(m_base).scalar("SELECT " + column + " FROM P WHERE ID = " + std::to_string(id));
    }
    // Every stored value of an expression over P's rows in ID order, joined by '|'.
    std::string storedAll(const std::string& expression)
    {
        return BaseSqlite(m_base).scalar("SELECT group_concat(" + expression + ", '|') FROM (SELECT * FROM P ORDER BY ID)");
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

    // Binds input parameter `number`; its result checked.
    static void bind(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value,
                     SQLLEN length = 0, SQLLEN* indicator = nullptr, SQLULEN size = 0)
    {
        ASSERT_EQ(SQLBindParameter(stmt, number, SQL_PARAM_INPUT, cType, sqlType, size, 0, const_cast<void*>(value),
                                   length, indicator),
                  SQL_SUCCESS);
    }

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
    EXPECT_EQ(stored(4, "typeof(L)") + stored(13, "typeof(D)"), "integerreal");

    // Access keeps Yes as -1 and No as 0; a bit reads back 1 and 0.
    storeFixed<unsigned char>(21, "YN", SQL_C_BIT, SQL_BIT, 1);
    storeFixed<unsigned char>(22, "YN", SQL_C_BIT, SQL_BIT, 0);
    EXPECT_EQ(stored(21, "YN") + "|" + stored(22, "YN"), "-1|0");
    EXPECT_EQ(readBack<unsigned char>(21, "YN", SQL_C_BIT), 1);
    EXPECT_EQ(readBack<unsigned char>(22, "YN", SQL_C_BIT), 0);
    // 12345 = 0x3039, little-endian, scale 2: 123.45, and its negative.
    SQL_NUMERIC_STRUCT price{10, 2, 1, {0x39, 0x30}};
    storeFixed(23, "C", SQL_C_NUMERIC, SQL_NUMERIC, price);
    price.sign = 0;
    storeFixed(24, "C", SQL_C_NUMERIC, SQL_NUMERIC, price);
    EXPECT_DOUBLE_EQ(readBack<SQLDOUBLE>(23, "C", SQL_C_DOUBLE), 123.45);
    EXPECT_DOUBLE_EQ(readBack<SQLDOUBLE>(24, "C", SQL_C_DOUBLE), -123.45);
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
    // A text the date column reads (ISO, day-first) is stored in the same form.
    ASSERT_EQ(store(7, "DT", SQL_C_CHAR, SQL_VARCHAR, "25/12/2020 08:30"), SQL_SUCCESS);
    EXPECT_EQ(storedAll("DT"), "2024-02-29 00:00:00|1969-07-21 00:00:00|1899-12-30 13:45:30|1899-12-30 00:00:01|"
                               "2023-12-31 23:59:58|0100-01-01 00:00:00|2020-12-25 08:30:00");
    const auto s = readBack<SQL_TIMESTAMP_STRUCT>(5, "DT", SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(std::vector<int>({s.year, s.month, s.day, s.hour, s.minute, s.second}),
              std::vector<int>({2023, 12, 31, 23, 59, 58}));
}

TEST_F(ParametersTest, TextsInUtf8AndUtf16BinariesAndNullsComeBackEqual)
{
    const std::string accented = "Été à Noël, cœur, Ελληνικά, 日本語, 😀";
    ASSERT_EQ(store(1, "T", SQL_C_CHAR, SQL_VARCHAR, accented.c_str()), SQL_SUCCESS);
    SQLLEN length = static_cast<SQLLEN>(accented.size());
    ASSERT_EQ(store(2, "T", SQL_C_CHAR, SQL_VARCHAR, accented.data(), 0, &length), SQL_SUCCESS);
    // The same text in UTF-16, the emoji as a surrogate pair.
    const std::u16string wide = u"Été à Noël, cœur, Ελληνικά, 日本語, 😀";
    std::vector<SQLWCHAR> units(wide.begin(), wide.end());
    units.push_back(0);
    ASSERT_EQ(store(3, "T", SQL_C_WCHAR, SQL_WVARCHAR, units.data()), SQL_SUCCESS);
    SQLLEN wideBytes = static_cast<SQLLEN>(wide.size() * sizeof(SQLWCHAR));
    ASSERT_EQ(store(4, "M", SQL_C_WCHAR, SQL_WLONGVARCHAR, units.data(), 0, &wideBytes), SQL_SUCCESS);
    const unsigned char bytes[] = {0x00, 0x01, 0xFF, 0x00, 0x7F};
    SQLLEN byteCount = sizeof bytes;
    ASSERT_EQ(store(5, "O", SQL_C_BINARY, SQL_LONGVARBINARY, bytes, sizeof bytes, &byteCount), SQL_SUCCESS);
    EXPECT_EQ(stored(5, "hex(O)"), "0001FF007F");
    SQLLEN null = SQL_NULL_DATA;
    ASSERT_EQ(store(6, "T", SQL_C_CHAR, SQL_VARCHAR, nullptr, 0, &null), SQL_SUCCESS);
    ASSERT_EQ(store(7, "DT", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, nullptr, 0, &null), SQL_SUCCESS);
    ASSERT_EQ(store(8, "YN", SQL_C_BIT, SQL_BIT, nullptr, 0, &null), SQL_SUCCESS);
    const std::optional<std::string> none;
    EXPECT_EQ(m_session->rows("SELECT T, M FROM P WHERE ID <= 4 ORDER BY ID"),
              (std::vector<Row>{{accented, none}, {accented, none}, {accented, none}, {none, accented}}));
    // A Yes/No column holds no Null: Access stores No.
    EXPECT_EQ(m_session->rows("SELECT T, DT, YN FROM P WHERE ID >= 6 ORDER BY ID"),
              (std::vector<Row>{Row(3), Row(3), {none, none, "0"}}));
}

TEST_F(ParametersTest, LongMemoAndBinaryArriveInPiecesAtExecution)
{
    // 100,000 characters, some of two bytes, given in pieces that cut them in the middle.
    std::string memo;
    std::size_t characters = 0;
    for (; memo.size() < 100000; ++characters)
        memo += memo.size() % 7 == 0 ? "é" : "a";
    std::vector<unsigned char> blob(300000);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<unsigned char>(i * 7);
    const auto stmt = prepared("INSERT INTO P (ID, M, O) VALUES (1, ?, ?)");
    const SQLHSTMT h = stmt->handle();
    SQLLEN memoLength = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(memo.size())), blobLength = SQL_DATA_AT_EXEC;
    bind(h, 1, SQL_C_CHAR, SQL_LONGVARCHAR, attribute(1), 0, &memoLength);
    bind(h, 2, SQL_C_BINARY, SQL_LONGVARBINARY, attribute(2), 0, &blobLength);
    ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
    // Each value in pieces of `piece` bytes, once the driver asks for it by its token.
    const auto give = [&](SQLULEN token, const void* data, std::size_t size, std::size_t piece) {
        SQLPOINTER asked = nullptr;
        ASSERT_EQ(SQLParamData(h, &asked), SQL_NEED_DATA);
        EXPECT_EQ(asked, attribute(token));
        for (std::size_t offset = 0; offset < size; offset += piece)
            ASSERT_EQ(SQLPutData(h, static_cast<SQLPOINTER>(const_cast<char*>(static_cast<const char*>(data) + offset)),
                                 static_cast<SQLLEN>(std::min(piece, size - offset))),
                      SQL_SUCCESS);
    };
    give(1, memo.data(), memo.size(), 7001);
    give(2, blob.data(), blob.size(), 65536);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(h, &token), SQL_SUCCESS);
    EXPECT_EQ(m_session->rows("SELECT M FROM P"), (std::vector<Row>{{memo}}));
    EXPECT_EQ(stored(1, "length(M) || '|' || length(O) || '|' || hex(substr(O, 299999, 2))"),
              std::to_string(characters) + "|300000|1219");
}

TEST_F(ParametersTest, MarkersAreNumberedInTheOrderTheyAreWritten)
{
    BaseSqlite(m_base).run("CREATE TABLE Q(ID LONG, X TEXT(10)); INSERT INTO Q VALUES (1, 'oui'), (2, 'non');"
                           "INSERT INTO P (ID, T) VALUES (1, 'a'), (2, 'b')");
    // The join's condition comes before SET in the text, after it in the statement SQLite runs.
    const auto stmt = prepared("UPDATE P INNER JOIN Q ON P.ID = Q.ID AND Q.X = ? SET P.T = ? WHERE P.ID < ?");
    SQLINTEGER limit = 10;
    bind(stmt->handle(), 1, SQL_C_CHAR, SQL_VARCHAR, "OUI");
    bind(stmt->handle(), 2, SQL_C_CHAR, SQL_VARCHAR, "changé");
    bind(stmt->handle(), 3, SQL_C_SLONG, SQL_INTEGER, &limit);
    ASSERT_EQ(SQLExecute(stmt->handle()), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt->handle()).message;
    EXPECT_EQ(storedAll("ID || '=' || T"), "1=changé|2=b");
}

TEST_F(ParametersTest, CancelAbandonsAnExecutionWaitingForData)
{
    const auto stmt = prepared("INSERT INTO P (ID, M) VALUES (1, ?)");
    const SQLHSTMT h = stmt->handle();
    SQLLEN atExecution = SQL_DATA_AT_EXEC;
    bind(h, 1, SQL_C_CHAR, SQL_LONGVARCHAR, attribute(7), 0, &atExecution);
    SQLPOINTER token = nullptr;
    // Runs the statement with one value given at execution (text, or NULL when null).
    const auto runWith = [&](const char* value) {
        ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
        ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
        ASSERT_EQ(SQLPutData(h, const_cast<char*>(value), value ? SQL_NTS : SQL_NULL_DATA), SQL_SUCCESS);
    };
    ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
    EXPECT_EQ(SQLExecute(h), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, h).state, "HY010");
    ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
    ASSERT_EQ(SQLPutData(h, const_cast<char*>("abandonné"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLCancel(h), SQL_SUCCESS);
    EXPECT_EQ(SQLParamData(h, &token), SQL_ERROR);
    EXPECT_EQ(storedAll("ID"), "");
    // The statement runs again from the start; a value given at execution time may be NULL.
    runWith("gardé");
    ASSERT_EQ(SQLParamData(h, &token), SQL_SUCCESS);
    ASSERT_EQ(SQLPrepare(h, sqlText("INSERT INTO P (ID, M) VALUES (2, ?)"), SQL_NTS), SQL_SUCCESS);
    runWith(nullptr);
    ASSERT_EQ(SQLParamData(h, &token), SQL_SUCCESS);
    EXPECT_EQ(storedAll("typeof(M) || ':' || ifnull(M, '')"), "text:gardé|null:");
}

TEST_F(ParametersTest, ParametersInWhereFollowTheColumnTheyMeet)
{
    BaseSqlite(m_base).run("INSERT INTO P (ID, T, DT, YN) VALUES (1, 'Été', '2024-05-17 10:00:00', -1),"
                           " (2, 'Hiver', '2024-05-18 00:00:00', 0)");
    auto idsWhere = [&](const std::string& condition, SQLSMALLINT cType, SQLSMALLINT sqlType, const void* value) {
        const auto stmt = prepared("SELECT ID FROM P WHERE " + condition + " ORDER BY ID");
        bind(stmt->handle(), 1, cType, sqlType, value);
        EXPECT_EQ(SQLExecute(stmt->handle()), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt->handle()).message;
        std::string ids;
        for (const Row& row : fetchAll(stmt->handle()))
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
    ASSERT_EQ(m_session->autocommit(false), SQL_SUCCESS);
    const auto stmt = prepared("INSERT INTO P (ID, T) VALUES (?, ?)");
    const SQLHSTMT h = stmt->handle();
    ASSERT_EQ(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, attribute(count), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    bind(h, 1, SQL_C_SLONG, SQL_INTEGER, ids.data());
    bind(h, 2, SQL_C_CHAR, SQL_VARCHAR, names.data(), 16, nameLengths.data(), 15);
    ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, h).message;
    EXPECT_EQ(processed, count);
    EXPECT_EQ(std::count(status.begin(), status.end(), SQL_PARAM_SUCCESS), static_cast<long>(count));
    SQLLEN changed = 0;
    ASSERT_EQ(SQLRowCount(h, &changed), SQL_SUCCESS);
    EXPECT_EQ(changed, static_cast<SQLLEN>(count));
    // Nothing is written before the commit of the manual transaction.
    const std::string summary = "SELECT count(*) || '|' || count(T) FROM P";
    EXPECT_EQ(BaseSqlite(m_base).scalar(summary), "0|0");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_session->dbc(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(BaseSqlite(m_base).scalar(summary), "1000|990");
    EXPECT_EQ(stored(999, "T"), "Ligne é999");
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
    std::vector<SQLUSMALLINT> status(3, 99);
    SQLULEN processed = 0;
    const auto stmt = prepared("INSERT INTO P (ID, D) VALUES (?, ?)");
    const SQLHSTMT h = stmt->handle();
    SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, attribute(3), 0);
    SQLSetStmtAttr(h, SQL_ATTR_PARAM_BIND_TYPE, attribute(sizeof(Ligne)), 0);
    SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0);
    SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
    bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &rows[0].id, 0, &rows[0].idLength);
    bind(h, 2, SQL_C_DOUBLE, SQL_DOUBLE, &rows[0].value, 0, &rows[0].valueLength);
    EXPECT_EQ(SQLExecute(h), SQL_ERROR);
    EXPECT_EQ(status, (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, SQL_PARAM_UNUSED}));
    EXPECT_EQ(processed, 2U);
    EXPECT_EQ(storedAll("ID || ':' || D"), "1:1.5");
}

TEST_F(ParametersTest, MissingOrUnreadableParametersAreRefusedInFrench)
{
    const auto stmt = prepared("SELECT ID FROM P WHERE ID = ? AND T = ?");
    const SQLHSTMT h = stmt->handle();
    SQLINTEGER id = 1;
    bind(h, 1, SQL_C_SLONG, SQL_INTEGER, &id);
    EXPECT_EQ(SQLExecute(h), SQL_ERROR);
    const Diagnostic missing = diagRec(SQL_HANDLE_STMT, h);
    EXPECT_EQ(missing.state, "07002");
    EXPECT_NE(missing.message.find("Nombre de paramètres incorrect"), std::string::npos) << missing.message;
    // A declared parameter needs a value only where the statement uses it.
    EXPECT_EQ(m_session->exec("PARAMETERS Nom Text; DELETE FROM P WHERE ID > 2"), SQL_SUCCESS);
    EXPECT_EQ(m_session->exec("PARAMETERS Nom Text; DELETE FROM P WHERE T = Nom"), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, m_session->h()).state, "07002");
    EXPECT_EQ(SQLBindParameter(h, 2, SQL_PARAM_INPUT, 999, SQL_VARCHAR, 0, 0, &id, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, h).state, "HY003");
    EXPECT_EQ(SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, 999, 0, 0, &id, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, h).state, "HY004");

    const SQL_DATE_STRUCT impossible{2023, 2, 30};
    EXPECT_EQ(store(1, "DT", SQL_C_TYPE_DATE, SQL_TYPE_DATE, &impossible), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22007");
    EXPECT_EQ(store(2, "DT", SQL_C_CHAR, SQL_VARCHAR, "pas une date"), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22007");
    EXPECT_EQ(store(3, "L", SQL_C_CHAR, SQL_VARCHAR, "douze"), SQL_ERROR);
    EXPECT_EQ(m_lastError.state, "22018");
    EXPECT_NE(m_lastError.message.find("n'est pas un nombre"), std::string::npos) << m_lastError.message;
    ASSERT_EQ(store(4, "L", SQL_C_CHAR, SQL_VARCHAR, " 12 "), SQL_SUCCESS);
    EXPECT_EQ(storedAll("ID || ':' || L"), "4:12");
}

TEST_F(ParametersTest, NumParamsAndDescribeParamTellTheColumnEachParameterMeets)
{
    using Described = std::tuple<SQLSMALLINT, SQLULEN, SQLSMALLINT>;
    const auto stmt = prepared("INSERT INTO P (ID, T, DT, YN, C) VALUES (?, ?, ?, ?, ?)");
    const SQLHSTMT h = stmt->handle();
    const auto count = [&] {
        SQLSMALLINT n = 0;
        EXPECT_EQ(SQLNumParams(h, &n), SQL_SUCCESS);
        return n;
    };
    auto describe = [&](SQLUSMALLINT number) {
        SQLSMALLINT type = 0, digits = -1, nullable = -1;
        SQLULEN size = 0;
        EXPECT_EQ(SQLDescribeParam(h, number, &type, &size, &digits, &nullable), SQL_SUCCESS);
        return Described(type, size, digits);
    };
    EXPECT_EQ(count(), 5);
    EXPECT_EQ(describe(1), Described(SQL_INTEGER, 10, 0));
    EXPECT_EQ(describe(2), Described(SQL_VARCHAR, 100, 0));
    EXPECT_EQ(describe(3), Described(SQL_TYPE_TIMESTAMP, 19, 0));
    EXPECT_EQ(std::get<0>(describe(4)), SQL_BIT);
    EXPECT_EQ(describe(5), Described(SQL_NUMERIC, 19, 4));
    SQLSMALLINT type = 0;
    EXPECT_EQ(SQLDescribeParam(h, 6, &type, nullptr, nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, h).state, "07009");
    // Compared with a column, a parameter takes its type; alone, it is a text. Declared
    // parameters come before the ? markers.
    ASSERT_EQ(SQLPrepare(h, sqlText("PARAMETERS Quand DateTime; SELECT ?, ID FROM P WHERE DT = Quand AND L = ? AND YN = ?"),
                         SQL_NTS),
              SQL_SUCCESS);
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(std::vector<SQLSMALLINT>({std::get<0>(describe(1)), std::get<0>(describe(2)), std::get<0>(describe(3)),
                                        std::get<0>(describe(4))}),
              std::vector<SQLSMALLINT>({SQL_TYPE_TIMESTAMP, SQL_VARCHAR, SQL_INTEGER, SQL_BIT}));
    ASSERT_EQ(SQLPrepare(h, sqlText("SELECT ID FROM P WHERE T = '?'"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(count(), 0);
}

}  // namespace
}  // namespace kervane::test
