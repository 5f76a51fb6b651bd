#include "driver/jet/JetIndexText.h"

#include "driver/jet/JetIndexKey.h"

namespace kervane::jet {

namespace {

constexpr unsigned char kEndOfText = 0x01;
constexpr unsigned char kEndOfExtra = 0x00;
constexpr std::size_t kIndexedCharacters = 255;  // a key holds the first 255 characters

// The characters whose one-byte code in the General sort order was checked against the index
// pages of genuine Access 2000 files, with their codes (a capital shares its small letter's).
struct KnownCharacter {
    char16_t character;
    unsigned char code;
};
constexpr KnownCharacter kKnown[] = {
    {u' ', 0x07}, {u'0', 0x36}, {u'1', 0x38}, {u'2', 0x3a}, {u'3', 0x3c}, {u'4', 0x3e}, {u'5', 0x40},
    {u'6', 0x42}, {u'7', 0x44}, {u'8', 0x46}, {u'9', 0x48}, {u'a', 0x4a}, {u'b', 0x4c}, {u'c', 0x4d},
    {u'd', 0x4f}, {u'e', 0x51}, {u'f', 0x53}, {u'g', 0x55}, {u'h', 0x57}, {u'i', 0x59}, {u'j', 0x5b},
    {u'k', 0x5c}, {u'l', 0x5e}, {u'm', 0x60}, {u'n', 0x62}, {u'o', 0x64}, {u'p', 0x66}, {u'P', 0x66},
    {u'r', 0x69}, {u's', 0x6b}, {u't', 0x6d}, {u'u', 0x6f}, {u'w', 0x73},
};

// The character's code, 0 when not known.
unsigned char characterCode(char16_t c)
{
    for (const KnownCharacter& known : kKnown)
        if (known.character == c)
            return known.code;
    return 0;
}

}  // namespace

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
                text.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
                at += 2;
            }
        }
        return true;
    }
    if (size % 2 != 0)
        return false;
    for (std::size_t at = 0; at < size; at += 2)
        text.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
    return true;
}

std::u16string knownKeyCharacters()
{
    std::u16string characters;
    for (const KnownCharacter& known : kKnown)
        characters.push_back(known.character);
    return characters;
}

bool textKeyKnown(const std::u16string& text)
{
    for (std::size_t i = 0; i < text.size() && i < kIndexedCharacters; ++i)
        if (characterCode(text[i]) == 0)
            return false;
    return true;
}

bool appendTextKeyColumn(std::vector<unsigned char>& key, const std::u16string* text, bool descending)
{
    if (text == nullptr) {
        key.push_back(descending ? indexkey::kDescendingNull : indexkey::kAscendingNull);
        return true;
    }
    if (descending || !textKeyKnown(*text))
        return false;
    key.push_back(indexkey::kAscendingValue);
    std::vector<unsigned char> codes;
    for (std::size_t i = 0; i < text->size() && i < kIndexedCharacters; ++i)
        codes.push_back(characterCode((*text)[i]));
    codes.push_back(kEndOfText);
    codes.push_back(kEndOfExtra);
    key.insert(key.end(), codes.begin(), codes.end());
    return true;
}

}  // namespace kervane::jet
