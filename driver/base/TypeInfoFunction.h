#pragma once
// SQL function kervane_type_info(declared type, field, odbc3) used by the catalogue
// queries: gives the ODBC description of a declared type, one field at a time.
#include <sqlite3.h>

namespace kervane::odbc {

enum class TypeField : int {
    DataType = 1,
    TypeName,
    Precision,
    Length,
    Scale,
    Radix,
    SqlDataType,
    DateTimeSub,
    CharOctetLength,
};

void registerTypeInfoFunction(sqlite3* db);

}  // namespace kervane::odbc
