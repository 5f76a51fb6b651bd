// INSERT, UPDATE and DELETE: values stored as Access stores them (a date column receives only
// readable dates, in the canonical form; a Yes/No column -1 or 0), joins of UPDATE and DELETE
// spelt the SQLite way.
#include "driver/sql/WriteChanges.h"

#include "driver/semantics/DateText.h"
#include "driver/semantics/ExtendedDate.h"
#include "driver/sql/DefaultValue.h"
#include "driver/sql/SqlError.h"

#include <algorithm>

namespace kervane::sql {
namespace {

// `withDefaults`: its columns' default values read too, for an INSERT.
const CatalogueTable& requireTable(SchemaCatalogue& catalogue, const std::string& name, bool withDefaults = false)
{
    const CatalogueTable* table = withDefaults ? catalogue.findWithDefaults(name) : catalogue.find(name);
    if (table == nullptr)
        throw SqlError("42S02", "La table « " + name + " » est introuvable.");
    return *table;
}

const CatalogueColumn& requireColumn(const CatalogueTable& table, const std::string& name)
{
    const CatalogueColumn* column = table.column(name);
    if (column == nullptr)
        throw SqlError("42S22", "La colonne « " + name + " » est introuvable dans la table « " + table.name + " ».");
    return *column;
}

std::string unquotedText(const std::string& literal)
{
    std::string value;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        value += literal[i];
        if (literal[i] == '\'')
            ++i;
    }
    return value;
}

void collectTables(const FromItem& item, std::vector<const FromItem*>& tables, std::vector<const Expr*>& conditions)
{
    if (item.kind != FromItem::Kind::Join) {
        tables.push_back(&item);
        return;
    }
    if (item.join == JoinKind::Left || item.join == JoinKind::Right)
        throw SqlError("42000", "Une mise à jour à travers une jointure externe n'est pas prise en charge.");
    collectTables(*item.left, tables, conditions);
    collectTables(*item.right, tables, conditions);
    if (item.on)
        conditions.push_back(item.on.get());
}

std::string aliasOf(const FromItem& item)
{
    return item.alias.empty() ? item.name : item.alias;
}

// The name the rows of table go by in a FROM list: its alias where it has one.
std::string aliasOfTable(const std::vector<FromPtr>& from, const std::string& table)
{
    std::vector<const FromItem*> pending;
    for (const FromPtr& item : from)
        pending.push_back(item.get());
    while (!pending.empty()) {
        const FromItem* item = pending.back();
        pending.pop_back();
        if (item->kind == FromItem::Kind::Join) {
            pending.push_back(item->left.get());
            pending.push_back(item->right.get());
        } else if (item->kind == FromItem::Kind::Table && (sameName(item->name, table) || sameName(item->alias, table))) {
            return aliasOf(*item);
        }
    }
    return table;
}

}  // namespace

std::string storedValue(const Written& value, const CatalogueColumn& column)
{
    const std::string sql = asValue(value);
    if (value.type == AccessType::Null)
        return sql;
    if (column.type == AccessType::Date && value.type != AccessType::Date && declaresExtendedDate(column.declared))
        return "kv_store_extended_date(" + sql + ", " + quotedText(column.name) + ")";
    if (column.type == AccessType::Date && value.type != AccessType::Date) {
        if (value.literal && isText(value.type)) {
            const std::string text = unquotedText(value.sql);
            const std::optional<double> serial = readStoredDate(text);
            if (!serial)
                throw SqlError("22007", "La valeur « " + text + " » n'est pas une date valide pour la colonne « "
                                            + column.name + " ».");
            return quotedText(canonicalDate(*serial));
        }
        return "kv_store_date(" + sql + ", " + quotedText(column.name) + ")";
    }
    // A Yes/No column holds no Null: Access stores No.
    if (column.type == AccessType::Boolean && !value.predicate && value.type != AccessType::Boolean)
        return "(CASE WHEN " + sql + " IS NULL THEN 0 WHEN " + sql + " <> 0 THEN -1 ELSE 0 END)";
    return sql;
}

