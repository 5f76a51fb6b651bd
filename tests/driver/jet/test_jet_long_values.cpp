// Every memo and OLE value of the genuine test files, read by the driver's long-value reader,
// compared byte for byte with what libmdb's own long-value reads give for the same reference.
#include "JetTestSupport.h"
#include "JetWriterTestSupport.h"

#include "driver/jet/JetFile.h"
#include "driver/jet/JetLongValue.h"

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
    const jet::PageFormat format = file->format();
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

}  // namespace
}  // namespace kervane::test
