#include "driver/sql/Lexer.h"

#include "driver/semantics/Characters.h"

#include <cstdint>

namespace kervane::sql {
namespace {

const std::string STATE = "42000";

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// Bytes of UTF-8 sequences count as letters, so names like « Société » are words.
bool isNameStart(char c) { return isAsciiLetter(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

class Lexer {
public:
    Lexer(std::string_view statement, std::size_t begin, std::size_t end)
        : m_text(statement), m_pos(begin), m_end(end)
    {
        m_tokens.reserve((end - begin) / 4 + 2);
    }

    std::vector<Token> run()
    {
        for (;;) {
            skipBlanksAndComments();
            if (m_pos >= m_end)
                break;
            scanToken();
        }
        m_tokens.push_back(Token{TokenKind::End, Keyword::None, {}, m_end});
        return std::move(m_tokens);
    }

private:
    char at(std::size_t pos) const { return pos < m_end ? m_text[pos] : '\0'; }
    // A no-break space (U+00A0) often comes with text pasted from a word processor.
    bool noBreakSpaceAt(std::size_t pos) const
    {
        return at(pos) == '\xC2' && at(pos + 1) == '\xA0';
    }

    // what: "texte non terminé", "date non terminée"...
    [[noreturn]] void unclosed(const char* what, std::size_t start) const
    {
        throw SqlError(STATE, std::string("Erreur de syntaxe : ") + what + " (caractère " +
                                  std::to_string(characterPosition(m_text, start)) + ").");
    }

    void skipBlanksAndComments()
    {
        while (m_pos < m_end) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++m_pos;
            } else if (noBreakSpaceAt(m_pos)) {
                m_pos += 2;
            } else if (c == '-' && at(m_pos + 1) == '-') {
                while (m_pos < m_end && m_text[m_pos] != '\n' && m_text[m_pos] != '\r')
                    ++m_pos;
            } else if (c == '/' && at(m_pos + 1) == '*') {
                const std::size_t close = m_text.substr(0, m_end).find("*/", m_pos + 2);
                if (close == std::string_view::npos)
                    unclosed("commentaire non terminé", m_pos);
                m_pos = close + 2;
            } else {
                return;
            }
        }
    }

    void push(TokenKind kind, std::size_t start)
    {
        Token token{kind, Keyword::None, m_text.substr(start, m_pos - start), start};
        if (kind == TokenKind::Word)
            token.keyword = keywordOf(token.text);
        m_tokens.push_back(token);
    }

    void scanToken()
    {
        const std::size_t start = m_pos;
        const char c = m_text[m_pos];
        if (isDigit(c) || (c == '.' && isDigit(at(m_pos + 1)) && !followsOperand()))
            return scanNumber();
        if (isNameStart(c))
            return scanWord(start);
        switch (c) {
        case '\'':
        case '"':
            return scanDelimited(c, TokenKind::Text, "texte non terminé");
        case '[':
            return scanDelimited(']', TokenKind::Name, "nom entre crochets non terminé");
        case '`':
            return scanDelimited('`', TokenKind::Name, "nom entre accents graves non terminé");
        case '#':
            return scanDelimited('#', TokenKind::Date, "date non terminée");
        case '?':
            ++m_pos;
            return push(TokenKind::Parameter, start);
        case '@':  // @@IDENTITY, one of Access's system values, is one word
            if (at(m_pos + 1) == '@' && isNameStart(at(m_pos + 2))) {
                m_pos += 2;
                return scanWord(start);
            }
            break;
        case '&':
            if (scanRadixNumber())
                return;
            break;
        default:
            break;
        }
        scanSymbol();
    }

    // A '.' right after a name or ")" separates qualifiers; elsewhere (SELECT .5, a = .5) it
    // starts a number.
    bool followsOperand() const
    {
        if (m_tokens.empty())
            return false;
        const Token& last = m_tokens.back();
        return (last.kind == TokenKind::Word && !isReserved(last.keyword)) || last.kind == TokenKind::Name ||
               (last.kind == TokenKind::Symbol && last.text == ")");
    }

    void scanWord(std::size_t start)
    {
        while (m_pos < m_end && isNameChar(m_text[m_pos]) && !noBreakSpaceAt(m_pos))
            ++m_pos;
        if (at(m_pos) == '$')  // Left$, Mid$, Format$...
            ++m_pos;
        push(TokenKind::Word, start);
    }

    void skipDigits()
    {
        while (isDigit(at(m_pos)))
            ++m_pos;
    }

    void scanNumber()
    {
        const std::size_t start = m_pos;
        skipDigits();
        bool whole = true;
        if (at(m_pos) == '.') {
            whole = false;
            ++m_pos;
            skipDigits();
        }
        const char sign = at(m_pos + 1);
        if ((at(m_pos) == 'e' || at(m_pos) == 'E') &&
            (isDigit(sign) || ((sign == '+' || sign == '-') && isDigit(at(m_pos + 2))))) {
            whole = false;
            m_pos += 2;
            skipDigits();
        }
        // Digits run into letters: a name that starts with digits, like 2eTrimestre.
        if (whole && isNameStart(at(m_pos)) && !noBreakSpaceAt(m_pos))
            return scanWord(start);
        push(TokenKind::Number, start);
    }

    // &H1F and &O17; a lone & is the concatenation operator (a &Hello stays a & Hello).
    bool scanRadixNumber()
    {
        const char radix = at(m_pos + 1);
        const bool hex = radix == 'h' || radix == 'H';
        if (!hex && radix != 'o' && radix != 'O')
            return false;
        std::size_t pos = m_pos + 2;
        std::uint64_t value = 0;
        bool overflow = false;
        while (hex ? isHexDigit(at(pos)) : isOctalDigit(at(pos))) {
            value = value * (hex ? 16u : 8u) + hexDigitValue(at(pos));
            overflow = overflow || value > 0xFFFFFFFFu;
            ++pos;
        }
        if (pos == m_pos + 2 || isNameChar(at(pos)))
            return false;
        const std::size_t start = m_pos;
        m_pos = pos;
        push(TokenKind::Number, start);
        if (overflow)
            throw syntaxErrorAt(m_text, m_tokens.back());
        return true;
    }

    void scanDelimited(char close, TokenKind kind, const char* what)
    {
        const std::size_t start = m_pos;
        ++m_pos;
        for (;;) {
            const std::size_t found = m_text.substr(0, m_end).find(close, m_pos);
            if (found == std::string_view::npos)
                unclosed(what, start);
            m_pos = found + 1;
            // A doubled quote inside a text stands for one quote.
            if (kind == TokenKind::Text && at(m_pos) == close) {
                ++m_pos;
                continue;
            }
            break;
        }
        push(kind, start);
    }

    void scanSymbol()
    {
        const std::size_t start = m_pos;
        const char c = m_text[m_pos];
        const char next = at(m_pos + 1);
        if ((c == '<' && (next == '>' || next == '=')) || (c == '>' && next == '=') || (c == '!' && next == '=')) {
            m_pos += 2;
            return push(TokenKind::Symbol, start);
        }
        static constexpr std::string_view SINGLE = "=<>+-*/\\^&(),.;{}!";
        if (SINGLE.find(c) != std::string_view::npos) {
            ++m_pos;
            return push(TokenKind::Symbol, start);
        }
        // Anything else is refused where it stands, with its whole UTF-8 sequence.
        ++m_pos;
        while (m_pos < m_end && (static_cast<unsigned char>(m_text[m_pos]) & 0xC0) == 0x80)
            ++m_pos;
        push(TokenKind::Symbol, start);
        throw syntaxErrorAt(m_text, m_tokens.back());
    }

    std::string_view m_text;
    std::size_t m_pos;
    std::size_t m_end;
    std::vector<Token> m_tokens;
};

std::string withoutDelimiters(std::string_view text, bool undoDoubled)
{
    const std::string_view inner = text.substr(1, text.size() - 2);
    if (!undoDoubled)
        return std::string(inner);
    const char quote = text.front();
    std::string value;
    value.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        value += inner[i];
        if (inner[i] == quote)
            ++i;  // the second quote of a doubled pair
    }
    return value;
}

// VBA reads &H and &O literals as Integer when they fit 16 bits and as Long otherwise, so
// &HFFFF is -1 (as Val("&HFFFF") documents).
std::string radixValue(std::string_view text)
{
    const bool hex = text[1] == 'h' || text[1] == 'H';
    std::uint64_t value = 0;
    for (const char d : text.substr(2))
        value = value * (hex ? 16u : 8u) + hexDigitValue(d);
    if (value <= 0xFFFFu)
        return std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

std::vector<Token> tokenize(std::string_view statement)
{
    return tokenize(statement, 0, statement.size());
}

std::vector<Token> tokenize(std::string_view statement, std::size_t begin, std::size_t end)
{
    return Lexer(statement, begin, end).run();
}

std::string tokenValue(const Token& token)
{
    switch (token.kind) {
    case TokenKind::Text:
        return withoutDelimiters(token.text, true);
    case TokenKind::Name:
    case TokenKind::Date:
        return withoutDelimiters(token.text, false);
    case TokenKind::Number:
        return token.text.front() == '&' ? radixValue(token.text) : std::string(token.text);
    default:
        return std::string(token.text);
    }
}

std::size_t characterPosition(std::string_view statement, std::size_t offset)
{
    std::size_t count = 1;
    for (std::size_t i = 0; i < offset && i < statement.size(); ++i) {
        if ((static_cast<unsigned char>(statement[i]) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

SqlError syntaxErrorAt(std::string_view statement, const Token& token)
{
    if (token.kind == TokenKind::End)
        return SqlError(STATE, "Erreur de syntaxe : l'instruction SQL est incomplète.");
    // A long token (a text, a bracketed sub-query) is cut after 40 characters.
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < token.text.size(); ++i) {
        if ((static_cast<unsigned char>(token.text[i]) & 0xC0) != 0x80 && ++characters > 40) {
            shown += "…";
            break;
        }
        shown += token.text[i];
    }
    return SqlError(STATE, "Erreur de syntaxe près de « " + shown + " » (caractère " +
                               std::to_string(characterPosition(statement, token.offset)) + ").");
}

}  // namespace kervane::sql
