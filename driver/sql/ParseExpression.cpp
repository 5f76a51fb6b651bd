// Expressions of Access SQL by precedence climbing: one loop over the binary operators, and
// operands (literals, names, calls, signs, NOT, parentheses, sub-queries, ODBC escapes).
#include "driver/sql/ParserState.h"

namespace kervane::sql::detail {
namespace {

// A binary operator, or one of the comparisons with a form of their own.
struct Infix {
    int level = 0;  // 0: no operator here
    Operator op = Operator::None;
    ExprKind kind = ExprKind::Binary;
    bool negated = false;  // NOT LIKE, NOT BETWEEN, NOT IN
    bool alike = false;
};

Infix infixSymbol(std::string_view symbol)
{
    const auto make = [](Precedence level, Operator op) { return Infix{static_cast<int>(level), op}; };
    const char second = symbol.size() > 1 ? symbol[1] : '\0';
    switch (symbol[0]) {
    case '^': return make(Precedence::Power, Operator::Power);
    case '*': return make(Precedence::Multiplicative, Operator::Multiply);
    case '/': return make(Precedence::Multiplicative, Operator::Divide);
    case '\\': return make(Precedence::IntDivide, Operator::IntDivide);
    case '+': return make(Precedence::Additive, Operator::Add);
    case '-': return make(Precedence::Additive, Operator::Subtract);
    case '&': return make(Precedence::Concat, Operator::Concat);
    case '=': return make(Precedence::Comparison, Operator::Equal);
    case '!': return second == '=' ? make(Precedence::Comparison, Operator::NotEqual) : Infix{};
    case '<':
        if (second == '>')
            return make(Precedence::Comparison, Operator::NotEqual);
        return make(Precedence::Comparison, second == '=' ? Operator::LessEqual : Operator::Less);
    case '>': return make(Precedence::Comparison, second == '=' ? Operator::GreaterEqual : Operator::Greater);
    default: return {};
    }
}

Infix comparisonForm(Keyword keyword, bool negated)
{
    const int level = static_cast<int>(Precedence::Comparison);
    switch (keyword) {
    case Keyword::Like:
        return Infix{level, Operator::None, ExprKind::Like, negated, false};
    case Keyword::Alike:
        return Infix{level, Operator::None, ExprKind::Like, negated, true};
    case Keyword::Between:
        return Infix{level, Operator::None, ExprKind::Between, negated, false};
    case Keyword::In:
        return Infix{level, Operator::None, ExprKind::InList, negated, false};
    case Keyword::Is:
        return negated ? Infix{} : Infix{level, Operator::None, ExprKind::IsNull, false, false};
    default:
        return {};
    }
}

Infix infixAt(const Cursor& cursor)
{
    const Token& token = cursor.peek();
    if (token.kind == TokenKind::Symbol)
        return infixSymbol(token.text);
    if (token.kind != TokenKind::Word)
        return {};
    switch (token.keyword) {
    case Keyword::Mod:
        return Infix{static_cast<int>(Precedence::Modulo), Operator::Mod};
    case Keyword::And:
        return Infix{static_cast<int>(Precedence::And), Operator::And};
    case Keyword::Or:
        return Infix{static_cast<int>(Precedence::Or), Operator::Or};
    case Keyword::Xor:
        return Infix{static_cast<int>(Precedence::Xor), Operator::Xor};
    case Keyword::Eqv:
        return Infix{static_cast<int>(Precedence::Eqv), Operator::Eqv};
    case Keyword::Imp:
        return Infix{static_cast<int>(Precedence::Imp), Operator::Imp};
    case Keyword::Not:
        return comparisonForm(cursor.peek(1).kind == TokenKind::Word ? cursor.peek(1).keyword : Keyword::None, true);
    default:
        return comparisonForm(token.keyword, false);
    }
}

ExprPtr parseInTail(Cursor& cursor, ExprPtr value, bool negated)
{
    cursor.expect("(");
    ExprPtr in = makeExpr(ExprKind::InList, value->position);
    in->negated = negated;
    in->args.push_back(std::move(value));
    if (cursor.at(Keyword::Select)) {
        in->kind = ExprKind::InSelect;
        in->select = parseQuery(cursor);
    } else {
        for (ExprPtr& item : parseExpressionList(cursor))
            in->args.push_back(std::move(item));
    }
    cursor.expect(")");
    return in;
}

ExprPtr applyInfix(Cursor& cursor, ExprPtr left, const Infix& infix)
{
    cursor.advance();
    if (infix.negated)
        cursor.advance();  // the LIKE, BETWEEN or IN after NOT
    const std::size_t position = left->position;
    if (infix.kind == ExprKind::InList)
        return parseInTail(cursor, std::move(left), infix.negated);
    ExprPtr node = makeExpr(infix.kind, position);
    node->negated = infix.negated;
    node->args.push_back(std::move(left));
    switch (infix.kind) {
    case ExprKind::Like:
        node->alike = infix.alike;
        node->args.push_back(parseExpression(cursor, Precedence::Concat));
        break;
    case ExprKind::Between:
        node->args.push_back(parseExpression(cursor, Precedence::Concat));
        cursor.expect(Keyword::And);
        node->args.push_back(parseExpression(cursor, Precedence::Concat));
        break;
    case ExprKind::IsNull:
        node->negated = cursor.accept(Keyword::Not);
        cursor.expect(Keyword::Null);
        break;
    default:
        node->op = infix.op;
        node->args.push_back(parseExpression(cursor, static_cast<Precedence>(infix.level + 1)));
        break;
    }
    return node;
}

ExprPtr parseColumn(Cursor& cursor)
{
    const std::size_t position = cursor.peek().offset;
    ExprPtr column = makeExpr(ExprKind::Column, position);
    column->names = parseQualifiedName(cursor);
    return column;
}

ExprPtr parseFunction(Cursor& cursor, bool escaped)
{
    const Token& name = cursor.advance();
    ExprPtr call = makeExpr(ExprKind::Function, name.offset);
    call->text = std::string(name.text);
    call->escaped = escaped;
    cursor.expect("(");
    if (cursor.accept(")"))
        return call;
    if (cursor.at("*") && sameWord(name.text, "COUNT")) {
        cursor.advance();
        call->star = true;
    } else {
        call->distinct = cursor.accept(Keyword::Distinct);
        call->args = parseExpressionList(cursor);
    }
    cursor.expect(")");
    return call;
}

// {d '...'}, {t '...'}, {ts '...'} and {fn name(args)}
ExprPtr parseEscape(Cursor& cursor)
{
    cursor.expect("{");
    const Token& word = cursor.peek();
    if (word.kind != TokenKind::Word)
        cursor.fail();
    ExprPtr node;
    if (sameWord(word.text, "FN")) {
        cursor.advance();
        if (cursor.peek().kind != TokenKind::Word || !cursor.at("(", 1))
            cursor.fail();
        node = parseFunction(cursor, true);
    } else {
        const bool date = sameWord(word.text, "D");
        const bool time = sameWord(word.text, "T");
        if (!date && !time && !sameWord(word.text, "TS"))
            cursor.fail();
        cursor.advance();
        const Token& value = cursor.peek();
        if (value.kind != TokenKind::Text)
            cursor.fail();
        node = makeExpr(ExprKind::Date, word.offset);
        node->text = tokenValue(cursor.advance());
        node->escaped = true;
        node->dateEscape = date ? 'd' : (time ? 't' : 's');
    }
    cursor.expect("}");
    return node;
}

// CASE [operand] WHEN e THEN e ... [ELSE e] END (not Access SQL, accepted for users of other SQLs)
ExprPtr parseCase(Cursor& cursor)
{
    ExprPtr node = makeExpr(ExprKind::Case, cursor.advance().offset);
    node->args.push_back(cursor.at(Keyword::When) ? nullptr : parseExpression(cursor));
    do {
        cursor.expect(Keyword::When);
        node->args.push_back(parseExpression(cursor));
        cursor.expect(Keyword::Then);
        node->args.push_back(parseExpression(cursor));
    } while (cursor.at(Keyword::When));
    node->args.push_back(cursor.accept(Keyword::Else) ? parseExpression(cursor) : nullptr);
    cursor.expect(Keyword::End);
    return node;
}

ExprPtr parseBoolean(Cursor& cursor, bool value)
{
    ExprPtr node = makeExpr(ExprKind::Boolean, cursor.advance().offset);
    node->boolean = value;
    return node;
}

ExprPtr parseWordOperand(Cursor& cursor)
{
    const Token& token = cursor.peek();
    switch (token.keyword) {
    case Keyword::Null:
        return makeExpr(ExprKind::Null, cursor.advance().offset);
    case Keyword::True:
    case Keyword::Yes:
    case Keyword::On:
        return parseBoolean(cursor, true);
    case Keyword::False:
    case Keyword::No:
    case Keyword::Off:
        return parseBoolean(cursor, false);
    case Keyword::Not: {
        ExprPtr node = makeExpr(ExprKind::Unary, cursor.advance().offset);
        ExprPtr operand = parseExpression(cursor, Precedence::Comparison);
        if (operand->kind == ExprKind::Exists && !operand->negated) {
            operand->negated = true;
            operand->position = node->position;
            return operand;
        }
        node->op = Operator::Not;
        node->args.push_back(std::move(operand));
        return node;
    }
    case Keyword::Exists: {
        ExprPtr node = makeExpr(ExprKind::Exists, cursor.advance().offset);
        cursor.expect("(");
        node->select = parseQuery(cursor);
        cursor.expect(")");
        return node;
    }
    case Keyword::Case:
        return parseCase(cursor);
    default:
        break;
    }
    // Left( and Right( are calls although LEFT and RIGHT also make joins.
    const bool callable = !isReserved(token.keyword) || token.keyword == Keyword::Left || token.keyword == Keyword::Right;
    if (callable && cursor.at("(", 1))
        return parseFunction(cursor, false);
    if (isReserved(token.keyword))
        cursor.fail();
    return parseColumn(cursor);
}

ExprPtr parseSymbolOperand(Cursor& cursor)
{
    const Token& token = cursor.peek();
    if (token.text == "(") {
        cursor.advance();
        ExprPtr inner;
        if (cursor.at(Keyword::Select)) {
            inner = makeExpr(ExprKind::Subquery, token.offset);
            inner->select = parseQuery(cursor);
        } else {
            inner = parseExpression(cursor);
        }
        cursor.expect(")");
        return inner;
    }
    if (token.text == "-" || token.text == "+") {
        ExprPtr node = makeExpr(ExprKind::Unary, cursor.advance().offset);
        node->op = token.text == "-" ? Operator::Negate : Operator::Plus;
        // ^ binds tighter than a sign: -2^2 is -(2^2).
        node->args.push_back(parseExpression(cursor, Precedence::Power));
        return node;
    }
    if (token.text == "{")
        return parseEscape(cursor);
    cursor.fail();
}

ExprPtr parseLiteral(Cursor& cursor, ExprKind kind)
{
    const Token& token = cursor.advance();
    ExprPtr node = makeExpr(kind, token.offset);
    if (kind != ExprKind::Parameter)
        node->text = tokenValue(token);
    return node;
}

}  // namespace

Nesting::Nesting(Cursor& cursor) : m_cursor(cursor)
{
    if (m_cursor.m_nesting >= MAX_NESTING)
        throw SqlError("42000", "L'instruction SQL est trop imbriquée : plus de " + std::to_string(MAX_NESTING) +
                                    " niveaux de parenthèses ou de sous-requêtes.");
    ++m_cursor.m_nesting;
}

ExprPtr makeExpr(ExprKind kind, std::size_t position)
{
    auto node = std::make_unique<Expr>();
    node->kind = kind;
    node->position = position;
    return node;
}

ExprPtr parseExpression(Cursor& cursor, Precedence loosest)
{
    ExprPtr left = parseOperand(cursor);
    // Each operator of a chain (a + b + c ...) adds a level to the tree, which the writer walks
    // recursively; an absurdly long chain is refused like deep nesting.
    for (int count = 0;; ++count) {
        const Infix infix = infixAt(cursor);
        if (infix.level == 0 || infix.level < static_cast<int>(loosest))
            return left;
        if (count == MAX_CHAIN)
            throw SqlError("42000", "L'expression est trop complexe : plus de " + std::to_string(MAX_CHAIN) +
                                        " opérateurs à la suite.");
        left = applyInfix(cursor, std::move(left), infix);
    }
}

std::vector<ExprPtr> parseExpressionList(Cursor& cursor)
{
    std::vector<ExprPtr> list;
    do {
        list.push_back(parseExpression(cursor));
    } while (cursor.accept(","));
    return list;
}

ExprPtr parseOperand(Cursor& cursor)
{
    Nesting nesting(cursor);
    switch (cursor.peek().kind) {
    case TokenKind::Number:
        return parseLiteral(cursor, ExprKind::Number);
    case TokenKind::Text:
        return parseLiteral(cursor, ExprKind::Text);
    case TokenKind::Date:
        return parseLiteral(cursor, ExprKind::Date);
    case TokenKind::Parameter:
        return parseLiteral(cursor, ExprKind::Parameter);
    case TokenKind::Name:
        return parseColumn(cursor);
    case TokenKind::Word:
        return parseWordOperand(cursor);
    case TokenKind::Symbol:
        return parseSymbolOperand(cursor);
    case TokenKind::End:
        break;
    }
    cursor.fail();
}

bool isNameToken(const Token& token)
{
    return token.kind == TokenKind::Name || (token.kind == TokenKind::Word && !isReserved(token.keyword));
}

std::string parseName(Cursor& cursor)
{
    if (!isNameToken(cursor.peek()))
        cursor.fail();
    return tokenValue(cursor.advance());
}

bool atQualifierSeparator(const Cursor& cursor)
{
    const TokenKind next = cursor.peek(1).kind;
    return (cursor.at(".") || cursor.at("!")) && (next == TokenKind::Name || next == TokenKind::Word);
}

std::vector<std::string> parseQualifiedName(Cursor& cursor)
{
    std::vector<std::string> names{parseName(cursor)};
    // After a separator any word is a name: t.Order is the column Order of t.
    while (atQualifierSeparator(cursor)) {
        cursor.advance();
        names.push_back(tokenValue(cursor.advance()));
    }
    return names;
}

}  // namespace kervane::sql::detail
