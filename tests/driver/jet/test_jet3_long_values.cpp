// Access 97 rows past 256 bytes (their offsets found through the jump table) and memo values on
// Jet 3 long-value pages (whole in one row up to 2032 bytes, chained in pieces beyond), written
// by the writer's blocks into a copy of a genuine Access 97 file and read back by jetcheck
// (Jackcess), mdb-export (libmdb) and the driver; and a long row made short again, padded to its
// old size so that it keeps its place. The genuine index-free tables of Access 97
// files hold only short texts, so the rows go to MSysQueries, whose columns allow both: its
// index is not kept here, which only table scans (all these readers make) do not notice.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/jet/write/JetLongValueStore.h"

#include <gtest/gtest.h>


using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;

namespace {

std::string repeated(const std::string& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// The lines of `text` that start with one of `keys` followed by `separator`, in their order.
std::vector<std::string> linesStartingWith(const std::string& text, const std::vector<std::string>& keys,
                                           char separator)
{
    std::vector<std::string> found;
    for (const std::string& line : lines(text))
        for (const std::string& key : keys)
            if (line.starts_with(key + separator))
                found.push_back(line);
    return found;
}

class Jet3LongRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string source = testDataPath("jet/queryTestV1997.mdb");
        if (source.empty())
            GTEST_SKIP() << "jet/queryTestV1997.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        m_copy = std::make_unique<WorkCopy>(source);
        m_path = m_copy->path();
        m_pages = std::make_unique<MemoryPages>(readBytes(m_path), 2048);
        m_layout = layoutOf(*m_pages, m_path, "MSysQueries");
        ASSERT_EQ(m_layout.columns.size(), 7u);
        ASSERT_TRUE(m_layout.columns[5].hasLongValueMaps);  // Expression, a memo
    }

    // Writes `values` as a row, its long values first, on `page`; the row's bytes.
    std::vector<unsigned char> writeRow(const std::vector<JetFieldValue>& values, std::uint32_t page)
    {
        jet::JetLongValueStore longValues(*m_pages);
        jet::OutsideValues outside;
        std::vector<unsigned char> memo;
        std::string error;
        std::uint32_t appends = 0;
        const jet::JetLayoutColumn& expression = m_layout.columns[5];
        if (values[5].kind != JetFieldValue::Kind::Null) {
            EXPECT_TRUE(jet::longValueData(expression, values[5], memo, error)) << error;
        }
        if (memo.size() > static_cast<std::size_t>(jet::kMaxInlineLongValue)) {
            EXPECT_TRUE(longValues.plan(expression, memo.size(), appends, error)) << error;
            outside[5] = longValues.store(expression, memo);
        }
        std::vector<unsigned char> row;
        EXPECT_TRUE(jet::encodeRow(m_layout, values, 0, row, error, outside)) << error;
        jet::datapage::add(m_pages->change(page), row, 0, *m_layout.format);
        return row;
    }

    std::unique_ptr<WorkCopy> m_copy;
    std::string m_path;
    std::unique_ptr<MemoryPages> m_pages;
    jet::JetTableLayout m_layout;
};

