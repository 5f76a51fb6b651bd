// Every memo and OLE value of the genuine test files, read by the driver's long-value reader,
// compared byte for byte with what libmdb's own long-value reads give for the same reference;
// and long values laid out by hand on appended pages, their pointers checked before use.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "driver/jet/format/JetByteOrder.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/rows/JetLongValue.h"

#include <mdbtools.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace kervane::test {
namespace {

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

struct Counts {
    int inlineValues = 0;
    int singlePage = 0;
    int chained = 0;
};

// libmdb's answer for the reference at `reference`: the first piece, then every next one.
std::string oracleValue(MdbHandle* mdb, MdbColumn* column, const unsigned char* reference)
{
    unsigned char copy[jet::LongValueReader::kReferenceSize];
    std::copy(reference, reference + sizeof copy, copy);
    std::vector<unsigned char> piece(static_cast<std::size_t>(mdb->fmt->pg_size));
    column->bind_ptr = piece.data();
    std::string value;
    std::size_t got = mdb_ole_read(mdb, column, copy, piece.size());
    while (got > 0) {
        value.append(reinterpret_cast<const char*>(piece.data()), got);
        got = mdb_ole_read_next(mdb, column, copy);
    }
    column->bind_ptr = nullptr;
    return value;
}

// Walks every table of `path` with libmdb; each long value of a live row is read by both.
void compareEveryLongValue(const std::string& path, Counts& counts)
{
    std::string error;
    auto file = jet::JetFile::open(path, error);
    ASSERT_TRUE(file) << error;
    jet::LongValueReader reader(*file);
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    ASSERT_TRUE(mdb_read_catalog(mdb.get(), MDB_TABLE));
    const jet::JetFileFormat format = file->format();
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE)
            continue;
        std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
        if (!table || !mdb_read_columns(table.get()))
            continue;
        mdb_rewind_table(table.get());
        while (mdb_fetch_row(table.get())) {
            jet::RowSlot slot;
            // Rows flagged deleted or moved are not rows of the table for the driver.
            if (!jet::rowSlot(format, mdb->pg_buf, static_cast<int>(table->cur_row) - 1, slot) || slot.deleted || slot.moved)
                continue;
            for (guint c = 0; c < table->num_cols; ++c) {
                auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
                if ((column->col_type != MDB_MEMO && column->col_type != MDB_OLE) || column->cur_value_len <= 0)
                    continue;
                const auto* reference = static_cast<const unsigned char*>(mdb->pg_buf) + column->cur_value_start;
                const std::uint32_t word = jet::readUInt32(reference, 0);
                const std::size_t length = word & 0x3fffffffu;
                const std::string where = path + " : " + entry->object_name + "." + column->name;
                std::string ours;
                ASSERT_EQ(reader.read(reference, column->cur_value_len, ours, nullptr), jet::LongValueReader::Outcome::Read)
                    << where;
                const std::string theirs = oracleValue(mdb.get(), column, reference);
                // A value is its stated length; libmdb hands over its rows whole.
                ASSERT_GE(theirs.size(), length) << where;
                ASSERT_EQ(ours.size(), length) << where;
                const auto differ = std::mismatch(ours.begin(), ours.end(), theirs.begin());
                ASSERT_TRUE(differ.first == ours.end()) << where << " : premier octet différent en " << (differ.first - ours.begin());
                if (word & jet::kLongValueInline)
                    ++counts.inlineValues;
                else if (word & jet::kLongValueSinglePage)
                    ++counts.singlePage;
                else
                    ++counts.chained;
            }
        }
    }
}

TEST(JetLongValue, EveryMemoAndOleValueReadsAsLibmdbReadsIt)
{
    REQUIRE_NWIND(nwind);
    std::vector<std::string> sources{nwind};
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(nwind).parent_path() / "jet"))
        if (entry.path().extension() == ".mdb")
            sources.push_back(entry.path().string());
    Counts counts;
    for (const std::string& source : sources) {
        const WorkCopy copy(source);
        SCOPED_TRACE(source);
        compareEveryLongValue(copy.path(), counts);
        if (HasFatalFailure())
            return;
    }
    // nwind's employee notes and category pictures cover the three ways a value is stored.
    EXPECT_GT(counts.inlineValues, 0);
    EXPECT_GT(counts.singlePage, 0);
    EXPECT_GT(counts.chained, 0);
    std::printf("valeurs longues comparées : %d dans la ligne, %d sur une page, %d en chaîne\n", counts.inlineValues,
                counts.singlePage, counts.chained);
}

// Pages a test lays over the file: page number -> bytes, and the page count.
class AppendedPages final : public jet::JetPageOverlay {
public:
    explicit AppendedPages(std::uint32_t filePages) : m_filePages(filePages) {}
    const unsigned char* changedPage(std::uint32_t page) override
    {
        return page >= m_filePages && page - m_filePages < pages.size() ? pages[page - m_filePages].data() : nullptr;
    }
    std::uint32_t pageCount() const override { return m_filePages + static_cast<std::uint32_t>(pages.size()); }

