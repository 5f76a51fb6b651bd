// Usage maps reaching pages beyond their range, on pages laid out as Jet lays them: a data
// page's rows end where the row before them starts, an inline map (type 0) holds its first
// page then one bit per page, a reference map (type 1) the numbers of map pages (type 0x05,
// then 0x01 and two zeros, then one bit per page), and the file's map of unowned pages (page 1,
// row 0) marks free pages with a set bit, the pages past the file's end among them.
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetUsageMap.h"
#include "tests/support/DonneesTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace kervane;
using namespace kervane::test;
namespace datapage = jet::datapage;

namespace {

constexpr std::size_t kPage = 4096;

std::vector<unsigned char> bytesOf(const unsigned char* page, const datapage::Slot& slot)
{
    return {page + slot.start, page + slot.end};
}

// An inline map row: its first page, then `bytes` bytes with the bits of `marked`.
std::vector<unsigned char> inlineMap(std::uint32_t first, int bytes, const std::vector<std::uint32_t>& marked)
{
    std::vector<unsigned char> row(5 + static_cast<std::size_t>(bytes), 0);
    for (int i = 0; i < 4; ++i)
        row[1 + i] = static_cast<unsigned char>((first >> (8 * i)) & 0xff);
    for (std::uint32_t page : marked)
        row[5 + (page - first) / 8] |= static_cast<unsigned char>(1u << ((page - first) % 8));
    return row;
}

// A Jet 4 file of `pages` pages: page 1 holds the map of unowned pages (every page from
// `pages` on free, 512 pages in reach), page 2 the maps of a table given by `maps`.
MemoryPages fileWithMaps(std::uint32_t pages, const std::vector<std::vector<unsigned char>>& maps)
{
    std::vector<unsigned char> bytes(pages * kPage, 0);
    std::vector<std::uint32_t> free;
    for (std::uint32_t page = pages; page < 512; ++page)
        free.push_back(page);
    datapage::initialise(bytes.data() + kPage, 0);
    datapage::add(bytes.data() + kPage, inlineMap(0, 64, free), 0);
    datapage::initialise(bytes.data() + 2 * kPage, 0);
    for (const auto& map : maps)
        datapage::add(bytes.data() + 2 * kPage, map, 0);
    return MemoryPages(std::move(bytes));
}

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

unsigned char mapType(jet::JetPages& pages, jet::JetRowId where)
{
    datapage::Slot slot;
    EXPECT_TRUE(datapage::slot(pages.read(where.page), where.row, slot));
    return pages.read(where.page)[slot.start];
}

}  // namespace

