#pragma once
// Syntax tree of one Access SQL statement, as the parser builds it and the SQLite writer reads it.
// Every node keeps the byte offset where it starts in the statement, for messages.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kervane::sql {

struct Expr;
struct Select;
using ExprPtr = std::unique_ptr<Expr>;
using SelectPtr = std::unique_ptr<Select>;

enum class ExprKind {
    Null,        // Null
    Number,      // text: the number as written ("12", "1.5", "1E3", "&HFF" read as its value "255")
    Text,        // text: the value, quotes removed and doubled quotes undone
    Date,        // text: what stood between the # signs, or the text of {d/t/ts '...'}
    Boolean,     // True/Yes/On (boolean = true), False/No/Off
    Column,      // names: [qualifier..., column]; "[a b].[c]" gives {"a b", "c"}
    Star,        // names: [] for *, [table] for table.*
    Parameter,   // ? (position only)
    Unary,       // op: Negate, Plus, Not; args[0]
    Binary,      // op; args[0], args[1]
    Like,        // args[0] value, args[1] pattern; negated; alike for ALIKE
    Between,     // args[0] value, args[1] low, args[2] high; negated
    InList,      // args[0] value, args[1..] list; negated
    InSelect,    // args[0] value, select; negated
    IsNull,      // args[0]; negated for Is Not Null
    Exists,      // select; negated
    Subquery,    // select (a scalar sub-query in parentheses)
    Function,    // text: the name as written; args; star for Count(*); distinct when written
    Case,        // args: [operand or nullptr, when1, then1, ..., else or nullptr]
};

enum class Operator {
    None,
    // unary
    Negate, Plus, Not,
    // arithmetic
    Power, Multiply, Divide, IntDivide, Mod, Add, Subtract,
    // text
    Concat,  // &
    // comparison
    Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
    // logical
    And, Or, Xor, Eqv, Imp,
};

struct Expr {
    ExprKind kind = ExprKind::Null;
    std::size_t position = 0;
    Operator op = Operator::None;
    std::string text;
    std::vector<std::string> names;
    std::vector<ExprPtr> args;
    SelectPtr select;
    bool boolean = false;
    bool negated = false;
    bool alike = false;
    bool star = false;
    bool distinct = false;
    bool escaped = false;  // written as an ODBC escape: {fn ...}, {d ...}, {t ...}, {ts ...}
    char dateEscape = 0;   // 'd', 't' or 's' (ts) for a Date written as an ODBC escape
};

struct SelectItem {
    ExprPtr expr;        // Star for * and table.*
    std::string alias;   // empty when none was written
    std::size_t position = 0;
};

enum class JoinKind { Inner, Left, Right, Cross /* comma */ };

struct FromItem;
using FromPtr = std::unique_ptr<FromItem>;

// A table, a sub-query or a join of two items.
struct FromItem {
    enum class Kind { Table, Subquery, Join } kind = Kind::Table;
    std::size_t position = 0;
    std::string name;       // Table: the table or query name
    std::string database;   // Table: the file of "IN 'file'" (refused later), empty otherwise
    std::string alias;      // Table and Subquery
    SelectPtr select;       // Subquery
    JoinKind join = JoinKind::Inner;  // Join
    FromPtr left, right;    // Join
    ExprPtr on;             // Join (nullptr for Cross)
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

enum class Quantifier { All, Distinct, DistinctRow };

struct Top {
    std::string count;  // unsigned number as written
    bool percent = false;
    std::size_t position = 0;
};

enum class SetOperator { Union, UnionAll };

struct Select {
    std::size_t position = 0;
    Quantifier quantifier = Quantifier::All;
    std::optional<Top> top;
    std::vector<SelectItem> items;
    std::string into;       // SELECT ... INTO table (make-table), empty otherwise
    std::vector<FromPtr> from;  // comma-separated items; joins nest inside one item
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
    // Next SELECT of a UNION chain; setOperator joins this SELECT to next. ORDER BY of the
    // whole chain is kept on the first Select.
    SetOperator setOperator = SetOperator::Union;
    SelectPtr next;
    std::vector<OrderItem> orderBy;
    bool parenthesized = false;  // the whole statement was written in parentheses
};

// TRANSFORM aggregate SELECT ... PIVOT expr [IN (v1, v2, ...)]
struct Transform {
    ExprPtr aggregate;
    SelectPtr select;
    ExprPtr pivot;
    std::vector<ExprPtr> pivotValues;  // empty when no IN list
};

struct Assignment {
    std::vector<std::string> column;  // [qualifier..., column]
    ExprPtr value;
    std::size_t position = 0;
};

struct Insert {
    std::string table;
    std::vector<std::string> columns;  // empty: every column in order
    // The complex column whose values INSERT INTO t ([col].Value) VALUES (...) [WHERE ...] adds
    // to rows of t; empty otherwise.
    std::string valuesOf;
    std::vector<ExprPtr> values;       // VALUES (...), or
    SelectPtr select;                  // INSERT INTO ... SELECT
    ExprPtr where;                     // the rows valuesOf's values go to
};

struct Update {
    FromPtr target;  // a table, or joins (UPDATE a INNER JOIN b ON ... SET ...)
    std::vector<Assignment> assignments;
    ExprPtr where;
};

struct Delete {
    std::string table;            // DELETE [t.*|*] FROM t: the table rows are deleted from
    std::vector<FromPtr> from;
    ExprPtr where;
};

struct Parameter {
    std::string name;
    std::string type;  // the type as written ("Currency", "Text(50)", "DateTime")
    std::size_t position = 0;
};

// {call name(args)} or CALL name(args) or EXECUTE name
struct Call {
    std::string name;
    std::vector<ExprPtr> args;
};

// Statements handed to SQLite as written once names and literals are rewritten: CREATE, DROP,
// ALTER and the like. Tokens keep their kind so the writer can quote names the SQLite way.
struct RawToken {
    enum class Kind { Word, Name, Text, Number, Symbol } kind = Kind::Word;
    std::string text;  // Name: without brackets; Text: the value
    std::size_t position = 0;
};

struct Statement {
    enum class Kind { Select, Transform, Insert, Update, Delete, Call, Raw } kind = Kind::Select;
    std::vector<Parameter> parameters;  // PARAMETERS ...; written before the statement
    SelectPtr select;
    std::unique_ptr<Transform> transform;
    std::unique_ptr<Insert> insert;
    std::unique_ptr<Update> update;
    std::unique_ptr<Delete> remove;
    std::unique_ptr<Call> call;
    std::vector<RawToken> raw;
};

}  // namespace kervane::sql
