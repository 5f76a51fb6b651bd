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

TEST(SqlLexer, ReadsEachKindOfToken)
{
    struct Case {
        const char* sql;
        const char* tokens;
    };
    const Case cases[] = {
        {"SELECT a", "W:SELECT W:a"},
        {"[a b] `c d` [col;name]", "N:a b N:c d N:col;name"},
        // Both quotes make texts in Access SQL; a doubled quote is one quote.
        {"'it''s' \"say \"\"hi\"\"\" \"it's\" ''", "T:it's T:say \"hi\" T:it's T:"},
        {"12 1.5 .5 1E3 1.5e-3 2.", "#:12 #:1.5 #:.5 #:1E3 #:1.5e-3 #:2."},
        {"&H1F &h1f &O17 &o17", "#:31 #:31 #:15 #:15"},
        {"#1/2/2003# #January 1, 1993#", "D:1/2/2003 D:January 1, 1993"},
        {"? = <> != < > <= >= + - * / \\ ^ & ( ) , . ; { } !",
         "?:? S:= S:<> S:!= S:< S:> S:<= S:>= S:+ S:- S:* S:/ S:\\ S:^ S:& S:( S:) S:, S:. S:; S:{ S:} S:!"},
        {"t.c [t].[c] t.5", "W:t S:. W:c N:t S:. N:c W:t S:. #:5"},
        {"a-b a-.5", "W:a S:- W:b W:a S:- #:.5"},
        {"SELECT .5 (a).b", "W:SELECT #:.5 S:( W:a S:) S:. W:b"},
        {"Société.Numéro é", "W:Société S:. W:Numéro W:é"},
        {"Left$(a) _x1", "W:Left$ S:( W:a S:) W:_x1"},
        // &H must be followed by hexadecimal digits only: a &Hello is a & Hello.
        {"a &Hello &b", "W:a S:& W:Hello S:& W:b"},
        {"2eTrimestre 1E3", "W:2eTrimestre #:1E3"},
        {"a\r\n\tb\xC2\xA0" "c", "W:a W:b W:c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lexed(c.sql), c.tokens) << c.sql;
}

TEST(SqlLexer, CommentsAndQuotesNeverSwallowEachOther)
{
    const struct {
        const char* sql;
        const char* tokens;
    } cases[] = {
        {"'[a] -- x'", "T:[a] -- x"},
        {"\"it's\" -- it's a comment\nb", "T:it's W:b"},
        {"a -- a comment with a quote ' and [\nb", "W:a W:b"},
        {"a /* ' [ \" # */ b", "W:a W:b"},
        {"[a -- b] '/* c */'", "N:a -- b T:/* c */"},
        {"'a;b' [c;d] ;", "T:a;b N:c;d S:;"},
        {"a --", "W:a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lexed(c.sql), c.tokens) << c.sql;
}

TEST(SqlLexer, KeywordsIgnoreCaseAndKeepOffsets)
{
    const std::vector<Token> tokens = tokenize("seLEct  [From], distinctrow");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[0].keyword, Keyword::Select);
    EXPECT_EQ(tokens[0].offset, 0u);
    EXPECT_EQ(tokens[1].kind, TokenKind::Name);
    EXPECT_EQ(tokens[1].keyword, Keyword::None);  // a bracketed word is never a keyword
    EXPECT_EQ(tokens[1].offset, 8u);
    EXPECT_EQ(tokens[1].text, "[From]");
    EXPECT_EQ(tokens[3].keyword, Keyword::DistinctRow);
    EXPECT_EQ(tokens[4].kind, TokenKind::End);
    EXPECT_EQ(tokens[4].offset, 27u);
    EXPECT_TRUE(isReserved(keywordOf("from")));
    EXPECT_FALSE(isReserved(keywordOf("Desc")));
    EXPECT_EQ(keywordOf("Date"), Keyword::None);
}

TEST(SqlLexer, UnclosedTokensSayWhatAndWhere)
{
    const struct {
        const char* sql;
        const char* message;
    } cases[] = {
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(lexError(c.sql), c.message) << c.sql;
}

TEST(SqlLexer, TokenizesARangeWithOffsetsInTheWholeStatement)
{
    const std::string_view statement = "x [SELECT é FROM t] y";
    const std::vector<Token> inner = tokenize(statement, 3, 19);
    ASSERT_EQ(inner.size(), 5u);
    EXPECT_EQ(inner[1].text, "é");
    EXPECT_EQ(inner[1].offset, 10u);
    EXPECT_EQ(inner[3].offset, 18u);
    EXPECT_EQ(characterPosition(statement, inner[3].offset), 18u);
    EXPECT_EQ(inner[4].offset, 19u);
}

}  // namespace
}  // namespace kervane::sql
