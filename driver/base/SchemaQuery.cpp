#include "driver/base/SchemaQuery.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace kervane::odbc {
namespace {

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};

}  // namespace

bool sameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool nameBefore(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

bool forEachRow(sqlite3* db, const char* sql, const std::vector<std::string>& arguments,
                const std::function<void(sqlite3_stmt*)>& row)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, Finalizer> statement(raw);
    for (std::size_t i = 0; i < arguments.size(); ++i)
        sqlite3_bind_text(raw, static_cast<int>(i) + 1, arguments[i].c_str(), static_cast<int>(arguments[i].size()),
                          SQLITE_TRANSIENT);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
        row(raw);
    return rc == SQLITE_DONE;
}

std::optional<std::string> textAt(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

std::optional<std::string> schemaName(sqlite3* db, const std::string& name)
{
    std::optional<std::string> found;
    forEachRow(db, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
               {name}, [&found](sqlite3_stmt* row) {
                   if (!found)
                       found = textAt(row, 0);
               });
    return found;
}

}  // namespace kervane::odbc
