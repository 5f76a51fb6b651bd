// Access's operators where SQLite's own do not give Access's answers: & and + with their Null
// and text rules, / \ Mod ^ with VBA's rounding and errors, and the logical operators, which
// work bit by bit on Longs with Null as a third value.
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <cmath>

namespace kervane::sql {
namespace {

// a & b: a single Null counts as "", two Nulls give Null.
void concat(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) && isNull(argv[1]))
        return sqlite3_result_null(context);
    resultText(context, textValue(argv[0]) + textValue(argv[1]));
}

void addIntegers(sqlite3_context* context, sqlite3_int64 a, sqlite3_int64 b)
{
    sqlite3_int64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return resultDouble(context, static_cast<double>(a) + static_cast<double>(b));
    sqlite3_result_int64(context, sum);
}

// a + b: two texts are joined; a text and a number are added when the text reads as a number
// (as a Double, like VBA's String + number); Null gives Null.
void plus(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const int leftType = sqlite3_value_type(argv[0]);
    const int rightType = sqlite3_value_type(argv[1]);
    if (leftType == SQLITE_TEXT && rightType == SQLITE_TEXT)
        return resultText(context, textValue(argv[0]) + textValue(argv[1]));
    if (leftType == SQLITE_INTEGER && rightType == SQLITE_INTEGER)
        return addIntegers(context, sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]));
    const std::optional<double> a = numberValue(argv[0]);
    const std::optional<double> b = numberValue(argv[1]);
    if (!a || !b)
        return reportTypeMismatch(context);
    resultDouble(context, *a + *b);
}

// a / b: always a Double.
void divide(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<double> a = readDouble(context, argv[0]);
    const std::optional<double> b = a ? readDouble(context, argv[1]) : std::nullopt;
    if (!b)
        return;
    if (*b == 0)
        return reportDivisionByZero(context);
    resultDouble(context, *a / *b);
}

// \ and Mod round both operands to Longs (banker's) before dividing.
bool readLongOperands(sqlite3_context* context, sqlite3_value** argv, std::int64_t& a, std::int64_t& b)
{
    const std::optional<std::int32_t> left = readLong(context, argv[0]);
    const std::optional<std::int32_t> right = left ? readLong(context, argv[1]) : std::nullopt;
    if (!right)
        return false;
    if (*right == 0) {
        reportDivisionByZero(context);
        return false;
    }
    a = *left;
    b = *right;
    return true;
}

void integerDivide(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    std::int64_t a = 0;
    std::int64_t b = 0;
    if (!readLongOperands(context, argv, a, b))
        return;
    const std::int64_t quotient = a / b;   // C++ truncates toward zero, as \ does
    if (quotient > INT32_MAX)
        return reportOverflow(context);
    sqlite3_result_int64(context, quotient);
}

void modulo(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    std::int64_t a = 0;
    std::int64_t b = 0;
    if (readLongOperands(context, argv, a, b))
        sqlite3_result_int64(context, a % b);   // the sign follows the dividend
}

// a ^ b: a Double; a negative base needs a whole exponent.
void power(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<double> base = readDouble(context, argv[0]);
    const std::optional<double> exponent = base ? readDouble(context, argv[1]) : std::nullopt;
    if (!exponent)
        return;
    if (*base < 0 && std::trunc(*exponent) != *exponent)
        return reportError(context, "[22023]Argument ou appel de procédure incorrect.");
    if (*base == 0 && *exponent < 0)
        return reportDivisionByZero(context);
    resultDouble(context, std::pow(*base, *exponent));
}

// ---- Logical operators -------------------------------------------------------------------
// True is -1 (all bits set) and False 0. With one Null operand the result is known only when
// the other operand decides it alone (False And Null = False, True Or Null = True...).

constexpr std::int32_t TRUE_BITS = -1;

struct Operand {
    bool null = true;
    std::int32_t bits = 0;
};

bool readOperand(sqlite3_context* context, sqlite3_value* value, Operand& operand)
{
    if (isNull(value))
        return true;
    const std::optional<std::int32_t> bits = readLong(context, value);
    if (!bits)
        return false;
    operand = Operand{false, *bits};
    return true;
}

