// Functions the SQL writer places around date values: Access's date arithmetic, the
// conversion of a value to a date, the rule of what a date column accepts, and texts
// compared with a date column.
#include "driver/sql/functions/DateFamily.h"
#include "driver/sql/functions/DateSupport.h"
#include "driver/semantics/ExtendedDate.h"

#include <string>

namespace kervane::sql {
namespace {

// date + number: the serial moves by the number of days (Access adds the doubles).
void datePlusFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (anyNull(2, argv))
        return sqlite3_result_null(context);
    const auto serial = readDate(context, argv[0]);
    const auto days = serial ? readDouble(context, argv[1]) : std::nullopt;
    if (days)
        resultDate(context, *serial + *days);
}

// date - date: the days between them, as a Double.
void dateMinusFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (anyNull(2, argv))
        return sqlite3_result_null(context);
    const auto first = readDate(context, argv[0]);
    const auto second = first ? readDate(context, argv[1]) : std::nullopt;
    if (second)
        resultDouble(context, *first - *second);
}

std::optional<double> storedSerial(sqlite3_value* value)
{
    return serialFromValue(value, readStoredDate);
}

void refuseDate(sqlite3_context* context, sqlite3_value** argv)
{
    const std::string message = "[22007]La valeur « " + std::string(textOf(argv[0]))
        + " » n'est pas une date valide pour la colonne « " + std::string(textOf(argv[1])) + " ».";
    reportError(context, message);
}

// kv_store_date(value, column): the value written into a date column, or a refusal.
void storeDateFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    if (const auto serial = storedSerial(argv[0]))
        return resultText(context, canonicalDate(*serial));
    refuseDate(context, argv);
}

// kv_store_extended_date(value, column): the same for an extended date column, whose ISO texts
// keep their fraction of a second and may name the years 1 to 99.
void storeExtendedDateFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT)
        if (const auto date = readExtendedDate(textOf(argv[0])))
            return resultText(context, extendedDateText(*date));
    if (const auto serial = storedSerial(argv[0]))
        return resultText(context, canonicalDate(*serial));
    refuseDate(context, argv);
}

// A value compared with a date column: a readable date becomes canonical, anything else is
// compared as it is.
void compareDateFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    std::optional<double> serial = storedSerial(argv[0]);
    if (!serial && sqlite3_value_type(argv[0]) == SQLITE_TEXT)
        serial = readUserDate(textOf(argv[0]));
    if (serial)
        resultText(context, canonicalDate(*serial));
    else
        sqlite3_result_value(context, argv[0]);
}

constexpr ScalarFunctionEntry DATE_WRITER_ENTRIES[] = {
    {"kv_date_plus", 2, datePlusFunction},
    {"kv_date_minus", 2, dateMinusFunction},
    {"kv_to_date", 1, cdateFunction},   // a value made a date, as CDate does
    {"kv_store_date", 2, storeDateFunction},
    {"kv_store_extended_date", 2, storeExtendedDateFunction},
    {"kv_compare_date", 1, compareDateFunction},
};

}  // namespace

std::span<const ScalarFunctionEntry> dateWriterFunctions()
{
    return DATE_WRITER_ENTRIES;
}

}  // namespace kervane::sql
