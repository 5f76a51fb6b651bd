// Damaged pages the row writer meets, each as the one case that showed how it went wrong: the
// page or the file must be refused or left alone, never written further.
#include "JetDamage.h"
#include "JetDamageCase.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kervane;
using namespace kervane::test;
using jet::JetRowId;

namespace {

void putWord(unsigned char* page, int at, int value)
{
    page[at] = static_cast<unsigned char>(value & 0xff);
    page[at + 1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

// A data page of table 7 holding rows of 100 and 200 bytes (at 3996 and 3796).
std::vector<unsigned char> pageOfTwoRows()
{
    std::vector<unsigned char> page(4096);
    jet::datapage::initialise(page.data(), 7);
    jet::datapage::add(page.data(), std::vector<unsigned char>(100, 1), 0);
    jet::datapage::add(page.data(), std::vector<unsigned char>(200, 2), 0);
    return page;
}

// A new row goes below the last one: only a page whose offsets go down in order, within the
// page, can take it without overwriting rows or writing past its end.
TEST(JetDamagedPages, PagesWithOffsetsOutOfOrderTakeNoRow)
{
    namespace dp = jet::datapage;
    auto page = pageOfTwoRows();
    ASSERT_TRUE(dp::fits(page.data(), 50));
    putWord(page.data(), jet::jet4FileFormat().pageFirstSlot + 2, 5000);  // the last row beyond the page's end
    EXPECT_FALSE(dp::fits(page.data(), 50));
    putWord(page.data(), jet::jet4FileFormat().pageFirstSlot + 2, 4000);  // the last row above the one before
    EXPECT_FALSE(dp::fits(page.data(), 50));
    page = pageOfTwoRows();
    putWord(page.data(), jet::jet4FileFormat().pageFirstSlot, 3000);  // the first row below the last
    EXPECT_FALSE(dp::fits(page.data(), 50));
    page = pageOfTwoRows();
    putWord(page.data(), jet::jet4FileFormat().pageFirstSlot + 2, 10 | dp::kDeleted);  // into the offset table
    EXPECT_FALSE(dp::fits(page.data(), 50));
}

// Rows sharing bytes: writing one would change the other, so neither is given out.
TEST(JetDamagedPages, RowsOfAPageWithOverlappingRowsNotGivenOut)
{
    namespace dp = jet::datapage;
    auto page = pageOfTwoRows();
    dp::Slot slot;
    ASSERT_TRUE(dp::slot(page.data(), 0, slot));
    putWord(page.data(), jet::jet4FileFormat().pageFirstSlot + 2, 4000);  // the second row inside the first
    EXPECT_FALSE(dp::slot(page.data(), 0, slot));
    EXPECT_FALSE(dp::slot(page.data(), 1, slot));
}

using DamagedTable = NoIndexFileTest;

// The writer leaves a data page whose offsets are out of order as it is: the row goes to a new page.
TEST_F(DamagedTable, RowsGoPastADamagedPage)
{
    const std::uint32_t definition = tableDefinitionPage(m_path, "Mesures");
    TableMap map;
    std::string error;
    ASSERT_TRUE(mapTable(readBytes(m_path), definition, map, error)) << error;
    ASSERT_EQ(map.dataPages.size(), 1u);
    MemoryPages pages(readBytes(m_path));
    unsigned char* damaged = pages.change(map.dataPages[0]);
    const int second = damaged[jet::jet4FileFormat().pageFirstSlot + 2] | (damaged[jet::jet4FileFormat().pageFirstSlot + 3] << 8);
    putWord(damaged, jet::jet4FileFormat().pageFirstSlot, second - 8);  // the first row now starts below the second
    const std::vector<unsigned char> before(damaged, damaged + 4096);
    jet::JetTableWriter writer;
    ASSERT_TRUE(jet::JetTableWriter::open(pages, definition, "Mesures", writer, error)) << error;
    JetRowId at;
    ASSERT_TRUE(writer.insert(sampleRow(writer.layout(), 0), at, error)) << error;
    EXPECT_NE(at.page, map.dataPages[0]);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), pages.read(map.dataPages[0])));
}

// A counter set back below the number of rows: a new row would repeat a number a row holds.
TEST_F(DamagedTable, AutoNumberCounterSetBack)
{
    const std::uint32_t definition = tableDefinitionPage(m_path, "Mesures");
    auto bytes = readBytes(m_path);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(definition * 4096 + jet::tdef::kAutoNumber), 4, 0);
    writeBytes(m_path, bytes);
    const bool inserted = changeInTransaction(m_path, definition, "Mesures", [](jet::JetTableWriter& writer, std::string& error) {
        JetRowId at;
        return writer.insert(sampleRow(writer.layout(), 0), at, error);
    }, "compteur remis à zéro");
    EXPECT_FALSE(inserted);
}

