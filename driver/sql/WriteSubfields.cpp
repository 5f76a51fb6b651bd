// The values of a complex column one by one (Access 2007 and later): "col.Value" of a list of
// values, "col.FileName", "col.FileType", "col.FileData"... of attachments. Each row of the
// table is joined to its values in the column's hidden table (one row per value, the row alone
// with Nulls when it has none), under the column's own name, so that "[col].Value" names the
// hidden table's column Value.
#include "driver/semantics/Characters.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"
#include "driver/sql/Writer.h"

namespace kervane::sql {
namespace subfields {

void collectFrom(const FromItem& item, std::vector<std::vector<std::string>>& names)
{
    if (item.on)
        columnNamesRead(*item.on, names);
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
    return n >= 2 && sameName(names[n - 2], column) && (n < 3 || sameName(names[n - 3], alias));
}

// A complex column's hidden table and that table's column of keys; no table for another column.
struct HiddenTable {
    const CatalogueTable* hidden = nullptr;
    std::string key;
};

HiddenTable hiddenTableOf(SchemaCatalogue& catalogue, const CatalogueColumn& column)
{
    const std::size_t split = column.complexValues.find('\x1f');
    if (split == std::string::npos)
        return {};
    return {catalogue.find(column.complexValues.substr(0, split)), column.complexValues.substr(split + 1)};
}

// The row key of `column` of the table known as `alias`, in its hidden column.
std::string keyOf(const std::string& alias, const CatalogueColumn& column)
{
    return quotedName(alias) + "." + quotedName(column.name + std::string(COMPLEX_KEY_SUFFIX));
}

// A list's hidden table, its column of keys and its column of values; throws for a column that
// is no list.
struct ListTable : HiddenTable {
    const CatalogueColumn* value = nullptr;
};

ListTable listTableOf(SchemaCatalogue& catalogue, const CatalogueTable& table, const CatalogueColumn& column)
{
    ListTable list{hiddenTableOf(catalogue, column), nullptr};
    if (list.hidden == nullptr)
        throw SqlError("42000", "La colonne « " + column.name + " » de la table « " + table.name +
                                    " » n'a pas de valeurs multiples : rien n'a été changé.");
    list.value = list.hidden->column("Value");
    if (list.value == nullptr || list.hidden->column("FileData") != nullptr)
        throw SqlError("42000", "Les pièces jointes et l'historique d'un mémo de la colonne « " + column.name +
                                    " » ne se modifient pas par une instruction SQL : rien n'a été changé.");
    return list;
}

}  // namespace subfields

void columnNamesRead(const Expr& expr, std::vector<std::vector<std::string>>& names)
{
    if (expr.kind == ExprKind::Column && !expr.names.empty())
        names.push_back(expr.names);
    for (const ExprPtr& arg : expr.args)
        if (arg)
            columnNamesRead(*arg, names);
}

std::string Writer::listValuesInsert(const Insert& insert)
{
    const CatalogueTable* table = m_catalogue.findWithDefaults(insert.table);
    if (table == nullptr)
        throw SqlError("42S02", "La table « " + insert.table + " » est introuvable.");
    const CatalogueColumn* column = table->column(insert.valuesOf);
    if (column == nullptr || insert.columns.size() != 1 || !sameName(insert.columns.front(), "Value") ||
        insert.values.size() != 1)
        throw SqlError("42000", "Seule une valeur d'une liste ([colonne].Value) s'ajoute aux lignes choisies par "
                                "INSERT INTO … VALUES … WHERE : rien n'a été changé.");
    const subfields::ListTable list = subfields::listTableOf(m_catalogue, *table, *column);
    m_subfieldNames.clear();
    Scope scope;
    FromItem rows;
    rows.name = table->name;
    const std::string from = fromItem(rows, scope);
    const Written value = expression(*insert.values.front(), scope);
    noteParameter(value, list.value->type, list.value->declared);
    const std::string key = subfields::keyOf(table->name, *column);
    std::string sql = "INSERT INTO " + quotedName(list.hidden->name) + " (" + quotedName(list.key) + ", " +
                      quotedName(list.value->name) + ") SELECT " + key + ", " + storedValue(value, *list.value) +
                      " FROM " + from + " WHERE " + key + " IS NOT NULL";
    if (insert.where)
        sql += " AND " + condition(*insert.where, scope).sql;
    return sql;
}

std::string Writer::listValuesDelete(const Delete& remove, const CatalogueTable& table, const CatalogueColumn& column)
{
    const subfields::ListTable list = subfields::listTableOf(m_catalogue, table, column);
    m_subfieldNames = {{column.name, "Value"}};
    Scope scope;
    const std::string from = fromClause(remove.from, scope);
    m_subfieldNames.clear();
    std::string chosen = "SELECT " + quotedName(column.name) + ".rowid" + from;
    if (remove.where)
        chosen += " WHERE " + condition(*remove.where, scope).sql;
    return "DELETE FROM " + quotedName(list.hidden->name) + " WHERE rowid IN (" + chosen + ")";
}

std::string Writer::listValuesUpdate(const Update& update, const CatalogueTable& table, const CatalogueColumn& column)
{
    const subfields::ListTable list = subfields::listTableOf(m_catalogue, table, column);
    if (update.assignments.size() != 1 || !sameName(update.assignments.front().column.back(), "Value"))
        throw SqlError("42000", "Une instruction change soit les valeurs d'une liste ([colonne].Value), soit les "
                                "autres colonnes : rien n'a été changé.");
    // The new value reads the value it replaces ([col].Value), the hidden table being named so.
    Scope own;
    own.sources.push_back(ScopeSource{column.name, list.hidden->columns, true, true});
    const Written value = expression(*update.assignments.front().value, own);
    noteParameter(value, list.value->type, list.value->declared);
    m_subfieldNames = {{column.name, "Value"}};
    Scope scope;
    const std::string from = " FROM " + fromItem(*update.target, scope);
    m_subfieldNames.clear();
    std::string chosen = "SELECT " + quotedName(column.name) + ".rowid" + from;
    if (update.where)
        chosen += " WHERE " + condition(*update.where, scope).sql;
    return "UPDATE " + quotedName(list.hidden->name) + " AS " + quotedName(column.name) + " SET " +
           quotedName(list.value->name) + " = " + storedValue(value, *list.value) + " WHERE rowid IN (" + chosen + ")";
}

std::vector<std::vector<std::string>> Writer::subfieldNames(const Select& select)
{
    std::vector<std::vector<std::string>> names;
    for (const SelectItem& item : select.items)
        if (item.expr)
            columnNamesRead(*item.expr, names);
    for (const Expr* expr : {select.where.get(), select.having.get()})
        if (expr)
            columnNamesRead(*expr, names);
    for (const ExprPtr& expr : select.groupBy)
        columnNamesRead(*expr, names);
    for (const OrderItem& item : select.orderBy)
        columnNamesRead(*item.expr, names);
    for (const FromPtr& item : select.from)
        subfields::collectFrom(*item, names);
    // Only a name with a field after it may name a complex column's values.
    std::erase_if(names, [](const std::vector<std::string>& name) { return name.size() < 2; });
    return names;
}

std::string Writer::complexValuesJoins(const CatalogueTable& table, const std::string& alias, Scope& scope)
{
    std::string joins;
    for (const CatalogueColumn& column : table.columns) {
        const bool named = std::any_of(m_subfieldNames.begin(), m_subfieldNames.end(),
                                       [&](const auto& names) { return subfields::namesField(names, column.name, alias); });
        const subfields::HiddenTable values = named ? subfields::hiddenTableOf(m_catalogue, column)
                                                    : subfields::HiddenTable{};
        if (values.hidden == nullptr)
            continue;
        scope.sources.push_back(ScopeSource{column.name, values.hidden->columns, false, true});
        joins += " LEFT JOIN " + quotedName(values.hidden->name) + " AS " + quotedName(column.name) + " ON " +
                 quotedName(column.name) + "." + quotedName(values.key) + " = " + subfields::keyOf(alias, column);
    }
    return joins;
}

}  // namespace kervane::sql
