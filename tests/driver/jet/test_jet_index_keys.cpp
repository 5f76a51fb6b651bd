// Index keys of Jet 4 files as Access lays them: numbers, dates and Yes/No in both orders,
// Null, texts in the General sort order; and texts decoded from rows.
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "JetWriterSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace kervane;

namespace {

using Bytes = std::vector<unsigned char>;
using test::stored;

Bytes keyOf(jet::JetType type, bool descending, const Bytes& value)
{
    Bytes key;
    EXPECT_TRUE(jet::appendKeyColumn(key, type, descending, value.empty() ? nullptr : value.data()));
    return key;
}

}  // namespace

// The documented layout: a flag byte (0x7f value / 0x00 Null ascending, 0x80 / 0xff
// descending), the value most significant byte first, signed integers with their sign bit
// flipped, floating point with the sign bit flipped when positive and every bit when negative,
// Byte as it is, descending keys with every value bit inverted.
TEST(JetIndexKeys, ValuesLaidAsDocumented)
{
    using jet::JetType;
    const std::tuple<JetType, bool, Bytes, Bytes> cases[] = {
        {JetType::Long, false, stored<std::int32_t>(1), {0x7f, 0x80, 0x00, 0x00, 0x01}},
        {JetType::Long, false, stored<std::int32_t>(-1), {0x7f, 0x7f, 0xff, 0xff, 0xff}},
        {JetType::Long, true, stored<std::int32_t>(1), {0x80, 0x7f, 0xff, 0xff, 0xfe}},
        {JetType::Integer, false, stored<std::int16_t>(0x1234), {0x7f, 0x92, 0x34}},
        {JetType::Byte, false, stored<std::uint8_t>(200), {0x7f, 0xc8}},
        {JetType::Byte, true, stored<std::uint8_t>(200), {0x80, 0x37}},
        {JetType::Double, false, stored<double>(1.0), {0x7f, 0xbf, 0xf0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {JetType::Double, false, stored<double>(-1.0), {0x7f, 0x40, 0x0f, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}},
        {JetType::Single, false, stored<float>(2.0f), {0x7f, 0xc0, 0x00, 0x00, 0x00}},
        {JetType::Currency, false, stored<std::int64_t>(10000), {0x7f, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x27, 0x10}},
        // Replication IDs as testIndexCodesV1997.mdb keys them: {0FC49B7B-E656-4228-AEDC-DF8BDF4C4A64}
        // in Table13 (ascending), {D018A757-5DA6-4189-9E30-485031D4C252} in Table13_desc.
        {JetType::Guid, false, {0x7b, 0x9b, 0xc4, 0x0f, 0x56, 0xe6, 0x28, 0x42, 0xae, 0xdc, 0xdf, 0x8b, 0xdf, 0x4c, 0x4a, 0x64},
         {0x7f, 0x0f, 0xc4, 0x9b, 0x7b, 0xe6, 0x56, 0x42, 0x28, 0x09, 0xae, 0xdc, 0xdf, 0x8b, 0xdf, 0x4c, 0x4a, 0x64, 0x08}},
        {JetType::Guid, true, {0x57, 0xa7, 0x18, 0xd0, 0xa6, 0x5d, 0x89, 0x41, 0x9e, 0x30, 0x48, 0x50, 0x31, 0xd4, 0xc2, 0x52},
         {0x80, 0x2f, 0xe7, 0x58, 0xa8, 0xa2, 0x59, 0xbe, 0x76, 0x09, 0x61, 0xcf, 0xb7, 0xaf, 0xce, 0x2b, 0x3d, 0xad, 0xf7}},
        {JetType::Long, false, {}, {0x00}},
        {JetType::Double, true, {}, {0xff}}};
    for (const auto& [type, descending, value, key] : cases)
        EXPECT_EQ(keyOf(type, descending, value), key) << static_cast<int>(type) << (descending ? " desc" : "");
    Bytes yes, no;
    jet::appendKeyColumn(yes, JetType::Boolean, false, nullptr, true);
    jet::appendKeyColumn(no, JetType::Boolean, true, nullptr, false);
    EXPECT_EQ(yes, (Bytes{0x7f, 0x00}));
    EXPECT_EQ(no, (Bytes{0x80, 0x00}));
    Bytes text;
    EXPECT_FALSE(jet::appendKeyColumn(text, JetType::Text, false, nullptr));
    EXPECT_TRUE(text.empty());
}

namespace {

Bytes textKey(const std::u16string& text, bool descending = false)
{
    Bytes key;
    EXPECT_TRUE(jet::appendTextKeyColumn(key, &text, descending)) << "texte de " << text.size() << " caractères";
    return key;
}

}  // namespace

// The General sort order ignores case and trailing spaces, folds ligatures into their letters
// and a combining accent into its letter; a descending Null is 0xff.
TEST(JetIndexKeys, TextKeysEqualWhereTheSortOrderSaysSo)
{
    EXPECT_EQ(textKey(u"pUB 12  "), textKey(u"Pub 12"));
    EXPECT_EQ(textKey(u"Œuvre"), textKey(u"OEUVRE"));
    EXPECT_EQ(textKey(u"Straße"), textKey(u"strasse"));
    EXPECT_EQ(textKey(u"e\u0301"), textKey(u"é"));
    EXPECT_NE(textKey(u"e"), textKey(u"é"));
    Bytes null;
    ASSERT_TRUE(jet::appendTextKeyColumn(null, nullptr, true));
    EXPECT_EQ(null, Bytes{0xff});
}

// Every character of Latin-1 and Latin Extended-A but NUL has a code; characters Access writes
// as nothing and surrogates have none, so a text holding one has no key. Only the first 255
// characters count.
TEST(JetIndexKeys, TextKeysOfUnknownCharactersRefused)
{
    for (char16_t c = 1; c <= 0x17f; ++c)
        EXPECT_TRUE(jet::textKeyKnown(std::u16string(1, c))) << "caractère " << static_cast<int>(c);
    for (const std::u16string& unknown : {std::u16string(u"a\0b", 3), std::u16string(u"\u1f00"),
                                         std::u16string(u"\u0378"), std::u16string(u"rire \U0001F600")}) {
        Bytes none;
        EXPECT_FALSE(jet::textKeyKnown(unknown));
        EXPECT_FALSE(jet::appendTextKeyColumn(none, &unknown, false));
        EXPECT_FALSE(jet::appendTextKeyColumn(none, &unknown, true));
        EXPECT_TRUE(none.empty());
    }
    const std::u16string longText = std::u16string(255, u'a') + u"\u1f00";
    EXPECT_TRUE(jet::textKeyKnown(longText));
    EXPECT_EQ(textKey(longText), textKey(std::u16string(255, u'a')));
}

// A text column's key from a row is known in the two General sort orders (1033): "General -
// Legacy" (version 0) and "General" (version 1), whose codes differ; not in a national one (1053).
// In "General" (Jackcess's index_codes_gen.txt) é is 0E21 with accent 0E, and t is 0E99.
TEST(JetIndexKeys, TextKeysOnlyInTheGeneralSortOrders)
{
    jet::JetTableLayout layout;
    layout.maxColumns = 1;
    layout.variableColumns = 1;
    jet::JetLayoutColumn column;
    column.name = "Nom";
    column.length = 100;
    column.flags = 0x02;  // variable length
    layout.columns.push_back(column);
    Bytes row;
    std::string error;
    ASSERT_TRUE(jet::encodeRow(layout, {jet::JetFieldValue::of(std::string("été"))}, 0, row, error)) << error;
    const Bytes general{0x7f, 0x0e, 0x21, 0x0e, 0x99, 0x0e, 0x21, 0x01, 0x0e, 0x02, 0x0e, 0x00};
    const std::vector<std::tuple<int, int, Bytes>> orders{
        {1033, 0, textKey(u"été")}, {1033, 1, general}, {1053, 0, {}}, {0, 0, {}}, {1033, 2, {}}};
    for (const auto& [number, version, expected] : orders) {
        layout.columns[0].sortOrder = number;
        layout.columns[0].sortVersion = version;
        Bytes key;
        EXPECT_EQ(jet::rowIndexKey(row, {{&layout.columns[0], false}}, key), !expected.empty())
            << number << " v" << version;
        EXPECT_EQ(key, expected) << number << " v" << version;
    }
}

// Rows store text compressed (0xFF 0xFE, one byte a character, 0 switching to two) or not.
TEST(JetIndexKeys, RowTextsDecoded)
{
    std::u16string decoded;
    const Bytes compressed{0xff, 0xfe, 'a', 'b', 0x00, 0xac, 0x20, 0x00, 'c'};
    ASSERT_TRUE(jet::decodeRowText(compressed.data(), compressed.size(), decoded));
    EXPECT_EQ(decoded, u"ab\u20acc");
    const Bytes wide{'O', 0, 'k', 0};
    ASSERT_TRUE(jet::decodeRowText(wide.data(), wide.size(), decoded));
    EXPECT_EQ(decoded, u"Ok");
}

// Keys compared byte by byte sort as the values: Null first ascending and last descending.
TEST(JetIndexKeys, KeysSortAsTheirValues)
{
    using jet::JetType;
    const std::vector<double> doubles{-1e300, -2.5, -1.0, -1e-300, 0.0, 1e-300, 0.5, 1.0, 3.0, 1e300};
    const std::vector<std::int32_t> longs{INT32_MIN, -65536, -1, 0, 1, 255, 65536, INT32_MAX};
    for (const bool descending : {false, true}) {
        std::vector<Bytes> keys{keyOf(JetType::Double, descending, {})};
        for (double d : doubles)
            keys.push_back(keyOf(JetType::Double, descending, stored(d)));
        std::vector<Bytes> longKeys{keyOf(JetType::Long, descending, {})};
        for (std::int32_t l : longs)
            longKeys.push_back(keyOf(JetType::Long, descending, stored(l)));
        for (auto* list : {&keys, &longKeys}) {
            if (descending)
                std::reverse(list->begin() + 1, list->end());
            std::vector<Bytes> sorted = *list;
            std::sort(sorted.begin(), sorted.end());
            if (descending)  // the Null key (0xff) sorts last
                std::rotate(list->begin(), list->begin() + 1, list->end());
            EXPECT_EQ(sorted, *list) << (descending ? "descending" : "ascending");
        }
    }
}

