#include "driver/sql/Parser.h"

#include "driver/sql/ParserState.h"

namespace kervane::sql {
namespace {

using detail::Cursor;

bool opensRawStatement(Keyword keyword)
{
    switch (keyword) {
    case Keyword::Create:
    case Keyword::Drop:
    case Keyword::Alter:
    case Keyword::Grant:
    case Keyword::Revoke:
    case Keyword::Begin:
    case Keyword::Commit:
    case Keyword::Rollback:
        return true;
    default:
        return false;
    }
}

// WITH OWNERACCESS OPTION, which Access writes after queries run with the owner's rights.
void skipOwnerAccess(Cursor& cursor)
{
    if (cursor.at(Keyword::With) && cursor.at(Keyword::OwnerAccess, 1) && cursor.at(Keyword::Option, 2)) {
        cursor.advance();
        cursor.advance();
        cursor.advance();
    }
}

void parseBody(Cursor& cursor, Statement& statement)
{
    const Token& first = cursor.peek();
    const Keyword keyword = first.kind == TokenKind::Word ? first.keyword : Keyword::None;
    if (opensRawStatement(keyword)) {
        statement.kind = Statement::Kind::Raw;
        statement.raw = detail::parseRaw(cursor);
        return;
    }
    if (keyword == Keyword::Select || keyword == Keyword::Table || cursor.at("(")) {
        statement.kind = Statement::Kind::Select;
        statement.select = detail::parseQuery(cursor);
    } else if (keyword == Keyword::Transform) {
        statement.kind = Statement::Kind::Transform;
        statement.transform = detail::parseTransform(cursor);
    } else if (keyword == Keyword::Insert) {
        statement.kind = Statement::Kind::Insert;
        statement.insert = detail::parseInsert(cursor);
    } else if (keyword == Keyword::Update) {
        statement.kind = Statement::Kind::Update;
        statement.update = detail::parseUpdate(cursor);
    } else if (keyword == Keyword::Delete) {
        statement.kind = Statement::Kind::Delete;
        statement.remove = detail::parseDelete(cursor);
    } else if (keyword == Keyword::Call || keyword == Keyword::Exec || keyword == Keyword::Execute ||
               (cursor.at("{") && cursor.at(Keyword::Call, 1))) {
        statement.kind = Statement::Kind::Call;
        statement.call = detail::parseCall(cursor);
    } else {
        cursor.fail();
    }
    skipOwnerAccess(cursor);
}

// Only blanks and comments may follow the statement and its ";".
void expectEnd(Cursor& cursor)
{
    if (cursor.accept(";") && !cursor.atEnd())
        throw SqlError("42000", "Caractères trouvés après la fin de l'instruction SQL : une seule instruction est permise.");
    if (!cursor.atEnd())
        cursor.fail();
}

}  // namespace

Statement parseStatement(std::string_view sql)
{
    Cursor cursor(sql, tokenize(sql));
    if (cursor.atEnd() || (cursor.at(";") && cursor.peek(1).kind == TokenKind::End))
        throw SqlError("42000", "L'instruction SQL est vide.");
    Statement statement;
    if (cursor.at(Keyword::Parameters))
        statement.parameters = detail::parseParameters(cursor);
    parseBody(cursor, statement);
    expectEnd(cursor);
    return statement;
}

ExprPtr parseExpression(std::string_view text)
{
    Cursor cursor(text, tokenize(text));
    if (cursor.atEnd())
        throw SqlError("42000", "L'expression est vide.");
    ExprPtr expression = detail::parseExpression(cursor);
    if (!cursor.atEnd())
        cursor.fail();
    return expression;
}

}  // namespace kervane::sql
