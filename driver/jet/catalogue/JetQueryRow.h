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

namespace queryrow {

// The attributes of MSysQueries rows; 0 opens a query's rows and 255 closes them.
enum Attribute {
    kStart = 0,
    kKind = 1,
    kParameter = 2,
    kSelectFlags = 3,
    kRemoteDatabase = 4,
    kTable = 5,
    kColumn = 6,
    kJoin = 7,
    kWhere = 8,
    kGroupBy = 9,
    kHaving = 10,
    kOrderBy = 11,
    kEnd = 255,
};

// Select flags (attribute 3).
constexpr int kAllFields = 0x01;
constexpr int kDistinct = 0x02;
constexpr int kOwnerAccess = 0x04;
constexpr int kDistinctRow = 0x08;
constexpr int kTop = 0x10;
constexpr int kPercent = 0x20;

}  // namespace queryrow

}  // namespace kervane::jet
