#include "driver/jet/format/JetDefinition.h"
#include "driver/jet/format/JetLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace kervane::jet;

namespace {

void put16(std::vector<unsigned char>& page, int offset, int value)
{
    page[static_cast<std::size_t>(offset)] = static_cast<unsigned char>(value & 0xff);
    page[static_cast<std::size_t>(offset) + 1] = static_cast<unsigned char>(value >> 8);
}

// A Jet 4 data page whose slot table lists `starts`, rows laid from the page end backwards.
std::vector<unsigned char> dataPage(const std::vector<int>& starts)
{
    const PageFormat format = formatFor(false);
    std::vector<unsigned char> page(static_cast<std::size_t>(format.pageSize));
    page[0] = kDataPage;
    put16(page, format.rowCountOffset, static_cast<int>(starts.size()));
    for (std::size_t i = 0; i < starts.size(); ++i)
        put16(page, format.rowCountOffset + 2 + 2 * static_cast<int>(i), starts[i]);
    return page;
}

}  // namespace

TEST(JetLayout, RowSlotsStayInsideThePage)
{
    const PageFormat format = formatFor(false);
    auto page = dataPage({4000, 3900, 0x8000 | 3800, 0x4000 | 3796});
    ASSERT_EQ(rowCount(format, page.data()), 4);
    RowSlot slot;
    ASSERT_TRUE(rowSlot(format, page.data(), 0, slot));
    EXPECT_EQ(slot.start, 4000);
    EXPECT_EQ(slot.size, 96);
    ASSERT_TRUE(rowSlot(format, page.data(), 1, slot));
    EXPECT_EQ(slot.size, 100);
    ASSERT_TRUE(rowSlot(format, page.data(), 2, slot));
    EXPECT_TRUE(slot.deleted);
    ASSERT_TRUE(rowSlot(format, page.data(), 3, slot));
    EXPECT_TRUE(slot.moved);
    EXPECT_FALSE(slot.deleted);
    EXPECT_EQ(slot.size, 4);

    // A row starting inside the slot table, after its successor, or at the page end is refused.
    page = dataPage({10, 3900});
    EXPECT_FALSE(rowSlot(format, page.data(), 0, slot));
    page = dataPage({3000, 3500});
    EXPECT_FALSE(rowSlot(format, page.data(), 1, slot));
    page = dataPage({4096});
    EXPECT_FALSE(rowSlot(format, page.data(), 0, slot));

    // A row count whose slot table would leave the page.
    page = dataPage({});
    put16(page, format.rowCountOffset, 3000);
    EXPECT_EQ(rowCount(format, page.data()), -1);
}

TEST(JetLayout, RowHeaderMustFitTheRow)
{
    const PageFormat jet4 = formatFor(false);
    auto page = dataPage({4080});
    RowSlot slot{4080, 16, false, false};
    put16(page, 4080, 3);                   // three columns, null mask of one byte at the end
    put16(page, 4080 + 16 - 1 - 2, 2);      // two variable columns
    EXPECT_TRUE(rowHeaderFits(jet4, page.data(), slot, true));
    put16(page, 4080 + 16 - 1 - 2, 200);    // offset table would start before the row
    EXPECT_FALSE(rowHeaderFits(jet4, page.data(), slot, true));
    EXPECT_TRUE(rowHeaderFits(jet4, page.data(), slot, false));
    put16(page, 4080, 800);                 // null mask larger than the row
    EXPECT_FALSE(rowHeaderFits(jet4, page.data(), slot, false));

    const PageFormat jet3 = formatFor(true);
    std::vector<unsigned char> page3(2048);
    RowSlot slot3{2040, 8, false, false};
    page3[2040] = 2;                        // two columns
    page3[2047 - 1] = 2;                    // variable-column count just before the mask
    EXPECT_TRUE(rowHeaderFits(jet3, page3.data(), slot3, true));
    page3[2047 - 1] = 250;                  // would make libmdb read far before the row
    EXPECT_FALSE(rowHeaderFits(jet3, page3.data(), slot3, true));
    RowSlot tiny{2047, 1, false, false};
    EXPECT_FALSE(rowHeaderFits(jet3, page3.data(), tiny, false));
}

