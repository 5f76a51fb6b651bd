#pragma once
// Inside the reader of definition statements: a cursor over the statement's tokens, and the
// rules shared by ParseDefinition.cpp (statements, constraints) and DefinitionTypes.cpp (types,
// DEFAULT values, names).
#include "driver/sql/Definition.h"
#include "driver/sql/Lexer.h"
#include "driver/sql/ParserState.h"
#include "driver/sql/SqlError.h"

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql::definition {

inline constexpr const char* STATE = "42000";

inline bool isSymbol(const RawToken& token, std::string_view symbol)
{
    return token.kind == RawToken::Kind::Symbol && token.text == symbol;
}

inline std::string quoted(const std::string& name) { return "« " + name + " »"; }

[[noreturn]] inline void refuse(const std::string& message) { throw SqlError(STATE, message); }

// A token as the statement wrote it, near enough for messages and DEFAULT values.
std::string written(const RawToken& token);

class Reader {
public:
    explicit Reader(const std::vector<RawToken>& tokens) : m_tokens(tokens) {}

    const RawToken* peek(std::size_t ahead = 0) const
    {
        return m_index + ahead < m_tokens.size() ? &m_tokens[m_index + ahead] : nullptr;
    }
    bool atEnd() const { return m_index >= m_tokens.size(); }
    bool atWord(std::string_view upper, std::size_t ahead = 0) const
    {
        const RawToken* token = peek(ahead);
        return token != nullptr && token->kind == RawToken::Kind::Word && detail::sameWord(token->text, upper);
    }
    bool atSymbol(std::string_view symbol) const
    {
        const RawToken* token = peek();
        return token != nullptr && token->kind == RawToken::Kind::Symbol && token->text == symbol;
    }
    bool acceptWord(std::string_view upper) { return atWord(upper) ? (++m_index, true) : false; }
    bool acceptSymbol(std::string_view symbol) { return atSymbol(symbol) ? (++m_index, true) : false; }
    void expectWord(std::string_view upper)
    {
        if (!acceptWord(upper))
            fail();
    }
    void expectSymbol(std::string_view symbol)
    {
        if (!acceptSymbol(symbol))
            fail();
    }
    const RawToken& advance()
    {
        if (atEnd())
            fail();
        return m_tokens[m_index++];
    }
    void back() { --m_index; }

    // The statement ends here, or with one ";".
    void expectEnd()
    {
        acceptSymbol(";");
        if (!atEnd())
            fail();
    }

    [[noreturn]] void fail() const
    {
        if (atEnd())
            throw SqlError(STATE, "Erreur de syntaxe : l'instruction SQL est incomplète.");
        const RawToken& token = m_tokens[m_index];
        // Positions count characters: the bytes that continue a UTF-8 character in the tokens
        // before are taken off the byte offset.
        std::size_t continuing = 0;
        for (std::size_t i = 0; i < m_index; ++i) {
            for (const char c : m_tokens[i].text)
                continuing += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 1 : 0;
        }
        const std::size_t character = token.position >= continuing ? token.position - continuing + 1 : 1;
        throw SqlError(STATE, "Erreur de syntaxe près de « " + written(token) + " » (caractère " +
                                  std::to_string(character) + ").");
    }

    // A [bracketed] name or a bare word that is not reserved, checked against Access's rules.
    std::string name(std::string_view what)
    {
        const RawToken* token = peek();
        const bool bare =
            token != nullptr && token->kind == RawToken::Kind::Word && !isReserved(keywordOf(token->text));
        if (!bare && (token == nullptr || token->kind != RawToken::Kind::Name))
            fail();
        ++m_index;
        if (std::string fault = nameFault(what, token->text); !fault.empty())
            throw SqlError(STATE, fault);
        return token->text;
    }

    // An unsigned whole number, or a signed one when `sign` is true.
    long long number(bool sign = false)
    {
        const bool negative = sign && acceptSymbol("-");
        const RawToken& token = advance();
        long long value = 0;
        const char* end = token.text.data() + token.text.size();
        if (token.kind != RawToken::Kind::Number || std::from_chars(token.text.data(), end, value).ptr != end ||
            value > 0x7FFFFFFFLL + (negative ? 1 : 0)) {
            back();
            fail();
        }
        return negative ? -value : value;
    }

    std::size_t index() const { return m_index; }
    const RawToken& at(std::size_t i) const { return m_tokens[i]; }

private:
    const std::vector<RawToken>& m_tokens;
    std::size_t m_index = 0;
};

// A column's type with its size, precision or seed; `column` names it in messages.
ColumnType readType(Reader& reader, const std::string& column);
// One DEFAULT value as Access SQL text: a literal, a signed number, a function call or an
// expression in parentheses.
std::string readDefault(Reader& reader);

}  // namespace kervane::sql::definition