TEST_F(Jet3LongRows, JumpTablesAndLongValuesReadByEveryReader)
{
    const std::string names = std::string(255, 'n');
    const std::string accents = repeated("é", 255);  // 255 bytes in Windows-1252
    const std::string wide = std::string(250, 'a');
    const std::string whole = std::string(1500, 'm');          // one row of a long-value page
    const std::string chained = repeated("0123456789", 500);   // 5000 bytes: three pieces of at most 2028
    const auto text = [](const std::string& t) { return JetFieldValue::of(t); };
    const auto number = [](std::int64_t n) { return JetFieldValue::of(n); };
    const std::vector<std::vector<JetFieldValue>> rows = {
        {number(1001), number(1), JetFieldValue::of(std::vector<unsigned char>{0, 0, 0, 1}), text(names), text(accents),
         text("court"), number(3)},
        {number(1002), number(2), JetFieldValue::null(), text("moyen"), JetFieldValue::null(), text(whole), number(0)},
        {number(1003), number(3), JetFieldValue::null(), text(wide), JetFieldValue::null(), text(chained),
         JetFieldValue::null()},
        {number(1004), number(4), JetFieldValue::of(std::vector<unsigned char>{0xff}), text(names), text(accents),
         JetFieldValue::null(), number(-1)},
    };
    ASSERT_TRUE(jet::mapsCover(*m_pages, m_layout.ownedPages, m_layout.freeSpacePages, m_pages->pageCount()));
    const std::uint32_t page = jet::appendOwnedPage(*m_pages, m_layout.ownedPages, m_layout.freeSpacePages);
    jet::datapage::initialise(m_pages->change(page), m_layout.definitionPage, *m_layout.format);
    std::vector<std::vector<unsigned char>> written;
    for (const auto& values : rows)
        written.push_back(writeRow(values, page));
    ASSERT_FALSE(HasFailure());
    EXPECT_GT(written[0].size(), 512u);  // two jump entries
    EXPECT_GT(written[2].size(), 256u);  // one
    EXPECT_GT(written[3].size(), 512u);
    // The long values the rows keep: one row for the whole memo, three pieces for the chained one.
    jet::JetLongValueStore longValues(*m_pages);
    std::vector<jet::JetRowId> kept;
    std::string error;
    ASSERT_TRUE(longValues.referenced(m_layout, written[1], kept, error)) << error;
    EXPECT_EQ(kept.size(), 1u);
    kept.clear();
    ASSERT_TRUE(longValues.referenced(m_layout, written[2], kept, error)) << error;
    EXPECT_EQ(kept.size(), 3u);
    // The first row made short again, padded to its old size so that it stays in place: its
    // jump entries then stand for no offset.
    std::vector<unsigned char> shorter;
    std::vector<JetFieldValue> values = rows[0];
    values[3] = text("n");
    values[4] = JetFieldValue::null();
    ASSERT_TRUE(jet::encodeRow(m_layout, values, static_cast<int>(written[0].size()), shorter, error)) << error;
    ASSERT_EQ(shorter.size(), written[0].size());
    jet::datapage::Slot slot;
    ASSERT_TRUE(jet::datapage::slot(m_pages->read(page), 0, slot, *m_layout.format));
    std::copy(shorter.begin(), shorter.end(), m_pages->change(page) + slot.start);
    writeBytes(m_path, m_pages->bytes());

    Connection db = attached(m_path);
    EXPECT_EQ(rowsOf(db.get(), "SELECT ObjectId, length(Name1), length(Name2), Expression = '" + chained +
                                   "', length(Expression) FROM MSysQueries WHERE ObjectId > 1000 ORDER BY ObjectId"),
              (std::vector<std::vector<std::string>>{{"1001", "1", "NULL", "0", "5"},
                                                     {"1002", "5", "NULL", "0", "1500"},
                                                     {"1003", "250", "NULL", "1", "5000"},
                                                     {"1004", "255", "255", "NULL", "NULL"}}));
    REQUIRE_JETCHECK();
    int status = 0;
    const std::string dumped = runTool(jetcheckPath(), {"dump", "--system", m_path, "MSysQueries"}, status);
    ASSERT_EQ(status, 0) << dumped;
    EXPECT_EQ(linesStartingWith(dumped, {"1001", "1002", "1003", "1004"}, '\t'),
              (std::vector<std::string>{"1001\t1\t00000001\tn\t\\N\tcourt\t3",
                                        "1002\t2\t\\N\tmoyen\t\\N\t" + whole + "\t0",
                                        "1003\t3\t\\N\t" + wide + "\t\\N\t" + chained + "\t\\N",
                                        "1004\t4\tff\t" + names + "\t" + accents + "\t\\N\t-1"}));
    REQUIRE_MDB_EXPORT();
    const std::string exported = runTool("mdb-export", {"-H", m_path, "MSysQueries"}, status);
    ASSERT_EQ(status, 0);
    const auto exportedLines = linesStartingWith(exported, {"1001", "1002", "1003", "1004"}, ',');
    ASSERT_EQ(exportedLines.size(), 4u) << exported;
    EXPECT_NE(exportedLines[0].find("\"n\",,\"court\",3"), std::string::npos) << exportedLines[0];
    EXPECT_NE(exportedLines[1].find("\"moyen\",,\"" + whole + "\",0"), std::string::npos) << exportedLines[1];
    EXPECT_NE(exportedLines[2].find("\"" + wide + "\",,\"" + chained + "\","), std::string::npos) << exportedLines[2];
    EXPECT_NE(exportedLines[3].find("\"" + names + "\",\"" + accents + "\",,-1"), std::string::npos) << exportedLines[3];
}

// The long-value rows of a row deleted or rewritten are flagged as Access 97 flags those it
// deletes: deleted and moved (0xc000 in the row offset), every piece of a chain.
TEST_F(Jet3LongRows, ReleasedLongValuesFlaggedAsAccessFlagsThem)
{
    const std::uint32_t page = jet::appendOwnedPage(*m_pages, m_layout.ownedPages, m_layout.freeSpacePages);
    jet::datapage::initialise(m_pages->change(page), m_layout.definitionPage, *m_layout.format);
    const std::vector<unsigned char> row =
        writeRow({JetFieldValue::of(std::int64_t{2001}), JetFieldValue::of(std::int64_t{1}), JetFieldValue::null(),
                  JetFieldValue::null(), JetFieldValue::null(), JetFieldValue::of(std::string(4500, 'q')),
                  JetFieldValue::null()},
                 page);
    jet::JetLongValueStore longValues(*m_pages);
    std::vector<jet::JetRowId> kept;
    std::string error;
    ASSERT_TRUE(longValues.referenced(m_layout, row, kept, error)) << error;
    ASSERT_EQ(kept.size(), 3u);
    longValues.release(kept);
    for (const jet::JetRowId& at : kept) {
        jet::datapage::Slot slot;
        ASSERT_TRUE(jet::datapage::slot(m_pages->read(at.page), at.row, slot, *m_layout.format));
        EXPECT_TRUE(slot.deleted && slot.moved) << at.page << ":" << at.row;
    }
}

}  // namespace
