#pragma once
// What a table's design properties (the LvProp value of its MSysObjects row: "KKD" in Jet 3,
// "MR2" in Jet 4) say of its columns: the default value and whether a value is required.
// Every length is checked against the value's bytes: damaged properties give nothing.
#include "driver/jet/index/JetIndexList.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

struct ColumnProperties {
    std::optional<std::string> defaultValue;  // as Access keeps it ("0", "\"Lyon\"", "=Date()")
    bool required = false;
};

// Keyed by column name (as the properties spell it); false when the value is no property
// list or is damaged.
bool readColumnProperties(const std::vector<unsigned char>& value, const TextDecoder& decode,
                          std::map<std::string, ColumnProperties>& columns);

}  // namespace kervane::jet
