#include "driver/jet/format/JetTableLayout.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/semantics/UtfCoding.h"

#include <array>

namespace kervane::jet {

namespace {

constexpr int kMostDefinitionHops = 64;  // a longer chain of definition pages is a damaged one
constexpr int kMaskedStart = 0x18;  // the header bytes hidden under a fixed RC4 key
constexpr int kMaskedLength = 126;  // as many in both formats as this reads
constexpr int kSortOrder = 0x3a;    // Jet 3: the sort order of the file's texts
constexpr int kCodePage = 0x3c;     // Jet 3: the code page of the file's texts

// The RC4 stream every Jet header page hides its start under.
void unmaskHeader(unsigned char* bytes, int length)
{
    const std::array<unsigned char, 4> key{0xc7, 0xda, 0x39, 0x6b};
    rc4(key.data(), key.size(), bytes, static_cast<std::size_t>(length));
}

// A Jet 4 name: UTF-16LE, a surrogate outside a pair read as U+FFFD.
std::string utf16Name(const std::vector<unsigned char>& b, std::size_t at, std::size_t length)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < length; i += 2)
        units += static_cast<char16_t>(readUInt16(b, at + i));
    return *sql::utf8FromUtf16(units, sql::IllFormed::Replace);
}

bool isText(JetType type)
{
    return type == JetType::Text || type == JetType::Memo;
}

bool readColumns(const std::vector<unsigned char>& b, int count, int fileCodePage, std::size_t& at,
                 JetTableLayout& layout)
{
    const JetFileFormat& f = *layout.format;
    const auto size = static_cast<std::size_t>(f.columnSize);
    for (int c = 0; c < count; ++c, at += size) {
        if (at + size > b.size())
            return false;
        JetLayoutColumn column;
        column.type = static_cast<JetType>(b[at]);
        column.number = readUInt16(b, at + f.columnNumber);
        column.variableIndex = readUInt16(b, at + f.columnVariableIndex);
        column.precision = b[at + f.columnPrecision];
        column.scale = b[at + f.columnScale];
        column.flags = b[at + f.columnFlags];
        if (f.columnMoreFlags >= 0)
            column.moreFlags = b[at + static_cast<std::size_t>(f.columnMoreFlags)];
        if (!f.jet3) {
            // A Jet 4 text column keeps its sort order where numbers keep precision and scale.
            column.sortOrder = readUInt16(b, at + 11);
            column.sortVersion = b[at + 14];
        }
        column.fixedOffset = readUInt16(b, at + f.columnFixedOffset);
        column.length = readUInt16(b, at + f.columnLength);
        if (f.columnCodePage >= 0 && isText(column.type)) {
            const int own = readUInt16(b, at + f.columnCodePage);
            column.codePage = own != 0 ? own : fileCodePage;
        }
        layout.columns.push_back(column);
    }
    const auto lengthSize = static_cast<std::size_t>(f.nameLengthSize);
    for (auto& column : layout.columns) {
        if (at + lengthSize > b.size())
            return false;
        const std::size_t length = lengthSize == 1 ? b[at] : readUInt16(b, at);
        if (at + lengthSize + length > b.size())
            return false;
        column.name = lengthSize == 1 ? fromCodePage(fileCodePage, b.data() + at + 1, length)
                                      : utf16Name(b, at + 2, length);
        at += lengthSize + length;
    }
    return true;
}

// Past the index blocks and names that follow the column names; false when they run past the bytes.
bool skipIndexes(const std::vector<unsigned char>& b, std::size_t& at, const JetTableLayout& layout)
{
    const JetFileFormat& f = *layout.format;
    at += std::size_t{layout.indexCount} * static_cast<std::size_t>(f.realIndexBlockSize) +
          std::size_t{layout.logicalIndexCount} * static_cast<std::size_t>(f.logicalIndexSize);
    for (std::uint32_t i = 0; i < layout.logicalIndexCount; ++i) {
        if (at + static_cast<std::size_t>(f.nameLengthSize) > b.size())
            return false;
        at += static_cast<std::size_t>(f.nameLengthSize) + (f.nameLengthSize == 1 ? b[at] : readUInt16(b, at));
    }
    return at <= b.size();
}

// After the names: for each memo or OLE column, its number and its two usage maps, up to 0xffff.
void readLongValueMaps(const std::vector<unsigned char>& b, std::size_t at, JetTableLayout& layout)
{
    for (; at + 2 <= b.size() && readUInt16(b, at) != 0xffff; at += 10) {
        if (at + 10 > b.size())
            return;
        const int number = readUInt16(b, at);
        for (auto& column : layout.columns) {
            if (column.number == number) {
                column.hasLongValueMaps = true;
                column.longValueOwned = readUInt32(b, at + 2);
                column.longValueFree = readUInt32(b, at + 6);
            }
        }
    }
}

}  // namespace

void maskHeader(unsigned char* header, bool jet3)
{
    // Jet 4 hides two bytes more than Jet 3.
    unmaskHeader(header + kMaskedStart, jet3 ? kMaskedLength : kMaskedLength + 2);
}

