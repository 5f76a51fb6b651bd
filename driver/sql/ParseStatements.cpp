// Statements other than SELECT: PARAMETERS, TRANSFORM, INSERT, UPDATE, DELETE, procedure calls,
// and the statements handed on token by token (CREATE, DROP, ALTER...).
#include "driver/sql/ParserState.h"
#include "driver/semantics/Characters.h"

namespace kervane::sql::detail {
namespace {

// Text, Text(50), Decimal(10, 2), Long...: the words as written, then the size.
std::string parseParameterType(Cursor& cursor)
{
    if (cursor.peek().kind != TokenKind::Word)
        cursor.fail();
    std::string type(cursor.advance().text);
    while (cursor.peek().kind == TokenKind::Word && !isReserved(cursor.peek().keyword))
        type.append(" ").append(cursor.advance().text);
    if (!cursor.accept("("))
        return type;
    type += '(';
    do {
        if (cursor.peek().kind != TokenKind::Number)
            cursor.fail();
        type.append(cursor.advance().text);
        if (cursor.at(","))
            type += ',';
    } while (cursor.accept(","));
    cursor.expect(")");
    return type + ')';
}

std::string parseTargetTable(Cursor& cursor)
{
    std::string table = parseName(cursor);
    if (cursor.at(Keyword::In))
        throw SqlError("HYC00", "L'écriture dans une autre base de données (« IN » après « INTO ») n'est pas prise en charge.");
    return table;
}

// The table of a DELETE: t of a "t.*" item, else the qualifier of a column item.
std::string parseDeleteItems(Cursor& cursor)
{
    std::string fromStar;
    std::string fromColumn;
    do {
        if (cursor.accept("*"))
            continue;
        std::vector<std::string> names = parseQualifiedName(cursor);
        if (cursor.at(".") && cursor.at("*", 1)) {
            cursor.advance();
            cursor.advance();
            if (fromStar.empty())
                fromStar = names.back();
        } else if (names.size() > 1 && fromColumn.empty()) {
            fromColumn = names[names.size() - 2];
        }
    } while (cursor.accept(","));
    return fromStar.empty() ? fromColumn : fromStar;
}

// The table behind an alias of the FROM clause; nullptr when none has it.
const FromItem* tableWithAlias(const FromItem& item, std::string_view alias)
{
    if (item.kind == FromItem::Kind::Table)
        return equalIgnoringAsciiCase(item.alias, alias) ? &item : nullptr;
    if (item.kind != FromItem::Kind::Join)
        return nullptr;
    const FromItem* found = tableWithAlias(*item.left, alias);
    return found != nullptr ? found : tableWithAlias(*item.right, alias);
}

std::string deletedTable(const std::string& named, const std::vector<FromPtr>& from)
{
    if (named.empty())
        return from.size() == 1 && from.front()->kind == FromItem::Kind::Table ? from.front()->name : std::string();
    for (const FromPtr& item : from) {
        if (const FromItem* table = tableWithAlias(*item, named))
            return table->name;
    }
    return named;
}

RawToken rawToken(const Token& token)
{
    RawToken raw;
    raw.position = token.offset;
    switch (token.kind) {
    case TokenKind::Word:
        raw.kind = RawToken::Kind::Word;
        raw.text = std::string(token.text);
        break;
    case TokenKind::Name:
        raw.kind = RawToken::Kind::Name;
        raw.text = tokenValue(token);
        break;
    case TokenKind::Text:
        raw.kind = RawToken::Kind::Text;
        raw.text = tokenValue(token);
        break;
    case TokenKind::Number:
        raw.kind = RawToken::Kind::Number;
        raw.text = tokenValue(token);
        break;
    default:  // symbols, ? and #dates# as written
        raw.kind = RawToken::Kind::Symbol;
        raw.text = std::string(token.text);
        break;
    }
    return raw;
}

}  // namespace

std::vector<Parameter> parseParameters(Cursor& cursor)
{
    cursor.expect(Keyword::Parameters);
    std::vector<Parameter> parameters;
    do {
        Parameter parameter;
        const Token& name = cursor.peek();
        if (name.kind != TokenKind::Name && name.kind != TokenKind::Word)
            cursor.fail();
        parameter.position = name.offset;
        parameter.name = tokenValue(cursor.advance());
        parameter.type = parseParameterType(cursor);
        parameters.push_back(std::move(parameter));
    } while (cursor.accept(","));
    cursor.expect(";");
    return parameters;
}

std::unique_ptr<Transform> parseTransform(Cursor& cursor)
{
    cursor.expect(Keyword::Transform);
    auto transform = std::make_unique<Transform>();
    transform->aggregate = parseExpression(cursor);
    // Access writes "TRANSFORM Sum(x) AS SumOfx"; the value columns are named by the pivot
    // values, so the alias is read and dropped.
    parseAlias(cursor, false);
    transform->select = parseQuery(cursor);
    cursor.expect(Keyword::Pivot);
    // Above the comparisons, so that IN (...) is the list of column headings.
    transform->pivot = parseExpression(cursor, Precedence::Concat);
    if (cursor.accept(Keyword::In)) {
        cursor.expect("(");
        transform->pivotValues = parseExpressionList(cursor);
        cursor.expect(")");
    }
    return transform;
}

std::unique_ptr<Insert> parseInsert(Cursor& cursor)
{
    cursor.expect(Keyword::Insert);
    cursor.expect(Keyword::Into);
    auto insert = std::make_unique<Insert>();
    insert->table = parseTargetTable(cursor);
    if (cursor.at("(") && !cursor.at(Keyword::Select, 1)) {
        cursor.advance();
        do {
            const std::vector<std::string> names = parseQualifiedName(cursor);
            insert->columns.push_back(names.back());
            if (names.size() > 1 && !equalIgnoringAsciiCase(names[names.size() - 2], insert->table))
                insert->valuesOf = names[names.size() - 2];
        } while (cursor.accept(","));
        cursor.expect(")");
    }
    if (cursor.accept(Keyword::Values)) {
        cursor.expect("(");
        insert->values = parseExpressionList(cursor);
        cursor.expect(")");
        // Access's way of adding values to the lists of some rows.
        if (cursor.accept(Keyword::Where))
            insert->where = parseExpression(cursor);
    } else {
        insert->select = parseQuery(cursor);
    }
    return insert;
}

std::unique_ptr<Update> parseUpdate(Cursor& cursor)
{
    cursor.expect(Keyword::Update);
    cursor.accept(Keyword::DistinctRow);  // written by Access's query designer, no effect here
    auto update = std::make_unique<Update>();
    // UPDATE a, b SET ...: the comma is a cross join.
    std::vector<FromPtr> targets = parseFromList(cursor);
    update->target = std::move(targets.front());
    for (std::size_t i = 1; i < targets.size(); ++i) {
        auto join = std::make_unique<FromItem>();
        join->kind = FromItem::Kind::Join;
        join->join = JoinKind::Cross;
        join->position = update->target->position;
        join->left = std::move(update->target);
        join->right = std::move(targets[i]);
        update->target = std::move(join);
    }
    cursor.expect(Keyword::Set);
    do {
        Assignment assignment;
        assignment.position = cursor.peek().offset;
        assignment.column = parseQualifiedName(cursor);
        cursor.expect("=");
        assignment.value = parseExpression(cursor);
        update->assignments.push_back(std::move(assignment));
    } while (cursor.accept(","));
    if (cursor.accept(Keyword::Where))
        update->where = parseExpression(cursor);
    return update;
}

std::unique_ptr<Delete> parseDelete(Cursor& cursor)
{
    cursor.expect(Keyword::Delete);
    cursor.accept(Keyword::DistinctRow);
    auto remove = std::make_unique<Delete>();
    const std::string named = cursor.at(Keyword::From) ? std::string() : parseDeleteItems(cursor);
    cursor.expect(Keyword::From);
    remove->from = parseFromList(cursor);
    remove->table = deletedTable(named, remove->from);
    if (cursor.accept(Keyword::Where))
        remove->where = parseExpression(cursor);
    return remove;
}

std::unique_ptr<Call> parseCall(Cursor& cursor)
{
    auto call = std::make_unique<Call>();
    const bool escaped = cursor.accept("{");
    const bool execute = !escaped && (cursor.at(Keyword::Exec) || cursor.at(Keyword::Execute));
    if (execute)
        cursor.advance();
    else
        cursor.expect(Keyword::Call);
    call->name = parseName(cursor);
    if (cursor.accept("(")) {
        if (!cursor.at(")"))
            call->args = parseExpressionList(cursor);
        cursor.expect(")");
    } else if (execute && !cursor.atEnd() && !cursor.at(";")) {
        call->args = parseExpressionList(cursor);  // EXEC name 1, 'a'
    }
    if (escaped)
        cursor.expect("}");
    return call;
}

std::vector<RawToken> parseRaw(Cursor& cursor)
{
    std::vector<RawToken> tokens;
    while (!cursor.atEnd() && !cursor.at(";"))
        tokens.push_back(rawToken(cursor.advance()));
    return tokens;
}

}  // namespace kervane::sql::detail
