// Each Access type's bytes in a Jet 3 or Jet 4 row, little-endian.
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetExtendedDate.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/rows/JetRowEncoding.h"
#include "driver/semantics/UtfCoding.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace kervane::jet {

std::string valueRefused(const JetLayoutColumn& column, const std::string& why)
{
    return "La valeur donnée à la colonne « " + column.name + " » " + why + ".";
}

namespace {

using Kind = JetFieldValue::Kind;
__extension__ typedef unsigned __int128 Int128;  // 28 decimal digits need 96 bits

std::string characters(int count)
{
    return std::to_string(count) + (count > 1 ? " caractères" : " caractère");
}

bool wholeNumber(const JetLayoutColumn& column, const JetFieldValue& v, std::int64_t low, std::int64_t high,
                 std::int64_t& out, std::string& error)
{
    if (v.kind == Kind::Number)
        out = v.number;
    else if (v.kind == Kind::Boolean)
        out = v.boolean ? -1 : 0;
    else if (v.kind == Kind::Real && std::nearbyint(v.real) == v.real && std::fabs(v.real) < 9.2e18)
        out = static_cast<std::int64_t>(v.real);
    else {
        error = valueRefused(column, "n'est pas un nombre entier");
        return false;
    }
    if (out < low || out > high) {
        error = valueRefused(column, "sort des limites de son type");
        return false;
    }
    return true;
}

// "-12.345" as its unscaled magnitude at `scale` decimals; false when it has more decimals
// than the scale, or more digits than `precision`.
bool scaledDecimal(const std::string& text, int scale, int precision, bool& negative, Int128& magnitude)
{
    std::size_t i = 0;
    negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    magnitude = 0;
    int digits = 0;
    int decimals = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 38)
            return false;
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0 || decimals > scale)
        return false;
    for (int d = decimals < 0 ? 0 : decimals; d < scale; ++d)
        magnitude *= 10;
    Int128 limit = 1;
    for (int d = 0; d < precision; ++d)
        limit *= 10;
    if (magnitude >= limit)
        return false;
    if (magnitude == 0)
        negative = false;
    return true;
}

bool decimalValue(const JetLayoutColumn& column, const JetFieldValue& v, int scale, int precision,
                  bool& negative, Int128& magnitude, std::string& error)
{
    const std::string text = v.kind == Kind::Decimal ? v.text
                             : v.kind == Kind::Number ? std::to_string(v.number)
                                                      : std::string();
    if (!scaledDecimal(text, scale, precision, negative, magnitude)) {
        error = valueRefused(column, "n'est pas un nombre décimal exact à " + std::to_string(scale) +
                                    " décimales et " + std::to_string(precision) + " chiffres au plus");
        return false;
    }
    return true;
}

bool realValue(const JetLayoutColumn& column, const JetFieldValue& v, double& out, std::string& error)
{
    if (v.kind == Kind::Real)
        out = v.real;
    else if (v.kind == Kind::Number)
        out = static_cast<double>(v.number);
    else {
        error = valueRefused(column, "n'est pas un nombre");
        return false;
    }
    return true;
}

// False when the text is not well-formed UTF-8 (an overlong form included, which would
// otherwise be stored as another character).
bool utf16(const std::string& text, std::vector<unsigned char>& out)
{
    const std::optional<std::u16string> units = sql::utf16FromUtf8(text, sql::IllFormed::Refuse);
    if (!units)
        return false;
    for (const char16_t unit : *units)
        appendLittleEndian(out, static_cast<std::uint16_t>(unit));
    return true;
}

// A text as its column keeps it: UTF-16LE, or one byte a character in the Jet 3 column's code
// page, a character the code page lacks refused.
bool textBytes(const JetLayoutColumn& c, const JetFieldValue& v, std::vector<unsigned char>& out, std::string& error)
{
    std::string missing;
    if (v.kind == Kind::Text && (c.codePage == 0 ? utf16(v.text, out) : toCodePage(c.codePage, v.text, out, missing)))
        return true;
    if (!missing.empty())
        error = "Le caractère « " + missing + " » de la valeur donnée à la colonne « " + c.name +
                " » ne peut pas être écrit dans un fichier Access 97 (page de codes " + std::to_string(c.codePage) + ").";
    else if (c.codePage != 0 && !codePageKnown(c.codePage))
        error = "La colonne « " + c.name + " » est écrite dans la page de codes " + std::to_string(c.codePage) +
                ", qui n'est pas connue : elle ne peut pas être modifiée.";
    else
        error = valueRefused(c, "n'est pas un texte valide");
    return false;
}

