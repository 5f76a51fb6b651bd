#include "driver/jet/module/JetColumnDesign.h"

#include "driver/jet/format/JetPages.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/semantics/Characters.h"

#include <unordered_map>
#include <vector>

namespace kervane::jet {
namespace {

// The file's pages as its reader sees them, for the catalogue's lookups; never changed.
class ReadOnlyPages final : public JetPages {
public:
    explicit ReadOnlyPages(JetFile& file) : m_file(file) {}

    std::size_t pageSize() const override { return static_cast<std::size_t>(m_file.format().pageSize); }
    std::uint32_t pageCount() const override { return m_file.pageCount(); }
    const unsigned char* read(std::uint32_t page) override
    {
        auto found = m_read.find(page);
        if (found != m_read.end())
            return found->second.data();
        std::vector<unsigned char> bytes(pageSize());
        if (page >= pageCount() || !m_file.readPage(page, bytes.data()))
            return nullptr;
        return m_read.emplace(page, std::move(bytes)).first->second.data();
    }
    unsigned char* change(std::uint32_t) override { return nullptr; }
    std::uint32_t append() override { return 0; }

private:
    JetFile& m_file;
    std::unordered_map<std::uint32_t, std::vector<unsigned char>> m_read;
};

}  // namespace

std::map<std::string, ColumnProperties> columnDesign(JetFile& file, const JetTable& table, JetPages* pages)
{
    ReadOnlyPages own(file);
    std::vector<unsigned char> bytes;
    std::string error;
    std::map<std::string, ColumnProperties> columns;
    if (!tableProperties(pages != nullptr ? *pages : own, table.definitionPage, bytes, error) || bytes.empty())
        return columns;
    const PropertyTextDecoder decode = [&file](const unsigned char* text, std::size_t size) {
        return file.decodeText(text, size);
    };
    if (!readColumnProperties(bytes, decode, columns))
        columns.clear();
    return columns;
}

const ColumnProperties* designOf(const std::map<std::string, ColumnProperties>& design, const std::string& column)
{
    for (const auto& [name, properties] : design)
        if (sql::equalIgnoringAsciiCase(name, column))
            return &properties;
    return nullptr;
}

}  // namespace kervane::jet
