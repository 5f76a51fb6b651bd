#include "driver/jet/format/JetExtendedDate.h"

#include "driver/semantics/ExtendedDate.h"

#include <cstdint>

namespace kervane::jet {

namespace {

constexpr int kDayDigits = 19;
constexpr int kSecondDigits = 12;
constexpr int kTickDigits = 7;
constexpr std::size_t kSecondsAt = 20;
constexpr std::size_t kTicksAt = 32;
constexpr std::size_t kEndAt = 39;  // ":7" and a zero byte
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kLastDay = 3652058;  // 9999-12-31

// The value of `count` ASCII digits at `at`; none when one is no digit.
std::optional<std::int64_t> digitsAt(const unsigned char* data, std::size_t at, int count)
{
    std::int64_t value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char c = data[at + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

void putDigits(unsigned char* out, std::int64_t value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<unsigned char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

std::optional<std::string> extendedDateText(const unsigned char* data, std::size_t size)
{
    if (size < kExtendedDateSize || data[kDayDigits] != ':' || data[kEndAt] != ':' || data[kEndAt + 1] != '7')
        return std::nullopt;
    const auto day = digitsAt(data, 0, kDayDigits);
    const auto second = digitsAt(data, kSecondsAt, kSecondDigits);
    const auto ticks = digitsAt(data, kTicksAt, kTickDigits);
    if (!day || !second || !ticks || *day > kLastDay || *second >= kSecondsPerDay)
        return std::nullopt;
    sql::ExtendedDate date{sql::dateOfDaySinceYearOne(*day), static_cast<int>(*ticks)};
    date.parts.hour = static_cast<int>(*second / 3600);
    date.parts.minute = static_cast<int>(*second / 60 % 60);
    date.parts.second = static_cast<int>(*second % 60);
    return sql::extendedDateText(date);
}

std::optional<std::array<unsigned char, kExtendedDateSize>> extendedDateBytes(std::string_view text)
{
    const std::optional<sql::ExtendedDate> date = sql::readExtendedDate(text);
    if (!date)
        return std::nullopt;
    const sql::DateParts& p = date->parts;
    std::array<unsigned char, kExtendedDateSize> bytes{};
    putDigits(bytes.data(), sql::daysSinceYearOne(p), kDayDigits);
    bytes[kDayDigits] = ':';
    putDigits(bytes.data() + kSecondsAt, p.hour * 3600 + p.minute * 60 + p.second, kSecondDigits);
    putDigits(bytes.data() + kTicksAt, date->ticks, kTickDigits);
    bytes[kEndAt] = ':';
    bytes[kEndAt + 1] = '7';
    bytes[kEndAt + 2] = 0;
    return bytes;
}

}  // namespace kervane::jet
