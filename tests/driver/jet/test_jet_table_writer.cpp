// Rows inserted, updated and deleted in a copy of a genuine Access 2000 file, then read back by
// three readers: the driver (libmdb), mdb-export and jetcheck (Jackcess), which also checks the
// row count and the AutoNumber counter. The table beside it keeps every byte; a refused change
// leaves the whole file as it was; a statement through the virtual tables failing half-way is
// undone alone; only pages nothing reaches are taken back from nwind's map of unowned pages.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;

namespace {

using Row = std::vector<std::string>;
JetFieldValue text(const std::string& t) { return JetFieldValue::of(t); }
JetFieldValue whole(std::int64_t n) { return JetFieldValue::of(n); }

// A row of every type, N left to the AutoNumber counter.
std::vector<JetFieldValue> everyType()
{
    return {JetFieldValue::null(), JetFieldValue::of(true), whole(255), whole(-32768), whole(2147483647),
            JetFieldValue::decimal("-922337203685477.5808"), JetFieldValue::of(0.25), JetFieldValue::of(0.0035),
            JetFieldValue::of(accessDate(2026, 12, 6, 14, 30, 0)), JetFieldValue::decimal("12345678901234.5678"),
            text("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"), text("Œuvre à l’été €"), text("Un mémo\r\nsur deux lignes"),
            JetFieldValue::of(std::vector<unsigned char>{0xde, 0xad, 0xbe, 0xef})};
}

// The pages the usage map at `where` marks.
std::vector<std::uint32_t> marked(jet::JetPages& pages, jet::JetRowId where)
{
    jet::JetUsageMap map;
    std::string error;
    EXPECT_TRUE(jet::JetUsageMap::open(pages, where, map, error)) << error;
    return map.pages();
}

bool marks(jet::JetPages& pages, jet::JetRowId where, std::uint32_t page)
{
    jet::JetUsageMap map;
    std::string error;
    return jet::JetUsageMap::open(pages, where, map, error) && map.contains(page);
}

std::vector<std::uint32_t> ownedPages(jet::JetPages& pages, std::uint32_t definition)
{
    jet::JetTableLayout layout;
    std::string error;
    EXPECT_TRUE(jet::readTableLayout(pages, definition, layout, error)) << error;
    return marked(pages, layout.ownedPages);
}

class TableWriter : public NoIndexFileTest {
protected:
    void SetUp() override
    {
        NoIndexFileTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_original = readBytes(m_path);
        m_mesures = tableDefinitionPage(m_path, "Mesures");
        m_temoin = tableDefinitionPage(m_path, "Témoin");
        m_pages = std::make_unique<MemoryPages>(m_original);
    }

    jet::JetTableWriter openMesures()
    {
        jet::JetTableWriter writer;
        std::string error;
        EXPECT_TRUE(jet::JetTableWriter::open(*m_pages, m_mesures, "Mesures", writer, error)) << error;
        return writer;
    }

