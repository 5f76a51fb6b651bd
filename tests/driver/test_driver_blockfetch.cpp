// Bound columns and block fetch through unixODBC: rowsets of many rows into column-wise and
// row-wise buffers, the last partial rowset, truncated and unconvertible values in one row,
// NULLs, UTF-16 texts, the bind offset, SQLExtendedFetch and a genuine Access file.
#include "tests/driver/OdbcTestSupport.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kervane::test {
namespace {

constexpr int ROWS = 1050;
constexpr SQLULEN ROWSET = 100;

SQLPOINTER attribute(SQLULEN value)
{
    return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value));
}

// Row i (1 to ROWS) holds N = i, D = i + 0.5, T = "ligne i", DT = 2024-01-01 plus i days,
// X NULL when i is a multiple of 7, NB the text of i except "cinq" for row 5.
class BlockFetchTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        {
            BaseSqlite base(m_base);
            base.run("CREATE TABLE L(ID LONG PRIMARY KEY, N LONG, D DOUBLE, T TEXT(50), DT DATETIME, X TEXT(10),"
                     " NB TEXT(10))");
            base.run("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < "
                     + std::to_string(ROWS)
                     + ") INSERT INTO L SELECT i, i, i + 0.5, 'ligne ' || i, date('2024-01-01', '+' || i || ' days'),"
                       " CASE WHEN i % 7 = 0 THEN NULL ELSE 'x' || i END,"
                       " CASE WHEN i = 5 THEN 'cinq' ELSE CAST(i AS TEXT) END FROM k");
            base.run("CREATE TABLE W(ID LONG PRIMARY KEY, T TEXT(50))");
            base.run("INSERT INTO W VALUES(1, 'Fête à Noël'), (2, 'clef 𝄞 et 😀'), (3, NULL)");
        }
        m_session.emplace();
    }
    void TearDown() override { m_session.reset(); }

    SQLHSTMT stmt() const { return m_session->h(); }

    void useRowset(SQLULEN size)
    {
        ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_ARRAY_SIZE, attribute(size), 0), SQL_SUCCESS);
        m_status.assign(size, 0xFFFF);
        ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_STATUS_PTR, m_status.data(), 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, 0), SQL_SUCCESS);
    }

    static std::string dateOf(int i)
    {
        using namespace std::chrono;
        const year_month_day day{sys_days{year{2024} / January / 1} + days{i}};
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                      static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
        return text;
    }

    // The first diagnostic's state and the row it names.
    std::string diagnosticRow() const
    {
        SQLLEN row = 0;
        EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, stmt(), 1, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr), SQL_SUCCESS);
        return diagRec(SQL_HANDLE_STMT, stmt()).state + " row " + std::to_string(row);
    }

    static std::string dateOf(const SQL_TIMESTAMP_STRUCT& stamp)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", stamp.year, stamp.month, stamp.day);
        return text;
    }

    std::optional<Session> m_session;
    std::vector<SQLUSMALLINT> m_status;
    SQLULEN m_fetched = 0;
};

