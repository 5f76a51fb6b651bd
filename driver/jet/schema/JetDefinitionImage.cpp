#include "driver/jet/schema/JetDefinitionImage.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/semantics/UtfCoding.h"

#include <algorithm>

namespace kervane::jet {
namespace {

constexpr int kLongestChain = 64;

// Takes `size` bytes at `at` into `out`; false past the end.
bool take(const std::vector<unsigned char>& b, std::size_t& at, std::size_t size, std::vector<unsigned char>& out)
{
    if (at + size > b.size())
        return false;
    out.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + size));
    at += size;
    return true;
}

bool takeName(const std::vector<unsigned char>& b, std::size_t& at, const JetFileFormat& format,
              std::vector<unsigned char>& out)
{
    const auto lengthSize = static_cast<std::size_t>(format.nameLengthSize);
    if (at + lengthSize > b.size())
        return false;
    const std::size_t length = lengthSize == 1 ? b[at] : readUInt16(b.data(), static_cast<int>(at));
    return take(b, at, lengthSize + length, out);
}

// The pages of the definition's chain from `page`; a page of zeros (one just taken) ends it.
bool chainOf(JetPages& pages, std::uint32_t page, std::vector<std::uint32_t>& chain)
{
    while (page != 0) {
        const unsigned char* bytes = pages.read(page);
        if (bytes == nullptr || (bytes[0] != kDefinitionPage && bytes[0] != 0) ||
            static_cast<int>(chain.size()) > kLongestChain ||
            std::find(chain.begin(), chain.end(), page) != chain.end())
            return false;
        chain.push_back(page);
        page = bytes[0] == 0 ? 0 : readUInt32(bytes, kDefinitionNextPage);
    }
    return true;
}


}  // namespace

bool readDefinitionImage(const std::vector<unsigned char>& b, const JetFileFormat& f, JetDefinitionImage& image)
{
    image = {};
    image.format = &f;
    std::size_t at = 0;
    if (!take(b, at, static_cast<std::size_t>(f.definitionFirstBlock), image.header))
        return false;
    const std::uint32_t realCount = readUInt32(b.data(), f.definitionRealIndexes);
    const std::uint32_t logicalCount = readUInt32(b.data(), f.definitionLogicalIndexes);
    const int columnCount = readUInt16(b.data(), f.definitionColumnCount);
    if (realCount > 1000 || logicalCount > 1000)
        return false;
    image.indexCounts.resize(realCount);
    for (auto& count : image.indexCounts)
        if (!take(b, at, static_cast<std::size_t>(f.realIndexSize), count))
            return false;
    image.columns.resize(static_cast<std::size_t>(columnCount));
    for (auto& column : image.columns)
        if (!take(b, at, static_cast<std::size_t>(f.columnSize), column.block))
            return false;
    for (auto& column : image.columns)
        if (!takeName(b, at, f, column.name))
            return false;
    image.realIndexes.resize(realCount);
    for (auto& index : image.realIndexes)
        if (!take(b, at, static_cast<std::size_t>(f.realIndexBlockSize), index))
            return false;
    image.logicalIndexes.resize(logicalCount);
    for (auto& index : image.logicalIndexes)
        if (!take(b, at, static_cast<std::size_t>(f.logicalIndexSize), index.block))
            return false;
    for (auto& index : image.logicalIndexes)
        if (!takeName(b, at, f, index.name))
            return false;
    // The long-value maps, up to and with the closing 0xFFFF.
    std::size_t end = at;
    while (end + 2 <= b.size() && readUInt16(b.data(), static_cast<int>(end)) != 0xffff)
        end += 10;
    if (end + 2 > b.size())
        return false;
    return take(b, at, end + 2 - at, image.tail);
}

