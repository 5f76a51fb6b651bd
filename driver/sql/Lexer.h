#pragma once
// Lexer of Access SQL: names, [bracketed] and `backquoted` names, 'text' and "text" (both are
// texts in Access SQL), numbers with &H/&O forms, #dates#, ?, operators and comments.
#include "driver/sql/SqlError.h"
#include "driver/sql/Token.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql {

// The tokens of the whole statement; the last one is End. Throws SqlError for an unclosed
// text, name, date or comment, an unknown character or a hexadecimal number too large.
std::vector<Token> tokenize(std::string_view statement);
// The tokens of statement[begin, end), with offsets and messages relative to the whole statement.
std::vector<Token> tokenize(std::string_view statement, std::size_t begin, std::size_t end);

// What a token stands for: a text without its quotes and with doubled quotes undone, a name
// without its delimiters, what stands between the # of a date, a number in decimal (&H1F gives
// "31"); other tokens as written.
std::string tokenValue(const Token& token);

Keyword keywordOf(std::string_view word);
// A keyword that cannot be used as a bare column, table or alias name.
bool isReserved(Keyword keyword);

// The 1-based character (UTF-8 code point) position of a byte offset, as messages give it.
std::size_t characterPosition(std::string_view statement, std::size_t offset);

// "Erreur de syntaxe près de « token » (caractère N)." or, at the end, the incomplete statement.
SqlError syntaxErrorAt(std::string_view statement, const Token& token);

}  // namespace kervane::sql
