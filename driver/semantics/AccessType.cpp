#include "driver/semantics/AccessType.h"

#include <array>
#include <cctype>
#include <string>

namespace kervane::sql {
namespace {

struct Word {
    std::string_view word;
    AccessType type;
};

// The first word of a declared type, as the driver's catalogue reads it.
constexpr std::array<Word, 45> WORDS = {{
    {"TEXT", AccessType::Text},          {"VARCHAR", AccessType::Text},      {"CHAR", AccessType::Text},
    {"CHARACTER", AccessType::Text},     {"NVARCHAR", AccessType::Text},     {"NCHAR", AccessType::Text},
    {"STRING", AccessType::Text},        {"ALPHANUMERIC", AccessType::Text}, {"MEMO", AccessType::Memo},
    {"LONGTEXT", AccessType::Memo},      {"LONGCHAR", AccessType::Memo},     {"NOTE", AccessType::Memo},
    {"LONG", AccessType::Long},          {"INTEGER", AccessType::Long},      {"INT", AccessType::Long},
    {"COUNTER", AccessType::Long},       {"AUTOINCREMENT", AccessType::Long}, {"SHORT", AccessType::Short},
    {"SMALLINT", AccessType::Short},     {"BYTE", AccessType::Byte},         {"TINYINT", AccessType::Byte},
    {"SINGLE", AccessType::Single},      {"REAL", AccessType::Single},       {"DOUBLE", AccessType::Double},
    {"FLOAT", AccessType::Double},       {"NUMBER", AccessType::Double},     {"CURRENCY", AccessType::Currency},
    {"MONEY", AccessType::Currency},     {"DECIMAL", AccessType::Decimal},   {"NUMERIC", AccessType::Decimal},
    {"DATETIME", AccessType::Date},      {"DATE", AccessType::Date},         {"TIME", AccessType::Date},
    {"TIMESTAMP", AccessType::Date},     {"BIT", AccessType::Boolean},       {"YESNO", AccessType::Boolean},
    {"LOGICAL", AccessType::Boolean},    {"BOOLEAN", AccessType::Boolean},   {"OLEOBJECT", AccessType::Binary},
    {"LONGBINARY", AccessType::Binary},  {"BLOB", AccessType::Binary},       {"BINARY", AccessType::Binary},
    {"GUID", AccessType::Guid},          {"BIGINT", AccessType::BigInt},     {"DATETIME2", AccessType::Date},
}};

}  // namespace

AccessType typeFromDeclaration(std::string_view declared)
{
    std::string word;
    std::size_t i = 0;
    while (i < declared.size() && std::isspace(static_cast<unsigned char>(declared[i])))
        ++i;
    while (i < declared.size() && (std::isalnum(static_cast<unsigned char>(declared[i])) || declared[i] == '_'))
        word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(declared[i++]))));
    for (const Word& entry : WORDS)
        if (entry.word == word)
            return entry.type;
    return AccessType::Unknown;
}

std::string_view declarationFor(AccessType type)
{
    switch (type) {
    case AccessType::Boolean: return "BIT";
    case AccessType::Byte: return "BYTE";
    case AccessType::Short: return "SHORT";
    case AccessType::Long: return "LONG";
    case AccessType::BigInt: return "BIGINT";
    case AccessType::Single: return "SINGLE";
    case AccessType::Double: return "DOUBLE";
    case AccessType::Currency: return "CURRENCY";
    // A computed decimal's scale is not known: it is shown as a double rather than cut.
    case AccessType::Decimal: return "DOUBLE";
    case AccessType::Date: return "DATETIME";
    case AccessType::Text: return "VARCHAR(255)";
    case AccessType::Memo: return "LONGTEXT";
    case AccessType::Binary: return "LONGBINARY";
    case AccessType::Guid: return "GUID";
    case AccessType::Unknown:
    case AccessType::Null:
        break;
    }
    return {};
}

}  // namespace kervane::sql