    std::vector<std::vector<unsigned char>> pages;

private:
    std::uint32_t m_filePages;
};

void putUInt16(std::vector<unsigned char>& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void putUInt32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A Jet 3 data page holding `rows`, the first at the end of the page, each before the last.
std::vector<unsigned char> longValuePage(const std::vector<std::string>& rows)
{
    const jet::JetFileFormat format = jet::fileFormatOf(true);
    std::vector<unsigned char> page(static_cast<std::size_t>(format.pageSize));
    page[0] = jet::kDataPage;
    putUInt16(page, static_cast<std::size_t>(format.pageRowCount), static_cast<unsigned>(rows.size()));
    std::size_t end = page.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t start = end - rows[i].size();
        std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<long>(start));
        putUInt16(page, static_cast<std::size_t>(format.pageFirstSlot) + 2 * i, static_cast<unsigned>(start));
        end = start;
    }
    return page;
}

// A chain piece: the page-and-row pointer of the next piece, then the bytes.
std::string piece(std::uint32_t next, const std::string& bytes)
{
    std::string row(4, '\0');
    putUInt32(reinterpret_cast<unsigned char*>(row.data()), next);
    return row + bytes;
}

std::string reference(std::uint32_t word, std::uint32_t pageRow)
{
    std::string field(jet::LongValueReader::kReferenceSize, '\0');
    putUInt32(reinterpret_cast<unsigned char*>(field.data()), word);
    putUInt32(reinterpret_cast<unsigned char*>(field.data()) + 4, pageRow);
    return field;
}

// Long values laid out by hand on pages appended over a copy of nwind: well-formed ones read
// whole, and every pointer that leaves the file, loops or falls short refused.
TEST(JetLongValue, PointersCheckedBeforeTheyAreFollowed)
{
    REQUIRE_WORK_COPY(copy, "nwind.mdb");
    std::string error;
    auto file = jet::JetFile::open(copy.path(), error);
    ASSERT_TRUE(file) << error;
    const std::uint32_t n = file->pageCount();
    AppendedPages overlay(n);
    // Page n: a chain "abc" -> "def" -> end; page n + 1: a chain whose second piece leads back.
    overlay.pages.push_back(longValuePage({piece(n << 8 | 1, "abc"), piece(0, "def"), "whole row"}));
    overlay.pages.push_back(longValuePage({piece((n + 1) << 8 | 1, "abc"), piece((n + 1) << 8, "def")}));
    file->setOverlay(&overlay);
    jet::LongValueReader reader(*file);
    using Outcome = jet::LongValueReader::Outcome;
    const auto read = [&](const std::string& field, std::string& bytes) {
        return reader.read(reinterpret_cast<const unsigned char*>(field.data()), static_cast<int>(field.size()), bytes,
                           nullptr);
    };
    std::string bytes;
    EXPECT_EQ(read(reference(6, n << 8), bytes), Outcome::Read);
    EXPECT_EQ(bytes, "abcdef");
    EXPECT_EQ(read(reference(4, n << 8), bytes), Outcome::Read);
    EXPECT_EQ(bytes, "abcd");  // a value is its stated length
    EXPECT_EQ(read(reference(jet::kLongValueSinglePage | 9, n << 8 | 2), bytes), Outcome::Read);
    EXPECT_EQ(bytes, "whole row");
    EXPECT_EQ(read(reference(jet::kLongValueInline | 3, 0) + "xyz", bytes), Outcome::Read);
    EXPECT_EQ(bytes, "xyz");

    EXPECT_EQ(read(reference(7, n << 8), bytes), Outcome::Damaged);            // the chain ends short
    EXPECT_EQ(read(reference(100, (n + 1) << 8), bytes), Outcome::Damaged);    // the chain loops
    EXPECT_EQ(read(reference(6, (n + 2) << 8), bytes), Outcome::Damaged);      // past the last page
    EXPECT_EQ(read(reference(6, n << 8 | 3), bytes), Outcome::Damaged);        // past the last row
    EXPECT_EQ(read(reference(6, 0), bytes), Outcome::Damaged);                 // the header page
    EXPECT_EQ(read(reference(jet::kLongValueSinglePage | 10, n << 8 | 2), bytes), Outcome::Damaged);
    EXPECT_EQ(read(reference(jet::kLongValueInline | 4, 0) + "xyz", bytes), Outcome::Damaged);
    EXPECT_EQ(read(reference(6, n << 8).substr(0, 11), bytes), Outcome::Damaged);  // a cut reference
    EXPECT_EQ(read(reference(0x10000006, n << 8), bytes), Outcome::Damaged);   // unknown flags
    EXPECT_EQ(reader.read(reinterpret_cast<const unsigned char*>(reference(6, n << 8).data()), 12, bytes,
                          [] { return true; }),
              Outcome::Stopped);

    // Without the overlay the same pointers lead outside the file.
    file->setOverlay(nullptr);
    EXPECT_EQ(read(reference(6, n << 8), bytes), Outcome::Damaged);
}

}  // namespace
}  // namespace kervane::test
