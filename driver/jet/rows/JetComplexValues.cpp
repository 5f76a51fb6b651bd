#include "driver/jet/rows/JetComplexValues.h"

#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetMessages.h"
#include "driver/jet/rows/JetCursor.h"
#include "driver/semantics/Characters.h"

#include <mdbtools.h>

#include <algorithm>
#include <charconv>
#include <vector>

namespace kervane::jet {
namespace complexvalues {

// Where each field of the hidden table lies among its columns.
struct FlatColumns {
    int key = -1;    // the Long that names the owning row
    int order = -1;  // the AutoNumber that orders the values
    int value = -1;  // the value shown
};

int columnNamed(const JetTable& table, std::string_view name)
{
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (sql::equalIgnoringAsciiCase(table.columns[c].name, name))
            return static_cast<int>(c);
    return -1;
}

std::optional<std::int64_t> number(JetCursor& cursor, int column, std::string& error)
{
    SqlValue value;
    if (column < 0 || !cursor.value(column, value, error) || value.kind != SqlValue::Kind::Integer)
        return std::nullopt;
    return value.integer;
}

// The hidden table and the table of the value's type that MSysComplexColumns gives the column.
bool complexTables(JetFile& file, std::uint32_t complexId, const JetTable*& flat, const JetTable*& type,
                   std::string& error)
{
    const JetTable* catalogue = file.table("MSysComplexColumns");
    if (catalogue == nullptr) {
        error = messageUnreadable(file.path(), "catalogue des colonnes à valeurs multiples illisible");
        return false;
    }
    const int id = columnNamed(*catalogue, "ComplexID");
    const int flatId = columnNamed(*catalogue, "FlatTableID");
    const int typeId = columnNamed(*catalogue, "ComplexTypeObjectID");
    JetCursor rows(file, *catalogue);
    for (bool more = rows.rewind(error); more && !rows.atEnd(); more = rows.next(error)) {
        if (number(rows, id, error) != std::int64_t{complexId})
            continue;
        const std::optional<std::int64_t> flatPage = number(rows, flatId, error);
        const std::optional<std::int64_t> typePage = number(rows, typeId, error);
        if (!flatPage || !typePage)
            break;
        flat = file.tableOnPage(definitionPageOfId(*flatPage), error);
        type = flat == nullptr ? nullptr : file.tableOnPage(definitionPageOfId(*typePage), error);
        return type != nullptr;
    }
    if (error.empty())
        error = messageUnreadable(file.path(), "colonne à valeurs multiples " + std::to_string(complexId) +
                                                   " absente de son catalogue");
    return false;
}

// The hidden table holds the type's columns, an AutoNumber and the Long key: an attachment
// shows its file name, a list its one value, a memo's history its text.
FlatColumns flatColumns(const JetTable& flat, const JetTable& type)
{
    FlatColumns found;
    for (std::size_t c = 0; c < flat.columns.size(); ++c) {
        const JetColumn& column = flat.columns[c];
        if (columnNamed(type, column.name) >= 0)
            continue;
        if (column.info.autoNumber)
            found.order = static_cast<int>(c);
        else if (column.info.type == MDB_LONGINT)
            found.key = static_cast<int>(c);
    }
    found.value = columnNamed(flat, "FileName");
    for (std::size_t c = 0; found.value < 0 && c < type.columns.size(); ++c)
        if (type.columns.size() == 1 || type.columns[c].info.type == MDB_MEMO || type.columns[c].info.type == MDB_TEXT)
            found.value = columnNamed(flat, type.columns[c].name);
    return found;
}

std::string text(const SqlValue& value)
{
    switch (value.kind) {
    case SqlValue::Kind::Integer: return std::to_string(value.integer);
    case SqlValue::Kind::Real: {
        char buffer[32];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value.real).ptr);
    }
    case SqlValue::Kind::Text: return value.bytes;
    default: return {};
    }
}

}  // namespace complexvalues

bool JetComplexValues::load(JetFile& file, std::uint32_t complexId, std::string& error)
{
    m_joined.clear();
    const JetTable* flat = nullptr;
    const JetTable* type = nullptr;
    if (!complexvalues::complexTables(file, complexId, flat, type, error))
        return false;
    const complexvalues::FlatColumns columns = complexvalues::flatColumns(*flat, *type);
    if (columns.key < 0 || columns.value < 0) {
        error = messageDamagedTable(file.path(), flat->name, "colonnes de valeurs introuvables");
        return false;
    }
    std::map<std::uint32_t, std::vector<std::pair<std::int64_t, std::string>>> values;
    JetCursor rows(file, *flat);
    for (bool more = rows.rewind(error); more && !rows.atEnd(); more = rows.next(error)) {
        const std::optional<std::int64_t> key = complexvalues::number(rows, columns.key, error);
        SqlValue value;
        if (!key || !rows.value(columns.value, value, error))
            continue;
        const std::int64_t order = complexvalues::number(rows, columns.order, error).value_or(0);
        values[static_cast<std::uint32_t>(*key)].emplace_back(order, complexvalues::text(value));
    }
    if (!error.empty())
        return false;
    for (auto& [key, list] : values) {
        std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string& joined = m_joined[key];
        for (const auto& [order, value] : list)
            joined += (joined.empty() ? "" : "; ") + value;
    }
    return true;
}

std::optional<std::string> JetComplexValues::joined(std::uint32_t key) const
{
    const auto found = m_joined.find(key);
    return found == m_joined.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool complexTableOf(JetFile& file, std::uint32_t complexId, const JetTable*& flat, std::string& keyColumn,
                    std::string& error)
{
    const JetTable* type = nullptr;
    if (!complexvalues::complexTables(file, complexId, flat, type, error))
        return false;
    const int key = complexvalues::flatColumns(*flat, *type).key;
    if (key < 0) {
        error = messageDamagedTable(file.path(), flat->name, "colonne des clés introuvable");
        return false;
    }
    keyColumn = flat->columns[static_cast<std::size_t>(key)].name;
    return true;
}

bool complexRowsOf(JetFile& file, std::uint32_t complexId, std::uint32_t key, const JetTable*& flat,
                   std::vector<RowPosition>& rows, std::string& error)
{
    rows.clear();
    const JetTable* type = nullptr;
    if (!complexvalues::complexTables(file, complexId, flat, type, error))
        return false;
    const complexvalues::FlatColumns columns = complexvalues::flatColumns(*flat, *type);
    if (columns.key < 0) {
        error = messageDamagedTable(file.path(), flat->name, "colonne des clés introuvable");
        return false;
    }
    JetCursor walk(file, *flat);
    for (bool more = walk.rewind(error); more && !walk.atEnd(); more = walk.next(error))
        if (complexvalues::number(walk, columns.key, error) == std::int64_t{key})
            rows.push_back(walk.position());
    return error.empty();
}

}  // namespace kervane::jet
