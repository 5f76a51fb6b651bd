#include "driver/jet/index/JetIndexText.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexTextCodes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kervane::jet {

namespace {

using textcodes::CodeKind;
using textcodes::CodeRun;
using Bytes = std::vector<unsigned char>;

constexpr unsigned char kEndOfText = 0x01;
constexpr unsigned char kEndOfExtra = 0x00;
constexpr std::size_t kIndexedCharacters = 255;  // a key holds the first 255 characters
constexpr unsigned char kNoAccent = 0x02;        // accent part: a character without accent code
constexpr unsigned char kUnprintableMark = 0x06;
constexpr unsigned char kKanaStart = 0x80;
constexpr unsigned char kKanaPlain = 0x03;       // trailing plain kana flags are left out
constexpr unsigned char kKanaEnd[] = {0xff, 0x02, 0x80, 0xff, 0x80};
constexpr unsigned char kKanaBeforeUnprintable = 0xff;

// A sort order's code table, Latin-1 (the characters most texts hold) looked up in a table of its
// own.
class CodeLookup {
public:
    explicit CodeLookup(textcodes::CodeTable table) : m_table(table)
    {
        for (char16_t c = 0; c < 256; ++c)
            m_latin1[c] = search(c);
    }

    // The run holding the character's code, nullptr when it has none known.
    const CodeRun* runOf(char16_t c) const { return c < 256 ? m_latin1[c] : search(c); }

private:
    const CodeRun* search(char16_t c) const
    {
        const CodeRun* run = std::lower_bound(m_table.begin, m_table.end, c,
                                              [](const CodeRun& r, char16_t wanted) { return r.last < wanted; });
        return run != m_table.end && run->first <= c ? run : nullptr;
    }

    textcodes::CodeTable m_table;
    std::array<const CodeRun*, 256> m_latin1{};
};

textcodes::CodeTable codesOf(TextSortOrder order)
{
    return order == TextSortOrder::General ? textcodes::generalRuns() : textcodes::generalLegacyRuns();
}

const CodeLookup& lookupFor(TextSortOrder order)
{
    static const CodeLookup legacy(codesOf(TextSortOrder::GeneralLegacy));
    static const CodeLookup general(codesOf(TextSortOrder::General));
    return order == TextSortOrder::General ? general : legacy;
}

// The text as its key holds it: the first 255 characters, trailing spaces left out.
std::u16string_view indexedPart(const std::u16string& text)
{
    std::u16string_view part(text.data(), std::min(text.size(), kIndexedCharacters));
    while (!part.empty() && part.back() == u' ')
        part.remove_suffix(1);
    return part;
}

// The parts of a text's key, filled a character at a time: the text codes go straight to the
// key, the other parts wait for the end mark.
class TextKeyParts {
public:
    explicit TextKeyParts(Bytes& key) : m_key(key), m_start(key.size()) {}

    void add(char16_t c, const CodeRun& run)
    {
        const int position = m_textCharacters;
        if (run.textLength > 0) {
            const std::uint64_t code = run.textFirst + static_cast<std::uint64_t>(run.step * (c - run.first));
            appendBigEndian(m_key, code, run.textLength);
            ++m_textCharacters;
        }
        switch (run.kind) {
        case CodeKind::Simple:
            break;
        case CodeKind::Kana:
            m_kana.push_back(run.kanaFlag);
            [[fallthrough]];
        case CodeKind::Accented:
            if (run.sideLength > 0)
                addAccent(position, run);
            break;
        case CodeKind::Modifier:
            addModifier(position, static_cast<unsigned char>(run.side));
            break;
        case CodeKind::Unprintable:
            addUnprintable(position, run);
            break;
        }
    }

    // Ends the key after the text codes.
    void finish(bool descending)
    {
        Bytes& out = m_key;
        out.push_back(kEndOfText);
        while (!m_accents.empty() && m_accents.back() <= kNoAccent)
            m_accents.pop_back();
        if (!m_accents.empty() || !m_kana.empty() || !m_unprintable.empty())
            out.insert(out.end(), m_accents.begin(), m_accents.end());
        if (!m_kana.empty() || !m_unprintable.empty()) {
            out.push_back(kEndOfText);
            out.push_back(kEndOfText);
            if (!m_kana.empty())
                appendKana(out);
            if (!m_kana.empty() && !m_unprintable.empty())
                out.push_back(kKanaBeforeUnprintable);
            if (!m_unprintable.empty()) {
                out.push_back(kEndOfText);
                out.insert(out.end(), m_unprintable.begin(), m_unprintable.end());
            }
        }
        if (descending) {
            out.push_back(kEndOfExtra);
            for (auto b = out.begin() + static_cast<std::ptrdiff_t>(m_start); b != out.end(); ++b)
                *b = static_cast<unsigned char>(~*b);
        }
        out.push_back(kEndOfExtra);
    }

private:
    // Characters before `position` without an accent code get a placeholder.
    void fillAccentsTo(int position)
    {
        m_accentsStarted = true;
        if (m_accentCharacters < position) {
            m_accents.insert(m_accents.end(), static_cast<std::size_t>(position - m_accentCharacters), kNoAccent);
            m_accentCharacters = position;
        }
    }

