#pragma once
// The Office encryption of an Access 2007 or later file protected by a password. Its header page
// stays plain and describes, at 0x299, how the other pages are enciphered: the CryptoAPI RC4 of
// Access 2007, AES under a key hashed from the password (the standard form, and a form some
// cryptographic providers write with no hashing rounds), or the "agile" AES form of Access 2010
// and later, described in XML. Each page is enciphered under a key or an IV that mixes in its
// number, laid over the 4-byte key of the header as in an encoded Jet file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kervane::jet {

class OfficePageCipher {
public:
    virtual ~OfficePageCipher() = default;
    // Deciphers or enciphers page `page` (not the header page) in place; `size` is a whole page.
    virtual void decipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const = 0;
    virtual void encipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const = 0;
};

enum class OfficeOpening {
    Opened,         // the password is the file's: `cipher` reads and writes its pages
    WrongPassword,  // the file's verifier refuses the password (an empty one included)
    Unsupported     // an encryption this driver does not know, or a damaged description
};

// Opens the encryption the header page `header` (its first `size` bytes) of an Access 2007 or
// later file describes, with `password` (UTF-8, Access keeps its first 255 characters) and
// `encodingKey`, the 4-byte key the header's masked part holds.
OfficeOpening openOfficeEncryption(const unsigned char* header, std::size_t size,
                                   const std::array<unsigned char, 4>& encodingKey, const std::string& password,
                                   std::shared_ptr<const OfficePageCipher>& cipher);

}  // namespace kervane::jet
