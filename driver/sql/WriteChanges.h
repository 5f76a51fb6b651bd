#pragma once
// Statements that change the base, written for SQLite.
#include "driver/sql/Writer.h"

namespace kervane::sql {

// A value about to be stored in column, made to follow the column's rule; throws SqlError
// (22007) for a constant text that is not a readable date.
std::string storedValue(const Written& value, const CatalogueColumn& column);

// The columns of `table` that Access calculates, each with the SQL of its value for the row whose
// columns `scope` gives (its values first, then its sources), in an order where each comes after
// those it reads; throws SqlError when an expression cannot be written or the columns read each
// other in a circle. Empty for a table without such columns.
std::vector<std::pair<const CatalogueColumn*, std::string>> calculatedValues(Writer& writer, const CatalogueTable& table,
                                                                            Scope scope);
// Throws SqlError when `column` is calculated: no statement gives it a value.
void refuseCalculatedTarget(const CatalogueColumn& column);

std::string writeInsert(Writer& writer, const Insert& insert);
std::string writeUpdate(Writer& writer, const Update& update);
std::string writeDelete(Writer& writer, const Delete& remove);
// CREATE, DROP, ALTER...: the tokens again, names and texts quoted the SQLite way, dates in
// their stored form, an AutoNumber column numbered by SQLite.
std::string writeRaw(const std::vector<RawToken>& tokens);

}  // namespace kervane::sql