    std::vector<unsigned char> m_original;
    std::uint32_t m_mesures = 0;
    std::uint32_t m_temoin = 0;
    std::unique_ptr<MemoryPages> m_pages;
};

TEST_F(TableWriter, InsertedUpdatedAndDeletedRowsReadBackByThreeReaders)
{
    jet::JetTableWriter writer = openMesures();
    const std::uint32_t firstPage = ownedPages(*m_pages, m_mesures).front();
    std::string error;
    jet::JetRowId a, b, c;
    ASSERT_TRUE(writer.insert(everyType(), a, error)) << error;  // N = 3
    std::vector<JetFieldValue> sparse(14);
    sparse[11] = text("");
    ASSERT_TRUE(writer.insert(sparse, b, error)) << error;  // N = 4: NULLs, No, an empty text
    ASSERT_TRUE(writer.insert(sparse, c, error)) << error;  // N = 5, deleted below
    // In place: shorter text, another number.
    auto changed = everyType();
    changed[0] = whole(3);
    changed[4] = whole(1);
    changed[11] = text("court");
    ASSERT_TRUE(writer.update(a, changed, error)) << error;
    // The file's first row grows past its place: its page has room, it grows there.
    std::vector<JetFieldValue> grown(14);
    grown[1] = JetFieldValue::of(true);
    grown[11] = text(std::string(50, 'x'));
    grown[12] = text(std::string(30, 'y'));
    ASSERT_TRUE(writer.update({firstPage, 0}, grown, error)) << error;
    ASSERT_TRUE(writer.remove(c, error)) << error;
    ASSERT_TRUE(writer.remove({firstPage, 1}, error)) << error;  // the file's second row, N = 2
    EXPECT_EQ(writer.layout().rowCount, 3u);
    EXPECT_EQ(writer.layout().lastAutoNumber, 5u);
    writeBytes(m_path, m_pages->bytes());

    // 1. The driver, through libmdb (Yes reads -1, as in Access).
    Connection db = attached(m_path);
    EXPECT_EQ(rowsOf(db.get(), "SELECT N, Oui, Octet, Entier, Long, Monnaie, Simple, Reel, Quand, Decimal, "
                               "Guid, Texte, Memo, CASE WHEN Ole IS NULL THEN 'NULL' ELSE hex(Ole) END FROM Mesures ORDER BY N"),
              (std::vector<Row>{{"1", "-1", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL",
                                 std::string(50, 'x'), std::string(30, 'y'), "NULL"},
                                {"3", "-1", "255", "-32768", "1", "-922337203685477.5808", "0.25", "0.0035",
                                 "2026-12-06 14:30:00", "12345678901234.5678", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}",
                                 "court", "Un mémo\r\nsur deux lignes", "DEADBEEF"},
                                {"4", "0", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "",
                                 "NULL", "NULL"}}));

    // 2. jetcheck: the rows, the row count and the AutoNumber counter.
    REQUIRE_JETCHECK();
    int status = 0;
    const auto dump = jetcheck({"dump", "--sorted", m_path, "Mesures"}, status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(dump.size(), 5u);
    EXPECT_EQ(Row(dump.begin() + 2, dump.end()),
              (Row{"1\t1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t" + std::string(50, 'x') + "\t" +
                       std::string(30, 'y') + "\t\\N",
                   "3\t1\t255\t-32768\t1\t-922337203685477.5808\t0.25\t0.0035\t2026-12-06 14:30:00\t"
                   "12345678901234.5678\t{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\tcourt\t"
                   "Un mémo\\r\\nsur deux lignes\tdeadbeef",
                   "4\t0\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\t\\N\t\\N"}));
    const std::string verdict = runTool(jetcheckPath(), {"verify", "--user-only", m_path}, status);
    EXPECT_EQ(status, 0) << verdict;
    EXPECT_NE(verdict.find("autonumber N: last=5, max in rows=4"), std::string::npos) << verdict;
    EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << verdict;

    // 3. mdb-export, another reader of its own: one record a line, but for the memo's own line break.
    REQUIRE_MDB_EXPORT();
    Row sorted;
    for (const auto& line : lines(runTool("mdb-export", {"-b", "hex", m_path, "Mesures"}, status)))
        if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            sorted.push_back(line);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(sorted.size(), 3u);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted[0].substr(0, 6), "1,1,,,");
    EXPECT_NE(sorted[0].find(std::string(50, 'x')), std::string::npos);
    EXPECT_EQ(sorted[1].substr(0, 21), "3,1,255,-32768,1,-922");
    EXPECT_NE(sorted[1].find("\"court\""), std::string::npos);
    EXPECT_EQ(sorted[2].substr(0, 4), "4,0,");
}

