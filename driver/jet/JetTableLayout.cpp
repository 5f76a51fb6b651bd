#include "driver/jet/JetTableLayout.h"

#include "driver/jet/JetPages.h"

#include <array>

namespace kervane::jet {

namespace {

constexpr unsigned char kDefinitionPage = 0x02;
constexpr int kPageHeader = 8;  // type, flag, free space, next definition page
constexpr int kVersionOffset = 0x14;
constexpr unsigned char kJet4 = 0x01;
constexpr int kMaskedStart = 0x18;  // the header bytes hidden under a fixed RC4 key
constexpr int kMaskedLength = 128;
constexpr int kDatabaseKey = 0x3e;  // non-zero when every page is encrypted

std::uint16_t word(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t dword(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(word(b, at)) | (static_cast<std::uint32_t>(word(b, at + 2)) << 16);
}

// The RC4 stream Jet 4 hides the start of its header page under.
void unmaskHeader(unsigned char* bytes, int length)
{
    const std::array<unsigned char, 4> key{0xc7, 0xda, 0x39, 0x6b};
    std::array<unsigned char, 256> state{};
    for (int i = 0; i < 256; ++i)
        state[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % key.size()]) & 0xff;
        std::swap(state[i], state[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + state[i]) & 0xff;
        std::swap(state[i], state[j]);
        bytes[n] ^= state[(state[i] + state[j]) & 0xff];
    }
}

// The definition's bytes over all its pages, continuation pages without their header.
bool definitionBytes(JetPages& pages, std::uint32_t page, std::vector<unsigned char>& bytes)
{
    const std::size_t size = pages.pageSize();
    for (int hops = 0; page != 0; ++hops) {
        const unsigned char* p = pages.read(page);
        if (p == nullptr || p[0] != kDefinitionPage || hops > 64)
            return false;
        bytes.insert(bytes.end(), p + (hops == 0 ? 0 : kPageHeader), p + size);
        page = static_cast<std::uint32_t>(p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24));
    }
    return true;
}

std::string utf16Name(const std::vector<unsigned char>& b, std::size_t at, std::size_t length)
{
    std::string name;
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        const unsigned unit = word(b, at + i);
        if (unit < 0x80) {
            name += static_cast<char>(unit);
        } else if (unit < 0x800) {
            name += static_cast<char>(0xc0 | (unit >> 6));
            name += static_cast<char>(0x80 | (unit & 0x3f));
        } else {
            name += static_cast<char>(0xe0 | (unit >> 12));
            name += static_cast<char>(0x80 | ((unit >> 6) & 0x3f));
            name += static_cast<char>(0x80 | (unit & 0x3f));
        }
    }
    return name;
}

bool readColumns(const std::vector<unsigned char>& b, int count, std::size_t& at, JetTableLayout& layout)
{
    for (int c = 0; c < count; ++c, at += tdef::kColumnSize) {
        if (at + tdef::kColumnSize > b.size())
            return false;
        JetLayoutColumn column;
        column.type = static_cast<JetType>(b[at]);
        column.number = word(b, at + 5);
        column.variableIndex = word(b, at + 7);
        column.precision = b[at + 11];
        column.scale = b[at + 12];
        column.sortOrder = word(b, at + 11);
        column.sortVersion = b[at + 14];
        column.flags = b[at + 15];
        column.fixedOffset = word(b, at + 21);
        column.length = word(b, at + 23);
        layout.columns.push_back(column);
    }
    for (auto& column : layout.columns) {
        if (at + 2 > b.size())
            return false;
        const std::size_t length = word(b, at);
        if (at + 2 + length > b.size())
            return false;
        column.name = utf16Name(b, at + 2, length);
        at += 2 + length;
    }
    return true;
}

// After the names: for each memo or OLE column, its number and its two usage maps, up to 0xffff.
void readLongValueMaps(const std::vector<unsigned char>& b, std::size_t at, JetTableLayout& layout)
{
    for (; at + 2 <= b.size() && word(b, at) != 0xffff; at += 10) {
        if (at + 10 > b.size())
            return;
        const int number = word(b, at);
        for (auto& column : layout.columns) {
            if (column.number == number) {
                column.hasLongValueMaps = true;
                column.longValueOwned = dword(b, at + 2);
                column.longValueFree = dword(b, at + 6);
            }
        }
    }
}

}  // namespace

bool checkWritableFile(JetPages& pages, std::string& error)
{
    const unsigned char* header = pages.read(0);
    if (header == nullptr || pages.pageSize() != 4096 || header[kVersionOffset] != kJet4) {
        error = "La modification d'un fichier Access antérieur à Access 2000 (Jet 3) ou postérieur "
                "à Access 2003 n'est pas encore possible.";
        return false;
    }
    std::array<unsigned char, kMaskedLength> masked{};
    std::copy(header + kMaskedStart, header + kMaskedStart + kMaskedLength, masked.begin());
    unmaskHeader(masked.data(), kMaskedLength);
    const int key = kDatabaseKey - kMaskedStart;
    if ((masked[key] | masked[key + 1] | masked[key + 2] | masked[key + 3]) != 0) {
        error = "Le fichier Access est chiffré : il ne peut pas être modifié.";
        return false;
    }
    return true;
}

bool readTableLayout(JetPages& pages, std::uint32_t page, JetTableLayout& layout, std::string& error)
{
    std::vector<unsigned char> b;
    if (!definitionBytes(pages, page, b) || b.size() < tdef::kFirstBlock) {
        error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
        return false;
    }
    layout = {};
    layout.definitionPage = page;
    layout.rowCount = dword(b, tdef::kRowCount);
    layout.lastAutoNumber = dword(b, tdef::kAutoNumber);
    layout.maxColumns = word(b, tdef::kMaxColumns);
    layout.variableColumns = word(b, tdef::kVariableColumns);
    const int columnCount = word(b, tdef::kColumnCount);
    layout.logicalIndexCount = dword(b, tdef::kLogicalIndexes);
    layout.indexCount = dword(b, tdef::kRealIndexes);
    layout.ownedPages = JetRowId::fromPointer(dword(b, tdef::kOwnedPages));
    layout.freeSpacePages = JetRowId::fromPointer(dword(b, tdef::kFreeSpacePages));
    std::size_t at = tdef::kFirstBlock + std::size_t{layout.indexCount} * tdef::kRealIndexSize;
    if (layout.indexCount > 1000 || !readColumns(b, columnCount, at, layout)) {
        error = "La définition de la table (page " + std::to_string(page) + ") est illisible.";
        return false;
    }
    if (layout.indexCount == 0 && layout.logicalIndexCount == 0)
        readLongValueMaps(b, at, layout);
    return true;
}

}  // namespace kervane::jet
