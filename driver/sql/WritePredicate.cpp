// Predicates and CASE: Like, Between, In and the operand of CASE x WHEN, with Access's meaning.
#include "driver/semantics/DateText.h"
#include "driver/sql/Writer.h"

#include <optional>

namespace kervane::sql {

Written Writer::like(const Expr& expr, const Scope& scope)
{
    const Written value = expression(*expr.args.at(0), scope);
    const Written pattern = expression(*expr.args.at(1), scope);
    noteParameter(value, AccessType::Text, "");
    noteParameter(pattern, AccessType::Text, "");
    const std::string call = std::string(expr.alike ? "kv_alike(" : "kv_like(") + asValue(value) + ", "
        + asValue(pattern) + ")";
    return makeWritten(expr.negated ? "(NOT " + call + ")" : call, AccessType::Boolean, true);
}

Written Writer::between(const Expr& expr, const Scope& scope)
{
    Written value = expression(*expr.args.at(0), scope);
    const Written low = expression(*expr.args.at(1), scope);
    const Written high = expression(*expr.args.at(2), scope);
    noteParameter(low, value.type, value.declared);
    noteParameter(high, value.type, value.declared);
    auto bound = [&](const Written& side) {
        if (value.type == AccessType::Date && side.type != AccessType::Date && side.literal && isText(side.type)) {
            const std::string text = side.sql.substr(1, side.sql.size() - 2);
            std::optional<double> serial = readStoredDate(text);
            if (!serial)
                serial = readUserDate(text);
            if (serial)
                return quotedText(canonicalDate(*serial));
        }
        return asValue(side);
    };
    const bool text = TextOperands{value.type, low.type, high.type}.comparedAsText();
    const std::string subject = text ? textSubject(value) : asValue(value);
    return makeWritten("(" + subject + (expr.negated ? " NOT BETWEEN " : " BETWEEN ") + bound(low) + " AND " + bound(high)
                    + ")",
                AccessType::Boolean, true);
}

Written Writer::inList(const Expr& expr, const Scope& scope)
{
    const Written value = expression(*expr.args.at(0), scope);
    std::string list;
    TextOperands operands{value.type};
    for (std::size_t i = 1; i < expr.args.size(); ++i) {
        const Written item = expression(*expr.args[i], scope);
        noteParameter(item, value.type, value.declared);
        operands.add(item.type);
        list += (i > 1 ? ", " : "") + asValue(item);
    }
    const std::string subject = operands.comparedAsText() ? textSubject(value) : asValue(value);
    return makeWritten("(" + subject + (expr.negated ? " NOT IN (" : " IN (") + list + "))", AccessType::Boolean, true);
}

Written Writer::inSelect(const Expr& expr, const Scope& scope)
{
    const Written value = expression(*expr.args.at(0), scope);
    const WrittenSelect inner = select(*expr.select, &scope);
    const AccessType innerType = inner.columns.empty() ? AccessType::Unknown : inner.columns[0].type;
    const bool text = TextOperands{value.type, innerType}.comparedAsText();
    const std::string subject = text ? textSubject(value) : asValue(value);
    return makeWritten("(" + subject + (expr.negated ? " NOT IN (" : " IN (") + inner.sql + "))", AccessType::Boolean, true);
}

Written Writer::caseExpression(const Expr& expr, const Scope& scope)
{
    std::string branches;
    AccessType type = AccessType::Unknown;
    std::optional<Written> operand;
    if (expr.args.at(0))
        operand = expression(*expr.args[0], scope);
    // CASE x WHEN y compares x = y: as texts in the Access order, as "=" does.
    TextOperands operands;
    if (operand)
        operands.add(operand->type);
    std::size_t i = 1;
    for (; i + 1 < expr.args.size(); i += 2) {
        const Written when = operand ? expression(*expr.args[i], scope) : condition(*expr.args[i], scope);
        const Written then = expression(*expr.args[i + 1], scope);
        if (type == AccessType::Unknown || type == AccessType::Null)
            type = then.type;
        operands.add(when.type);
        branches += " WHEN " + (operand ? asValue(when) : when.sql) + " THEN " + asValue(then);
    }
    std::string sql = "CASE";
    if (operand)
        sql += " " + (operands.comparedAsText() ? textSubject(*operand) : asValue(*operand));
    sql += branches;
    if (i < expr.args.size() && expr.args[i])
        sql += " ELSE " + asValue(expression(*expr.args[i], scope));
    return makeWritten(sql + " END", type);
}

}  // namespace kervane::sql
