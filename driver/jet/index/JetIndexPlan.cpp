#include "driver/jet/index/JetIndexPlan.h"

#include "driver/semantics/SortOrder.h"

#include <sqlite3.h>

#include <memory>
#include <sstream>
#include <string>

namespace kervane::jet {

namespace {

// A plan number: (column + 1) << 3, with the constraints taken, in the order of their values;
// or a walk in an index's order: kOrdered, with kBackwards, the index's columns in the plan's
// text ("column:descending" each, separated by spaces).
constexpr int kEqual = 1;
constexpr int kLower = 2;
constexpr int kUpper = 4;
constexpr int kColumnShift = 3;
constexpr int kOrdered = 1 << 30;
constexpr int kBackwards = 1;

// Integers beyond 2^53 do not all have a double of their own.
constexpr std::int64_t kExactDoubleLimit = std::int64_t{1} << 53;

bool isLower(unsigned char op)
{
    return op == SQLITE_INDEX_CONSTRAINT_GT || op == SQLITE_INDEX_CONSTRAINT_GE;
}

bool isUpper(unsigned char op)
{
    return op == SQLITE_INDEX_CONSTRAINT_LT || op == SQLITE_INDEX_CONSTRAINT_LE;
}

bool takes(const JetTable& table, sqlite3_index_info* info, int i)
{
    const auto& constraint = info->aConstraint[i];
    const unsigned char op = constraint.op;
    if (!constraint.usable || constraint.iColumn < 0 || static_cast<std::size_t>(constraint.iColumn) >= table.columns.size() ||
        (op != SQLITE_INDEX_CONSTRAINT_EQ && !isLower(op) && !isUpper(op)))
        return false;
    switch (indexKindOf(table.columns[static_cast<std::size_t>(constraint.iColumn)])) {
    case IndexKind::Number: return true;
    case IndexKind::Text: {
        // Another order than Access's (an explicit COLLATE) is left to SQLite.
        const char* collation = sqlite3_vtab_collation(info, i);
        return collation != nullptr && sqlite3_stricmp(collation, sql::ACCESS_COLLATION) == 0;
    }
    case IndexKind::None: return false;
    }
    return false;
}

// Index of the first constraint taken on `column` (any column when -1) that `wanted` accepts.
template <typename Wanted>
int firstTaken(const JetTable& table, sqlite3_index_info* info, int column, Wanted wanted)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        if ((column < 0 || info->aConstraint[i].iColumn == column) && wanted(info->aConstraint[i].op) &&
            takes(table, info, i))
            return i;
    }
    return -1;
}

enum class KeyOutcome { Key, Null, Unusable };

KeyOutcome exactNumber(std::int64_t integer, double& number)
{
    if (integer > kExactDoubleLimit || integer < -kExactDoubleLimit)
        return KeyOutcome::Unusable;
    number = static_cast<double>(integer);
    return KeyOutcome::Key;
}

struct ValueFree {
    void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
};

// A numeric column compares with a text as SQLite's numeric affinity makes it: a text that
// reads as a number is that number; any other text never equals a number.
KeyOutcome numberKey(sqlite3_value* value, double& number)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: return KeyOutcome::Null;
    case SQLITE_INTEGER: return exactNumber(sqlite3_value_int64(value), number);
    case SQLITE_FLOAT: number = sqlite3_value_double(value); return KeyOutcome::Key;
    case SQLITE_TEXT: {
        const std::unique_ptr<sqlite3_value, ValueFree> copy(sqlite3_value_dup(value));
        if (!copy)
            return KeyOutcome::Unusable;
        switch (sqlite3_value_numeric_type(copy.get())) {
        case SQLITE_INTEGER: return exactNumber(sqlite3_value_int64(copy.get()), number);
        case SQLITE_FLOAT: number = sqlite3_value_double(copy.get()); return KeyOutcome::Key;
        default: return KeyOutcome::Unusable;
        }
    }
    default: return KeyOutcome::Unusable;
    }
}

// Only a text is looked up in a text index: a number meets a text column through affinities
// the index does not follow.
KeyOutcome textKey(sqlite3_value* value, std::string& key)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: return KeyOutcome::Null;
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        key = sql::accessSortKey(std::string_view(text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value))));
        return KeyOutcome::Key;
    }
    default: return KeyOutcome::Unusable;
    }
}

KeyOutcome keyFor(IndexKind kind, sqlite3_value* value, IndexKey& key)
{
    return kind == IndexKind::Number ? numberKey(value, key.number) : textKey(value, key.text);
}

}  // namespace

// The order of `orders` that gives the ORDER BY SQLite asks for, and whether backwards; none
// when no order does. SQLite hands a virtual table only the terms that are its columns in their
// own collation; number columns only are taken, whose order SQLite and the index agree on (Nulls
// first going up, last going down).
std::optional<std::pair<std::size_t, bool>> orderServing(const JetTable& table, const sqlite3_index_info* info,
                                                         const std::vector<TableOrder>& orders)
{
    if (info->nOrderBy <= 0)
        return std::nullopt;
    for (std::size_t o = 0; o < orders.size(); ++o) {
        const TableOrder& order = orders[o];
        if (static_cast<std::size_t>(info->nOrderBy) > order.columns.size())
            continue;
        bool serves = true;
        const bool backwards = (info->aOrderBy[0].desc != 0) != order.columns[0].second;
        for (int i = 0; i < info->nOrderBy && serves; ++i) {
            const int column = info->aOrderBy[i].iColumn;
            serves = column == order.columns[static_cast<std::size_t>(i)].first && column >= 0 &&
                     static_cast<std::size_t>(column) < table.columns.size() &&
                     indexKindOf(table.columns[static_cast<std::size_t>(column)]) == IndexKind::Number &&
                     ((info->aOrderBy[i].desc != 0) != order.columns[static_cast<std::size_t>(i)].second) == backwards;
        }
        if (serves)
            return std::pair{o, backwards};
    }
    return std::nullopt;
}

