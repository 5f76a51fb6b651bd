#include "ParserTestPrinter.h"

#include "driver/sql/Parser.h"

namespace kervane::sql::test {
namespace {

std::string printName(const std::string& name)
{
    bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (const char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        plain = plain && letter;
    }
    return plain ? name : "[" + name + "]";
}

std::string printNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ".") + printName(name);
    return text;
}

std::string printList(const std::vector<ExprPtr>& list, std::size_t from = 0)
{
    std::string text;
    for (std::size_t i = from; i < list.size(); ++i)
        text += (i == from ? "" : ", ") + printExpr(list[i].get());
    return text;
}

const char* operatorText(Operator op)
{
    switch (op) {
    case Operator::Negate: return "-";
    case Operator::Plus: return "+";
    case Operator::Not: return "Not ";
    case Operator::Power: return "^";
    case Operator::Multiply: return "*";
    case Operator::Divide: return "/";
    case Operator::IntDivide: return "\\";
    case Operator::Mod: return "Mod";
    case Operator::Add: return "+";
    case Operator::Subtract: return "-";
    case Operator::Concat: return "&";
    case Operator::Equal: return "=";
    case Operator::NotEqual: return "<>";
    case Operator::Less: return "<";
    case Operator::LessEqual: return "<=";
    case Operator::Greater: return ">";
    case Operator::GreaterEqual: return ">=";
    case Operator::And: return "And";
    case Operator::Or: return "Or";
    case Operator::Xor: return "Xor";
    case Operator::Eqv: return "Eqv";
    case Operator::Imp: return "Imp";
    case Operator::None: break;
    }
    return "?op";
}

std::string notIf(bool negated) { return negated ? "Not " : ""; }

std::string printFunction(const Expr& e)
{
    std::string call = e.text + "(";
    if (e.star)
        call += "*";
    if (e.distinct)
        call += "Distinct ";
    call += printList(e.args) + ")";
    return e.escaped ? "{fn " + call + "}" : call;
}

std::string printCase(const Expr& e)
{
    std::string text = "Case(";
    for (std::size_t i = 0; i < e.args.size(); ++i)
        text += (i == 0 ? "" : ", ") + (e.args[i] ? printExpr(e.args[i].get()) : std::string("-"));
    return text + ")";
}

std::string printOrder(const Select& select)
{
    std::string text;
    for (const OrderItem& item : select.orderBy)
        text += (text.empty() ? " ORDER BY " : ", ") + printExpr(item.expr.get()) + (item.descending ? " DESC" : "");
    return text;
}

std::string printHead(const Select& s)
{
    std::string text = "SELECT ";
    if (s.quantifier == Quantifier::Distinct)
        text += "DISTINCT ";
    if (s.quantifier == Quantifier::DistinctRow)
        text += "DISTINCTROW ";
    if (s.top)
        text += "TOP " + s.top->count + (s.top->percent ? " PERCENT " : " ");
    for (std::size_t i = 0; i < s.items.size(); ++i) {
        text += (i == 0 ? "" : ", ") + printExpr(s.items[i].expr.get());
        if (!s.items[i].alias.empty())
            text += " AS " + printName(s.items[i].alias);
    }
    if (!s.into.empty())
        text += " INTO " + printName(s.into);
    return text;
}

std::string printClauses(const Select& s)
{
    std::string text = printHead(s);
    for (std::size_t i = 0; i < s.from.size(); ++i)
        text += (i == 0 ? " FROM " : ", ") + printFrom(*s.from[i]);
    if (s.where)
        text += " WHERE " + printExpr(s.where.get());
    if (!s.groupBy.empty())
        text += " GROUP BY " + printList(s.groupBy);
    if (s.having)
        text += " HAVING " + printExpr(s.having.get());
    return s.parenthesized ? "(" + text + ")" : text;
}

}  // namespace

std::string printExpr(const Expr* expr)
{
    if (expr == nullptr)
        return "<null>";
    const Expr& e = *expr;
    switch (e.kind) {
    case ExprKind::Null: return "Null";
    case ExprKind::Number: return e.text;
    case ExprKind::Text: return "'" + e.text + "'";
    case ExprKind::Date:
        return e.escaped ? std::string("{") + (e.dateEscape == 's' ? "ts" : std::string(1, e.dateEscape)) + " " + e.text + "}"
                         : "#" + e.text + "#";
    case ExprKind::Boolean: return e.boolean ? "True" : "False";
    case ExprKind::Column: return printNames(e.names);
    case ExprKind::Star: return e.names.empty() ? "*" : printNames(e.names) + ".*";
    case ExprKind::Parameter: return "?";
    case ExprKind::Unary: return std::string("(") + operatorText(e.op) + printExpr(e.args[0].get()) + ")";
    case ExprKind::Binary:
        return "(" + printExpr(e.args[0].get()) + " " + operatorText(e.op) + " " + printExpr(e.args[1].get()) + ")";
    case ExprKind::Like:
        return "(" + printExpr(e.args[0].get()) + " " + notIf(e.negated) + (e.alike ? "ALike " : "Like ") +
               printExpr(e.args[1].get()) + ")";
    case ExprKind::Between:
        return "(" + printExpr(e.args[0].get()) + " " + notIf(e.negated) + "Between " + printExpr(e.args[1].get()) +
               " And " + printExpr(e.args[2].get()) + ")";
    case ExprKind::InList:
        return "(" + printExpr(e.args[0].get()) + " " + notIf(e.negated) + "In (" + printList(e.args, 1) + "))";
    case ExprKind::InSelect:
        return "(" + printExpr(e.args[0].get()) + " " + notIf(e.negated) + "In (" + printSelect(*e.select) + "))";
    case ExprKind::IsNull: return "(" + printExpr(e.args[0].get()) + " Is " + notIf(e.negated) + "Null)";
    case ExprKind::Exists: return notIf(e.negated) + "Exists(" + printSelect(*e.select) + ")";
    case ExprKind::Subquery: return "Sub(" + printSelect(*e.select) + ")";
    case ExprKind::Function: return printFunction(e);
    case ExprKind::Case: return printCase(e);
    }
    return "?";
}

