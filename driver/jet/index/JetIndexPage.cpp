#include "driver/jet/index/JetIndexPage.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kervane::jet {

namespace {

using namespace indexpage;

int trailerSize(bool leaf)
{
    return kRowPointerSize + (leaf ? 0 : kChildSize);
}

std::size_t entrySize(const JetIndexEntry& entry, bool leaf)
{
    return entry.key.size() + static_cast<std::size_t>(trailerSize(leaf));
}

// Byte `at` of the entry as stored whole: its key, the row's page (three bytes) and number, the
// child page (four bytes), most significant first.
unsigned char entryByte(const JetIndexEntry& entry, std::size_t at)
{
    if (at < entry.key.size())
        return entry.key[at];
    at -= entry.key.size();
    if (at < 3)
        return static_cast<unsigned char>((entry.row.page >> (8 * (2 - at))) & 0xff);
    if (at == 3)
        return static_cast<unsigned char>(entry.row.row);
    return static_cast<unsigned char>((entry.child >> (8 * (7 - at))) & 0xff);
}

std::size_t bitmapBits(const JetFileFormat& format)
{
    return static_cast<std::size_t>(format.indexBitmapSize) * 8;
}

std::size_t firstEntry(const JetFileFormat& format)
{
    return static_cast<std::size_t>(format.indexFirstEntry());
}

// The entry area's length a page of `size` bytes can mark: bounded by the page and the bitmap.
std::size_t entryArea(std::size_t size, const JetFileFormat& format)
{
    return std::min<std::size_t>(size - firstEntry(format), bitmapBits(format));
}

bool splitEntry(const std::vector<unsigned char>& whole, bool leaf, JetIndexEntry& entry)
{
    const std::size_t trailer = static_cast<std::size_t>(trailerSize(leaf));
    if (whole.size() < trailer)
        return false;
    const std::size_t keySize = whole.size() - trailer;
    entry.key.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keySize));
    const unsigned char* rest = whole.data() + keySize;
    entry.row = {readBigEndian(rest, 3), rest[3]};
    entry.child = leaf ? 0 : readBigEndian(rest + kRowPointerSize, kChildSize);
    return true;
}

// The ends of the entries (from the entry area's start) the bitmap marks; false when a mark
// lies past the page.
bool entryEnds(const unsigned char* page, std::size_t size, const JetFileFormat& format,
               std::vector<std::size_t>& ends)
{
    const std::size_t area = entryArea(size, format);
    const unsigned char* bitmap = page + format.indexBitmap;
    // Byte by byte, each byte's marks from its lowest bit: most bytes of a bitmap are empty.
    for (std::size_t byte = 0; byte < bitmapBits(format) / 8; ++byte) {
        for (unsigned marks = bitmap[byte]; marks != 0; marks &= marks - 1) {
            const std::size_t bit = byte * 8 + static_cast<std::size_t>(std::countr_zero(marks));
            if (bit > area)
                return false;
            ends.push_back(bit);
        }
    }
    return true;
}

bool refusePage(std::string& error, const std::string& why)
{
    error = "Page d'index illisible : " + why + ".";
    return false;
}

// Where each entry ends, each checked to hold its row pointer (and child) whole.
bool readPointers(const unsigned char* page, std::size_t size, const JetFileFormat& format,
                  const JetIndexPageImage& image, JetIndexPagePointers& pointers, std::string& error)
{
    if (!entryEnds(page, size, format, pointers.ends))
        return refusePage(error, "une entrée déborde de la page");
    pointers.prefix = static_cast<std::size_t>(image.prefixLength);
    pointers.leaf = image.leaf;
    const std::size_t trailer = static_cast<std::size_t>(trailerSize(image.leaf));
    std::size_t start = 0;
    for (std::size_t i = 0; i < pointers.ends.size(); ++i) {
        const std::size_t stored = pointers.ends[i] - start;
        if (pointers.ends[i] <= start)
            return refusePage(error, "une entrée est vide");
        if (i == 0 && pointers.prefix > stored)
            return refusePage(error, "le préfixe commun est plus long que la première entrée");
        if ((i == 0 ? 0 : pointers.prefix) + stored < trailer)
            return refusePage(error, "une entrée est trop courte");
        start = pointers.ends[i];
    }
    if (pointers.ends.empty() && pointers.prefix > 0)
        return refusePage(error, "un préfixe commun sans entrée");
    if (static_cast<std::size_t>(image.freeSpace) != size - firstEntry(format) - start)
        return refusePage(error, "l'espace libre ne correspond pas aux entrées");
    return true;
}

