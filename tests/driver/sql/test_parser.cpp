// Lexer and parser of Access SQL: token kinds and values, what is never mis-read inside quotes,
// brackets and comments; expressions (literals, Access precedence, Like/Between/In/Is, names,
// function calls, ODBC escapes, sub-queries), every statement form, FROM clauses with nested
// joins, UNION chains, and the errors (unclosed tokens, positions, trailing text, empty
// statements, deep nesting). The tree is checked on a compact text of its shape: every operator node in
// parentheses, names bare when they are plain words, else [bracketed].
#include "driver/sql/Lexer.h"
#include "driver/sql/Parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <span>

namespace kervane::sql {
namespace {

std::string printExpr(const Expr* expr);
std::string printSelect(const Select& select);

// What `print` gives for each of `items`, joined by `separator`.
template <typename Items, typename Print>
std::string joined(const Items& items, Print print, const char* separator = ", ")
{
    std::string text;
    for (const auto& item : items)
        text += (&item == &*std::begin(items) ? "" : separator) + print(item);
    return text;
}

std::string printName(const std::string& name)
{
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    const bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
                       std::all_of(name.begin(), name.end(), word);
    return plain ? name : "[" + name + "]";
}

std::string printNames(const std::vector<std::string>& names) { return joined(names, printName, "."); }

std::string printList(std::span<const ExprPtr> list)
{
    return joined(list, [](const ExprPtr& e) { return e ? printExpr(e.get()) : std::string("-"); });
}

std::string notIf(bool negated) { return negated ? "Not " : ""; }

std::string printExpr(const Expr* expr)
{
    // In the order of Operator.
    static const char* const OPERATORS[] = {"?", "-", "+", "Not ", "^", "*", "/", "\\", "Mod", "+", "-", "&",
                                            "=", "<>", "<", "<=", ">", ">=", "And", "Or", "Xor", "Eqv", "Imp"};
    if (expr == nullptr)
        return "<null>";
    const Expr& e = *expr;
    const auto arg = [&e](std::size_t i) { return printExpr(e.args[i].get()); };
    const std::string op = OPERATORS[static_cast<int>(e.op)], left = e.args.empty() ? "" : "(" + arg(0) + " ";
    switch (e.kind) {
    case ExprKind::Null: return "Null";
    case ExprKind::Number: return e.text;
    case ExprKind::Text: return "'" + e.text + "'";
    case ExprKind::Date:
        if (!e.escaped)
            return "#" + e.text + "#";
        return "{" + (e.dateEscape == 's' ? std::string("ts") : std::string(1, e.dateEscape)) + " " + e.text + "}";
    case ExprKind::Boolean: return e.boolean ? "True" : "False";
    case ExprKind::Column: return printNames(e.names);
    case ExprKind::Star: return e.names.empty() ? "*" : printNames(e.names) + ".*";
    case ExprKind::Parameter: return "?";
    case ExprKind::Unary: return "(" + op + arg(0) + ")";
    case ExprKind::Binary: return left + op + " " + arg(1) + ")";
    case ExprKind::Like: return left + notIf(e.negated) + (e.alike ? "ALike " : "Like ") + arg(1) + ")";
    case ExprKind::Between: return left + notIf(e.negated) + "Between " + arg(1) + " And " + arg(2) + ")";
    case ExprKind::InList: return left + notIf(e.negated) + "In (" + printList(std::span(e.args).subspan(1)) + "))";
    case ExprKind::InSelect: return left + notIf(e.negated) + "In (" + printSelect(*e.select) + "))";
    case ExprKind::IsNull: return left + "Is " + notIf(e.negated) + "Null)";
    case ExprKind::Exists: return notIf(e.negated) + "Exists(" + printSelect(*e.select) + ")";
    case ExprKind::Subquery: return "Sub(" + printSelect(*e.select) + ")";
    case ExprKind::Case: return "Case(" + printList(e.args) + ")";
    case ExprKind::Function: {
        const std::string call =
            e.text + "(" + (e.star ? "*" : "") + (e.distinct ? "Distinct " : "") + printList(e.args) + ")";
        return e.escaped ? "{fn " + call + "}" : call;
    }
    }
    return "?";
}

std::string printFrom(const FromPtr& item)
{
    static const char* const JOINS[] = {" INNER JOIN ", " LEFT JOIN ", " RIGHT JOIN ", ", "};
    const std::string alias = item->alias.empty() ? "" : " AS " + printName(item->alias);
    if (item->kind == FromItem::Kind::Table)
        return printName(item->name) + (item->database.empty() ? "" : " IN '" + item->database + "'") + alias;
    if (item->kind == FromItem::Kind::Subquery)
        return "(" + printSelect(*item->select) + ")" + alias;
    return "(" + printFrom(item->left) + JOINS[static_cast<int>(item->join)] + printFrom(item->right) +
           (item->on ? " ON " + printExpr(item->on.get()) : "") + ")";
}

std::string printClauses(const Select& s)
{
    static const char* const QUANTIFIERS[] = {"", "DISTINCT ", "DISTINCTROW "};
    const auto item = [](const SelectItem& i) {
        return printExpr(i.expr.get()) + (i.alias.empty() ? "" : " AS " + printName(i.alias));
    };
    std::string text = std::string("SELECT ") + QUANTIFIERS[static_cast<int>(s.quantifier)] +
                       (s.top ? "TOP " + s.top->count + (s.top->percent ? " PERCENT " : " ") : "") +
                       joined(s.items, item);
    text += (s.into.empty() ? "" : " INTO " + printName(s.into)) +
            (s.from.empty() ? "" : " FROM " + joined(s.from, printFrom));
    text += (s.where ? " WHERE " + printExpr(s.where.get()) : "") +
            (s.groupBy.empty() ? "" : " GROUP BY " + printList(s.groupBy));
    text += s.having ? " HAVING " + printExpr(s.having.get()) : "";
    return s.parenthesized ? "(" + text + ")" : text;
}

std::string printSelect(const Select& select)
{
    std::string text = printClauses(select);
    for (const Select* s = &select; s->next; s = s->next.get())
        text += (s->setOperator == SetOperator::UnionAll ? " UNION ALL " : " UNION ") + printClauses(*s->next);
    const auto order = [](const OrderItem& o) { return printExpr(o.expr.get()) + (o.descending ? " DESC" : ""); };
    return text + (select.orderBy.empty() ? "" : " ORDER BY " + joined(select.orderBy, order));
}

std::string printStatement(const Statement& statement)
{
    const auto parameter = [](const Parameter& p) { return printName(p.name) + " " + p.type; };
    const std::string text =
        statement.parameters.empty() ? "" : "PARAMETERS " + joined(statement.parameters, parameter) + "; ";
    const auto where = [](const ExprPtr& e) { return e ? " WHERE " + printExpr(e.get()) : ""; };
    switch (statement.kind) {
    case Statement::Kind::Select: return text + printSelect(*statement.select);
    case Statement::Kind::Transform: {
        const Transform& t = *statement.transform;
        return text + "TRANSFORM " + printExpr(t.aggregate.get()) + " " + printSelect(*t.select) + " PIVOT " +
               printExpr(t.pivot.get()) + (t.pivotValues.empty() ? "" : " IN (" + printList(t.pivotValues) + ")");
    }
    case Statement::Kind::Insert: {
        const Insert& i = *statement.insert;
        return text + "INSERT INTO " + printName(i.table) +
               (i.columns.empty() ? "" : " (" + joined(i.columns, printName) + ")") + (i.select ? " " + printSelect(*i.select) : " VALUES (" + printList(i.values) + ")");
    }
    case Statement::Kind::Update: {
        const auto set = [](const Assignment& a) { return printNames(a.column) + " = " + printExpr(a.value.get()); };
        const Update& u = *statement.update;
        return text + "UPDATE " + printFrom(u.target) + " SET " + joined(u.assignments, set) + where(u.where);
    }
    case Statement::Kind::Delete: {
        const Delete& d = *statement.remove;
        return text + "DELETE " + printName(d.table) + " FROM " + joined(d.from, printFrom) + where(d.where);
    }
    case Statement::Kind::Call:
        return text + "CALL " + printName(statement.call->name) + "(" + printList(statement.call->args) + ")";
    case Statement::Kind::Raw: break;
    }
    static const char* const RAW_KINDS[] = {"W:", "N:", "T:", "#:", "S:"};
    const auto raw = [](const RawToken& token) { return RAW_KINDS[static_cast<int>(token.kind)] + token.text; };
    return text + joined(statement.raw, raw, " ");
}

using Cases = std::initializer_list<std::pair<const char*, const char*>>;

// What reading a text gives: `read`'s own text, or the message of the SqlError it throws,
// after the error's state in brackets when syntax errors (42000) are checked and it is not one.
template <typename Read>
std::string readOrError(std::string_view text, Read read, bool syntaxErrorsOnly)
{
    try {
        return read(text);
    } catch (const SqlError& error) {
        return (!syntaxErrorsOnly || error.state() == "42000" ? "" : "[" + error.state() + "]") + error.what();
    }
}

// The printed tree of an expression.
std::string shape(std::string_view text)
{
    return readOrError(text, [](std::string_view t) { return printExpr(parseExpression(t).get()); }, true);
}

// The printed tree of a statement.
std::string statement(std::string_view sql)
{
    return readOrError(sql, [](std::string_view s) { return printStatement(parseStatement(s)); }, false);
}

// "kind:value" for each token before End, separated by spaces.
std::string lexed(std::string_view sql)
{
    static const char* const KINDS[] = {"end", "W", "N", "T", "#", "D", "?", "S"};
    return readOrError(sql, [](std::string_view s) {
        std::string text;
        for (const Token& token : tokenize(s))
            if (token.kind != TokenKind::End)
                text += (text.empty() ? "" : " ") + std::string(KINDS[static_cast<int>(token.kind)]) + ":" +
                        tokenValue(token);
        return text;
    }, true);
}

// What `read` gives for each text.
void expectEach(std::string (*read)(std::string_view), Cases cases)
{
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), expected) << text;
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

TEST(SqlLexer, TokensKeepTheirKeywordAndTheirOffsetInTheWholeStatement)
{
    using Offsets = std::vector<std::size_t>;
    const std::vector<Token> tokens = tokenize("seLEct  [From], distinctrow");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[0].keyword, Keyword::Select);
    EXPECT_EQ(tokens[1].keyword, Keyword::None);  // a bracketed word is never a keyword
    EXPECT_EQ(tokens[1].text, "[From]");
    EXPECT_EQ(tokens[3].keyword, Keyword::DistinctRow);
    EXPECT_EQ(tokens[4].kind, TokenKind::End);
    EXPECT_EQ(Offsets({tokens[0].offset, tokens[1].offset, tokens[4].offset}), Offsets({0, 8, 27}));
    // A range of a statement, as a bracketed sub-query is read.
    const std::vector<Token> inner = tokenize("x [SELECT é FROM t] y", 3, 19);
    ASSERT_EQ(inner.size(), 5u);
    EXPECT_EQ(inner[1].text, "é");
    EXPECT_EQ(Offsets({inner[1].offset, inner[3].offset, inner[4].offset}), Offsets({10, 18, 19}));
}

