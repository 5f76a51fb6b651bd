// The values of a complex column one by one (Access 2007 and later): "col.Value" of a list of
// values, "col.FileName", "col.FileType", "col.FileData"... of attachments. Each row of the
// table is joined to its values in the column's hidden table (one row per value, the row alone
// with Nulls when it has none), under the column's own name, so that "[col].Value" names the
// hidden table's column Value.
#include "driver/semantics/Characters.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/Writer.h"

namespace kervane::sql {
namespace subfields {

void collect(const Expr& expr, std::vector<std::vector<std::string>>& names)
{
    if (expr.kind == ExprKind::Column && expr.names.size() >= 2)
        names.push_back(expr.names);
    for (const ExprPtr& arg : expr.args)
        if (arg)
            collect(*arg, names);
}

void collectFrom(const FromItem& item, std::vector<std::vector<std::string>>& names)
{
    if (item.on)
        collect(*item.on, names);
    if (item.left)
        collectFrom(*item.left, names);
    if (item.right)
        collectFrom(*item.right, names);
}

// Whether `names` ("[col].Value", "[t].[col].Value") names a field of `column` of the table
// known as `alias`.
bool namesField(const std::vector<std::string>& names, const std::string& column, const std::string& alias)
{
    const std::size_t n = names.size();
    return sameName(names[n - 2], column) && (n < 3 || sameName(names[n - 3], alias));
}

}  // namespace subfields

std::vector<std::vector<std::string>> Writer::subfieldNames(const Select& select)
{
    std::vector<std::vector<std::string>> names;
    for (const SelectItem& item : select.items)
        if (item.expr)
            subfields::collect(*item.expr, names);
    for (const Expr* expr : {select.where.get(), select.having.get()})
        if (expr)
            subfields::collect(*expr, names);
    for (const ExprPtr& expr : select.groupBy)
        subfields::collect(*expr, names);
    for (const OrderItem& item : select.orderBy)
        subfields::collect(*item.expr, names);
    for (const FromPtr& item : select.from)
        subfields::collectFrom(*item, names);
    return names;
}

std::string Writer::complexValuesJoins(const CatalogueTable& table, const std::string& alias, Scope& scope)
{
    std::string joins;
    for (const CatalogueColumn& column : table.columns) {
        const std::size_t split = column.complexValues.find('\x1f');
        if (split == std::string::npos)
            continue;
        const bool named = std::any_of(m_subfieldNames.begin(), m_subfieldNames.end(),
                                       [&](const auto& names) { return subfields::namesField(names, column.name, alias); });
        const CatalogueTable* hidden = named ? m_catalogue.find(column.complexValues.substr(0, split)) : nullptr;
        if (hidden == nullptr)
            continue;
        const std::string key = column.complexValues.substr(split + 1);
        scope.sources.push_back(ScopeSource{column.name, hidden->columns, false, true});
        joins += " LEFT JOIN " + quotedName(hidden->name) + " AS " + quotedName(column.name) + " ON " +
                 quotedName(column.name) + "." + quotedName(key) + " = " + quotedName(alias) + "." +
                 quotedName(column.name + ".kv_cle");
    }
    return joins;
}

}  // namespace kervane::sql