std::vector<unsigned char> JetDefinitionImage::bytes() const
{
    const JetFileFormat& f = *format;
    std::vector<unsigned char> b = header;
    for (const auto& count : indexCounts)
        b.insert(b.end(), count.begin(), count.end());
    for (const auto& column : columns)
        b.insert(b.end(), column.block.begin(), column.block.end());
    for (const auto& column : columns)
        b.insert(b.end(), column.name.begin(), column.name.end());
    for (const auto& index : realIndexes)
        b.insert(b.end(), index.begin(), index.end());
    for (const auto& index : logicalIndexes)
        b.insert(b.end(), index.block.begin(), index.block.end());
    for (const auto& index : logicalIndexes)
        b.insert(b.end(), index.name.begin(), index.name.end());
    b.insert(b.end(), tail.begin(), tail.end());
    writeUInt16(b.data(), f.definitionColumnCount, static_cast<unsigned>(columns.size()));
    writeUInt32(b.data(), f.definitionRealIndexes, static_cast<std::uint32_t>(realIndexes.size()));
    writeUInt32(b.data(), f.definitionLogicalIndexes, static_cast<std::uint32_t>(logicalIndexes.size()));
    writeUInt32(b.data(), 8, static_cast<std::uint32_t>(b.size()));
    return b;
}

bool rewriteDefinition(JetPages& pages, std::uint32_t page, const std::vector<unsigned char>& bytes,
                       std::string& error)
{
    const std::size_t size = pages.pageSize();
    std::vector<std::uint32_t> chain;
    if (!chainOf(pages, page, chain)) {
        error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
        return false;
    }
    const std::size_t room = size - kDefinitionPageHeader;
    const std::size_t needed = bytes.size() <= size ? 1 : 1 + (bytes.size() - size + room - 1) / room;
    while (chain.size() < needed) {
        const std::uint32_t added = structurePage(pages);
        if (added == 0) {
            error = "Le fichier ne peut pas recevoir une page de plus pour la définition de la table.";
            return false;
        }
        chain.push_back(added);
    }
    for (std::size_t i = needed; i < chain.size(); ++i)
        releasePage(pages, chain[i]);
    chain.resize(needed);
    std::size_t at = 0;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        unsigned char* target = pages.change(chain[i]);
        if (target == nullptr) {
            error = "La définition de la table (page " + std::to_string(chain[i]) + ") ne peut pas être écrite.";
            return false;
        }
        // Jet 3 keeps two letters where Jet 4 keeps the page's free bytes.
        const unsigned char tag[2] = {target[2], target[3]};
        std::fill(target, target + size, 0);
        const std::size_t start = i == 0 ? 0 : kDefinitionPageHeader;
        const std::size_t length = std::min(size - start, bytes.size() - at);
        std::copy(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + length), target + start);
        at += length;
        target[0] = kDefinitionPage;
        target[1] = 0x01;
        if (i + 1 < chain.size())
            writeUInt32(target, kDefinitionNextPage, chain[i + 1]);
        if (!fileFormatFor(size).jet3)
            writeUInt16(target, kPageFreeSpace, static_cast<unsigned>(size - start - length - (i == 0 ? 8 : 0)));
        else if (i > 0)
            std::copy(tag, tag + 2, target + 2);
    }
    return true;
}

bool storedName(const std::string& name, const JetFileFormat& format, int codePage, std::vector<unsigned char>& out,
                std::string& error)
{
    std::vector<unsigned char> bytes;
    if (format.jet3) {
        std::string refused;
        if (!toCodePage(codePage, name, bytes, refused) || bytes.size() > 255) {
            error = "Le nom « " + name + " » ne peut pas être écrit dans un fichier Access 97 : il contient « " +
                    refused + " », que sa page de codes ne connaît pas.";
            return false;
        }
        out.push_back(static_cast<unsigned char>(bytes.size()));
    } else {
        const std::optional<std::u16string> units = sql::utf16FromUtf8(name, sql::IllFormed::Refuse);
        if (!units) {
            error = "Le nom « " + name + " » n'est pas un texte valide.";
            return false;
        }
        for (char16_t unit : *units) {
            bytes.push_back(static_cast<unsigned char>(unit));
            bytes.push_back(static_cast<unsigned char>(unit >> 8));
        }
        out.push_back(static_cast<unsigned char>(bytes.size()));
        out.push_back(static_cast<unsigned char>(bytes.size() >> 8));
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
}

}  // namespace kervane::jet
