// ORDER BY and TOP on columns a file's index covers, which the driver serves by walking the index
// instead of sorting: the rows come in the order a sort of them gives, forwards and backwards, on
// the many-level trees of a genuine Access 97 file (nwind) and on an Access 2000 table with a
// descending index and Null keys; TOP keeps the rows tied with the last one; a table changed in
// the open transaction is read in order with its new rows; indexes dropped and made are followed.
#include "tests/driver/JetCopyTest.h"

#include <algorithm>
#include <tuple>

namespace kervane::test {
namespace {

using Key = Row;  // Null: no value

class JetIndexOrderTest : public JetCopyTest {
protected:
    // The first `width` values of each row, as the statement gives them.
    static std::vector<Key> keysOf(const Connexion& connexion, const std::string& sql, std::size_t width)
    {
        std::vector<Key> keys;
        for (const Row& row : select(connexion, sql))
            keys.emplace_back(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(width));
        return keys;
    }
    // Numbers compared as numbers, Null before any, each column ascending or not.
    static std::vector<Key> sorted(std::vector<Key> keys, const std::vector<bool>& descending)
    {
        std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            for (std::size_t c = 0; c < descending.size(); ++c) {
                const auto rank = [](const std::optional<std::string>& v) {
                    return std::make_tuple(v.has_value(), v ? std::stod(*v) : 0.0);
                };
                if (rank(a[c]) != rank(b[c]))
                    return descending[c] ? rank(b[c]) < rank(a[c]) : rank(a[c]) < rank(b[c]);
            }
            return false;
        });
        return keys;
    }
    // Every order asked of `columns` (two columns) of `table`, against the sort of its rows.
    static void expectSortedOrders(const Connexion& connexion, const std::string& table, const std::string& first,
                                   const std::string& second)
    {
        const std::string pair = first + ", " + second;
        const std::vector<Key> rows = keysOf(connexion, "SELECT " + pair + " FROM " + table, 2);
        ASSERT_FALSE(rows.empty());
        struct Order {
            std::string by;
            std::vector<bool> descending;
        };
        for (const Order& order : {Order{pair, {false, false}}, Order{first + " DESC, " + second + " DESC", {true, true}},
                                   Order{first, {false}}, Order{first + " DESC", {true}},
                                   Order{first + ", " + second + " DESC", {false, true}}}) {
            SCOPED_TRACE(order.by);
            const std::vector<Key> got = keysOf(connexion, "SELECT " + pair + " FROM " + table + " ORDER BY " + order.by, 2);
            std::vector<Key> expected = sorted(rows, order.descending);
            // Ties on the terms asked come in any order: only the terms asked are compared.
            const auto cut = [&](std::vector<Key> keys) {
                for (Key& key : keys)
                    key.resize(order.descending.size());
                return keys;
            };
            EXPECT_EQ(cut(got), cut(expected));
        }
    }
};

TEST_F(JetIndexOrderTest, OrderDetailsOfNwindComeInTheirKeysOrder)
{
    JET_COPY_OR_SKIP(file, "nwind.mdb");
    Session session(accessFile(file));
    expectSortedOrders(session, "[Order Details]", "OrderID", "ProductID");
    // TOP keeps every row tied with the last: the 3 last orders' lines, whole.
    const std::vector<Key> all = sorted(keysOf(session, "SELECT OrderID FROM [Order Details]", 1), {true});
    std::size_t tied = 3;
    while (tied < all.size() && all[tied] == all[2])
        ++tied;
    EXPECT_EQ(keysOf(session, "SELECT TOP 3 OrderID, ProductID FROM [Order Details] ORDER BY OrderID DESC", 1),
              std::vector<Key>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(tied)));
    EXPECT_GT(tied, 3u);  // nwind's last order has several lines
}

TEST_F(JetIndexOrderTest, ADescendingIndexWithNullsAndATransactionsOwnRows)
{
    JET_COPY_OR_SKIP(file, "jet/emptyJet4.mdb");
    Session session(accessFile(file), true, false);
    change(session, "CREATE TABLE Essai (n LONG, m LONG, t TEXT(20))");
    change(session, "CREATE INDEX par_n ON Essai (n DESC, m)");
    commit(session);
    // Enough rows for an index of several levels, Nulls among them.
    for (int i = 0; i < 3000; ++i)
        change(session, "INSERT INTO Essai (n, m, t) VALUES (" + (i % 97 == 0 ? std::string("NULL") : std::to_string((i * 37) % 1000)) +
                            ", " + std::to_string(i % 13) + ", 'ligne')");
    commit(session);
    expectSortedOrders(session, "Essai", "n", "m");
    // Rows of the transaction under way, at both ends and between, read in order before commit.
    for (const char* values : {"(5000, 1, 'nouvelle')", "(-5, 2, 'nouvelle')", "(500, 99, 'nouvelle')", "(NULL, 0, 'nouvelle')"})
        change(session, std::string("INSERT INTO Essai (n, m, t) VALUES ") + values);
    expectSortedOrders(session, "Essai", "n", "m");
    EXPECT_EQ(select(session, "SELECT TOP 1 n, t FROM Essai ORDER BY n DESC"), (std::vector<Row>{{"5000", "nouvelle"}}));
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(number(session, "SELECT TOP 1 n FROM Essai ORDER BY n DESC"), 999);
    // An index dropped is walked no more, one made is walked at once.
    change(session, "DROP INDEX par_n ON Essai");
    change(session, "CREATE INDEX par_m ON Essai (m, n)");
    commit(session);
    expectSortedOrders(session, "Essai", "n", "m");
    expectSortedOrders(session, "Essai", "m", "n");
}

}  // namespace
}  // namespace kervane::test