// A file cut short loses pages its tables' maps still mark: a page appended in their place
// would take the number of a lost page (of rows or of long values) the maps and the rows
// still point at. Changes to such a table are refused, the short file left as it is.
TEST_F(DamagedTable, TablesOfAFileCutShortRefused)
{
    const std::uint32_t definition = tableDefinitionPage(m_path, "Mesures");
    auto insert = [](std::size_t longBytes) {
        return [longBytes](jet::JetTableWriter& writer, std::string& error) {
            JetRowId at;
            return writer.insert(sampleRow(writer.layout(), longBytes), at, error);
        };
    };
    // A long value on a page of its own, at the end of the file, then a data page after it.
    ASSERT_TRUE(changeInTransaction(m_path, definition, "Mesures", insert(3000), "mémo"));
    const auto withLongValue = readBytes(m_path);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(changeInTransaction(m_path, definition, "Mesures", insert(0), "ligne"));
    TableMap map;
    std::string error;
    ASSERT_TRUE(mapTable(readBytes(m_path), definition, map, error)) << error;
    ASSERT_EQ(map.dataPages.size(), 2u);
    ASSERT_EQ(map.dataPages.back() * 4096u, withLongValue.size());
    ASSERT_LT(map.longValuePages.back(), map.dataPages.back());
    // Cut before the second data page, then before the long-value page.
    for (std::size_t size : {withLongValue.size(), std::size_t{map.longValuePages.back()} * 4096u}) {
        auto bytes = readBytes(m_path);
        bytes.resize(size);
        writeBytes(m_path, bytes);
        EXPECT_FALSE(changeInTransaction(m_path, definition, "Mesures", insert(0), "coupé à " + std::to_string(size)));
        EXPECT_FALSE(changeInTransaction(m_path, definition, "Mesures", insert(3000), "coupé à " + std::to_string(size)));
    }
}

// A row whose bytes another row of its page claims is neither changed nor deleted.
TEST_F(DamagedTable, RowsOverlappingOthersLeftAlone)
{
    const std::uint32_t definition = tableDefinitionPage(m_path, "Mesures");
    TableMap map;
    std::string error;
    ASSERT_TRUE(mapTable(readBytes(m_path), definition, map, error)) << error;
    MemoryPages pages(readBytes(m_path));
    unsigned char* damaged = pages.change(map.dataPages[0]);
    const int first = damaged[jet::jet4FileFormat().pageFirstSlot] | (damaged[jet::jet4FileFormat().pageFirstSlot + 1] << 8);
    putWord(damaged, jet::jet4FileFormat().pageFirstSlot + 2, first + 4);  // the second row inside the first
    const std::vector<unsigned char> before = pages.bytes();
    jet::JetTableWriter writer;
    ASSERT_TRUE(jet::JetTableWriter::open(pages, definition, "Mesures", writer, error)) << error;
    EXPECT_FALSE(writer.update({map.dataPages[0], 0}, sampleRow(writer.layout(), 0), error));
    EXPECT_TRUE(frenchMessage(error)) << error;
    EXPECT_FALSE(writer.remove({map.dataPages[0], 0}, error));
    EXPECT_TRUE(pages.bytes() == before);
}

// A moved row's data is flagged deleted, so that scans pass it by: a pointer to a row scans
// meet leads to another row, whose bytes and long values a change would take as this one's.
TEST_F(DamagedTable, MovedRowPointingAtAnotherRowLeftAlone)
{
    const std::uint32_t definition = tableDefinitionPage(m_path, "Mesures");
    TableMap map;
    std::string error;
    ASSERT_TRUE(mapTable(readBytes(m_path), definition, map, error)) << error;
    const std::uint32_t number = map.dataPages[0];
    MemoryPages pages(readBytes(m_path));
    unsigned char* page = pages.change(number);
    jet::datapage::Slot first;
    ASSERT_TRUE(jet::datapage::slot(page, 0, first));
    const unsigned char pointer[4] = {1, static_cast<unsigned char>(number & 0xff),
                                      static_cast<unsigned char>((number >> 8) & 0xff),
                                      static_cast<unsigned char>((number >> 16) & 0xff)};
    std::copy(pointer, pointer + 4, page + first.start);  // row 0 now says it lies at row 1
    jet::datapage::flag(page, 0, jet::datapage::kOverflow);
    const std::vector<unsigned char> before = pages.bytes();
    jet::JetTableWriter writer;
    ASSERT_TRUE(jet::JetTableWriter::open(pages, definition, "Mesures", writer, error)) << error;
    EXPECT_FALSE(writer.update({number, 0}, sampleRow(writer.layout(), 3000), error));
    EXPECT_TRUE(frenchMessage(error)) << error;
    EXPECT_FALSE(writer.remove({number, 0}, error));
    EXPECT_TRUE(pages.bytes() == before);
}

}  // namespace
