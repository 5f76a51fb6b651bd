#include "driver/jet/format/JetCodePage.h"

#include "driver/semantics/UtfCoding.h"

namespace kervane::jet {

namespace {

// Windows-1252 bytes 0x80 to 0x9f. The five the code page leaves undefined (0x81, 0x8d, 0x8f,
// 0x90, 0x9d) are the control characters of the same number, so that two different stored texts
// never read the same and each is written back to its bytes. The other bytes are the Unicode
// characters of the same number.
constexpr std::uint16_t kHighControls[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178,
};

int byteFor(std::uint32_t code)
{
    if (code < 0x80 || (code >= 0xa0 && code <= 0xff))
        return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code)
            return 0x80 + i;
    return -1;
}

}  // namespace

bool codePageKnown(int codePage)
{
    return codePage == kWesternCodePage;
}

bool toCodePage(int codePage, const std::string& text, std::vector<unsigned char>& out, std::string& refused)
{
    refused.clear();
    if (!codePageKnown(codePage))
        return false;
    for (std::size_t i = 0; i < text.size();) {
        // Ill-formed UTF-8 is refused, an overlong form included (it would be another character).
        const sql::Utf8Sequence character = sql::readUtf8Sequence(text, i);
        if (character.fault != sql::Utf8Fault::None)
            return false;
        const int byte = byteFor(character.code);
        if (byte < 0) {
            refused = text.substr(i, character.length);
            return false;
        }
        out.push_back(static_cast<unsigned char>(byte));
        i += character.length;
    }
    return true;
}

std::string fromCodePage(int codePage, const unsigned char* bytes, std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = bytes[i];
        const std::uint32_t code = !codePageKnown(codePage) && b >= 0x80 ? 0xfffd
                                   : b >= 0x80 && b < 0xa0             ? kHighControls[b - 0x80]
                                                                       : b;
        sql::appendUtf8(text, code == 0 ? 0xfffd : code);
    }
    return text;
}

}  // namespace kervane::jet
