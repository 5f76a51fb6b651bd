#pragma once
// Jet column types as SQLite sees them: the declared type of each column and the
// conversion of a stored fixed-size value into an SQLite value.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kervane::jet {

// The types Access 2016 added, which libmdb does not name, and the complex type of Access 2007.
constexpr int kComplexType = 0x12;       // lists of values, attachments: JetComplexValues.h
constexpr int kLargeNumberType = 0x13;   // "Large Number": 8 bytes, a signed integer
constexpr int kExtendedDateType = 0x14;  // "Date/Time Extended": JetExtendedDate.h

struct ColumnInfo {
    int type = 0;       // libmdb's MDB_* type code
    int size = 0;       // stored size in bytes
    int precision = 0;  // decimal columns only
    int scale = 0;
    bool autoNumber = false;  // a long integer numbered by Jet (AutoNumber)
    // Calculated by Access (2010 and later): `type` is the type of its result, and each value is
    // kept wrapped (calculatedData()).
    bool calculated = false;
    std::uint32_t complexId = 0;  // a complex column's (Access 2007 and later): JetComplexValues.h
};

struct SqlValue {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string bytes;  // TEXT (UTF-8) or BLOB
};

// "TEXT(n)", "MEMO", "LONG", "COUNTER" (AutoNumber), ... as the driver expects them.
std::string declaredType(const ColumnInfo& column, bool jet3);

// True for the types whose value lies in the row itself with a fixed size.
bool isFixedType(int type);
// Stored size a fixed type needs (0 for the yes/no type, kept in the null mask).
int fixedSize(int type);

// The bytes of a calculated value within the `size` bytes stored at `data` (20 bytes before
// them, their length among them, 3 after): [start, start + length); false when they do not fit.
bool calculatedData(const unsigned char* data, std::size_t size, std::size_t& start, std::size_t& length);
// A calculated decimal's text: its own scale and sign before its digits, kept in little-endian
// pieces; none when the bytes are too short.
std::optional<std::string> calculatedDecimalText(const unsigned char* data, std::size_t size);

// Converts a fixed-size value; false when `size` is too small for the type.
bool convertFixed(const ColumnInfo& column, const unsigned char* data, int size, SqlValue& value);

std::string currencyText(std::int64_t scaled);
// "yyyy-mm-dd hh:mm:ss"; false outside the years 100 to 9999 or for a non-finite value.
bool dateTimeText(double days, std::string& text);
std::string guidText(const unsigned char* bytes);
// A 17-byte decimal: sign byte then a 128-bit magnitude kept as four words, high word first.
std::string decimalText(const unsigned char* bytes, int scale);

}  // namespace kervane::jet
