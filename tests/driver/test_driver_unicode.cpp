// The driver seen by a Unicode application: every text crosses the W functions in UTF-16,
// through unixODBC, with lengths in characters or in bytes as each function counts them.
#include "tests/driver/OdbcTestSupport.h"

#include <sqlucode.h>

#include <QString>

#include <string>

namespace kervane::test {
namespace {

constexpr char PREFIX[] = "[Kervane][Pilote ODBC Access]";

std::u16string utf16(const std::string& utf8)
{
    return QString::fromStdString(utf8).toStdU16String();
}

SQLWCHAR* wide(const std::u16string& text)
{
    return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str()));
}

std::u16string fromBuffer(const SQLWCHAR* buffer)
{
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

struct WideDiagnostic {
    std::u16string state;
    std::u16string message;
    SQLSMALLINT length = 0;
};

WideDiagnostic wideDiagRec(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLWCHAR state[6] = {};
    SQLWCHAR message[1000] = {};
    SQLINTEGER native = 0;
    WideDiagnostic diagnostic;
    if (SQLGetDiagRecW(type, handle, 1, state, &native, message, 1000, &diagnostic.length) == SQL_SUCCESS) {
        diagnostic.state = fromBuffer(state);
        diagnostic.message = fromBuffer(message);
    }
    return diagnostic;
}

// A connection handle that a test connects itself through the W functions.
class WideConnection {
public:
    explicit WideConnection(const Environnement& environment) { SQLAllocHandle(SQL_HANDLE_DBC, environment.handle(), &m_dbc); }
    ~WideConnection()
    {
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    }
    WideConnection(const WideConnection&) = delete;
    WideConnection& operator=(const WideConnection&) = delete;
    SQLHDBC handle() const { return m_dbc; }

private:
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

// A whole value read as SQL_C_WCHAR in one piece.
std::u16string wideValue(SQLHSTMT stmt, SQLUSMALLINT column)
{
    SQLWCHAR buffer[500] = {};
    SQLLEN length = 0;
    EXPECT_EQ(SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &length), SQL_SUCCESS);
    return fromBuffer(buffer);
}

const std::u16string GREEK = u"Ελληνικά";  // 8 characters
const std::u16string EMOJI = u"😀";        // outside the BMP: two UTF-16 units

class UnicodeTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        // A base whose very file name needs more than ASCII.
        m_unicodeBase = path("Base été Ωμέγα.mdb");
        BaseSqlite(m_unicodeBase).run("CREATE TABLE BASE(NOM TEXT(50));");
    }

    // Connects m_connection through SQLDriverConnectW and gives it a statement.
    void connect()
    {
        const std::u16string text = u"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + utf16(m_unicodeBase);
        ASSERT_EQ(SQLDriverConnectW(m_connection.handle(), nullptr, wide(text), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, m_connection.handle(), &m_stmt), SQL_SUCCESS);
    }
    void TearDown() override { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }
    // The table of the tests, made and filled through SQLExecDirectW.
    void createClients()
    {
        ASSERT_EQ(exec(u"CREATE TABLE [Clients été] (Numéro LONG, Имя TEXT(50), " + GREEK + u" TEXT(50), 名前 TEXT(50))"),
                  SQL_SUCCESS);
        ASSERT_EQ(exec(u"INSERT INTO [Clients été] (Numéro, Имя, " + GREEK + u", 名前) VALUES (1, 'Дмитрий', 'Ωμέγα', '東京 "
                       + EMOJI + u" Zoë')"),
                  SQL_SUCCESS);
    }
    SQLRETURN exec(const std::u16string& sql)
    {
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        return SQLExecDirectW(m_stmt, wide(sql), SQL_NTS);
    }

    Environnement m_env{true};
    WideConnection m_connection{m_env};
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    std::string m_unicodeBase;
};

