#pragma once
// The tables, views and columns of a connection, with their Access types, as the writer needs
// them to type expressions. Read lazily, table by table, and forgotten when the schema changes.
#include "driver/semantics/AccessType.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kervane::sql {

struct CatalogueColumn {
    std::string name;
    std::string declared;  // the declared type as written ("TEXT(50)"), empty when none
    AccessType type = AccessType::Unknown;
    // The default value an INSERT leaving the column out gives it, as Access keeps it ("0",
    // "\"Lyon\"", "=Now()"); empty when none (a column of an Access file's table only).
    std::string defaultValue;
    // A column Access calculates: the expression (Access's own, "[Nom] & \", \" & [Prénom]") that
    // gives its values; empty for any other column.
    std::string calculation;
    // A complex column (lists of values, attachments): its hidden table, 0x1F, and that table's
    // column holding the owning row's key; empty for any other column.
    std::string complexValues;
};

// The hidden column of an Access file's table that holds a complex column's key: the column's
// name followed by this.
inline constexpr std::string_view COMPLEX_KEY_SUFFIX = ".kv_cle";

struct CatalogueTable {
    std::string name;  // as stored
    std::vector<CatalogueColumn> columns;
    bool view = false;
    bool defaultsRead = false;  // the columns' default values and calculations asked for (findWithDefaults)

    const CatalogueColumn* column(std::string_view columnName) const;
};

class SchemaCatalogue {
public:
    explicit SchemaCatalogue(sqlite3* db) : m_db(db) {}

    // The table or view named so (without regard to case), or nullptr when there is none.
    const CatalogueTable* find(std::string_view name);
    // The same with its columns' default values, read the first time an INSERT needs them.
    const CatalogueTable* findWithDefaults(std::string_view name);
    // Called before each statement: forgets everything when the schema has changed since.
    void refresh();
    sqlite3* database() const noexcept { return m_db; }

    // How a table not yet declared to SQLite is declared when a statement names it (the tables
    // of an Access file). A refusal leaves SQLite's reason as the connection's last error.
    enum class Declared { Now, Unneeded, Refused };
    using Declarer = std::function<Declared(std::string_view name)>;
    void declareWith(Declarer declarer) { m_declare = std::move(declarer); }
    // After a statement failed to compile: declares the table SQLite said it lacks; true when
    // one was declared, and the statement may be compiled again. After a refusal, the
    // connection's last error says why the table cannot be declared.
    bool declareMissing() const;

private:
    std::optional<CatalogueTable> read(std::string_view name) const;

    sqlite3* m_db;
    Declarer m_declare;
    long long m_version = -1;
    std::map<std::string, std::optional<CatalogueTable>> m_tables;  // by folded name
};

// Names compare without regard to case, accented capitals included (É = é).
std::string foldedName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

}  // namespace kervane::sql