TEST_F(TableWriter, TheTableBesideKeepsEveryByte)
{
    jet::JetTableWriter writer = openMesures();
    std::string error;
    jet::JetRowId where;
    for (int i = 0; i < 120; ++i)  // enough rows for new pages
        ASSERT_TRUE(writer.insert(everyType(), where, error)) << error;
    MemoryPages before(m_original);
    auto temoinPages = ownedPages(before, m_temoin);
    ASSERT_FALSE(temoinPages.empty());
    temoinPages.push_back(m_temoin);
    for (std::uint32_t page : temoinPages)
        EXPECT_EQ(std::memcmp(m_pages->read(page), before.read(page), 4096), 0) << "page " << page;
    // Only Mesures' definition, its data pages and its usage maps (the row holding them, and a
    // map page) changed, and the file's map of unowned pages.
    const auto mesuresPages = ownedPages(*m_pages, m_mesures);
    EXPECT_GT(mesuresPages.size(), 2u);
    for (std::uint32_t page : m_pages->changed()) {
        const bool mapPage = before.read(page) != nullptr && before.read(page)[0] == 0x05;
        EXPECT_TRUE(page == m_mesures || page == writer.layout().ownedPages.page || page == 1 || mapPage ||
                    std::find(mesuresPages.begin(), mesuresPages.end(), page) != mesuresPages.end())
            << "page " << page;
    }
    // The pages added are no longer free in the file's map of unowned pages (page 1, row 0).
    const auto firstAdded = static_cast<std::uint32_t>(m_original.size() / 4096);
    ASSERT_GT(m_pages->pageCount(), firstAdded);
    EXPECT_TRUE(marks(*m_pages, {1, 0}, m_pages->pageCount()));  // beyond the file: free
    for (std::uint32_t page = firstAdded; page < m_pages->pageCount(); ++page)
        EXPECT_FALSE(marks(*m_pages, {1, 0}, page)) << "page " << page;
    writeBytes(m_path, m_pages->bytes());
    Connection db = attached(m_path);
    EXPECT_EQ(rowsOf(db.get(), "SELECT count(*), max(N) FROM Mesures"), (std::vector<Row>{{"122", "122"}}));
    EXPECT_EQ(single(db.get(), "SELECT group_concat(Nom) FROM Témoin"), "un,deux");
    REQUIRE_JETCHECK();
    int status = 0;
    const std::string verdict = runTool(jetcheckPath(), {"verify", m_path}, status);
    EXPECT_EQ(status, 0) << verdict;
    EXPECT_NE(verdict.find("Mesures: 122 rows"), std::string::npos) << verdict;
}

