// Rows encoded by the writer against rows Jackcess wrote into a genuine Access 2000 file: the
// same values must give the same bytes. Values that do not fit their column are refused.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/rows/JetSqlValues.h"

#include <gtest/gtest.h>

#include <mdbtools.h>

#include <tuple>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;

namespace {

// The values of the first row NoIndexTables.java writes into "Mesures".
std::vector<JetFieldValue> firstRow()
{
    return {JetFieldValue::of(std::int64_t{1}), JetFieldValue::of(true), JetFieldValue::of(std::int64_t{7}),
            JetFieldValue::of(std::int64_t{300}), JetFieldValue::of(std::int64_t{70000}), JetFieldValue::decimal("12.5"),
            JetFieldValue::of(1.5), JetFieldValue::of(2.25), JetFieldValue::of(accessDate(2001, 2, 3, 4, 5, 6)),
            JetFieldValue::decimal("-3.1416"), JetFieldValue::of(std::string("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")),
            JetFieldValue::of(std::string("déjà là")), JetFieldValue::of(std::string("mémo court")),
            JetFieldValue::of(std::vector<unsigned char>{1, 2, 3})};
}

// The first data page's row `row` of `table`, as the file holds it.
std::vector<unsigned char> storedRow(MemoryPages& pages, const jet::JetTableLayout& layout, int row)
{
    jet::JetUsageMap owned;
    std::string error;
    EXPECT_TRUE(jet::JetUsageMap::open(pages, layout.ownedPages, owned, error)) << error;
    const unsigned char* page = pages.read(owned.pages().at(0));
    jet::datapage::Slot slot;
    EXPECT_TRUE(jet::datapage::slot(page, row, slot, *layout.format));
    return {page + slot.start, page + slot.end};
}

class RowEncoding : public NoIndexFileTest {
protected:
    void SetUp() override
    {
        NoIndexFileTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_pages = std::make_unique<MemoryPages>(readBytes(m_path));
        m_layout = layoutOf(*m_pages, m_path, "Mesures");
    }
    // Row `row` of the table's first data page, as Jackcess wrote it.
    std::vector<unsigned char> storedRow(int row) { return ::storedRow(*m_pages, m_layout, row); }
    std::unique_ptr<MemoryPages> m_pages;
    jet::JetTableLayout m_layout;
};

TEST_F(RowEncoding, DefinitionReadAsTheFileDeclaresIt)
{
    ASSERT_EQ(m_layout.columns.size(), 14u);
    EXPECT_EQ(std::make_tuple(m_layout.rowCount, m_layout.lastAutoNumber, m_layout.indexCount, m_layout.variableColumns),
              std::make_tuple(2u, 2u, 0u, 4));
    EXPECT_EQ(m_layout.columns[0].name, "N");
    EXPECT_TRUE(m_layout.columns[0].autoNumber());
    const auto& decimal = m_layout.columns[9];  // Jackcess keeps decimals among the variable columns
    EXPECT_EQ(std::make_tuple(decimal.type, decimal.precision, decimal.scale, decimal.fixed()),
              std::make_tuple(jet::JetType::Decimal, 18, 4, false));
    const auto& text = m_layout.columns[11];  // 50 characters, two bytes each
    EXPECT_EQ(std::make_tuple(text.name, text.length, text.fixed()), std::make_tuple(std::string("Texte"), 100, false));
}

TEST_F(RowEncoding, EveryTypeEncodedAsTheGenuineRow)
{
    std::vector<unsigned char> row;
    std::string error;
    ASSERT_TRUE(jet::encodeRow(m_layout, firstRow(), 0, row, error)) << error;
    EXPECT_EQ(row, storedRow(0));
}

TEST_F(RowEncoding, NullsAndNoEncodedAsTheGenuineRow)
{
    std::vector<JetFieldValue> values(14);
    values[0] = JetFieldValue::of(std::int64_t{2});
    values[1] = JetFieldValue::of(false);
    std::vector<unsigned char> row;
    std::string error;
    ASSERT_TRUE(jet::encodeRow(m_layout, values, 0, row, error)) << error;
    // Jackcess leaves whatever its buffer held in the fixed places of NULL columns; what readers
    // use must be the same: the size, the AutoNumber, and the tables at the end of the row.
    const std::vector<unsigned char> stored = storedRow(1);
    ASSERT_EQ(row.size(), stored.size());
    EXPECT_TRUE(std::equal(row.begin(), row.begin() + 6, stored.begin()));
    const std::size_t trailer = 2 + 2 * 4 + 2 + 2;
    EXPECT_TRUE(std::equal(row.end() - trailer, row.end(), stored.end() - trailer));
}

TEST_F(RowEncoding, PaddedToTheSizeAskedKeepingItsTables)
{
    std::vector<unsigned char> shortest;
    std::vector<unsigned char> padded;
    std::string error;
    ASSERT_TRUE(jet::encodeRow(m_layout, firstRow(), 0, shortest, error));
    ASSERT_TRUE(jet::encodeRow(m_layout, firstRow(), static_cast<int>(shortest.size()) + 10, padded, error));
    ASSERT_EQ(padded.size(), shortest.size() + 10);
    // The trailing tables (end of data, offsets, count, null mask) are the same, ten zeros before them.
    const std::size_t trailer = 2 + 2 * 4 + 2 + 2;
    EXPECT_TRUE(std::equal(shortest.end() - trailer, shortest.end(), padded.end() - trailer));
    EXPECT_TRUE(std::all_of(padded.end() - trailer - 10, padded.end() - trailer, [](unsigned char b) { return b == 0; }));
}

// A row taken back as stored (a cascade rewrites only its key columns) gives the same bytes when
// nothing changes, and the bytes of its values with one changed otherwise; a Null, Yes/No or
// AutoNumber column comes back as such.
TEST_F(RowEncoding, RowsTakenBackAsStoredAreWrittenAgainAsTheyWere)
{
    std::vector<JetFieldValue> values;
    std::vector<unsigned char> row;
    std::string error;
    ASSERT_TRUE(jet::storedValues(m_layout, storedRow(0), values));
    ASSERT_EQ(values.size(), 14u);
    EXPECT_EQ(values[0].kind, JetFieldValue::Kind::Number);
    EXPECT_EQ(values[0].number, 1);
    EXPECT_EQ(values[1].kind, JetFieldValue::Kind::Boolean);
    EXPECT_EQ(values[11].kind, JetFieldValue::Kind::Stored);
    ASSERT_TRUE(jet::encodeRow(m_layout, values, 0, row, error)) << error;
    EXPECT_EQ(row, storedRow(0));
    // "Long" and "Texte" changed, the other values kept as stored.
    values[4] = JetFieldValue::of(std::int64_t{-5});
    values[11] = JetFieldValue::of(std::string("autre texte"));
    auto expected = firstRow();
    expected[4] = values[4];
    expected[11] = values[11];
    std::vector<unsigned char> wanted;
    ASSERT_TRUE(jet::encodeRow(m_layout, values, 0, row, error)) << error;
    ASSERT_TRUE(jet::encodeRow(m_layout, expected, 0, wanted, error)) << error;
    EXPECT_EQ(row, wanted);
    // The second row: AutoNumber 2, No, Nulls elsewhere.
    ASSERT_TRUE(jet::storedValues(m_layout, storedRow(1), values));
    EXPECT_EQ(values[0].number, 2);
    EXPECT_FALSE(values[1].boolean);
    for (std::size_t c = 2; c < values.size(); ++c)
        EXPECT_EQ(values[c].kind, JetFieldValue::Kind::Null) << m_layout.columns[c].name;
    // Stored bytes of another size than a fixed column's are refused.
    values = firstRow();
    values[4] = JetFieldValue::stored({1, 2});
    EXPECT_FALSE(jet::encodeRow(m_layout, values, 0, row, error));
    EXPECT_NE(error.find("« Long »"), std::string::npos) << error;
}

TEST_F(RowEncoding, ValuesThatDoNotFitTheirColumnRefused)
{
    struct Case {
        std::size_t column;
        JetFieldValue value;
        const char* why;
    };
    const std::vector<Case> cases = {
        {2, JetFieldValue::of(std::int64_t{256}), "sort des limites"},
        {3, JetFieldValue::of(std::int64_t{40000}), "sort des limites"},
        {5, JetFieldValue::decimal("1.23456"), "décimal exact"},
        {9, JetFieldValue::decimal("123456789012345.5"), "décimal exact"},  // 19 digits at scale 4
        {10, JetFieldValue::of(std::string("{6F9619FF-8B86-D011-B42D}")), "identificateur"},
        {11, JetFieldValue::of(std::string(51, 'x')), "50 caractères"},
        {11, JetFieldValue::of(std::string("\xc3")), "texte valide"},
        {12, JetFieldValue::of(std::string(33, 'x')), "pas encore possible"},  // 66 bytes: not in the row
    };
    for (const auto& c : cases) {
        auto values = firstRow();
        values[c.column] = c.value;
        std::vector<unsigned char> row;
        std::string error;
        EXPECT_FALSE(jet::encodeRow(m_layout, values, 0, row, error)) << c.why;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_NE(error.find(m_layout.columns[c.column].name), std::string::npos) << error;
    }
}

// A row Access itself wrote, with a fixed-length text column: the same values give the same
// bytes; a fixed text of another length is refused.
TEST(AccessRowEncoding, FixedTextRowEncodedAsAccessWroteIt)
{
    REQUIRE_FILE(path, "jet/fixedTextTestV2000.mdb");
    MemoryPages pages(readBytes(path));
    const jet::JetTableLayout layout = layoutOf(pages, path, "users");
    ASSERT_TRUE(layout.columns.at(8).fixed());
    std::string error;
    // The first row as jetcheck dumps it: 1, CORE USER, " ", -1, Core User, 1, 16408, -1, N,
    // 2009-11-05 23:41:28.
    std::vector<JetFieldValue> values = {
        JetFieldValue::of(std::int64_t{1}), JetFieldValue::of(std::string("CORE USER")),
        JetFieldValue::of(std::string(" ")), JetFieldValue::of(std::string("-1")),
        JetFieldValue::of(std::string("Core User")), JetFieldValue::of(std::int64_t{1}),
        JetFieldValue::of(std::int64_t{16408}), JetFieldValue::of(std::int64_t{-1}), JetFieldValue::of(std::string("N")),
        JetFieldValue::of(accessDate(2009, 11, 5, 23, 41, 28))};
    std::vector<unsigned char> row;
    ASSERT_TRUE(jet::encodeRow(layout, values, 0, row, error)) << error;
    EXPECT_EQ(row, storedRow(pages, layout, 0));
    // Taken back as stored, the row is written again as Access wrote it.
    std::vector<JetFieldValue> kept;
    ASSERT_TRUE(jet::storedValues(layout, row, kept));
    std::vector<unsigned char> again;
    ASSERT_TRUE(jet::encodeRow(layout, kept, 0, again, error)) << error;
    EXPECT_EQ(again, row);
    values[8] = JetFieldValue::of(std::string("NO"));
    EXPECT_FALSE(jet::encodeRow(layout, values, 0, row, error));
    EXPECT_NE(error.find("exactement 1 caractère."), std::string::npos) << error;
}

// Where each column lies in a row, as read from the definition bytes, against what libmdb
// reads, on tables Access wrote: many columns, deleted columns, fixed decimals, indexes.
TEST(TableLayout, ColumnPlacesAsLibmdbReadsThem)
{
    struct Case {
        const char* file;
        const char* table;
    };
    const Case cases[] = {{"jet/testV2000.mdb", "Table1"},          {"jet/testV2000.mdb", "Table2"},
                          {"jet/test2V2000.mdb", "MSP_PROJECTS"},   {"jet/delColTestV2000.mdb", "Table1"},
                          {"jet/fixedNumericTestV2000.mdb", "test"}, {"jet/fixedTextTestV2000.mdb", "users"},
                          {"jet/delTestV1997.mdb", "Table"},        {"jet/testV1997.mdb", "Table1"},
                          {"jet/testV1997.mdb", "Table2"},          {"nwind.mdb", "Employees"},
                          {"nwind.mdb", "Products"}};
    for (const Case& c : cases) {
        REQUIRE_FILE(path, c.file);
        std::string error;
        auto file = jet::JetFile::open(path, error);
        ASSERT_NE(file, nullptr) << error;
        const jet::JetTable* table = file->table(c.table);
        ASSERT_NE(table, nullptr) << c.table;
        MemoryPages pages(readBytes(path), static_cast<std::size_t>(file->format().pageSize));
        jet::JetTableLayout layout;
        ASSERT_TRUE(jet::readTableLayout(pages, table->definitionPage, layout, error)) << error;
        const MdbTableDef* definition = table->definition;
        ASSERT_EQ(layout.columns.size(), definition->num_cols) << c.file << " " << c.table;
        EXPECT_EQ(layout.indexCount, definition->num_real_idxs);
        EXPECT_EQ(layout.rowCount, definition->num_rows);
        for (unsigned i = 0; i < definition->num_cols; ++i) {
            const auto* mdb = static_cast<const MdbColumn*>(g_ptr_array_index(definition->columns, i));
            const auto mine = std::find_if(layout.columns.begin(), layout.columns.end(),
                                           [&](const jet::JetLayoutColumn& col) { return col.name == mdb->name; });
            ASSERT_NE(mine, layout.columns.end()) << mdb->name;
            EXPECT_EQ(static_cast<int>(mine->type), mdb->col_type) << mdb->name;
            EXPECT_EQ(mine->number, mdb->col_num) << mdb->name;  // the null mask bit
            EXPECT_EQ(mine->fixed(), mdb->is_fixed != 0) << mdb->name;
            if (mine->type != jet::JetType::Boolean) {  // libmdb counts a Yes/No as taking no byte
                EXPECT_EQ(mine->length, mdb->col_size) << mdb->name;
            }
            if (mine->fixed()) {
                EXPECT_EQ(mine->fixedOffset, mdb->fixed_offset) << mdb->name;
            } else {
                EXPECT_EQ(static_cast<unsigned>(mine->variableIndex), mdb->var_col_num) << mdb->name;
            }
        }
    }
}

}  // namespace

