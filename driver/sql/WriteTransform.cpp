// TRANSFORM … PIVOT: a crosstab becomes one grouped SELECT with a column per heading, each
// column the aggregate over the rows of its heading. Without an IN list, the headings are
// the pivot's distinct values, read from the database first, in ascending order.
#include "driver/semantics/DateText.h"
#include "driver/semantics/SortOrder.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/SqliteStatement.h"
#include "driver/sql/Writer.h"

#include <sqlite3.h>

namespace kervane::sql {
namespace {

// Access keeps a table or query to 255 columns.
constexpr std::size_t MAXIMUM_COLUMNS = 255;

struct Heading {
    std::string literal;  // SQLite literal of the value, "NULL" for Null
    std::string label;    // column name
};

std::string labelOfDate(std::string_view canonical)
{
    const std::optional<double> serial = readCanonical(canonical);
    if (!serial)
        return std::string(canonical);
    const DateParts parts = partsFromSerial(*serial);
    auto two = [](int value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    std::string label = two(parts.day) + "/" + two(parts.month) + "/" + std::to_string(parts.year);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0)
        label += " " + two(parts.hour) + ":" + two(parts.minute) + ":" + two(parts.second);
    return label;
}

std::vector<Heading> readHeadings(sqlite3* db, const std::string& sql, AccessType pivotType)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw SqlError("42000", std::string("Les titres de colonnes de l'analyse croisée ne peuvent pas être lus : ")
                                    + sqlite3_errmsg(db) + ".");
    }
    StatementPtr statement(raw);
    std::vector<Heading> headings;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        const int type = sqlite3_column_type(raw, 0);
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        const std::string value = text ? text : "";
        switch (type) {
        case SQLITE_NULL: headings.push_back({"NULL", "<>"}); break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: headings.push_back({value, value}); break;
        default:
            headings.push_back(
                {quotedText(value), pivotType == AccessType::Date ? labelOfDate(value) : value});
        }
        if (headings.size() > MAXIMUM_COLUMNS)
            break;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw SqlError("HY000", std::string("Les titres de colonnes de l'analyse croisée ne peuvent pas être lus : ")
                                    + sqlite3_errmsg(db) + ".");
    return headings;
}

std::string literalLabel(const Expr& expr, const Written& written)
{
    if (expr.kind == ExprKind::Text || expr.kind == ExprKind::Number)
        return expr.text;
    if (expr.kind == ExprKind::Null)
        return "<>";
    if (written.type == AccessType::Date)
        return labelOfDate(written.sql.substr(1, written.sql.size() - 2));
    return written.sql;
}

}  // namespace

WrittenSelect Writer::crosstab(const Transform& transform)
{
    const Select& select = *transform.select;
    if (select.next)
        throw SqlError("42000", "Une analyse croisée ne peut pas contenir de requête Union.");
    Scope pivotScope;
    const std::string from = fromClause(select.from, pivotScope);
    const Written pivot = expression(*transform.pivot, pivotScope);
    const std::string pivotSql = asValue(pivot);
    std::vector<Heading> headings;
    if (transform.pivotValues.empty()) {
        std::string sql = "SELECT DISTINCT " + collated(pivotSql, pivot.type) + from;
        if (select.where)
            sql += " WHERE " + condition(*select.where, pivotScope).sql;
        headings = readHeadings(m_catalogue.database(), sql + " ORDER BY 1", pivot.type);
    } else {
        for (const ExprPtr& value : transform.pivotValues) {
            const Written written = expression(*value, pivotScope);
            headings.push_back({asValue(written), literalLabel(*value, written)});
        }
    }
    if (headings.size() + select.items.size() > MAXIMUM_COLUMNS)
        throw SqlError("42000", "L'analyse croisée donnerait plus de 255 colonnes.");
    const Expr& aggregateExpr = *transform.aggregate;
    m_extraItems = [&](Scope& scope, std::string& items, std::vector<OutputColumn>& columns) {
        const Written scopedPivot = expression(*transform.pivot, scope);
        for (const Heading& heading : headings) {
            PivotFilter filter;
            filter.condition = heading.literal == "NULL"
                ? asValue(scopedPivot) + " IS NULL"
                : asValue(scopedPivot) + " = " + heading.literal
                    + (mayBeText(scopedPivot.type) ? std::string(" COLLATE ") + ACCESS_COLLATION : std::string());
            setPivotFilter(&filter);
            const Written value = expression(aggregateExpr, scope);
            setPivotFilter(nullptr);
            items += (items.empty() ? "" : ", ") + asValue(value) + " AS " + quotedName(heading.label);
            columns.push_back(OutputColumn{heading.label, value.type, {}, asValue(value)});
        }
    };
    WrittenSelect written = this->select(select, nullptr);
    m_extraItems = nullptr;
    return written;
}

}  // namespace kervane::sql
