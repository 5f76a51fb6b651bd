#include "bench/FrontEndBench.h"

#include "driver/sql/Parser.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/Translator.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace kervane::banc {
namespace {

constexpr int REPEATS = 200;

double bestOf(const std::function<void()>& body)
{
    double best = 1e9;
    for (int i = 0; i < REPEATS; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

}  // namespace

double translationSeconds(const std::string& path, const std::string& accessSql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    double seconds = 0;
    {
        sql::SchemaCatalogue catalogue(db);
        seconds = bestOf([&] { sql::translate(accessSql, catalogue); });
    }
    sqlite3_close(db);
    return seconds;
}

std::string longStatement(std::size_t bytes)
{
    std::string sql = "SELECT TOP 100 m.ID, m.NOM & ' (' & m.VILLE & ')' AS Libellé, Format(m.JOUR, 'dd/mm/yyyy'), "
                      "IIf(m.ACTIF, 'oui', 'non') FROM MOUVEMENT AS m WHERE m.ACTIF = True AND (m.ID = 0";
    for (int i = 1; sql.size() < bytes; ++i)
        sql += " OR (m.NOM Like 'Client numéro " + std::to_string(i) + "*' AND m.MONTANT BETWEEN " + std::to_string(i)
            + " AND " + std::to_string(i * 2) + " AND [m].[JOUR] > #1/" + std::to_string(i % 28 + 1) + "/2021#)";
    return sql + ") ORDER BY m.NOM DESC, m.ID";
}

double parseSeconds(const std::string& statement)
{
    return bestOf([&] { sql::parseStatement(statement); });
}

}  // namespace kervane::banc
