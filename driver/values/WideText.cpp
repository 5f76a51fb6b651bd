#include "driver/values/WideText.h"

#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <cstring>

namespace kervane::odbc {
namespace {

std::size_t unitCount(const SQLWCHAR* text, SQLINTEGER length)
{
    if (length != SQL_NTS)
        return length < 0 ? 0 : static_cast<std::size_t>(length);
    return terminatedUnitCount(text);
}

}  // namespace

std::size_t terminatedUnitCount(const SQLWCHAR* text)
{
    std::size_t count = 0;
    while (text[count] != 0)
        ++count;
    return count;
}

std::string narrowText(const SQLWCHAR* text, SQLINTEGER length, const TextUse& use)
{
    if (text == nullptr)
        return {};
    return utf8FromUtf16(text, unitCount(text, length), use);
}

std::optional<std::string> optionalNarrowText(const SQLWCHAR* text, SQLINTEGER length, const TextUse& use)
{
    if (text == nullptr)
        return std::nullopt;
    return narrowText(text, length, use);
}

WideCopy writeWide(std::string_view text, SQLPOINTER buffer, SQLLEN capacity, WideUnit unit)
{
    const std::u16string units = utf16FromUtf8(text);
    const SQLLEN scale = unit == WideUnit::Bytes ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : 1;
    WideCopy copy{false, static_cast<SQLLEN>(units.size()) * scale};
    if (buffer == nullptr)
        return copy;
    const SQLLEN room = std::max<SQLLEN>(capacity, 0) / scale;  // whole units, the final 0 included
    if (room == 0) {
        copy.truncated = !units.empty();
        return copy;
    }
    std::size_t count = units.size();
    if (count > static_cast<std::size_t>(room - 1)) {
        count = static_cast<std::size_t>(room - 1);
        if (count > 0 && sql::isHighSurrogate(units[count - 1]))
            --count;
        copy.truncated = true;
    }
    auto* out = static_cast<SQLWCHAR*>(buffer);
    std::copy_n(units.data(), count, out);
    out[count] = 0;
    return copy;
}

}  // namespace kervane::odbc
