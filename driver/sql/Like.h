#pragma once
// Access's Like and ALike: whole-value pattern matching without regard to case; accents count
// ('é' does not match 'e'). Characters compare, and list ranges run, in the Access order
// (SortOrder.h), so [a-z] takes 'F' and 'é' but not 'ø'.
//
// Wildcards with Like (Access): * or % for any run of characters, ? or _ for one character
// (the Access ODBC driver turns ODBC's % and _ into * and ?), # for one digit 0-9.
// With ALike (Ansi): only % and _; * ? # are plain characters.
// Both: [abc] and [a-z] for one character of the list, [!a-z] for one character outside it.
// In a list every character is literal ([*] is a star); '-' first or last is literal; [] matches
// nothing (the zero-length string); a descending range [Z-A] and a '[' left open make the
// pattern invalid. Outside a list, ']' and '!' are plain characters.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kervane::sql {

enum class LikeDialect { Access, Ansi };

class LikePattern {
public:
    // std::nullopt for an invalid pattern.
    static std::optional<LikePattern> compile(std::string_view pattern, LikeDialect dialect);

    // Matches the whole value. Time is at most proportional to value length times pattern length.
    bool matches(std::string_view value) const;

private:
    enum class Kind : std::uint8_t { AnyRun, AnyOne, Digit, Literal, List };

    struct Token {
        Kind kind = Kind::Literal;
        bool negated = false;        // List: [!...]
        std::uint64_t weight = 0;    // Literal: accessCharacterWeight of the character
        std::uint32_t firstRange = 0;  // List: its ranges in m_ranges
        std::uint32_t rangeCount = 0;
    };

    // Inclusive weights; a single character is a range of one.
    struct Range {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
    };

    bool readList(std::string_view body);
    void addToken(const Token& token);
    bool matchesOne(const Token& token, char32_t c) const;

    std::vector<Token> m_tokens;
    std::vector<Range> m_ranges;
};

// kv_like(value, pattern) and kv_alike(value, pattern): 1 or 0, NULL when either is NULL; an
// invalid pattern is error 22025. A constant pattern is compiled once per statement.
void registerLikeFunctions(sqlite3* db);

}  // namespace kervane::sql