TEST(SqlLexer, UnclosedTokensSayWhatAndWhere)
{
    expectEach(lexed, {
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

TEST(SqlParserExpression, LiteralsNamesCallsAndEscapes)
{
    expectEach(shape, {
        {"Null", "Null"}, {"12", "12"}, {"1.5e-3", "1.5e-3"}, {"&H1F", "31"}, {"&O17", "15"}, {"'it''s'", "'it's'"},
        // A double-quoted token is a text, never a name.
        {"\"Smith\"", "'Smith'"}, {"#2/12/1969#", "#2/12/1969#"}, {"#4:45:23 PM#", "#4:45:23 PM#"}, {"True", "True"},
        {"yes", "True"}, {"On", "True"}, {"False", "False"}, {"NO", "False"}, {"Off", "False"}, {"[Yes]", "Yes"},
        {"?", "?"},
        {"[t].[c]", "t.c"}, {"t.c", "t.c"}, {"[My Table].[My Col]", "[My Table].[My Col]"}, {"t.[c d]", "t.[c d]"},
        {"db.t.c", "db.t.c"},
        {"t.Order", "t.Order"},  // any word after the dot
        {"[Forms]![Orders]![Customer]", "Forms.Orders.Customer"},
        {"`Order Details`.Quantity", "[Order Details].Quantity"}, {"Société.Numéro", "[Société].[Numéro]"},
        {"Date", "Date"},  // a word without ( is a name
        {"Desc", "Desc"}, {"Left(a, 2)", "Left(a, 2)"}, {"RIGHT([Name], 3)", "RIGHT(Name, 3)"}, {"Date()", "Date()"},
        {"Now ( )", "Now()"}, {"Year(d) + Second(d)", "(Year(d) + Second(d))"},
        {"Format(d, \"yyyy\")", "Format(d, 'yyyy')"}, {"Mid$(a, 1, 2)", "Mid$(a, 1, 2)"},
        {"IIf(a > 0, Left(b, 1), Null)", "IIf((a > 0), Left(b, 1), Null)"}, {"Count(*)", "Count(*)"},
        {"count(DISTINCT x)", "count(Distinct x)"}, {"Sum(a * b) / Count(*)", "(Sum((a * b)) / Count(*))"},
        {"DLookUp(\"[x]\", \"t\", \"[ShipRegion] = 'CA'\")", "DLookUp('[x]', 't', '[ShipRegion] = 'CA'')"},
        {"{d '2024-01-02'}", "{d 2024-01-02}"}, {"{t '10:30:00'}", "{t 10:30:00}"},
        {"{ts '2024-01-02 10:30:00'}", "{ts 2024-01-02 10:30:00}"}, {"{fn UCASE(a)}", "{fn UCASE(a)}"},
        {"{fn LEFT(a, 2)} & {fn CURDATE()}", "({fn LEFT(a, 2)} & {fn CURDATE()})"},
        {"(SELECT Max(x) FROM t) + 1", "(Sub(SELECT Max(x) FROM t) + 1)"}, {"((a))", "a"},
        {"CASE WHEN a = 1 THEN 'x' ELSE 'y' END", "Case(-, (a = 1), 'x', 'y')"},
        {"CASE a WHEN 1 THEN 2 WHEN 3 THEN 4 END", "Case(a, 1, 2, 3, 4, -)"},
    });
}

TEST(SqlParserExpression, PrecedenceAndPredicates)
{
    expectEach(shape, {
        // Equal precedence applies left to right: 3^3^3 is (3^3)^3.
        {"3^3^3", "((3 ^ 3) ^ 3)"},
        // ^ binds tighter than negation: -2^2 is -(2^2).
        {"-2^2", "(-(2 ^ 2))"}, {"-2*3", "((-2) * 3)"}, {"2^-1", "(2 ^ (-1))"}, {"1+2*3", "(1 + (2 * 3))"},
        {"a - b - c", "((a - b) - c)"}, {"a / b * c", "((a / b) * c)"},
        // * and / before \, then Mod, then + and -.
        {"a \\ b * c", "(a \\ (b * c))"}, {"a * b \\ c", "((a * b) \\ c)"}, {"a Mod b \\ c", "(a Mod (b \\ c))"},
        {"a + b Mod c", "(a + (b Mod c))"}, {"a mod b - c", "((a Mod b) - c)"},
        // & after all arithmetic, before all comparisons.
        {"a & b + c", "(a & (b + c))"}, {"a = b & c", "(a = (b & c))"}, {"a & b & c", "((a & b) & c)"},
        // Comparisons share one level.
        {"a = b < c", "((a = b) < c)"}, {"a <> b", "(a <> b)"}, {"a != b", "(a <> b)"},
        {"a <= b >= c", "((a <= b) >= c)"},
        // Not, And, Or, Xor, Eqv, Imp.
        {"Not a = b", "(Not (a = b))"}, {"Not a And b", "((Not a) And b)"}, {"a Or b And c", "(a Or (b And c))"},
        {"a Xor b Or c", "(a Xor (b Or c))"}, {"a Eqv b Xor c", "(a Eqv (b Xor c))"},
        {"a Imp b Eqv c", "(a Imp (b Eqv c))"}, {"a And b Imp c Or d", "((a And b) Imp (c Or d))"},
        {"(a + b) * c", "((a + b) * c)"}, {"- - a", "(-(-a))"}, {"+a", "(+a)"}, {"a = Not b", "(a = (Not b))"},
        {"a Like 'Smith'", "(a Like 'Smith')"}, {"a LIKE \"[A-D]*\"", "(a Like '[A-D]*')"},
        {"a Not Like 'x*'", "(a Not Like 'x*')"}, {"a ALike 'x%'", "(a ALike 'x%')"},
        {"a Like 'x' & b", "(a Like ('x' & b))"}, {"a Like b And c", "((a Like b) And c)"},
        {"a Between 1 And 2 And b", "((a Between 1 And 2) And b)"},
        {"a Not Between 1 + 1 And 3", "(a Not Between (1 + 1) And 3)"}, {"a In (1, 2, 3)", "(a In (1, 2, 3))"},
        {"a Not In ('x')", "(a Not In ('x'))"}, {"a In (SELECT b FROM t)", "(a In (SELECT b FROM t))"},
        {"a Is Null", "(a Is Null)"}, {"a IS NOT NULL", "(a Is Not Null)"}, {"Not a Is Null", "(Not (a Is Null))"},
        {"a Is Null Or b = 1", "((a Is Null) Or (b = 1))"}, {"Exists (SELECT * FROM t)", "Exists(SELECT * FROM t)"},
        {"Not Exists (SELECT * FROM t) And a", "(Not Exists(SELECT * FROM t) And a)"},
    });
}

TEST(SqlParserExpression, NodesKeepTheirOffsets)
{
    const ExprPtr e = parseExpression("a + Left(b, 2)");
    EXPECT_EQ(e->position, 0u);
    EXPECT_EQ(e->args[1]->position, 4u);
    EXPECT_EQ(e->args[1]->args[0]->position, 9u);
}

TEST(SqlParserExpression, RefusesWhatIsNotAnExpression)
{
    expectEach(shape, {
        {"a +", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"a b", "Erreur de syntaxe près de « b » (caractère 3)."},
        {"(a", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"a = Select", "Erreur de syntaxe près de « Select » (caractère 5)."},
        {"t.*", "Erreur de syntaxe près de « . » (caractère 2)."},
        {"Sum(*)", "Erreur de syntaxe près de « * » (caractère 5)."},
        {"a Is 1", "Erreur de syntaxe près de « 1 » (caractère 6)."},
        {"a Between 1 Or 2", "Erreur de syntaxe près de « Or » (caractère 13)."},
        {"{x 'a'}", "Erreur de syntaxe près de « x » (caractère 2)."}, {"", "L'expression est vide."},
    });
}

TEST(SqlParserSelect, ClausesUnionsAndFromLists)
{
    expectEach(statement, {
        {"SELECT * FROM t", "SELECT * FROM t"}, {"select distinct a from t;", "SELECT DISTINCT a FROM t"},
        {"SELECT DISTINCTROW CompanyName FROM Customers", "SELECT DISTINCTROW CompanyName FROM Customers"},
        {"SELECT ALL a FROM t", "SELECT a FROM t"},
        {"SELECT TOP 25 a FROM t ORDER BY a DESC", "SELECT TOP 25 a FROM t ORDER BY a DESC"},
        {"SELECT DISTINCT TOP 10 PERCENT a FROM t", "SELECT DISTINCT TOP 10 PERCENT a FROM t"},
        {"SELECT t.*, [a b] AS x, b y, c AS 'z', d \"w\", e AS [Total général] FROM t",
         "SELECT t.*, [a b] AS x, b AS y, c AS z, d AS w, e AS [Total général] FROM t"},
        {"SELECT [t 1].* FROM [t 1]", "SELECT [t 1].* FROM [t 1]"}, {"SELECT 1 + 1", "SELECT (1 + 1)"},
        {"SELECT a INTO [New T] FROM t", "SELECT a INTO [New T] FROM t"},
        {"SELECT a, Count(*) AS n FROM t WHERE a > 1 GROUP BY a HAVING Count(*) > 2 ORDER BY a, n ASC",
         "SELECT a, Count(*) AS n FROM t WHERE (a > 1) GROUP BY a HAVING (Count(*) > 2) ORDER BY a, n"},
        {"SELECT a FROM t WHERE (((t.a)='x')) WITH OWNERACCESS OPTION;", "SELECT a FROM t WHERE (t.a = 'x')"},
        {"SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE u.c = t.c)",
         "SELECT a FROM t WHERE (a In (SELECT b FROM u WHERE (u.c = t.c)))"},
        {"SELECT a FROM t UNION SELECT b FROM u UNION ALL TABLE v ORDER BY 1",
         "SELECT a FROM t UNION SELECT b FROM u UNION ALL SELECT * FROM v ORDER BY 1"},
        {"TABLE t UNION TABLE u", "SELECT * FROM t UNION SELECT * FROM u"},
        {"(SELECT a FROM t) UNION (SELECT b FROM u) ORDER BY a",
         "(SELECT a FROM t) UNION (SELECT b FROM u) ORDER BY a"},
        {"(SELECT a FROM t)", "(SELECT a FROM t)"}, {"((SELECT a FROM t));", "(SELECT a FROM t)"},
        {"(SELECT a FROM t UNION SELECT b FROM u) ORDER BY 1", "(SELECT a FROM t) UNION SELECT b FROM u ORDER BY 1"},
        // A member with its own ORDER BY keeps it in a sub-query of its own.
        {"(SELECT TOP 1 a FROM t ORDER BY a) UNION (SELECT b FROM u)",
         "(SELECT * FROM (SELECT TOP 1 a FROM t ORDER BY a)) UNION (SELECT b FROM u)"},
        {"SELECT * FROM a, b AS x, c y", "SELECT * FROM a, b AS x, c AS y"},
        {"SELECT * FROM (a INNER JOIN b ON a.x = b.x) INNER JOIN c ON b.y = c.y",
         "SELECT * FROM ((a INNER JOIN b ON (a.x = b.x)) INNER JOIN c ON (b.y = c.y))"},
        {"SELECT * FROM a INNER JOIN (b LEFT JOIN c ON b.y = c.y) ON a.x = b.x",
         "SELECT * FROM (a INNER JOIN (b LEFT JOIN c ON (b.y = c.y)) ON (a.x = b.x))"},
        {"SELECT * FROM ((a LEFT OUTER JOIN b ON a.x = b.x) RIGHT OUTER JOIN c ON (b.y = c.y AND b.z > c.z))",
         "SELECT * FROM ((a LEFT JOIN b ON (a.x = b.x)) RIGHT JOIN c ON ((b.y = c.y) And (b.z > c.z)))"},
        {"SELECT * FROM (((a))) INNER JOIN [Order Details] AS d ON a.x = d.x, e",
         "SELECT * FROM (a INNER JOIN [Order Details] AS d ON (a.x = d.x)), e"},
        {"SELECT * FROM a INNER JOIN b ON a.x = b.x INNER JOIN c ON b.y = c.y",
         "SELECT * FROM ((a INNER JOIN b ON (a.x = b.x)) INNER JOIN c ON (b.y = c.y))"},
        {"SELECT * FROM t IN 'other.mdb'", "SELECT * FROM t IN 'other.mdb'"},
        {"SELECT * FROM t IN '' [dBASE IV;DATABASE=C:\\data] AS x", "SELECT * FROM t IN 'dBASE IV;DATABASE=C:\\data' AS x"},
        {"SELECT * FROM [C:\\b.mdb].[t]", "SELECT * FROM t IN 'C:\\b.mdb'"},
        {"SELECT s.a FROM (SELECT a FROM t) AS s", "SELECT s.a FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM (SELECT a FROM t) s", "SELECT * FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM ((SELECT a FROM t) UNION (SELECT b FROM u)) AS s",
         "SELECT * FROM ((SELECT a FROM t) UNION (SELECT b FROM u)) AS s"},
        {"SELECT * FROM ((SELECT a FROM t) AS s INNER JOIN u ON s.a = u.a)",
         "SELECT * FROM ((SELECT a FROM t) AS s INNER JOIN u ON (s.a = u.a))"},
        {"SELECT * FROM [SELECT a FROM t]. AS s", "SELECT * FROM (SELECT a FROM t) AS s"},
        {"SELECT * FROM {oj a LEFT OUTER JOIN b ON a.x = b.x}", "SELECT * FROM (a LEFT JOIN b ON (a.x = b.x))"},
    });
}

TEST(SqlParserStatement, EveryOtherStatementKind)
{
    expectEach(statement, {
        {"PARAMETERS prmYear SHORT; TRANSFORM Count(OrderID) SELECT Employee FROM Orders "
         "WHERE Year(OrderDate) = prmYear GROUP BY Employee PIVOT DatePart(\"q\", OrderDate)",
         "PARAMETERS prmYear SHORT; TRANSFORM Count(OrderID) SELECT Employee FROM Orders "
         "WHERE (Year(OrderDate) = prmYear) GROUP BY Employee PIVOT DatePart('q', OrderDate)"},
        {"TRANSFORM Sum(q) AS s SELECT p FROM t GROUP BY p ORDER BY p PIVOT Format(d, 'mmm') IN ('Jan', 'Feb')",
         "TRANSFORM Sum(q) SELECT p FROM t GROUP BY p ORDER BY p PIVOT Format(d, 'mmm') IN ('Jan', 'Feb')"},
        {"PARAMETERS [Low price] Currency, [Beginning date] DateTime; SELECT * FROM t WHERE p > [Low price]",
         "PARAMETERS [Low price] Currency, [Beginning date] DateTime; SELECT * FROM t WHERE (p > [Low price])"},
        {"PARAMETERS a Text(50), b Text ( 255 ), c Long, d Decimal(10, 2); SELECT a",
         "PARAMETERS a Text(50), b Text(255), c Long, d Decimal(10,2); SELECT a"},
    });
    const Statement s = parseStatement("PARAMETERS [x y] Long; DELETE FROM t WHERE a = [x y]");
    ASSERT_EQ(s.parameters.size(), 1u);
    EXPECT_EQ(s.parameters[0].position, 11u);
    EXPECT_EQ(s.kind, Statement::Kind::Delete);
    expectEach(statement, {
        {"INSERT INTO t VALUES (1, 'a', Null)", "INSERT INTO t VALUES (1, 'a', Null)"},
        {"INSERT INTO t ( a, [b c] ) VALUES (?, #1/1/2000#)", "INSERT INTO t (a, [b c]) VALUES (?, #1/1/2000#)"},
        {"INSERT INTO t (a) SELECT b FROM u WHERE c", "INSERT INTO t (a) SELECT b FROM u WHERE c"},
        {"INSERT INTO t SELECT * FROM u UNION SELECT * FROM v", "INSERT INTO t SELECT * FROM u UNION SELECT * FROM v"},
        {"INSERT INTO t (SELECT * FROM u)", "INSERT INTO t (SELECT * FROM u)"},
        {"UPDATE t SET a = 1, t.b = b + 1 WHERE c Is Null", "UPDATE t SET a = 1, t.b = (b + 1) WHERE (c Is Null)"},
        {"UPDATE a INNER JOIN b ON a.k = b.k SET a.x = b.y", "UPDATE (a INNER JOIN b ON (a.k = b.k)) SET a.x = b.y"},
        {"UPDATE DISTINCTROW a, b SET a.x = b.y WHERE a.k = b.k",
         "UPDATE (a, b) SET a.x = b.y WHERE (a.k = b.k)"},
        {"DELETE * FROM Employees WHERE Title = 'Trainee'", "DELETE Employees FROM Employees WHERE (Title = 'Trainee')"},
        {"DELETE FROM t WHERE a = 1", "DELETE t FROM t WHERE (a = 1)"},
        {"DELETE t.* FROM t INNER JOIN u ON t.k = u.k", "DELETE t FROM (t INNER JOIN u ON (t.k = u.k))"},
        {"DELETE c.* FROM Customers AS c WHERE c.x = 1", "DELETE Customers FROM Customers AS c WHERE (c.x = 1)"},
        {"DELETE DISTINCTROW t.*, t.x FROM t WHERE t.x = 1", "DELETE t FROM t WHERE (t.x = 1)"},
        {"DELETE [My T].Country FROM [My T]", "DELETE [My T] FROM [My T]"},
        {"DELETE * FROM a INNER JOIN b ON a.k = b.k", "DELETE [] FROM (a INNER JOIN b ON (a.k = b.k))"},
        {"CALL q", "CALL q()"}, {"call [My Query](1, 'a')", "CALL [My Query](1, 'a')"},
        {"EXEC q 1, 'a'", "CALL q(1, 'a')"}, {"EXECUTE q;", "CALL q()"}, {"{call q(1)}", "CALL q(1)"},
        {"{CALL q}", "CALL q()"},
        {"CREATE TABLE [My T] (a TEXT(50), `b` LONG, c DOUBLE DEFAULT 'x''y')",
         "W:CREATE W:TABLE N:My T S:( W:a W:TEXT S:( #:50 S:) S:, N:b W:LONG S:, W:c W:DOUBLE W:DEFAULT T:x'y S:)"},
        {"drop table t;", "W:drop W:table W:t"},
        {"ALTER TABLE t ADD COLUMN d DATETIME DEFAULT #1/1/2000#",
         "W:ALTER W:TABLE W:t W:ADD W:COLUMN W:d W:DATETIME W:DEFAULT S:#1/1/2000#"},
        {"BEGIN TRANSACTION", "W:BEGIN W:TRANSACTION"}, {"COMMIT", "W:COMMIT"},
    });
    const Statement raw = parseStatement("GRANT SELECT ON TABLE t TO u");
    EXPECT_EQ(raw.kind, Statement::Kind::Raw);
    EXPECT_EQ(raw.raw.size(), 7u);
    EXPECT_EQ(raw.raw[5].position, 24u);
}

TEST(SqlParserErrors, PositionsTrailingTextAndEmptyStatements)
{
    const char* const trailing = "Caractères trouvés après la fin de l'instruction SQL : une seule instruction est permise.";
    const char* const empty = "L'instruction SQL est vide.";
    expectEach(statement, {
        {"SELECT a b c FROM t", "Erreur de syntaxe près de « c » (caractère 12)."},
        // After an accented character the position still counts characters.
        {"SELECT 'é', x y z", "Erreur de syntaxe près de « z » (caractère 17)."},
        {"SELECT a FROM t WHERE", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT a FROM t WHERE a = 'x", "Erreur de syntaxe : texte non terminé (caractère 27)."},
        {"SELECT * FROM t WHERE d > #1/1/2000", "Erreur de syntaxe : date non terminée (caractère 27)."},
        {"SELECT FROM t", "Erreur de syntaxe près de « FROM » (caractère 8)."},
        {"SELECT a FROM t ORDER a", "Erreur de syntaxe près de « ORDER » (caractère 17)."},
        {"SELECT * FROM a INNER JOIN b", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT TOP 1.5 a FROM t", "Erreur de syntaxe près de « 1.5 » (caractère 12)."},
        {"SELECT * FROM t WHERE a 'une très longue valeur de texte qui dépasse'",
         "Erreur de syntaxe près de « 'une très longue valeur de texte qui dép… » (caractère 25)."},
        {"FOO x", "Erreur de syntaxe près de « FOO » (caractère 1)."},
        {"PARAMETERS a Long SELECT a", "Erreur de syntaxe près de « SELECT » (caractère 19)."},
        {"PARAMETERS a Long;", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT * FROM [SELECT a FROM t WHERE]. AS s", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"SELECT * FROM [SELECT a b c FROM t]. AS s", "Erreur de syntaxe près de « c » (caractère 27)."},
        {"INSERT INTO t (a) VALUES (1", "Erreur de syntaxe : l'instruction SQL est incomplète."},
        {"UPDATE t SET a + 1", "Erreur de syntaxe près de « + » (caractère 16)."},
        {"SELECT 1; SELECT 2", trailing}, {"DROP TABLE a; DROP TABLE b", trailing}, {"SELECT 1;;", trailing},
        {"SELECT 1; -- fin\n /* commentaire ' */ ", "SELECT 1"}, {"SELECT 1 ;", "SELECT 1"}, {"", empty},
        {"  \r\n -- rien\n", empty},
        {";", empty},
    });
}

TEST(SqlParserErrors, ExternalTargetsAreRefused)
{
    for (const char* sql : {"INSERT INTO t IN 'other.mdb' SELECT * FROM u", "SELECT a INTO t IN 'other.mdb' FROM u"}) {
        try {
            parseStatement(sql);
            ADD_FAILURE() << sql << " was accepted";
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), "HYC00") << sql;
        }
    }
}

TEST(SqlParserErrors, DeepNestingIsRefusedWithoutCrashing)
{
    const auto nested = [](int depth, const std::string& open, const std::string& inner, const std::string& close) {
        std::string text = inner;
        for (int i = 0; i < depth; ++i)
            text = open + text + close;
        return text;
    };
    EXPECT_EQ(statement("SELECT " + nested(150, "(", "1", ")")), "SELECT 1");
    EXPECT_EQ(statement(nested(100, "(", "SELECT 1", ")")), "(SELECT 1)");
    const std::string tooDeep = "L'instruction SQL est trop imbriquée : plus de 200 niveaux de parenthèses ou de sous-requêtes.";
    EXPECT_EQ(statement("SELECT " + nested(250, "(", "1", ")")), tooDeep);
    EXPECT_EQ(statement("SELECT " + nested(100000, "(", "", "")), tooDeep);
    EXPECT_EQ(statement("SELECT " + nested(100000, "- ", "1", "")), tooDeep);
    EXPECT_EQ(statement("SELECT " + nested(100000, "Not ", "1", "")), tooDeep);
    EXPECT_EQ(statement(nested(100000, "(", "SELECT 1", ")")), tooDeep);
    EXPECT_EQ(statement("SELECT * FROM " + nested(100000, "(", "t", ")")), tooDeep);
    EXPECT_EQ(statement("SELECT * FROM t WHERE " + nested(100000, "a IN (SELECT b FROM t WHERE ", "1", ")")), tooDeep);
}

TEST(SqlParserErrors, LongFlatStatementsParse)
{
    // About 10 kB: a long Or chain and a long IN list, as generated queries have.
    std::string sql = "SELECT * FROM t WHERE a = 0";
    for (int i = 1; i < 400; ++i)
        sql += " OR [a] = " + std::to_string(i);
    sql += " OR b IN (0";
    for (int i = 1; i < 600; ++i)
        sql += ", '" + std::to_string(i) + "'";
    sql += ")";
    const Statement s = parseStatement(sql);
    ASSERT_EQ(s.select->where->kind, ExprKind::Binary);
    EXPECT_EQ(s.select->where->args[1]->args.size(), 601u);
}

}  // namespace
}  // namespace kervane::sql