TEST_F(UnicodeTest, ConnectsByConnectionStringAndByDataSourceName)
{
    {
        WideConnection connection(m_env);
        SQLWCHAR out[1000] = {};
        SQLSMALLINT outLength = 0;
        const std::u16string text = u"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + utf16(m_unicodeBase);
        ASSERT_EQ(SQLDriverConnectW(connection.handle(), nullptr, wide(text), SQL_NTS, out, 1000, &outLength,
                                    SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS);
        const std::u16string completed = fromBuffer(out);
        EXPECT_NE(completed.find(u"DBQ=" + utf16(m_unicodeBase)), std::u16string::npos);
        EXPECT_EQ(outLength, static_cast<SQLSMALLINT>(completed.size()));  // in characters

        // An attribute's buffer is untyped: its length counts bytes.
        SQLWCHAR catalog[500] = {};
        SQLINTEGER catalogLength = 0;
        ASSERT_EQ(SQLGetConnectAttrW(connection.handle(), SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog,
                                     &catalogLength),
                  SQL_SUCCESS);
        EXPECT_EQ(fromBuffer(catalog), utf16(m_unicodeBase));
        EXPECT_EQ(catalogLength, static_cast<SQLINTEGER>(utf16(m_unicodeBase).size() * sizeof(SQLWCHAR)));

        // SQLNativeSqlW counts characters, in and out.
        const std::u16string sql = u"SELECT " + GREEK + u" FROM T";
        SQLWCHAR native[100] = {};
        SQLINTEGER nativeLength = 0;
        ASSERT_EQ(SQLNativeSqlW(connection.handle(), wide(sql), static_cast<SQLINTEGER>(sql.size()), native, 100,
                                &nativeLength),
                  SQL_SUCCESS);
        EXPECT_EQ(fromBuffer(native), sql);
        EXPECT_EQ(nativeLength, static_cast<SQLINTEGER>(sql.size()));
    }
    {
        // unixODBC narrows the name without converting its character set before looking it up
        // in odbc.ini: the name stays ASCII, the file it names does not.
        addDataSource("Base Unicode", m_unicodeBase);
        WideConnection connection(m_env);
        const std::u16string dsn = u"Base Unicode";
        ASSERT_EQ(SQLConnectW(connection.handle(), wide(dsn), static_cast<SQLSMALLINT>(dsn.size()), nullptr, 0,
                              nullptr, 0),
                  SQL_SUCCESS);
        SQLWCHAR name[100] = {};
        SQLSMALLINT length = 0;
        ASSERT_EQ(SQLGetInfoW(connection.handle(), SQL_DATA_SOURCE_NAME, name, sizeof name, &length), SQL_SUCCESS);
        EXPECT_EQ(fromBuffer(name), dsn);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(dsn.size() * sizeof(SQLWCHAR)));  // in bytes
    }
}

TEST_F(UnicodeTest, NonLatinNamesAndValuesGoInAndComeBackUnchangedAndTheCatalogueNamesThemInUtf16)
{
    connect();
    createClients();

    ASSERT_EQ(exec(u"SELECT Numéro, Имя, " + GREEK + u", 名前 FROM [Clients été] WHERE Имя = 'Дмитрий'"),
              SQL_SUCCESS);
    const std::u16string names[] = {u"Numéro", u"Имя", GREEK, u"名前"};
    for (SQLUSMALLINT column = 1; column <= 4; ++column) {
        SQLWCHAR name[50] = {};
        SQLSMALLINT length = 0;
        SQLSMALLINT type = 0;
        ASSERT_EQ(SQLDescribeColW(m_stmt, column, name, 50, &length, &type, nullptr, nullptr, nullptr),
                  SQL_SUCCESS);
        EXPECT_EQ(fromBuffer(name), names[column - 1]);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(names[column - 1].size()));  // in characters
        EXPECT_EQ(type, column == 1 ? SQL_INTEGER : SQL_VARCHAR);
    }
    ASSERT_EQ(SQLFetch(m_stmt), SQL_SUCCESS);
    EXPECT_EQ(wideValue(m_stmt, 1), u"1");
    EXPECT_EQ(wideValue(m_stmt, 2), u"Дмитрий");
    EXPECT_EQ(wideValue(m_stmt, 3), u"Ωμέγα");
    EXPECT_EQ(wideValue(m_stmt, 4), u"東京 " + EMOJI + u" Zoë");
    EXPECT_EQ(SQLFetch(m_stmt), SQL_NO_DATA);

    // Stored as UTF-8, as SQLite itself reads it.
    EXPECT_EQ(BaseSqlite(m_unicodeBase).scalar("SELECT 名前 FROM [Clients été]"), "東京 😀 Zoë");

    // The catalogue names the table and its columns in UTF-16.
    SQLFreeStmt(m_stmt, SQL_CLOSE);
    const std::u16string table = u"Clients été";
    ASSERT_EQ(SQLTablesW(m_stmt, nullptr, 0, nullptr, 0, wide(table), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(m_stmt), SQL_SUCCESS);
    EXPECT_EQ(wideValue(m_stmt, 3), table);
    EXPECT_EQ(wideValue(m_stmt, 4), u"TABLE");
    EXPECT_EQ(SQLFetch(m_stmt), SQL_NO_DATA);

    SQLFreeStmt(m_stmt, SQL_CLOSE);
    const auto tableLength = static_cast<SQLSMALLINT>(table.size());
    ASSERT_EQ(SQLColumnsW(m_stmt, nullptr, 0, nullptr, 0, wide(table), tableLength, nullptr, 0), SQL_SUCCESS);
    std::vector<std::u16string> columns;
    while (SQLFetch(m_stmt) == SQL_SUCCESS)
        columns.push_back(wideValue(m_stmt, 4));
    EXPECT_EQ(columns, (std::vector<std::u16string>{u"Numéro", u"Имя", GREEK, u"名前"}));
}