// Rows of Access 97 (Jet 3) files as the writer encodes them, held against the rows Access 97
// itself wrote: every live row of the genuine files, read back through the driver, must encode
// to the very bytes stored (one-byte counts and offsets, jump tables past 256 bytes, code page
// texts, references to long values), and so must the values taken back from those bytes as they
// are stored. Characters the code page lacks are refused.
namespace {

struct Compared {
    int rows = 0;
    int outsideValues = 0;  // memo or OLE values kept on long-value pages
    int inlineValues = 0;   // memo or OLE values kept in the row
    int shortOutside = 0;   // rows passed over: a value of 64 bytes or less Access 97 kept outside
    int keptRows = 0;       // rows written again from their values as stored
};

// The row stored at `rowid` ((page << 8) | row), or empty when it was moved elsewhere.
std::vector<unsigned char> storedRow(MemoryPages& pages, const jet::JetFileFormat& format, std::int64_t rowid)
{
    const unsigned char* page = pages.read(static_cast<std::uint32_t>(rowid >> 8));
    jet::datapage::Slot slot;
    if (page == nullptr || !jet::datapage::slot(page, static_cast<int>(rowid & 0xff), slot, format) || slot.moved)
        return {};
    return {page + slot.start, page + slot.end};
}

// The values of the row as the driver reads them, in the layout's order; memo and OLE values
// kept outside the row get the pointer the stored row keeps.
bool valuesOf(sqlite3_stmt* stmt, const jet::JetTableLayout& layout, const std::vector<unsigned char>& stored,
              std::vector<JetFieldValue>& values, jet::OutsideValues& outside, Compared& counts)
{
    values.assign(layout.columns.size(), {});
    for (int i = 1; i < sqlite3_column_count(stmt); ++i) {
        const std::string name = sqlite3_column_name(stmt, i);
        const auto column = std::find_if(layout.columns.begin(), layout.columns.end(),
                                         [&](const jet::JetLayoutColumn& c) { return c.name == name; });
        EXPECT_NE(column, layout.columns.end()) << name;
        if (column == layout.columns.end())
            return false;
        const auto c = static_cast<std::size_t>(column - layout.columns.begin());
        std::string error;
        EXPECT_TRUE(jet::fieldValueOf(*column, sqlite3_column_value(stmt, i), values[c], error)) << error;
        std::size_t start = 0;
        std::size_t end = 0;
        const bool longValue = column->type == jet::JetType::Memo || column->type == jet::JetType::Ole;
        if (!longValue || !jet::variableData(stored, *column, start, end, *layout.format) || end - start < 12)
            continue;
        if ((stored[start + 3] & 0x80) != 0) {
            ++counts.inlineValues;
            continue;
        }
        const std::uint32_t length = stored[start] | (stored[start + 1] << 8) | (stored[start + 2] << 16);
        if (length <= static_cast<std::uint32_t>(jet::kMaxInlineLongValue))
            return false;  // the writer keeps it in the row, which Access 97 also reads
        outside[c] = static_cast<std::uint32_t>(stored[start + 4] | (stored[start + 5] << 8) |
                                                (stored[start + 6] << 16) | (stored[start + 7] << 24));
        ++counts.outsideValues;
    }
    return true;
}

// Access leaves what its buffer held in the fixed place of a NULL column, the writer zeros.
void clearNullFixedPlaces(const jet::JetTableLayout& layout, std::vector<unsigned char>& stored)
{
    for (const auto& column : layout.columns) {
        if (!column.fixed() || jet::columnPresent(stored, column, *layout.format))
            continue;
        const auto at = static_cast<std::size_t>(layout.format->rowCountSize + column.fixedOffset);
        std::fill_n(stored.begin() + static_cast<std::ptrdiff_t>(at), jet::fixedSize(column), 0);
    }
}

void compareTable(const std::string& path, const std::string& name, Compared& counts)
{
    std::string error;
    MemoryPages pages(readBytes(path), 2048);
    const jet::JetTableLayout layout = layoutOf(pages, path, name);
    ASSERT_TRUE(layout.format->jet3);
    Connection db = attached(path);
    sqlite3_stmt* raw = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), ("SELECT rowid, * FROM [" + name + "]").c_str(), -1, &raw, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db.get());
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const std::int64_t rowid = sqlite3_column_int64(raw, 0);
        std::vector<unsigned char> stored = storedRow(pages, *layout.format, rowid);
        if (stored.empty())
            continue;
        clearNullFixedPlaces(layout, stored);
        // Taken back as stored (as a cascade rewrites a row), the row is written again as it was.
        std::vector<JetFieldValue> kept;
        std::vector<unsigned char> again;
        EXPECT_TRUE(jet::storedValues(layout, stored, kept) && jet::encodeRow(layout, kept, 0, again, error)) << error;
        EXPECT_EQ(again, stored) << name << " row " << (rowid >> 8) << ":" << (rowid & 0xff) << " as stored";
        ++counts.keptRows;
        std::vector<JetFieldValue> values;
        jet::OutsideValues outside;
        if (!valuesOf(raw, layout, stored, values, outside, counts)) {
            ++counts.shortOutside;
            continue;
        }
        ASSERT_FALSE(::testing::Test::HasFailure());
        std::vector<unsigned char> row;
        ASSERT_TRUE(jet::encodeRow(layout, values, 0, row, error, outside)) << name << " " << rowid << ": " << error;
        EXPECT_EQ(row, stored) << name << " row " << (rowid >> 8) << ":" << (rowid & 0xff);
        ++counts.rows;
    }
}

