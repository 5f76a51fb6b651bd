#include "driver/base/StoredQueries.h"

#include "driver/base/SqliteErrors.h"
#include "driver/sql/functions/FunctionSupport.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Translator.h"
#include "driver/sql/Writer.h"

namespace kervane::odbc {
namespace {

void failWithText(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    sqlite3_result_error(context, text ? text : "", -1);
}

bool createView(sqlite3* db, const std::string& name, const std::string& select)
{
    const std::string sql = "CREATE VIEW " + sql::quotedName(name) + " AS " + select;
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// SQLite checks a view's names only when it is read: a view that cannot be compiled is
// dropped again, its reason kept in reason.
bool createCheckedView(sqlite3* db, const std::string& name, const std::string& select, std::string& reason)
{
    if (!createView(db, name, select)) {
        reason = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    const std::string check = "SELECT * FROM " + sql::quotedName(name);
    const int rc = sqlite3_prepare_v2(db, check.c_str(), -1, &statement, nullptr);
    sqlite3_finalize(statement);
    if (rc == SQLITE_OK)
        return true;
    reason = errorFromSqlite(rc, sqlite3_errmsg(db), {}).message;
    const std::string drop = "DROP VIEW " + sql::quotedName(name);
    sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr);
    return false;
}

void createRefusingView(sqlite3* db, const std::string& name, const std::string& message)
{
    createView(db, name, "SELECT kv_error(" + sql::quotedText("[HY000]" + message) + ") AS " + sql::quotedName(name));
}

std::string parameterList(const std::vector<std::string>& parameters)
{
    std::string list;
    for (const std::string& parameter : parameters)
        list += (list.empty() ? "" : ", ") + quoted(parameter);
    return list;
}

// The SELECT a select query becomes; throws SqlError when it cannot be translated yet.
std::string translatedSelect(sql::SchemaCatalogue& catalogue, const StoredQueryText& query)
{
    const sql::Translation translation = sql::translate(query.sql, catalogue);
    if (translation.kind != sql::Translation::Kind::Rows || translation.statements.size() != 1)
        throw sql::SqlError("HY000", "elle ne donne pas de lignes.");
    return translation.statements.front();
}

}  // namespace

void registerErrorFunction(sqlite3* db)
{
    sqlite3_create_function_v2(db, "kv_error", 1, SQLITE_UTF8, nullptr, sql::GuardedFunction<failWithText>::call, nullptr, nullptr, nullptr);
}

void createStoredQueryViews(sqlite3* db, sql::SchemaCatalogue& catalogue, const std::string& path,
                            std::vector<StoredQueryText> queries, bool readOnly)
{
    std::vector<std::pair<StoredQueryText, std::string>> failed;
    // A query may read another one: views are made in rounds until a round makes none.
    bool progress = true;
    while (progress && !queries.empty()) {
        progress = false;
        failed.clear();
        std::vector<StoredQueryText> waiting;
        for (StoredQueryText& query : queries) {
            if (!query.selects) {
                const std::string why = readOnly ? "la base Access " + quoted(path)
                                                       + " est en lecture seule, elle ne peut pas être exécutée."
                                                 : "l'exécution des requêtes action enregistrées n'est pas "
                                                   "encore possible.";
                createRefusingView(db, query.name,
                                   "La requête " + quoted(query.name) + " est une requête " + query.kind + " : " + why);
                progress = true;
            } else if (!query.parameters.empty()) {
                createRefusingView(db, query.name, "La requête " + quoted(query.name) + " attend des paramètres ("
                                                       + parameterList(query.parameters)
                                                       + ") : les requêtes paramétrées ne sont pas encore prises "
                                                         "en charge.");
                progress = true;
            } else {
                try {
                    std::string reason;
                    if (createCheckedView(db, query.name, translatedSelect(catalogue, query), reason)) {
                        progress = true;
                        continue;
                    }
                    failed.emplace_back(query, reason);
                } catch (const sql::SqlError& error) {
                    failed.emplace_back(query, error.what());
                }
                waiting.push_back(std::move(query));
            }
        }
        queries = std::move(waiting);
    }
    for (const auto& [query, reason] : failed)
        createRefusingView(db, query.name,
                           "La requête " + quoted(query.name) + " ne peut pas être exécutée : " + reason);
}

}  // namespace kervane::odbc