TEST_F(TableWriter, RefusedChangesLeaveTheFileAsItWas)
{
    jet::JetTableWriter writer = openMesures();
    const std::uint32_t firstPage = ownedPages(*m_pages, m_mesures).front();
    std::string error;
    jet::JetRowId where;
    const auto refused = [&](std::size_t column, JetFieldValue value, const char* why) {
        auto row = everyType();
        row[column] = std::move(value);
        EXPECT_FALSE(column == 0 ? writer.update({firstPage, 0}, row, error) : writer.insert(row, where, error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    };
    refused(11, text(std::string(51, 't')), "50 caractères");
    refused(2, whole(-1), "Octet");
    refused(0, whole(99), "NuméroAuto");
    EXPECT_FALSE(writer.remove({m_mesures, 0}, error));  // not a data page
    EXPECT_NE(error.find("n'existe pas"), std::string::npos) << error;
    EXPECT_TRUE(m_pages->changed().empty());
    EXPECT_EQ(m_pages->bytes(), m_original);
    // Deleting twice: the second finds nothing, and changes nothing more.
    ASSERT_TRUE(writer.remove({firstPage, 1}, error)) << error;
    const std::vector<unsigned char> once = m_pages->bytes();
    EXPECT_FALSE(writer.remove({firstPage, 1}, error));
    EXPECT_EQ(m_pages->bytes(), once);
}

// A page store whose memory is full refuses new pages (it answers page 0, the header): a change
// needing one fails with a French message, and the header page is never written.
TEST_F(TableWriter, ANewPageRefusedFailsTheChangeAndLeavesTheHeader)
{
    jet::JetTableWriter writer = openMesures();
    m_pages->refuseAppends();
    std::string error;
    jet::JetRowId where;
    auto chained = everyType();
    chained[12] = text(std::string(5000, 'c'));  // a memo on pages of its own
    EXPECT_FALSE(writer.insert(chained, where, error));
    EXPECT_NE(error.find("page de plus"), std::string::npos) << error;
    EXPECT_EQ(m_pages->changed().count(0), 0u);
    EXPECT_TRUE(std::equal(m_original.begin(), m_original.begin() + 4096, m_pages->bytes().begin()));
}

std::string hexOf(const std::vector<unsigned char>& bytes, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

std::string memoOf(std::size_t characters)
{
    std::string memo;
    for (int i = 0; memo.size() < characters; ++i)
        memo += "ligne " + std::to_string(i) + " été ; ";
    return memo;
}

TEST_F(TableWriter, LongValuesOnTheirOwnPagesWrittenAndFreed)
{
    jet::JetTableWriter writer = openMesures();
    std::string error;
    // Whole on one page each (3,000 bytes), and chained in pieces (over 4,076 bytes).
    const std::string memo = memoOf(1500), longMemo = memoOf(5000), zs(1200, 'z');
    const std::vector<unsigned char> ole = pattern(3000, 1, 0), longOle = pattern(9000, 2, 0);
    auto big = everyType();
    big[12] = text(memo);
    big[13] = JetFieldValue::of(ole);
    auto chained = everyType();
    chained[12] = text(longMemo);
    chained[13] = JetFieldValue::of(longOle);
    jet::JetRowId kept, replaced, gone, last;
    ASSERT_TRUE(writer.insert(big, kept, error)) << error;          // N = 3
    ASSERT_TRUE(writer.insert(big, replaced, error)) << error;      // N = 4, its values replaced below
    ASSERT_TRUE(writer.insert(chained, gone, error)) << error;      // N = 5, deleted below
    ASSERT_TRUE(writer.insert(chained, last, error)) << error;      // N = 6
    auto other = big;
    other[0] = whole(4);
    other[12] = text(zs);
    other[13] = JetFieldValue::null();
    ASSERT_TRUE(writer.update(replaced, other, error)) << error;
    ASSERT_TRUE(writer.remove(gone, error)) << error;
    // Long-value rows on the pages added: live, row 3's memo and OLE, row 4's new memo and row
    // 6's pieces; deleted, row 4's old values and row 5's pieces.
    // Pieces of at most 4,072 bytes (a page's row less the next pointer); the memo in UTF-16.
    const auto units = std::count_if(longMemo.begin(), longMemo.end(), [](char ch) { return (ch & 0xc0) != 0x80; });
    const int longMemoPieces = static_cast<int>((2 * units + 4071) / 4072);
    int live = 0;
    int deleted = 0;
    for (auto p = static_cast<std::uint32_t>(m_original.size() / 4096); p < m_pages->pageCount(); ++p) {
        const unsigned char* page = m_pages->read(p);
        if (page[0] != 0x01 || std::memcmp(page + 4, "LVAL", 4) != 0)
            continue;
        for (int r = 0; r < jet::datapage::rowCount(page); ++r) {
            jet::datapage::Slot slot;
            ASSERT_TRUE(jet::datapage::slot(page, r, slot));
            (slot.deleted ? deleted : live) += 1;
        }
    }
    EXPECT_EQ(live, 3 + longMemoPieces + 3);
    EXPECT_EQ(deleted, 2 + longMemoPieces + 3);
    writeBytes(m_path, m_pages->bytes());

    Connection db = attached(m_path);
    EXPECT_EQ(rowsOf(db.get(), "SELECT N, Memo, hex(Ole) FROM Mesures WHERE N > 2 ORDER BY N"),
              (std::vector<Row>{{"3", memo, hexOf(ole, true)}, {"4", zs, ""}, {"6", longMemo, hexOf(longOle, true)}}));
    REQUIRE_JETCHECK();
    int status = 0;
    const auto dump = jetcheck({"dump", "--sorted", m_path, "Mesures"}, status);
    ASSERT_EQ(dump.size(), 7u);  // table, columns, the file's two rows and the three kept
    EXPECT_NE(dump[4].find("\t" + memo + "\t" + hexOf(ole, false)), std::string::npos);
    EXPECT_NE(dump[5].find("\t" + zs + "\t\\N"), std::string::npos);
    EXPECT_NE(dump[6].find("\t" + longMemo + "\t" + hexOf(longOle, false)), std::string::npos);
    const std::string verdict = runTool(jetcheckPath(), {"verify", "--user-only", m_path}, status);
    EXPECT_EQ(status, 0) << verdict;
    EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << verdict;
    REQUIRE_MDB_EXPORT();
    const std::string csv = runTool("mdb-export", {m_path, "Mesures"}, status);
    EXPECT_EQ(status, 0);
    for (const std::string& value : {memo, zs, longMemo})
        EXPECT_NE(csv.find(value), std::string::npos);
}

// A writer of `table` on the pages of the file at path (a test failure when it cannot be opened).
void openWriter(MemoryPages& pages, const std::string& path, const std::string& table, jet::JetTableWriter& writer)
{
    std::string error;
    EXPECT_TRUE(jet::JetTableWriter::open(pages, tableDefinitionPage(path, table), table, writer, error)) << error;
}

// Tables Access itself wrote: fixed decimals and a memo whose long values go where the column's
// maps say, rows already moved, deleted rows. jetcheck reads the changed copies back.
TEST(TableWriterGenuine, TablesAccessWroteChangedAndReadBack)
{
    REQUIRE_JETCHECK();
    QTemporaryDir folder;
    const std::string memo = memoOf(300);
    using Change = std::function<bool(jet::JetTableWriter&, jet::JetRowId&, std::string&)>;
    struct Case {
        const char* file;
        const char* table;
        Change change;
        Row rows;  // as jetcheck dump --sorted prints them
    };
    const auto n = JetFieldValue::null();
    const std::vector<Case> cases = {
        {"jet/fixedNumericTestV2000.mdb", "test",
         [&](jet::JetTableWriter& w, jet::JetRowId& at, std::string& e) {
             return w.update({28, 0}, {text(memo), JetFieldValue::decimal("123456789012345678"), whole(0), whole(0),
                                       whole(4), whole(-1), whole(1)}, e) &&
                    w.insert({text("court"), JetFieldValue::decimal("-5"), n, n, n, n, n}, at, e);
         },
         {"court\t-5\t\\N\t\\N\t\\N\t\\N\t\\N", memo + "\t123456789012345678\t0\t0\t4\t-1\t1"}},
        {"jet/overflowTestV2000.mdb", "Table1",
         [&](jet::JetTableWriter& w, jet::JetRowId& at, std::string& e) {
             return w.update({27, 6}, {text("row7col1, bien plus longue qu'avant"), n, n, n, n, text("row7col7"), n, n, n}, e) &&
                    w.remove({27, 3}, e) && w.insert({text("row8col1"), n, n, n, n, n, n, n, text("row8col10")}, at, e);
         },
         {"\\N\trow3col3\t\\N\t\\N\t\\N\t\\N\t\\N\trow3col9\t\\N", "\\N\trow5col2\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N",
          "\\N\trow6col2\trow6col3\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N", "row1col1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N",
          "row2col1\trow2col3\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N",
          "row7col1, bien plus longue qu'avant\t\\N\t\\N\t\\N\t\\N\trow7col7\t\\N\t\\N\t\\N",
          "row8col1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\trow8col10"}},
        {"jet/delTestV2000.mdb", "Table",
         [&](jet::JetTableWriter& w, jet::JetRowId& at, std::string& e) {
             return w.insert({text("x"), text("w")}, at, e) && w.remove({31, 0}, e);
         },
         {"v\tu", "x\tw"}},
    };
    for (const Case& c : cases) {
        REQUIRE_FILE(original, c.file);
        const std::string path = folder.filePath(QString::fromStdString(std::filesystem::path(c.file).filename().string())).toStdString();
        MemoryPages pages(readBytes(original));
        jet::JetTableWriter writer;
        openWriter(pages, original, c.table, writer);
        std::string error;
        jet::JetRowId at;
        EXPECT_TRUE(c.change(writer, at, error)) << c.file << " : " << error;
        writeBytes(path, pages.bytes());
        int status = 0;
        const auto dump = jetcheck({"dump", "--sorted", path, c.table}, status);
        ASSERT_EQ(status, 0) << c.file;
        EXPECT_EQ(Row(dump.begin() + 2, dump.end()), c.rows) << c.file;
        const std::string verdict = runTool(jetcheckPath(), {"verify", path}, status);
        EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << c.file << "\n" << verdict;
        EXPECT_EQ(single(attached(path).get(), "SELECT count(*) FROM [" + std::string(c.table) + "]"),
                  std::to_string(c.rows.size()));
    }
}

// Pages Access 97 and Access 2000 wrote, filled; then one of their rows grown past the page's room
// (it moves) and one deleted. Laid again, the page takes their bytes back: a row grown a little
// stays in its place, and the row the last page no longer holds comes to it rather than to a
// new page. As in Access's files, every row keeps its number, the deleted row its flags with no
// bytes left, the moved row's place its 4-byte pointer, and the free space is the gap left.
TEST(TableWriterGenuine, RoomOfDeletedAndMovedRowsTakenBack)
{
    for (const std::string relative : {"jet/delTestV1997.mdb", "jet/delTestV2000.mdb"}) {
        SCOPED_TRACE(relative);
        REQUIRE_FILE(original, relative);
        const auto& format = relative.ends_with("1997.mdb") ? jet::jet3FileFormat() : jet::jet4FileFormat();
        MemoryPages pages(readBytes(original), static_cast<std::size_t>(format.pageSize));
        jet::JetTableWriter writer;
        openWriter(pages, original, "Table", writer);
        std::string error;
        const auto row = [](std::size_t i, std::size_t a, std::size_t b) {
            return std::vector<JetFieldValue>{text(std::to_string(i) + std::string(a, 'a')), text(std::string(b, 'b'))};
        };
        std::vector<jet::JetRowId> added;  // until one goes to a new page
        for (jet::JetRowId at; added.size() < 4 || at.page == added.front().page; added.push_back(at))
            ASSERT_TRUE(writer.insert(row(added.size(), 8, 30), at, error)) << error;
        const jet::JetRowId moved = added[0], deleted = added[1], grown = added[2], last = added.back();
        ASSERT_TRUE(writer.update(moved, row(0, 48, 50), error)) << error;  // more than a row the page had no room for
        ASSERT_TRUE(writer.remove(deleted, error)) << error;
        ASSERT_TRUE(writer.update(grown, row(2, 8, 40), error)) << error;
        const std::uint32_t pageCount = pages.pageCount();
        const int rowsBefore = jet::datapage::rowCount(pages.read(grown.page), format);
        jet::JetRowId back = last;
        std::size_t backAdded = 0;
        for (; back.page == last.page; ++backAdded)
            ASSERT_TRUE(writer.insert(row(1000 + backAdded, 8, 30), back, error)) << error;
        EXPECT_EQ(back.page, grown.page);
        EXPECT_EQ(back.row, rowsBefore) << "a deleted row's slot is not given to a new row";
        EXPECT_EQ(pages.pageCount(), pageCount);
        const unsigned char* page = pages.read(grown.page);
        jet::datapage::Slot place;
        ASSERT_TRUE(jet::datapage::slot(page, grown.row, place, format));
        EXPECT_FALSE(place.moved || place.deleted);
        ASSERT_TRUE(jet::datapage::slot(page, deleted.row, place, format));
        EXPECT_TRUE(place.deleted && place.moved && place.size() == 0);
        ASSERT_TRUE(jet::datapage::slot(page, moved.row, place, format));
        EXPECT_TRUE(place.moved && !place.deleted && place.size() == jet::datapage::kPointerSize);
        ASSERT_TRUE(jet::datapage::slot(page, back.row, place, format));
        EXPECT_EQ(jet::datapage::freeSpace(page), place.start - format.pageFirstSlot - 2 * (back.row + 1));

        REQUIRE_JETCHECK();
        QTemporaryDir folder;
        const std::string path = folder.filePath("base.mdb").toStdString();
        writeBytes(path, pages.bytes());
        int status = 0;
        const auto before = jetcheck({"dump", original, "Table"}, status);
        const auto dump = jetcheck({"dump", path, "Table"}, status);
        EXPECT_EQ(dump.size(), before.size() + added.size() - 1 + backAdded);
        EXPECT_NE(std::find(dump.begin(), dump.end(), "2aaaaaaaa\t" + std::string(40, 'b')), dump.end());
        EXPECT_NE(std::find(dump.begin(), dump.end(), "0" + std::string(48, 'a') + "\t" + std::string(50, 'b')), dump.end());
        const std::string verdict = runTool(jetcheckPath(), {"verify", "--user-only", path}, status);
        EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << verdict;
        EXPECT_NE(verdict.find(" 0 warnings"), std::string::npos) << verdict;
        EXPECT_EQ(single(attached(path).get(), "SELECT count(*) FROM [Table]"), std::to_string(dump.size() - 2));
        REQUIRE_MDB_EXPORT();
        EXPECT_EQ(lines(runTool("mdb-export", {"-H", path, "Table"}, status)).size(), dump.size() - 2);
    }
}

TEST(TableWriterRefusal, RelatedAndSystemTablesRefusedUntouched)
{
    REQUIRE_FILE(indexed, "jet/testV2000.mdb");
    REQUIRE_FILE(related, "jet/indexTestV2000.mdb");
    REQUIRE_FILE(jet3, "jet/testV1997.mdb");
    REQUIRE_FILE(jet3related, "jet/indexTestV1997.mdb");
    struct Case {
        std::string path;
        std::string table;
        std::size_t pageSize;
        const char* why;
    };
    for (const Case& c : {Case{related, "Table1", 4096, "participe à une relation"},
                          Case{indexed, "MSysObjects", 4096, "table système"}, Case{jet3related, "Table1", 2048, "participe à une relation"},
                          Case{jet3, "MSysObjects", 2048, "table système"}, Case{jet3, "Table2", 4096, "taille des pages"}}) {
        const std::vector<unsigned char> original = readBytes(c.path);
        MemoryPages pages(original, c.pageSize);
        jet::JetTableWriter writer;
        std::string error;
        EXPECT_FALSE(jet::JetTableWriter::open(pages, tableDefinitionPage(c.path, c.table), c.table, writer, error));
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_TRUE(pages.changed().empty());
        EXPECT_EQ(pages.bytes(), original);
    }
}

// Through the virtual tables: a refused value is no constraint violation SQLite's conflict
// clauses may act on (the tables do not declare constraint support): OR FAIL, OR IGNORE and OR
// REPLACE undo the whole failing statement as a plain one, so no half statement ever reaches the
// commit.
using JetModuleWrites = NoIndexFileTest;

TEST_F(JetModuleWrites, ConflictClausesStillUndoTheWholeFailingStatement)
{
    Connection db = attached(m_path);
    std::vector<Row> rows;
    std::string error;
    ASSERT_TRUE(query(db.get(), "BEGIN", rows, error)) << error;
    ASSERT_TRUE(query(db.get(), "INSERT INTO Mesures (Texte) VALUES ('avant')", rows, error)) << error;
    for (const std::string clause : {"OR FAIL", "OR IGNORE", "OR REPLACE"}) {
        EXPECT_FALSE(query(db.get(), "INSERT " + clause + " INTO Mesures (Texte) VALUES ('a'), ('b'), ('" +
                                         std::string(51, 'c') + "')", rows, error)) << clause;
        EXPECT_NE(error.find("« Texte »"), std::string::npos) << error;
        EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Mesures"), "3") << clause;
    }
    ASSERT_TRUE(query(db.get(), "COMMIT", rows, error)) << error;
    EXPECT_EQ(single(attached(m_path).get(), "SELECT group_concat(Texte, '/') FROM Mesures WHERE N > 2"), "avant");
}

// nwind marks free some pages Access's tables left. With every other free page taken out of the
// map, only a page nothing reaches comes back: never a page a table still lists, a long value's
// page or an index page.
TEST(JetUsageMaps, OnlyPagesNothingReachesAreTakenBack)
{
    REQUIRE_NWIND(nwind);
    MemoryPages pages(readBytes(nwind), 2048);
    jet::JetTableLayout orders;
    std::string error;
    ASSERT_TRUE(jet::readTableLayout(pages, tableDefinitionPage(nwind, "Orders"), orders, error)) << error;
    const std::vector<jet::JetRowId> maps{orders.ownedPages, orders.freeSpacePages};
    jet::JetUsageMap unowned;
    ASSERT_TRUE(jet::JetUsageMap::open(pages, {1, 0}, unowned, error)) << error;
    ASSERT_FALSE(unowned.pages().empty());
    ASSERT_NE(jet::reusablePage(pages, {maps[0], maps[1]}), 0u);
    for (std::uint32_t page : unowned.pages())
        unowned.set(page, false);

    // A page of Orders, a long value's page, an index page: each marked free, none taken.
    const std::uint32_t ownPage = marked(pages, orders.ownedPages).front();
    std::uint32_t longValuePage = 0;
    std::uint32_t indexPage = 0;
    for (std::uint32_t page = 2; page < pages.pageCount(); ++page) {
        const unsigned char* bytes = pages.read(page);
        if (bytes[0] == 0x01 && std::equal(bytes + 4, bytes + 8, "LVAL"))
            longValuePage = page;
        if (bytes[0] == 0x04)
            indexPage = page;
    }
    ASSERT_NE(longValuePage, 0u);
    ASSERT_NE(indexPage, 0u);
    for (std::uint32_t page : {ownPage, longValuePage, indexPage})
        unowned.set(page, true);
    EXPECT_EQ(jet::reusablePage(pages, {maps[0], maps[1]}), 0u);

    // A page of zeros marked free is taken, then marked in the table's maps and no longer free.
    const std::uint32_t zeros = jet::appendMappedPage(pages, {});
    ASSERT_NE(zeros, 0u);
    ASSERT_TRUE(jet::JetUsageMap::open(pages, {1, 0}, unowned, error)) << error;
    unowned.set(zeros, true);
    ASSERT_EQ(jet::reusablePage(pages, {maps[0], maps[1]}), zeros);
    ASSERT_TRUE(jet::takeMappedPage(pages, {maps[0], maps[1]}, zeros));
    EXPECT_TRUE(marks(pages, orders.ownedPages, zeros));
    EXPECT_TRUE(marks(pages, orders.freeSpacePages, zeros));
    EXPECT_FALSE(marks(pages, {1, 0}, zeros));
}

}  // namespace
