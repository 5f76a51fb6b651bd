#include "driver/jet/module/JetColumnConversion.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/rows/JetSqlValues.h"

#include <bit>
#include <charconv>

namespace kervane::jet {
namespace conversion {

using Kind = JetFieldValue::Kind;

bool textual(JetType type)
{
    return type == JetType::Text || type == JetType::Memo;
}

// The expression that converts ?1 into the new type (typesConvert() said it can).
std::string expression(JetType from, JetType to)
{
    switch (to) {
    case JetType::Text:
    case JetType::Memo: return from == JetType::Boolean ? "kv_format(?1, 'Yes/No')" : "kv_format(?1)";
    case JetType::Byte: return "kv_cbyte(?1)";
    case JetType::Integer: return "kv_cint(?1)";
    case JetType::Long: return "kv_clng(?1)";
    case JetType::Single: return "kv_csng(?1)";
    case JetType::Double: return "kv_cdbl(?1)";
    case JetType::Currency: return "kv_ccur(?1)";
    case JetType::Decimal: return "kv_cdec(?1)";
    case JetType::DateTime: return "kv_cdate(?1)";
    case JetType::Boolean: return "kv_cbool(?1)";
    case JetType::Guid:
    case JetType::Binary:
    case JetType::Ole:
    case JetType::Complex:
    case JetType::LargeNumber:   // no Access SQL type names these: never a new type
    case JetType::ExtendedDate: return "?1";
    }
    return "?1";
}

// A stored value of `column` as the functions read it: texts decoded, fixed values as a table
// gives them. Towards a text, currencies and decimals are numbers (written with the user's
// separator) and dates stay dates; towards anything else dates are their day numbers.
SqlValue readable(JetFile& file, const JetLayoutColumn& column, const JetFieldValue& stored, JetType to)
{
    SqlValue value;
    switch (stored.kind) {
    case Kind::Boolean: value.kind = SqlValue::Kind::Integer; value.integer = stored.boolean ? -1 : 0; return value;
    case Kind::Number: value.kind = SqlValue::Kind::Integer; value.integer = stored.number; return value;
    case Kind::Null: return value;
    default: break;
    }
    const std::vector<unsigned char>& bytes = stored.bytes;
    if (textual(column.type) || isBinary(column.type)) {
        value.kind = textual(column.type) ? SqlValue::Kind::Text : SqlValue::Kind::Blob;
        value.bytes = textual(column.type) ? file.decodeText(bytes.data(), bytes.size())
                                           : std::string(bytes.begin(), bytes.end());
        return value;
    }
    if (column.type == JetType::DateTime && !textual(to) && bytes.size() == 8) {
        value.kind = SqlValue::Kind::Real;
        value.real = std::bit_cast<double>(readUInt64(bytes.data(), 0));
        return value;
    }
    const ColumnInfo info{static_cast<int>(column.type), static_cast<int>(bytes.size()), column.precision,
                          column.scale, false};
    if (!convertFixed(info, bytes.data(), static_cast<int>(bytes.size()), value))
        return SqlValue{};
    if (textual(to) && (column.type == JetType::Currency || column.type == JetType::Decimal)) {
        double number = 0;
        std::from_chars(value.bytes.data(), value.bytes.data() + value.bytes.size(), number);
        value = SqlValue{};
        value.kind = SqlValue::Kind::Real;
        value.real = number;
    }
    return value;
}

// "-2.555" at `scale` decimals, rounded half to even as Access rounds a decimal column's values
// when their scale narrows: "-2.56" at 2.
std::string narrowed(std::string text, int scale)
{
    const std::size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 <= static_cast<std::size_t>(scale))
        return text;
    const std::string dropped = text.substr(point + 1 + static_cast<std::size_t>(scale));
    text.resize(point + (scale > 0 ? 1 + static_cast<std::size_t>(scale) : 0));
    const char last = text.back() == '.' ? text[text.size() - 2] : text.back();
    const bool half = dropped.front() == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
    if (dropped.front() < '5' || (half && (last - '0') % 2 == 0))
        return text;
    // Carry one into the last kept digit.
    std::size_t at = text.size();
    while (at > 0) {
        --at;
        if (text[at] == '.')
            continue;
        if (text[at] < '0' || text[at] > '9') {
            text.insert(at + 1, "1");
            return text;
        }
        if (text[at] != '9') {
            ++text[at];
            return text;
        }
        text[at] = '0';
    }
    text.insert(0, "1");
    return text;
}

int bind(sqlite3_stmt* statement, const SqlValue& value)
{
    switch (value.kind) {
    case SqlValue::Kind::Null: return sqlite3_bind_null(statement, 1);
    case SqlValue::Kind::Integer: return sqlite3_bind_int64(statement, 1, value.integer);
    case SqlValue::Kind::Real: return sqlite3_bind_double(statement, 1, value.real);
    case SqlValue::Kind::Text:
        return sqlite3_bind_text64(statement, 1, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    case SqlValue::Kind::Blob:
        return sqlite3_bind_blob64(statement, 1, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT);
    }
    return SQLITE_MISUSE;
}

}  // namespace conversion

bool ValueConverter::prepare(const JetLayoutColumn& before, const JetLayoutColumn& after, std::string& why)
{
    sqlite3_stmt* statement = nullptr;
    const std::string converted = "SELECT " + conversion::expression(before.type, after.type);
    if (sqlite3_prepare_v2(m_db, converted.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        why = sqlite3_errmsg(m_db);
        return false;
    }
    m_statement.reset(statement);
    return true;
}

bool ValueConverter::operator()(const JetLayoutColumn& before, const JetLayoutColumn& after,
                                const JetFieldValue& stored, JetFieldValue& converted, std::string& why)
{
    if (stored.kind == JetFieldValue::Kind::Null) {
        converted = JetFieldValue::null();
        return true;
    }
    if (!m_statement && !prepare(before, after, why))
        return false;
    sqlite3_stmt* statement = m_statement.get();
    sqlite3_reset(statement);
    if (conversion::bind(statement, conversion::readable(m_file, before, stored, after.type)) != SQLITE_OK ||
        sqlite3_step(statement) != SQLITE_ROW) {
        why = sqlite3_errmsg(m_db);
        if (why.size() > 7 && why.front() == '[' && why[6] == ']')
            why.erase(0, 7);  // the SQLSTATE the function gave, which the statement's own replaces
        sqlite3_reset(statement);
        return false;
    }
    const bool fits = fieldValueOf(after, sqlite3_column_value(statement, 0), converted, why);
    sqlite3_reset(statement);
    if (fits && converted.kind == JetFieldValue::Kind::Decimal)
        converted.text = conversion::narrowed(converted.text, after.scale);
    return fits;
}

}  // namespace kervane::jet