bool readDefinitionBytes(JetPages& pages, std::uint32_t page, std::vector<unsigned char>& bytes)
{
    const std::size_t size = pages.pageSize();
    for (int hops = 0; page != 0; ++hops) {
        const unsigned char* p = pages.read(page);
        if (p == nullptr || p[0] != kDefinitionPage || hops > kMostDefinitionHops)
            return false;
        bytes.insert(bytes.end(), p + (hops == 0 ? 0 : kDefinitionPageHeader), p + size);
        page = readUInt32(p, kDefinitionNextPage);
    }
    return true;
}

namespace {

// The header's bytes from kMaskedStart, unmasked.
std::array<unsigned char, kMaskedLength> unmaskedHeader(const unsigned char* header)
{
    std::array<unsigned char, kMaskedLength> masked{};
    std::copy(header + kMaskedStart, header + kMaskedStart + kMaskedLength, masked.begin());
    unmaskHeader(masked.data(), kMaskedLength);
    return masked;
}

// Jet 3: the code page the file's texts are written in; 0 for Jet 4 or an unreadable header.
int fileCodePage(JetPages& pages)
{
    const unsigned char* header = pages.read(0);
    if (header == nullptr || !fileFormatFor(pages.pageSize()).jet3)
        return 0;
    return headerCodePage(header);
}

// Jet 3: the sort order of the file's texts (each Jet 4 column has its own); 0 otherwise.
int fileSortOrder(JetPages& pages)
{
    const unsigned char* header = pages.read(0);
    if (header == nullptr || !fileFormatFor(pages.pageSize()).jet3)
        return 0;
    const auto masked = unmaskedHeader(header);
    return readUInt16(masked.data(), kSortOrder - kMaskedStart);
}

}  // namespace

int headerCodePage(const unsigned char* header)
{
    const auto masked = unmaskedHeader(header);
    return readUInt16(masked.data(), kCodePage - kMaskedStart);
}

bool checkWritableFile(JetPages& pages, std::string& error)
{
    const unsigned char* header = pages.read(0);
    const std::optional<AccessVersion> version =
        header != nullptr ? accessVersionOf(header, pages.pageSize()) : std::nullopt;
    if (!version || pageSizeOf(*version) != pages.pageSize()) {
        error = "La taille des pages ne correspond pas à la version du fichier Access : il ne peut pas être "
                "modifié.";
        return false;
    }
    const bool jet3 = *version == AccessVersion::Jet3;
    // An encoded or encrypted file is written through its page cipher (JetPageCipher.h), which
    // the store of its pages was opened with.
    const int codePage = fileCodePage(pages);
    if (jet3 && !codePageKnown(codePage)) {
        error = "La modification d'un fichier Access 97 dont les textes sont écrits dans la page de codes " +
                std::to_string(codePage) + " n'est pas possible : seule la page de codes 1252 (Europe "
                "occidentale) est connue.";
        return false;
    }
    return true;
}

bool readTableLayout(JetPages& pages, std::uint32_t page, JetTableLayout& layout, std::string& error)
{
    const JetFileFormat& f = fileFormatFor(pages.pageSize());
    std::vector<unsigned char> b;
    if (!readDefinitionBytes(pages, page, b) || b.size() < static_cast<std::size_t>(f.definitionFirstBlock)) {
        error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
        return false;
    }
    layout = {};
    layout.format = &f;
    layout.definitionPage = page;
    layout.tableType = b[static_cast<std::size_t>(f.definitionTableType)];
    layout.rowCount = readUInt32(b, f.definitionRowCount);
    layout.lastAutoNumber = readUInt32(b, f.definitionAutoNumber);
    layout.maxColumns = readUInt16(b, f.definitionMaxColumns);
    layout.variableColumns = readUInt16(b, f.definitionVariableColumns);
    const int columnCount = readUInt16(b, f.definitionColumnCount);
    layout.logicalIndexCount = readUInt32(b, f.definitionLogicalIndexes);
    layout.indexCount = readUInt32(b, f.definitionRealIndexes);
    layout.ownedPages = JetRowId::fromPointer(readUInt32(b, f.definitionOwnedPages));
    layout.freeSpacePages = JetRowId::fromPointer(readUInt32(b, f.definitionFreeSpacePages));
    std::size_t at = static_cast<std::size_t>(f.definitionFirstBlock) +
                     std::size_t{layout.indexCount} * static_cast<std::size_t>(f.realIndexSize);
    if (layout.indexCount > 1000 || !readColumns(b, columnCount, fileCodePage(pages), at, layout)) {
        error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
        return false;
    }
    if (layout.logicalIndexCount <= 1000 && skipIndexes(b, at, layout))
        readLongValueMaps(b, at, layout);
    if (f.jet3)
        for (JetLayoutColumn& column : layout.columns)
            column.sortOrder = isText(column.type) ? fileSortOrder(pages) : 0;
    return true;
}

}  // namespace kervane::jet