// The entries themselves, each whole (the bytes the prefix leaves out are the first entry's), in
// strictly ascending order.
bool readEntries(const unsigned char* page, std::size_t size, const JetFileFormat& format,
                 JetIndexPageImage& image, std::string& error)
{
    JetIndexPagePointers pointers;
    if (!readPointers(page, size, format, image, pointers, error))
        return false;
    const unsigned char* area = page + firstEntry(format);
    std::size_t start = 0;
    for (const std::size_t end : pointers.ends) {
        std::vector<unsigned char> whole;
        if (!image.entries.empty())
            whole.assign(area, area + pointers.prefix);
        whole.insert(whole.end(), area + start, area + end);
        JetIndexEntry entry;
        if (!splitEntry(whole, image.leaf, entry))
            return refusePage(error, "une entrée est trop courte");
        if (!image.entries.empty() && !indexEntryLess(image.entries.back(), entry))
            return refusePage(error, "les entrées ne sont pas en ordre croissant");
        image.entries.push_back(std::move(entry));
        start = end;
    }
    return true;
}

// The header of an index page; false when it is none.
bool readIndexHeader(const unsigned char* page, std::size_t size, JetIndexPageImage& image, std::string& error,
                     const JetFileFormat& format)
{
    image = {};
    if (page == nullptr || size <= firstEntry(format))
        return refusePage(error, "page trop courte");
    if (page[0] != kIndexLeafPage && page[0] != kIndexIntermediatePage)
        return refusePage(error, "ce n'est pas une page d'index");
    image.leaf = page[0] == kIndexLeafPage;
    image.freeSpace = static_cast<int>(readLittleEndian(page + kPageFreeSpace, 2));
    image.owner = readLittleEndian(page + kPageOwner, 4);
    image.previous = readLittleEndian(page + format.indexPrevious, 4);
    image.next = readLittleEndian(page + format.indexNext, 4);
    image.tail = readLittleEndian(page + format.indexTail, 4);
    image.prefixLength = static_cast<int>(readLittleEndian(page + format.indexPrefixLength, format.indexPrefixSize));
    return true;
}


}  // namespace

namespace {

// The longest prefix a page of these entries may declare: all of a lone entry, the bytes shared
// by several.
int longestPrefix(std::span<const JetIndexEntry> entries, bool leaf)
{
    if (entries.size() == 1)
        return static_cast<int>(entrySize(entries[0], leaf));
    return sharedPrefixLength(entries, leaf);
}

}  // namespace

std::vector<unsigned char> indexEntryBytes(const JetIndexEntry& entry, bool leaf)
{
    std::vector<unsigned char> bytes = entry.key;
    appendBigEndian(bytes, entry.row.page, 3);
    bytes.push_back(static_cast<unsigned char>(entry.row.row));
    if (!leaf)
        appendBigEndian(bytes, entry.child, kChildSize);
    return bytes;
}

bool indexEntryLess(const JetIndexEntry& a, const JetIndexEntry& b)
{
    if (a.key != b.key)
        return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end());
    if (a.row.page != b.row.page)
        return a.row.page < b.row.page;
    return a.row.row < b.row.row;
}

int sharedPrefixLength(std::span<const JetIndexEntry> entries, bool leaf)
{
    if (entries.size() < 2)
        return 0;
    const JetIndexEntry& first = entries.front();
    std::size_t shared = entrySize(first, leaf);
    for (std::size_t i = 1; i < entries.size() && shared > 0; ++i) {
        const JetIndexEntry& other = entries[i];
        const std::size_t comparable = std::min(shared, entrySize(other, leaf));
        // Within both keys the bytes are compared as a block, past them one by one.
        const std::size_t inKeys = std::min({comparable, first.key.size(), other.key.size()});
        std::size_t same = static_cast<std::size_t>(
            std::mismatch(first.key.begin(), first.key.begin() + static_cast<std::ptrdiff_t>(inKeys), other.key.begin())
                .first -
            first.key.begin());
        if (same == inKeys)
            while (same < comparable && entryByte(first, same) == entryByte(other, same))
                ++same;
        shared = same;
    }
    return static_cast<int>(shared);
}

bool readIndexPage(const unsigned char* page, std::size_t size, JetIndexPageImage& image, std::string& error,
                   const JetFileFormat& format)
{
    if (!readIndexHeader(page, size, image, error, format))
        return false;
    if (!readEntries(page, size, format, image, error)) {
        image.entries.clear();
        return false;
    }
    return true;
}

