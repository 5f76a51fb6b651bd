#include "driver/sql/SchemaCatalogue.h"

#include "driver/semantics/Characters.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/SqliteStatement.h"

#include <sqlite3.h>

namespace kervane::sql {
namespace {

// A base another program holds is not a base without tables: that failure is the caller's to
// report, never read as "no such table".
void refuseWhenUnreadable(int rc)
{
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_IOERR || primary == SQLITE_NOMEM)
        throw SchemaUnreadable(rc);
}

StatementPtr prepared(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
        rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        refuseWhenUnreadable(rc);
        return nullptr;
    }
    return StatementPtr(statement);
}

// sqlite3_step, with a failure to read the schema refused as above.
int stepped(sqlite3_stmt* statement)
{
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        refuseWhenUnreadable(rc);
    return rc;
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

namespace {

// "name" 0x1F "text" 0x1E, for each column that has one: its default value, or its calculation.
void setColumnTexts(const std::string& listed, CatalogueTable& table, std::string CatalogueColumn::*text)
{
    std::size_t at = 0;
    while (at < listed.size()) {
        const std::size_t end = std::min(listed.find('\x1e', at), listed.size());
        const std::size_t split = listed.find('\x1f', at);
        if (split < end)
            for (CatalogueColumn& column : table.columns)
                if (sameName(column.name, std::string_view(listed).substr(at, split - at)))
                    column.*text = listed.substr(split + 1, end - split - 1);
        at = end + 1;
    }
}

// What the driver's function `function` (kv_jet_defaults, kv_jet_calculations, kv_jet_complex) lists of the
// table's columns; nothing for a SQLite base, which has no such function.
void readColumnTexts(sqlite3* db, const char* function, CatalogueTable& table, std::string CatalogueColumn::*text)
{
    if (StatementPtr listed = prepared(db, std::string("SELECT ") + function + "(?1)")) {
        sqlite3_bind_text(listed.get(), 1, table.name.c_str(), static_cast<int>(table.name.size()), SQLITE_TRANSIENT);
        if (stepped(listed.get()) == SQLITE_ROW)
            setColumnTexts(columnText(listed.get(), 0), table, text);
    }
}

}  // namespace

const CatalogueTable* SchemaCatalogue::findWithDefaults(std::string_view name)
{
    const CatalogueTable* found = find(name);
    if (found == nullptr || found->defaultsRead)
        return found;
    CatalogueTable& table = *m_tables[foldedName(name)];
    table.defaultsRead = true;
    // The tables of an Access file say their columns' default values and calculations through
    // the driver; a SQLite base's own defaults are SQLite's.
    if (!table.view) {
        readColumnTexts(m_db, "kv_jet_defaults", table, &CatalogueColumn::defaultValue);
        readColumnTexts(m_db, "kv_jet_calculations", table, &CatalogueColumn::calculation);
        readColumnTexts(m_db, "kv_jet_complex", table, &CatalogueColumn::complexValues);
    }
    return &table;
}

bool SchemaCatalogue::declareMissing() const
{
    constexpr std::string_view kMissing = "no such table: ";
    const std::string_view message = sqlite3_errmsg(m_db);
    if (!m_declare || !message.starts_with(kMissing))
        return false;
    const std::string name(message.substr(kMissing.size()));
    const Declared declared = m_declare(name);
    if (declared == Declared::Unneeded && name.starts_with("main."))
        return m_declare(std::string_view(name).substr(5)) == Declared::Now;
    return declared == Declared::Now;
}

std::optional<CatalogueTable> SchemaCatalogue::read(std::string_view name) const
{
    StatementPtr lookup = prepared(m_db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 "
                                         "COLLATE NOCASE");
    if (!lookup)
        return std::nullopt;
    sqlite3_bind_text(lookup.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    CatalogueTable table;
    // SQLite's own catalogue (sqlite_master) is not listed in itself, but may be read. A table
    // not declared yet is declared now.
    bool listed = stepped(lookup.get()) == SQLITE_ROW;
    if (!listed && m_declare) {
        // A table that cannot be declared (its definition unreadable) fails the statement with
        // SQLite's reason, not as a name unknown.
        const Declared declared = m_declare(name);
        if (declared == Declared::Refused)
            throw SchemaUnreadable(sqlite3_extended_errcode(m_db), sqlite3_errmsg(m_db));
        sqlite3_reset(lookup.get());
        listed = declared == Declared::Now && stepped(lookup.get()) == SQLITE_ROW;
    }
    table.name = listed ? columnText(lookup.get(), 0) : std::string(name);
    table.view = listed && columnText(lookup.get(), 1) == "view";
    StatementPtr columns = prepared(m_db, "SELECT name, type FROM pragma_table_xinfo(?1) WHERE hidden IN (0, 2, 3)");
    if (!columns)
        return std::nullopt;
    sqlite3_bind_text(columns.get(), 1, table.name.c_str(), static_cast<int>(table.name.size()), SQLITE_TRANSIENT);
    while (stepped(columns.get()) == SQLITE_ROW) {
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
