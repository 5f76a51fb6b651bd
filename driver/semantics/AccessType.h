#pragma once
// Access data types of columns and of the expressions the front end builds over them.
#include <string>
#include <string_view>

namespace kervane::sql {

enum class AccessType {
    Unknown,   // not known before run time (a parameter, a value of an untyped column)
    Null,      // the Null literal
    Boolean,   // Yes/No: -1 true, 0 false
    Byte,
    Short,     // Integer
    Long,      // Long Integer, AutoNumber
    BigInt,    // Large Number (Access 2016 and later): 64 bits
    Single,
    Double,
    Currency,
    Decimal,
    Date,      // held in SQLite as text "yyyy-mm-dd hh:mm:ss" (an extended date: a fraction after)
    Text,
    Memo,
    Binary,    // OLE object, long binary
    Guid,
};

// What the statement tells of one of its parameters: the type of the column it meets
// (Unknown when it meets none) and that column's declared type; for a parameter declared by
// PARAMETERS, its declared type and its name (empty for a ? marker).
struct ParameterUse {
    AccessType type = AccessType::Unknown;
    std::string declared;
    std::string name;
};

// The type of a column from its declared type ("TEXT(50)", "LONG", "DATETIME", "YESNO"...).
AccessType typeFromDeclaration(std::string_view declared);
// A declared type for a column or expression of this type, in the driver's vocabulary
// ("VARCHAR(255)", "LONG", "DATETIME", "BIT"...); empty for Unknown and Null.
std::string_view declarationFor(AccessType type);

inline bool isText(AccessType type) { return type == AccessType::Text || type == AccessType::Memo; }
// A value whose type is known only at run time (a parameter, a Variant function's result) may
// be a text, so it is compared and sorted in the Access text order too. SQLite applies a
// collation only between two texts: numbers stay compared as numbers.
inline bool mayBeText(AccessType type) { return isText(type) || type == AccessType::Unknown; }
inline bool isNumeric(AccessType type)
{
    switch (type) {
    case AccessType::Boolean:
    case AccessType::Byte:
    case AccessType::Short:
    case AccessType::Long:
    case AccessType::BigInt:
    case AccessType::Single:
    case AccessType::Double:
    case AccessType::Currency:
    case AccessType::Decimal:
        return true;
    default:
        return false;
    }
}
inline bool isInteger(AccessType type)
{
    return type == AccessType::Boolean || type == AccessType::Byte || type == AccessType::Short
        || type == AccessType::Long || type == AccessType::BigInt;
}

}  // namespace kervane::sql
