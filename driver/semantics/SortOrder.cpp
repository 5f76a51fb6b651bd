#include "driver/semantics/SortOrder.h"

#include "driver/semantics/CaseFolding.h"
#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <array>
#include <sqlite3.h>

namespace kervane::sql {
namespace {

// Accent-level weights: zero for a plain letter, then the order accented letters take after it.
enum Accent : std::uint8_t {
    NoAccent, Acute, Grave, Circumflex, Diaeresis, Tilde, Ring, Cedilla, Caron, Breve, Macron,
    Ogonek, DotAbove, DoubleAcute, Stroke, MiddleDot, Dotless, Apostrophe, Variant, Ligature,
    Superscript, NoBreak
};

// Primary weights, in this order: ASCII punctuation (1..66), other punctuation and symbols,
// digits, letters a..z then ø and þ, every other character by code point.
constexpr std::uint32_t MORE_PUNCTUATION = 0x100;
constexpr std::uint32_t DIGITS = 0x200;
constexpr std::uint32_t LETTERS = 0x210;
constexpr std::uint32_t OTHERS = 0x300;
constexpr char32_t LAST_CODE_POINT = 0x10FFFF;

// Offsets inside MORE_PUNCTUATION: Latin-1 symbols, × and ÷, general punctuation, currencies.
constexpr std::uint32_t TIMES_DIVIDE = 64;
constexpr std::uint32_t GENERAL_PUNCTUATION = 66;
constexpr std::uint32_t CURRENCIES = 178;
static_assert(CURRENCIES + 0x30 <= 0x100);

struct Unit {
    std::uint32_t primary = 0;
    std::uint8_t accent = NoAccent;
};

// One character weighs as one unit, or two for a ligature.
struct Expansion {
    std::array<Unit, 2> units{};
    int count = 1;
};

constexpr bool isAsciiAlnum(unsigned c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr std::array<std::uint32_t, 128> makeAsciiPrimaries()
{
    std::array<std::uint32_t, 128> weights{};
    std::uint32_t rank = 1;
    for (unsigned c = 0; c < 128; ++c) {
        if (c >= '0' && c <= '9')
            weights[c] = DIGITS + (c - '0');
        else if (c >= 'a' && c <= 'z')
            weights[c] = LETTERS + (c - 'a');
        else if (c >= 'A' && c <= 'Z')
            weights[c] = LETTERS + (c - 'A');
        else
            weights[c] = rank++;
    }
    return weights;
}
constexpr std::array<std::uint32_t, 128> ASCII_PRIMARY = makeAsciiPrimaries();
static_assert(ASCII_PRIMARY[127] == 66 && ASCII_PRIMARY[' '] < ASCII_PRIMARY['!']);

// Letters of U+00C0..U+00DF and U+0100..U+017F, three characters each: the base letter (or
// '{' for ø, '|' for þ, right after z), a second letter for a ligature or a space, and the
// accent code (see accentOf). "   " is ×, a symbol.
constexpr std::string_view LATIN1_LETTERS =
    "a ga aa ^a ~a :a oaeLc ,e ge ae ^e :i gi ai ^i :"  // C0..CF
    "d xn ~o go ao ^o ~o :   { 0u gu au ^u :y a| 0ssL";  // D0..DF
constexpr std::string_view EXTENDED_A_LETTERS =
    "a -a -a ua ua ;a ;c ac ac ^c ^c .c .c vc vd vd v"  // 100..10F
    "d /d /e -e -e ue ue .e .e ;e ;e ve vg ^g ^g ug u"  // 110..11F
    "g .g .g ,g ,h ^h ^h /h /i ~i ~i -i -i ui ui ;i ;"  // 120..12F
    "i .i iijLijLj ^j ^k ,k ,k xl al al ,l ,l vl vl *"  // 130..13F
    "l *l /l /n an an ,n ,n vn vn 'n xn xo -o -o uo u"  // 140..14F
    "o \"o \"oeLoeLr ar ar ,r ,r vr vs as as ^s ^s ,s ,"  // 150..15F
    "s vs vt ,t ,t vt vt /t /u ~u ~u -u -u uu uu ou o"  // 160..16F
    "u \"u \"u ;u ;w ^w ^y ^y ^y :z az az .z .z vz vs x";  // 170..17F
static_assert(LATIN1_LETTERS.size() == 32 * 3);
static_assert(EXTENDED_A_LETTERS.size() == 128 * 3);

constexpr Accent accentOf(char code)
{
    switch (code) {
    case 'a': return Acute;
    case 'g': return Grave;
    case '^': return Circumflex;
    case ':': return Diaeresis;
    case '~': return Tilde;
    case 'o': return Ring;
    case ',': return Cedilla;
    case 'v': return Caron;
    case 'u': return Breve;
    case '-': return Macron;
    case ';': return Ogonek;
    case '.': return DotAbove;
    case '"': return DoubleAcute;
    case '/': return Stroke;
    case '*': return MiddleDot;
    case 'i': return Dotless;
    case '\'': return Apostrophe;
    case 'x': return Variant;
    case 'L': return Ligature;
    default: return NoAccent;
    }
}

Unit letterUnit(char base, Accent accent)
{
    return {LETTERS + std::uint32_t(base - 'a'), accent};
}

Expansion single(std::uint32_t primary, Accent accent = NoAccent)
{
    Expansion expansion;
    expansion.units[0] = {primary, accent};
    return expansion;
}

Expansion fromTable(std::string_view table, std::size_t index)
{
    const std::string_view entry = table.substr(index * 3, 3);
    if (entry[0] == ' ')  // × (÷ is caught before it reaches here)
        return single(MORE_PUNCTUATION + TIMES_DIVIDE);
    Expansion expansion;
    expansion.units[0] = letterUnit(entry[0], accentOf(entry[2]));
    if (entry[1] != ' ') {
        expansion.units[1] = letterUnit(entry[1], NoAccent);
        expansion.count = 2;
    }
    return expansion;
}

// Latin-1 Supplement: a few characters weigh as a letter, digit or space.
Expansion weighLatin1(char32_t c)
{
    switch (c) {
    case 0xA0: return single(ASCII_PRIMARY[' '], NoBreak);
    case 0xAA: return single(LETTERS, Superscript);  // ª
    case 0xBA: return single(LETTERS + ('o' - 'a'), Superscript);  // º
    case 0xB9: return single(DIGITS + 1, Superscript);
    case 0xB2: return single(DIGITS + 2, Superscript);
    case 0xB3: return single(DIGITS + 3, Superscript);
    case 0xF7: return single(MORE_PUNCTUATION + TIMES_DIVIDE + 1);
    case 0xFF: return single(LETTERS + ('y' - 'a'), Diaeresis);
    default: break;
    }
    if (c < 0xC0)
        return single(MORE_PUNCTUATION + (c - 0x80));
    // Lower-case letters E0..FE mirror the capitals C0..DE.
    return fromTable(LATIN1_LETTERS, c >= 0xE0 ? c - 0xE0 : c - 0xC0);
}

Expansion weigh(char32_t c)
{
    if (c < 0x80)
        return single(ASCII_PRIMARY[c]);
    // Case never matters, in any script: a character weighs as its case fold, which may be an
    // ASCII letter (the Kelvin sign is k) or a Greek one (the micro sign is mu). The tables of
    // Latin-1 and Latin Extended-A already weigh both cases alike; only these two fold out of them.
    if (c >= 0x180 || c == 0xB5 || c == 0x17F) {
        c = foldCase(c);
        if (c < 0x80)
            return single(ASCII_PRIMARY[c]);
    }
    if (c < 0x100)
        return weighLatin1(c);
    if (c < 0x180)
        return fromTable(EXTENDED_A_LETTERS, c - 0x100);
    if (c >= 0x2000 && c < 0x2070)
        return single(MORE_PUNCTUATION + GENERAL_PUNCTUATION + (c - 0x2000));
    if (c >= 0x20A0 && c < 0x20D0)
        return single(MORE_PUNCTUATION + CURRENCIES + (c - 0x20A0));
    return single(OTHERS + std::min(c, LAST_CODE_POINT));
}

// Yields the units of a text one by one, from a byte position.
class UnitReader {
public:
    UnitReader(std::string_view text, std::size_t pos) : m_text(text), m_pos(pos) {}

    bool next(Unit& unit)
    {
        if (m_hasPending) {
            unit = m_pending;
            m_hasPending = false;
            return true;
        }
        if (m_pos >= m_text.size())
            return false;
        const Expansion expansion = weigh(nextCodePoint(m_text, m_pos));
        unit = expansion.units[0];
        if (expansion.count == 2) {
            m_pending = expansion.units[1];
            m_hasPending = true;
        }
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos;
    Unit m_pending;
    bool m_hasPending = false;
};

int sign(bool less) { return less ? -1 : 1; }

int comparePrimaries(std::string_view a, std::string_view b, std::size_t start)
{
    UnitReader readerA(a, start);
    UnitReader readerB(b, start);
    Unit unitA, unitB;
    for (;;) {
        const bool hasA = readerA.next(unitA);
        const bool hasB = readerB.next(unitB);
        if (!hasA || !hasB)
            return hasA == hasB ? 0 : sign(hasB);
        if (unitA.primary != unitB.primary)
            return sign(unitA.primary < unitB.primary);
    }
}

// Only called when the primaries are equal, so both texts have as many units.
int compareAccents(std::string_view a, std::string_view b, std::size_t start)
{
    UnitReader readerA(a, start);
    UnitReader readerB(b, start);
    Unit unitA, unitB;
    while (readerA.next(unitA) && readerB.next(unitB)) {
        if (unitA.accent != unitB.accent)
            return sign(unitA.accent < unitB.accent);
    }
    return 0;
}

// Order-preserving, self-delimiting bytes for a primary weight (never a 0 byte first).
void appendPrimary(std::string& key, std::uint32_t weight)
{
    const auto put = [&key](std::uint32_t byte) { key.push_back(static_cast<char>(byte & 0xFF)); };
    if (weight < MORE_PUNCTUATION) {
        put(weight);
    } else if (weight < DIGITS) {
        put(0x43);
        put(weight - MORE_PUNCTUATION);
    } else if (weight < LETTERS) {
        put(0x44 + (weight - DIGITS));
    } else if (weight < OTHERS) {
        put(0x4E + (weight - LETTERS));
    } else {
        const std::uint32_t codePoint = weight - OTHERS;
        put(0x6A + (codePoint >> 16));
        put(codePoint >> 8);
        put(codePoint);
    }
}
static_assert(ASCII_PRIMARY[127] < 0x43 && 0x4E + 27 < 0x6A);

int collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compareAccessText({static_cast<const char*>(a), std::size_t(lengthA)},
                             {static_cast<const char*>(b), std::size_t(lengthB)});
}

}  // namespace

char32_t nextCodePoint(std::string_view text, std::size_t& pos)
{
    const Utf8Sequence sequence = readUtf8Sequence(text, pos);
    if (sequence.fault != Utf8Fault::None)
        return static_cast<unsigned char>(text[pos++]);
    pos += sequence.length;
    return sequence.code;
}

int compareAccessText(std::string_view a, std::string_view b)
{
    // Plain ASCII has no accents and one unit per byte: compare it byte by byte.
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (; i < common; ++i) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[i]);
        if ((byteA | byteB) & 0x80)
            break;
        if (byteA != byteB && ASCII_PRIMARY[byteA] != ASCII_PRIMARY[byteB])
            return sign(ASCII_PRIMARY[byteA] < ASCII_PRIMARY[byteB]);
    }
    if (i == common && a.size() == b.size())
        return 0;
    if (const int primary = comparePrimaries(a, b, i))
        return primary;
    return compareAccents(a, b, i);
}

