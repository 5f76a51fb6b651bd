#pragma once
// Tokens of an Access SQL statement. A token is a view into the statement text, so the
// statement must outlive its tokens.
#include <cstddef>
#include <string_view>

namespace kervane::sql {

enum class TokenKind {
    End,        // after the last token
    Word,       // a bare word: keyword, name or function name
    Name,       // [bracketed] or `backquoted` name
    Text,       // 'text' or "text"
    Number,     // 12, 1.5, .5, 1E3, &H1F, &O17
    Date,       // #...#
    Parameter,  // ?
    Symbol,     // operators and punctuation
};

// Words the grammar looks for. Reserved ones cannot be bare column, table or alias names.
enum class Keyword {
    None,
    Alike, All, Alter, And, As, Asc, Begin, Between, By, Call, Case, Commit, Create, Delete, Desc,
    Distinct, DistinctRow, Drop, Else, End, Eqv, Exec, Execute, Exists, False, From, Grant, Group,
    Having, Imp, In, Inner, Insert, Into, Is, Join, Left, Like, Mod, No, Not, Null, Off, On, Option,
    Or, Order, Outer, OwnerAccess, Parameters, Percent, Pivot, Revoke, Right, Rollback, Select, Set,
    Table, Then, Top, Transform, True, Union, Update, Values, When, Where, With, Xor, Yes,
};

struct Token {
    TokenKind kind = TokenKind::End;
    Keyword keyword = Keyword::None;  // for words only
    std::string_view text;            // as written, quotes, brackets and # included
    std::size_t offset = 0;           // byte offset in the statement
};

}  // namespace kervane::sql
