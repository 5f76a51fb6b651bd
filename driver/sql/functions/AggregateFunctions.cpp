// Access's aggregates that SQLite lacks: First and Last (the value of the first or last row fed,
// Null included) and the sample and population statistics StDev, StDevP, Var, VarP.
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <algorithm>
#include <cmath>

namespace kervane::sql {
namespace {

// ---- First and Last ----------------------------------------------------------------------
// SQLite hands out zeroed memory for the state and frees it without a destructor, so the kept
// value is freed by hand in the final step.

struct KeptValue {
    sqlite3_value* value;
    bool seen;
};

void keepValue(sqlite3_context* context, sqlite3_value* value, bool replace)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(context, sizeof(KeptValue)));
    if (kept == nullptr)
        return sqlite3_result_error_nomem(context);
    if (kept->seen && !replace)
        return;
    sqlite3_value* copy = sqlite3_value_dup(value);
    if (copy == nullptr)
        return sqlite3_result_error_nomem(context);
    sqlite3_value_free(kept->value);
    kept->value = copy;
    kept->seen = true;
}

void firstStep(sqlite3_context* context, int, sqlite3_value** argv) { keepValue(context, argv[0], false); }
void lastStep(sqlite3_context* context, int, sqlite3_value** argv) { keepValue(context, argv[0], true); }

void keptFinal(sqlite3_context* context)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(context, 0));
    if (kept == nullptr || kept->value == nullptr)
        return sqlite3_result_null(context);
    sqlite3_result_value(context, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

// ---- StDev, StDevP, Var, VarP ------------------------------------------------------------
// Welford's running mean and sum of squared deviations, which stays accurate when the values
// are large and close together. Nulls are skipped.

struct Deviations {
    sqlite3_int64 count;
    double mean;
    double squares;   // sum of squared deviations from the mean
};

void deviationStep(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return;
    const std::optional<double> value = readDouble(context, argv[0]);
    if (!value)
        return;
    auto* state = static_cast<Deviations*>(sqlite3_aggregate_context(context, sizeof(Deviations)));
    if (state == nullptr)
        return sqlite3_result_error_nomem(context);
    ++state->count;
    const double delta = *value - state->mean;
    state->mean += delta / static_cast<double>(state->count);
    state->squares += delta * (*value - state->mean);
}

// The variance over count - 1 (sample) or count (population); Null without enough rows.
std::optional<double> variance(sqlite3_context* context, bool sample)
{
    const auto* state = static_cast<const Deviations*>(sqlite3_aggregate_context(context, 0));
    const sqlite3_int64 minimum = sample ? 2 : 1;
    if (state == nullptr || state->count < minimum)
        return std::nullopt;
    const double divisor = static_cast<double>(sample ? state->count - 1 : state->count);
    return std::max(0.0, state->squares / divisor);
}

void finishStatistic(sqlite3_context* context, bool sample, bool squareRoot)
{
    const std::optional<double> result = variance(context, sample);
    if (!result)
        return sqlite3_result_null(context);
    sqlite3_result_double(context, squareRoot ? std::sqrt(*result) : *result);
}

void stdevFinal(sqlite3_context* context) { finishStatistic(context, true, true); }
void stdevpFinal(sqlite3_context* context) { finishStatistic(context, false, true); }
void varFinal(sqlite3_context* context) { finishStatistic(context, true, false); }
void varpFinal(sqlite3_context* context) { finishStatistic(context, false, false); }

struct AggregateEntry {
    const char* sqliteName;
    void (*step)(sqlite3_context*, int, sqlite3_value**);
    void (*final)(sqlite3_context*);
};

constexpr AggregateEntry AGGREGATES[] = {
    {"kv_first", firstStep, keptFinal},       {"kv_last", lastStep, keptFinal},
    {"kv_stdev", deviationStep, stdevFinal},  {"kv_stdevp", deviationStep, stdevpFinal},
    {"kv_var", deviationStep, varFinal},      {"kv_varp", deviationStep, varpFinal},
};

using enum AccessType;

constexpr FunctionInfo AGGREGATE_CATALOGUE[] = {
    {"First", "kv_first", 1, 1, Unknown, 0, true},
    {"Last", "kv_last", 1, 1, Unknown, 0, true},
    {"StDev", "kv_stdev", 1, 1, Double, -1, true},
    {"StDevP", "kv_stdevp", 1, 1, Double, -1, true},
    {"Var", "kv_var", 1, 1, Double, -1, true},
    {"VarP", "kv_varp", 1, 1, Double, -1, true},
};

}  // namespace

std::span<const FunctionInfo> aggregateFunctions() { return AGGREGATE_CATALOGUE; }

namespace {

// As the scalar functions: the entry is the user data, and no exception reaches SQLite.
const AggregateEntry& entryOf(sqlite3_context* context)
{
    return *static_cast<const AggregateEntry*>(sqlite3_user_data(context));
}

void guardedStep(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept
{
    try {
        entryOf(context).step(context, argc, argv);
    } catch (...) {
        reportFailure(context);
    }
}

void guardedFinal(sqlite3_context* context) noexcept
{
    try {
        entryOf(context).final(context);
    } catch (...) {
        reportFailure(context);
    }
}

}  // namespace

void registerAggregateFunctions(sqlite3* db)
{
    for (const AggregateEntry& entry : AGGREGATES) {
        sqlite3_create_function_v2(db, entry.sqliteName, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   const_cast<AggregateEntry*>(&entry), nullptr, guardedStep, guardedFinal, nullptr);
    }
}

}  // namespace kervane::sql