std::string writeInsert(Writer& writer, const Insert& insert)
{
    if (!insert.valuesOf.empty() || insert.where)
        return writer.listValuesInsert(insert);
    const CatalogueTable& table = requireTable(writer.catalogue(), insert.table, true);
    std::vector<const CatalogueColumn*> targets;
    if (insert.columns.empty()) {
        for (const CatalogueColumn& column : table.columns)
            if (column.calculation.empty())
                targets.push_back(&column);
    } else {
        for (const std::string& name : insert.columns) {
            targets.push_back(&requireColumn(table, name));
            refuseCalculatedTarget(*targets.back());
        }
    }
    // As in Access, a column left out gets the default value the table's design gives it.
    std::vector<std::pair<const CatalogueColumn*, ExprPtr>> defaults;
    for (const CatalogueColumn& column : table.columns)
        if (!column.defaultValue.empty() && std::find(targets.begin(), targets.end(), &column) == targets.end())
            if (ExprPtr value = defaultExpression(column.defaultValue))
                defaults.emplace_back(&column, std::move(value));
    Scope none;
    // What each column of the new row holds: the value given, its default, or Null; the columns
    // Access calculates read them.
    Scope newRow;
    for (const CatalogueColumn& column : table.columns)
        newRow.values.push_back({"NULL", &column});
    const auto holds = [&newRow](const CatalogueColumn* column, const std::string& sql) {
        for (ColumnValue& value : newRow.values)
            if (value.column == column)
                value.sql = sql;
    };
    std::string defaultValues;
    std::string sql = "INSERT INTO " + quotedName(table.name) + " (";
    for (std::size_t i = 0; i < targets.size(); ++i)
        sql += (i ? ", " : "") + quotedName(targets[i]->name);
    for (const auto& [column, value] : defaults) {
        sql += ", " + quotedName(column->name);
        const std::string stored = storedValue(writer.expression(*value, none), *column);
        defaultValues += ", " + stored;
        holds(column, stored);
    }
    const auto calculatedColumns = [&] {
        std::string values;
        for (const auto& [column, value] : calculatedValues(writer, table, newRow)) {
            sql += ", " + quotedName(column->name);
            values += ", " + value;
        }
        return values;
    };
    if (!insert.select) {
        if (insert.values.size() != targets.size())
            throw SqlError("21S01", "Le nombre de valeurs ne correspond pas au nombre de colonnes.");
        std::string values;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const Written value = writer.expression(*insert.values[i], none);
            writer.noteParameter(value, targets[i]->type, targets[i]->declared);
            const std::string stored = storedValue(value, *targets[i]);
            values += (i ? ", " : "") + stored;
            holds(targets[i], stored);
        }
        const std::string calculations = calculatedColumns();
        return sql + ") VALUES (" + values + defaultValues + calculations + ")";
    }
    const WrittenSelect rows = writer.select(*insert.select, nullptr);
    bool converts = !defaults.empty();
    for (const CatalogueColumn* target : targets)
        converts = converts || target->type == AccessType::Date || target->type == AccessType::Boolean;
    const bool calculates = std::any_of(table.columns.begin(), table.columns.end(),
                                        [](const CatalogueColumn& c) { return !c.calculation.empty(); });
    if ((!converts && !calculates) || rows.columns.size() != targets.size())
        return sql + ") " + rows.sql;
    // Each value passes the column's rule: read the rows through a sub-query.
    std::string values;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        Written column;
        column.sql = "column" + std::to_string(i + 1);
        column.type = rows.columns[i].type;
        const std::string stored = storedValue(column, *targets[i]);
        values += (i ? ", " : "") + stored;
        holds(targets[i], stored);
    }
    values += defaultValues + calculatedColumns();
    sql += ") ";
    std::string names;
    for (std::size_t i = 0; i < targets.size(); ++i)
        names += (i ? ", " : "") + std::string("column") + std::to_string(i + 1);
    return "WITH kv_rows(" + names + ") AS (" + rows.sql + ") " + sql + "SELECT " + values + " FROM kv_rows";
}

