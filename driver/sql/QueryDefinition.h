#pragma once
// Statements that store or remove a query of an Access file: CREATE VIEW name AS SELECT …,
// CREATE PROCEDURE name [(parameter type, …)] AS <SELECT, SELECT … INTO, INSERT, UPDATE or
// DELETE>, DROP VIEW name, DROP PROCEDURE name. A query's name follows the rules of a table's
// and shares their names.
#include "driver/sql/Definition.h"
#include "driver/sql/SyntaxTree.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql {

struct QueryParameter {
    std::string name;
    ColumnType type;
};

struct QueryDefinition {
    enum class Kind { CreateView, CreateProcedure, DropView, DropProcedure } kind = Kind::CreateView;
    std::string name;
    std::vector<QueryParameter> parameters;  // CreateProcedure
    std::vector<std::string> columns;        // CreateView: the names given to its columns, if any
    std::string body;                        // the statement after AS, as written

    bool creates() const { return kind == Kind::CreateView || kind == Kind::CreateProcedure; }
};

// Reads one of the statements above from `sql` and its tokens; std::nullopt for any other
// statement. Throws SqlError (42000, in French) on a malformed one or a name Access refuses.
std::optional<QueryDefinition> readQueryDefinition(std::string_view sql, const std::vector<RawToken>& tokens);

// The body as the driver runs it: PARAMETERS with the declared parameters, then the statement.
std::string queryStatement(const QueryDefinition& definition);

// An expression as Access SQL text, every name in brackets and every compound operand in
// parentheses, so that reading it back gives the same tree. Throws SqlError (HYC00, in French)
// for what a stored query's text cannot hold here: ? markers, sub-queries, CASE, ODBC escapes
// of functions.
std::string accessText(const Expr& expr);

// A dotted name ([qualifier…, name]) as Access SQL writes it, each part bare when it is made of
// letters, digits and underscores only, in brackets otherwise.
std::string accessName(const std::vector<std::string>& parts);

}  // namespace kervane::sql