std::string printSelect(const Select& select)
{
    std::string text = printClauses(select);
    for (const Select* s = &select; s->next; s = s->next.get())
        text += (s->setOperator == SetOperator::UnionAll ? " UNION ALL " : " UNION ") + printClauses(*s->next);
    return text + printOrder(select);
}

std::string printFrom(const FromItem& item)
{
    const std::string alias = item.alias.empty() ? "" : " AS " + printName(item.alias);
    switch (item.kind) {
    case FromItem::Kind::Table:
        return printName(item.name) + (item.database.empty() ? "" : " IN '" + item.database + "'") + alias;
    case FromItem::Kind::Subquery:
        return "(" + printSelect(*item.select) + ")" + alias;
    case FromItem::Kind::Join:
        break;
    }
    static const char* const JOINS[] = {" INNER JOIN ", " LEFT JOIN ", " RIGHT JOIN ", ", "};
    std::string text = "(" + printFrom(*item.left) + JOINS[static_cast<int>(item.join)] + printFrom(*item.right);
    if (item.on)
        text += " ON " + printExpr(item.on.get());
    return text + ")";
}

std::string printStatement(const Statement& statement)
{
    std::string text;
    for (const Parameter& parameter : statement.parameters)
        text += (text.empty() ? "PARAMETERS " : ", ") + printName(parameter.name) + " " + parameter.type;
    if (!text.empty())
        text += "; ";
    switch (statement.kind) {
    case Statement::Kind::Select:
        return text + printSelect(*statement.select);
    case Statement::Kind::Transform: {
        const Transform& t = *statement.transform;
        text += "TRANSFORM " + printExpr(t.aggregate.get()) + " " + printSelect(*t.select) + " PIVOT " +
                printExpr(t.pivot.get());
        return t.pivotValues.empty() ? text : text + " IN (" + printList(t.pivotValues) + ")";
    }
    case Statement::Kind::Insert: {
        const Insert& i = *statement.insert;
        text += "INSERT INTO " + printName(i.table);
        for (std::size_t c = 0; c < i.columns.size(); ++c)
            text += (c == 0 ? " (" : ", ") + printName(i.columns[c]) + (c + 1 == i.columns.size() ? ")" : "");
        return text + (i.select ? " " + printSelect(*i.select) : " VALUES (" + printList(i.values) + ")");
    }
    case Statement::Kind::Update: {
        const Update& u = *statement.update;
        text += "UPDATE " + printFrom(*u.target) + " SET ";
        for (std::size_t i = 0; i < u.assignments.size(); ++i)
            text += (i == 0 ? "" : ", ") + printNames(u.assignments[i].column) + " = " +
                    printExpr(u.assignments[i].value.get());
        return u.where ? text + " WHERE " + printExpr(u.where.get()) : text;
    }
    case Statement::Kind::Delete: {
        const Delete& d = *statement.remove;
        text += "DELETE " + printName(d.table) + " FROM ";
        for (std::size_t i = 0; i < d.from.size(); ++i)
            text += (i == 0 ? "" : ", ") + printFrom(*d.from[i]);
        return d.where ? text + " WHERE " + printExpr(d.where.get()) : text;
    }
    case Statement::Kind::Call:
        return text + "CALL " + printName(statement.call->name) + "(" + printList(statement.call->args) + ")";
    case Statement::Kind::Raw:
        break;
    }
    static const char* const RAW_KINDS[] = {"W:", "N:", "T:", "#:", "S:"};
    for (const RawToken& token : statement.raw)
        text += std::string(text.empty() ? "" : " ") + RAW_KINDS[static_cast<int>(token.kind)] + token.text;
    return text;
}

std::string shapeOf(std::string_view expression)
{
    return printExpr(parseExpression(expression).get());
}

std::string statementShape(std::string_view sql)
{
    return printStatement(parseStatement(sql));
}

std::string parseError(std::string_view sql)
{
    try {
        parseStatement(sql);
    } catch (const SqlError& error) {
        return error.what();
    }
    return {};
}

}  // namespace kervane::sql::test
