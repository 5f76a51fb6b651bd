// SELECT: sources, items, grouping, UNION chains, ORDER BY, TOP with its ties, DISTINCTROW.
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/semantics/SortOrder.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Writer.h"

#include <cstdlib>

namespace kervane::sql {
namespace {

bool isNativeAggregate(std::string_view name)
{
    for (const std::string_view native : {"Count", "Sum", "Avg", "Min", "Max"})
        if (sameName(native, name))
            return true;
    return false;
}

bool containsAggregate(const Expr& expr)
{
    if (expr.kind == ExprKind::Function) {
        if (isNativeAggregate(expr.text))
            return true;
        if (const FunctionInfo* info = findFunction(expr.text); info != nullptr && info->aggregate)
            return true;
    }
    if (expr.kind == ExprKind::Subquery || expr.kind == ExprKind::Exists || expr.kind == ExprKind::InSelect)
        return expr.kind == ExprKind::InSelect && expr.args.at(0) && containsAggregate(*expr.args[0]);
    for (const auto& argument : expr.args)
        if (argument && containsAggregate(*argument))
            return true;
    return false;
}

std::string joinWord(JoinKind kind)
{
    switch (kind) {
    case JoinKind::Left: return " LEFT JOIN ";
    case JoinKind::Right: return " RIGHT JOIN ";
    case JoinKind::Cross: return " CROSS JOIN ";
    default: return " INNER JOIN ";
    }
}

// The sources whose columns the items show, when DISTINCTROW must keep their rows apart.
std::string distinctRowGrouping(const std::vector<std::string>& contributing, const Scope& scope)
{
    if (contributing.empty() || contributing.size() == scope.sources.size())
        return {};
    for (const std::string& alias : contributing)
        for (const ScopeSource& source : scope.sources)
            if (sameName(source.alias, alias) && !source.hasRowid)
                return {};  // rows of a view have no identity to keep apart
    std::string grouping;
    for (const std::string& alias : contributing)
        grouping += (grouping.empty() ? " GROUP BY " : ", ") + quotedName(alias) + ".rowid";
    return grouping;
}

bool innerOnly(const FromItem& item)
{
    if (item.kind != FromItem::Kind::Join)
        return true;
    return (item.join == JoinKind::Inner || item.join == JoinKind::Cross) && innerOnly(*item.left)
        && innerOnly(*item.right);
}

void flattenInner(const FromItem& item, std::vector<const FromItem*>& leaves, std::vector<const Expr*>& conditions)
{
    if (item.kind != FromItem::Kind::Join) {
        leaves.push_back(&item);
        return;
    }
    flattenInner(*item.left, leaves, conditions);
    flattenInner(*item.right, leaves, conditions);
    if (item.on)
        conditions.push_back(item.on.get());
}

}  // namespace

std::string Writer::fromClause(const std::vector<FromPtr>& from, Scope& scope)
{
    std::string sql;
    for (const FromPtr& item : from)
        sql += (sql.empty() ? " FROM " : ", ") + fromItem(*item, scope);
    return sql;
}

std::string Writer::fromItem(const FromItem& item, Scope& scope)
{
    switch (item.kind) {
    case FromItem::Kind::Table: {
        if (!item.database.empty())
            throw SqlError("42000", "Les tables d'une autre base (IN « " + item.database
                                        + " ») ne sont pas prises en charge.");
        // A statement reading complex columns' values one by one needs their hidden tables.
        const CatalogueTable* table =
            m_subfieldNames.empty() ? m_catalogue.find(item.name) : m_catalogue.findWithDefaults(item.name);
        if (table == nullptr)
            throw SqlError("42S02", "La table ou la requête « " + item.name + " » est introuvable.");
        const std::string alias = item.alias.empty() ? table->name : item.alias;
        scope.sources.push_back(ScopeSource{alias, table->columns, !table->view});
        return quotedName(table->name) + (item.alias.empty() ? std::string() : " AS " + quotedName(item.alias)) +
               complexValuesJoins(*table, alias, scope);
    }
    case FromItem::Kind::Subquery: {
        const WrittenSelect inner = select(*item.select, scope.outer);
        ScopeSource source{item.alias, {}, false};
        for (const OutputColumn& column : inner.columns)
            source.columns.push_back(CatalogueColumn{column.name, column.declared, column.type, {}, {}, {}});
        scope.sources.push_back(std::move(source));
        return "(" + inner.sql + ")" + (item.alias.empty() ? std::string() : " AS " + quotedName(item.alias));
    }
    case FromItem::Kind::Join: {
        if (innerOnly(item)) {
            // Inner joins are written flat, their conditions together: SQLite then orders the
            // tables itself, and a table's rowid stays reachable (DISTINCTROW needs it).
            std::vector<const FromItem*> leaves;
            std::vector<const Expr*> conditions;
            flattenInner(item, leaves, conditions);
            std::string sql;
            for (const FromItem* leaf : leaves)
                sql += (sql.empty() ? "" : " INNER JOIN ") + fromItem(*leaf, scope);
            std::string on;
            for (const Expr* condition_ : conditions)
                on += (on.empty() ? " ON " : " AND ") + condition(*condition_, scope).sql;
            return "(" + sql + on + ")";
        }
        const std::string left = fromItem(*item.left, scope);
        const std::string right = fromItem(*item.right, scope);
        if (item.join == JoinKind::Cross || !item.on)
            return "(" + left + " CROSS JOIN " + right + ")";
        const Written on = condition(*item.on, scope);
        return "(" + left + joinWord(item.join) + right + " ON " + on.sql + ")";
    }
    }
    return {};
}

std::string Writer::selectCore(const Select& select, Scope& scope, std::vector<OutputColumn>& columns,
                               bool collateTexts)
{
    const auto outerSubfields = std::move(m_subfieldNames);
    m_subfieldNames = subfieldNames(select);
    const std::string from = fromClause(select.from, scope);
    m_subfieldNames = outerSubfields;
    std::string items;
    std::vector<std::string> contributing;
    auto contributes = [&](const std::string& alias) {
        for (const std::string& known : contributing)
            if (sameName(known, alias))
                return;
        contributing.push_back(alias);
    };
    for (const SelectItem& item : select.items) {
        if (!items.empty())
            items += ", ";
        const Expr& expr = *item.expr;
        if (expr.kind == ExprKind::Star) {
            bool found = expr.names.empty();
            std::string every;  // * without the values of complex columns joined
            for (const ScopeSource& source : scope.sources) {
                if (!expr.names.empty() && !sameName(source.alias, expr.names.back()))
                    continue;
                if (source.subfields)
                    continue;
                every += (every.empty() ? "" : ", ") + quotedName(source.alias) + ".*";
                found = true;
                contributes(source.alias);
                for (const CatalogueColumn& column : source.columns)
                    columns.push_back(OutputColumn{column.name, column.type, column.declared,
                                                   quotedName(source.alias) + "." + quotedName(column.name)});
            }
            if (!found)
                throw SqlError("42S02", "La table « " + expr.names.back() + " » n'est pas dans la clause FROM.");
            const bool joinsValues = std::any_of(scope.sources.begin(), scope.sources.end(),
                                                 [](const ScopeSource& s) { return s.subfields; });
            items += !expr.names.empty() ? quotedName(expr.names.back()) + ".*" : joinsValues ? every : "*";
            continue;
        }
        Written written = expression(expr, scope);
        std::string sql = expr.kind == ExprKind::Column && !written.reference.empty() ? written.reference
                                                                                       : asValue(written);
        if (!written.source.empty())
            contributes(written.source);
        std::string name = item.alias;
        if (name.empty())
            name = expr.kind == ExprKind::Column ? written.name : "Expr" + std::to_string(m_expressionNumber++);
        columns.push_back(OutputColumn{name, written.type, written.declared, sql,
                                       expr.kind == ExprKind::Parameter ? written.parameter : 0});
        if (collateTexts && mayBeText(written.type))
            sql += std::string(" COLLATE ") + ACCESS_COLLATION;
        const bool plainColumn = expr.kind == ExprKind::Column && item.alias.empty() && !collateTexts;
        items += plainColumn ? sql : sql + " AS " + quotedName(name);
        scope.aliases.emplace_back(name, written.type);
    }
    if (m_extraItems) {
        const auto extra = std::move(m_extraItems);
        m_extraItems = nullptr;
        extra(scope, items, columns);
    }
    std::string sql = "SELECT ";
    if (select.quantifier == Quantifier::Distinct)
        sql += "DISTINCT ";
    sql += items + from;
    if (select.where)
        sql += " WHERE " + condition(*select.where, scope).sql;
    std::string grouping;
    for (const ExprPtr& expr : select.groupBy)
        grouping += (grouping.empty() ? " GROUP BY " : ", ") + collated(expression(*expr, scope));
    bool aggregated = !select.groupBy.empty();
    for (const SelectItem& item : select.items)
        aggregated = aggregated || containsAggregate(*item.expr);
    if (select.quantifier == Quantifier::DistinctRow && !aggregated)
        grouping = distinctRowGrouping(contributing, scope);
    sql += grouping;
    if (select.having)
        sql += " HAVING " + condition(*select.having, scope).sql;
    return sql;
}

WrittenSelect Writer::select(const Select& select, const Scope* outer)
{
    if (!select.into.empty() && outer != nullptr)
        throw SqlError("42000", "SELECT … INTO n'est permis que dans l'instruction principale.");
    bool compoundDistinct = false;
    for (const Select* member = &select; member->next; member = member->next.get())
        compoundDistinct = compoundDistinct || member->setOperator == SetOperator::Union;
    Scope scope;
    scope.outer = outer;
    WrittenSelect written;
    std::string sql = selectCore(select, scope, written.columns,
                                 compoundDistinct || select.quantifier == Quantifier::Distinct);
    const std::string from = sql;  // the whole first core, for TOP's count of ties
    for (const Select* member = &select; member->next; member = member->next.get()) {
        const Select& next = *member->next;
        if (next.top)
            throw SqlError("42000", "TOP dans une requête Union n'est pas pris en charge ; placez la requête "
                                    "Union dans une sous-requête.");
        Scope nextScope;
        nextScope.outer = outer;
        std::vector<OutputColumn> nextColumns;
        sql += member->setOperator == SetOperator::UnionAll ? " UNION ALL " : " UNION ";
        sql += selectCore(next, nextScope, nextColumns, compoundDistinct);
        if (nextColumns.size() != written.columns.size() && !nextColumns.empty() && !written.columns.empty())
            throw SqlError("21S01", "Le nombre de colonnes des requêtes de la requête Union ne correspond pas.");
    }
    const std::string order = orderBy(select, scope, written.columns, select.next != nullptr);
    sql += order;
    if (select.top)
        sql += topLimit(select, from, order);
    written.sql = std::move(sql);
    return written;
}

std::string Writer::orderBy(const Select& select, const Scope& scope, const std::vector<OutputColumn>& columns,
                            bool compound)
{
    std::string sql;
    for (const OrderItem& item : select.orderBy) {
        sql += sql.empty() ? " ORDER BY " : ", ";
        const Expr& expr = *item.expr;
        if (compound) {
            // A UNION is sorted on its output columns, named as in its first SELECT.
            if (expr.kind == ExprKind::Number) {
                sql += expr.text;
            } else if (expr.kind == ExprKind::Column) {
                const OutputColumn* found = nullptr;
                for (const OutputColumn& column : columns)
                    if (sameName(column.name, expr.names.back()))
                        found = &column;
                if (found == nullptr)
                    throw SqlError("42000", "Le champ « " + expr.names.back()
                                                + " » de la clause ORDER BY n'est pas dans la requête Union.");
                sql += collated(quotedName(found->name), found->type);
            } else {
                throw SqlError("42000", "Une requête Union ne peut être triée que sur ses colonnes.");
            }
        } else if (expr.kind == ExprKind::Number) {
            // The position of an output column: its expression, which TOP's ranking needs too.
            const auto position = std::strtoul(expr.text.c_str(), nullptr, 10);
            if (position < 1 || position > columns.size())
                throw SqlError("42000", "Le numéro de colonne " + expr.text
                                            + " de la clause ORDER BY est hors limites.");
            const OutputColumn& column = columns[position - 1];
            sql += collated(column.expression, column.type);
        } else {
            sql += collated(expression(expr, scope));
        }
        if (item.descending)
            sql += " DESC";
    }
    return sql;
}

// TOP n keeps the rows tied with the last one, as Access does: the limit is the number of rows
// whose rank in the sort order is n or less (or within the first n percent).
std::string Writer::topLimit(const Select& select, const std::string& core, const std::string& order)
{
    const Top& top = *select.top;
    const std::string& n = top.count;
    if (order.empty()) {
        if (!top.percent)
            return " LIMIT " + n;
        return " LIMIT (SELECT CAST(count(*) * " + n + " / 100.0 + 0.999999 AS INTEGER) FROM (" + core + "))";
    }
    // "SELECT [DISTINCT] items..." -> the ranks go before the items.
    const bool distinct = select.quantifier == Quantifier::Distinct;
    const std::size_t itemsStart = distinct ? 16 : 7;
    if (!top.percent && !distinct) {
        // The rows tied with the n-th end where the first row ranked beyond n stands: SQLite reads
        // the rows in order up to it and no further (none when an index gives that order).
        const std::string window = " OVER (" + order.substr(1) + ")";
        const std::string numbered = core.substr(0, itemsStart) + "ROW_NUMBER()" + window + " AS kv_position, RANK()" +
                                     window + " AS kv_rank, " + core.substr(itemsStart);
        return " LIMIT coalesce((SELECT kv_position - 1 FROM (" + numbered + ") WHERE kv_rank > " + n +
               " LIMIT 1), -1)";
    }
    const std::string ranked = core.substr(0, itemsStart) + "RANK() OVER (" + order.substr(1)
        + ") AS kv_rank, count(*) OVER () AS kv_total, " + core.substr(itemsStart);
    if (!top.percent)
        return " LIMIT (SELECT count(*) FROM (" + ranked + ") WHERE kv_rank <= " + n + ")";
    return " LIMIT (SELECT count(*) FROM (" + ranked + ") WHERE kv_rank <= CAST(kv_total * " + n
        + " / 100.0 + 0.999999 AS INTEGER))";
}

}  // namespace kervane::sql
