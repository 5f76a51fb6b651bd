// Long values and a transaction's pages laid over copies of nwind.mdb. Every memo and OLE value
// of the genuine test files, read by the driver's long-value reader, compared byte for byte with
// what libmdb's own long-value reads give for the same reference; long values laid out by hand on
// appended pages, their pointers checked before use. The driver's statements read the overlay's
// rows and long values, the file's again once it is removed, and an index the driver made
// before is not used for a table the transaction changed. Which rows lie on which page is
// learnt from libmdb's own walk of the file, independent of the reader under test.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "driver/jet/format/JetByteOrder.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/jet/rows/JetLongValueReader.h"

#include <mdbtools.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace kervane::test {
namespace {

constexpr std::size_t kPage = 2048;  // nwind is Jet 3

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using MdbFile = std::unique_ptr<MdbHandle, MdbCloser>;
using MdbTable = std::unique_ptr<MdbTableDef, TableFreer>;

// A table of the file libmdb opened, its columns read and its walk rewound; null when unreadable.
MdbTable mdbTable(MdbCatalogEntry* entry)
{
    MdbTable table(entry != nullptr ? mdb_read_table(entry) : nullptr);
    if (!table || !mdb_read_columns(table.get()))
        return nullptr;
    mdb_rewind_table(table.get());
    return table;
}

MdbTable mdbTable(MdbFile& mdb, const char* name)
{
    return mdb && mdb_read_catalog(mdb.get(), MDB_TABLE) ? mdbTable(mdb_get_catalogentry_by_name(mdb.get(), name)) : nullptr;
}

// Pages a test lays over the file: page number -> bytes, and the page count.
class MapOverlay final : public jet::JetPageOverlay {
public:
    explicit MapOverlay(std::uint32_t pages) : m_pages(pages) {}
    const unsigned char* changedPage(std::uint32_t page) override
    {
        const auto found = changed.find(page);
        return found != changed.end() ? found->second.data() : nullptr;
    }
    std::uint32_t pageCount() const override { return m_pages; }

    std::map<std::uint32_t, std::vector<unsigned char>> changed;
    std::uint32_t m_pages;
};

std::vector<unsigned char> pageOf(const std::vector<unsigned char>& file, std::uint32_t page, std::size_t size = kPage)
{
    return {file.begin() + static_cast<long>(page * size), file.begin() + static_cast<long>((page + 1) * size)};
}

// The rows of "Order Details" as libmdb walks them, by data page: "OrderID|ProductID".
std::map<std::uint32_t, std::vector<std::string>> orderLinesByPage(const std::string& path, bool jet3)
{
    std::map<std::uint32_t, std::vector<std::string>> pages;
    MdbFile mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    const MdbTable table = mdbTable(mdb, "Order Details");
    if (!table)
        return pages;
    std::vector<char> order(MDB_BIND_SIZE), product(MDB_BIND_SIZE);
    mdb_bind_column_by_name(table.get(), const_cast<gchar*>("OrderID"), order.data(), nullptr);
    mdb_bind_column_by_name(table.get(), const_cast<gchar*>("ProductID"), product.data(), nullptr);
    const jet::JetFileFormat format = jet::fileFormatOf(jet3);
    while (mdb_fetch_row(table.get())) {
        jet::datapage::Slot slot;
        if (!jet::checkedRowSlot(format, mdb->pg_buf, static_cast<int>(table->cur_row) - 1, slot) || slot.deleted || slot.moved)
            pages[table->cur_phys_pg].push_back("moved or deleted");
        else
            pages[table->cur_phys_pg].push_back(std::string(order.data()) + "|" + product.data());
    }
    return pages;
}

std::vector<std::string> sorted(std::vector<std::string> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> orderLinesThroughTheDriver(sqlite3* db)
{
    std::vector<std::string> lines;
    for (const auto& row : rowsOf(db, "SELECT OrderID, ProductID FROM \"Order Details\""))
        lines.push_back(row[0] + "|" + row[1]);
    return sorted(lines);
}

struct Attached {
    Connection db;
    jet::JetFile* file = nullptr;
};

Attached attachWithFile(const std::string& path)
{
    Attached attached{memoryConnection()};
    std::string error;
    EXPECT_TRUE(jet::attachJetDatabase(attached.db.get(), path, error, nullptr, &attached.file)) << error;
    if (attached.file != nullptr)
        jet::declareFileTables(attached.db.get(), *attached.file);
    return attached;
}

// Two data pages of "Order Details" holding only live rows, with an order found on the second
// and not on the first.
struct TwoPages {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::string order;  // an OrderID of the second page
};

bool clean(const std::vector<std::string>& rows)
{
    return std::find(rows.begin(), rows.end(), "moved or deleted") == rows.end();
}

TwoPages choosePages(const std::map<std::uint32_t, std::vector<std::string>>& pages)
{
    TwoPages chosen;
    for (const auto& [page, rows] : pages) {
        if (!clean(rows))
            continue;
        if (chosen.first == 0) {
            chosen.first = page;
            continue;
        }
        const std::string order = rows.back().substr(0, rows.back().find('|'));
        const auto& firstRows = pages.at(chosen.first);
        if (std::none_of(firstRows.begin(), firstRows.end(), [&](const std::string& row) { return row.rfind(order + "|", 0) == 0; })) {
            chosen.second = page;
            chosen.order = order;
            return chosen;
        }
    }
    return chosen;
}

int countOf(const std::vector<std::string>& rows, const std::string& order)
{
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](const std::string& row) { return row.rfind(order + "|", 0) == 0; }));
}