TEST_F(BlockFetchTest, ColumnWiseRowsetsGiveEveryRowAndEndWithAPartialOne)
{
    useRowset(ROWSET);
    std::vector<SQLINTEGER> ids(ROWSET);
    std::vector<double> doubles(ROWSET);
    std::vector<char> texts(ROWSET * 20);
    std::vector<SQL_TIMESTAMP_STRUCT> dates(ROWSET);
    std::vector<char> xs(ROWSET * 8);
    std::vector<SQLLEN> idInd(ROWSET), doubleInd(ROWSET), textInd(ROWSET), dateInd(ROWSET), xInd(ROWSET);
    ASSERT_EQ(m_session->stmt.exec("SELECT N, D, T, DT, X FROM L ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, ids.data(), 0, idInd.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 2, SQL_C_DOUBLE, doubles.data(), 0, doubleInd.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 3, SQL_C_CHAR, texts.data(), 20, textInd.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 4, SQL_C_TYPE_TIMESTAMP, dates.data(), 0, dateInd.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 5, SQL_C_CHAR, xs.data(), 8, xInd.data()), SQL_SUCCESS);

    int seen = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt())) == SQL_SUCCESS) {
        ASSERT_LE(m_fetched, ROWSET);
        for (SQLULEN r = 0; r < m_fetched; ++r) {
            const int i = ++seen;
            ASSERT_EQ(m_status[r], SQL_ROW_SUCCESS) << i;
            EXPECT_EQ(ids[r], i);
            EXPECT_EQ(doubles[r], i + 0.5);
            const std::string text = "ligne " + std::to_string(i);
            EXPECT_EQ(std::string(&texts[r * 20]), text);
            EXPECT_EQ(textInd[r], static_cast<SQLLEN>(text.size()));
            EXPECT_EQ(dateOf(dates[r]), dateOf(i));
            if (i % 7 == 0) {
                EXPECT_EQ(xInd[r], SQL_NULL_DATA) << i;
            } else {
                EXPECT_EQ(std::string(&xs[r * 8]), "x" + std::to_string(i));
            }
        }
        if (m_fetched < ROWSET) {
            // The last rowset: 1,050 rows leave 50 in it, the rest marked as no row.
            EXPECT_EQ(m_fetched, static_cast<SQLULEN>(ROWS % ROWSET));
            for (SQLULEN r = m_fetched; r < ROWSET; ++r)
                EXPECT_EQ(m_status[r], SQL_ROW_NOROW) << r;
        }
    }
    EXPECT_EQ(rc, SQL_NO_DATA);
    EXPECT_EQ(seen, ROWS);
    EXPECT_EQ(m_fetched, 0u);
}

