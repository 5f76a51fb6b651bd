#pragma once
// Shared by the function families registered on SQLite: reading arguments with VBA's Variant
// coercions, errors carrying their SQLSTATE, banker's rounding. Characters.h has the UTF-8 side.
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kervane::sql {

// ---- Errors ------------------------------------------------------------------------------
// Each message starts with its SQLSTATE between brackets; the driver takes it out again.
inline constexpr std::string_view TYPE_MISMATCH_MESSAGE = "[22018]Type de données incompatible dans l'expression.";
inline constexpr std::string_view OVERFLOW_MESSAGE = "[22003]Dépassement de capacité.";
inline constexpr std::string_view DIVISION_BY_ZERO_MESSAGE = "[22012]Division par zéro.";
inline constexpr std::string_view INVALID_NULL_MESSAGE = "[22004]Utilisation incorrecte de Null.";

void reportError(sqlite3_context* context, std::string_view message);
void reportTypeMismatch(sqlite3_context* context);
void reportOverflow(sqlite3_context* context);
void reportDivisionByZero(sqlite3_context* context);
void reportInvalidNull(sqlite3_context* context);   // VBA's error 94, a Null where none may be
// VBA's error 5: "[22023]Argument ou appel de procédure incorrect dans « Mid »."
void reportBadArgument(sqlite3_context* context, std::string_view functionName);

// ---- Registration ------------------------------------------------------------------------
using ScalarFunction = void (*)(sqlite3_context*, int, sqlite3_value**);

struct ScalarFunctionEntry {
    const char* sqliteName;
    int argumentCount;          // -1: any count, checked by the function itself
    ScalarFunction function;
    bool deterministic = true;
};

// Inside a catch block: reports the exception being handled as the function's error
// (SQLite's out-of-memory error for memory exhausted).
void reportFailure(sqlite3_context* context) noexcept;

// A function registered by itself, called by SQLite through Guarded<function>::call so that no
// exception reaches SQLite.
template <void (*Function)(sqlite3_context*, int, sqlite3_value**)>
struct GuardedFunction {
    static void call(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept
    {
        try {
            Function(context, argc, argv);
        } catch (...) {
            reportFailure(context);
        }
    }
};

// Registers every entry with SQLITE_UTF8 (and SQLITE_DETERMINISTIC where flagged); each call
// is guarded so that no exception reaches SQLite. The entries must outlive the connection.
void registerScalarFunctions(sqlite3* db, std::span<const ScalarFunctionEntry> entries);

// The functions behind Access's operators, which the SQLite writer calls by name: kv_concat (&),
// kv_plus (+), kv_div (/), kv_intdiv (\), kv_mod (Mod), kv_pow (^), kv_and, kv_or, kv_xor,
// kv_eqv, kv_imp, kv_not. registerNumberFunctions registers them too.
void registerOperatorFunctions(sqlite3* db);

// ---- Reading arguments -------------------------------------------------------------------
bool isNull(sqlite3_value* value);
bool anyNull(int argc, sqlite3_value** argv);
// An INTEGER or REAL value (not a text that reads as a number).
bool isNumberValue(sqlite3_value* value);
// The value's text, numbers written by SQLite; empty for NULL.
std::string_view textOf(sqlite3_value* value);
// The argument at index, or nullptr when it is missing or Null (the optional arguments).
sqlite3_value* optionalArgument(int argc, sqlite3_value** argv, int index);

// A text read as VBA coerces a String to a number: blanks around, an optional sign, digits with
// '.' or the user's decimal separator, an optional exponent (E or D), or &H / &O notation.
// Nothing for anything else (an empty text, a date, "12 kg").
std::optional<double> parseNumber(std::string_view text);
// The value as a number: INTEGER and REAL as they are, TEXT through parseNumber; nothing for
// NULL, a BLOB or a text that is not a number.
std::optional<double> numberValue(sqlite3_value* value);

// Arguments read for a computation. On failure they report the error on the context (Null:
// invalid use of Null; not a number: type mismatch; out of range: overflow) and return nothing,
// so the caller just returns.
std::optional<double> readDouble(sqlite3_context* context, sqlite3_value* value);
// Rounded to a whole number the banker's way, then checked against [minimum, maximum].
std::optional<std::int64_t> readWholeNumber(sqlite3_context* context, sqlite3_value* value,
                                            std::int64_t minimum, std::int64_t maximum);
std::optional<std::int32_t> readLong(sqlite3_context* context, sqlite3_value* value);
// A Long below minimum reports VBA's error 5 naming the function (a negative length...).
std::optional<std::int32_t> readLongAtLeast(sqlite3_context* context, sqlite3_value* value, std::int32_t minimum,
                                            std::string_view functionName);

// For functions that give Null for a Null argument: a Null sends Null and returns nothing, so
// the caller just returns as after an error; any other value goes through read (readDouble...).
template <typename Value>
std::optional<Value> readOrNull(sqlite3_context* context, sqlite3_value* value,
                                std::optional<Value> (*read)(sqlite3_context*, sqlite3_value*))
{
    if (isNull(value)) {
        sqlite3_result_null(context);
        return std::nullopt;
    }
    return read(context, value);
}

// ---- Numbers -----------------------------------------------------------------------------
// Ties go to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2.
double roundHalfEven(double value);
// Banker's rounding to decimal places, decided on the decimal digits of the shortest text that
// reads back as the same double (so 0.12345 is a tie at 4 places). places >= 0.
double roundToPlaces(double value, int places);
// A double as VBA writes it: up to 15 significant digits, no trailing zeros, exponent form
// ("1E+20", "1,5E-07") outside the fixed range; decimal is '.' or the user's separator.
std::string numberText(double value, char decimal);
// A value as CStr and & write it: integers in full, reals through numberText with the user's
// decimal separator, texts as they are, a BLOB's bytes; "" for NULL.
std::string textValue(sqlite3_value* value);

// ---- Results -----------------------------------------------------------------------------
void resultText(sqlite3_context* context, std::string_view text);
// A Double result; infinities and NaN report an overflow instead.
void resultDouble(sqlite3_context* context, double value);
// -1 for true, 0 for false.
void resultBoolean(sqlite3_context* context, bool value);

}  // namespace kervane::sql
