#pragma once
// An index page, leaf (0x04) or intermediate (0x03), of a Jet 4 file (4 KB) or a Jet 3 one
// (2 KB, its header shorter: JetFileFormat gives both). After the header comes a bitmap with
// one bit per byte of the entry area marking where each entry ends; then the entries. The first
// entry is stored whole; the others leave out the bytes all the page's entries share at their
// start (the prefix, whose length the header gives). An entry is its key, the row it points at
// (page in three bytes then row, most significant first) and, on an intermediate page, the
// child page (four bytes, most significant first), whose last entry it repeats.
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetTableLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

namespace indexpage {
constexpr int kRowPointerSize = 4;
constexpr int kChildSize = 4;
}  // namespace indexpage

struct JetIndexEntry {
    std::vector<unsigned char> key;
    JetRowId row;
    std::uint32_t child = 0;  // intermediate pages only
    bool operator==(const JetIndexEntry& other) const
    {
        return key == other.key && row.page == other.row.page && row.row == other.row.row && child == other.child;
    }
};

struct JetIndexPageImage {
    bool leaf = true;
    std::uint32_t owner = 0;
    std::uint32_t previous = 0;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;
    int prefixLength = 0;
    int freeSpace = 0;
    std::vector<JetIndexEntry> entries;
};

// Entries ordered as Access orders them: by key bytes, then by the row they point at.
bool indexEntryLess(const JetIndexEntry& a, const JetIndexEntry& b);

// The entry's bytes as they are stored whole.
std::vector<unsigned char> indexEntryBytes(const JetIndexEntry& entry, bool leaf);

// The length of the bytes every entry of `entries` starts with (0 for fewer than two entries).
int sharedPrefixLength(std::span<const JetIndexEntry> entries, bool leaf);

// Reads the page image of `size` bytes; false with a French message when it is no index page
// or its bitmap, prefix, entries and free space do not hold together, or its entries (key, then
// row) are not in strictly ascending order (indexEntryLess). Nothing is read outside the image.
// Each call takes the file's format; Jet 4 when left out.
bool readIndexPage(const unsigned char* page, std::size_t size, JetIndexPageImage& image, std::string& error,
                   const JetFileFormat& format = jet4FileFormat());

// What a walk of the index needs of a page: its header (`image`, left without entries) and where
// each entry ends, so that the row it points at (and on an intermediate page its child) is read
// when the walk comes to it. The same checks as readIndexPage but for the entries' order, which
// the walk takes as stored; no key is copied.
struct JetIndexPagePointers {
    std::vector<std::size_t> ends;  // each entry's end in the entry area
    std::size_t prefix = 0;
    bool leaf = true;

    std::size_t count() const { return ends.size(); }
    // Entry `i`'s row and child, read from `page`, the page these were read from.
    JetRowId row(const unsigned char* page, std::size_t i, const JetFileFormat& format = jet4FileFormat()) const;
    std::uint32_t child(const unsigned char* page, std::size_t i, const JetFileFormat& format = jet4FileFormat()) const;

private:
    // The entry's last bytes (row pointer, then child), those the prefix leaves out taken from
    // the first entry.
    void trailer(const unsigned char* page, std::size_t i, const JetFileFormat& format, unsigned char* bytes) const;
};
bool readIndexPagePointers(const unsigned char* page, std::size_t size, JetIndexPageImage& image,
                           JetIndexPagePointers& pointers, std::string& error,
                           const JetFileFormat& format = jet4FileFormat());

// The same for page `number` as the transaction sees it.
bool readIndexPage(JetPages& pages, std::uint32_t number, JetIndexPageImage& image, std::string& error,
                   const JetFileFormat& format = jet4FileFormat());

// True when the entries fit one page of `size` bytes with `prefixLength` bytes left out of all
// but the first.
bool indexEntriesFit(std::span<const JetIndexEntry> entries, bool leaf, int prefixLength, std::size_t size,
                     const JetFileFormat& format = jet4FileFormat());

// Lays `image` into the page of `size` bytes: header, bitmap, entries with the image's prefix
// left out, free space. The bytes past the entries and the header's unknown bytes are kept as
// they were: Access leaves what an earlier state of the page held there.
// False, the page unchanged, when the prefix is not shared by every entry or they do not fit.
bool writeIndexPage(const JetIndexPageImage& image, unsigned char* page, std::size_t size,
                    const JetFileFormat& format = jet4FileFormat());

}  // namespace kervane::jet
