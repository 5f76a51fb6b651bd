#include "driver/sql/Like.h"

#include "driver/sql/functions/FunctionSupport.h"
#include "driver/semantics/SortOrder.h"

#include <memory>
#include <sqlite3.h>
#include <string>

namespace kervane::sql {
namespace {

bool isRunWildcard(char32_t c, LikeDialect dialect)
{
    return c == '%' || (c == '*' && dialect == LikeDialect::Access);
}

bool isOneWildcard(char32_t c, LikeDialect dialect)
{
    return c == '_' || (c == '?' && dialect == LikeDialect::Access);
}

std::vector<char32_t> codePoints(std::string_view text)
{
    std::vector<char32_t> result;
    for (std::size_t pos = 0; pos < text.size();)
        result.push_back(nextCodePoint(text, pos));
    return result;
}

void deletePattern(void* pattern)
{
    std::unique_ptr<LikePattern>(static_cast<LikePattern*>(pattern));
}

template <LikeDialect dialect>
void likeFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string_view value = textOf(arguments[0]);
    if (const auto* cached = static_cast<const LikePattern*>(sqlite3_get_auxdata(context, 1))) {
        sqlite3_result_int(context, cached->matches(value) ? 1 : 0);
        return;
    }
    const std::string_view patternText = textOf(arguments[1]);
    std::optional<LikePattern> compiled = LikePattern::compile(patternText, dialect);
    if (!compiled) {
        const std::string message = "[22025]Le modèle « " + std::string(patternText) +
                                    " » de l'opérateur LIKE n'est pas valide.";
        sqlite3_result_error(context, message.c_str(), int(message.size()));
        return;
    }
    auto pattern = std::make_unique<LikePattern>(std::move(*compiled));
    sqlite3_result_int(context, pattern->matches(value) ? 1 : 0);
    // SQLite may free it at once when the pattern is not a constant, so it is not used after.
    sqlite3_set_auxdata(context, 1, pattern.release(), deletePattern);
}

}  // namespace

std::optional<LikePattern> LikePattern::compile(std::string_view pattern, LikeDialect dialect)
{
    LikePattern result;
    for (std::size_t pos = 0; pos < pattern.size();) {
        const char32_t c = nextCodePoint(pattern, pos);
        if (c == '[') {
            // ']' is ASCII, so a byte search cannot land inside a multi-byte character.
            const std::size_t close = pattern.find(']', pos);
            if (close == std::string_view::npos || !result.readList(pattern.substr(pos, close - pos)))
                return std::nullopt;
            pos = close + 1;
        } else if (isRunWildcard(c, dialect)) {
            result.addToken({Kind::AnyRun});
        } else if (isOneWildcard(c, dialect)) {
            result.addToken({Kind::AnyOne});
        } else if (c == '#' && dialect == LikeDialect::Access) {
            result.addToken({Kind::Digit});
        } else {
            result.addToken({Kind::Literal, false, accessCharacterWeight(c)});
        }
    }
    return result;
}

void LikePattern::addToken(const Token& token)
{
    // "**" is "*": keeping one keeps the matcher's single backtracking point exact.
    if (token.kind == Kind::AnyRun && !m_tokens.empty() && m_tokens.back().kind == Kind::AnyRun)
        return;
    m_tokens.push_back(token);
}

// body: what lies between '[' and ']'. "[]" matches the zero-length string, so adds nothing.
bool LikePattern::readList(std::string_view body)
{
    if (body.empty())
        return true;
    Token token{Kind::List};
    // "[!]" has nothing to exclude: it is read as a list holding '!'.
    if (body.size() > 1 && body.front() == '!') {
        token.negated = true;
        body.remove_prefix(1);
    }
    const std::vector<char32_t> characters = codePoints(body);
    token.firstRange = std::uint32_t(m_ranges.size());
    for (std::size_t i = 0; i < characters.size();) {
        const std::uint64_t low = accessCharacterWeight(characters[i]);
        // A '-' between two characters makes a range; first or last it is a plain '-'.
        if (i + 2 < characters.size() && characters[i + 1] == '-') {
            const std::uint64_t high = accessCharacterWeight(characters[i + 2]);
            if (high < low)
                return false;
            m_ranges.push_back({low, high});
            i += 3;
        } else {
            m_ranges.push_back({low, low});
            ++i;
        }
    }
    token.rangeCount = std::uint32_t(m_ranges.size()) - token.firstRange;
    addToken(token);
    return true;
}

bool LikePattern::matchesOne(const Token& token, char32_t c) const
{
    switch (token.kind) {
    case Kind::AnyRun:
        return false;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return c >= '0' && c <= '9';
    case Kind::Literal:
        return accessCharacterWeight(c) == token.weight;
    case Kind::List:
        break;
    }
    const std::uint64_t weight = accessCharacterWeight(c);
    bool inList = false;
    for (std::uint32_t i = 0; i < token.rangeCount && !inList; ++i) {
        const Range& range = m_ranges[token.firstRange + i];
        inList = range.low <= weight && weight <= range.high;
    }
    return inList != token.negated;
}

// Every token but AnyRun takes exactly one character, so on a mismatch it is enough to go
// back to the last AnyRun and let it take one more character: no exponential backtracking.
bool LikePattern::matches(std::string_view value) const
{
    const std::size_t count = m_tokens.size();
    std::size_t token = 0, pos = 0;
    bool haveRun = false;
    std::size_t afterRun = 0, runEnd = 0;
    while (pos < value.size()) {
        if (token < count && m_tokens[token].kind == Kind::AnyRun) {
            haveRun = true;
            afterRun = ++token;
            runEnd = pos;
            continue;
        }
        std::size_t next = pos;
        if (token < count && matchesOne(m_tokens[token], nextCodePoint(value, next))) {
            ++token;
            pos = next;
            continue;
        }
        if (!haveRun)
            return false;
        token = afterRun;
        nextCodePoint(value, runEnd);
        pos = runEnd;
    }
    while (token < count && m_tokens[token].kind == Kind::AnyRun)
        ++token;
    return token == count;
}

void registerLikeFunctions(sqlite3* db)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(db, "kv_like", 2, flags, nullptr, GuardedFunction<likeFunction<LikeDialect::Access>>::call, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "kv_alike", 2, flags, nullptr, GuardedFunction<likeFunction<LikeDialect::Ansi>>::call, nullptr,
                               nullptr, nullptr);
}

}  // namespace kervane::sql
