#pragma once
// The files of the date family hand their SQLite functions to the family's registration
// (DateFunctions.cpp), which also lists Format and its kin (FormatFunctions.cpp).
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <span>

namespace kervane::sql {

// DateAdd, DateDiff, DatePart, DateSerial, TimeSerial.
std::span<const ScalarFunctionEntry> dateArithmeticFunctions();
// kv_date_plus, kv_date_minus, kv_to_date, kv_store_date, kv_compare_date: no Access names,
// the SQL writer calls them for date arithmetic, date columns and comparisons.
std::span<const ScalarFunctionEntry> dateWriterFunctions();
// CDate, which is also the writer's kv_to_date.
void cdateFunction(sqlite3_context* context, int argc, sqlite3_value** argv);

// Format, FormatNumber, FormatCurrency, FormatPercent, FormatDateTime.
std::span<const FunctionInfo> formatFunctions();
void registerFormatFunctions(sqlite3* db);

}  // namespace kervane::sql
