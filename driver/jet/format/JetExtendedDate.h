#pragma once
// How a "Date/Time Extended" value (Access 2016 and later, type 0x14) lies in a row: 42 ASCII
// bytes, the days since 0001-01-01 in 19 digits, ':', the seconds of the day in 12 digits, the
// fraction of the second in 7 digits (100 ns), then ":7" and a zero byte. Its text inside SQLite
// is described in driver/semantics/ExtendedDate.h.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kervane::jet {

constexpr std::size_t kExtendedDateSize = 42;

// The text of a stored value; none when its bytes are not such a value.
std::optional<std::string> extendedDateText(const unsigned char* data, std::size_t size);

// The stored bytes of a date text readExtendedDate() reads; none for any other text.
std::optional<std::array<unsigned char, kExtendedDateSize>> extendedDateBytes(std::string_view text);

}  // namespace kervane::jet
