// The indexes of a table read from its definition: as jetcheck lists them for the genuine test
// files (foreign-key entries left out), and never a read outside a damaged definition.
#include "JetTestSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/index/JetIndexList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

// "name(column, column DESC) primary unique required" for comparisons.
std::vector<std::string> described(const std::vector<jet::JetIndexDefinition>& indexes)
{
    std::vector<std::string> texts;
    for (const jet::JetIndexDefinition& index : indexes) {
        std::string text = index.name + "(";
        for (std::size_t i = 0; i < index.columns.size(); ++i)
            text += (i ? ", " : "") + index.columns[i].name + (index.columns[i].descending ? " DESC" : "");
        text += ")";
        text += index.primary ? " primary" : "";
        text += index.unique ? " unique" : "";
        text += index.required ? " required" : "";
        texts.push_back(text);
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::unique_ptr<jet::JetFile> opened(const std::string& path)
{
    std::string error;
    std::unique_ptr<jet::JetFile> file = jet::JetFile::open(path, error);
    EXPECT_NE(file, nullptr) << error;
    return file;
}

std::vector<std::string> indexesOf(jet::JetFile& file, const std::string& table, long long* rows = nullptr)
{
    std::vector<jet::JetIndexDefinition> indexes;
    long long count = -1;
    EXPECT_TRUE(jet::readTableIndexes(file, table, indexes, count)) << table;
    if (rows != nullptr)
        *rows = count;
    return described(indexes);
}

TEST(JetIndexList, NwindTablesListTheirOwnIndexesWithoutTheRelationshipEntries)
{
    REQUIRE_NWIND(path);
    const auto file = opened(path);
    ASSERT_NE(file, nullptr);
    long long rows = 0;
    EXPECT_EQ(indexesOf(*file, "order details", &rows),
              (std::vector<std::string>{"OrderID(OrderID)", "PrimaryKey(OrderID, ProductID) primary unique required",
                                        "ProductID(ProductID)"}));
    EXPECT_EQ(rows, 2155);
    EXPECT_EQ(indexesOf(*file, "Orders", &rows),
              (std::vector<std::string>{"CustomerID(CustomerID)", "EmployeeID(EmployeeID)", "OrderDate(OrderDate)",
                                        "PrimaryKey(OrderID) primary unique required", "ShipPostalCode(ShipPostalCode)",
                                        "ShippedDate(ShippedDate)"}));
    EXPECT_EQ(rows, 830);
    EXPECT_EQ(indexesOf(*file, "Categories"), (std::vector<std::string>{"CategoryName(CategoryName) unique",
                                                                        "PrimaryKey(CategoryID) primary unique required"}));
    const jet::JetTable* details = file->table("Order Details");
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(jet::requiredColumns(*file, *details), (std::vector<std::string>{"OrderID", "ProductID"}));

    std::vector<jet::JetIndexDefinition> none;
    long long count = 0;
    EXPECT_FALSE(jet::readTableIndexes(*file, "NoSuchTable", none, count));
}

TEST(JetIndexList, DescendingColumnsInJet3AndJet4Files)
{
    REQUIRE_FILE(codes, "jet/testIndexCodesV1997.mdb");
    REQUIRE_FILE(compound, "jet/compIndexTestV2000.mdb");
    REQUIRE_FILE(jet4, "jet/indexTestV2000.mdb");
    const auto jet3File = opened(codes);
    ASSERT_NE(jet3File, nullptr);
    EXPECT_EQ(indexesOf(*jet3File, "Table1_desc"),
              (std::vector<std::string>{"DataIndex(data)", "PrimaryKey(name DESC) primary unique required"}));
    const auto compoundFile = opened(compound);
    ASSERT_NE(compoundFile, nullptr);
    EXPECT_EQ(indexesOf(*compoundFile, "Table1"), (std::vector<std::string>{"CD_AGENTE(CD_AGENTE DESC)"}));
    const auto jet4File = opened(jet4);
    ASSERT_NE(jet4File, nullptr);
    EXPECT_EQ(indexesOf(*jet4File, "Table1"),
              (std::vector<std::string>{"PrimaryKey(id) primary unique required", "id(id)"}));
}

// Every cut of the definition and random changes to its bytes give either no index or a sound
// list: never a read outside the bytes (the reader checks each one) nor a column it does not name.
TEST(JetIndexList, DamagedDefinitionsGiveNoIndexRatherThanAReadOutside)
{
    REQUIRE_NWIND(path);
    const auto file = opened(path);
    ASSERT_NE(file, nullptr);
    const jet::JetTable* table = file->table("Order Details");
    ASSERT_NE(table, nullptr);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(file->definitionBytes(*table, bytes));
    const auto decode = [&](const unsigned char* text, std::size_t size) { return file->decodeText(text, size); };
    std::vector<jet::JetIndexDefinition> whole;
    ASSERT_TRUE(jet::readIndexDefinitions(file->format(), bytes, decode, whole));
    ASSERT_EQ(whole.size(), 3u);

    int refusedCuts = 0;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
        std::vector<jet::JetIndexDefinition> indexes;
        if (!jet::readIndexDefinitions(file->format(), cut, decode, indexes)) {
            EXPECT_TRUE(indexes.empty());
            ++refusedCuts;
        } else {
            EXPECT_EQ(described(indexes), described(whole)) << size;
        }
    }
    EXPECT_GT(refusedCuts, 100);

    std::mt19937 random(20261206);
    for (int round = 0; round < 2000; ++round) {
        std::vector<unsigned char> changed = bytes;
        for (int k = 0; k < 4; ++k)
            changed[random() % 1024] = static_cast<unsigned char>(random());
        std::vector<jet::JetIndexDefinition> indexes;
        if (!jet::readIndexDefinitions(file->format(), changed, decode, indexes))
            continue;
        for (const jet::JetIndexDefinition& index : indexes)
            for (const jet::JetIndexColumn& column : index.columns)
                EXPECT_FALSE(column.name.empty());
    }
}

}  // namespace
