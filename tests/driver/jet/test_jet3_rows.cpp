// Rows of Access 97 (Jet 3) files as the writer encodes them, held against the rows Access 97
// itself wrote: every live row of the genuine files, read back through the driver, must encode
// to the very bytes stored (one-byte counts and offsets, jump tables past 256 bytes, code page
// texts, references to long values), and so must the values taken back from those bytes as they
// are stored. Characters the code page lacks are refused.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/rows/JetSqlValues.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;

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
    if (page == nullptr || !jet::datapage::slot(page, static_cast<int>(rowid & 0xff), slot, format) || slot.overflow)
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
}

}  // namespace
