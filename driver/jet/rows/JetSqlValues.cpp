#include "driver/jet/rows/JetSqlValues.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetExtendedDate.h"
#include "driver/semantics/DateText.h"

#include <sqlite3.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kervane::jet {
namespace {

std::string textOf(sqlite3_value* value)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole number or a real written in the text, nothing else around it.
bool numberOfText(const std::string& text, JetFieldValue& out)
{
    const std::string number = trimmed(text);
    if (number.empty())
        return false;
    const char* end = number.data() + number.size();
    std::int64_t whole = 0;
    if (auto [at, ec] = std::from_chars(number.data(), end, whole); ec == std::errc() && at == end) {
        out = JetFieldValue::of(whole);
        return true;
    }
    double real = 0;
    if (auto [at, ec] = std::from_chars(number.data(), end, real); ec == std::errc() && at == end && std::isfinite(real)) {
        out = JetFieldValue::of(real);
        return true;
    }
    return false;
}

// The shortest decimal text that reads back as the same double: 0.1 stays "0.1".
bool decimalOfReal(double real, std::string& text)
{
    if (!std::isfinite(real))
        return false;
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, real, std::chars_format::fixed);
    if (ec != std::errc())
        return false;
    text.assign(buffer, end);
    return true;
}

bool numeric(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: out = JetFieldValue::of(static_cast<std::int64_t>(sqlite3_value_int64(value))); return true;
    case SQLITE_FLOAT: out = JetFieldValue::of(sqlite3_value_double(value)); return true;
    case SQLITE_TEXT:
        if (numberOfText(textOf(value), out))
            return true;
        break;
    default: break;
    }
    error = valueRefused(column, "n'est pas un nombre");
    return false;
}

// Currency and decimal stay exact: integers and texts as written, reals by their shortest text.
bool exact(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    std::string text;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: text = std::to_string(sqlite3_value_int64(value)); break;
    case SQLITE_FLOAT:
        if (!decimalOfReal(sqlite3_value_double(value), text))
            text.clear();
        break;
    case SQLITE_TEXT: text = trimmed(textOf(value)); break;
    default: break;
    }
    if (text.empty()) {
        error = valueRefused(column, "n'est pas un nombre");
        return false;
    }
    out = JetFieldValue::decimal(text);
    return true;
}

bool dateTime(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    std::optional<double> serial;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: serial = sqlite3_value_double(value); break;
    case SQLITE_TEXT: serial = sql::readStoredDate(trimmed(textOf(value))); break;
    default: break;
    }
    if (!serial || !sql::isSerialInRange(*serial)) {
        error = valueRefused(column, "n'est pas une date comprise entre l'an 100 et l'an 9999");
        return false;
    }
    out = JetFieldValue::of(*serial);
    return true;
}

// An extended date travels as its text; a date of another form (a serial, a day-first text) is
// taken as a Date column would take it.
bool extendedDate(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        std::string text = trimmed(textOf(value));
        if (extendedDateBytes(text)) {
            out = JetFieldValue::of(std::move(text));
            return true;
        }
    }
    if (!dateTime(column, value, out, error))
        return false;
    out = JetFieldValue::of(sql::canonicalDate(out.real));
    return true;
}

bool yesNo(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    JetFieldValue number;
    if (!numeric(column, value, number, error)) {
        error = valueRefused(column, "n'est ni Oui (-1) ni Non (0)");
        return false;
    }
    out = JetFieldValue::of(number.kind == JetFieldValue::Kind::Number ? number.number != 0 : number.real != 0);
    return true;
}

bool bytes(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    if (sqlite3_value_type(value) != SQLITE_BLOB) {
        error = valueRefused(column, "n'est pas une valeur binaire");
        return false;
    }
    const auto* data = static_cast<const unsigned char*>(sqlite3_value_blob(value));
    out = JetFieldValue::of(std::vector<unsigned char>(data, data + sqlite3_value_bytes(value)));
    return true;
}

