#pragma once
// Access SQL in, SQLite SQL out: the front end's single entry point for the driver.
#include "driver/semantics/AccessType.h"

#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql {

class SchemaCatalogue;
struct Statement;

struct Translation {
    enum class Kind {
        Rows,     // returns rows: SELECT, TRANSFORM, a stored query called
        Changes,  // changes rows and reports their count: INSERT, UPDATE, DELETE, SELECT ... INTO
        Other,    // CREATE, DROP, ALTER...
    };
    Kind kind = Kind::Rows;
    // SQLite statements run in this order; the last one gives the rows or the count.
    std::vector<std::string> statements;
    // Access type of each result column of the last statement (Rows only).
    std::vector<AccessType> columnTypes;
    // For each of them, the number of the parameter it shows alone (SELECT ? AS x), else 0: its
    // type is the one the application binds.
    std::vector<int> columnParameters;
    // One entry per parameter, numbered as ODBC numbers them.
    std::vector<ParameterUse> parameters;
    // SELECT … INTO: the new table as Access SQL declares it ("CREATE TABLE [t] ([c] LONG, …)"),
    // for a base whose structure the driver changes itself; the first statement then creates it
    // in SQLite terms.
    std::string madeTable;
};

// Translates one Access SQL statement; throws SqlError with a French message. The catalogue
// gives the columns' types; TRANSFORM without an IN list reads its column headings from the
// database while translating.
Translation translate(std::string_view accessSql, SchemaCatalogue& catalogue);
// The same for `statement`, already parsed from `accessSql`.
Translation translate(const Statement& statement, std::string_view accessSql, SchemaCatalogue& catalogue);

}  // namespace kervane::sql
