#include "driver/sql/QueryDefinition.h"

#include "driver/sql/DefinitionReader.h"

#include <cctype>

namespace kervane::sql {
namespace querytext {

using definition::Reader;

[[noreturn]] void unsupported(const std::string& message)
{
    throw SqlError("HYC00", message);
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
    case Operator::Mod: return " Mod ";
    case Operator::Add: return "+";
    case Operator::Subtract: return "-";
    case Operator::Concat: return "&";
    case Operator::Equal: return "=";
    case Operator::NotEqual: return "<>";
    case Operator::Less: return "<";
    case Operator::LessEqual: return "<=";
    case Operator::Greater: return ">";
    case Operator::GreaterEqual: return ">=";
    case Operator::And: return " And ";
    case Operator::Or: return " Or ";
    case Operator::Xor: return " Xor ";
    case Operator::Eqv: return " Eqv ";
    case Operator::Imp: return " Imp ";
    case Operator::None: break;
    }
    return "";
}

bool atomic(const Expr& expr)
{
    switch (expr.kind) {
    case ExprKind::Null:
    case ExprKind::Number:
    case ExprKind::Text:
    case ExprKind::Date:
    case ExprKind::Boolean:
    case ExprKind::Column:
    case ExprKind::Star:
    case ExprKind::Function: return true;
    default: return false;
    }
}

// An operand: in parentheses unless it stands alone.
std::string text(const Expr& expr);

std::string operand(const Expr& expr)
{
    const std::string written = text(expr);
    return atomic(expr) ? written : "(" + written + ")";
}

std::string list(const std::vector<ExprPtr>& args, std::size_t from)
{
    std::string written;
    for (std::size_t i = from; i < args.size(); ++i)
        written += (i > from ? ", " : "") + text(*args[i]);
    return written;
}

std::string bracketed(const std::string& name)
{
    return "[" + name + "]";
}

// The type of a parameter as the driver's PARAMETERS clause names it.
std::string parameterTypeText(const ColumnType& type)
{
    using Kind = ColumnType::Kind;
    switch (type.kind) {
    case Kind::Text: return "Text(" + std::to_string(type.size) + ")";
    case Kind::Memo: return "Memo";
    case Kind::Byte: return "Byte";
    case Kind::Integer: return "Short";
    case Kind::Long:
    case Kind::Counter: return "Long";
    case Kind::Single: return "Single";
    case Kind::Double: return "Double";
    case Kind::Currency: return "Currency";
    case Kind::DateTime: return "DateTime";
    case Kind::YesNo: return "Bit";
    case Kind::Guid: return "Guid";
    case Kind::LongBinary: return "LongBinary";
    case Kind::Binary: return "Binary";
    case Kind::Decimal: return "Decimal";
    case Kind::BigInt: return "BigInt";
    case Kind::DateTime2: return "DateTime2";
    }
    return "Text";
}

std::vector<QueryParameter> readParameters(Reader& reader)
{
    std::vector<QueryParameter> parameters;
    if (!reader.acceptSymbol("("))
        return parameters;
    do {
        QueryParameter parameter;
        parameter.name = reader.name("le paramètre");
        parameter.type = definition::readType(reader, parameter.name);
        for (const QueryParameter& other : parameters)
            if (detail::sameWord(other.name, parameter.name))
                definition::refuse("Le paramètre " + definition::quoted(parameter.name) + " est déclaré deux fois.");
        parameters.push_back(std::move(parameter));
    } while (reader.acceptSymbol(","));
    reader.expectSymbol(")");
    return parameters;
}

std::vector<std::string> readColumnNames(Reader& reader)
{
    std::vector<std::string> names;
    if (!reader.acceptSymbol("("))
        return names;
    do
        names.push_back(reader.name("la colonne"));
    while (reader.acceptSymbol(","));
    reader.expectSymbol(")");
    return names;
}

std::string text(const Expr& expr)
{
    const std::string negation = expr.negated ? "Not " : "";
    switch (expr.kind) {
    case ExprKind::Null: return "Null";
    case ExprKind::Number: return expr.text;
    case ExprKind::Text: {
        std::string written = "\"";
        for (const char c : expr.text)
            written += c == '"' ? std::string("\"\"") : std::string(1, c);
        return written + "\"";
    }
    case ExprKind::Date: return "#" + expr.text + "#";
    case ExprKind::Boolean: return expr.boolean ? "True" : "False";
    case ExprKind::Column: {
        std::string written;
        for (const std::string& name : expr.names)
            written += (written.empty() ? "" : ".") + bracketed(name);
        return written;
    }
    case ExprKind::Star: return expr.names.empty() ? "*" : bracketed(expr.names.front()) + ".*";
    case ExprKind::Parameter:
        unsupported("Une requête enregistrée ne peut pas contenir de marqueur « ? » : déclarez ses paramètres "
                    "par leur nom.");
    case ExprKind::Unary: return operatorText(expr.op) + operand(*expr.args[0]);
    case ExprKind::Binary: return operand(*expr.args[0]) + operatorText(expr.op) + operand(*expr.args[1]);
    case ExprKind::Like:
        return operand(*expr.args[0]) + " " + negation + (expr.alike ? "ALike " : "Like ") + operand(*expr.args[1]);
    case ExprKind::Between:
        return operand(*expr.args[0]) + " " + negation + "Between " + operand(*expr.args[1]) + " And " +
               operand(*expr.args[2]);
    case ExprKind::InList: return operand(*expr.args[0]) + " " + negation + "In (" + list(expr.args, 1) + ")";
    case ExprKind::IsNull: return operand(*expr.args[0]) + (expr.negated ? " Is Not Null" : " Is Null");
    case ExprKind::Function:
        if (expr.escaped)
            unsupported("Une requête enregistrée ne peut pas contenir d'appel de fonction ODBC ({fn …}) : "
                        "écrivez la fonction d'Access.");
        if (expr.distinct)
            unsupported("DISTINCT dans une fonction d'agrégat n'est pas permis dans une requête enregistrée.");
        return expr.text + "(" + (expr.star ? std::string("*") : list(expr.args, 0)) + ")";
    case ExprKind::InSelect:
    case ExprKind::Exists:
    case ExprKind::Subquery:
        unsupported("Les sous-requêtes ne peuvent pas encore être enregistrées dans une requête par ce pilote.");
    case ExprKind::Case:
        unsupported("CASE n'est pas du SQL d'Access : une requête enregistrée ne peut pas le contenir.");
    }
    unsupported("Cette expression ne peut pas être enregistrée dans une requête.");
}

std::optional<QueryDefinition> read(std::string_view sql, const std::vector<RawToken>& tokens)
{
    Reader reader(tokens);
    QueryDefinition definition;
    if (reader.acceptWord("CREATE")) {
        if (reader.acceptWord("VIEW"))
            definition.kind = QueryDefinition::Kind::CreateView;
        else if (reader.acceptWord("PROCEDURE"))
            definition.kind = QueryDefinition::Kind::CreateProcedure;
        else
            return std::nullopt;
    } else if (reader.acceptWord("DROP")) {
        if (reader.acceptWord("VIEW"))
            definition.kind = QueryDefinition::Kind::DropView;
        else if (reader.acceptWord("PROCEDURE"))
            definition.kind = QueryDefinition::Kind::DropProcedure;
        else
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    definition.name = reader.name("la requête");
    if (!definition.creates()) {
        reader.expectEnd();
        return definition;
    }
    if (definition.kind == QueryDefinition::Kind::CreateView)
        definition.columns = readColumnNames(reader);
    else
        definition.parameters = readParameters(reader);
    reader.expectWord("AS");
    if (reader.atEnd())
        reader.fail();
    definition.body = std::string(sql.substr(reader.peek()->position));
    return definition;
}

std::string statement(const QueryDefinition& definition)
{
    std::string clause;
    for (const QueryParameter& parameter : definition.parameters)
        clause += (clause.empty() ? "PARAMETERS " : ", ") + bracketed(parameter.name) + " " +
                  parameterTypeText(parameter.type);
    return clause.empty() ? definition.body : clause + ";\n" + definition.body;
}

}  // namespace querytext

std::string accessName(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts) {
        bool plain = !part.empty();
        for (const char c : part) {
            const auto byte = static_cast<unsigned char>(c);
            plain = plain && (byte >= 0x80 || std::isalnum(byte) != 0 || c == '_');
        }
        text += (text.empty() ? "" : ".") + (plain ? part : querytext::bracketed(part));
    }
    return text;
}

std::string accessText(const Expr& expr)
{
    return querytext::text(expr);
}

std::optional<QueryDefinition> readQueryDefinition(std::string_view sql, const std::vector<RawToken>& tokens)
{
    return querytext::read(sql, tokens);
}

std::string queryStatement(const QueryDefinition& definition)
{
    return querytext::statement(definition);
}

}  // namespace kervane::sql
