// FROM clauses: tables, sub-queries (also Access's saved form [SELECT ...]. AS x), INNER, LEFT
// and RIGHT joins nested in parentheses at any depth, and the ODBC {oj ...} escape.
#include "driver/sql/ParserState.h"

namespace kervane::sql::detail {
namespace {

FromPtr makeFrom(FromItem::Kind kind, std::size_t position)
{
    auto item = std::make_unique<FromItem>();
    item->kind = kind;
    item->position = position;
    return item;
}

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Access saves a sub-query of a FROM clause as [SELECT ...]. AS alias.
bool isBracketedSelect(const Token& token)
{
    if (token.kind != TokenKind::Name || token.text.front() != '[')
        return false;
    std::string_view inner = token.text.substr(1, token.text.size() - 2);
    while (!inner.empty() && isWhiteSpace(inner.front()))
        inner.remove_prefix(1);
    return inner.size() > 6 && keywordOf(inner.substr(0, 6)) == Keyword::Select && isWhiteSpace(inner[6]);
}

FromPtr parseBracketedSelect(Cursor& cursor)
{
    const Token& token = cursor.advance();
    FromPtr item = makeFrom(FromItem::Kind::Subquery, token.offset);
    const std::size_t begin = token.offset + 1;
    const std::size_t end = token.offset + token.text.size() - 1;
    Cursor inner(cursor.statement(), tokenize(cursor.statement(), begin, end), cursor.nesting());
    item->select = parseQuery(inner);
    if (!inner.atEnd())
        inner.fail();
    cursor.accept(".");
    item->alias = parseAlias(cursor, false);
    return item;
}

FromPtr parseTable(Cursor& cursor)
{
    FromPtr table = makeFrom(FromItem::Kind::Table, cursor.peek().offset);
    const Token& first = cursor.peek();
    std::vector<std::string> names = parseQualifiedName(cursor);
    if (names.size() > 2)
        cursor.failAt(first);
    // [c:\data\other.mdb].[Table] names a table of another file, as IN 'file' does.
    if (names.size() == 2)
        table->database = std::move(names.front());
    table->name = std::move(names.back());
    if (cursor.accept(Keyword::In))
        table->database = parseDatabase(cursor);
    table->alias = parseAlias(cursor, false);
    return table;
}

FromPtr parseJoined(Cursor& cursor);

FromPtr parseSubquery(Cursor& cursor, std::size_t position)
{
    FromPtr item = makeFrom(FromItem::Kind::Subquery, position);
    item->select = parseQuery(cursor);
    cursor.expect(")");
    item->alias = parseAlias(cursor, false);
    return item;
}

// Parentheses around a sub-query, or around joins.
FromPtr parseParenthesized(Cursor& cursor)
{
    const std::size_t position = cursor.advance().offset;
    if (cursor.at(Keyword::Select))
        return parseSubquery(cursor, position);
    std::size_t ahead = 0;
    while (cursor.at("(", ahead))
        ++ahead;
    // "((SELECT ...) UNION (SELECT ...)) AS x" and "((SELECT ...) AS s INNER JOIN ...)" differ
    // only after the first sub-query: the query is tried first.
    if (ahead > 0 && cursor.at(Keyword::Select, ahead)) {
        const std::size_t mark = cursor.mark();
        try {
            return parseSubquery(cursor, position);
        } catch (const SqlError&) {
            cursor.rewind(mark);
        }
    }
    FromPtr item = parseJoined(cursor);
    cursor.expect(")");
    return item;
}

// {oj a LEFT OUTER JOIN b ON ...}
FromPtr parseOuterJoinEscape(Cursor& cursor)
{
    cursor.expect("{");
    const Token& word = cursor.peek();
    if (word.kind != TokenKind::Word || !sameWord(word.text, "OJ"))
        cursor.fail();
    cursor.advance();
    FromPtr item = parseJoined(cursor);
    cursor.expect("}");
    return item;
}

FromPtr parsePrimary(Cursor& cursor)
{
    Nesting nesting(cursor);
    if (cursor.at("("))
        return parseParenthesized(cursor);
    if (cursor.at("{"))
        return parseOuterJoinEscape(cursor);
    if (isBracketedSelect(cursor.peek()))
        return parseBracketedSelect(cursor);
    return parseTable(cursor);
}

// INNER JOIN, LEFT [OUTER] JOIN, RIGHT [OUTER] JOIN ahead? Consumes the words when so.
// A bare JOIN, which Access itself refuses, is taken as the INNER JOIN it means elsewhere.
bool acceptJoin(Cursor& cursor, JoinKind& kind)
{
    if (cursor.accept(Keyword::Join)) {
        kind = JoinKind::Inner;
        return true;
    }
    if (cursor.accept(Keyword::Inner)) {
        kind = JoinKind::Inner;
    } else if (cursor.accept(Keyword::Left)) {
        kind = JoinKind::Left;
        cursor.accept(Keyword::Outer);
    } else if (cursor.accept(Keyword::Right)) {
        kind = JoinKind::Right;
        cursor.accept(Keyword::Outer);
    } else {
        return false;
    }
    cursor.expect(Keyword::Join);
    return true;
}

FromPtr parseJoined(Cursor& cursor)
{
    FromPtr left = parsePrimary(cursor);
    JoinKind kind = JoinKind::Inner;
    while (acceptJoin(cursor, kind)) {
        FromPtr join = makeFrom(FromItem::Kind::Join, left->position);
        join->join = kind;
        join->left = std::move(left);
        join->right = parsePrimary(cursor);
        cursor.expect(Keyword::On);
        join->on = parseExpression(cursor);
        left = std::move(join);
    }
    return left;
}

}  // namespace

std::vector<FromPtr> parseFromList(Cursor& cursor)
{
    std::vector<FromPtr> items;
    do {
        items.push_back(parseJoined(cursor));
    } while (cursor.accept(","));
    return items;
}

std::string parseDatabase(Cursor& cursor)
{
    const Token& file = cursor.peek();
    if (file.kind != TokenKind::Text)
        cursor.fail();
    std::string database = tokenValue(cursor.advance());
    // IN '' [dBASE IV; DATABASE=...]: the connect string names the source.
    if (cursor.peek().kind == TokenKind::Name) {
        std::string connect = tokenValue(cursor.advance());
        if (database.empty())
            database = std::move(connect);
    }
    if (database.empty())
        cursor.failAt(file);
    return database;
}

}  // namespace kervane::sql::detail
