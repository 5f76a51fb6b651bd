#include "driver/sql/SchemaCatalogue.h"

#include "driver/sql/functions/Characters.h"

#include <sqlite3.h>

#include <memory>

namespace kervane::sql {
namespace {

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, Finalizer>;

StatementPtr prepared(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return StatementPtr(statement);
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text) : std::string();
}

}  // namespace

std::string foldedName(std::string_view name)
{
    return lowerCaseText(name);
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && foldedName(a) == foldedName(b);
}

const CatalogueColumn* CatalogueTable::column(std::string_view columnName) const
{
    for (const CatalogueColumn& candidate : columns)
        if (sameName(candidate.name, columnName))
            return &candidate;
    return nullptr;
}

void SchemaCatalogue::refresh()
{
    long long version = -1;
    if (StatementPtr statement = prepared(m_db, "PRAGMA schema_version");
        statement && sqlite3_step(statement.get()) == SQLITE_ROW)
        version = sqlite3_column_int64(statement.get(), 0);
    if (version != m_version || version < 0) {
        m_tables.clear();
        m_version = version;
    }
}

const CatalogueTable* SchemaCatalogue::find(std::string_view name)
{
    const std::string key = foldedName(name);
    auto found = m_tables.find(key);
    if (found == m_tables.end())
        found = m_tables.emplace(key, read(name)).first;
    return found->second ? &*found->second : nullptr;
}

std::optional<CatalogueTable> SchemaCatalogue::read(std::string_view name) const
{
    StatementPtr lookup = prepared(m_db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 "
                                         "COLLATE NOCASE");
    if (!lookup)
        return std::nullopt;
    sqlite3_bind_text(lookup.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    CatalogueTable table;
    // SQLite's own catalogue (sqlite_master) is not listed in itself, but may be read.
    const bool listed = sqlite3_step(lookup.get()) == SQLITE_ROW;
    table.name = listed ? columnText(lookup.get(), 0) : std::string(name);
    table.view = listed && columnText(lookup.get(), 1) == "view";
    StatementPtr columns = prepared(m_db, "SELECT name, type FROM pragma_table_xinfo(?1) WHERE hidden IN (0, 2, 3)");
    if (!columns)
        return std::nullopt;
    sqlite3_bind_text(columns.get(), 1, table.name.c_str(), static_cast<int>(table.name.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(columns.get()) == SQLITE_ROW) {
        CatalogueColumn column;
        column.name = columnText(columns.get(), 0);
        column.declared = columnText(columns.get(), 1);
        column.type = typeFromDeclaration(column.declared);
        table.columns.push_back(std::move(column));
    }
    // A listed view whose columns cannot be read stays known: reading it gives SQLite's reason.
    if (table.columns.empty() && !listed)
        return std::nullopt;
    return table;
}

}  // namespace kervane::sql