bool text(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    if (sqlite3_value_type(value) == SQLITE_BLOB) {
        error = valueRefused(column, "est binaire, pas un texte");
        return false;
    }
    out = JetFieldValue::of(textOf(value));
    return true;
}

// A calculated column's value, read as one of its result type. A computed number (a double)
// is brought to that type as Access brings it: whole numbers rounded half to even, currencies
// to four decimals, decimals to fifteen significant digits.
bool calculatedFieldValue(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    JetLayoutColumn asResult = column;
    asResult.type = *column.resultType;
    asResult.moreFlags = 0;
    if (sqlite3_value_type(value) != SQLITE_FLOAT)
        return fieldValueOf(asResult, value, out, error);
    const double real = sqlite3_value_double(value);
    char text[64];
    switch (*column.resultType) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::LargeNumber:
        if (!std::isfinite(real) || std::fabs(real) > 9.2e18)
            break;
        out = JetFieldValue::of(static_cast<std::int64_t>(std::nearbyint(real)));  // the writer checks its range
        return true;
    case JetType::Currency:
        std::snprintf(text, sizeof text, "%.4f", real);
        out = JetFieldValue::decimal(text);
        return true;
    case JetType::Decimal:
        std::snprintf(text, sizeof text, "%.15g", real);
        if (std::string(text).find_first_of("eEn") == std::string::npos) {
            out = JetFieldValue::decimal(text);
            return true;
        }
        break;
    default:
        break;
    }
    return fieldValueOf(asResult, value, out, error);
}

}  // namespace

bool fieldValueOf(const JetLayoutColumn& column, sqlite3_value* value, JetFieldValue& out, std::string& error)
{
    if (column.calculated() && column.resultType)
        return calculatedFieldValue(column, value, out, error);
    if (column.type == JetType::Complex) {
        // Its values are not changed through SQL yet: an UPDATE leaving it alone keeps the row's
        // key (no bytes: the writer takes them from the row), an INSERT gives none (a new key).
        if (sqlite3_value_nochange(value) != 0) {
            out = JetFieldValue::stored({});
            return true;
        }
        if (sqlite3_value_type(value) != SQLITE_NULL) {
            error = valueRefused(column, "ne peut pas être donnée : les valeurs multiples et les pièces jointes ne se "
                                         "modifient pas encore par une instruction SQL");
            return false;
        }
    }
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        out = JetFieldValue::null();
        return true;
    }
    switch (column.type) {
    case JetType::Boolean: return yesNo(column, value, out, error);
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::LargeNumber:
    case JetType::Single:
    case JetType::Double: return numeric(column, value, out, error);
    case JetType::ExtendedDate: return extendedDate(column, value, out, error);
    case JetType::Currency:
    case JetType::Decimal: return exact(column, value, out, error);
    case JetType::DateTime: return dateTime(column, value, out, error);
    case JetType::Binary:
    case JetType::Ole: return bytes(column, value, out, error);
    case JetType::Text:
    case JetType::Memo:
    case JetType::Guid: return text(column, value, out, error);
    case JetType::Complex: break;
    }
    error = valueRefused(column, "est d'un type que l'écriture ne connaît pas");
    return false;
}

void keepDatesAsStored(const JetTableLayout& layout, const std::vector<JetFieldValue>& stored,
                       std::vector<JetFieldValue>& values)
{
    for (std::size_t i = 0; i < layout.columns.size() && i < stored.size() && i < values.size(); ++i) {
        const JetFieldValue& before = stored[i];
        if (layout.columns[i].type != JetType::DateTime || values[i].kind != JetFieldValue::Kind::Real ||
            before.kind != JetFieldValue::Kind::Stored || before.bytes.size() != 8)
            continue;
        const double days = std::bit_cast<double>(readUInt64(before.bytes.data(), 0));
        if (sql::isSerialInRange(days) && sql::canonicalDate(days) == sql::canonicalDate(values[i].real))
            values[i] = before;
    }
}

}  // namespace kervane::jet
