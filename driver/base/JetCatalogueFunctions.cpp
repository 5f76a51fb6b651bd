#include "driver/base/JetCatalogueFunctions.h"

#include "driver/base/SchemaQuery.h"
#include "driver/jet/format/JetColumnProperties.h"
#include "driver/jet/file/JetFile.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace kervane::odbc {
namespace {

// A walk of MSysObjects finds one table's properties; past this many tables asked, one walk
// reads them all.
constexpr int kSingleLookups = 8;

// What the catalogue functions read of the file, once per connection: the column properties
// of the tables asked for (only the columns with a default or a required value), and where
// each table stands in the file's list.
struct PropertyCache {
    jet::JetFile* file = nullptr;
    int lookups = 0;
    bool propertiesRead = false;
    std::map<std::string, std::map<std::string, jet::ColumnProperties>> tables;
    std::unordered_map<std::string, std::size_t> positions;  // by lower-case name
};

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Reads the properties of `table`, or of every table when `table` is empty.
void readProperties(sqlite3* db, PropertyCache& cache, const std::string& table)
{
    jet::JetFile* file = cache.file;
    const jet::PropertyTextDecoder decode = [file](const unsigned char* text, std::size_t size) {
        return file->decodeText(text, size);
    };
    if (!table.empty())
        cache.tables[table];  // known from now on, even without any property
    const char* sql = table.empty() ? "SELECT Name, LvProp FROM MSysObjects WHERE Type = 1 AND LvProp IS NOT NULL"
                                    : "SELECT Name, LvProp FROM MSysObjects WHERE Name = ?1 AND Type = 1";
    forEachRow(db, sql, table.empty() ? std::vector<std::string>{} : std::vector<std::string>{table},
               [&](sqlite3_stmt* row) {
                   const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(row, 1));
                   const std::vector<unsigned char> value(bytes, bytes + sqlite3_column_bytes(row, 1));
                   std::map<std::string, jet::ColumnProperties> columns;
                   if (!jet::readColumnProperties(value, decode, columns))
                       return;
                   std::erase_if(columns, [](const auto& column) {
                       return !column.second.defaultValue && !column.second.required;
                   });
                   if (!columns.empty())
                       cache.tables[textAt(row, 0).value_or("")] = std::move(columns);
               });
}

const jet::ColumnProperties* columnProperties(sqlite3* db, PropertyCache& cache, const std::string& table,
                                              const std::string& column)
{
    if (!cache.propertiesRead && !cache.tables.count(table)) {
        cache.propertiesRead = ++cache.lookups > kSingleLookups;
        readProperties(db, cache, cache.propertiesRead ? std::string() : table);
    }
    const auto found = cache.tables.find(table);
    if (found == cache.tables.end())
        return nullptr;
    const auto properties = found->second.find(column);
    return properties == found->second.end() ? nullptr : &properties->second;
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
    const jet::ColumnProperties* found = columnProperties(sqlite3_context_db_handle(context), *cache, table, column);
    if (static_cast<PropertyField>(sqlite3_value_int(arguments[2])) == PropertyField::Required)
        return sqlite3_result_int(context, found != nullptr && found->required ? 1 : 0);
    if (found == nullptr || !found->defaultValue)
        return sqlite3_result_null(context);
    const std::string text = odbcDefault(*found->defaultValue);
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Its position in the file's list of tables; nullopt for a name the file has no table of.
std::optional<std::size_t> tablePosition(PropertyCache& cache, const std::string& table)
{
    if (cache.positions.empty())
        for (std::size_t i = 0; i < cache.file->tables().size(); ++i)
            cache.positions.emplace(lowerCase(cache.file->tables()[i].name), i);
    const auto position = cache.positions.find(lowerCase(table));
    if (position == cache.positions.end())
        return std::nullopt;
    return position->second;
}

void tableReadable(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* cache = static_cast<PropertyCache*>(sqlite3_user_data(context));
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    if (cache->file == nullptr || table == nullptr)
        return sqlite3_result_int(context, 1);
    // Reading the definition checks it; a stored query is no table of the file and stays.
    const auto position = tablePosition(*cache, table);
    std::string ignored;
    const bool readable = !position || cache->file->define(*position, ignored);
    sqlite3_result_int(context, readable ? 1 : 0);
}

// The file's catalogue says which tables Access keeps for itself; a SQLite-format base has only
// the names to go by.
void tableSystem(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* cache = static_cast<PropertyCache*>(sqlite3_user_data(context));
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    if (table == nullptr)
        return sqlite3_result_int(context, 0);
    const std::string name = lowerCase(table);
    bool system = name.rfind("msys", 0) == 0 || name.rfind("sqlite_", 0) == 0;
    if (cache->file != nullptr)
        if (const auto position = tablePosition(*cache, name))
            system = cache->file->tables()[*position].system;
    sqlite3_result_int(context, system ? 1 : 0);
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
    // The functions share the cache; SQLite owns it from here and releases it with the first.
    PropertyCache* shared = cache.get();
    sqlite3_create_function_v2(db, "kervane_column_property", 3, SQLITE_UTF8, cache.release(), sql::GuardedFunction<columnProperty>::call,
                               nullptr, nullptr, releaseCache);
    sqlite3_create_function_v2(db, "kervane_table_readable", 1, SQLITE_UTF8, shared, sql::GuardedFunction<tableReadable>::call, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "kervane_system_table", 1, SQLITE_UTF8, shared, sql::GuardedFunction<tableSystem>::call, nullptr, nullptr,
                               nullptr);
}

}  // namespace kervane::odbc
