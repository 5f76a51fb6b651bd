// Texts that are not well-formed UTF-8 or UTF-16 (as the Unicode standard defines it), given as
// parameters, in SQLPutData pieces or as statement texts, are refused with 22018 before anything
// runs: on a SQLite-format base, a Jet 4 memo and a Jet 4 indexed text column (copies of genuine
// Access files), the value and the file stay as they were. Well-formed edge cases are stored and
// read back byte for byte.
#include "tests/driver/JetCopyTest.h"

#include <sqlucode.h>

namespace kervane::test {
namespace {

enum class Given { Narrow, Wide, Pieces, Array, NarrowSql, WideSql };
enum Base { SQLITE, JET_MEMO, JET_INDEXED };

struct Target {
    const char* file;  // under KERVANE_TEST_DATA; none for the test's own SQLite base
    std::string table, column, where;
    std::string update() const { return "UPDATE " + table + " SET " + column + " = "; }
    std::string readBack() const { return "SELECT " + column + " FROM " + table + where; }
};
const Target TARGETS[] = {
    {nullptr, "T", "Texte", " WHERE N = 1"},
    {"jet/fixedNumericTestV2000.mdb", "test", "col1", " WHERE col2 = 1"},
    {"jet/testV2000.mdb", "Table1", "B", " WHERE A = 'a'"},
};

struct Case {
    Given given;
    Base base;
    std::string bytes;     // a narrow input, as given
    std::u16string units;  // a wide input, as given (SQLPutData: when bytes is empty)
    std::size_t at;        // the first ill-formed byte or unit, from 1; 0 when well-formed
    std::string stored = {};  // the UTF-8 read back when well-formed, when not the bytes given
    std::size_t split = 0;    // SQLPutData: bytes in the first piece
};

// 0xD83D 0xDE00 is U+1F600, 0xDBFF 0xDFFF is U+10FFFF (F4 8F BF BF), the last code point.
const Case CASES[] = {
    {Given::Narrow, SQLITE, "a\xC0\xAF", {}, 2},                    // C0: overlong only
    {Given::Narrow, SQLITE, "\xE0\x80\xAF", {}, 1},                 // overlong three-byte form of '/'
    {Given::Narrow, SQLITE, "ab\xED\xA0\x80", {}, 3},               // U+D800 encoded
    {Given::Narrow, JET_MEMO, "\xF4\x90\x80\x80", {}, 1},           // U+110000
    {Given::Narrow, JET_INDEXED, "abc\xE2\x82", {}, 4},             // cut short at the end
    {Given::Narrow, SQLITE, "\xC3(", {}, 1},                        // cut short by an ASCII byte
    {Given::Narrow, SQLITE, "x\x80", {}, 2},                        // continuation with no lead
    {Given::Narrow, JET_INDEXED, "\xF5\x80\x80\x80", {}, 1},
    {Given::Wide, SQLITE, {}, u"ab\xD83D", 3},                      // high surrogate at the end
    {Given::Wide, JET_MEMO, {}, u"\xDC00z", 1},                     // low surrogate alone
    {Given::Wide, JET_INDEXED, {}, u"x\xDE00\xD83D", 2},            // reversed pair
    {Given::Pieces, SQLITE, "ab\xE2\x82", {}, 3, {}, 3},            // whole value cut short
    {Given::Pieces, JET_INDEXED, {}, u"a\xD83Dz", 2, {}, 4},
    {Given::Array, SQLITE, "\xFF", {}, 1},
    {Given::NarrowSql, SQLITE, "\xED\xBF\xBF", {}, 1},
    {Given::NarrowSql, JET_INDEXED, "\xC1\x81", {}, 1},
    {Given::WideSql, JET_MEMO, {}, u"\xD800", 1},
    {Given::WideSql, SQLITE, {}, u"a\xDFFF", 2},
    // Well-formed: the first and last of each length and next to the surrogates, U+FFFD itself.
    {Given::Narrow, SQLITE, "\xC2\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", {}, 0},
    {Given::Narrow, JET_MEMO, "\xEF\xBF\xBD", {}, 0},
    {Given::Wide, JET_MEMO, {}, u"\xDBFF\xDFFF", 0, "\xF4\x8F\xBF\xBF"},
    {Given::Pieces, JET_MEMO, "\xF0\x9F\x98\x80", {}, 0, {}, 2},
    {Given::Pieces, SQLITE, {}, u"\xD83D\xDE00", 0, "\xF0\x9F\x98\x80", 2},
    {Given::WideSql, SQLITE, {}, u"\xD83D\xDE00", 0, "\xF0\x9F\x98\x80"},
};

std::u16string widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

SQLRETURN execute(SQLHSTMT stmt, const std::string& sql)
{
    return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

// SQLPutData in two pieces, the split anywhere, even inside a character.
SQLRETURN putInPieces(SQLHSTMT stmt, const char* data, std::size_t size, std::size_t split)
{
    SQLPOINTER token = nullptr;
    if (SQLParamData(stmt, &token) != SQL_NEED_DATA)
        return SQL_ERROR;
    SQLPutData(stmt, const_cast<char*>(data), static_cast<SQLLEN>(split));
    SQLPutData(stmt, const_cast<char*>(data) + split, static_cast<SQLLEN>(size - split));
    return SQLParamData(stmt, &token);
}

// A set of two where the first is the ill-formed one: the second is never run.
SQLRETURN runArray(SQLHSTMT stmt, const std::string& sql, const std::string& bytes)
{
    char values[2][8] = {};
    bytes.copy(values[0], 7);
    std::string("zz").copy(values[1], 2);
    SQLLEN lengths[2] = {static_cast<SQLLEN>(bytes.size()), 2};
    SQLUSMALLINT status[2] = {};
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, status, 0);
    SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, values, 8, lengths);
    const SQLRETURN rc = execute(stmt, sql);
    EXPECT_EQ(status[0], SQL_PARAM_ERROR);
    EXPECT_EQ(status[1], SQL_PARAM_UNUSED);
    const std::string message = diagRec(SQL_HANDLE_STMT, stmt).message;
    EXPECT_NE(message.find("Jeu de paramètres 1 sur 2 : ceux qui le suivent n'ont pas été exécutés."), message.npos);
    return rc;
}

SQLRETURN run(SQLHSTMT stmt, const Case& c, const Target& target)
{
    if (c.given == Given::NarrowSql)
        return execute(stmt, target.update() + "'" + c.bytes + "'" + target.where);
    if (c.given == Given::WideSql) {
        std::u16string sql = widened(target.update()) + u"'" + c.units + u"'" + widened(target.where);
        return SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS);
    }
    if (c.given == Given::Array)
        return runArray(stmt, target.update() + "?" + target.where, c.bytes);
    const bool wide = c.bytes.empty();
    const char* data = wide ? reinterpret_cast<const char*>(c.units.data()) : c.bytes.data();
    const std::size_t size = wide ? c.units.size() * sizeof(char16_t) : c.bytes.size();
    SQLLEN length = c.given == Given::Pieces ? SQL_LEN_DATA_AT_EXEC(0) : static_cast<SQLLEN>(size);
    SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, wide ? SQL_C_WCHAR : SQL_C_CHAR, wide ? SQL_WVARCHAR : SQL_VARCHAR, 50,
                     0, const_cast<char*>(data), static_cast<SQLLEN>(size), &length);
    // The wide parameter is declared: its message names it too.
    const std::string sql = (c.given == Given::Wide ? "PARAMETERS [Nouveau] Text; " : "") + target.update()
        + (c.given == Given::Wide ? "[Nouveau]" : "?") + target.where;
    const SQLRETURN rc = execute(stmt, sql);
    return c.given == Given::Pieces && rc == SQL_NEED_DATA ? putInPieces(stmt, data, size, c.split) : rc;
}

