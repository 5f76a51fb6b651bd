#pragma once
// The stored queries of an Access file as views of the connection.
#include "driver/base/JetBridge.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/SyntaxTree.h"
#include "driver/sql/Translator.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::odbc {

// kv_error(text): fails the statement with text ("[SSSSS]message"); the views of queries that
// cannot run are made of it.
void registerErrorFunction(sqlite3* db);

// The stored queries a call runs (EXECUTE name …, {call name(…)}): action queries and queries
// with parameters, each kept with its Access SQL. A call's arguments give the parameters their
// values in the order the query declares them.
class CallableQueries {
public:
    void add(const std::string& name, std::string accessSql);
    // An action query of a read-only file: a procedure no call may run.
    void addRefused(const std::string& name);
    // Whether `name` is one of the queries above: the catalogue lists it as a procedure.
    bool isProcedure(std::string_view name) const;
    // The statements a call of a query kept here runs, its own ? markers numbered as ODBC
    // numbers them; nothing when the query is not kept here or the connection no longer has it
    // (its view gone: dropped, or its creation rolled back). Throws SqlError.
    std::optional<sql::Translation> translate(const sql::Call& call, std::string_view callSql,
                                              sql::SchemaCatalogue& catalogue) const;

private:
    std::vector<std::pair<std::string, std::string>> m_queries;  // name, Access SQL; the latest last
    std::vector<std::string> m_refused;
};

// kervane_procedure(name): 1 when `name` is a query of `callable`, 0 otherwise. `callable` must
// outlive the connection's statements.
void registerProcedureFunction(sqlite3* db, const CallableQueries& callable);

// The statement making a view that refuses to be read with `message`, for a query read only by
// a call or not at all; it still stands for the query among the connection's views.
std::string refusingViewSql(const std::string& name, const std::string& message);
// Why a query is read by a call only: an action query (`kind` in words) or one with parameters.
std::string callOnlyMessage(const std::string& name, const std::string& kind, const std::vector<std::string>& parameters);

// Select, union and crosstab queries become views of their translated SQL, in an order where
// every query a query reads exists first. Action queries and parameter queries become views
// that refuse to be read, with a French message saying to call them, and are kept in
// `callable` (action queries only on a file that takes changes; on a read-only one they are
// refused even when called); queries that cannot be translated become views that refuse to
// run with a French message saying why, so that they are still listed and named.
void createStoredQueryViews(sqlite3* db, sql::SchemaCatalogue& catalogue, const std::string& path,
                            std::vector<StoredQueryText> queries, bool readOnly, CallableQueries& callable);

}  // namespace kervane::odbc
