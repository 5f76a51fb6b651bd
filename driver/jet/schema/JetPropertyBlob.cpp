#include "driver/jet/schema/JetPropertyBlob.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/semantics/UtfCoding.h"

#include <cstdint>

namespace kervane::jet {
namespace {

constexpr std::uint16_t kPropertyNamesChunk = 0x80;
constexpr std::uint16_t kColumnPropertiesChunk = 0x01;
constexpr unsigned char kPropertySetByDesign = 0x01;
constexpr unsigned char kYesNoValue = 1;
constexpr unsigned char kMemoValue = 12;
constexpr std::uint16_t kDefaultValueName = 0;  // places in the names chunk written below
constexpr std::uint16_t kRequiredName = 1;

struct PropertyText {
    bool jet3;
    int codePage;

    bool encode(const std::string& text, std::vector<unsigned char>& out, std::string& error) const
    {
        out.clear();
        if (jet3) {
            std::string refused;
            if (toCodePage(codePage, text, out, refused))
                return true;
            error = "Le texte « " + text + " » contient « " + refused + " », que la page de code du fichier "
                    "Access 97 ne connaît pas.";
            return false;
        }
        const std::u16string units = sql::utf16FromUtf8(text, sql::IllFormed::Replace).value_or(std::u16string());
        for (char16_t unit : units)
            appendLittleEndian<std::uint16_t>(out, static_cast<std::uint16_t>(unit));
        return true;
    }
};

void appendChunk(std::vector<unsigned char>& blob, std::uint16_t kind, const std::vector<unsigned char>& body)
{
    appendLittleEndian<std::uint32_t>(blob, static_cast<std::uint32_t>(body.size() + 6));
    appendLittleEndian<std::uint16_t>(blob, kind);
    blob.insert(blob.end(), body.begin(), body.end());
}

void appendProperty(std::vector<unsigned char>& body, unsigned char type, std::uint16_t name,
                    const std::vector<unsigned char>& value)
{
    appendLittleEndian<std::uint16_t>(body, static_cast<std::uint16_t>(value.size() + 8));
    body.push_back(kPropertySetByDesign);
    body.push_back(type);
    appendLittleEndian<std::uint16_t>(body, name);
    appendLittleEndian<std::uint16_t>(body, static_cast<std::uint16_t>(value.size()));
    body.insert(body.end(), value.begin(), value.end());
}

}  // namespace

bool columnPropertyBlob(const JetNewTable& table, bool jet3, int codePage, std::vector<unsigned char>& blob,
                        std::string& error)
{
    blob.clear();
    const PropertyText text{jet3, codePage};
    std::vector<unsigned char> names;
    std::vector<unsigned char> encoded;
    for (const char* name : {"DefaultValue", "Required"}) {
        text.encode(name, encoded, error);
        appendLittleEndian<std::uint16_t>(names, static_cast<std::uint16_t>(encoded.size()));
        names.insert(names.end(), encoded.begin(), encoded.end());
    }
    std::vector<std::vector<unsigned char>> columns;
    for (const JetNewColumn& column : table.columns) {
        if (!column.required && !column.defaultValue)
            continue;
        std::vector<unsigned char> body;
        if (!text.encode(column.name, encoded, error))
            return false;
        appendLittleEndian<std::uint32_t>(body, static_cast<std::uint32_t>(encoded.size() + 6));
        appendLittleEndian<std::uint16_t>(body, static_cast<std::uint16_t>(encoded.size()));
        body.insert(body.end(), encoded.begin(), encoded.end());
        if (column.defaultValue) {
            if (!text.encode(*column.defaultValue, encoded, error))
                return false;
            if (encoded.size() > 0xffff - 8) {
                error = "La valeur par défaut de la colonne « " + column.name + " » est trop longue.";
                return false;
            }
            appendProperty(body, kMemoValue, kDefaultValueName, encoded);
        }
        if (column.required)
            appendProperty(body, kYesNoValue, kRequiredName, {0x01});
        columns.push_back(std::move(body));
    }
    if (columns.empty())
        return true;
    blob = jet3 ? std::vector<unsigned char>{'K', 'K', 'D', 0} : std::vector<unsigned char>{'M', 'R', '2', 0};
    appendChunk(blob, kPropertyNamesChunk, names);
    for (const std::vector<unsigned char>& body : columns)
        appendChunk(blob, kColumnPropertiesChunk, body);
    return true;
}

}  // namespace kervane::jet