TEST(JetLayout, UsageMapWalksForwardAndRefusesPagesOutsideTheFile)
{
    const PageFormat format = formatFor(true);
    const UsageMap::PageReader none = [](std::uint32_t, unsigned char*) { return false; };
    // Inline map: first page 10, bits for pages 10, 12 and 42.
    std::vector<unsigned char> inlineMap = {0, 10, 0, 0, 0, 0x05, 0, 0, 0, 0x01};
    UsageMap map(inlineMap, format, 100);
    std::uint32_t page = 0;
    std::string why;
    ASSERT_EQ(map.next(0, none, page, why), UsageMap::Step::Page);
    EXPECT_EQ(page, 10u);
    ASSERT_EQ(map.next(page, none, page, why), UsageMap::Step::Page);
    EXPECT_EQ(page, 12u);
    ASSERT_EQ(map.next(page, none, page, why), UsageMap::Step::Page);
    EXPECT_EQ(page, 42u);
    EXPECT_EQ(map.next(page, none, page, why), UsageMap::Step::End);

    UsageMap shortFile(inlineMap, format, 30);
    page = 12;
    EXPECT_EQ(shortFile.next(page, none, page, why), UsageMap::Step::Damaged);
    EXPECT_NE(why.find("hors du fichier"), std::string::npos);

    // Map kept on map pages: entry 0 names page 5, whose bitmap marks page 7.
    std::map<std::uint32_t, std::vector<unsigned char>> pages;
    pages[5].assign(2048, 0);
    pages[5][0] = kMapPage;
    pages[5][4] = 0x80;
    const UsageMap::PageReader read = [&pages](std::uint32_t number, unsigned char* buffer) {
        auto found = pages.find(number);
        if (found == pages.end())
            return false;
        std::copy(found->second.begin(), found->second.end(), buffer);
        return true;
    };
    UsageMap paged({1, 5, 0, 0, 0}, format, 50);
    ASSERT_EQ(paged.next(0, read, page, why), UsageMap::Step::Page);
    EXPECT_EQ(page, 7u);
    EXPECT_EQ(paged.next(page, read, page, why), UsageMap::Step::End);

    pages[5][0] = kDataPage;  // not a map page any more
    UsageMap wrongKind({1, 5, 0, 0, 0}, format, 50);
    EXPECT_EQ(wrongKind.next(0, read, page, why), UsageMap::Step::Damaged);
    UsageMap beyond({1, 0xff, 0, 0, 0}, format, 50);
    EXPECT_EQ(beyond.next(0, read, page, why), UsageMap::Step::Damaged);
}

TEST(JetLayout, DecimalDigitsReadFromTheColumnDescriptors)
{
    // Jet 4: column count at 45, real-index count at 51, one 12-byte real-index entry from 63,
    // then 25-byte descriptors: type, column number at 5, precision at 11, scale at 12.
    std::vector<unsigned char> definition(63 + 12 + 2 * 25);
    definition[0] = 0x02;
    definition[45] = 2;
    definition[51] = 1;
    const std::size_t first = 63 + 12;
    definition[first] = 0x04;                 // a long integer
    definition[first + 25] = 0x10;            // a decimal
    definition[first + 25 + 5] = 7;
    definition[first + 25 + 11] = 28;
    definition[first + 25 + 12] = 4;
    std::map<int, DecimalDigits> digits;
    ASSERT_TRUE(readDecimalDigits(formatFor(false), definition, digits));
    ASSERT_EQ(digits.size(), 1u);
    EXPECT_EQ(digits[7].precision, 28);
    EXPECT_EQ(digits[7].scale, 4);

    // Descriptors that would run past the definition are refused, not read.
    definition.resize(definition.size() - 1);
    EXPECT_FALSE(readDecimalDigits(formatFor(false), definition, digits));
    definition[51] = 0xff;
    EXPECT_FALSE(readDecimalDigits(formatFor(false), definition, digits));
}

TEST(JetLayout, DefinitionMustHoldItsColumnDescriptorsAndNames)
{
    // Jet 4: no real index, two 25-byte descriptors from 63, then each name after its
    // 2-byte length (UCS-2 text: 2 bytes a letter).
    std::vector<unsigned char> definition(63 + 2 * 25);
    definition[0] = 0x02;
    definition[45] = 2;
    for (const char* name : {"ID", "Nom"}) {
        const std::size_t length = 2 * std::string(name).size();
        definition.push_back(static_cast<unsigned char>(length));
        definition.push_back(0);
        definition.resize(definition.size() + length, 'x');
    }
    EXPECT_TRUE(definitionFits(formatFor(false), definition));

    auto shortened = definition;
    shortened.pop_back();  // the last name runs past the definition
    EXPECT_FALSE(definitionFits(formatFor(false), shortened));
    auto longName = definition;
    longName[63 + 2 * 25] = 0xff;  // the first name says it is 255 bytes long
    EXPECT_FALSE(definitionFits(formatFor(false), longName));
    auto manyIndexes = definition;
    manyIndexes[54] = 0x7f;  // a real-index count of about two thousand million
    EXPECT_FALSE(definitionFits(formatFor(false), manyIndexes));
    for (unsigned columns : {0u, 257u}) {
        auto wrongCount = definition;
        wrongCount[45] = static_cast<unsigned char>(columns & 0xff);
        wrongCount[46] = static_cast<unsigned char>(columns >> 8);
        EXPECT_FALSE(definitionFits(formatFor(false), wrongCount)) << columns << " columns";
    }

    // Jet 3: column count at 25, real-index count at 31, 18-byte descriptors from 43, names
    // after a 1-byte length.
    std::vector<unsigned char> jet3(43 + 18);
    jet3[25] = 1;
    jet3.push_back(2);
    jet3.push_back('I');
    jet3.push_back('D');
    EXPECT_TRUE(definitionFits(formatFor(true), jet3));
    jet3.pop_back();
    EXPECT_FALSE(definitionFits(formatFor(true), jet3));
}
