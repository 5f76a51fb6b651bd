#include "driver/jet/format/JetProperties.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace jet = kervane::jet;

namespace {

using Bytes = std::vector<unsigned char>;

const jet::JetFileFormat kJet4 = jet::fileFormatOf(false);

void putUInt16(Bytes& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void appendUInt16(Bytes& bytes, unsigned value)
{
    bytes.resize(bytes.size() + 2);
    putUInt16(bytes, bytes.size() - 2, value);
}

void appendUInt32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

Bytes pointerTo(std::uint32_t page, unsigned row)
{
    Bytes bytes;
    appendUInt32(bytes, page << 8 | row);
    return bytes;
}

Bytes joined(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A Jet 4 data page holding `rows`: their offsets after the row count at 0x0c, the rows
// themselves packed from the end of the page, row 0 last.
Bytes dataPage(const std::vector<Bytes>& rows)
{
    Bytes page(static_cast<std::size_t>(kJet4.pageSize), 0);
    page[0] = 0x01;
    putUInt16(page, static_cast<std::size_t>(kJet4.pageRowCount), static_cast<unsigned>(rows.size()));
    std::size_t end = page.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t start = end - rows[i].size();
        std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<long>(start));
        putUInt16(page, static_cast<std::size_t>(kJet4.pageFirstSlot) + 2 * i, static_cast<unsigned>(start));
        end = start;
    }
    return page;
}

// A long-value header: flags and length, then the first row's pointer.
Bytes header(std::uint32_t flags, std::uint32_t length, std::uint32_t page, unsigned row)
{
    Bytes bytes;
    appendUInt32(bytes, flags | length);
    appendUInt32(bytes, page << 8 | row);
    appendUInt32(bytes, 0);
    return bytes;
}

struct File {
    std::map<std::uint32_t, Bytes> pages;
    std::uint32_t pageCount = 20;

    jet::PropertyChainReader reader()
    {
        return jet::PropertyChainReader(kJet4, pageCount, [this](std::uint32_t page, unsigned char* buffer) {
            const auto found = pages.find(page);
            if (found == pages.end())
                return false;
            std::copy(found->second.begin(), found->second.end(), buffer);
            return true;
        });
    }
};

constexpr std::uint32_t kChain = 0x00000000u;
constexpr std::uint32_t kSinglePage = 0x40000000u;
constexpr std::uint32_t kInline = 0x80000000u;

}  // namespace

