#pragma once
// The text form of one value of the current row, as SQL_C_CHAR gives it out.
#include "driver/values/AccessTypes.h"

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace kervane::odbc {

struct ValueText {
    bool isNull = true;
    std::string_view text;  // points into SQLite's row or into the scratch string
};

// Builds the text of column index (0-based) of the statement's current row. Text values
// that need no change are not copied; others are written into scratch.
ValueText valueText(sqlite3_stmt* statement, int index, const ColumnType& type, std::string& scratch);

// Formatting helpers, also used for the typed conversions.
std::string_view formatInteger(sqlite3_int64 value, std::string& scratch);
std::string_view formatFloating(double value, TextForm form, std::string& scratch);
std::string_view formatScaled(double value, int scale, std::string& scratch);
std::string_view formatScaledInteger(sqlite3_int64 value, int scale, std::string& scratch);
std::string_view formatDateTime(std::string_view text, std::string& scratch, int fractionDigits = 0);
std::string_view formatHex(const unsigned char* bytes, std::size_t size, std::string& scratch);

}  // namespace kervane::odbc
