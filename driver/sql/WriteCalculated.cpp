// The columns Access calculates (Access 2010 and later): every statement that inserts or changes
// a row gives them the value of their expression over the row's new values, as Access does, the
// expression written by the same writer as any other, with the same functions.
#include "driver/semantics/Characters.h"
#include "driver/sql/Parser.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"

#include <algorithm>

namespace kervane::sql {
namespace calculated {

struct Calculation {
    const CatalogueColumn* column = nullptr;
    ExprPtr expr;
    std::vector<std::vector<std::string>> reads;  // the names of the columns it reads
};

[[noreturn]] void refuseCalculation(const CatalogueColumn& column, const std::string& why)
{
    throw SqlError("HY000", "L'expression « " + column.calculation + " » de la colonne calculée « " + column.name +
                                " » ne peut pas être calculée ici (" + why + ") : la ligne n'a pas été écrite.");
}

ExprPtr parsedCalculation(const CatalogueColumn& column)
{
    ExprPtr expr;
    try {
        expr = parseExpression(column.calculation);
    } catch (const SqlError& error) {
        refuseCalculation(column, error.what());
    }
    if (!expr)
        refuseCalculation(column, "expression vide");
    return expr;
}

// The SQL of a calculation over the row `scope` gives.
std::string writtenCalculation(Writer& writer, const Calculation& calculation, const Scope& scope)
{
    try {
        return storedValue(writer.expression(*calculation.expr, scope), *calculation.column);
    } catch (const SqlError& error) {
        refuseCalculation(*calculation.column, error.what());
    }
}

}  // namespace calculated

using namespace calculated;

void refuseCalculatedTarget(const CatalogueColumn& column)
{
    if (!column.calculation.empty())
        throw SqlError("HY000", "La colonne « " + column.name +
                                    " » est calculée par Access : elle ne reçoit pas de valeur d'une instruction.");
}

std::vector<std::pair<const CatalogueColumn*, std::string>> calculatedValues(Writer& writer, const CatalogueTable& table,
                                                                            Scope scope)
{
    std::vector<Calculation> pending;
    for (const CatalogueColumn& column : table.columns) {
        if (column.calculation.empty())
            continue;
        Calculation calculation{&column, parsedCalculation(column), {}};
        columnNamesRead(*calculation.expr, calculation.reads);
        pending.push_back(std::move(calculation));
    }
    std::vector<std::pair<const CatalogueColumn*, std::string>> written;
    const auto waiting = [&](const std::vector<std::string>& names) {
        return std::any_of(pending.begin(), pending.end(),
                           [&](const Calculation& c) { return sameName(c.column->name, names.back()); });
    };
    while (!pending.empty()) {
        const auto ready = std::find_if(pending.begin(), pending.end(), [&](const Calculation& c) {
            return std::none_of(c.reads.begin(), c.reads.end(), waiting);
        });
        if (ready == pending.end())
            throw SqlError("HY000", "Les colonnes calculées de la table « " + table.name +
                                        " » se lisent l'une l'autre : la ligne n'a pas été écrite.");
        const std::string sql = writtenCalculation(writer, *ready, scope);
        const auto known = std::find_if(scope.values.begin(), scope.values.end(),
                                        [&](const ColumnValue& v) { return v.column == ready->column; });
        if (known != scope.values.end())
            known->sql = sql;
        else
            scope.values.push_back({sql, ready->column});
        written.emplace_back(ready->column, sql);
        pending.erase(ready);
    }
    return written;
}

}  // namespace kervane::sql
