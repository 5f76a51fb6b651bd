// Executing a statement with parameters: the values of each set bound to SQLite, sets run in
// turn within the connection's transaction rules, data given at execution time collected by
// SQLParamData and SQLPutData.
#include "driver/handles/Connection.h"
#include "driver/handles/Statement.h"
#include "driver/values/ParameterValue.h"

#include <algorithm>

namespace kervane::odbc {

const sql::ParameterUse& Statement::parameterUse(int number) const
{
    if (number < 1 || number > parameterCount())
        throw OdbcError{"07009", "Le numéro de paramètre " + std::to_string(number) + " n'existe pas dans l'instruction.",
                        0};
    return m_parameterUses[static_cast<std::size_t>(number - 1)];
}

const ParameterBinding* Statement::boundParameter(int number) const noexcept
{
    const auto index = static_cast<std::size_t>(number - 1);
    return index < m_parameterBindings.size() && m_parameterBindings[index].bound ? &m_parameterBindings[index] : nullptr;
}

// Every parameter the statement uses needs a value; a declared parameter it never uses does not.
void Statement::requireParametersBound() const
{
    sqlite3_stmt* statement = m_statement.get();
    int missing = 0;
    for (int number = 1; number <= parameterCount(); ++number) {
        const bool used = statement == nullptr
            || (number <= sqlite3_bind_parameter_count(statement) && sqlite3_bind_parameter_name(statement, number) != nullptr);
        if (used && boundParameter(number) == nullptr)
            ++missing;
    }
    if (missing > 0)
        throw OdbcError{"07002",
                        "Nombre de paramètres incorrect : l'instruction en attend " + std::to_string(parameterCount())
                            + ", " + std::to_string(missing)
                            + (missing == 1 ? " n'a pas reçu de valeur." : " n'ont pas reçu de valeur."),
                        0};
}

void Statement::markSet(SQLULEN set, SQLUSMALLINT status) const
{
    if (parameterArrays.status != nullptr)
        parameterArrays.status[set] = status;
}

SQLRETURN Statement::run()
{
    const SQLRETURN done = runSets();
    // A crash journal set aside as the statement started, the file untouched: said once.
    const std::string notice = m_connection.database().takeNotice();
    return notice.empty() || done != SQL_SUCCESS ? done : diagnostics().add("01000", notice);
}

SQLRETURN Statement::runSets()
{
    if (!isPrepared() && m_preludes.empty())
        throw OdbcError{"HY010", "Aucune instruction n'a été préparée.", 0};
    if (m_run.needsData)
        throw OdbcError{"HY010", "L'exécution précédente attend encore des données de paramètres (SQLParamData).", 0};
    if (parameterCount() == 0) {
        execute();
        return SQL_SUCCESS;
    }
    requireParametersBound();
    const SQLULEN sets = std::max<SQLULEN>(parameterArrays.size, 1);
    if (sets > 1 && m_onlyReads)
        throw OdbcError{"HYC00", "Un tableau de paramètres n'est pas permis pour une instruction qui renvoie des lignes.",
                        0};
    m_run = ParameterRun{};
    for (SQLULEN set = 0; set < sets; ++set)
        markSet(set, SQL_PARAM_UNUSED);
    if (parameterArrays.processed != nullptr)
        *parameterArrays.processed = 0;
    return continueRun();
}

// Runs the sets from the current one; stops at the first that needs data at execution time,
// and at the first that fails (the following ones stay unused).
SQLRETURN Statement::continueRun()
{
    const SQLULEN sets = std::max<SQLULEN>(parameterArrays.size, 1);
    for (; m_run.set < sets; ++m_run.set) {
        const SQLULEN set = m_run.set;
        if (parameterArrays.operation != nullptr && parameterArrays.operation[set] == SQL_PARAM_IGNORE)
            continue;
        if (!m_run.needsData && m_run.pending.empty()) {
            for (int number = 1; number <= parameterCount(); ++number) {
                const ParameterBinding* binding = boundParameter(number);
                if (binding != nullptr && isDataAtExec(cellOf(*binding, parameterArrays, set).indicator))
                    m_run.pending.push_back(number);
            }
            if (!m_run.pending.empty()) {
                m_run.needsData = true;
                return SQL_NEED_DATA;
            }
        }
        runSet(set);
    }
    m_changes = m_run.changes;
    m_run = ParameterRun{};
    return SQL_SUCCESS;
}

// The set's values are all read before anything runs: a value refused (a text that is not
// well-formed, a number or a date that is none) leaves the base as it was, no make-table run,
// no transaction opened. A set that fails stops the run: the sets before it stay executed, the
// ones after it unused, which the message says when there are several.
void Statement::runSet(SQLULEN set)
{
    try {
        const std::vector<ParameterValue> values = readSet(set);
        execute([&](sqlite3_stmt* statement) { bindValues(statement, values); });
    } catch (OdbcError& error) {
        const SQLULEN sets = std::max<SQLULEN>(parameterArrays.size, 1);
        if (sets > 1)
            error.message += " Jeu de paramètres " + std::to_string(set + 1) + " sur " + std::to_string(sets) + " : "
                + (set > 0 ? "ceux qui le précèdent restent exécutés, " : "") + "ceux qui le suivent n'ont pas été exécutés.";
        endFailedSet(set);
        throw;
    } catch (...) {
        endFailedSet(set);
        throw;
    }
    markSet(set, SQL_PARAM_SUCCESS);
    if (parameterArrays.processed != nullptr)
        *parameterArrays.processed = set + 1;
    m_run.changes += m_changes;
    m_run.pending.clear();
    m_run.pieces.clear();
    m_run.nulls.clear();
}

void Statement::endFailedSet(SQLULEN set)
{
    markSet(set, SQL_PARAM_ERROR);
    if (parameterArrays.processed != nullptr)
        *parameterArrays.processed = set + 1;
    m_run = ParameterRun{};
}

// The value of every parameter of the set, a Null one for those not bound.
std::vector<ParameterValue> Statement::readSet(SQLULEN set) const
{
    std::vector<ParameterValue> values(static_cast<std::size_t>(parameterCount()));
    for (int number = 1; number <= parameterCount(); ++number) {
        const ParameterBinding* binding = boundParameter(number);
        if (binding == nullptr)
            continue;  // a declared parameter the statement does not use
        const ParameterCell cell = cellOf(*binding, parameterArrays, set);
        ParameterSource source;
        source.number = number;
        source.cType = effectiveCType(*binding);
        source.sqlType = binding->sqlType;
        source.use = m_parameterUses[static_cast<std::size_t>(number - 1)];
        source.data = cell.value;
        source.length = cell.indicator != nullptr ? *cell.indicator : SQL_NTS;
        if (cell.indicator == nullptr && source.cType == SQL_C_BINARY)
            source.length = binding->bufferLength;
        if (const auto piece = m_run.pieces.find(number); piece != m_run.pieces.end()) {
            if (fixedSize(source.cType) > piece->second.size() && m_run.nulls.count(number) == 0)
                throw OdbcError{"HY009", "Aucune valeur n'a été donnée au paramètre " + std::to_string(number) + ".", 0};
            source.data = piece->second.data();
            source.length = m_run.nulls.count(number) != 0 ? SQL_NULL_DATA : static_cast<SQLLEN>(piece->second.size());
        }
        values[static_cast<std::size_t>(number - 1)] = readParameterValue(source);
    }
    return values;
}

void Statement::bindValues(sqlite3_stmt* statement, const std::vector<ParameterValue>& values) const
{
    sqlite3_clear_bindings(statement);
    const int slots = std::min(sqlite3_bind_parameter_count(statement), static_cast<int>(values.size()));
    for (int number = 1; number <= slots; ++number)
        bindParameterValue(statement, number, values[static_cast<std::size_t>(number - 1)]);
}

SQLRETURN Statement::paramData(SQLPOINTER* token)
{
    if (!m_run.needsData)
        throw OdbcError{"HY010", "Aucun paramètre n'attend de données.", 0};
    if (m_run.next < m_run.pending.size()) {
        const int number = m_run.pending[m_run.next++];
        m_run.putting = number;
        m_run.pieces[number];  // a parameter given no piece is an empty value
        const ParameterBinding& binding = m_parameterBindings[static_cast<std::size_t>(number - 1)];
        if (token != nullptr)
            *token = const_cast<void*>(cellOf(binding, parameterArrays, m_run.set).value);
        return SQL_NEED_DATA;
    }
    m_run.needsData = false;
    m_run.putting = 0;
    runSet(m_run.set);
    ++m_run.set;
    return continueRun();
}

void Statement::putData(const void* data, SQLLEN length)
{
    if (m_run.putting == 0)
        throw OdbcError{"HY010", "SQLPutData n'est permis qu'après un SQLParamData qui demande une valeur.", 0};
    const int number = m_run.putting;
    const ParameterBinding& binding = m_parameterBindings[static_cast<std::size_t>(number - 1)];
    const SQLSMALLINT cType = effectiveCType(binding);
    std::string& pieces = m_run.pieces[number];
    if (length == SQL_NULL_DATA) {
        m_run.nulls.insert(number);
        return;
    }
    const std::size_t fixed = fixedSize(cType);
    if (fixed != 0) {
        if (!pieces.empty())
            throw OdbcError{"HY019", "Une valeur numérique ou de date se donne en une seule fois.", 0};
        pieces.assign(static_cast<const char*>(data), fixed);
        return;
    }
    if (length == SQL_NTS && (cType == SQL_C_WCHAR || cType == SQL_C_CHAR))
        length = static_cast<SQLLEN>(terminatedByteLength(data, cType));
    if (length < 0)
        throw OdbcError{"HY090", "Longueur invalide pour SQLPutData.", 0};
    pieces.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

}  // namespace kervane::odbc