    void addAccent(int position, const CodeRun& run)
    {
        fillAccentsTo(position);
        appendBigEndian(m_accents, run.side, run.sideLength);
        ++m_accentCharacters;
    }

    // A modifier changes the last accent code; first of all, it stands alone and is not counted
    // when unprintable characters' positions are reckoned.
    void addModifier(int position, unsigned char modifier)
    {
        fillAccentsTo(position);
        if (m_accents.empty()) {
            m_accents.push_back(modifier);
            m_modifierPrefix = 1;
        } else {
            m_accents.back() = static_cast<unsigned char>(m_accents.back() + modifier);
        }
    }

    // Position counted in accent bytes once accent codes began, with the characters not yet given
    // one; then 7 + 4 * position with the high bit set, the mark and the code.
    void addUnprintable(int position, const CodeRun& run)
    {
        int place = position;
        if (m_accentsStarted)
            place = static_cast<int>(m_accents.size()) + (position - m_accentCharacters) - m_modifierPrefix;
        appendBigEndian(m_unprintable, static_cast<std::uint32_t>(7 + 4 * place) | 0x8000u, 2);
        m_unprintable.push_back(kUnprintableMark);
        appendBigEndian(m_unprintable, run.side, run.sideLength);
    }

    // Kana flags, trailing plain ones left out, packed three to a byte after a leading bit.
    void appendKana(Bytes& out) const
    {
        std::size_t count = m_kana.size();
        while (count > 0 && m_kana[count - 1] == kKanaPlain)
            --count;
        for (std::size_t at = 0; at < count; at += 3) {
            unsigned char packed = kKanaStart;
            for (std::size_t i = 0; i < 3 && at + i < count; ++i)
                packed = static_cast<unsigned char>(packed | (m_kana[at + i] << (2 * (2 - i))));
            out.push_back(packed);
        }
        out.insert(out.end(), std::begin(kKanaEnd), std::end(kKanaEnd));
    }

    Bytes& m_key;
    const std::size_t m_start;  // the key's first text byte
    int m_textCharacters = 0;
    Bytes m_accents;
    bool m_accentsStarted = false;
    int m_accentCharacters = 0;  // characters the accent part accounts for
    int m_modifierPrefix = 0;
    Bytes m_unprintable;
    Bytes m_kana;
};

}  // namespace

std::optional<TextSortOrder> textSortOrderOf(int number, int version)
{
    constexpr int kGeneral = 1033;
    if (number != kGeneral || (version != 0 && version != 1))
        return std::nullopt;
    return version == 1 ? TextSortOrder::General : TextSortOrder::GeneralLegacy;
}

bool decodeRowText(const unsigned char* data, std::size_t size, std::u16string& text)
{
    text.clear();
    if (size >= 2 && data[0] == 0xff && data[1] == 0xfe) {
        bool compressed = true;
        for (std::size_t at = 2; at < size;) {
            if (data[at] == 0x00) {
                compressed = !compressed;
                ++at;
            } else if (compressed) {
                text.push_back(data[at++]);
            } else {
                if (at + 2 > size)
                    return false;
                text.push_back(static_cast<char16_t>(readUInt16(data, static_cast<int>(at))));
                at += 2;
            }
        }
        return true;
    }
    if (size % 2 != 0)
        return false;
    for (std::size_t at = 0; at < size; at += 2)
        text.push_back(static_cast<char16_t>(readUInt16(data, static_cast<int>(at))));
    return true;
}

std::u16string knownKeyCharacters(TextSortOrder order)
{
    const textcodes::CodeTable table = codesOf(order);
    std::u16string characters;
    for (const CodeRun* run = table.begin; run != table.end; ++run)
        for (char32_t c = run->first; c <= run->last; ++c)
            characters.push_back(static_cast<char16_t>(c));
    return characters;
}

bool textKeyKnown(const std::u16string& text, TextSortOrder order)
{
    const CodeLookup& codes = lookupFor(order);
    for (std::size_t i = 0; i < text.size() && i < kIndexedCharacters; ++i)
        if (codes.runOf(text[i]) == nullptr)
            return false;
    return true;
}

bool appendTextKeyColumn(std::vector<unsigned char>& key, const std::u16string* text, bool descending,
                         TextSortOrder order)
{
    if (text == nullptr) {
        key.push_back(descending ? indexkey::kDescendingNull : indexkey::kAscendingNull);
        return true;
    }
    const std::size_t before = key.size();
    key.push_back(descending ? indexkey::kDescendingValue : indexkey::kAscendingValue);
    TextKeyParts parts(key);
    const CodeLookup& codes = lookupFor(order);
    for (char16_t c : indexedPart(*text)) {
        const CodeRun* run = codes.runOf(c);
        if (run == nullptr) {
            key.resize(before);
            return false;
        }
        parts.add(c, *run);
    }
    parts.finish(descending);
    return true;
}

}  // namespace kervane::jet
