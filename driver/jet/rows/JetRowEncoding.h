#pragma once
// Jet 3 and Jet 4 data rows from values: fixed columns at their offsets, variable columns after
// them, the variable-column offset table, the null mask (which also holds Yes/No values).
// Jet 4 texts and memos are written as plain UTF-16LE, never in the compressed form; Jet 3 ones
// in the column's code page.
#include "driver/jet/format/JetTableLayout.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kervane::jet {

struct JetFieldValue {
    // Stored: the bytes the column already holds in a row (fixed bytes, or a variable column's
    // bytes, a long value's reference included), written back as they are.
    enum class Kind { Null, Boolean, Number, Real, Decimal, Text, Binary, Stored };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t number = 0;
    double real = 0;          // also dates: days since 1899-12-30, the hours as a fraction
    std::string text;         // UTF-8; the exact decimal ("-12.5") for Decimal
    std::vector<unsigned char> bytes;

    static JetFieldValue null() { return {}; }
    static JetFieldValue of(bool v) { JetFieldValue f; f.kind = Kind::Boolean; f.boolean = v; return f; }
    static JetFieldValue of(std::int64_t v) { JetFieldValue f; f.kind = Kind::Number; f.number = v; return f; }
    static JetFieldValue of(double v) { JetFieldValue f; f.kind = Kind::Real; f.real = v; return f; }
    static JetFieldValue decimal(std::string v) { JetFieldValue f; f.kind = Kind::Decimal; f.text = std::move(v); return f; }
    static JetFieldValue of(std::string v) { JetFieldValue f; f.kind = Kind::Text; f.text = std::move(v); return f; }
    static JetFieldValue of(std::vector<unsigned char> v) { JetFieldValue f; f.kind = Kind::Binary; f.bytes = std::move(v); return f; }
    static JetFieldValue stored(std::vector<unsigned char> v) { JetFieldValue f; f.kind = Kind::Stored; f.bytes = std::move(v); return f; }
};

// The largest memo or OLE value kept in the row. Longer ones go to long-value pages, whole in
// one row up to the format's maxLongValueRow, chained in pieces over several pages beyond, up
// to the largest length the reference can hold.
constexpr int kMaxInlineLongValue = 64;
constexpr int kMaxLongValue = 0x3fffffff;

// Data pointers ((page << 8) | row) of the long values kept outside the row, by column index.
using OutsideValues = std::map<std::size_t, std::uint32_t>;

// Bytes a fixed column takes in the row (Yes/No: none, its value is in the null mask).
int fixedSize(const JetLayoutColumn& column);

// Encodes `values` (one per column of layout, in definition order, laid out as the layout's
// format says) as a row of at least
// `minSize` bytes (zeros fill the gap before the trailing tables); false with a French message
// naming the column when a value does not fit its column or cannot be written yet. A memo or
// OLE value of more than 64 bytes is refused unless `outside` gives where it is kept.
bool encodeRow(const JetTableLayout& layout, const std::vector<JetFieldValue>& values, int minSize,
               std::vector<unsigned char>& row, std::string& error, const OutsideValues& outside = {});

// One value as its column stores it (fixed bytes, or a variable column's bytes); false with a
// French message.
bool encodeValue(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& out,
                 std::string& error, const std::uint32_t* outside = nullptr,
                 const JetFileFormat& format = jet4FileFormat());
// The value of a column Access calculates, wrapped as it keeps it among the variable columns
// (JetCalculatedEncoding.cpp); false with a French message when its result type is not written
// yet or the value does not fit.
bool encodeCalculated(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& out,
                      std::string& error);
// A calculated value's bytes wrapped as Access keeps them (a memo's in its long value).
void wrapCalculated(const std::vector<unsigned char>& value, std::vector<unsigned char>& out);
// The bytes a memo (UTF-16LE, or the column's code page) or OLE value stands for; false with a
// French message. A memo given as Binary is given as another file stores it (a copy's), its
// bytes kept as they are.
bool longValueData(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<unsigned char>& data,
                   std::string& error);

// The French message for a value `column` cannot take: "La valeur donnée à la colonne « X » "
// followed by `why` and a full stop.
std::string valueRefused(const JetLayoutColumn& column, const std::string& why);

}  // namespace kervane::jet