TEST(Jet3RowEncoding, RowsAccess97WroteEncodeToTheSameBytes)
{
    REQUIRE_FILE(deleted, "jet/delTestV1997.mdb");
    REQUIRE_FILE(typed, "jet/testV1997.mdb");
    REQUIRE_NWIND(nwind);
    Compared counts;
    compareTable(deleted, "Table", counts);
    compareTable(typed, "Table1", counts);  // every fixed type, Yes/No in the null mask
    for (const char* table : {"Categories", "Customers", "Employees", "Order Details", "Orders", "Products",
                              "Shippers", "Suppliers"})
        compareTable(nwind, table, counts);
    EXPECT_GT(counts.rows, 3000);
    EXPECT_GT(counts.outsideValues, 0);
    EXPECT_GT(counts.inlineValues, 0);
    EXPECT_LT(counts.shortOutside, 20);
    EXPECT_EQ(counts.keptRows, counts.rows + counts.shortOutside);
}

TEST(Jet3RowEncoding, TextsWrittenInTheCodePageAndOtherCharactersRefused)
{
    REQUIRE_FILE(path, "jet/delTestV1997.mdb");
    std::string error;
    MemoryPages pages(readBytes(path), 2048);
    const jet::JetTableLayout layout = layoutOf(pages, path, "Table");
    ASSERT_EQ(layout.columns.size(), 2u);
    EXPECT_EQ(layout.columns[0].codePage, 1252);
    EXPECT_EQ(layout.columns[0].length, 50);  // TEXT(50): one byte a character
    // Windows-1252: é = E9, œ = 9C, € = 80, ’ = 92.
    std::vector<unsigned char> row;
    ASSERT_TRUE(jet::encodeRow(layout, {JetFieldValue::of(std::string("é€")), JetFieldValue::of(std::string("œ’"))}, 0,
                               row, error))
        << error;
    const std::vector<unsigned char> expected = {2, 0xe9, 0x80, 0x9c, 0x92, 5, 3, 1, 2, 3};
    EXPECT_EQ(row, expected);
    for (const char* text : {"Ł", "日本", "\xf0\x9f\x98\x80"}) {
        EXPECT_FALSE(jet::encodeRow(layout, {JetFieldValue::of(std::string("a")), JetFieldValue::of(std::string(text))}, 0, row, error));
        EXPECT_NE(error.find("« b »"), std::string::npos) << error;
        EXPECT_NE(error.find("page de codes 1252"), std::string::npos) << error;
    }
    EXPECT_TRUE(jet::encodeRow(layout, {JetFieldValue::of(std::string(50, 'x')), JetFieldValue::null()}, 0, row, error));
    EXPECT_FALSE(jet::encodeRow(layout, {JetFieldValue::of(std::string(51, 'x')), JetFieldValue::null()}, 0, row, error));
    EXPECT_NE(error.find("50 caractères"), std::string::npos) << error;
    // The five bytes the code page leaves undefined are the control characters of their number,
    // both ways: no two stored texts read the same.
    const unsigned char undefined[] = {0x81, 0x8d, 0x8f, 0x90, 0x9d};
    const std::string controls = "\u0081\u008d\u008f\u0090\u009d";
    EXPECT_EQ(jet::fromCodePage(1252, undefined, sizeof undefined), controls);
    ASSERT_TRUE(jet::encodeRow(layout, {JetFieldValue::of(controls), JetFieldValue::null()}, 0, row, error)) << error;
    EXPECT_EQ(std::vector<unsigned char>(row.begin() + 1, row.begin() + 6),
              std::vector<unsigned char>(std::begin(undefined), std::end(undefined)));
}

}  // namespace

