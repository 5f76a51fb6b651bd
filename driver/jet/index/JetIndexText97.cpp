#include "driver/jet/index/JetIndexText97.h"

#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexText97Codes.h"

#include <algorithm>

namespace kervane::jet {

namespace {

using Code97Kind = textcodes97::CodeKind;

constexpr std::size_t kMostKeyCharacters = 255;
constexpr unsigned char kNoAccents = 0x00;
constexpr unsigned char kAccentsBound = 0x0;
constexpr unsigned char kPositionFill = 0x2;

// The bytes a key holds: the first 255, trailing spaces left out.
std::size_t keyLength(const unsigned char* text, std::size_t size)
{
    std::size_t length = std::min(size, kMostKeyCharacters);
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}

// Accent codes, two to a byte, the first in the high nibble.
class Nibbles {
public:
    void add(unsigned char nibble)
    {
        nibble &= 0x0f;
        if (m_high)
            m_bytes.push_back(static_cast<unsigned char>(nibble << 4));
        else
            m_bytes.back() = static_cast<unsigned char>(m_bytes.back() | nibble);
        m_high = !m_high;
    }
    bool empty() const { return m_bytes.empty(); }
    const std::vector<unsigned char>& bytes() const { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
    bool m_high = true;
};

}  // namespace

bool jet3TextKeyKnown(const unsigned char* text, std::size_t size)
{
    const std::size_t length = keyLength(text, size);
    return std::none_of(text, text + length,
                        [](unsigned char b) { return textcodes97::codeOf(b).kind == Code97Kind::Unknown; });
}

bool appendJet3TextKeyColumn(std::vector<unsigned char>& key, const unsigned char* text, std::size_t size,
                             bool descending)
{
    if (text == nullptr) {
        key.push_back(descending ? indexkey::kDescendingNull : indexkey::kAscendingNull);
        return true;
    }
    if (!jet3TextKeyKnown(text, size))
        return false;
    key.push_back(descending ? indexkey::kDescendingValue : indexkey::kAscendingValue);
    const std::size_t start = key.size();
    Nibbles accents;
    int positions = 0;  // letters counted since the last accent
    for (std::size_t i = 0, length = keyLength(text, size); i < length; ++i) {
        const textcodes97::ByteCode& code = textcodes97::codeOf(text[i]);
        key.insert(key.end(), code.text, code.text + code.textLength);
        if (code.kind == Code97Kind::Significant) {
            positions += code.textLength;  // the sharp s counts as its two letters s
        } else if (code.kind == Code97Kind::Accented) {
            if (accents.empty())
                accents.add(kAccentsBound);
            for (; positions > 0; --positions)
                accents.add(kPositionFill);
            accents.add(code.accent);
        }
    }
    if (accents.empty()) {
        key.push_back(kNoAccents);
    } else {
        accents.add(kAccentsBound);
        key.insert(key.end(), accents.bytes().begin(), accents.bytes().end());
    }
    if (descending)
        for (std::size_t i = start; i < key.size(); ++i)
            key[i] = static_cast<unsigned char>(~key[i]);
    return true;
}

}  // namespace kervane::jet
