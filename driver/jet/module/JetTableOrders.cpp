#include "driver/jet/module/JetTableOrders.h"

#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/module/JetReadOnlyPages.h"

#include <string>

namespace kervane::jet {
namespace tableorders {

// The orders of the indexes, their columns named by the layout's numbers.
std::vector<TableOrder> ordersOf(const JetTable& table, const JetTableLayout& layout,
                                 const std::vector<JetRealIndex>& indexes)
{
    std::vector<TableOrder> orders;
    for (const JetRealIndex& index : indexes) {
        if (index.ignoresNulls() || index.columns.empty())
            continue;
        TableOrder order;
        order.root = index.rootPage;
        for (const JetRealIndexColumn& column : index.columns) {
            int place = -1;
            for (const JetLayoutColumn& declared : layout.columns)
                if (declared.number == column.number)
                    for (std::size_t c = 0; c < table.columns.size(); ++c)
                        if (table.columns[c].name == declared.name)
                            place = static_cast<int>(c);
            if (place < 0)
                break;
            order.columns.emplace_back(place, column.descending);
        }
        if (order.columns.size() == index.columns.size())
            orders.push_back(std::move(order));
    }
    return orders;
}

}  // namespace tableorders

std::vector<TableOrder> tableOrders(JetFile& file, const JetTable& table)
{
    JetFileLocks& locks = file.locks();
    int failure = 0;
    const bool held = locks.readers() == 0;
    if (held && locks.beginRead({}, failure) != JetFileLocks::Outcome::Taken)
        return {};
    ReadOnlyPages pages(file);
    JetTableLayout layout;
    std::vector<JetRealIndex> indexes;
    std::string error;
    std::vector<TableOrder> orders;
    if (readTableLayout(pages, table.definitionPage, layout, error) &&
        readRealIndexes(pages, table.definitionPage, indexes, error, file.format()))
        orders = tableorders::ordersOf(table, layout, indexes);
    if (held)
        locks.endRead();
    return orders;
}

const std::vector<TableOrder>& TableOrderStore::ordersOf(JetFile& file, const JetTable& table)
{
    const auto found = m_kept.find(&table);
    if (found != m_kept.end() && found->second.changes == table.changes)
        return found->second.orders;
    Kept& kept = m_kept[&table];
    kept.changes = table.changes;
    kept.orders = tableOrders(file, table);
    return kept.orders;
}

}  // namespace kervane::jet
