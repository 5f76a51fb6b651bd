// SELECT statements: the clauses of one SELECT, UNION chains, TABLE name, queries written in
// parentheses and the final ORDER BY.
#include "driver/sql/ParserState.h"

namespace kervane::sql::detail {
namespace {

bool isWholeNumber(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

ExprPtr makeStar(std::vector<std::string> names, std::size_t position)
{
    ExprPtr star = makeExpr(ExprKind::Star, position);
    star->names = std::move(names);
    return star;
}

// name [. name ...] . * ahead?
bool atQualifiedStar(const Cursor& cursor)
{
    if (!isNameToken(cursor.peek()))
        return false;
    for (std::size_t ahead = 1;; ahead += 2) {
        if (!cursor.at(".", ahead) && !cursor.at("!", ahead))
            return false;
        if (cursor.at("*", ahead + 1))
            return cursor.at(".", ahead);
        const TokenKind next = cursor.peek(ahead + 1).kind;
        if (next != TokenKind::Name && next != TokenKind::Word)
            return false;
    }
}

SelectItem parseItem(Cursor& cursor)
{
    SelectItem item;
    item.position = cursor.peek().offset;
    if (cursor.accept("*")) {
        item.expr = makeStar({}, item.position);
    } else if (atQualifiedStar(cursor)) {
        std::vector<std::string> names = parseQualifiedName(cursor);
        cursor.expect(".");
        cursor.expect("*");
        item.expr = makeStar(std::move(names), item.position);
    } else {
        item.expr = parseExpression(cursor);
        item.alias = parseAlias(cursor, true);
    }
    return item;
}

void parseQuantifierAndTop(Cursor& cursor, Select& select)
{
    if (cursor.accept(Keyword::Distinct))
        select.quantifier = Quantifier::Distinct;
    else if (cursor.accept(Keyword::DistinctRow))
        select.quantifier = Quantifier::DistinctRow;
    else
        cursor.accept(Keyword::All);
    if (!cursor.at(Keyword::Top))
        return;
    Top top;
    top.position = cursor.advance().offset;
    // TOP takes an unsigned whole number.
    if (cursor.peek().kind != TokenKind::Number || !isWholeNumber(tokenValue(cursor.peek())))
        cursor.fail();
    top.count = tokenValue(cursor.advance());
    top.percent = cursor.accept(Keyword::Percent);
    select.top = std::move(top);
}

void refuseExternalDatabase(Cursor& cursor)
{
    if (cursor.at(Keyword::In))
        throw SqlError("HYC00", "L'écriture dans une autre base de données (« IN » après « INTO ») n'est pas prise en charge.");
}

// SELECT ... [INTO t] [FROM ...] [WHERE ...] [GROUP BY ...] [HAVING ...]
SelectPtr parseSelectClauses(Cursor& cursor)
{
    auto select = std::make_unique<Select>();
    select->position = cursor.expect(Keyword::Select).offset;
    parseQuantifierAndTop(cursor, *select);
    do {
        select->items.push_back(parseItem(cursor));
    } while (cursor.accept(","));
    if (cursor.accept(Keyword::Into)) {
        select->into = parseName(cursor);
        refuseExternalDatabase(cursor);
    }
    if (cursor.accept(Keyword::From))
        select->from = parseFromList(cursor);
    if (cursor.accept(Keyword::Where))
        select->where = parseExpression(cursor);
    if (cursor.at(Keyword::Group) && cursor.at(Keyword::By, 1)) {
        cursor.advance();
        cursor.advance();
        select->groupBy = parseExpressionList(cursor);
    }
    if (cursor.accept(Keyword::Having))
        select->having = parseExpression(cursor);
    return select;
}

// TABLE name, Access's short form of SELECT * FROM name.
SelectPtr parseTableQuery(Cursor& cursor)
{
    auto select = std::make_unique<Select>();
    select->position = cursor.advance().offset;
    select->items.push_back(SelectItem{makeStar({}, select->position), {}, select->position});
    auto table = std::make_unique<FromItem>();
    table->position = cursor.peek().offset;
    table->name = parseName(cursor);
    select->from.push_back(std::move(table));
    return select;
}

SelectPtr parseMember(Cursor& cursor)
{
    Nesting nesting(cursor);
    if (cursor.at(Keyword::Select))
        return parseSelectClauses(cursor);
    if (cursor.at(Keyword::Table))
        return parseTableQuery(cursor);
    cursor.expect("(");
    SelectPtr inner = parseQuery(cursor);
    cursor.expect(")");
    inner->parenthesized = true;
    return inner;
}

std::vector<OrderItem> parseOrderBy(Cursor& cursor)
{
    std::vector<OrderItem> order;
    if (!cursor.at(Keyword::Order) || !cursor.at(Keyword::By, 1))
        return order;
    cursor.advance();
    cursor.advance();
    do {
        OrderItem item;
        item.expr = parseExpression(cursor);
        if (!cursor.accept(Keyword::Asc))
            item.descending = cursor.accept(Keyword::Desc);
        order.push_back(std::move(item));
    } while (cursor.accept(","));
    return order;
}

// SELECT * FROM (inner): keeps a parenthesized member's own UNION or ORDER BY apart from the
// chain it stands in.
SelectPtr wrapInSubquery(SelectPtr inner)
{
    const std::size_t position = inner->position;
    auto outer = std::make_unique<Select>();
    outer->position = position;
    outer->parenthesized = true;
    outer->items.push_back(SelectItem{makeStar({}, position), {}, position});
    auto from = std::make_unique<FromItem>();
    from->kind = FromItem::Kind::Subquery;
    from->position = position;
    inner->parenthesized = false;
    from->select = std::move(inner);
    outer->from.push_back(std::move(from));
    return outer;
}

bool standsApart(const Select& member) { return member.next != nullptr || !member.orderBy.empty(); }

SelectPtr linkChain(std::vector<SelectPtr> members, const std::vector<SetOperator>& operators,
                    std::vector<OrderItem> order)
{
    if (members.size() == 1) {
        SelectPtr only = std::move(members.front());
        if (order.empty())
            return only;
        if (!only->orderBy.empty())
            only = wrapInSubquery(std::move(only));
        only->orderBy = std::move(order);
        return only;
    }
    for (SelectPtr& member : members) {
        if (standsApart(*member))
            member = wrapInSubquery(std::move(member));
    }
    for (std::size_t i = members.size() - 1; i > 0; --i) {
        members[i - 1]->setOperator = operators[i - 1];
        members[i - 1]->next = std::move(members[i]);
    }
    members.front()->orderBy = std::move(order);
    return std::move(members.front());
}

}  // namespace

SelectPtr parseQuery(Cursor& cursor)
{
    std::vector<SelectPtr> members;
    std::vector<SetOperator> operators;
    members.push_back(parseMember(cursor));
    while (cursor.accept(Keyword::Union)) {
        operators.push_back(cursor.accept(Keyword::All) ? SetOperator::UnionAll : SetOperator::Union);
        members.push_back(parseMember(cursor));
    }
    return linkChain(std::move(members), operators, parseOrderBy(cursor));
}

std::string parseAlias(Cursor& cursor, bool allowText)
{
    const bool written = cursor.accept(Keyword::As);
    const Token& token = cursor.peek();
    if (allowText && token.kind == TokenKind::Text)
        return tokenValue(cursor.advance());
    if (written || isNameToken(token))
        return parseName(cursor);
    return {};
}

}  // namespace kervane::sql::detail
