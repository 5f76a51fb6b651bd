#include "driver/jet/module/JetColumnDesign.h"

#include "driver/jet/format/JetPages.h"
#include "driver/jet/module/JetReadOnlyPages.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/semantics/Characters.h"

#include <vector>

namespace kervane::jet {

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