// Bytes a character of the column takes.
int characterSize(const JetLayoutColumn& c)
{
    return c.codePage == 0 ? 2 : 1;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the first three groups are stored little-endian.
bool guidBytes(const std::string& text, std::vector<unsigned char>& out)
{
    std::string hex;
    const bool braced = text.size() == 38 && text.front() == '{' && text.back() == '}';
    const std::string inner = braced ? text.substr(1, 36) : text;
    if (inner.size() != 36)
        return false;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (inner[i] != '-')
                return false;
        } else if (hexDigit(inner[i]) < 0) {
            return false;
        } else {
            hex += inner[i];
        }
    }
    unsigned char b[16];
    for (int i = 0; i < 16; ++i)
        b[i] = static_cast<unsigned char>(hexDigit(hex[2 * i]) * 16 + hexDigit(hex[2 * i + 1]));
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i : order)
        out.push_back(b[i]);
    return true;
}

bool encodeFixed(const JetLayoutColumn& c, const JetFieldValue& v, std::vector<unsigned char>& out, std::string& error)
{
    std::int64_t n = 0;
    double d = 0;
    bool negative = false;
    Int128 magnitude = 0;
    switch (c.type) {
    case JetType::Byte:
        if (!wholeNumber(c, v, 0, 255, n, error)) return false;
        out.push_back(static_cast<unsigned char>(n));
        return true;
    case JetType::Integer:
        if (!wholeNumber(c, v, INT16_MIN, INT16_MAX, n, error)) return false;
        appendLittleEndian(out, static_cast<std::int16_t>(n));
        return true;
    case JetType::Long:
        if (!wholeNumber(c, v, INT32_MIN, INT32_MAX, n, error)) return false;
        appendLittleEndian(out, static_cast<std::int32_t>(n));
        return true;
    case JetType::Complex:  // the key of the row's values in the hidden table
        if (!wholeNumber(c, v, 0, UINT32_MAX, n, error)) return false;
        appendLittleEndian(out, static_cast<std::uint32_t>(n));
        return true;
    case JetType::LargeNumber:
        if (!wholeNumber(c, v, INT64_MIN, INT64_MAX, n, error)) return false;
        appendLittleEndian(out, n);
        return true;
    case JetType::ExtendedDate: {
        const auto bytes = v.kind == Kind::Text ? extendedDateBytes(v.text) : std::nullopt;
        if (!bytes) {
            error = valueRefused(c, "n'est pas une date comprise entre l'an 1 et l'an 9999");
            return false;
        }
        out.insert(out.end(), bytes->begin(), bytes->end());
        return true;
    }
    case JetType::Currency: {
        if (!decimalValue(c, v, 4, 19, negative, magnitude, error)) return false;
        if (magnitude > (negative ? Int128{1} << 63 : (Int128{1} << 63) - 1)) {
            error = valueRefused(c, "sort des limites du type Monétaire");
            return false;
        }
        const auto bits = static_cast<std::uint64_t>(magnitude);
        appendLittleEndian(out, static_cast<std::int64_t>(negative ? ~bits + 1 : bits));
        return true;
    }
    case JetType::Single:
        if (!realValue(c, v, d, error)) return false;
        if (std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38) {
            error = valueRefused(c, "sort des limites du type Réel simple");
            return false;
        }
        appendLittleEndian(out, static_cast<float>(d));
        return true;
    case JetType::Double:
    case JetType::DateTime:
        if (!realValue(c, v, d, error)) return false;
        appendLittleEndian(out, d);
        return true;
    case JetType::Decimal:
        if (!decimalValue(c, v, c.scale, c.precision, negative, magnitude, error)) return false;
        out.push_back(negative ? 0x80 : 0x00);
        for (int group = 3; group >= 0; --group)  // most significant 32 bits first, each little-endian
            appendLittleEndian(out, static_cast<std::uint32_t>(magnitude >> (32 * group)));
        return true;
    case JetType::Guid:
        if (v.kind != Kind::Text || !guidBytes(v.text, out)) {
            error = valueRefused(c, "n'est pas un identificateur de réplication ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})");
            return false;
        }
        return true;
    case JetType::Text: {  // exactly its length, uncompressed, as Access keeps it
        std::vector<unsigned char> data;
        if (!textBytes(c, v, data, error))
            return false;
        if (data.size() != static_cast<std::size_t>(c.length)) {
            error = valueRefused(c, "doit compter exactement " + characters(c.length / characterSize(c)));
            return false;
        }
        out.insert(out.end(), data.begin(), data.end());
        return true;
    }
    default:
        error = "L'écriture dans la colonne binaire de longueur fixe « " + c.name + " » n'est pas encore possible.";
        return false;
    }
}

