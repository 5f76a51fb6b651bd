#include "driver/JetCatalogueFunctions.h"

#include "driver/SchemaQuery.h"
#include "driver/jet/JetColumnProperties.h"
#include "driver/jet/JetFile.h"

#include <cctype>
#include <map>
#include <memory>
#include <string>

namespace kervane::odbc {
namespace {

// The properties of each table asked for, read once per connection.
struct PropertyCache {
    jet::JetFile* file = nullptr;
    std::map<std::string, std::map<std::string, jet::ColumnProperties>> tables;
};

const std::map<std::string, jet::ColumnProperties>& tableProperties(sqlite3* db, PropertyCache& cache,
                                                                   const std::string& table)
{
    const auto known = cache.tables.find(table);
    if (known != cache.tables.end())
        return known->second;
    std::vector<unsigned char> value;
    forEachRow(db, "SELECT LvProp FROM MSysObjects WHERE Name = ?1 AND Type = 1", {table}, [&value](sqlite3_stmt* row) {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(row, 0));
        value.assign(bytes, bytes + sqlite3_column_bytes(row, 0));
    });
    std::map<std::string, jet::ColumnProperties> columns;
    jet::JetFile* file = cache.file;
    jet::readColumnProperties(value, [file](const unsigned char* text, std::size_t size) {
        return file->decodeText(text, size);
    }, columns);
    return cache.tables[table] = std::move(columns);
}

// Access keeps a default as typed ("0", "\"Lyon\"", "=Date()"); ODBC writes a text between
// single quotes, a number or an expression as it is.
std::string odbcDefault(std::string text)
{
    if (!text.empty() && text.front() == '=')
        text.erase(0, 1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.erase(0, 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string quoted = "'";
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == '"' && text[i + 1] == '"' && i + 2 < text.size())
                ++i;
            quoted += text[i] == '\'' ? std::string("''") : std::string(1, text[i]);
        }
        return quoted + "'";
    }
    return text;
}

void columnProperty(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* cache = static_cast<PropertyCache*>(sqlite3_user_data(context));
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const auto* column = reinterpret_cast<const char*>(sqlite3_value_text(arguments[1]));
    if (cache->file == nullptr || table == nullptr || column == nullptr)
        return sqlite3_result_null(context);
    const auto& columns = tableProperties(sqlite3_context_db_handle(context), *cache, table);
    const auto found = columns.find(column);
    if (found == columns.end())
        return sqlite3_result_null(context);
    if (static_cast<PropertyField>(sqlite3_value_int(arguments[2])) == PropertyField::Required)
        return sqlite3_result_int(context, found->second.required ? 1 : 0);
    if (!found->second.defaultValue)
        return sqlite3_result_null(context);
    const std::string text = odbcDefault(*found->second.defaultValue);
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void tableReadable(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* cache = static_cast<PropertyCache*>(sqlite3_user_data(context));
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    if (cache->file == nullptr || table == nullptr)
        return sqlite3_result_int(context, 1);
    // Reading the definition checks it; a stored query is no table of the file and stays.
    bool known = false;
    for (const jet::JetTable& listed : cache->file->tables())
        known = known || sameName(listed.name, table);
    sqlite3_result_int(context, !known || cache->file->table(table) != nullptr ? 1 : 0);
}

void releaseCache(void* cache)
{
    const std::unique_ptr<PropertyCache> owned(static_cast<PropertyCache*>(cache));
}

}  // namespace

void registerJetCatalogueFunctions(sqlite3* db, jet::JetFile* file)
{
    auto cache = std::make_unique<PropertyCache>();
    cache->file = file;
    // Both functions share the cache; SQLite owns it from here and releases it with the first.
    PropertyCache* shared = cache.get();
    sqlite3_create_function_v2(db, "kervane_column_property", 3, SQLITE_UTF8, cache.release(), columnProperty,
                               nullptr, nullptr, releaseCache);
    sqlite3_create_function_v2(db, "kervane_table_readable", 1, SQLITE_UTF8, shared, tableReadable, nullptr, nullptr,
                               nullptr);
}

}  // namespace kervane::odbc