// Lays over the copy at `path` a transaction that wrote a page of order lines over another
// one, and checks what statements see, with and without the overlay.
void checkOverlaidOrderLines(const std::string& path, bool jet3, std::size_t orderLines)
{
    const std::size_t pageSize = jet3 ? 2048 : 4096;
    const auto pages = orderLinesByPage(path, jet3);
    const TwoPages chosen = choosePages(pages);
    ASSERT_NE(chosen.second, 0u) << "deux pages de lignes de commande introuvables";
    std::vector<std::string> fileRows;
    for (const auto& [page, rows] : pages)
        fileRows.insert(fileRows.end(), rows.begin(), rows.end());
    ASSERT_TRUE(clean(fileRows));
    ASSERT_EQ(fileRows.size(), orderLines);

    Attached jet = attachWithFile(path);
    ASSERT_NE(jet.file, nullptr);
    EXPECT_EQ(orderLinesThroughTheDriver(jet.db.get()), sorted(fileRows));
    const std::string byOrder = "SELECT count(*) FROM \"Order Details\" WHERE OrderID = " + chosen.order;
    const int fileCount = countOf(fileRows, chosen.order);
    // This lookup makes the driver's index of OrderID.
    EXPECT_EQ(single(jet.db.get(), byOrder), std::to_string(fileCount));

    // The transaction wrote the second page's rows over the first page.
    const std::vector<unsigned char> bytes = readBytes(path);
    MapOverlay overlay(static_cast<std::uint32_t>(bytes.size() / pageSize));
    overlay.changed[chosen.first] = pageOf(bytes, chosen.second, pageSize);
    jet.file->setOverlay(&overlay);
    std::string error;
    ASSERT_TRUE(jet.file->tableChanged(*jet.file->table("Order Details"), error)) << error;

    std::vector<std::string> expected;
    for (const auto& [page, rows] : pages) {
        const auto& seen = page == chosen.first ? pages.at(chosen.second) : rows;
        expected.insert(expected.end(), seen.begin(), seen.end());
    }
    EXPECT_EQ(orderLinesThroughTheDriver(jet.db.get()), sorted(expected));
    // The index made before knows the order's lines on the second page only: a walk finds them
    // twice.
    const int overlaidCount = countOf(expected, chosen.order);
    ASSERT_GT(overlaidCount, fileCount);
    EXPECT_EQ(single(jet.db.get(), byOrder), std::to_string(overlaidCount));

    jet.file->setOverlay(nullptr);
    EXPECT_FALSE(jet.file->changedInTransaction(*jet.file->table("Order Details")));
    EXPECT_EQ(orderLinesThroughTheDriver(jet.db.get()), sorted(fileRows));
    EXPECT_EQ(single(jet.db.get(), byOrder), std::to_string(fileCount));
}

TEST(JetOverlay, StatementsSeeTheOverlaidPagesAndTheFileOnceItIsRemoved)
{
    REQUIRE_WORK_COPY(copy, "nwind.mdb");
    checkOverlaidOrderLines(copy.path(), true, 2155);  // the sample's order lines
}

TEST(JetOverlay, StatementsSeeTheOverlaidPagesOfAnAccess2000File)
{
    QTemporaryDir folder;
    const std::string grown = folder.filePath("nwind_x2.mdb").toStdString();
    if (!growNwind(grown, 2))
        GTEST_SKIP() << "nwind.mdb, jetgen ou java absent : pas de copie Access 2000 de nwind";
    checkOverlaidOrderLines(grown, false, 2 * 2155);  // two copies of every order line
}

// The reference of the notes of the employee whose first name is `name`, found by libmdb.
bool notesReference(const std::string& path, const std::string& name, std::uint32_t& pageRow, std::uint32_t& word)
{
    MdbFile mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    const MdbTable table = mdbTable(mdb, "Employees");
    if (!table)
        return false;
    std::vector<char> first(MDB_BIND_SIZE);
    mdb_bind_column_by_name(table.get(), const_cast<gchar*>("FirstName"), first.data(), nullptr);
    while (mdb_fetch_row(table.get())) {
        if (name != first.data())
            continue;
        for (guint c = 0; c < table->num_cols; ++c) {
            auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            if (std::string(column->name) != "Notes" || column->cur_value_len < 12)
                continue;
            const auto* reference = static_cast<const unsigned char*>(mdb->pg_buf) + column->cur_value_start;
            word = jet::readUInt32(reference, 0);
            pageRow = jet::readUInt32(reference, 4);
            return true;
        }
    }
    return false;
}

