// Lexer of Access SQL: token kinds and values, what is never mis-read inside quotes, brackets
// and comments, and the messages for unclosed tokens with their character positions.
#include "driver/sql/Lexer.h"

#include <gtest/gtest.h>

namespace kervane::sql {
namespace {

// "kind:value" for each token before End, separated by spaces.
std::string lexed(std::string_view sql)
{
    std::string text;
    for (const Token& token : tokenize(sql)) {
        if (token.kind == TokenKind::End)
            break;
        static const char* const KINDS[] = {"end", "W", "N", "T", "#", "D", "?", "S"};
        text += (text.empty() ? "" : " ") + std::string(KINDS[static_cast<int>(token.kind)]) + ":" + tokenValue(token);
    }
    return text;
}

void expectEach(std::string (*result)(std::string_view), std::initializer_list<std::pair<const char*, const char*>> cases)
{
    for (const auto& [sql, expected] : cases)
        EXPECT_EQ(result(sql), expected) << sql;
}

std::string lexError(std::string_view sql)
{
    try {
        tokenize(sql);
    } catch (const SqlError& error) {
        EXPECT_EQ(error.state(), "42000");
        return error.what();
    }
    return {};
}

TEST(SqlLexer, ReadsEachKindOfTokenAndNeverMisreadsQuotesOrComments)
{
    expectEach(lexed, {
        {"SELECT a", "W:SELECT W:a"}, {"[a b] `c d` [col;name]", "N:a b N:c d N:col;name"},
        // Both quotes make texts in Access SQL; a doubled quote is one quote.
        {"'it''s' \"say \"\"hi\"\"\" \"it's\" ''", "T:it's T:say \"hi\" T:it's T:"},
        {"12 1.5 .5 1E3 1.5e-3 2.", "#:12 #:1.5 #:.5 #:1E3 #:1.5e-3 #:2."},
        {"&H1F &h1f &O17 &o17", "#:31 #:31 #:15 #:15"},
        {"#1/2/2003# #January 1, 1993#", "D:1/2/2003 D:January 1, 1993"},
        {"? = <> != < > <= >= + - * / \\ ^ & ( ) , . ; { } !",
         "?:? S:= S:<> S:!= S:< S:> S:<= S:>= S:+ S:- S:* S:/ S:\\ S:^ S:& S:( S:) S:, S:. S:; S:{ S:} S:!"},
        {"t.c [t].[c] t.5", "W:t S:. W:c N:t S:. N:c W:t S:. #:5"}, {"a-b a-.5", "W:a S:- W:b W:a S:- #:.5"},
        {"SELECT .5 (a).b", "W:SELECT #:.5 S:( W:a S:) S:. W:b"}, {"Société.Numéro é", "W:Société S:. W:Numéro W:é"},
        {"Left$(a) _x1", "W:Left$ S:( W:a S:) W:_x1"},
        // &H must be followed by hexadecimal digits only: a &Hello is a & Hello.
        {"a &Hello &b", "W:a S:& W:Hello S:& W:b"}, {"2eTrimestre 1E3", "W:2eTrimestre #:1E3"},
        {"a\r\n\tb\xC2\xA0" "c", "W:a W:b W:c"},
        // Comments and quotes never swallow each other.
        {"'[a] -- x'", "T:[a] -- x"}, {"\"it's\" -- it's a comment\nb", "T:it's W:b"},
        {"a -- a comment with a quote ' and [\nb", "W:a W:b"}, {"a /* ' [ \" # */ b", "W:a W:b"},
        {"[a -- b] '/* c */'", "N:a -- b T:/* c */"}, {"'a;b' [c;d] ;", "T:a;b N:c;d S:;"}, {"a --", "W:a"},
    });
}

TEST(SqlLexer, UnclosedTokensSayWhatAndWhere)
{
    expectEach(lexError, {
        {"a = 'x", "Erreur de syntaxe : texte non terminé (caractère 5)."},
        {"a = \"x''", "Erreur de syntaxe : texte non terminé (caractère 5)."},
        {"'it''", "Erreur de syntaxe : texte non terminé (caractère 1)."},
        {"SELECT [a", "Erreur de syntaxe : nom entre crochets non terminé (caractère 8)."},
        {"`a", "Erreur de syntaxe : nom entre accents graves non terminé (caractère 1)."},
        {"d > #1/1/2000", "Erreur de syntaxe : date non terminée (caractère 5)."},
        {"a /* b", "Erreur de syntaxe : commentaire non terminé (caractère 3)."},
        // Positions count characters, not bytes: é takes two bytes.
        {"'é' = 'x", "Erreur de syntaxe : texte non terminé (caractère 7)."},
        {"a @ b", "Erreur de syntaxe près de « @ » (caractère 3)."},
        {"é ~ b", "Erreur de syntaxe près de « ~ » (caractère 3)."},
        {"&H100000000", "Erreur de syntaxe près de « &H100000000 » (caractère 1)."},
    });
}

}  // namespace
}  // namespace kervane::sql
