// Index keys of Jet 4 files as Access lays them: numbers, dates and Yes/No in both orders,
// Null, texts of the characters whose codes are known; and texts decoded from rows.
#include "driver/jet/JetIndexKey.h"
#include "driver/jet/JetIndexText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace kervane;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes keyOf(jet::JetType type, bool descending, const Bytes& value)
{
    Bytes key;
    EXPECT_TRUE(jet::appendKeyColumn(key, type, descending, value.empty() ? nullptr : value.data()));
    return key;
}

template <typename T>
Bytes stored(T value)
{
    Bytes bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));  // little-endian, as a row stores it
    return bytes;
}

}  // namespace

// The documented layout: a flag byte (0x7f value / 0x00 Null ascending, 0x80 / 0xff
// descending), the value most significant byte first, signed integers with their sign bit
// flipped, floating point with the sign bit flipped when positive and every bit when negative,
// Byte as it is, descending keys with every value bit inverted.
TEST(JetIndexKeys, ValuesLaidAsDocumented)
{
    using jet::JetType;
    EXPECT_EQ(keyOf(JetType::Long, false, stored<std::int32_t>(1)), (Bytes{0x7f, 0x80, 0x00, 0x00, 0x01}));
    EXPECT_EQ(keyOf(JetType::Long, false, stored<std::int32_t>(-1)), (Bytes{0x7f, 0x7f, 0xff, 0xff, 0xff}));
    EXPECT_EQ(keyOf(JetType::Long, true, stored<std::int32_t>(1)), (Bytes{0x80, 0x7f, 0xff, 0xff, 0xfe}));
    EXPECT_EQ(keyOf(JetType::Integer, false, stored<std::int16_t>(0x1234)), (Bytes{0x7f, 0x92, 0x34}));
    EXPECT_EQ(keyOf(JetType::Byte, false, stored<std::uint8_t>(200)), (Bytes{0x7f, 0xc8}));
    EXPECT_EQ(keyOf(JetType::Byte, true, stored<std::uint8_t>(200)), (Bytes{0x80, 0x37}));
    EXPECT_EQ(keyOf(JetType::Double, false, stored<double>(1.0)),
              (Bytes{0x7f, 0xbf, 0xf0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(keyOf(JetType::Double, false, stored<double>(-1.0)),
              (Bytes{0x7f, 0x40, 0x0f, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}));
    EXPECT_EQ(keyOf(JetType::Single, false, stored<float>(2.0f)), (Bytes{0x7f, 0xc0, 0x00, 0x00, 0x00}));
    EXPECT_EQ(keyOf(JetType::Currency, false, stored<std::int64_t>(10000)),
              (Bytes{0x7f, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x27, 0x10}));
    EXPECT_EQ(keyOf(JetType::Long, false, {}), (Bytes{0x00}));
    EXPECT_EQ(keyOf(JetType::Double, true, {}), (Bytes{0xff}));
    Bytes yes, no;
    jet::appendKeyColumn(yes, JetType::Boolean, false, nullptr, true);
    jet::appendKeyColumn(no, JetType::Boolean, true, nullptr, false);
    EXPECT_EQ(yes, (Bytes{0x7f, 0x00}));
    EXPECT_EQ(no, (Bytes{0x80, 0x00}));
    Bytes text;
    EXPECT_FALSE(jet::appendKeyColumn(text, JetType::Text, false, nullptr));
    EXPECT_TRUE(text.empty());
}

// Text keys: a code per character (case ignored), an end mark, an end of extra codes. A text
// holding a character whose code is not known, or a descending text column, gives no key.
TEST(JetIndexKeys, TextKeysOfKnownCharacters)
{
    const std::u16string text = u"Pub 12";
    Bytes ascending, lower, descending;
    ASSERT_TRUE(jet::appendTextKeyColumn(ascending, &text, false));
    EXPECT_EQ(ascending, (Bytes{0x7f, 0x66, 0x6f, 0x4c, 0x07, 0x38, 0x3a, 0x01, 0x00}));
    const std::u16string same = u"pub 12";
    ASSERT_TRUE(jet::appendTextKeyColumn(lower, &same, false));
    EXPECT_EQ(lower, ascending);
    EXPECT_FALSE(jet::appendTextKeyColumn(descending, &text, true));
    EXPECT_TRUE(descending.empty());
    Bytes null;
    ASSERT_TRUE(jet::appendTextKeyColumn(null, nullptr, false));
    EXPECT_EQ(null, Bytes{0x00});
    for (const std::u16string unknown : {u"café", u"a-b", u"l'été", u"x_y", u"Quiz"}) {
        Bytes none;
        EXPECT_FALSE(jet::textKeyKnown(unknown));
        EXPECT_FALSE(jet::appendTextKeyColumn(none, &unknown, false));
        EXPECT_TRUE(none.empty());
    }
    // Rows store text compressed (0xFF 0xFE, one byte a character, 0 switching to two) or not.
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

