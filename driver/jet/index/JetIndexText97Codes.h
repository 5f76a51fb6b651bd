#pragma once
// The codes of the bytes of Jet 3 text index keys in the General sort order of Access 97 files
// whose texts are in Windows-1252 (generated table: JetIndexText97Codes.cpp). NUL has no known
// code.
namespace kervane::jet::textcodes97 {

enum class CodeKind : unsigned char {
    Unknown,
    Simple,       // a code in the text part
    Significant,  // a code per letter in the text part, each a position of the accents part
    Accented,     // a code in the text part and one in the accents part
};

struct ByteCode {
    CodeKind kind;
    unsigned char textLength;  // 1 or 2
    unsigned char text[2];
    unsigned char accent;      // Accented: its code (a nibble)
};

const ByteCode& codeOf(unsigned char byte);

}  // namespace kervane::jet::textcodes97