void planScan(const JetTable& table, sqlite3_index_info* info, const std::vector<TableOrder>& orders)
{
    // A walk costs in proportion to the table, so the planner puts small tables in the inner loops.
    const double rows = table.rowEstimate;
    info->estimatedRows = static_cast<sqlite3_int64>(rows) + 1;
    info->estimatedCost = 1000.0 + 10.0 * rows;
    const int equal = firstTaken(table, info, -1, [](unsigned char op) { return op == SQLITE_INDEX_CONSTRAINT_EQ; });
    if (equal >= 0) {
        info->aConstraintUsage[equal].argvIndex = 1;
        info->idxNum = (info->aConstraint[equal].iColumn + 1) << kColumnShift | kEqual;
        info->estimatedRows = static_cast<sqlite3_int64>(rows / 100.0) + 1;
        info->estimatedCost = 20.0 + 10.0 * static_cast<double>(info->estimatedRows);
        return;
    }
    const int any = firstTaken(table, info, -1, [](unsigned char op) { return isLower(op) || isUpper(op); });
    if (any < 0) {
        // A walk of the index reads its pages besides the rows, a little dearer than the
        // table's own walk, but spares SQLite a sort of every row.
        if (const auto serving = orderServing(table, info, orders)) {
            std::string text;
            for (const auto& [column, descending] : orders[serving->first].columns)
                text += std::to_string(column) + (descending ? ":1 " : ":0 ");
            info->idxStr = sqlite3_mprintf("%s", text.c_str());
            info->needToFreeIdxStr = 1;
            info->idxNum = kOrdered | (serving->second ? kBackwards : 0);
            info->orderByConsumed = 1;
            info->estimatedCost = 1000.0 + 12.0 * rows;
        }
        return;
    }
    const int column = info->aConstraint[any].iColumn;
    const int lower = firstTaken(table, info, column, isLower);
    const int upper = firstTaken(table, info, column, isUpper);
    int plan = (column + 1) << kColumnShift;
    int values = 0;
    if (lower >= 0) {
        info->aConstraintUsage[lower].argvIndex = ++values;
        plan |= kLower;
    }
    if (upper >= 0) {
        info->aConstraintUsage[upper].argvIndex = ++values;
        plan |= kUpper;
    }
    info->idxNum = plan;
    info->estimatedRows = static_cast<sqlite3_int64>(rows / (values == 2 ? 16.0 : 4.0)) + 1;
    info->estimatedCost = 100.0 + 10.0 * static_cast<double>(info->estimatedRows);
}

IndexLookup lookupFor(const JetTable& table, int plan, int argc, sqlite3_value** argv, const char* planText)
{
    IndexLookup lookup;
    if (plan & kOrdered) {
        lookup.kind = IndexLookup::Kind::Ordered;
        lookup.backwards = (plan & kBackwards) != 0;
        std::istringstream columns(planText != nullptr ? planText : "");
        int column = 0;
        char colon = 0;
        int descending = 0;
        while (columns >> column >> colon >> descending)
            lookup.orderColumns.emplace_back(column, descending != 0);
        return lookup;
    }
    const int column = (plan >> kColumnShift) - 1;
    const int wanted = (plan & kEqual) ? 1 : ((plan & kLower) ? 1 : 0) + ((plan & kUpper) ? 1 : 0);
    if (column < 0 || static_cast<std::size_t>(column) >= table.columns.size() || argc != wanted || wanted == 0)
        return lookup;
    const IndexKind kind = indexKindOf(table.columns[static_cast<std::size_t>(column)]);
    if (kind == IndexKind::None)
        return lookup;
    lookup.column = column;
    if (plan & kEqual) {
        IndexKey key;
        switch (keyFor(kind, argv[0], key)) {
        case KeyOutcome::Null: lookup.kind = IndexLookup::Kind::Nothing; return lookup;
        case KeyOutcome::Unusable: return lookup;
        case KeyOutcome::Key: break;
        }
        lookup.kind = IndexLookup::Kind::Range;
        lookup.equal = true;
        lookup.lower = key;
        lookup.upper = std::move(key);
        return lookup;
    }
    // A bound that cannot be compared as the index compares is dropped: more rows come back,
    // and SQLite's own check keeps the right ones. A NULL bound matches nothing.
    lookup.kind = IndexLookup::Kind::Range;
    int value = 0;
    for (std::optional<IndexKey>* bound : {&lookup.lower, &lookup.upper}) {
        if (!(plan & (bound == &lookup.lower ? kLower : kUpper)))
            continue;
        IndexKey key;
        switch (keyFor(kind, argv[value++], key)) {
        case KeyOutcome::Null: lookup.kind = IndexLookup::Kind::Nothing; return lookup;
        case KeyOutcome::Unusable: break;
        case KeyOutcome::Key: *bound = std::move(key); break;
        }
    }
    return lookup;
}

}  // namespace kervane::jet
