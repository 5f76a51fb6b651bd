#include "driver/catalogue/DeclaredConstraints.h"

#include "driver/sql/Lexer.h"
#include "driver/base/SchemaQuery.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <optional>

namespace kervane::odbc {
namespace {

using Tokens = std::vector<sql::Token>;

bool isWord(const Tokens& tokens, std::size_t i, std::string_view word)
{
    return i < tokens.size() && tokens[i].kind == sql::TokenKind::Word && sql::equalIgnoringAsciiCase(tokens[i].text, word);
}

bool isSymbol(const Tokens& tokens, std::size_t i, std::string_view symbol)
{
    return i < tokens.size() && tokens[i].kind == sql::TokenKind::Symbol && tokens[i].text == symbol;
}

bool isName(const Tokens& tokens, std::size_t i)
{
    if (i >= tokens.size())
        return false;
    const sql::TokenKind kind = tokens[i].kind;
    return kind == sql::TokenKind::Word || kind == sql::TokenKind::Name || kind == sql::TokenKind::Text;
}

// The names of a parenthesised list starting at `i` (each first word after "(" or ","; ASC,
// DESC and COLLATE … left out); `i` is left after the ")".
std::vector<std::string> nameList(const Tokens& tokens, std::size_t& i)
{
    std::vector<std::string> names;
    if (!isSymbol(tokens, i, "("))
        return names;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        if (isSymbol(tokens, i, "(") || isSymbol(tokens, i, ",")) {
            depth += tokens[i].text == "(" ? 1 : 0;
            if (depth == 1 && isName(tokens, i + 1))
                names.push_back(sql::tokenValue(tokens[i + 1]));
        } else if (isSymbol(tokens, i, ")") && --depth == 0) {
            ++i;
            break;
        }
    }
    return names;
}

// The constraint whose keyword is at `i` (PRIMARY, UNIQUE, FOREIGN or REFERENCES), for the
// column `column` when it follows one; nullopt for any other word.
std::optional<DeclaredConstraint> constraintAt(const Tokens& tokens, std::size_t i, const std::string& column)
{
    DeclaredConstraint constraint;
    if (isWord(tokens, i, "PRIMARY") || isWord(tokens, i, "UNIQUE")) {
        constraint.kind = isWord(tokens, i, "UNIQUE") ? DeclaredConstraint::Kind::Unique
                                                      : DeclaredConstraint::Kind::PrimaryKey;
        i += isWord(tokens, i + 1, "KEY") ? 2 : 1;
        constraint.columns = column.empty() ? nameList(tokens, i) : std::vector<std::string>{column};
        return constraint;
    }
    constraint.kind = DeclaredConstraint::Kind::ForeignKey;
    if (isWord(tokens, i, "FOREIGN")) {
        i += 2;
        constraint.columns = nameList(tokens, i);
    } else if (isWord(tokens, i, "REFERENCES")) {
        constraint.columns = {column};
    } else {
        return std::nullopt;
    }
    if (isWord(tokens, i, "REFERENCES") && isName(tokens, i + 1))
        constraint.referencedTable = sql::tokenValue(tokens[i + 1]);
    return constraint;
}

// One element of the table's list: [CONSTRAINT name] table constraint, or a column with its
// own constraints, named or not.
void readElement(const Tokens& tokens, std::size_t begin, std::size_t end, std::vector<DeclaredConstraint>& found)
{
    const bool tableConstraint = isWord(tokens, begin, "CONSTRAINT") || isWord(tokens, begin, "PRIMARY") ||
                                 isWord(tokens, begin, "UNIQUE") || isWord(tokens, begin, "FOREIGN") ||
                                 isWord(tokens, begin, "CHECK");
    const std::string column = tableConstraint || !isName(tokens, begin) ? std::string() : sql::tokenValue(tokens[begin]);
    for (std::size_t i = tableConstraint ? begin : begin + 1; i < end; ++i) {
        std::string name;
        std::size_t at = i;
        if (isWord(tokens, i, "CONSTRAINT") && isName(tokens, i + 1)) {
            name = sql::tokenValue(tokens[i + 1]);
            at = i + 2;
        }
        if (std::optional<DeclaredConstraint> constraint = constraintAt(tokens, at, column)) {
            constraint->name = std::move(name);
            found.push_back(std::move(*constraint));
            i = at;
        }
    }
}

}  // namespace

std::vector<DeclaredConstraint> declaredConstraints(std::string_view createTable)
{
    std::vector<DeclaredConstraint> found;
    Tokens tokens;
    try {
        tokens = sql::tokenize(createTable);
    } catch (const sql::SqlError&) {
        return found;
    }
    const auto open = std::find_if(tokens.begin(), tokens.end(),
                                   [](const sql::Token& token) { return token.kind == sql::TokenKind::Symbol && token.text == "("; });
    std::size_t begin = static_cast<std::size_t>(open - tokens.begin()) + 1;
    int depth = 1;
    for (std::size_t i = begin; i < tokens.size() && depth > 0; ++i) {
        if (isSymbol(tokens, i, "("))
            ++depth;
        else if (isSymbol(tokens, i, ")"))
            --depth;
        if ((depth == 1 && isSymbol(tokens, i, ",")) || depth == 0) {
            readElement(tokens, begin, i, found);
            begin = i + 1;
        }
    }
    return found;
}

std::vector<DeclaredConstraint> declaredConstraints(sqlite3* db, const std::string& table)
{
    std::string statement;
    forEachRow(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1", {table},
               [&statement](sqlite3_stmt* row) { statement = textAt(row, 0).value_or(""); });
    return declaredConstraints(statement);
}

bool sameColumnNames(const std::vector<std::string>& names, const std::vector<std::string>& columns)
{
    return std::equal(names.begin(), names.end(), columns.begin(), columns.end(),
                      [](const std::string& a, const std::string& b) { return sameName(a, b); });
}

}  // namespace kervane::odbc
