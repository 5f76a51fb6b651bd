#include "driver/jet/index/JetIndex.h"

#include "driver/semantics/SortOrder.h"

#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kervane::jet {

namespace {

// Beyond these an index would hold too much memory: such a table is walked as before.
constexpr std::size_t kMaxIndexedRows = 4'000'000;
constexpr std::size_t kMaxTextBytes = 128u << 20;

// The key of a value the table holds; false for NULL (which never matches) and for a value
// of another form than the column's kind.
bool keyOf(IndexKind kind, const SqlValue& value, IndexKey& key)
{
    if (kind == IndexKind::Number) {
        if (value.kind == SqlValue::Kind::Integer)
            key.number = static_cast<double>(value.integer);
        else if (value.kind == SqlValue::Kind::Real && !std::isnan(value.real))
            key.number = value.real;
        else
            return false;
        return true;
    }
    if (value.kind != SqlValue::Kind::Text)
        return false;
    key.text = sql::accessSortKey(value.bytes);
    return true;
}

// The permutation that sorts `keys`, rows of equal keys kept in walk order.
template <typename Key>
std::vector<std::uint32_t> sortingOrder(const std::vector<Key>& keys)
{
    std::vector<std::uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    return order;
}

template <typename Key>
void applyOrder(const std::vector<std::uint32_t>& order, std::vector<Key>& keys, std::vector<RowPosition>& positions)
{
    std::vector<Key> sortedKeys;
    std::vector<RowPosition> sortedPositions;
    sortedKeys.reserve(keys.size());
    sortedPositions.reserve(keys.size());
    for (const std::uint32_t i : order) {
        sortedKeys.push_back(std::move(keys[i]));
        sortedPositions.push_back(positions[i]);
    }
    keys = std::move(sortedKeys);
    positions = std::move(sortedPositions);
}

// Indices [first, last) of the keys between lower and upper, both included.
template <typename Key>
std::pair<std::size_t, std::size_t> between(const std::vector<Key>& keys, const Key* lower, const Key* upper)
{
    const auto first = lower != nullptr ? std::lower_bound(keys.begin(), keys.end(), *lower) : keys.begin();
    const auto last = upper != nullptr ? std::upper_bound(first, keys.end(), *upper) : keys.end();
    if (last <= first)
        return {0, 0};
    return {static_cast<std::size_t>(first - keys.begin()), static_cast<std::size_t>(last - keys.begin())};
}

}  // namespace

IndexKind indexKindOf(const JetColumn& column)
{
    switch (column.info.type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_FLOAT:
    case MDB_DOUBLE: return IndexKind::Number;
    case MDB_TEXT: return IndexKind::Text;
    default: return IndexKind::None;
    }
}

ColumnIndex::Outcome ColumnIndex::build(JetCursor& cursor, const JetTable& table, int column,
                                        std::unique_ptr<ColumnIndex>& index, std::string& error)
{
    auto made = std::make_unique<ColumnIndex>();
    made->m_kind = indexKindOf(table.columns.at(static_cast<std::size_t>(column)));
    if (made->m_kind == IndexKind::None)
        return Outcome::TooLarge;
    std::size_t textBytes = 0;
    SqlValue value;
    IndexKey key;
    bool walked = cursor.rewind(error);
    for (; walked && !cursor.atEnd(); walked = cursor.next(error)) {
        if (!cursor.value(column, value, error))
            return Outcome::Failed;
        if (!keyOf(made->m_kind, value, key))
            continue;
        if (made->m_positions.size() >= kMaxIndexedRows || textBytes > kMaxTextBytes)
            return Outcome::TooLarge;
        made->m_positions.push_back(cursor.position());
        if (made->m_kind == IndexKind::Number) {
            made->m_numbers.push_back(key.number);
        } else {
            textBytes += key.text.size() + sizeof(std::string);
            made->m_texts.push_back(std::move(key.text));
        }
    }
    if (!walked)
        return Outcome::Failed;
    if (made->m_kind == IndexKind::Number)
        applyOrder(sortingOrder(made->m_numbers), made->m_numbers, made->m_positions);
    else
        applyOrder(sortingOrder(made->m_texts), made->m_texts, made->m_positions);
    index = std::move(made);
    return Outcome::Built;
}

ColumnIndex::Span ColumnIndex::find(const IndexKey* lower, const IndexKey* upper) const
{
    std::pair<std::size_t, std::size_t> range;
    if (m_kind == IndexKind::Number)
        range = between(m_numbers, lower != nullptr ? &lower->number : nullptr, upper != nullptr ? &upper->number : nullptr);
    else
        range = between(m_texts, lower != nullptr ? &lower->text : nullptr, upper != nullptr ? &upper->text : nullptr);
    return Span{m_positions.data() + range.first, m_positions.data() + range.second};
}

std::shared_ptr<const ColumnIndex> IndexStore::find(const JetTable& table, int column, bool& known) const
{
    const auto found = m_indexes.find({&table, column});
    known = found != m_indexes.end() && found->second.changes == table.changes;
    return known ? found->second.index : nullptr;
}

void IndexStore::keep(const JetTable& table, int column, std::shared_ptr<const ColumnIndex> index)
{
    m_indexes[{&table, column}] = Kept{std::move(index), table.changes};
}

}  // namespace kervane::jet