bool readIndexPagePointers(const unsigned char* page, std::size_t size, JetIndexPageImage& image,
                           JetIndexPagePointers& pointers, std::string& error, const JetFileFormat& format)
{
    pointers.ends.clear();
    if (readIndexHeader(page, size, image, error, format) && readPointers(page, size, format, image, pointers, error))
        return true;
    pointers.ends.clear();
    return false;
}

void JetIndexPagePointers::trailer(const unsigned char* page, std::size_t i, const JetFileFormat& format,
                                   unsigned char* bytes) const
{
    const unsigned char* area = page + firstEntry(format);
    const std::size_t start = i == 0 ? 0 : ends[i - 1];
    const std::size_t left = i == 0 ? 0 : prefix;  // bytes the entry leaves to the first one
    const std::size_t whole = left + ends[i] - start;
    const std::size_t size = static_cast<std::size_t>(trailerSize(leaf));
    for (std::size_t b = 0; b < size; ++b) {
        const std::size_t at = whole - size + b;
        bytes[b] = at < left ? area[at] : area[start + at - left];
    }
}

JetRowId JetIndexPagePointers::row(const unsigned char* page, std::size_t i, const JetFileFormat& format) const
{
    unsigned char bytes[kRowPointerSize + kChildSize];
    trailer(page, i, format, bytes);
    return {readBigEndian(bytes, 3), bytes[3]};
}

std::uint32_t JetIndexPagePointers::child(const unsigned char* page, std::size_t i, const JetFileFormat& format) const
{
    if (leaf)
        return 0;
    unsigned char bytes[kRowPointerSize + kChildSize];
    trailer(page, i, format, bytes);
    return readBigEndian(bytes + kRowPointerSize, kChildSize);
}

bool readIndexPage(JetPages& pages, std::uint32_t number, JetIndexPageImage& image, std::string& error,
                   const JetFileFormat& format)
{
    const unsigned char* page = pages.read(number);
    if (page == nullptr) {
        image = {};
        return refusePage(error, "la page " + std::to_string(number) + " est hors du fichier");
    }
    return readIndexPage(page, pages.pageSize(), image, error, format);
}

bool indexEntriesFit(std::span<const JetIndexEntry> entries, bool leaf, int prefixLength, std::size_t size,
                     const JetFileFormat& format)
{
    if (size <= firstEntry(format))
        return false;
    std::size_t used = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t whole = entries[i].key.size() + static_cast<std::size_t>(trailerSize(leaf));
        used += i == 0 ? whole : whole - static_cast<std::size_t>(prefixLength);
    }
    // The last entry's end is marked too: the bitmap must reach it.
    return used <= entryArea(size, format) && used < bitmapBits(format);
}

bool writeIndexPage(const JetIndexPageImage& image, unsigned char* page, std::size_t size,
                    const JetFileFormat& format)
{
    const long widest = (1L << (8 * format.indexPrefixSize)) - 1;
    if (image.prefixLength < 0 || image.prefixLength > widest ||
        image.prefixLength > longestPrefix(image.entries, image.leaf) ||
        !indexEntriesFit(image.entries, image.leaf, image.prefixLength, size, format))
        return false;
    page[0] = image.leaf ? kIndexLeafPage : kIndexIntermediatePage;
    page[1] = 0x01;
    writeLittleEndian(page + kPageOwner, image.owner, 4);
    writeLittleEndian(page + format.indexPrevious, image.previous, 4);
    writeLittleEndian(page + format.indexNext, image.next, 4);
    writeLittleEndian(page + format.indexTail, image.tail, 4);
    writeLittleEndian(page + format.indexPrefixLength, static_cast<std::uint32_t>(image.prefixLength),
                    format.indexPrefixSize);
    if (format.indexIntermediateFlag >= 0)
        page[format.indexIntermediateFlag] = image.leaf ? 0x00 : 0x01;
    unsigned char* bitmap = page + format.indexBitmap;
    unsigned char* entries = page + firstEntry(format);
    std::memset(bitmap, 0, static_cast<std::size_t>(format.indexBitmapSize));
    std::size_t at = 0;
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        const JetIndexEntry& entry = image.entries[i];
        const std::size_t whole = entrySize(entry, image.leaf);
        for (std::size_t b = i == 0 ? 0 : static_cast<std::size_t>(image.prefixLength); b < whole; ++b)
            entries[at++] = entryByte(entry, b);
        bitmap[at / 8] = static_cast<unsigned char>(bitmap[at / 8] | (1u << (at % 8)));
    }
    writeLittleEndian(page + kPageFreeSpace, static_cast<std::uint32_t>(size - firstEntry(format) - at), 2);
    return true;
}

}  // namespace kervane::jet
