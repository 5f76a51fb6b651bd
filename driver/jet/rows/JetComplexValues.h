#pragma once
// The values of a complex column of Access 2007 and later (a multi-value list, attachments, the
// history of an append-only memo), kept in a hidden table that MSysComplexColumns names by the
// column's complex id: each row of the hidden table holds one value and, in a Long column, the
// key the owning row keeps in the complex column. A row's values read as their texts joined by
// "; " in the order they were added: the list's values, the attachments' file names, the memo's
// versions.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

class JetFile;
struct JetTable;
struct RowPosition;

// The hidden table of the complex column `complexId` and the name of its column holding the key
// of the owning row; false with a French message when they cannot be read.
bool complexTableOf(JetFile& file, std::uint32_t complexId, const JetTable*& flat, std::string& keyColumn,
                    std::string& error);
// The hidden table of the complex column `complexId`, and where its rows holding the key `key`
// (the values of one row of the column's table) lie; false with a French message when the
// catalogue of complex columns or that table cannot be read.
bool complexRowsOf(JetFile& file, std::uint32_t complexId, std::uint32_t key, const JetTable*& flat,
                   std::vector<RowPosition>& rows, std::string& error);

class JetComplexValues {
public:
    // Reads the hidden table of the complex column `complexId` whole; false with a French message
    // when the catalogue of complex columns or that table cannot be read.
    bool load(JetFile& file, std::uint32_t complexId, std::string& error);
    // The values of the row whose complex column holds `key`; none when it has none.
    std::optional<std::string> joined(std::uint32_t key) const;

private:
    std::map<std::uint32_t, std::string> m_joined;
};

}  // namespace kervane::jet
