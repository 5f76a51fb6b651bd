// The values of the columns Access calculates (Access 2010 and later), written as Access keeps
// them: among the variable columns, wrapped in 16 bytes of nothing, the length of what follows,
// the value, and 3 bytes of nothing (what the reader unwraps with calculatedData()). The value
// is laid as its result type lays it in a row, a Yes/No as one byte, a decimal as its own scale,
// sign and 12 bytes of digits.
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <algorithm>

namespace kervane::jet {

namespace calculated {

constexpr std::size_t kLeadingBytes = 16;
constexpr std::size_t kTrailingBytes = 3;
constexpr std::size_t kWrapping = kLeadingBytes + 4 + kTrailingBytes;  // 23
constexpr std::size_t kDecimalBytes = 16;  // length, scale, sign, 12 bytes of digits
constexpr int kDecimalPrecision = 28;

// The decimals of a number's text, as many as its digits allow within the type's 28.
int scaleOf(const JetFieldValue& value)
{
    const std::string& text = value.text;
    const std::size_t point = text.find('.');
    if (value.kind != JetFieldValue::Kind::Decimal || point == std::string::npos)
        return 0;
    const auto whole = static_cast<int>(std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(point),
                                                      [](char c) { return c >= '0' && c <= '9'; }));
    return std::clamp(static_cast<int>(text.size() - point - 1), 0, std::max(0, kDecimalPrecision - whole));
}

// A decimal: its 17 row bytes (a sign, then four 32-bit groups, the most significant first)
// turned into the calculated layout, its 96 lowest bits kept.
bool decimalBytes(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& data,
                  std::string& error)
{
    JetLayoutColumn asDecimal = column;
    asDecimal.type = JetType::Decimal;
    asDecimal.moreFlags = 0;
    asDecimal.flags = 0x01;
    asDecimal.precision = kDecimalPrecision;
    asDecimal.scale = scaleOf(value);
    std::vector<unsigned char> row;
    if (!encodeValue(asDecimal, value, row, error))
        return false;
    if (readUInt32(row.data(), 1) != 0) {
        error = valueRefused(column, "dépasse ce qu'une colonne calculée décimale peut garder");
        return false;
    }
    appendLittleEndian(data, static_cast<std::uint16_t>(kDecimalBytes - 2));
    data.push_back(static_cast<unsigned char>(asDecimal.scale));
    data.push_back(row[0] & 0x80);
    // The digits' 12 bytes, most significant first, laid as 4 then 8 bytes, each little-endian.
    const std::uint32_t high = readUInt32(row.data(), 5);
    const std::uint64_t low = (std::uint64_t{readUInt32(row.data(), 9)} << 32) | readUInt32(row.data(), 13);
    appendLittleEndian(data, high);
    appendLittleEndian(data, low);
    return true;
}

}  // namespace calculated

void wrapCalculated(const std::vector<unsigned char>& value, std::vector<unsigned char>& out)
{
    using namespace calculated;
    out.insert(out.end(), kLeadingBytes, 0);
    appendLittleEndian(out, static_cast<std::uint32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
    out.insert(out.end(), kTrailingBytes, 0);
}

bool encodeCalculated(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& out,
                      std::string& error)
{
    using namespace calculated;
    if (!column.resultType) {
        error = "La colonne « " + column.name + " » est calculée par Access, le type de ses valeurs n'est pas connu : "
                "la ligne n'a pas été écrite.";
        return false;
    }
    JetLayoutColumn result = column;  // the value as a plain column of its result type lays it
    result.type = *column.resultType;
    result.moreFlags = 0;
    std::vector<unsigned char> data;
    switch (*column.resultType) {
    case JetType::Boolean:
        data.push_back(value.kind == JetFieldValue::Kind::Boolean && value.boolean ? 0xff : 0x00);
        break;
    case JetType::Text:
        result.flags = 0x02;
        result.length = column.length - static_cast<int>(kWrapping);
        if (!encodeValue(result, value, data, error))
            return false;
        break;
    case JetType::Decimal:
        if (!decimalBytes(column, value, data, error))
            return false;
        break;
    case JetType::Byte: case JetType::Integer: case JetType::Long: case JetType::Single: case JetType::Double:
    case JetType::Currency: case JetType::DateTime: case JetType::LargeNumber:
        result.flags = 0x01;
        if (!encodeValue(result, value, data, error))
            return false;
        break;
    default:
        error = "La colonne calculée « " + column.name +
                " » donne des valeurs d'un type que ce pilote n'écrit pas encore : la ligne n'a pas été écrite.";
        return false;
    }
    if (data.size() + kWrapping > static_cast<std::size_t>(column.length)) {
        error = valueRefused(column, "dépasse la taille de la colonne calculée");
        return false;
    }
    wrapCalculated(data, out);
    return true;
}

}  // namespace kervane::jet
