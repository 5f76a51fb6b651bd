#pragma once
// The character codes of Jet 4 and ACE text index keys in the two General sort orders, as runs of
// consecutive characters (generated tables: JetIndexTextCodes.cpp for "General - Legacy", that of
// Access 2000-2007 files, JetIndexTextCodesGeneral.cpp for "General", that of Access 2010 and
// later). A character outside every run has no known code: NUL and the others Access writes as
// nothing, whose place another version of the sort tables may change, and the surrogates.
#include <cstdint>
#include <iterator>

namespace kervane::jet::textcodes {

// How a character shows in a key.
enum class CodeKind : unsigned char {
    Simple,       // a code in the text part only
    Accented,     // a code in the text part and one in the accents part
    Unprintable,  // nothing in the text part; its position and code in the unprintable part
    Modifier,     // nothing in the text part; added to the previous accent code
    Kana,         // a code in the text part, maybe an accent code, a flag in the kana part
};

struct CodeRun {
    char16_t first;
    char16_t last;
    CodeKind kind;
    unsigned char textLength;   // bytes of the text code (up to 8), 0 when none
    std::uint64_t textFirst;    // text code of `first`, most significant byte first
    std::int64_t step;          // added to the text code for each following character
    unsigned char sideLength;   // bytes of the accent, unprintable or modifier code (up to 3)
    std::uint32_t side;         // that code, most significant byte first
    unsigned char kanaFlag;     // Kana: 2 or 3
};

// A sort order's runs, in ascending order of characters, not overlapping.
struct CodeTable {
    const CodeRun* begin;
    const CodeRun* end;
};

CodeTable generalLegacyRuns();
CodeTable generalRuns();

}  // namespace kervane::jet::textcodes