TEST_F(BlockFetchTest, RowWiseStructuresWithABindOffsetFillEachBlockInTurn)
{
    struct Ligne {
        SQLINTEGER id;
        SQLLEN idInd;
        char texte[16];
        SQLLEN texteInd;
        SQLSMALLINT court;
        SQLLEN courtInd;
    };
    // Two blocks of structures; the offset moves every bound address to the second one.
    std::vector<Ligne> blocks(2 * ROWSET);
    SQLULEN offset = 0;
    useRowset(ROWSET);
    ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_BIND_TYPE, attribute(sizeof(Ligne)), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
    ASSERT_EQ(m_session->stmt.exec("SELECT ID, T, N FROM L WHERE ID <= 150 ORDER BY ID"), SQL_SUCCESS);
    Ligne& first = blocks[0];
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, &first.id, 0, &first.idInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 2, SQL_C_CHAR, first.texte, sizeof first.texte, &first.texteInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 3, SQL_C_SSHORT, &first.court, 0, &first.courtInd), SQL_SUCCESS);

    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    EXPECT_EQ(m_fetched, ROWSET);
    offset = ROWSET * sizeof(Ligne);
    ASSERT_EQ(SQLFetchScroll(stmt(), SQL_FETCH_NEXT, 0), SQL_SUCCESS);
    EXPECT_EQ(m_fetched, 50u);
    SQLULEN current = 0;  // the first row of the rowset
    ASSERT_EQ(SQLGetStmtAttr(stmt(), SQL_ATTR_ROW_NUMBER, &current, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(current, 101u);
    EXPECT_EQ(m_status[49], SQL_ROW_SUCCESS);
    EXPECT_EQ(m_status[50], SQL_ROW_NOROW);
    for (int i = 1; i <= 150; ++i) {
        const Ligne& ligne = blocks[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(ligne.id, i);
        EXPECT_EQ(ligne.idInd, static_cast<SQLLEN>(sizeof(SQLINTEGER)));
        EXPECT_STREQ(ligne.texte, ("ligne " + std::to_string(i)).c_str());
        EXPECT_EQ(ligne.court, i);
    }
    EXPECT_EQ(SQLFetch(stmt()), SQL_NO_DATA);
}

TEST_F(BlockFetchTest, BindingsChangedBetweenFetchesTakeEffectAtTheNextOne)
{
    useRowset(10);
    SQLINTEGER first[10] = {}, second[10] = {};
    char texts[10][16] = {};
    ASSERT_EQ(m_session->stmt.exec("SELECT N, T FROM L ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, first, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, second, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 2, SQL_C_CHAR, texts, sizeof texts[0], nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    EXPECT_EQ(first[9], 10);
    EXPECT_EQ(second[0], 11);
    EXPECT_STREQ(texts[9], "ligne 20");
    ASSERT_EQ(SQLFreeStmt(stmt(), SQL_UNBIND), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    EXPECT_EQ(second[0], 11);  // nothing bound any more: the buffers keep the rowset before
    EXPECT_EQ(m_fetched, 10u);
}

TEST_F(BlockFetchTest, ALengthBufferWithoutValueBufferGetsTheLengthsOnly)
{
    useRowset(7);
    SQLLEN textLengths[7], wideLengths[7], xLengths[7], doubleInd[7];
    ASSERT_EQ(m_session->stmt.exec("SELECT T, T, X, D FROM L WHERE ID BETWEEN 8 AND 14 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_CHAR, nullptr, 0, textLengths), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 2, SQL_C_WCHAR, nullptr, 0, wideLengths), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 3, SQL_C_CHAR, nullptr, 0, xLengths), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 4, SQL_C_DOUBLE, nullptr, 0, doubleInd), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);  // no truncation: no value was asked for
    for (int r = 0; r < 7; ++r) {
        const int i = 8 + r;
        const SQLLEN characters = static_cast<SQLLEN>(("ligne " + std::to_string(i)).size());
        EXPECT_EQ(textLengths[r], characters);
        EXPECT_EQ(wideLengths[r], characters * static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        EXPECT_EQ(xLengths[r], i == 14 ? SQL_NULL_DATA : static_cast<SQLLEN>(("x" + std::to_string(i)).size()));
        EXPECT_EQ(doubleInd[r], static_cast<SQLLEN>(sizeof(double)));
    }
}

TEST_F(BlockFetchTest, ATruncatedValueMarksItsRowAndNamesIt)
{
    useRowset(3);
    char texts[3][10];
    SQLLEN lengths[3];
    ASSERT_EQ(m_session->stmt.exec("SELECT T FROM L WHERE ID IN (998, 999, 1000) ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_CHAR, texts, sizeof texts[0], lengths), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(m_fetched, 3u);
    EXPECT_EQ(m_status, (std::vector<SQLUSMALLINT>{SQL_ROW_SUCCESS, SQL_ROW_SUCCESS, SQL_ROW_SUCCESS_WITH_INFO}));
    EXPECT_STREQ(texts[1], "ligne 999");
    EXPECT_STREQ(texts[2], "ligne 100");  // "ligne 1000" cut to the 9 bytes before the terminator
    EXPECT_EQ(lengths[2], 10);
    EXPECT_EQ(diagnosticRow(), "01004 row 3");
}

TEST_F(BlockFetchTest, AnUnconvertibleValueFailsItsRowOnlyUnlessTheRowsetIsOneRow)
{
    useRowset(10);
    SQLINTEGER numbers[10];
    SQLSCHAR tiny[10];
    SQLLEN numberInd[10], tinyInd[10];
    // Row 5 holds "cinq", not a number (22018).
    ASSERT_EQ(m_session->stmt.exec("SELECT NB FROM L WHERE ID <= 10 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, numbers, 0, numberInd), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(m_fetched, 10u);
    for (int r = 0; r < 10; ++r) {
        if (r == 4) {
            EXPECT_EQ(m_status[r], SQL_ROW_ERROR);
            continue;
        }
        EXPECT_EQ(m_status[r], SQL_ROW_SUCCESS) << r;
        EXPECT_EQ(numbers[r], r + 1);
    }
    EXPECT_EQ(diagnosticRow(), "22018 row 5");
    m_session->stmt.close();

    // 128 and 129 do not fit a signed byte (22003).
    ASSERT_EQ(m_session->stmt.exec("SELECT N FROM L WHERE ID BETWEEN 120 AND 129 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_STINYINT, tiny, 0, tinyInd), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(tiny[7], 127);
    EXPECT_EQ(std::vector<SQLUSMALLINT>(m_status.begin() + 7, m_status.end()),
              (std::vector<SQLUSMALLINT>{SQL_ROW_SUCCESS, SQL_ROW_ERROR, SQL_ROW_ERROR}));
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt()).state, "22003");
    m_session->stmt.close();

    // A rowset of one row: the error is the whole call's.
    useRowset(1);
    ASSERT_EQ(m_session->stmt.exec("SELECT NB FROM L WHERE ID = 5"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_SLONG, numbers, 0, numberInd), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt()), SQL_ERROR);
    EXPECT_EQ(m_status[0], SQL_ROW_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt()).state, "22018");
}

TEST_F(BlockFetchTest, WideTextsComeInUtf16ForOneRowAndForARowset)
{
    const std::u16string expected[] = {u"Fête à Noël", u"clef 𝄞 et 😀"};
    for (const SQLULEN size : {SQLULEN{1}, SQLULEN{3}}) {
        SCOPED_TRACE(size);
        useRowset(size);
        std::vector<SQLWCHAR> texts(3 * 32, 0xFFFF);
        SQLLEN lengths[3] = {};
        ASSERT_EQ(m_session->stmt.exec("SELECT T FROM W ORDER BY ID"), SQL_SUCCESS);
        ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_WCHAR, texts.data(), 32 * sizeof(SQLWCHAR), lengths), SQL_SUCCESS);
        for (SQLULEN read = 0; read < 3; read += size)
            ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
        if (size == 3) {
            for (int r = 0; r < 2; ++r) {
                const std::u16string got(reinterpret_cast<const char16_t*>(&texts[r * 32]));
                EXPECT_EQ(got, expected[r]) << r;
                EXPECT_EQ(lengths[r], static_cast<SQLLEN>(expected[r].size() * sizeof(SQLWCHAR)));
            }
            EXPECT_EQ(lengths[2], SQL_NULL_DATA);
        } else {
            EXPECT_EQ(lengths[0], SQL_NULL_DATA);  // the last row read is the NULL one
        }
        EXPECT_EQ(SQLFetch(stmt()), SQL_NO_DATA);
        m_session->stmt.close();
        ASSERT_EQ(SQLFreeStmt(stmt(), SQL_UNBIND), SQL_SUCCESS);
    }
    // A single row keeps both units of a non-BMP character together when it must cut.
    useRowset(1);
    SQLWCHAR small[8];
    SQLLEN length = 0;
    ASSERT_EQ(m_session->stmt.exec("SELECT T FROM W WHERE ID = 2"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt(), 1, SQL_C_WCHAR, small, sizeof small, &length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(small)), u"clef 𝄞");
}

TEST_F(BlockFetchTest, GetDataNeedsARowsetOfOneRowAndTheAttributesReadBack)
{
    SQLUINTEGER extensions = 0;
    ASSERT_EQ(SQLGetInfo(m_session->dbc(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(extensions & SQL_GD_BLOCK, 0u);

    useRowset(10);
    ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_BIND_TYPE, attribute(48), 0), SQL_SUCCESS);
    const auto read = [&](SQLINTEGER attribute) {
        SQLULEN value = 0;
        EXPECT_EQ(SQLGetStmtAttr(stmt(), attribute, &value, 0, nullptr), SQL_SUCCESS);
        return value;
    };
    EXPECT_EQ(read(SQL_ATTR_ROW_ARRAY_SIZE), 10u);
    EXPECT_EQ(read(SQL_ATTR_ROW_BIND_TYPE), 48u);
    EXPECT_EQ(read(SQL_ATTR_ROWS_FETCHED_PTR), reinterpret_cast<SQLULEN>(&m_fetched));
    EXPECT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_ARRAY_SIZE, attribute(0), 0), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt()).state, "HY024");
    SQL_NUMERIC_STRUCT numeric{};  // a C type SQLGetData does not give either
    EXPECT_EQ(SQLBindCol(stmt(), 1, SQL_C_NUMERIC, &numeric, sizeof numeric, nullptr), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt()).state, "HY003");
    ASSERT_EQ(SQLSetStmtAttr(stmt(), SQL_ATTR_ROW_BIND_TYPE, attribute(SQL_BIND_BY_COLUMN), 0), SQL_SUCCESS);

    SQLINTEGER number = 0;
    SQLLEN length = 0;
    ASSERT_EQ(m_session->stmt.exec("SELECT N FROM L ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    EXPECT_EQ(m_fetched, 10u);
    EXPECT_EQ(SQLGetData(stmt(), 1, SQL_C_SLONG, &number, 0, &length), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt()).state, "HY109");
    m_session->stmt.close();

    useRowset(1);
    ASSERT_EQ(m_session->stmt.exec("SELECT N FROM L ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt()), SQL_SUCCESS);
    ASSERT_EQ(SQLGetData(stmt(), 1, SQL_C_SLONG, &number, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(number, 1);
}

TEST_F(BlockFetchTest, Odbc2ExtendedFetchUsesTheRowsetSizeOption)
{
    Session odbc2("Base Test", false);
    Instruction& stmt2 = odbc2.stmt;
    SQLUINTEGER directions = 0;
    ASSERT_EQ(SQLGetInfo(odbc2.dbc(), SQL_FETCH_DIRECTION, &directions, sizeof directions, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(directions, static_cast<SQLUINTEGER>(SQL_FD_FETCH_NEXT));
    ASSERT_EQ(SQLSetStmtOption(stmt2.handle(), SQL_ROWSET_SIZE, ROWSET), SQL_SUCCESS);
    std::vector<SQLINTEGER> ids(ROWSET);
    std::vector<SQLLEN> ind(ROWSET);
    std::vector<SQLUSMALLINT> status(ROWSET);
    SQLULEN count = 0;
    ASSERT_EQ(stmt2.exec("SELECT N FROM L WHERE ID > 1000 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt2.handle(), 1, SQL_C_SLONG, ids.data(), 0, ind.data()), SQL_SUCCESS);
    ASSERT_EQ(SQLExtendedFetch(stmt2.handle(), SQL_FETCH_NEXT, 0, &count, status.data()), SQL_SUCCESS);
    EXPECT_EQ(count, 50u);
    EXPECT_EQ(std::make_pair(ids[0], ids[49]), std::make_pair(1001, 1050));
    EXPECT_EQ(status[49], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[50], SQL_ROW_NOROW);
    EXPECT_EQ(SQLExtendedFetch(stmt2.handle(), SQL_FETCH_NEXT, 0, &count, status.data()), SQL_NO_DATA);

    // An error row comes with 01S01 (error in row) beside its own diagnostic (22018, which the
    // driver manager gives an ODBC 2 application as 22005); errors rank before warnings.
    SQLFreeStmt(stmt2.handle(), SQL_CLOSE);
    ASSERT_EQ(stmt2.exec("SELECT NB FROM L WHERE ID <= 10 ORDER BY ID"), SQL_SUCCESS);
    ASSERT_EQ(SQLExtendedFetch(stmt2.handle(), SQL_FETCH_NEXT, 0, &count, status.data()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(status[4], SQL_ROW_ERROR);
    EXPECT_EQ(ids[5], 6);
    EXPECT_EQ(lastError(odbc2.henv(), odbc2.dbc(), stmt2.handle()).state, "22005");
    EXPECT_EQ(lastError(odbc2.henv(), odbc2.dbc(), stmt2.handle()).state, "01S01");
}

// A genuine Access file read by rowsets gives the same values as read row by row.
TEST_F(BlockFetchTest, AnAccessFileReadByRowsetsMatchesRowByRow)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA): Access block fetch skipped";
    addDataSource("Northwind", nwind);
    Session block("Northwind");
    const std::string sql = "SELECT OrderID, CustomerID, OrderDate, Freight, ShipName FROM Orders ORDER BY OrderID";
    const std::vector<Row> expected = block.rows(sql);
    ASSERT_EQ(expected.size(), 830u);  // the orders of the file

    constexpr SQLULEN size = 64;
    constexpr SQLLEN width = 128;
    ASSERT_EQ(SQLSetStmtAttr(block.h(), SQL_ATTR_ROW_ARRAY_SIZE, attribute(size), 0), SQL_SUCCESS);
    SQLULEN fetched = 0;
    ASSERT_EQ(SQLSetStmtAttr(block.h(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    ASSERT_EQ(block.exec(sql), SQL_SUCCESS);
    std::vector<std::vector<char>> values(5, std::vector<char>(size * width));
    std::vector<std::vector<SQLLEN>> lengths(5, std::vector<SQLLEN>(size));
    for (SQLUSMALLINT c = 0; c < 5; ++c)
        ASSERT_EQ(SQLBindCol(block.h(), c + 1, SQL_C_CHAR, values[c].data(), width, lengths[c].data()),
                  SQL_SUCCESS);
    std::vector<Row> got;
    while (SQLFetch(block.h()) == SQL_SUCCESS) {
        for (SQLULEN r = 0; r < fetched; ++r) {
            Row row;
            for (std::size_t c = 0; c < 5; ++c) {
                if (lengths[c][r] == SQL_NULL_DATA)
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(&values[c][r * width]));
            }
            got.push_back(std::move(row));
        }
    }
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace kervane::test