TEST(JetPropertyChain, PiecesFollowedToTheNullPointerInOrder)
{
    File file;
    // The chain goes from row 0 of page 5 to row 0 of page 6, then row 1 of page 7.
    file.pages[5] = dataPage({joined(pointerTo(6, 0), {'a', 'b'})});
    file.pages[6] = dataPage({joined(pointerTo(7, 1), {'c'})});
    file.pages[7] = dataPage({Bytes{1, 2, 3, 4, 5}, joined(pointerTo(0, 0), {'d', 'e', 'f'})});
    jet::PropertyChainReader reader = file.reader();
    jet::PropertyValue value;
    std::uint32_t loopAt = 0;
    ASSERT_TRUE(reader.read(header(kChain, 6, 5, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(std::string(value.bytes.begin(), value.bytes.end()), "abcdef");
    ASSERT_EQ(value.pieces.size(), 3u);
    EXPECT_EQ(value.pieces[1].pageRow, 6u << 8);
    EXPECT_EQ(value.pieces[1].offset, 2u);
    EXPECT_EQ(value.pieces[2].pageRow, 7u << 8 | 1);
    EXPECT_EQ(value.pieces[2].offset, 3u);
}

TEST(JetPropertyChain, ChainsComingBackOnThemselvesAreLoops)
{
    struct Case {
        const char* what;
        std::map<std::uint32_t, Bytes> pages;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"une ligne qui se désigne elle-même", {{5, dataPage({joined(pointerTo(5, 0), {'x'})})}}, 5u << 8},
        {"deux lignes qui se désignent l'une l'autre",
         {{5, dataPage({joined(pointerTo(6, 0), {'x'})})}, {6, dataPage({joined(pointerTo(5, 0), {'y'})})}},
         5u << 8},
        {"une boucle sur la deuxième ligne d'une page",
         {{5, dataPage({joined(pointerTo(6, 1), {'x'})})},
          {6, dataPage({joined(pointerTo(0, 0), {'z'}), joined(pointerTo(6, 1), {'y'})})}},
         6u << 8 | 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file;
        file.pages = c.pages;
        jet::PropertyChainReader reader = file.reader();
        jet::PropertyValue value;
        std::uint32_t loopAt = 0;
        EXPECT_FALSE(reader.read(header(kChain, 100, 5, 0).data(), nullptr, 0, value, loopAt));
        EXPECT_EQ(loopAt, c.expected);
    }
}

TEST(JetPropertyChain, WhereLibmdbStopsThereIsNoLoop)
{
    File file;
    // A piece of nothing but its pointer ends the value for libmdb, wherever it points.
    file.pages[5] = dataPage({joined(pointerTo(6, 0), {'x'})});
    file.pages[6] = dataPage({pointerTo(5, 0)});
    // A value on one page is that row whole, whatever its first bytes say.
    file.pages[8] = dataPage({joined(pointerTo(8, 0), {'s'})});
    jet::PropertyChainReader reader = file.reader();
    jet::PropertyValue value;
    std::uint32_t loopAt = 0;
    EXPECT_TRUE(reader.read(header(kChain, 100, 5, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(std::string(value.bytes.begin(), value.bytes.end()), "x");
    ASSERT_TRUE(reader.read(header(kSinglePage, 5, 8, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(value.bytes, joined(pointerTo(8, 0), {'s'}));
    // Pointers to a missing page, a row beyond the offsets, or with the top bit set end it too.
    for (const Bytes& bad : {header(kChain, 10, 12, 0), header(kChain, 10, 5, 40), header(kChain, 10, 0x800000, 0)}) {
        EXPECT_TRUE(reader.read(bad.data(), nullptr, 0, value, loopAt));
        EXPECT_TRUE(value.bytes.empty());
    }
    const Bytes stored = {'K', 'K', 'D', 0};
    ASSERT_TRUE(reader.read(header(kInline, 4, 0, 0).data(), stored.data(), 4, value, loopAt));
    EXPECT_EQ(value.bytes, stored);
}

TEST(JetPropertyChain, UnknownFlagsFollowTheRowLeftFromTheValueBefore)
{
    // libmdb keeps one current long-value row per column: a header with flags it does not
    // know reads nothing itself and goes on from that row.
    File file;
    file.pages[8] = dataPage({joined(pointerTo(8, 0), {'s'})});
    jet::PropertyChainReader reader = file.reader();
    jet::PropertyValue value;
    std::uint32_t loopAt = 0;
    ASSERT_TRUE(reader.read(header(kSinglePage, 5, 8, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_FALSE(reader.read(header(0x10000000u, 5, 3, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(loopAt, 8u << 8);
}

namespace {

// A property blob as mdbtools' HACKING describes it: "MR2\0", a chunk of names, then a chunk
// of values for the table (type 0) whose entries name one of them.
struct Blob {
    Bytes bytes{'M', 'R', '2', 0};

    std::size_t chunk(std::uint16_t type, const Bytes& body)
    {
        const std::size_t at = bytes.size();
        appendUInt32(bytes, static_cast<std::uint32_t>(6 + body.size()));
        appendUInt16(bytes, type);
        bytes.insert(bytes.end(), body.begin(), body.end());
        return at;
    }
};

Bytes names(const std::vector<std::string>& list)
{
    Bytes body;
    for (const std::string& name : list) {
        appendUInt16(body, static_cast<unsigned>(name.size()));
        body.insert(body.end(), name.begin(), name.end());
    }
    return body;
}

Bytes property(unsigned nameIndex, const std::string& value)
{
    Bytes entry;
    appendUInt16(entry, static_cast<unsigned>(8 + value.size()));
    entry.push_back(0);     // DDL flag
    entry.push_back(0x0a);  // text
    appendUInt16(entry, nameIndex);
    appendUInt16(entry, static_cast<unsigned>(value.size()));
    entry.insert(entry.end(), value.begin(), value.end());
    return entry;
}

Bytes valueBlock(const std::vector<Bytes>& properties)
{
    Bytes block;
    std::size_t size = 6;
    for (const Bytes& entry : properties)
        size += entry.size();
    appendUInt32(block, static_cast<std::uint32_t>(size));
    appendUInt16(block, 0);  // the table's own block has no name
    for (const Bytes& entry : properties)
        block.insert(block.end(), entry.begin(), entry.end());
    return block;
}

}  // namespace

TEST(JetPropertyBlob, DamageFoundWhereLibmdbWouldLoopOrReadOutside)
{
    // Offsets in a sound blob: names chunk at 4 (its first name at 10), values chunk after it,
    // its block 6 bytes in, the first property 6 bytes into the block.
    Blob sound;
    sound.chunk(0x80, names({"Description", "Format"}));
    const std::size_t values = sound.chunk(0x00, valueBlock({property(0, "Clients"), property(1, "@")}));
    const std::size_t firstProperty = values + 6 + 6;
    const std::size_t secondProperty = firstProperty + 8 + 7;
    EXPECT_EQ(jet::propertyDamage(sound.bytes), std::nullopt);

    struct Case {
        const char* what;
        std::size_t at;
        Bytes value;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"un bloc de longueur nulle", 4, {0, 0, 0, 0}, 4},
        {"un bloc plus court que son en-tête", 4, {5, 0, 0, 0}, 4},
        {"un bloc qui dépasse la valeur", values, {0xff, 0xff, 0, 0}, values},
        {"un nom qui dépasse son bloc", 10, {0xff, 0x7f}, 10},
        {"une propriété de longueur nulle", firstProperty, {0, 0}, firstProperty},
        {"une propriété plus courte que son en-tête", secondProperty, {7, 0}, secondProperty},
        {"une propriété au nom inconnu : libmdb s'arrête", secondProperty, {0, 0, 0, 0, 9, 0}, std::nullopt},
        {"une valeur plus longue que le bloc : libmdb s'arrête", secondProperty, {0, 0, 0, 0, 1, 0, 0xff, 0},
         std::nullopt},
        {"un autre en-tête que KKD ou MR2", 0, {'X', 'Y', 'Z', 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes damaged = sound.bytes;
        std::copy(c.value.begin(), c.value.end(), damaged.begin() + static_cast<long>(c.at));
        EXPECT_EQ(jet::propertyDamage(damaged), c.expected);
    }
    Bytes trailing = sound.bytes;
    trailing.insert(trailing.end(), {1, 2, 3});
    EXPECT_EQ(jet::propertyDamage(trailing), sound.bytes.size());
}

TEST(JetPropertyBlob, ValuesBeforeAnyNamesAndUnknownChunksAreSkipped)
{
    Blob blob;
    blob.chunk(0x01, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // values with a zero-length entry
    blob.chunk(0x33, {1, 2, 3});
    blob.chunk(0x80, names({"Caption"}));
    blob.chunk(0x01, valueBlock({property(0, "Nom")}));
    EXPECT_EQ(jet::propertyDamage(blob.bytes), std::nullopt);
}
