#include "driver/sql/DefaultValue.h"

#include "driver/semantics/Characters.h"
#include "driver/sql/Parser.h"
#include "driver/sql/SchemaCatalogue.h"

namespace kervane::sql {
namespace {

bool clockFunction(std::string_view name)
{
    return sameName(name, "Now") || sameName(name, "Date") || sameName(name, "Time");
}

// What a row can be given without reading anything: a constant, or the clock.
bool applicable(const Expr& expr)
{
    switch (expr.kind) {
    case ExprKind::Null:
    case ExprKind::Number:
    case ExprKind::Text:
    case ExprKind::Date:
    case ExprKind::Boolean:
        return true;
    case ExprKind::Unary:
        return (expr.op == Operator::Negate || expr.op == Operator::Plus) && expr.args.size() == 1 &&
               expr.args[0]->kind == ExprKind::Number;
    case ExprKind::Function:
        return expr.args.empty() && clockFunction(expr.text);
    case ExprKind::Column:
        return expr.names.size() == 1 && clockFunction(expr.names[0]);
    default:
        return false;
    }
}

}  // namespace

ExprPtr defaultExpression(std::string_view text)
{
    text = trimmedBlanks(text);
    if (!text.empty() && text.front() == '=')
        text = trimmedBlanks(text.substr(1));
    if (text.empty())
        return nullptr;
    try {
        ExprPtr expr = parseExpression(text);
        return expr && applicable(*expr) ? std::move(expr) : nullptr;
    } catch (const SqlError&) {
        return nullptr;
    }
}

std::string accessDefaultProperty(std::string_view text)
{
    text = trimmedBlanks(text);
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'')
        return std::string(text);
    try {
        const ExprPtr expr = parseExpression(text);
        if (!expr || expr->kind != ExprKind::Text)
            return std::string(text);
        std::string quoted = "\"";
        for (char c : expr->text)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    } catch (const SqlError&) {
        return std::string(text);
    }
}

}  // namespace kervane::sql
