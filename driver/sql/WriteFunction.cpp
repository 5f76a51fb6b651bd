// Function calls: the Access library through the function catalogue, the functions the writer
// spells out itself (IIf, Switch, Nz, IsNull), SQL aggregates and domain aggregates.
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/Parser.h"
#include "driver/semantics/SortOrder.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Writer.h"

namespace kervane::sql {
namespace {

[[noreturn]] void wrongArguments(const Expr& expr)
{
    throw SqlError("42000", "Nombre d'arguments incorrect pour la fonction « " + expr.text + " ».");
}

void requireArguments(const Expr& expr, std::size_t low, std::size_t high)
{
    if (expr.args.size() < low || expr.args.size() > high)
        wrongArguments(expr);
}

struct NativeAggregate {
    std::string_view name;
    std::string_view sqlite;
};

constexpr NativeAggregate NATIVE_AGGREGATES[] = {
    {"count", "count"}, {"sum", "sum"}, {"avg", "avg"}, {"min", "min"}, {"max", "max"},
};

bool isAggregateName(std::string_view name)
{
    for (const NativeAggregate& native : NATIVE_AGGREGATES)
        if (sameName(native.name, name))
            return true;
    const FunctionInfo* info = findFunction(name);
    return info != nullptr && info->aggregate;
}

AccessType sumType(AccessType type)
{
    switch (type) {
    case AccessType::Boolean:
    case AccessType::Byte:
    case AccessType::Short:
    case AccessType::Long:
        return AccessType::Long;
    case AccessType::BigInt:
    case AccessType::Single:
    case AccessType::Double:
    case AccessType::Currency:
    case AccessType::Decimal:
        return type;
    default:
        return AccessType::Double;
    }
}

// The text of a constant argument of a domain aggregate ("[Prix]", "ARTICLE", "[ID] = 3").
std::string constantText(const Expr& expr, const Expr& call)
{
    if (expr.kind != ExprKind::Text)
        throw SqlError("42000", "Les arguments de « " + call.text
                                    + " » doivent être des textes constants dans une requête.");
    return expr.text;
}

}  // namespace

Written Writer::function(const Expr& expr, const Scope& scope)
{
    bool handled = false;
    Written written = builtIn(expr, scope, handled);
    if (handled)
        return written;
    const FunctionInfo* info = findFunction(expr.text);
    if (info == nullptr)
        throw SqlError("42000", "La fonction « " + expr.text + " » n'est pas définie dans l'expression.");
    const auto count = static_cast<int>(expr.args.size());
    if (count < info->minArgs || (info->maxArgs >= 0 && count > info->maxArgs))
        wrongArguments(expr);
    if (info->aggregate)
        return aggregate(expr, scope, info->sqliteName, AccessType::Unknown);
    std::string sql = std::string(info->sqliteName) + "(";
    AccessType type = info->result;
    for (std::size_t i = 0; i < expr.args.size(); ++i) {
        const Written argument = expression(*expr.args[i], scope);
        if (static_cast<int>(i) == info->resultFromArgument)
            type = argument.type == AccessType::Boolean ? AccessType::Short : argument.type;
        sql += (i ? ", " : "") + asValue(argument);
    }
    return makeWritten(sql + ")", type);
}

Written Writer::builtIn(const Expr& expr, const Scope& scope, bool& handled)
{
    handled = true;
    const std::string& name = expr.text;
    for (const NativeAggregate& native : NATIVE_AGGREGATES)
        if (sameName(native.name, name))
            return aggregate(expr, scope, native.sqlite, AccessType::Unknown);
    if (sameName(name, "IIf")) {
        requireArguments(expr, 3, 3);
        const Written test = condition(*expr.args[0], scope);
        const Written yes = expression(*expr.args[1], scope);
        const Written no = expression(*expr.args[2], scope);
        const AccessType type = yes.type == AccessType::Null ? no.type
            : (no.type == AccessType::Null || no.type == yes.type) ? yes.type
                                                                    : AccessType::Unknown;
        return makeWritten("(CASE WHEN " + test.sql + " THEN " + asValue(yes) + " ELSE " + asValue(no) + " END)", type);
    }
    if (sameName(name, "Switch")) {
        if (expr.args.empty() || expr.args.size() % 2 != 0)
            wrongArguments(expr);
        std::string sql = "(CASE";
        AccessType type = AccessType::Unknown;
        for (std::size_t i = 0; i < expr.args.size(); i += 2) {
            const Written value = expression(*expr.args[i + 1], scope);
            if (type == AccessType::Unknown || type == AccessType::Null)
                type = value.type;
            sql += " WHEN " + condition(*expr.args[i], scope).sql + " THEN " + asValue(value);
        }
        return makeWritten(sql + " END)", type);
    }
    if (sameName(name, "Nz")) {
        requireArguments(expr, 1, 2);
        const Written value = expression(*expr.args[0], scope);
        // In a query, Nz without its second argument gives a zero-length text for Null.
        const Written otherwise = expr.args.size() == 2 ? expression(*expr.args[1], scope)
                                                        : makeWritten("''", AccessType::Text);
        // Nz(Null, x) is x, of x's type.
        const AccessType type = value.type == AccessType::Null ? otherwise.type : value.type;
        return makeWritten("coalesce(" + asValue(value) + ", " + asValue(otherwise) + ")", type);
    }
    if (sameName(name, "IsNull")) {
        requireArguments(expr, 1, 1);
        return makeWritten(asValue(expression(*expr.args[0], scope)) + " IS NULL", AccessType::Boolean, true);
    }
    if (name.size() > 1 && (name[0] == 'D' || name[0] == 'd')) {
        static constexpr std::string_view DOMAIN_NAMES[] = {"DCount", "DSum", "DAvg", "DMin", "DMax",
                                                            "DFirst", "DLast", "DLookup", "DStDev", "DStDevP",
                                                            "DVar", "DVarP"};
        for (const std::string_view domainName : DOMAIN_NAMES)
            if (sameName(domainName, name))
                return domainAggregate(expr, scope);
    }
    handled = false;
    return {};
}

Written Writer::aggregate(const Expr& expr, const Scope& scope, std::string_view sqliteName, AccessType type)
{
    const bool count = sqliteName == "count";
    if (expr.star) {
        if (!count)
            throw SqlError("42000", "« * » n'est permis que dans Count(*).");
        if (m_pivot != nullptr)  // a heading without rows: an empty cell (Null), as in Access
            return makeWritten("nullif(count(CASE WHEN " + m_pivot->condition + " THEN 1 END), 0)", AccessType::Long);
        return makeWritten("count(*)", AccessType::Long);
    }
    if (expr.args.size() != 1)
        wrongArguments(expr);
    for (const auto& argument : expr.args)
        if (argument->kind == ExprKind::Function && isAggregateName(argument->text))
            throw SqlError("42000", "Impossible d'utiliser la fonction d'agrégat « " + argument->text
                                        + " » dans l'argument de « " + expr.text + " ».");
    const Written argument = expression(*expr.args[0], scope);
    std::string value = asValue(argument);
    // Min, Max and the values a DISTINCT keeps follow the Access order.
    if (sqliteName == "min" || sqliteName == "max" || expr.distinct)
        value = collated(value, argument.type);
    if (m_pivot != nullptr)
        value = "CASE WHEN " + m_pivot->condition + " THEN " + value + " END";
    if (count)
        type = AccessType::Long;
    else if (sqliteName == "sum")
        type = sumType(argument.type);
    else if (sqliteName == "avg")
        type = argument.type == AccessType::Currency ? AccessType::Currency : AccessType::Double;
    else if (sqliteName == "min" || sqliteName == "max")
        type = argument.type;
    else if (const FunctionInfo* info = findFunction(expr.text))
        type = info->resultFromArgument == 0 ? argument.type : info->result;
    std::string sql = std::string(sqliteName) + "(" + std::string(expr.distinct ? "DISTINCT " : "") + value + ")";
    // A crosstab's cell whose heading has no rows is empty (Null): a count says so too.
    if (m_pivot != nullptr && count)
        sql = "CASE WHEN count(CASE WHEN " + m_pivot->condition + " THEN 1 END) = 0 THEN NULL ELSE " + sql + " END";
    return makeWritten(sql, type);
}

Written Writer::domainAggregate(const Expr& expr, const Scope& scope)
{
    requireArguments(expr, 2, 3);
    const std::string valueText = constantText(*expr.args[0], expr);
    const std::string domain = constantText(*expr.args[1], expr);
    const CatalogueTable* table = m_catalogue.find(domain);
    if (table == nullptr)
        throw SqlError("42S02", "La table ou la requête « " + domain + " » de « " + expr.text + " » est introuvable.");
    Scope inner;
    inner.outer = &scope;
    inner.sources.push_back(ScopeSource{table->name, table->columns, !table->view});
    std::string where;
    if (expr.args.size() == 3) {
        const std::string criteria = constantText(*expr.args[2], expr);
        if (!criteria.empty())
            where = " WHERE " + condition(*parseExpression(criteria), inner).sql;
    }
    const std::string from = " FROM " + quotedName(table->name);
    const std::string& name = expr.text;
    if (valueText == "*" && sameName(name, "DCount"))
        return makeWritten("(SELECT count(*)" + from + where + ")", AccessType::Long);
    const Written value = expression(*parseExpression(valueText), inner);
    if (sameName(name, "DLookup") || sameName(name, "DFirst") || sameName(name, "DLast"))
        return makeWritten("(SELECT " + asValue(value) + from + where + " LIMIT 1)", value.type);
    struct Mapping {
        std::string_view domainName;
        std::string_view sqlite;
    };
    static constexpr Mapping MAPPINGS[] = {{"DCount", "count"}, {"DSum", "sum"}, {"DAvg", "avg"},
                                           {"DMin", "min"},     {"DMax", "max"}};
    if (const FunctionInfo* statistic = findFunction(std::string_view(name).substr(1));
        statistic != nullptr && statistic->aggregate)
        return makeWritten("(SELECT " + std::string(statistic->sqliteName) + "(" + asValue(value) + ")" + from + where + ")",
                    AccessType::Double);
    for (const Mapping& mapping : MAPPINGS) {
        if (!sameName(mapping.domainName, name))
            continue;
        AccessType type = AccessType::Double;
        std::string argument = asValue(value);
        if (mapping.sqlite == "count")
            type = AccessType::Long;
        else if (mapping.sqlite == "min" || mapping.sqlite == "max") {
            type = value.type;
            argument = collated(argument, value.type);
        } else if (mapping.sqlite == "sum")
            type = sumType(value.type);
        return makeWritten("(SELECT " + std::string(mapping.sqlite) + "(" + argument + ")" + from + where + ")", type);
    }
    throw SqlError("42000", "La fonction « " + name + " » n'est pas définie dans l'expression.");
}

}  // namespace kervane::sql
