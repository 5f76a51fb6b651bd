#pragma once
// Texts of Jet 3 files, kept one byte a character in a Windows code page. Only Windows-1252
// (Western Europe, what French and English Access 97 write) is known here.
#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

constexpr int kWesternCodePage = 1252;

bool codePageKnown(int codePage);
// UTF-8 to the code page's bytes, appended to `out`; false when the text is not valid UTF-8 or
// holds a character the code page has no byte for, `refused` then that character in UTF-8.
bool toCodePage(int codePage, const std::string& text, std::vector<unsigned char>& out, std::string& refused);
// The code page's bytes to UTF-8 (a byte the code page leaves undefined reads as U+FFFD).
std::string fromCodePage(int codePage, const unsigned char* bytes, std::size_t size);

}  // namespace kervane::jet
