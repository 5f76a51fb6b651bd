#pragma once
// Compact text of a syntax tree, so parser tests can state the expected shape in one line:
// every operator node in parentheses, names bare when they are plain words, else [bracketed].
#include "driver/sql/SyntaxTree.h"

#include <string>

namespace kervane::sql::test {

std::string printExpr(const Expr* expr);
std::string printSelect(const Select& select);
std::string printFrom(const FromItem& item);
std::string printStatement(const Statement& statement);

// parseExpression(text), printed.
std::string shapeOf(std::string_view expression);
// parseStatement(sql), printed.
std::string statementShape(std::string_view sql);
// The message of the SqlError that parseStatement(sql) throws, or "" when it succeeds.
std::string parseError(std::string_view sql);

}  // namespace kervane::sql::test