std::string accessSortKey(std::string_view text)
{
    std::string key;
    key.reserve(text.size() * 2 + 1);
    UnitReader primaries(text, 0);
    Unit unit;
    while (primaries.next(unit))
        appendPrimary(key, unit.primary);
    key.push_back('\0');
    // Accents follow, one byte per unit; trailing zeros are dropped, which keeps the order
    // since texts that get this far have as many units.
    std::size_t end = key.size();
    UnitReader accents(text, 0);
    while (accents.next(unit)) {
        key.push_back(static_cast<char>(unit.accent));
        if (unit.accent != NoAccent)
            end = key.size();
    }
    key.resize(end);
    return key;
}

std::uint64_t accessCharacterWeight(char32_t c)
{
    const Expansion expansion = weigh(c);
    const Unit second = expansion.count == 2 ? expansion.units[1] : Unit{};
    return (std::uint64_t(expansion.units[0].primary) << 37) | (std::uint64_t(second.primary) << 16) |
           (std::uint64_t(expansion.units[0].accent) << 8) | second.accent;
}

void registerAccessCollation(sqlite3* db)
{
    sqlite3_create_collation_v2(db, ACCESS_COLLATION, SQLITE_UTF8, nullptr, collate, nullptr);
}

}  // namespace kervane::sql