TEST(JetDataPageRows, ARowGrowsAtItsEndAndTheRowsBelowMoveDownWithTheirFlags)
{
    std::vector<unsigned char> page(kPage);
    datapage::initialise(page.data(), 7);
    const std::vector<unsigned char> first{1, 2, 3};
    const std::vector<unsigned char> second{4, 5, 6, 7};
    const std::vector<unsigned char> third{8, 9};
    datapage::add(page.data(), first, 0);
    datapage::add(page.data(), second, datapage::kDeleted);
    datapage::add(page.data(), third, datapage::kOverflow);
    const int freeBefore = datapage::freeSpace(page.data());

    ASSERT_TRUE(datapage::canGrow(page.data(), 1, 5));
    datapage::grow(page.data(), 1, 5);

    datapage::Slot slot;
    ASSERT_TRUE(datapage::slot(page.data(), 0, slot));
    EXPECT_EQ(slot.end, static_cast<int>(kPage));
    EXPECT_EQ(bytesOf(page.data(), slot), first);
    ASSERT_TRUE(datapage::slot(page.data(), 1, slot));
    EXPECT_EQ(bytesOf(page.data(), slot), (std::vector<unsigned char>{4, 5, 6, 7, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(slot.deleted);
    ASSERT_TRUE(datapage::slot(page.data(), 2, slot));
    EXPECT_EQ(bytesOf(page.data(), slot), third);
    EXPECT_TRUE(slot.overflow);
    EXPECT_EQ(datapage::freeSpace(page.data()), freeBefore - 5);
    // No more than the page's free space, and only rows it has.
    EXPECT_FALSE(datapage::canGrow(page.data(), 0, datapage::freeSpace(page.data()) + 1));
    EXPECT_FALSE(datapage::canGrow(page.data(), 3, 1));
}

TEST(JetUsageMaps, AnInlineMapStartsFurtherUpWhenWhatItMarksStillFits)
{
    // 64 pages in reach from page 0; it marks 40 and 41; the page it holds is full.
    MemoryPages pages = fileWithMaps(120, {inlineMap(0, 8, {40, 41})});
    unsigned char* holder = pages.change(2);
    datapage::add(holder, std::vector<unsigned char>(static_cast<std::size_t>(datapage::freeSpace(holder) - 2), 0xaa), 0);
    ASSERT_EQ(datapage::freeSpace(pages.read(2)), 0);

    jet::JetUsageMap map;
    std::string error;
    ASSERT_TRUE(jet::JetUsageMap::open(pages, {2, 0}, map, error)) << error;
    EXPECT_FALSE(map.covers(100));
    int extra = -1;
    EXPECT_TRUE(map.canReach(100, extra));
    EXPECT_EQ(extra, 0);
    ASSERT_TRUE(map.set(100, true));
    EXPECT_EQ(marked(pages, {2, 0}), (std::vector<std::uint32_t>{40, 41, 100}));
    // Its first page is a multiple of 8, at or below the lowest page it marks.
    datapage::Slot slot;
    ASSERT_TRUE(datapage::slot(pages.read(2), 0, slot));
    EXPECT_EQ(pages.read(2)[slot.start + 1], 40);
    // 40 to 104 is as far as 8 bytes reach: page 104 cannot be marked without room.
    EXPECT_FALSE(map.canReach(104, extra));
}

TEST(JetUsageMaps, AnInlineMapGrowsOnItsPageAndItsNeighbourKeepsWhatItMarks)
{
    MemoryPages pages = fileWithMaps(300, {inlineMap(0, 8, {0, 5}), inlineMap(0, 8, {3, 60})});
    ASSERT_TRUE(jet::appendMappedPage(pages, {{2, 0}, {2, 1}}) == 300);

    EXPECT_EQ(marked(pages, {2, 0}), (std::vector<std::uint32_t>{0, 5, 300}));
    EXPECT_EQ(marked(pages, {2, 1}), (std::vector<std::uint32_t>{3, 60, 300}));
    EXPECT_EQ(mapType(pages, {2, 0}), 0x00);
    // The new page is no longer free; the pages from the file's end on still are.
    EXPECT_FALSE(marks(pages, {1, 0}, 300));
    EXPECT_TRUE(marks(pages, {1, 0}, 301));
    EXPECT_TRUE(marks(pages, {1, 0}, 511));
    // A page of the table released goes back to the unowned pages.
    jet::releaseMappedPage(pages, {2, 0}, 5);
    EXPECT_EQ(marked(pages, {2, 0}), (std::vector<std::uint32_t>{0, 300}));
    EXPECT_TRUE(marks(pages, {1, 0}, 5));
}

TEST(JetUsageMaps, TheMapOfUnownedPagesGrowsAndMarksThePagesPastTheEndFree)
{
    MemoryPages pages = fileWithMaps(511, {inlineMap(0, 8, {})});
    ASSERT_EQ(jet::appendMappedPage(pages, {{2, 0}}), 511u);
    const std::uint32_t outside = jet::appendMappedPage(pages, {{2, 0}});
    ASSERT_EQ(outside, 512u);  // past the 512 pages it reached

    EXPECT_FALSE(marks(pages, {1, 0}, 511));
    EXPECT_FALSE(marks(pages, {1, 0}, 512));
    EXPECT_TRUE(marks(pages, {1, 0}, 513));
    EXPECT_EQ(marked(pages, {2, 0}), (std::vector<std::uint32_t>{511, 512}));
    // Its first page stays 0: pages below its range would read as free to Access.
    datapage::Slot slot;
    ASSERT_TRUE(datapage::slot(pages.read(1), 0, slot));
    EXPECT_EQ(pages.read(1)[slot.start], 0x00);
    EXPECT_EQ(pages.read(1)[slot.start + 1], 0);
    EXPECT_GT(slot.size(), 5 + 64);
}

TEST(JetUsageMaps, MapsThatCannotGrowTogetherMoveToMapPagesOfTheirOwn)
{
    // Two maps spread over 0..60 share a page with room for one of them to grow to page 300.
    MemoryPages pages = fileWithMaps(200, {inlineMap(0, 8, {0, 60}), inlineMap(0, 8, {1, 61})});
    unsigned char* holder = pages.change(2);
    datapage::add(holder, std::vector<unsigned char>(static_cast<std::size_t>(datapage::freeSpace(holder) - 2 - 40), 0xaa), 0);

    std::string error;
    ASSERT_TRUE(jet::prepareMaps(pages, {{2, 0}, {2, 1}}, 300, error)) << error;

    // One is a reference map now, on a map page appended for it and owned by no one.
    const bool first = mapType(pages, {2, 0}) == 0x01;
    const bool second = mapType(pages, {2, 1}) == 0x01;
    ASSERT_NE(first, second);
    const jet::JetRowId moved = first ? jet::JetRowId{2, 0} : jet::JetRowId{2, 1};
    datapage::Slot slot;
    ASSERT_TRUE(datapage::slot(pages.read(2), moved.row, slot));
    const unsigned char* row = pages.read(2) + slot.start;
    const std::uint32_t mapPage = row[1] | (row[2] << 8) | (row[3] << 16) | (static_cast<std::uint32_t>(row[4]) << 24);
    ASSERT_GE(mapPage, 200u);
    EXPECT_EQ(pages.read(mapPage)[0], 0x05);
    EXPECT_EQ(pages.read(mapPage)[1], 0x01);
    EXPECT_FALSE(marks(pages, {1, 0}, mapPage));
    EXPECT_EQ(marked(pages, moved), first ? (std::vector<std::uint32_t>{0, 60}) : (std::vector<std::uint32_t>{1, 61}));

    // Both reach page 300 now and keep what they marked.
    const std::uint32_t added = jet::appendMappedPage(pages, {{2, 0}, {2, 1}});
    ASSERT_NE(added, 0u);
    EXPECT_EQ(marked(pages, {2, 0}), (std::vector<std::uint32_t>{0, 60, added}));
    EXPECT_EQ(marked(pages, {2, 1}), (std::vector<std::uint32_t>{1, 61, added}));
}

TEST(JetUsageMaps, AMapThatCannotReachAPageRefusesItAndChangesNothing)
{
    // Spread over 64 pages with no room on its page: neither moving nor growing reaches 300.
    MemoryPages pages = fileWithMaps(300, {inlineMap(0, 8, {0, 63})});
    unsigned char* holder = pages.change(2);
    datapage::add(holder, std::vector<unsigned char>(static_cast<std::size_t>(datapage::freeSpace(holder) - 2), 0xaa), 0);
    const std::vector<unsigned char> before = pages.bytes();

    EXPECT_FALSE(jet::mapsCoverPage(pages, {{2, 0}}, 300));
    EXPECT_EQ(pages.bytes(), before);
}

TEST(JetUsageMaps, TheMapOfUnownedPagesMovesToAMapPageWhenPageOneIsFull)
{
    MemoryPages pages = fileWithMaps(500, {inlineMap(0, 8, {})});
    jet::releaseMappedPage(pages, {2, 0}, 7);  // one free page inside the file
    unsigned char* first = pages.change(1);
    datapage::add(first, std::vector<unsigned char>(static_cast<std::size_t>(datapage::freeSpace(first) - 2), 0xaa), 0);

    std::string error;
    ASSERT_TRUE(jet::prepareMaps(pages, {{2, 0}}, 600, error)) << error;
    ASSERT_EQ(mapType(pages, {1, 0}), 0x01);
    const std::uint32_t mapPage = 500;  // appended for it
    EXPECT_EQ(pages.read(mapPage)[0], 0x05);
    // Free stays free, used stays used, the map page is used, and every page past the end is free.
    EXPECT_TRUE(marks(pages, {1, 0}, 7));
    EXPECT_FALSE(marks(pages, {1, 0}, 8));
    EXPECT_FALSE(marks(pages, {1, 0}, mapPage));
    EXPECT_TRUE(marks(pages, {1, 0}, 501));
    EXPECT_TRUE(marks(pages, {1, 0}, (kPage - 4) * 8 - 1));
    EXPECT_EQ(jet::appendMappedPage(pages, {{2, 0}}), 501u);
    EXPECT_FALSE(marks(pages, {1, 0}, 501));
}

// nwind marks free some pages Access's tables left. With every other free page taken out of the
// map, only a page nothing reaches comes back: never a page a table still lists, a long value's
// page or an index page.
TEST(JetUsageMaps, OnlyPagesNothingReachesAreTakenBack)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
    std::string error;
    auto file = jet::JetFile::open(nwind, error);
    ASSERT_NE(file, nullptr) << error;
    std::ifstream in(nwind, std::ios::binary);
    MemoryPages pages({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, 2048);
    jet::JetTableLayout orders;
    ASSERT_TRUE(jet::readTableLayout(pages, file->table("Orders")->definitionPage, orders, error)) << error;
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
