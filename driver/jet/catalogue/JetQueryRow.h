#pragma once
// A stored query as MSysQueries holds it: one row per attribute.
#include <optional>
#include <string>

namespace kervane::jet {

// One MSysQueries row. Attribute: 1 kind (its Flag; Name1 the target table, Expression the
// text of a pass-through or data-definition query), 2 parameter, 3 select flags (DISTINCT,
// TOP...), 4 IN database, 5 input table or query, 6 output column, 7 join, 8 WHERE, 9 GROUP BY,
// 10 HAVING, 11 ORDER BY.
struct QueryRow {
    int attribute = 0;
    std::optional<std::string> expression;
    int flag = 0;
    int extra = 0;  // LvExtra: the size of a text parameter
    std::optional<std::string> name1;
    std::optional<std::string> name2;
    std::string order;  // rows of one attribute follow this order, compared bytewise
};

}  // namespace kervane::jet
