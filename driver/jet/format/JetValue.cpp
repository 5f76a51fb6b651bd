#include "driver/jet/format/JetValue.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetExtendedDate.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/semantics/DateText.h"

#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kervane::jet {

namespace {

__extension__ typedef unsigned __int128 UInt128;

double readDouble(const unsigned char* data)
{
    const std::uint64_t bits = readUInt64(data, 0);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float readSingle(const unsigned char* data)
{
    const std::uint32_t bits = readUInt32(data, 0);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

SqlValue integerValue(std::int64_t number)
{
    SqlValue value;
    value.kind = SqlValue::Kind::Integer;
    value.integer = number;
    return value;
}

SqlValue textValue(std::string text)
{
    SqlValue value;
    value.kind = SqlValue::Kind::Text;
    value.bytes = std::move(text);
    return value;
}

}  // namespace

std::string declaredType(const ColumnInfo& column, bool jet3)
{
    switch (column.type) {
    case MDB_TEXT: return "TEXT(" + std::to_string(jet3 ? column.size : column.size / 2) + ")";
    case MDB_MEMO: return "MEMO";
    case MDB_LONGINT: return column.autoNumber ? "COUNTER" : "LONG";
    case MDB_INT: return "SHORT";
    case MDB_BYTE: return "BYTE";
    case MDB_FLOAT: return "SINGLE";
    case MDB_DOUBLE: return "DOUBLE";
    case MDB_MONEY: return "CURRENCY";
    case MDB_DATETIME: return "DATETIME";
    case MDB_BOOL: return "YESNO";
    case MDB_OLE: return "OLEOBJECT";
    case MDB_BINARY: return "LONGBINARY";
    case MDB_REPID: return "GUID";
    case MDB_NUMERIC:
        return "DECIMAL(" + std::to_string(column.precision) + "," + std::to_string(column.scale) + ")";
    case MDB_COMPLEX: return "MEMO";  // its values joined (JetComplexValues.h)
    case kLargeNumberType: return "BIGINT";
    case kExtendedDateType: return "DATETIME2";
    default: return "LONGBINARY";     // a type this reader does not know: its bytes as stored
    }
}

bool isFixedType(int type)
{
    return fixedSize(type) > 0 || type == MDB_BOOL;
}

int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case kLargeNumberType: return 8;
    case kExtendedDateType: return static_cast<int>(kExtendedDateSize);
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

bool convertFixed(const ColumnInfo& column, const unsigned char* data, int size, SqlValue& value)
{
    if (size < fixedSize(column.type))
        return false;
    value = SqlValue{};
    switch (column.type) {
    case MDB_BYTE: value = integerValue(data[0]); break;
    case MDB_INT: value = integerValue(static_cast<std::int16_t>(readUInt16(data, 0))); break;
    case MDB_LONGINT: value = integerValue(static_cast<std::int32_t>(readUInt32(data, 0))); break;
    case MDB_COMPLEX: value = integerValue(readUInt32(data, 0)); break;
    case kLargeNumberType: value = integerValue(static_cast<std::int64_t>(readUInt64(data, 0))); break;
    case kExtendedDateType: {
        std::optional<std::string> text = extendedDateText(data, static_cast<std::size_t>(size));
        if (!text)
            return false;
        value = textValue(std::move(*text));
        break;
    }
    case MDB_FLOAT:
        value.kind = SqlValue::Kind::Real;
        value.real = static_cast<double>(readSingle(data));
        break;
    case MDB_DOUBLE:
        value.kind = SqlValue::Kind::Real;
        value.real = readDouble(data);
        break;
    case MDB_MONEY: value = textValue(currencyText(static_cast<std::int64_t>(readUInt64(data, 0)))); break;
    case MDB_DATETIME: {
        std::string text;
        if (dateTimeText(readDouble(data), text))
            value = textValue(text);
        break;
    }
    case MDB_REPID: value = textValue(guidText(data)); break;
    case MDB_NUMERIC: value = textValue(decimalText(data, column.scale)); break;
    default: return false;
    }
    return true;
}

std::string currencyText(std::int64_t scaled)
{
    const bool negative = scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000), static_cast<unsigned long long>(magnitude % 10000));
    return text;
}

bool dateTimeText(double days, std::string& text)
{
    if (!sql::isSerialInRange(days))
        return false;
    text = sql::canonicalDate(days);
    return true;
}

std::string guidText(const unsigned char* b)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                  b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

namespace {

std::string magnitudeText(UInt128 magnitude, int scale, bool negative)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale < 0 || scale > 38)
        scale = 0;
    const auto decimals = static_cast<std::size_t>(scale);
    if (digits.size() <= decimals)
        digits.insert(0, decimals - digits.size() + 1, '0');
    if (decimals > 0)
        digits.insert(digits.size() - decimals, 1, '.');
    const bool zero = digits.find_first_not_of("0.") == std::string::npos;
    return negative && !zero ? "-" + digits : digits;
}

}  // namespace

std::string decimalText(const unsigned char* bytes, int scale)
{
    UInt128 magnitude = 0;
    for (int word = 0; word < 4; ++word)
        magnitude = magnitude << 32 | readUInt32(bytes, 1 + 4 * word);
    return magnitudeText(magnitude, scale, (bytes[0] & 0x80) != 0);
}

bool calculatedData(const unsigned char* data, std::size_t size, std::size_t& start, std::size_t& length)
{
    constexpr std::size_t kLengthAt = 16;
    start = kLengthAt + 4;
    if (size < start)
        return false;
    length = std::min<std::size_t>(readUInt32(data, kLengthAt), size - start);
    return true;
}

std::optional<std::string> calculatedDecimalText(const unsigned char* data, std::size_t size)
{
    // Its length (the bytes after it), its scale, its sign, then at most 16 bytes of digits, in
    // a multiple of 4: a leading group of 4 when they are not a multiple of 8, then groups of 8,
    // each group little-endian, the most significant first.
    if (size < 4)
        return std::nullopt;
    const int stated = static_cast<std::int16_t>(readUInt16(data, 0));
    const std::size_t given = (stated > 0 ? static_cast<std::size_t>(stated) : size - 2) - 2;
    const std::size_t count = std::min<std::size_t>({given / 4 * 4, 16, (size - 4) / 4 * 4});
    UInt128 magnitude = 0;
    std::size_t at = 4;
    const auto group = [&](std::size_t width) {
        for (std::size_t b = width; b-- > 0;)
            magnitude = magnitude << 8 | data[at + b];
        at += width;
    };
    if (count % 8 != 0)
        group(4);
    while (at < 4 + count)
        group(8);
    return magnitudeText(magnitude, data[2], data[3] != 0);
}

}  // namespace kervane::jet
