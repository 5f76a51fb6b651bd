#pragma once
// Inside the parser: a cursor over the tokens of one statement and the grammar rules, which
// ParseExpression.cpp, ParseSelect.cpp, ParseFrom.cpp and ParseStatements.cpp define.
#include "driver/sql/Lexer.h"
#include "driver/sql/SyntaxTree.h"

#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql::detail {

// Deeper nesting (parentheses, sub-queries, joins, signs) is refused before the stack runs out.
constexpr int MAX_NESTING = 200;
// Longest run of operators at one level (a OR b OR c ...).
constexpr int MAX_CHAIN = 10000;

class Cursor {
public:
    Cursor(std::string_view statement, std::vector<Token> tokens, int nesting = 0)
        : m_statement(statement), m_tokens(std::move(tokens)), m_nesting(nesting)
    {
    }

    const Token& peek(std::size_t ahead = 0) const
    {
        const std::size_t index = m_index + ahead;
        return index < m_tokens.size() ? m_tokens[index] : m_tokens.back();
    }
    const Token& advance()
    {
        const Token& token = peek();
        if (m_index + 1 < m_tokens.size())
            ++m_index;
        return token;
    }
    bool at(Keyword keyword, std::size_t ahead = 0) const
    {
        const Token& token = peek(ahead);
        return token.kind == TokenKind::Word && token.keyword == keyword;
    }
    bool at(std::string_view symbol, std::size_t ahead = 0) const
    {
        const Token& token = peek(ahead);
        return token.kind == TokenKind::Symbol && token.text.size() == symbol.size() && token.text[0] == symbol[0] &&
               (symbol.size() == 1 || token.text == symbol);
    }
    bool atEnd() const { return peek().kind == TokenKind::End; }

    template <typename What>
    bool accept(What what)
    {
        if (!at(what))
            return false;
        advance();
        return true;
    }
    template <typename What>
    const Token& expect(What what)
    {
        if (!at(what))
            fail();
        return advance();
    }

    [[noreturn]] void fail() const { failAt(peek()); }
    [[noreturn]] void failAt(const Token& token) const { throw syntaxErrorAt(m_statement, token); }

    // To try one reading of the tokens and go back for another.
    std::size_t mark() const { return m_index; }
    void rewind(std::size_t mark) { m_index = mark; }

    std::string_view statement() const { return m_statement; }
    int nesting() const { return m_nesting; }

private:
    friend class Nesting;
    std::string_view m_statement;
    std::vector<Token> m_tokens;
    std::size_t m_index = 0;
    int m_nesting = 0;
};

// One more level of nesting while it lives.
class Nesting {
public:
    explicit Nesting(Cursor& cursor);
    ~Nesting() { --m_cursor.m_nesting; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    Cursor& m_cursor;
};

// Access precedence, loosest first; operators of one level apply left to right.
enum class Precedence {
    Imp = 1, Eqv, Xor, Or, And, Not, Comparison, Concat, Additive, Modulo, IntDivide, Multiplicative,
    Sign, Power, Operand,
};

ExprPtr makeExpr(ExprKind kind, std::size_t position);

// text equals upper, an upper-case ASCII word, without regard to case.
inline bool sameWord(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (((c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c) != upper[i])
            return false;
    }
    return true;
}

// ParseExpression.cpp
ExprPtr parseExpression(Cursor& cursor, Precedence loosest = Precedence::Imp);
std::vector<ExprPtr> parseExpressionList(Cursor& cursor);  // e, e, ...
ExprPtr parseOperand(Cursor& cursor);
// A bare word usable as a name (not a reserved word) or a [bracketed] / `backquoted` name.
bool isNameToken(const Token& token);
std::string parseName(Cursor& cursor);
// name [. name ...] (also with Access's ! between qualifiers)
std::vector<std::string> parseQualifiedName(Cursor& cursor);
bool atQualifierSeparator(const Cursor& cursor);

// ParseSelect.cpp
// SELECT ... [UNION ...] [ORDER BY ...], TABLE name, or a query in parentheses.
SelectPtr parseQuery(Cursor& cursor);
// [AS] alias, empty when none; texts are accepted when allowText.
std::string parseAlias(Cursor& cursor, bool allowText);

// ParseFrom.cpp
std::vector<FromPtr> parseFromList(Cursor& cursor);
// The file of "IN 'file'" (or of IN '' [connect]) after a table name.
std::string parseDatabase(Cursor& cursor);

// ParseStatements.cpp
std::vector<Parameter> parseParameters(Cursor& cursor);
std::unique_ptr<Transform> parseTransform(Cursor& cursor);
std::unique_ptr<Insert> parseInsert(Cursor& cursor);
std::unique_ptr<Update> parseUpdate(Cursor& cursor);
std::unique_ptr<Delete> parseDelete(Cursor& cursor);
std::unique_ptr<Call> parseCall(Cursor& cursor);
std::vector<RawToken> parseRaw(Cursor& cursor);

}  // namespace kervane::sql::detail