// What the message must name, and where it must place the fault.
std::string expectedPlace(const Case& c, const Target& target)
{
    const bool statement = c.given == Given::NarrowSql || c.given == Given::WideSql;
    const std::size_t at = c.at + (statement ? target.update().size() + 1 : 0);
    const std::string subject = c.given == Given::Wide ? "paramètre 1 (« Nouveau »)" : "paramètre 1";
    const std::string place = c.bytes.empty() ? "UTF-16 valide : à l'unité de code " : "UTF-8 valide : à l'octet ";
    return (statement ? "L'instruction SQL" : subject) + " n'est pas un texte " + place + std::to_string(at) + ",";
}

class TextValidationTest : public JetCopyTest {};

TEST_F(TextValidationTest, IllFormedTextsAreRefusedBeforeAnythingRunsAndWellFormedOnesKeptExactly)
{
    const std::string memo = copyOf(TARGETS[JET_MEMO].file);
    const std::string indexed = copyOf(TARGETS[JET_INDEXED].file);
    if (memo.empty() || indexed.empty())
        GTEST_SKIP() << "KERVANE_TEST_DATA absent : " << TARGETS[JET_MEMO].file << " et " << TARGETS[JET_INDEXED].file
                     << " manquent";
    BaseSqlite(m_base).run("CREATE TABLE T (N INTEGER, Texte TEXT); INSERT INTO T VALUES (1, 'avant');");
    const std::string files[] = {m_base, memo, indexed};
    for (const Case& c : CASES) {
        const Target& target = TARGETS[c.base];
        const std::string& file = files[c.base];
        SCOPED_TRACE(::testing::Message() << file << " : cas " << (&c - CASES));
        Session connexion(accessFile(file));
        const std::string readBack = target.readBack();
        const std::vector<Row> before = select(connexion, readBack);
        const std::string digest = fileDigest(file);
        Instruction stmt(connexion);
        const SQLRETURN rc = run(stmt.handle(), c, target);
        const Diagnostic diagnostic = diagRec(SQL_HANDLE_STMT, stmt.handle());
        if (c.at == 0) {
            EXPECT_EQ(rc, SQL_SUCCESS) << diagnostic.message;
            EXPECT_EQ(select(connexion, readBack), (std::vector<Row>{{c.stored.empty() ? c.bytes : c.stored}}));
            continue;
        }
        EXPECT_EQ(rc, SQL_ERROR);
        EXPECT_EQ(diagnostic.state, "22018") << diagnostic.message;
        EXPECT_NE(diagnostic.message.find(expectedPlace(c, target)), std::string::npos) << diagnostic.message;
        EXPECT_EQ(select(connexion, readBack), before);
        EXPECT_EQ(fileDigest(file), digest);
    }
}

}  // namespace
}  // namespace kervane::test