// The reference a row keeps of a memo or OLE value: its length under flags, then either the
// value itself (up to 64 bytes) or the data pointer of the row holding it (or its first piece)
// on another page.
bool encodeLongValue(const JetLayoutColumn& c, const std::vector<unsigned char>& data, const std::uint32_t* outside,
                     const JetFileFormat& format, std::vector<unsigned char>& out, std::string& error)
{
    if (data.size() <= static_cast<std::size_t>(kMaxInlineLongValue)) {
        appendLittleEndian(out, static_cast<std::uint32_t>(data.size()) | kLongValueInline);
        appendLittleEndian(out, std::uint32_t{0});
        appendLittleEndian(out, std::uint32_t{0});
        out.insert(out.end(), data.begin(), data.end());
        return true;
    }
    if (outside == nullptr || data.size() > static_cast<std::size_t>(kMaxLongValue)) {
        error = "L'écriture dans la colonne « " + c.name + " » d'une valeur de plus de " +
                std::to_string(outside == nullptr ? kMaxInlineLongValue : kMaxLongValue) +
                " octets n'est pas encore possible.";
        return false;
    }
    // Whole in one row of another page, or in pieces chained over several.
    const bool whole = data.size() <= static_cast<std::size_t>(format.maxLongValueRow);
    appendLittleEndian(out, static_cast<std::uint32_t>(data.size()) | (whole ? kLongValueSinglePage : 0u));
    appendLittleEndian(out, *outside);
    appendLittleEndian(out, std::uint32_t{0});
    return true;
}

bool encodeVariable(const JetLayoutColumn& c, const JetFieldValue& v, const std::uint32_t* outside,
                    const JetFileFormat& format, std::vector<unsigned char>& out, std::string& error)
{
    std::vector<unsigned char> data;
    if (storesLongValues(c))  // a calculated memo too, its value wrapped (longValueData())
        return longValueData(c, v, data, error) && encodeLongValue(c, data, outside, format, out, error);
    if (c.calculated())
        return encodeCalculated(c, v, out, error);
    switch (c.type) {
    case JetType::Memo:
    case JetType::Ole:
        return longValueData(c, v, data, error) && encodeLongValue(c, data, outside, format, out, error);
    case JetType::Text:
        if (!textBytes(c, v, data, error))
            return false;
        if (data.size() > static_cast<std::size_t>(c.length)) {
            error = valueRefused(c, "dépasse sa taille de " + characters(c.length / characterSize(c)));
            return false;
        }
        break;
    case JetType::Binary:
        if (v.kind != Kind::Binary) {
            error = valueRefused(c, "n'est pas une suite d'octets");
            return false;
        }
        if (v.bytes.size() > static_cast<std::size_t>(c.length)) {
            error = valueRefused(c, "dépasse sa taille de " + std::to_string(c.length) + " octets");
            return false;
        }
        data = v.bytes;
        break;
    case JetType::Boolean:
        error = "La modification de la colonne « " + c.name + " », d'un type inconnu, n'est pas possible.";
        return false;
    default:  // a number kept among the variable columns takes the bytes it would take fixed
        return encodeFixed(c, v, out, error);
    }
    out.insert(out.end(), data.begin(), data.end());
    return true;
}

}  // namespace

int fixedSize(const JetLayoutColumn& column)
{
    // The definition's type codes are the ones the reader's table of sizes is written for.
    const int size = jet::fixedSize(static_cast<int>(column.type));
    return size > 0 || column.type == JetType::Boolean ? size : column.length;
}

bool longValueData(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& data,
                   std::string& error)
{
    data.clear();
    if (column.calculated() && column.resultType == JetType::Memo) {
        std::vector<unsigned char> text;
        if (!textBytes(column, value, text, error))
            return false;
        wrapCalculated(text, data);
        return true;
    }
    if (column.type == JetType::Memo && value.kind != Kind::Binary)
        return textBytes(column, value, data, error);
    if ((column.type == JetType::Ole || column.type == JetType::Memo) && value.kind == Kind::Binary) {
        data = value.bytes;
        return true;
    }
    error = valueRefused(column, "n'est pas une suite d'octets");
    return false;
}

bool encodeValue(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& out,
                 std::string& error, const std::uint32_t* outside, const JetFileFormat& format)
{
    if (format.jet3 && column.type == JetType::Decimal) {
        error = "La colonne « " + column.name + " » est d'un type (Décimal) qu'un fichier Access 97 ne connaît pas.";
        return false;
    }
    if (value.kind == Kind::Stored) {
        if (column.fixed() && value.bytes.size() != static_cast<std::size_t>(fixedSize(column))) {
            error = valueRefused(column, "n'a pas la taille de la colonne");
            return false;
        }
        out.insert(out.end(), value.bytes.begin(), value.bytes.end());
        return true;
    }
    if (!column.fixed())
        return encodeVariable(column, value, outside, format, out, error);
    return encodeFixed(column, value, out, error);
}

}  // namespace kervane::jet
