// Column design properties (default value, required) read from a property value laid out as
// mdbtools' HACKING.md describes it: a "KKD"/"MR2" mark, a chunk of property names, then one
// chunk of values per column; and nothing at all from a damaged value.
#include "driver/jet/catalogue/JetColumnProperties.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace jet = kervane::jet;

namespace {

void put16(std::vector<unsigned char>& bytes, unsigned value)
{
    bytes.push_back(static_cast<unsigned char>(value & 0xff));
    bytes.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(std::vector<unsigned char>& bytes, std::uint32_t value)
{
    put16(bytes, value & 0xffff);
    put16(bytes, value >> 16);
}

void putText(std::vector<unsigned char>& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

std::vector<unsigned char> chunk(unsigned kind, const std::vector<unsigned char>& body)
{
    std::vector<unsigned char> bytes;
    put32(bytes, static_cast<std::uint32_t>(body.size() + 6));
    put16(bytes, kind);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

struct Property {
    unsigned nameIndex;
    unsigned char type;
    std::string value;
};

std::vector<unsigned char> columnBlock(const std::string& column, const std::vector<Property>& properties)
{
    std::vector<unsigned char> block;
    put32(block, 0);  // the block's length, patched below
    put16(block, static_cast<unsigned>(column.size()));
    putText(block, column);
    for (const Property& property : properties) {
        put16(block, static_cast<unsigned>(8 + property.value.size()));
        block.push_back(0);  // not a DDL property
        block.push_back(property.type);
        put16(block, property.nameIndex);
        put16(block, static_cast<unsigned>(property.value.size()));
        putText(block, property.value);
    }
    const auto size = static_cast<std::uint32_t>(block.size());
    for (int i = 0; i < 4; ++i)
        block[static_cast<std::size_t>(i)] = static_cast<unsigned char>(size >> (8 * i));
    return block;
}

// "KKD", the names Required, DefaultValue and Format, the table's own block, then two columns.
std::vector<unsigned char> sampleValue()
{
    std::vector<unsigned char> value{'K', 'K', 'D', 0};
    std::vector<unsigned char> names;
    for (const std::string name : {"Required", "DefaultValue", "Format"}) {
        put16(names, static_cast<unsigned>(name.size()));
        putText(names, name);
    }
    for (const auto& part : {chunk(0x80, names), chunk(0x00, columnBlock("Commandes", {{2, 10, "Long"}})),
                             chunk(0x01, columnBlock("Quantite", {{1, 12, "1"}, {0, 1, std::string(1, '\x01')}})),
                             chunk(0x01, columnBlock("Ville", {{0, 1, std::string(1, '\0')}, {1, 12, "\"Lyon\""}}))})
        value.insert(value.end(), part.begin(), part.end());
    return value;
}

const jet::TextDecoder plain = [](const unsigned char* text, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(text), size);
};

TEST(JetColumnProperties, DefaultsAndRequiredColumnsByName)
{
    std::map<std::string, jet::ColumnProperties> columns;
    ASSERT_TRUE(jet::readColumnProperties(sampleValue(), plain, columns));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns["Quantite"].defaultValue, "1");
    EXPECT_TRUE(columns["Quantite"].required);
    EXPECT_EQ(columns["Ville"].defaultValue, "\"Lyon\"");
    EXPECT_FALSE(columns["Ville"].required);

    // Not a property value at all.
    EXPECT_FALSE(jet::readColumnProperties({'M', 'Z', 0, 0, 1, 2}, plain, columns));
    EXPECT_TRUE(columns.empty());
}

TEST(JetColumnProperties, EveryCutOrWrongLengthGivesNothingRatherThanAReadOutside)
{
    const std::vector<unsigned char> whole = sampleValue();
    std::map<std::string, jet::ColumnProperties> complete;
    ASSERT_TRUE(jet::readColumnProperties(whole, plain, complete));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::map<std::string, jet::ColumnProperties> columns;
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        // A cut between two chunks is a shorter, sound value; any other is refused whole.
        if (jet::readColumnProperties(cut, plain, columns))
            EXPECT_LE(columns.size(), complete.size()) << size;
        else
            EXPECT_TRUE(columns.empty()) << size;
    }
    for (std::size_t at = 4; at < whole.size(); ++at) {
        std::vector<unsigned char> changed = whole;
        changed[at] = 0xff;
        std::map<std::string, jet::ColumnProperties> columns;
        jet::readColumnProperties(changed, plain, columns);  // must only stay inside the bytes
        for (const auto& [name, properties] : columns) {
            if (properties.defaultValue) {
                EXPECT_LE(properties.defaultValue->size(), whole.size());
            }
        }
    }
}

}  // namespace