// MSysQueries is keyed on (ObjectId, Attribute, Order), Order a binary value of four bytes. The
// first entry of its index page in queryTestV2000 (page 10), the query -2147483640's first row
// of attribute 0, reads 7f 00000008 | 7f 00 | 7f 00000001 00000000 04: the binary value padded
// with zeros to eight bytes, then its length. A longer value is not keyed.
TEST(AccessRowEncoding, ShortBinaryKeysLaidAsInTheQueriesIndex)
{
    REQUIRE_FILE(path, "jet/queryTestV2000.mdb");
    MemoryPages pages(readBytes(path));
    const jet::JetTableLayout layout = layoutOf(pages, path, "MSysQueries");
    std::vector<JetFieldValue> values(layout.columns.size());
    std::vector<jet::JetKeyColumn> key;
    for (const char* name : {"ObjectId", "Attribute", "Order"})
        for (std::size_t i = 0; i < layout.columns.size(); ++i)
            if (layout.columns[i].name == name)
                key.push_back({&layout.columns[i], false});
    ASSERT_EQ(key.size(), 3u);
    const auto set = [&](const jet::JetKeyColumn& column, JetFieldValue value) {
        values[static_cast<std::size_t>(column.column - layout.columns.data())] = std::move(value);
    };
    set(key[0], JetFieldValue::of(std::int64_t{-2147483640}));
    set(key[1], JetFieldValue::of(std::int64_t{0}));
    set(key[2], JetFieldValue::of(std::vector<unsigned char>{0, 0, 0, 1}));
    std::string error;
    std::vector<unsigned char> row, bytes;
    ASSERT_TRUE(jet::encodeRow(layout, values, 0, row, error)) << error;
    ASSERT_TRUE(jet::rowIndexKey(row, key, bytes, *layout.format));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x7f, 0, 0, 0, 8, 0x7f, 0, 0x7f, 0, 0, 0, 1, 0, 0, 0, 0, 4}));
    set(key[2], JetFieldValue::of(std::vector<unsigned char>(9, 1)));
    ASSERT_TRUE(jet::encodeRow(layout, values, 0, row, error)) << error;
    EXPECT_FALSE(jet::rowIndexKey(row, key, bytes, *layout.format));
}