TEST_F(UnicodeTest, FrenchErrorTextComesWholeWithItsLengthInCharacters)
{
    connect();
    const std::u16string expected
        = utf16(std::string(PREFIX) + "Erreur de syntaxe : l'instruction SQL est incomplète.");

    ASSERT_EQ(exec(u"SELECT * FROM"), SQL_ERROR);
    const WideDiagnostic record = wideDiagRec(SQL_HANDLE_STMT, m_stmt);
    EXPECT_EQ(record.state, u"42000");
    EXPECT_EQ(record.message, expected);
    EXPECT_EQ(record.length, static_cast<SQLSMALLINT>(expected.size()));

    // The ODBC 2 form gives the same record.
    ASSERT_EQ(exec(u"SELECT * FROM"), SQL_ERROR);
    SQLWCHAR state[6] = {};
    SQLWCHAR message[500] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLErrorW(m_env.handle(), m_connection.handle(), m_stmt, state, &native, message, 500, &length),
              SQL_SUCCESS);
    EXPECT_EQ(fromBuffer(state), u"42000");
    EXPECT_EQ(fromBuffer(message), expected);
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(expected.size()));
}

TEST_F(UnicodeTest, TooSmallBuffersAreCutWithTheFullLengthInTheFunctionsUnit)
{
    connect();
    ASSERT_EQ(exec(u"CREATE TABLE T (A" + EMOJI + u" LONG, " + GREEK + u" LONG)"), SQL_SUCCESS);
    ASSERT_EQ(exec(u"SELECT * FROM T"), SQL_SUCCESS);

    // SQLDescribeColW counts characters: room for three, the final 0 included.
    SQLWCHAR name[10] = {};
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLDescribeColW(m_stmt, 2, name, 4, &length, nullptr, nullptr, nullptr, nullptr),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(fromBuffer(name), u"Ελλ");
    EXPECT_EQ(length, 8);
    EXPECT_EQ(wideDiagRec(SQL_HANDLE_STMT, m_stmt).state, u"01004");
    // A cut never splits a character outside the BMP: "A" and the first half of the emoji
    // would fit, only "A" is given.
    EXPECT_EQ(SQLDescribeColW(m_stmt, 1, name, 3, &length, nullptr, nullptr, nullptr, nullptr),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(fromBuffer(name), u"A");
    EXPECT_EQ(length, 3);

    // SQLColAttributeW counts bytes: ten bytes hold four characters and the final 0.
    EXPECT_EQ(SQLColAttributeW(m_stmt, 2, SQL_DESC_NAME, name, 10, &length, nullptr), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(fromBuffer(name), u"Ελλη");
    EXPECT_EQ(length, 16);
    EXPECT_EQ(wideDiagRec(SQL_HANDLE_STMT, m_stmt).state, u"01004");
    EXPECT_EQ(SQLColAttributeW(m_stmt, 2, SQL_DESC_NAME, name, sizeof name, &length, nullptr), SQL_SUCCESS);
    EXPECT_EQ(fromBuffer(name), GREEK);
    EXPECT_EQ(length, 16);
}

TEST_F(UnicodeTest, WideValueInPiecesGivesTheRemainingBytesAndKeepsSurrogatePairsWhole)
{
    connect();
    ASSERT_EQ(exec(u"SELECT 'ab" + EMOJI + u"cd'"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(m_stmt), SQL_SUCCESS);

    // Six UTF-16 units, twelve bytes; an eight-byte buffer takes three units and the final 0.
    SQLWCHAR buffer[4] = {};
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(m_stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(wideDiagRec(SQL_HANDLE_STMT, m_stmt).state, u"01004");
    EXPECT_EQ(indicator, 12);
    EXPECT_EQ(fromBuffer(buffer), u"ab");  // not "ab" and half the emoji

    ASSERT_EQ(SQLGetData(m_stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(indicator, 8);
    EXPECT_EQ(fromBuffer(buffer), EMOJI + u"c");

    ASSERT_EQ(SQLGetData(m_stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS);
    EXPECT_EQ(indicator, 2);
    EXPECT_EQ(fromBuffer(buffer), u"d");
    EXPECT_EQ(SQLGetData(m_stmt, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_NO_DATA);
}

TEST_F(UnicodeTest, NarrowCallsOfTheSameDriverStillSpeakUtf8InBytes)
{
    // What Kervane itself does: the narrow forms, lengths in bytes of UTF-8.
    Session s(std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + m_unicodeBase);
    ASSERT_EQ(s.exec("SELECT 'Ωμέγα' AS Ελληνικά"), SQL_SUCCESS);
    SQLCHAR name[50] = {};
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLDescribeCol(s.h(), 1, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name)), "Ελληνικά");
    EXPECT_EQ(length, 16);
    ASSERT_EQ(SQLFetch(s.h()), SQL_SUCCESS);
    EXPECT_EQ(readText(s.h(), 1), "Ωμέγα");

    ASSERT_EQ(s.exec("SELECT * FROM"), SQL_ERROR);
    const Diagnostic error = diagRec(SQL_HANDLE_STMT, s.h());
    EXPECT_EQ(error.message, std::string(PREFIX) + "Erreur de syntaxe : l'instruction SQL est incomplète.");
}

}  // namespace
}  // namespace kervane::test
