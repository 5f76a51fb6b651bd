#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetValue.h"

#include <gtest/gtest.h>
#include <mdbtools.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace kervane::jet;

TEST(JetValue, CurrencyIsExactWithFourDecimals)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {323800, "32.3800"}, {0, "0.0000"}, {-5, "-0.0005"}, {-1234567, "-123.4567"},
        {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"}};
    for (const auto& [stored, text] : cases)
        EXPECT_EQ(currencyText(stored), text);
}

TEST(JetValue, DateTimeFromDayNumbers)
{
    // Before day 0 the fraction still counts forward from midnight; a time rounding up to
    // midnight moves to the next day; Access's first date, day -657434, keeps a four-digit year.
    const std::pair<double, const char*> cases[] = {
        {0.0, "1899-12-30 00:00:00"},          {36526.75, "2000-01-01 18:00:00"},
        {-1.25, "1899-12-29 06:00:00"},        {1.9999999999, "1900-01-01 00:00:00"},
        {2958465.0, "9999-12-31 00:00:00"},    {-657434.0, "0100-01-01 00:00:00"}};
    std::string text;
    for (const auto& [days, expected] : cases) {
        EXPECT_TRUE(dateTimeText(days, text)) << days;
        EXPECT_EQ(text, expected);
    }
    for (const double outside : {1e12, -1e9, std::nan("")})
        EXPECT_FALSE(dateTimeText(outside, text)) << outside;
}

TEST(JetValue, GuidAndDecimalTexts)
{
    const unsigned char guid[16] = {0x78, 0x56, 0x34, 0x12, 0xbc, 0x9a, 0xf0, 0xde,
                                    0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    EXPECT_EQ(guidText(guid), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");

    unsigned char decimal[17] = {};
    decimal[13] = 0x39;  // lowest word comes last: 12345 = 0x3039
    decimal[14] = 0x30;
    EXPECT_EQ(decimalText(decimal, 2), "123.45");
    EXPECT_EQ(decimalText(decimal, 0), "12345");
    EXPECT_EQ(decimalText(decimal, 7), "0.0012345");
    decimal[0] = 0x80;
    EXPECT_EQ(decimalText(decimal, 2), "-123.45");
    decimal[1] = 0x01;  // highest word first
    EXPECT_EQ(decimalText(decimal, 0), "-79228162514264337593543962681");
    unsigned char zero[17] = {0x80};
    EXPECT_EQ(decimalText(zero, 2), "0.00");
}

TEST(JetValue, FixedValuesAndShortStorageRefused)
{
    SqlValue value;
    const unsigned char shortBytes[2] = {0xfe, 0xff};
    ASSERT_TRUE(convertFixed({MDB_INT, 2, 0, 0}, shortBytes, 2, value));
    EXPECT_EQ(value.kind, SqlValue::Kind::Integer);
    EXPECT_EQ(value.integer, -2);
    ASSERT_TRUE(convertFixed({MDB_BYTE, 1, 0, 0}, shortBytes, 1, value));
    EXPECT_EQ(value.integer, 254);  // bytes are unsigned

    const unsigned char longBytes[4] = {0xff, 0xff, 0xff, 0x7f};
    ASSERT_TRUE(convertFixed({MDB_LONGINT, 4, 0, 0}, longBytes, 4, value));
    EXPECT_EQ(value.integer, 2147483647);

    unsigned char doubleBytes[8];
    const double half = 0.5;
    std::memcpy(doubleBytes, &half, sizeof half);
    ASSERT_TRUE(convertFixed({MDB_DOUBLE, 8, 0, 0}, doubleBytes, 8, value));
    EXPECT_EQ(value.kind, SqlValue::Kind::Real);
    EXPECT_DOUBLE_EQ(value.real, 0.5);
    ASSERT_TRUE(convertFixed({MDB_DATETIME, 8, 0, 0}, doubleBytes, 8, value));
    EXPECT_EQ(value.bytes, "1899-12-30 12:00:00");

    // A stored value shorter than its type is a damage, never read past.
    EXPECT_FALSE(convertFixed({MDB_LONGINT, 4, 0, 0}, longBytes, 3, value));
    EXPECT_FALSE(convertFixed({MDB_MONEY, 8, 0, 0}, doubleBytes, 4, value));
    EXPECT_FALSE(convertFixed({MDB_NUMERIC, 17, 10, 2}, doubleBytes, 8, value));
}

namespace kervane::jet {
namespace {

// The RC4 stream of encoded files and of every header's mask, against the published vectors:
// RFC 6229's first keystream bytes for the 40-bit key 0x0102030405, and the three classic
// key/plaintext pairs.
TEST(Rc4, PublishedTestVectors)
{
    const auto hex = [](const std::vector<unsigned char>& bytes) {
        std::string text;
        for (const unsigned char b : bytes)
            text += "0123456789abcdef"[b >> 4], text += "0123456789abcdef"[b & 15];
        return text;
    };
    const auto cipher = [&](const std::string& key, const std::string& plain) {
        std::vector<unsigned char> bytes(plain.begin(), plain.end());
        rc4(reinterpret_cast<const unsigned char*>(key.data()), key.size(), bytes.data(), bytes.size());
        return hex(bytes);
    };
    EXPECT_EQ(cipher(std::string("\x01\x02\x03\x04\x05", 5), std::string(16, '\0')), "b2396305f03dc027ccc3524a0a1118a8");
    EXPECT_EQ(cipher("Key", "Plaintext"), "bbf316e8d940af0ad3");
    EXPECT_EQ(cipher("Wiki", "pedia"), "1021bf0420");
    EXPECT_EQ(cipher("Secret", "Attack at dawn"), "45a01f645fc35b383552544b9bf5");
}

}  // namespace
}  // namespace kervane::jet
