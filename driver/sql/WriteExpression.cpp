// Expressions: literals, column references, operators, with Access's types and meaning.
#include "driver/semantics/DateText.h"
#include "driver/sql/Lexer.h"
#include "driver/semantics/SortOrder.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Writer.h"

namespace kervane::sql {
namespace {

bool isComparison(Operator op)
{
    return op == Operator::Equal || op == Operator::NotEqual || op == Operator::Less || op == Operator::LessEqual
        || op == Operator::Greater || op == Operator::GreaterEqual;
}

bool isLogical(Operator op)
{
    return op == Operator::And || op == Operator::Or || op == Operator::Xor || op == Operator::Eqv
        || op == Operator::Imp;
}

std::string_view comparisonSymbol(Operator op)
{
    switch (op) {
    case Operator::Equal: return " = ";
    case Operator::NotEqual: return " <> ";
    case Operator::Less: return " < ";
    case Operator::LessEqual: return " <= ";
    case Operator::Greater: return " > ";
    default: return " >= ";
    }
}

// Numeric type of an arithmetic result: the wider of the two, as Access widens them.
AccessType widerNumber(AccessType a, AccessType b)
{
    auto rank = [](AccessType type) {
        switch (type) {
        case AccessType::Boolean:
        case AccessType::Byte: return 1;
        case AccessType::Short: return 2;
        case AccessType::Long: return 3;
        case AccessType::BigInt: return 4;
        case AccessType::Single: return 5;
        case AccessType::Currency: return 6;
        case AccessType::Double: return 7;
        case AccessType::Decimal: return 8;
        default: return 0;
        }
    };
    if (rank(a) == 0 || rank(b) == 0)
        return AccessType::Unknown;
    const AccessType wider = rank(a) >= rank(b) ? a : b;
    return wider == AccessType::Boolean || wider == AccessType::Byte ? AccessType::Short : wider;
}

// A Yes/No value as Access reads it: any non-zero value is True (-1).
std::string normalisedBoolean(const std::string& sql)
{
    return "(CASE WHEN " + sql + " <> 0 THEN -1 WHEN " + sql + " = 0 THEN 0 END)";
}

}  // namespace

Written makeWritten(std::string sql, AccessType type, bool predicate)
{
    Written written;
    written.sql = std::move(sql);
    written.type = type;
    written.predicate = predicate;
    return written;
}

std::string quotedName(std::string_view name)
{
    std::string text = "\"";
    for (const char c : name) {
        if (c == '"')
            text += '"';
        text += c;
    }
    return text + '"';
}

std::string quotedText(std::string_view value)
{
    std::string text = "'";
    for (const char c : value) {
        if (c == '\'')
            text += '\'';
        text += c;
    }
    return text + '\'';
}

std::string asValue(const Written& written)
{
    return written.predicate ? "(-(" + written.sql + "))" : written.sql;
}

std::string asCondition(const Written& written)
{
    if (written.predicate)
        return written.sql;
    return "(" + written.sql + " <> 0)";
}

std::string collated(const std::string& sql, AccessType type)
{
    if (!mayBeText(type))
        return sql;
    return sql + " COLLATE " + ACCESS_COLLATION;
}

std::string collated(const Written& written)
{
    return collated(written.sql, written.type);
}

std::string textSubject(const Written& value)
{
    return "(" + asValue(value) + ") COLLATE " + ACCESS_COLLATION;
}

Written Writer::condition(const Expr& expr, const Scope& scope)
{
    Written written = expression(expr, scope);
    written.sql = asCondition(written);
    written.predicate = true;
    return written;
}

Written Writer::expression(const Expr& expr, const Scope& scope)
{
    switch (expr.kind) {
    case ExprKind::Null:
        return makeWritten("NULL", AccessType::Null);
    case ExprKind::Number: {
        Written written = makeWritten(expr.text, expr.text.find_first_of(".eE") == std::string::npos ? AccessType::Long
                                                                                               : AccessType::Double);
        written.literal = true;
        return written;
    }
    case ExprKind::Text: {
        Written written = makeWritten(quotedText(expr.text), AccessType::Text);
        written.literal = true;
        return written;
    }
    case ExprKind::Date:
        return literalDate(expr);
    case ExprKind::Boolean: {
        Written written = makeWritten(expr.boolean ? "-1" : "0", AccessType::Boolean);
        written.literal = true;
        return written;
    }
    case ExprKind::Column:
        return column(expr, scope);
    case ExprKind::Star:
        throw SqlError("42000", "« * » n'est permis que dans la liste des champs ou dans Count(*).");
    case ExprKind::Parameter:
        return parameter(expr);
    case ExprKind::Unary:
        return unary(expr, scope);
    case ExprKind::Binary:
        return binary(expr, scope);
    case ExprKind::Like:
        return like(expr, scope);
    case ExprKind::Between:
        return between(expr, scope);
    case ExprKind::InList:
        return inList(expr, scope);
    case ExprKind::InSelect:
        return inSelect(expr, scope);
    case ExprKind::IsNull: {
        const Written operand = expression(*expr.args.at(0), scope);
        return makeWritten(asValue(operand) + (expr.negated ? " IS NOT NULL" : " IS NULL"), AccessType::Boolean, true);
    }
    case ExprKind::Exists: {
        const WrittenSelect inner = select(*expr.select, &scope);
        return makeWritten(std::string(expr.negated ? "NOT " : "") + "EXISTS (" + inner.sql + ")", AccessType::Boolean, true);
    }
    case ExprKind::Subquery:
        return subquery(expr, scope);
    case ExprKind::Function:
        return function(expr, scope);
    case ExprKind::Case:
        return caseExpression(expr, scope);
    }
    return makeWritten("NULL", AccessType::Null);
}

Written Writer::literalDate(const Expr& expr)
{
    const std::optional<double> serial = expr.dateEscape != 0 ? readOdbcEscape(expr.dateEscape, expr.text)
                                                              : readDateLiteral(expr.text);
    if (!serial)
        throw SqlError("22007", "Erreur de syntaxe dans la date « " + expr.text + " » (caractère "
                                    + std::to_string(characterPosition(m_source, expr.position)) + ").");
    Written written = makeWritten(quotedText(canonicalDate(*serial)), AccessType::Date);
    written.literal = true;
    return written;
}

Written Writer::subquery(const Expr& expr, const Scope& scope)
{
    const WrittenSelect inner = select(*expr.select, &scope);
    const AccessType type = inner.columns.empty() ? AccessType::Unknown : inner.columns.front().type;
    return makeWritten("(" + inner.sql + ")", type);
}

Written Writer::column(const Expr& expr, const Scope& scope)
{
    const std::string& name = expr.names.back();
    const bool qualified = expr.names.size() > 1;
    const std::string qualifier = qualified ? expr.names[expr.names.size() - 2] : std::string();
    if (!qualified)
        for (const ColumnValue& value : scope.values)
            if (sameName(value.column->name, name)) {
                Written written = makeWritten("(" + value.sql + ")", value.column->type);
                written.declared = value.column->declared;
                return written;
            }
    for (const Scope* level = &scope; level != nullptr; level = level->outer) {
        for (const ScopeSource& source : level->sources) {
            if (qualified && !sameName(source.alias, qualifier))
                continue;
            const CatalogueColumn* found = nullptr;
            for (const CatalogueColumn& candidate : source.columns)
                if (sameName(candidate.name, name))
                    found = &candidate;
            if (found == nullptr)
                continue;
            Written written = makeWritten((qualified ? quotedName(source.alias) + "." : std::string()) + quotedName(found->name),
                                   found->type);
            written.declared = found->declared;
            written.columnReference = true;
            written.name = found->name;
            written.reference = written.sql;
            written.source = source.alias;
            if (found->type == AccessType::Boolean)
                written.sql = normalisedBoolean(written.sql);
            // An attachment's file: its bytes, not the wrapping Access keeps them in.
            if (source.subfields && sameName(found->name, "FileData"))
                written.sql = written.reference = "kv_attachment_data(" + written.sql + ")";
            return written;
        }
    }
    // A declared parameter.
    if (!qualified)
        for (std::size_t i = 0; i < m_parameters.size(); ++i)
            if (sameName(m_parameters[i].name, name))
                return makeWritten("?" + std::to_string(i + 1), typeFromDeclaration(m_parameters[i].type));
    // An output name of the select (ORDER BY, HAVING).
    if (!qualified)
        for (const Scope* level = &scope; level != nullptr; level = level->outer)
            for (const auto& [alias, type] : level->aliases)
                if (sameName(alias, name))
                    return makeWritten(quotedName(alias), type);
    // The last AutoNumber this connection gave.
    if (!qualified && sameName(name, "@@IDENTITY"))
        return makeWritten("kv_identity()", AccessType::Long);
    // Date, Now and Time may be written without parentheses.
    if (!qualified && (sameName(name, "Date") || sameName(name, "Now") || sameName(name, "Time"))) {
        Expr call;
        call.kind = ExprKind::Function;
        call.text = name;
        call.position = expr.position;
        return function(call, scope);
    }
    // Unknown to the writer (a source it could not read): SQLite resolves it or says it is missing.
    std::string sql;
    for (std::size_t i = 0; i < expr.names.size(); ++i)
        sql += (i ? "." : "") + quotedName(expr.names[i]);
    Written written = makeWritten(sql, AccessType::Unknown);
    written.columnReference = true;
    written.name = name;
    return written;
}

Written Writer::unary(const Expr& expr, const Scope& scope)
{
    const Written operand = expression(*expr.args.at(0), scope);
    switch (expr.op) {
    case Operator::Not:
        if (operand.predicate || operand.type == AccessType::Boolean)
            return makeWritten("NOT " + asCondition(operand), AccessType::Boolean, true);
        return makeWritten("kv_not(" + operand.sql + ")", AccessType::Long);
    case Operator::Negate:
        if (operand.type == AccessType::Date)
            return makeWritten("kv_date_minus('1899-12-30 00:00:00', " + operand.sql + ")", AccessType::Double);
        return makeWritten("(-" + asValue(operand) + ")", operand.type == AccessType::Boolean ? AccessType::Short
                                                                                       : operand.type);
    default:
        return makeWritten("(+" + asValue(operand) + ")", operand.type);
    }
}

Written Writer::binary(const Expr& expr, const Scope& scope)
{
    if (isComparison(expr.op))
        return comparison(expr, scope);
    if (isLogical(expr.op))
        return logical(expr, scope);
    return arithmetic(expr, scope);
}

Written Writer::comparison(const Expr& expr, const Scope& scope)
{
    Written left = expression(*expr.args.at(0), scope);
    Written right = expression(*expr.args.at(1), scope);
    noteParameter(left, right.type, right.declared);
    noteParameter(right, left.type, left.declared);
    // A parameter compared with a Yes/No value is read as Access reads a Yes/No value.
    for (Written* side : {&left, &right})
        if (side->parameter != 0 && (left.type == AccessType::Boolean || right.type == AccessType::Boolean)) {
            side->sql = normalisedBoolean(side->sql);
            side->type = AccessType::Boolean;
        }
    // A text compared with a date is read as a date, then compared as one.
    auto dateSide = [](Written& text) {
        if (text.literal && isText(text.type)) {
            const std::string value = text.sql.substr(1, text.sql.size() - 2);
            std::optional<double> serial = readStoredDate(value);
            if (!serial)
                serial = readUserDate(value);
            if (serial)
                text.sql = quotedText(canonicalDate(*serial));
        } else if (isNumeric(text.type)) {
            text.sql = "kv_to_date(" + text.sql + ")";
        } else if (text.type != AccessType::Date) {
            text.sql = "kv_compare_date(" + text.sql + ")";
        }
        text.type = AccessType::Date;
    };
    if (left.type == AccessType::Date && right.type != AccessType::Date && right.type != AccessType::Null)
        dateSide(right);
    else if (right.type == AccessType::Date && left.type != AccessType::Date && left.type != AccessType::Null)
        dateSide(left);
    std::string sql = asValue(left) + std::string(comparisonSymbol(expr.op)) + asValue(right);
    if (TextOperands{left.type, right.type}.comparedAsText())
        sql += std::string(" COLLATE ") + ACCESS_COLLATION;
    return makeWritten("(" + sql + ")", AccessType::Boolean, true);
}

Written Writer::logical(const Expr& expr, const Scope& scope)
{
    const Written left = expression(*expr.args.at(0), scope);
    const Written right = expression(*expr.args.at(1), scope);
    const bool truthValues = (left.predicate || left.type == AccessType::Boolean || left.type == AccessType::Null)
        && (right.predicate || right.type == AccessType::Boolean || right.type == AccessType::Null);
    if (truthValues && (expr.op == Operator::And || expr.op == Operator::Or))
        return makeWritten("(" + asCondition(left) + (expr.op == Operator::And ? " AND " : " OR ") + asCondition(right) + ")",
                    AccessType::Boolean, true);
    // Bitwise on numbers, three-valued on Null, as Access does.
    std::string_view name = "kv_imp";
    switch (expr.op) {
    case Operator::And: name = "kv_and"; break;
    case Operator::Or: name = "kv_or"; break;
    case Operator::Xor: name = "kv_xor"; break;
    case Operator::Eqv: name = "kv_eqv"; break;
    default: break;
    }
    return makeWritten(std::string(name) + "(" + asValue(left) + ", " + asValue(right) + ")",
                truthValues ? AccessType::Boolean : AccessType::Long);
}

Written Writer::arithmetic(const Expr& expr, const Scope& scope)
{
    const Written left = expression(*expr.args.at(0), scope);
    const Written right = expression(*expr.args.at(1), scope);
    const std::string a = asValue(left);
    const std::string b = asValue(right);
    const bool numbers = isNumeric(left.type) && isNumeric(right.type);
    switch (expr.op) {
    case Operator::Concat: {
        auto text = [](const Written& side, const std::string& sql) {
            return side.type == AccessType::Date ? "kv_format(" + sql + ")" : sql;
        };
        return makeWritten("kv_concat(" + text(left, a) + ", " + text(right, b) + ")", AccessType::Text);
    }
    case Operator::Add:
        if (left.type == AccessType::Date && isNumeric(right.type))
            return makeWritten("kv_date_plus(" + a + ", " + b + ")", AccessType::Date);
        if (right.type == AccessType::Date && isNumeric(left.type))
            return makeWritten("kv_date_plus(" + b + ", " + a + ")", AccessType::Date);
        if (numbers)
            return makeWritten("(" + a + " + " + b + ")", widerNumber(left.type, right.type));
        return makeWritten("kv_plus(" + a + ", " + b + ")",
                    isText(left.type) && isText(right.type) ? AccessType::Text : AccessType::Unknown);
    case Operator::Subtract:
        if (left.type == AccessType::Date && right.type == AccessType::Date)
            return makeWritten("kv_date_minus(" + a + ", " + b + ")", AccessType::Double);
        if (left.type == AccessType::Date)
            return makeWritten("kv_date_plus(" + a + ", -(" + b + "))", AccessType::Date);
        return makeWritten("(" + a + " - " + b + ")", numbers ? widerNumber(left.type, right.type) : AccessType::Double);
    case Operator::Multiply:
        return makeWritten("(" + a + " * " + b + ")", numbers ? widerNumber(left.type, right.type) : AccessType::Double);
    case Operator::Divide:
        return makeWritten("kv_div(" + a + ", " + b + ")", AccessType::Double);
    case Operator::IntDivide:
        return makeWritten("kv_intdiv(" + a + ", " + b + ")", AccessType::Long);
    case Operator::Mod:
        return makeWritten("kv_mod(" + a + ", " + b + ")", AccessType::Long);
    case Operator::Power:
        return makeWritten("kv_pow(" + a + ", " + b + ")", AccessType::Double);
    default:
        throw SqlError("42000", "Opérateur inconnu dans l'expression.");
    }
}

}  // namespace kervane::sql
