// The pages a table may take back from the map of unowned pages, on the genuine nwind file.
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetUsageMap.h"
#include "tests/support/DonneesTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace kervane;
using namespace kervane::test;

namespace {

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

}  // namespace

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
