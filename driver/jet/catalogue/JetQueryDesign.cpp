#include "driver/jet/catalogue/JetQueryDesign.h"

#include "driver/semantics/Characters.h"
#include "driver/sql/Parser.h"

#include <map>

namespace kervane::jet {
namespace querydesign {

using namespace queryrow;

// The kind row's Flag and the object's Flags, kind by kind.
constexpr int kSelectKind = 1, kMakeTableKind = 2, kAppendKind = 3, kUpdateKind = 4, kDeleteKind = 5;
constexpr int kUpdateObject = 48, kDeleteObject = 32, kAppendObject = 64, kMakeTableObject = 80;
// An output column of an append query that is one of its VALUES.
constexpr int kAppendValue = 0x8000;

struct Refused {
    std::string message;
};

[[noreturn]] void refuse(std::string message)
{
    throw Refused{std::move(message)};
}

// Rows are numbered within their attribute, the number's four bytes most significant first.
class Rows {
public:
    QueryRow& add(int attribute)
    {
        const std::uint32_t number = ++m_counts[attribute];
        QueryRow row;
        row.attribute = attribute;
        for (int shift = 24; shift >= 0; shift -= 8)
            row.order += static_cast<char>((number >> shift) & 0xff);
        m_rows.push_back(std::move(row));
        return m_rows.back();
    }
    std::vector<QueryRow> take() { return std::move(m_rows); }

private:
    std::map<int, std::uint32_t> m_counts;
    std::vector<QueryRow> m_rows;
};

std::string text(const sql::Expr& expr)
{
    return sql::accessText(expr);
}

// The name a table of the FROM clause is known by in the query: its alias, else its name.
std::string keyOf(const sql::FromItem& item)
{
    return item.alias.empty() ? item.name : item.alias;
}

void namesIn(const sql::Expr& expr, std::vector<std::string>& qualifiers)
{
    if (expr.kind == sql::ExprKind::Column && expr.names.size() > 1)
        qualifiers.push_back(expr.names[expr.names.size() - 2]);
    for (const sql::ExprPtr& arg : expr.args)
        if (arg)
            namesIn(*arg, qualifiers);
}

void tablesOf(const sql::FromItem& item, std::vector<const sql::FromItem*>& tables)
{
    if (item.kind == sql::FromItem::Kind::Join) {
        tablesOf(*item.left, tables);
        tablesOf(*item.right, tables);
    } else {
        tables.push_back(&item);
    }
}

// The table of one side of a join its condition names (the last of that side when it names none):
// the join row links the two sides through one table of each.
std::string sideKey(const sql::FromItem& side, const std::vector<std::string>& named)
{
    std::vector<const sql::FromItem*> tables;
    tablesOf(side, tables);
    for (const std::string& name : named)
        for (const sql::FromItem* table : tables)
            if (sql::equalIgnoringAsciiCase(keyOf(*table), name))
                return keyOf(*table);
    return keyOf(*tables.back());
}

void addJoins(const sql::FromItem& item, Rows& rows)
{
    if (item.kind != sql::FromItem::Kind::Join)
        return;
    addJoins(*item.left, rows);
    addJoins(*item.right, rows);
    if (item.join == sql::JoinKind::Cross || !item.on)
        refuse("Une jointure sans condition ON ne peut pas être enregistrée dans une requête.");
    std::vector<std::string> named;
    namesIn(*item.on, named);
    QueryRow& row = rows.add(kJoin);
    row.expression = text(*item.on);
    row.flag = item.join == sql::JoinKind::Left ? 2 : item.join == sql::JoinKind::Right ? 3 : 1;
    row.name1 = sideKey(*item.left, named);
    row.name2 = sideKey(*item.right, named);
}

void addSources(const std::vector<sql::FromPtr>& from, Rows& rows)
{
    std::vector<const sql::FromItem*> tables;
    for (const sql::FromPtr& item : from)
        tablesOf(*item, tables);
    for (const sql::FromItem* table : tables) {
        if (table->kind == sql::FromItem::Kind::Subquery)
            refuse("Les sous-requêtes de la clause FROM ne peuvent pas encore être enregistrées dans une requête.");
        if (!table->database.empty())
            refuse("Une requête enregistrée par ce pilote ne peut pas lire une table d'une autre base (IN).");
        QueryRow& row = rows.add(kTable);
        row.name1 = table->name;
        if (!table->alias.empty())
            row.name2 = table->alias;
    }
    for (const sql::FromPtr& item : from)
        addJoins(*item, rows);
}

int selectFlags(const sql::Select& select)
{
    int flags = select.quantifier == sql::Quantifier::Distinct      ? kDistinct
                : select.quantifier == sql::Quantifier::DistinctRow ? kDistinctRow
                                                                    : 0;
    if (select.top)
        flags |= kTop | (select.top->percent ? kPercent : 0);
    for (const sql::SelectItem& item : select.items)
        if (item.expr->kind == sql::ExprKind::Star && item.expr->names.empty())
            flags |= kAllFields;
    return flags;
}

void addSelectFlags(const sql::Select& select, Rows& rows, bool always)
{
    const int flags = selectFlags(select);
    if (flags == 0 && !always)
        return;
    QueryRow& row = rows.add(kSelectFlags);
    row.flag = flags;
    if (select.top)
        row.name1 = select.top->count;
}

// WHERE, GROUP BY, HAVING and ORDER BY.
void addClauses(const sql::Select& select, Rows& rows)
{
    if (select.where)
        rows.add(kWhere).expression = text(*select.where);
    for (const sql::ExprPtr& group : select.groupBy)
        rows.add(kGroupBy).expression = text(*group);
    if (select.having)
        rows.add(kHaving).expression = text(*select.having);
    for (const sql::OrderItem& order : select.orderBy) {
        QueryRow& row = rows.add(kOrderBy);
        row.expression = text(*order.expr);
        if (order.descending)
            row.name1 = "D";
    }
}

void checkSimple(const sql::Select& select)
{
    if (select.next)
        refuse("Les requêtes Union ne peuvent pas encore être enregistrées par ce pilote.");
    if (select.from.empty())
        refuse("Une requête enregistrée lit au moins une table : la clause FROM manque.");
}

// The output columns of a SELECT; `targets` names the append query's column each one fills,
// `aliases` the names CREATE VIEW gives them.
void addColumns(const sql::Select& select, Rows& rows, const std::vector<std::string>& targets,
                const std::vector<std::string>& aliases)
{
    std::size_t position = 0;
    for (const sql::SelectItem& item : select.items) {
        if (item.expr->kind == sql::ExprKind::Star && item.expr->names.empty())
            continue;  // the select flags say it
        QueryRow& row = rows.add(kColumn);
        row.expression = text(*item.expr);
        if (!aliases.empty())
            row.name1 = aliases[position];
        else if (!item.alias.empty())
            row.name1 = item.alias;
        if (!targets.empty())
            row.name2 = targets[position];
        ++position;
    }
}

void designSelect(const sql::Select& select, const std::vector<std::string>& aliases, JetNewQuery& query,
                  Rows& rows)
{
    checkSimple(select);
    if (!aliases.empty()) {
        if (selectFlags(select) & kAllFields || aliases.size() != select.items.size())
            refuse("La vue nomme " + std::to_string(aliases.size()) + " colonnes : sa requête doit en donner "
                   "autant, sans « * ».");
    }
    QueryRow& kind = rows.add(kKind);
    kind.flag = select.into.empty() ? kSelectKind : kMakeTableKind;
    if (!select.into.empty()) {
        kind.name1 = select.into;
        query.objectFlags = kMakeTableObject;
        query.selects = false;
    }
    addSelectFlags(select, rows, true);
    addSources(select.from, rows);
    addColumns(select, rows, {}, aliases);
    addClauses(select, rows);
}

void designAppend(const sql::Insert& insert, JetNewQuery& query, Rows& rows)
{
    if (insert.columns.empty())
        refuse("Une requête Ajout enregistrée nomme les colonnes qu'elle remplit : INSERT INTO " + insert.table +
               " (colonne, …).");
    query.objectFlags = kAppendObject;
    query.selects = false;
    QueryRow& kind = rows.add(kKind);
    kind.flag = kAppendKind;
    kind.name1 = insert.table;
    if (!insert.select) {
        if (insert.values.size() != insert.columns.size())
            refuse("La requête Ajout donne " + std::to_string(insert.values.size()) + " valeurs pour " +
                   std::to_string(insert.columns.size()) + " colonnes.");
        for (std::size_t i = 0; i < insert.values.size(); ++i) {
            QueryRow& row = rows.add(kColumn);
            row.expression = text(*insert.values[i]);
            row.flag = kAppendValue;
            row.name2 = insert.columns[i];
        }
        return;
    }
    const sql::Select& select = *insert.select;
    checkSimple(select);
    if (selectFlags(select) & kAllFields || select.items.size() != insert.columns.size())
        refuse("La requête Ajout doit choisir une colonne par colonne nommée après INSERT INTO, sans « * ».");
    addSelectFlags(select, rows, false);
    addSources(select.from, rows);
    addColumns(select, rows, insert.columns, {});
    addClauses(select, rows);
}

void designUpdate(const sql::Update& update, JetNewQuery& query, Rows& rows)
{
    query.objectFlags = kUpdateObject;
    query.selects = false;
    rows.add(kKind).flag = kUpdateKind;
    addSelectFlags(sql::Select{}, rows, true);
    // The rows are numbered like Access's: tables, then columns, then joins and WHERE.
    std::vector<const sql::FromItem*> tables;
    tablesOf(*update.target, tables);
    for (const sql::FromItem* table : tables) {
        if (table->kind != sql::FromItem::Kind::Table || !table->database.empty())
            refuse("Une requête Mise à jour enregistrée par ce pilote ne change que des tables de cette base.");
        QueryRow& row = rows.add(kTable);
        row.name1 = table->name;
        if (!table->alias.empty())
            row.name2 = table->alias;
    }
    for (const sql::Assignment& assignment : update.assignments) {
        QueryRow& row = rows.add(kColumn);
        row.expression = text(*assignment.value);
        row.name2 = sql::accessName(assignment.column);
    }
    addJoins(*update.target, rows);
    if (update.where)
        rows.add(kWhere).expression = text(*update.where);
}

void designDelete(const sql::Delete& remove, JetNewQuery& query, Rows& rows)
{
    query.objectFlags = kDeleteObject;
    query.selects = false;
    rows.add(kKind).flag = kDeleteKind;
    addSelectFlags(sql::Select{}, rows, true);
    addSources(remove.from, rows);
    std::vector<const sql::FromItem*> tables;
    for (const sql::FromPtr& item : remove.from)
        tablesOf(*item, tables);
    std::string deleted = remove.table;
    for (const sql::FromItem* table : tables)
        if (sql::equalIgnoringAsciiCase(table->name, remove.table))
            deleted = keyOf(*table);
    if (deleted.empty())
        refuse("La requête Suppression doit dire de quelle table elle supprime les lignes (DELETE table.* FROM …).");
    rows.add(kColumn).expression = sql::accessName({deleted}) + ".*";
    if (remove.where)
        rows.add(kWhere).expression = text(*remove.where);
}

// The Flag of a parameter's row: its type as MSysQueries numbers types.
int parameterFlag(const sql::QueryParameter& parameter)
{
    using Kind = sql::ColumnType::Kind;
    switch (parameter.type.kind) {
    case Kind::YesNo: return 1;
    case Kind::Byte: return 2;
    case Kind::Integer: return 3;
    case Kind::Long: return 4;
    case Kind::Currency: return 5;
    case Kind::Single: return 6;
    case Kind::Double: return 7;
    case Kind::DateTime: return 8;
    case Kind::Binary: return 9;
    case Kind::Text: return 10;
    case Kind::LongBinary: return 11;
    case Kind::Memo: return 12;
    case Kind::Guid: return 15;
    case Kind::Counter:
    case Kind::Decimal:
    case Kind::BigInt:
    case Kind::DateTime2: break;
    }
    refuse("Le paramètre « " + parameter.name + " » ne peut pas être de ce type dans une requête enregistrée.");
}

void design(const sql::QueryDefinition& definition, JetNewQuery& query)
{
    const sql::Statement statement = sql::parseStatement(definition.body);
    if (!statement.parameters.empty())
        refuse("Les paramètres d'une requête enregistrée se déclarent entre parenthèses après son nom, pas par "
               "PARAMETERS.");
    const bool view = definition.kind == sql::QueryDefinition::Kind::CreateView;
    const bool plainSelect = statement.kind == sql::Statement::Kind::Select && statement.select->into.empty();
    if (view && !plainSelect)
        refuse("Une vue (CREATE VIEW) est une requête Sélection : son instruction est un SELECT.");
    query.name = definition.name;
    Rows rows;
    rows.add(kStart).flag = 0;
    rows.add(kEnd);
    for (const sql::QueryParameter& parameter : definition.parameters) {
        QueryRow& row = rows.add(kParameter);
        row.name1 = parameter.name;
        row.flag = parameterFlag(parameter);
        if (parameter.type.kind == sql::ColumnType::Kind::Text && parameter.type.size != 255)
            row.extra = parameter.type.size;
    }
    switch (statement.kind) {
    case sql::Statement::Kind::Select: designSelect(*statement.select, definition.columns, query, rows); break;
    case sql::Statement::Kind::Insert: designAppend(*statement.insert, query, rows); break;
    case sql::Statement::Kind::Update: designUpdate(*statement.update, query, rows); break;
    case sql::Statement::Kind::Delete: designDelete(*statement.remove, query, rows); break;
    case sql::Statement::Kind::Transform:
        refuse("Les requêtes Analyse croisée ne peuvent pas encore être enregistrées par ce pilote.");
    default: refuse("Cette instruction ne peut pas être enregistrée comme requête.");
    }
    query.rows = rows.take();
}

}  // namespace querydesign


bool designQuery(const sql::QueryDefinition& definition, JetNewQuery& query, std::string& error)
{
    try {
        querydesign::design(definition, query);
        return true;
    } catch (const querydesign::Refused& refused) {
        error = refused.message;
    }
    return false;
}

}  // namespace kervane::jet
