// Property values as mdbtools' HACKING describes them: long-value chains followed as libmdb
// follows them (a loop found where libmdb would loop), "KKD"/"MR2" blobs of chunks (names,
// then values) checked where libmdb would read outside them, and the columns' design properties
// (default value, required) read from them; nothing at all from a damaged value.
#include "JetTestSupport.h"

#include "driver/jet/format/JetColumnProperties.h"
#include "driver/jet/format/JetProperties.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace jet = kervane::jet;
using kervane::test::dataPage;

namespace {

using Bytes = std::vector<unsigned char>;

const jet::JetFileFormat kJet4 = jet::fileFormatOf(false);

void appendUInt16(Bytes& bytes, unsigned value)
{
    bytes.push_back(static_cast<unsigned char>(value));
    bytes.push_back(static_cast<unsigned char>(value >> 8));
}

void appendUInt32(Bytes& bytes, std::uint32_t value)
{
    appendUInt16(bytes, value & 0xffff);
    appendUInt16(bytes, value >> 16);
}

// A chain piece: the pointer (page << 8 | row) to the next piece, then its bytes.
Bytes piece(std::uint32_t page, unsigned row, const std::string& text = {})
{
    Bytes bytes;
    appendUInt32(bytes, page << 8 | row);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
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

    jet::PropertyChainReader reader()
    {
        return jet::PropertyChainReader(kJet4, 20, [this](std::uint32_t page, unsigned char* buffer) {
            const auto found = pages.find(page);
            if (found != pages.end())
                std::copy(found->second.begin(), found->second.end(), buffer);
            return found != pages.end();
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
    file.pages[5] = dataPage(kJet4, {piece(6, 0, "ab")});
    file.pages[6] = dataPage(kJet4, {piece(7, 1, "c")});
    file.pages[7] = dataPage(kJet4, {Bytes{1, 2, 3, 4, 5}, piece(0, 0, "def")});
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
        {"une ligne qui se désigne elle-même", {{5, dataPage(kJet4, {piece(5, 0, "x")})}}, 5u << 8},
        {"deux lignes qui se désignent l'une l'autre",
         {{5, dataPage(kJet4, {piece(6, 0, "x")})}, {6, dataPage(kJet4, {piece(5, 0, "y")})}}, 5u << 8},
        {"une boucle sur la deuxième ligne d'une page",
         {{5, dataPage(kJet4, {piece(6, 1, "x")})}, {6, dataPage(kJet4, {piece(0, 0, "z"), piece(6, 1, "y")})}},
         6u << 8 | 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        File file{c.pages};
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
    file.pages[5] = dataPage(kJet4, {piece(6, 0, "x")});
    file.pages[6] = dataPage(kJet4, {piece(5, 0)});
    // A value on one page is that row whole, whatever its first bytes say.
    file.pages[8] = dataPage(kJet4, {piece(8, 0, "s")});
    jet::PropertyChainReader reader = file.reader();
    jet::PropertyValue value;
    std::uint32_t loopAt = 0;
    EXPECT_TRUE(reader.read(header(kChain, 100, 5, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(std::string(value.bytes.begin(), value.bytes.end()), "x");
    ASSERT_TRUE(reader.read(header(kSinglePage, 5, 8, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(value.bytes, piece(8, 0, "s"));
    // Pointers to a missing page, a row beyond the offsets, or with the top bit set end it too.
    for (const Bytes& bad : {header(kChain, 10, 12, 0), header(kChain, 10, 5, 40), header(kChain, 10, 0x800000, 0)}) {
        EXPECT_TRUE(reader.read(bad.data(), nullptr, 0, value, loopAt));
        EXPECT_TRUE(value.bytes.empty());
    }
    const Bytes stored = {'K', 'K', 'D', 0};
    ASSERT_TRUE(reader.read(header(kInline, 4, 0, 0).data(), stored.data(), 4, value, loopAt));
    EXPECT_EQ(value.bytes, stored);
    // libmdb keeps one current long-value row per column: a header with flags it does not
    // know reads nothing itself and goes on from that row.
    jet::PropertyChainReader fresh = file.reader();
    ASSERT_TRUE(fresh.read(header(kSinglePage, 5, 8, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_FALSE(fresh.read(header(0x10000000u, 5, 3, 0).data(), nullptr, 0, value, loopAt));
    EXPECT_EQ(loopAt, 8u << 8);
}

namespace {

// A chunk: its 32-bit length, its 16-bit type (0x80 names, 0x00 the table's values, 0x01 a
// column's), then its body.
Bytes chunk(unsigned type, const Bytes& body)
{
    Bytes bytes;
    appendUInt32(bytes, static_cast<std::uint32_t>(body.size() + 6));
    appendUInt16(bytes, type);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Bytes names(const std::vector<std::string>& list)
{
    Bytes body;
    for (const std::string& name : list) {
        appendUInt16(body, static_cast<unsigned>(name.size()));
        body.insert(body.end(), name.begin(), name.end());
    }
    return body;
}

struct Property {
    unsigned nameIndex;
    unsigned char type;
    std::string value;
};

// The values of one object (the table's own block has no name): each property's length, DDL
// flag, type, name index and value.
Bytes block(const std::string& object, const std::vector<Property>& properties)
{
    Bytes block;
    appendUInt32(block, 0);  // the block's length, patched below
    appendUInt16(block, static_cast<unsigned>(object.size()));
    block.insert(block.end(), object.begin(), object.end());
    for (const Property& property : properties) {
        appendUInt16(block, static_cast<unsigned>(8 + property.value.size()));
        block.push_back(0);
        block.push_back(property.type);
        appendUInt16(block, property.nameIndex);
        appendUInt16(block, static_cast<unsigned>(property.value.size()));
        block.insert(block.end(), property.value.begin(), property.value.end());
    }
    const Bytes size = [&] { Bytes b; appendUInt32(b, static_cast<std::uint32_t>(block.size())); return b; }();
    std::copy(size.begin(), size.end(), block.begin());
    return block;
}

Bytes blob(const char* mark, const std::vector<Bytes>& chunks)
{
    Bytes value(mark, mark + 4);
    for (const Bytes& part : chunks)
        value.insert(value.end(), part.begin(), part.end());
    return value;
}

}  // namespace

TEST(JetPropertyBlob, DamageFoundWhereLibmdbWouldLoopOrReadOutside)
{
    // Offsets in a sound blob: names chunk at 4 (its first name at 10), values chunk after it,
    // its block 6 bytes in, the first property 6 bytes into the block.
    const Bytes namesChunk = chunk(0x80, names({"Description", "Format"}));
    const Bytes sound = blob("MR2", {namesChunk, chunk(0x00, block("", {{0, 0x0a, "Clients"}, {1, 0x0a, "@"}}))});
    const std::size_t values = 4 + namesChunk.size();
    const std::size_t firstProperty = values + 6 + 6;
    const std::size_t secondProperty = firstProperty + 8 + 7;
    EXPECT_EQ(jet::propertyDamage(sound), std::nullopt);
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
        Bytes damaged = sound;
        std::copy(c.value.begin(), c.value.end(), damaged.begin() + static_cast<long>(c.at));
        EXPECT_EQ(jet::propertyDamage(damaged), c.expected);
    }
    Bytes trailing = sound;
    trailing.insert(trailing.end(), {1, 2, 3});
    EXPECT_EQ(jet::propertyDamage(trailing), sound.size());
    // Values before any names (one with a zero-length entry) and chunks of unknown types are skipped.
    EXPECT_EQ(jet::propertyDamage(blob("MR2", {chunk(0x01, Bytes(14, 0)), chunk(0x33, {1, 2, 3}),
                                               chunk(0x80, names({"Caption"})),
                                               chunk(0x01, block("", {{0, 0x0a, "Nom"}}))})),
              std::nullopt);
}

namespace {

// "KKD", the names Required, DefaultValue and Format, the table's own block, then two columns.
Bytes columnsValue()
{
    return blob("KKD", {chunk(0x80, names({"Required", "DefaultValue", "Format"})),
                        chunk(0x00, block("Commandes", {{2, 10, "Long"}})),
                        chunk(0x01, block("Quantite", {{1, 12, "1"}, {0, 1, std::string(1, '\x01')}})),
                        chunk(0x01, block("Ville", {{0, 1, std::string(1, '\0')}, {1, 12, "\"Lyon\""}}))});
}

const jet::PropertyTextDecoder plain = [](const unsigned char* text, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(text), size);
};

}  // namespace

TEST(JetColumnProperties, DefaultsAndRequiredColumnsByName)
{
    std::map<std::string, jet::ColumnProperties> columns;
    ASSERT_TRUE(jet::readColumnProperties(columnsValue(), plain, columns));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns["Quantite"].defaultValue, "1");
    EXPECT_TRUE(columns["Quantite"].required);
    EXPECT_EQ(columns["Ville"].defaultValue, "\"Lyon\"");
    EXPECT_FALSE(columns["Ville"].required);
    // Not a property value at all.
    EXPECT_FALSE(jet::readColumnProperties({'M', 'Z', 0, 0, 1, 2}, plain, columns));
    EXPECT_TRUE(columns.empty());
}

TEST(JetColumnProperties, EveryCutOrWrongLengthGivesNothingRatherThanAReadOutside)
{
    const Bytes whole = columnsValue();
    std::map<std::string, jet::ColumnProperties> complete;
    ASSERT_TRUE(jet::readColumnProperties(whole, plain, complete));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::map<std::string, jet::ColumnProperties> columns;
        // A cut between two chunks is a shorter, sound value; any other is refused whole.
        if (jet::readColumnProperties(Bytes(whole.begin(), whole.begin() + static_cast<long>(size)), plain, columns))
            EXPECT_LE(columns.size(), complete.size()) << size;
        else
            EXPECT_TRUE(columns.empty()) << size;
    }
    for (std::size_t at = 4; at < whole.size(); ++at) {
        Bytes changed = whole;
        changed[at] = 0xff;
        std::map<std::string, jet::ColumnProperties> columns;
        jet::readColumnProperties(changed, plain, columns);  // must only stay inside the bytes
        for (const auto& [name, properties] : columns)
            EXPECT_LE(properties.defaultValue.value_or("").size(), whole.size());
    }
}