TEST(JetOverlay, LongValuesAreReadFromTheOverlaidPages)
{
    REQUIRE_WORK_COPY(copy, "nwind.mdb");
    std::uint32_t pageRow = 0;
    std::uint32_t word = 0;
    ASSERT_TRUE(notesReference(copy.path(), "Nancy", pageRow, word));
    ASSERT_EQ(word & jet::kLongValueInline, 0u) << "les notes de Nancy sont rangées dans la ligne";
    Attached jet = attachWithFile(copy.path());
    ASSERT_NE(jet.file, nullptr);
    const std::string query = "SELECT Notes FROM Employees WHERE FirstName = 'Nancy'";
    const std::string notes = single(jet.db.get(), query);
    ASSERT_EQ(notes.rfind("Education includes", 0), 0u) << notes;

    // The transaction rewrote the first letters of the value where it lies on its page (a chain
    // starts its row with the pointer to the next piece).
    const std::vector<unsigned char> bytes = readBytes(copy.path());
    MapOverlay overlay(static_cast<std::uint32_t>(bytes.size() / kPage));
    std::vector<unsigned char> page = pageOf(bytes, pageRow >> 8);
    const jet::JetFileFormat format = jet::fileFormatOf(true);
    const int start = jet::readUInt16(page.data(), format.pageFirstSlot + 2 * static_cast<int>(pageRow & 0xff)) & 0x1fff;
    const int text = start + ((word & jet::kLongValueSinglePage) != 0 ? 0 : 4);
    std::copy_n("EDUCATION", 9, page.begin() + text);
    overlay.changed[pageRow >> 8] = page;
    jet.file->setOverlay(&overlay);
    EXPECT_EQ(single(jet.db.get(), query), "EDUCATION" + notes.substr(9));
    jet.file->setOverlay(nullptr);
    EXPECT_EQ(single(jet.db.get(), query), notes);
}

TEST(JetOverlay, AppendedPagesAndTheTablesPlacementReadThroughTheOverlay)
{
    REQUIRE_WORK_COPY(copy, "nwind.mdb");
    std::string error;
    auto file = jet::JetFile::open(copy.path(), error);
    ASSERT_TRUE(file) << error;
    const std::uint32_t filePages = file->pageCount();
    std::vector<unsigned char> buffer(kPage);
    EXPECT_FALSE(file->readPage(filePages, buffer.data()));

    MapOverlay overlay(filePages + 1);
    overlay.changed[filePages] = pattern(kPage, filePages, 1);
    file->setOverlay(&overlay);
    EXPECT_EQ(file->pageCount(), filePages + 1);
    ASSERT_TRUE(file->readPage(filePages, buffer.data()));
    EXPECT_EQ(buffer, overlay.changed[filePages]);
    EXPECT_FALSE(file->readPage(filePages + 1, buffer.data()));

    // Said changed, a table whose pages the overlay leaves alone keeps the usage map and row
    // count libmdb read from its definition.
    for (const char* name : {"Order Details", "Employees", "Categories", "Shippers"}) {
        const jet::JetTable* table = file->table(name);
        ASSERT_NE(table, nullptr) << name;
        const std::vector<unsigned char> map = table->usageMap;
        const std::uint32_t rows = table->rowEstimate;
        ASSERT_TRUE(file->tableChanged(*table, error)) << error;
        EXPECT_TRUE(file->changedInTransaction(*table));
        EXPECT_EQ(table->usageMap, map) << name;
        EXPECT_EQ(table->rowEstimate, rows) << name;
    }
    file->setOverlay(nullptr);
    EXPECT_EQ(file->pageCount(), filePages);
    EXPECT_FALSE(file->readPage(filePages, buffer.data()));
    EXPECT_FALSE(file->changedInTransaction(*file->table("Shippers")));
}

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
    MdbFile mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(mdb);
    ASSERT_TRUE(mdb_read_catalog(mdb.get(), MDB_TABLE));
    const jet::JetFileFormat format = file->format();
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE)
            continue;
        const MdbTable table = mdbTable(entry);
        while (table && mdb_fetch_row(table.get())) {
            jet::datapage::Slot slot;
            // Rows flagged deleted or moved are not rows of the table for the driver.
            if (!jet::checkedRowSlot(format, mdb->pg_buf, static_cast<int>(table->cur_row) - 1, slot) || slot.deleted || slot.moved)
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

void putUInt32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A chain piece: the page-and-row pointer of the next piece, then the bytes.
std::vector<unsigned char> piece(std::uint32_t next, const std::string& bytes)
{
    std::vector<unsigned char> row(4 + bytes.size());
    putUInt32(row.data(), next);
    std::copy(bytes.begin(), bytes.end(), row.begin() + 4);
    return row;
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
    MapOverlay overlay(n + 2);
    // Page n: a chain "abc" -> "def" -> end; page n + 1: a chain whose second piece leads back.
    const jet::JetFileFormat& jet3 = jet::fileFormatOf(true);
    const std::string whole = "whole row";
    overlay.changed[n] = dataPage(jet3, {piece(n << 8 | 1, "abc"), piece(0, "def"), {whole.begin(), whole.end()}});
    overlay.changed[n + 1] = dataPage(jet3, {piece((n + 1) << 8 | 1, "abc"), piece((n + 1) << 8, "def")});
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
