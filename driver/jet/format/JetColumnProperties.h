#pragma once
// What a table's design properties (the LvProp value of its MSysObjects row: "KKD" in Jet 3,
// "MR2" in Jet 4) say of its columns: the default value, whether a value is required, and the
// expression and the type of the result of a calculated column. Every length is checked against the value's bytes:
// damaged properties give nothing.
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

struct ColumnProperties {
    std::optional<std::string> defaultValue;  // as Access keeps it ("0", "\"Lyon\"", "=Date()")
    bool required = false;
    std::optional<int> resultType;  // a calculated column's: the type code of its values
    std::optional<std::string> expression;  // a calculated column's: what computes its values
};

// A name or text of the properties, in the file's encoding, as UTF-8.
using PropertyTextDecoder = std::function<std::string(const unsigned char*, std::size_t)>;

// Keyed by column name (as the properties spell it); false when the value is no property
// list or is damaged.
bool readColumnProperties(const std::vector<unsigned char>& value, const PropertyTextDecoder& decode,
                          std::map<std::string, ColumnProperties>& columns);

}  // namespace kervane::jet
