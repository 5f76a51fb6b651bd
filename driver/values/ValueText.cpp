#include "driver/values/ValueText.h"

#include <charconv>
#include <cmath>

namespace kervane::odbc {
namespace {

std::string_view written(std::string& scratch, char* end)
{
    return std::string_view(scratch.data(), static_cast<std::size_t>(end - scratch.data()));
}

}  // namespace

std::string_view formatInteger(sqlite3_int64 value, std::string& scratch)
{
    scratch.resize(24);
    const auto result = std::to_chars(scratch.data(), scratch.data() + scratch.size(), value);
    return written(scratch, result.ptr);
}

std::string_view formatFloating(double value, TextForm form, std::string& scratch)
{
    scratch.resize(40);
    char* const first = scratch.data();
    char* const last = first + scratch.size();
    const auto result = form == TextForm::Single
        ? std::to_chars(first, last, static_cast<float>(value), std::chars_format::general, 7)
        : std::to_chars(first, last, value, std::chars_format::general, 15);
    return written(scratch, result.ptr);
}

std::string_view formatScaled(double value, int scale, std::string& scratch)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e30)
        return formatFloating(value, TextForm::Double, scratch);
    scratch.resize(64);
    const auto result = std::to_chars(scratch.data(), scratch.data() + scratch.size(), value,
                                      std::chars_format::fixed, scale);
    std::string_view text = written(scratch, result.ptr);
    // "-0.0000" reads better as "0.0000"
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    return text;
}

std::string_view formatScaledInteger(sqlite3_int64 value, int scale, std::string& scratch)
{
    scratch.resize(24 + static_cast<std::size_t>(scale) + 1);
    auto result = std::to_chars(scratch.data(), scratch.data() + 24, value);
    char* end = result.ptr;
    if (scale > 0) {
        *end++ = '.';
        for (int i = 0; i < scale; ++i)
            *end++ = '0';
    }
    return written(scratch, end);
}

std::string_view formatDateTime(std::string_view text, std::string& scratch, int fractionDigits)
{
    const bool dateOnly = text.size() == 10 && text[4] == '-' && text[7] == '-';
    const bool timeOnly = text.size() == 8 && text[2] == ':' && text[5] == ':';
    const bool dateTime = text.size() >= 19 && text[4] == '-' && text[13] == ':';
    if (dateTime && text.size() == 19 && text[10] == ' ')
        return text;
    if (dateTime && fractionDigits > 0 && text[10] == ' ' && text[19] == '.' &&
        text.size() <= 20 + static_cast<std::size_t>(fractionDigits))
        return text;  // an extended date's fraction, trailing zeros left out
    if (dateOnly) {
        scratch.assign(text).append(" 00:00:00");
        return scratch;
    }
    if (timeOnly) {
        // Access keeps a time alone on its day zero
        scratch.assign("1899-12-30 ").append(text);
        return scratch;
    }
    if (dateTime) {
        // "yyyy-mm-ddThh:mm:ss.sss" and the like: keep the first 19 characters
        scratch.assign(text.substr(0, 19));
        scratch[10] = ' ';
        return scratch;
    }
    return text;
}

std::string_view formatHex(const unsigned char* bytes, std::size_t size, std::string& scratch)
{
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    scratch.resize(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        scratch[2 * i] = DIGITS[bytes[i] >> 4];
        scratch[2 * i + 1] = DIGITS[bytes[i] & 0x0F];
    }
    return scratch;
}

ValueText valueText(sqlite3_stmt* statement, int index, const ColumnType& type, std::string& scratch)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const sqlite3_int64 value = sqlite3_column_int64(statement, index);
        if (type.form == TextForm::Bit)
            return {false, value != 0 ? "1" : "0"};
        if (type.form == TextForm::Scaled)
            return {false, formatScaledInteger(value, type.scale, scratch)};
        return {false, formatInteger(value, scratch)};
    }
    case SQLITE_FLOAT: {
        const double value = sqlite3_column_double(statement, index);
        if (type.form == TextForm::Scaled)
            return {false, formatScaled(value, type.scale, scratch)};
        if (type.form == TextForm::Bit)
            return {false, value != 0.0 ? "1" : "0"};
        return {false, formatFloating(value, type.form == TextForm::Single ? TextForm::Single : TextForm::Double,
                                      scratch)};
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, index));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, index));
        return {false, formatHex(bytes, size, scratch)};
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, index));
        const std::string_view view(text ? text : "", size);
        if (type.form == TextForm::DateTime)
            return {false, formatDateTime(view, scratch, type.scale)};
        return {false, view};
    }
    }
}

}  // namespace kervane::odbc
