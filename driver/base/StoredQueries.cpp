#include "driver/base/StoredQueries.h"

#include "driver/base/SqliteErrors.h"
#include "driver/sql/functions/FunctionSupport.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Translator.h"
#include "driver/sql/Writer.h"
#include "driver/semantics/Characters.h"

#include <algorithm>
#include <cctype>

namespace kervane::odbc {
namespace {

void failWithText(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    sqlite3_result_error(context, text ? text : "", -1);
}

void isProcedure(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* callable = static_cast<const CallableQueries*>(sqlite3_user_data(context));
    const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    sqlite3_result_int(context, name != nullptr && callable->isProcedure(name) ? 1 : 0);
}

bool createView(sqlite3* db, const std::string& name, const std::string& select)
{
    const std::string sql = "CREATE VIEW " + sql::quotedName(name) + " AS " + select;
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// SQLite checks a view's names only when it is read (the file's tables it names are then
// declared): a view that cannot be compiled is dropped again, its reason kept in reason.
bool createCheckedView(const sql::SchemaCatalogue& catalogue, const std::string& name, const std::string& select,
                       std::string& reason)
{
    sqlite3* db = catalogue.database();
    if (!createView(db, name, select)) {
        reason = sqlite3_errmsg(db);
        return false;
    }
    const std::string check = "SELECT * FROM " + sql::quotedName(name);
    int rc = SQLITE_OK;
    sqlite3_stmt* statement = nullptr;
    while ((rc = sqlite3_prepare_v2(db, check.c_str(), -1, &statement, nullptr)) != SQLITE_OK &&
           catalogue.declareMissing()) {
    }
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
    sqlite3_exec(db, refusingViewSql(name, message).c_str(), nullptr, nullptr, nullptr);
}

std::string parameterList(const std::vector<std::string>& parameters)
{
    std::string list;
    for (const std::string& parameter : parameters)
        list += (list.empty() ? "" : ", ") + quoted(parameter);
    return list;
}

// `sqlite` with its numbered parameters ?1 … ?n replaced by `values`, outside texts and names.
std::string withValues(const std::string& sqlite, const std::vector<std::string>& values)
{
    std::string out;
    for (std::size_t i = 0; i < sqlite.size();) {
        const char c = sqlite[i];
        if (c == '\'' || c == '"') {
            const std::size_t close = sqlite.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? sqlite.size() : close + 1;
            out.append(sqlite, i, end - i);
            i = end;
            continue;
        }
        std::size_t digits = i + 1;
        while (c == '?' && digits < sqlite.size() && std::isdigit(static_cast<unsigned char>(sqlite[digits])) != 0)
            ++digits;
        const std::size_t number = digits > i + 1 ? std::stoul(sqlite.substr(i + 1, digits - i - 1)) : 0;
        if (number >= 1 && number <= values.size()) {
            out += "(" + values[number - 1] + ")";
            i = digits;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
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

void registerProcedureFunction(sqlite3* db, const CallableQueries& callable)
{
    sqlite3_create_function_v2(db, "kervane_procedure", 1, SQLITE_UTF8, const_cast<CallableQueries*>(&callable),
                               sql::GuardedFunction<isProcedure>::call, nullptr, nullptr, nullptr);
}

void registerErrorFunction(sqlite3* db)
{
    sqlite3_create_function_v2(db, "kv_error", 1, SQLITE_UTF8, nullptr, sql::GuardedFunction<failWithText>::call, nullptr, nullptr, nullptr);
}

std::string refusingViewSql(const std::string& name, const std::string& message)
{
    return "CREATE VIEW " + sql::quotedName(name) + " AS SELECT kv_error(" + sql::quotedText("[HY000]" + message) +
           ") AS " + sql::quotedName(name);
}

std::string callOnlyMessage(const std::string& name, const std::string& kind, const std::vector<std::string>& parameters)
{
    if (!kind.empty())
        return "La requête " + quoted(name) + " est une requête " + kind + " : elle ne se lit pas, elle s'exécute par "
               "EXECUTE " + name + " ou {call " + name + "}.";
    return "La requête " + quoted(name) + " attend des paramètres (" + parameterList(parameters) +
           ") : elle se lit par EXECUTE " + name + " suivi de leurs valeurs, ou {call " + name + "(?, …)}.";
}

void CallableQueries::add(const std::string& name, std::string accessSql)
{
    m_queries.emplace_back(name, std::move(accessSql));
}

void CallableQueries::addRefused(const std::string& name)
{
    m_refused.push_back(name);
}

bool CallableQueries::isProcedure(std::string_view name) const
{
    const auto same = [name](const std::string& candidate) { return sql::equalIgnoringAsciiCase(candidate, name); };
    return std::any_of(m_queries.begin(), m_queries.end(), [&](const auto& query) { return same(query.first); }) ||
           std::any_of(m_refused.begin(), m_refused.end(), same);
}

std::optional<sql::Translation> CallableQueries::translate(const sql::Call& call, std::string_view callSql,
                                                           sql::SchemaCatalogue& catalogue) const
{
    const auto found = std::find_if(m_queries.rbegin(), m_queries.rend(), [&](const auto& query) {
        return sql::equalIgnoringAsciiCase(query.first, call.name);
    });
    catalogue.refresh();
    if (found == m_queries.rend() || catalogue.find(call.name) == nullptr)
        return std::nullopt;
    sql::Translation translation = sql::translate(found->second, catalogue);
    const std::size_t declared = translation.parameters.size();
    if (call.args.size() != declared)
        throw sql::SqlError("07002", "La requête " + quoted(found->first) + " attend " + std::to_string(declared) +
                                         " paramètre(s) : l'appel en donne " + std::to_string(call.args.size()) + ".");
    // The arguments are written in the call's own terms: its ? markers become its parameters,
    // typed as the query declares the parameter each one gives.
    sql::Writer writer(catalogue);
    writer.setSource(callSql);
    const sql::Scope scope;
    std::vector<std::string> values;
    for (std::size_t i = 0; i < declared; ++i) {
        const sql::Written value = writer.expression(*call.args[i], scope);
        writer.noteParameter(value, translation.parameters[i].type, translation.parameters[i].declared);
        values.push_back(sql::asValue(value));
    }
    for (std::string& statement : translation.statements)
        statement = withValues(statement, values);
    translation.parameters = writer.parameterUses();
    return translation;
}

void createStoredQueryViews(sqlite3* db, sql::SchemaCatalogue& catalogue, const std::string& path,
                            std::vector<StoredQueryText> queries, bool readOnly, CallableQueries& callable)
{
    std::vector<std::pair<StoredQueryText, std::string>> failed;
    // A query may read another one: views are made in rounds until a round makes none.
    bool progress = true;
    while (progress && !queries.empty()) {
        progress = false;
        failed.clear();
        std::vector<StoredQueryText> waiting;
        for (StoredQueryText& query : queries) {
            if (!query.selects && readOnly) {
                createRefusingView(db, query.name,
                                   "La requête " + quoted(query.name) + " est une requête " + query.kind +
                                       " : la base Access " + quoted(path) +
                                       " est en lecture seule, elle ne peut pas être exécutée.");
                callable.addRefused(query.name);
                progress = true;
            } else if (!query.selects || !query.parameters.empty()) {
                createRefusingView(db, query.name,
                                   callOnlyMessage(query.name, query.selects ? std::string() : query.kind,
                                                   query.parameters));
                callable.add(query.name, query.sql);
                progress = true;
            } else {
                try {
                    std::string reason;
                    if (createCheckedView(catalogue, query.name, translatedSelect(catalogue, query), reason)) {
                        progress = true;
                        continue;
                    }
                    failed.emplace_back(query, reason);
                } catch (const sql::SchemaUnreadable& error) {
                    // A table it names whose definition cannot be read: SQLite's reason, told
                    // as a view that fails to compile tells it.
                    failed.emplace_back(query, error.reason().empty()
                                                   ? std::string(error.what())
                                                   : errorFromSqlite(error.code(), error.reason(), {}).message);
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