std::string writeUpdate(Writer& writer, const Update& update)
{
    std::vector<const FromItem*> tables;
    std::vector<const Expr*> conditions;
    collectTables(*update.target, tables, conditions);
    for (const FromItem* item : tables)
        if (item->kind != FromItem::Kind::Table)
            throw SqlError("42000", "Seules des tables peuvent être mises à jour.");
    // The table changed is the one the first assignment names, else the first table.
    const FromItem* target = tables.front();
    if (!update.assignments.empty() && update.assignments.front().column.size() > 1)
        for (const FromItem* item : tables)
            if (sameName(aliasOf(*item), update.assignments.front().column.front()))
                target = item;
    const CatalogueTable& table = requireTable(writer.catalogue(), target->name, true);
    Scope scope;
    std::string sql = "UPDATE " + writer.fromItem(*target, scope) + " SET ";
    std::string others;
    for (const FromItem* item : tables)
        if (item != target)
            others += (others.empty() ? " FROM " : ", ") + writer.fromItem(*item, scope);
    Scope changedRow;
    for (std::size_t i = 0; i < update.assignments.size(); ++i) {
        const Assignment& assignment = update.assignments[i];
        if (assignment.column.size() > 1) {
            const CatalogueColumn* owner = table.column(assignment.column[assignment.column.size() - 2]);
            if (owner != nullptr && !owner->complexValues.empty())
                return writer.listValuesUpdate(update, table, *owner);
        }
        if (assignment.column.size() > 1 && !sameName(assignment.column.front(), aliasOf(*target)))
            throw SqlError("42000", "Une seule table peut être mise à jour par instruction.");
        const CatalogueColumn& column = requireColumn(table, assignment.column.back());
        refuseCalculatedTarget(column);
        const Written value = writer.expression(*assignment.value, scope);
        writer.noteParameter(value, column.type, column.declared);
        const std::string stored = storedValue(value, column);
        sql += (i ? ", " : "") + quotedName(column.name) + " = " + stored;
        changedRow.values.push_back({stored, &column});
    }
    // The columns Access calculates, over the row as it becomes.
    changedRow.sources = scope.sources;
    for (const auto& [column, value] : calculatedValues(writer, table, changedRow))
        sql += ", " + quotedName(column->name) + " = " + value;
    sql += others;
    std::string where;
    for (const Expr* on : conditions)
        where += (where.empty() ? " WHERE " : " AND ") + writer.condition(*on, scope).sql;
    if (update.where)
        where += (where.empty() ? " WHERE " : " AND ") + writer.condition(*update.where, scope).sql;
    return sql + where;
}

std::string writeDelete(Writer& writer, const Delete& remove)
{
    // DELETE [col].Value FROM t: the values of a complex column of t.
    if (writer.catalogue().find(remove.table) == nullptr)
        for (const FromPtr& item : remove.from)
            if (item->kind == FromItem::Kind::Table)
                if (const CatalogueTable* owner = writer.catalogue().findWithDefaults(item->name))
                    if (const CatalogueColumn* column = owner->column(remove.table);
                        column != nullptr && !column->complexValues.empty())
                        return writer.listValuesDelete(remove, *owner, *column);
    const CatalogueTable& table = requireTable(writer.catalogue(), remove.table);
    const bool single = remove.from.size() == 1 && remove.from.front()->kind == FromItem::Kind::Table;
    Scope scope;
    if (single) {
        std::string sql = "DELETE FROM " + writer.fromItem(*remove.from.front(), scope);
        if (remove.where)
            sql += " WHERE " + writer.condition(*remove.where, scope).sql;
        return sql;
    }
    // Rows of one table chosen through a join: by their row identifiers.
    std::string rows = writer.fromClause(remove.from, scope);
    const std::string alias = aliasOfTable(remove.from, remove.table);
    if (remove.where)
        rows += " WHERE " + writer.condition(*remove.where, scope).sql;
    return "DELETE FROM " + quotedName(table.name) + " WHERE rowid IN (SELECT " + quotedName(alias) + ".rowid"
        + rows + ")";
}

}  // namespace kervane::sql