using Combine = std::int32_t (*)(std::int32_t, std::int32_t);

// Calls combine when both operands are known; otherwise the one known operand decides through
// decidesAlone (the result it forces, or nothing for Null).
template <typename Decide>
void logical(sqlite3_context* context, sqlite3_value** argv, Combine combine, Decide decidesAlone)
{
    Operand a;
    Operand b;
    if (!readOperand(context, argv[0], a) || !readOperand(context, argv[1], b))
        return;
    if (!a.null && !b.null)
        return sqlite3_result_int(context, combine(a.bits, b.bits));
    const std::optional<std::int32_t> forced = decidesAlone(a, b);
    if (forced)
        return sqlite3_result_int(context, *forced);
    sqlite3_result_null(context);
}

std::optional<std::int32_t> unknown(const Operand&, const Operand&) { return std::nullopt; }

void logicalAnd(sqlite3_context* context, int, sqlite3_value** argv)
{
    logical(context, argv, [](std::int32_t a, std::int32_t b) { return a & b; },
            [](const Operand& a, const Operand& b) -> std::optional<std::int32_t> {
                const Operand& known = a.null ? b : a;
                if (!known.null && known.bits == 0)
                    return 0;
                return std::nullopt;
            });
}

void logicalOr(sqlite3_context* context, int, sqlite3_value** argv)
{
    logical(context, argv, [](std::int32_t a, std::int32_t b) { return a | b; },
            [](const Operand& a, const Operand& b) -> std::optional<std::int32_t> {
                const Operand& known = a.null ? b : a;
                if (!known.null && known.bits == TRUE_BITS)
                    return TRUE_BITS;
                return std::nullopt;
            });
}

void logicalXor(sqlite3_context* context, int, sqlite3_value** argv)
{
    logical(context, argv, [](std::int32_t a, std::int32_t b) { return a ^ b; }, unknown);
}

void logicalEqv(sqlite3_context* context, int, sqlite3_value** argv)
{
    logical(context, argv, [](std::int32_t a, std::int32_t b) { return ~(a ^ b); }, unknown);
}

// a Imp b = (Not a) Or b: False Imp anything and anything Imp True are True.
void logicalImp(sqlite3_context* context, int, sqlite3_value** argv)
{
    logical(context, argv, [](std::int32_t a, std::int32_t b) { return ~a | b; },
            [](const Operand& a, const Operand& b) -> std::optional<std::int32_t> {
                if ((!a.null && a.bits == 0) || (!b.null && b.bits == TRUE_BITS))
                    return TRUE_BITS;
                return std::nullopt;
            });
}

void logicalNot(sqlite3_context* context, int, sqlite3_value** argv)
{
    Operand a;
    if (!readOperand(context, argv[0], a))
        return;
    if (a.null)
        return sqlite3_result_null(context);
    sqlite3_result_int(context, ~a.bits);
}

constexpr ScalarFunctionEntry OPERATORS[] = {
    {"kv_concat", 2, concat},      {"kv_plus", 2, plus},         {"kv_div", 2, divide},
    {"kv_intdiv", 2, integerDivide}, {"kv_mod", 2, modulo},      {"kv_pow", 2, power},
    {"kv_and", 2, logicalAnd},     {"kv_or", 2, logicalOr},      {"kv_xor", 2, logicalXor},
    {"kv_eqv", 2, logicalEqv},     {"kv_imp", 2, logicalImp},    {"kv_not", 1, logicalNot},
};

}  // namespace

void registerOperatorFunctions(sqlite3* db) { registerScalarFunctions(db, OPERATORS); }

namespace {

// @@IDENTITY on a SQLite base: the rowid SQLite last gave, which an AutoNumber (COUNTER) column
// is.
void lastRowidIdentity(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_int64(context, sqlite3_last_insert_rowid(sqlite3_context_db_handle(context)));
}

}  // namespace

void registerRowidIdentity(sqlite3* db)
{
    sqlite3_create_function_v2(db, "kv_identity", 0, SQLITE_UTF8, nullptr, lastRowidIdentity, nullptr, nullptr,
                               nullptr);
}

}  // namespace kervane::sql
