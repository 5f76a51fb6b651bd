#pragma once
// The RC4 stream cipher Jet files use (OpenSSL 3 no longer offers it by default, hence this
// one, checked against the published test vectors), and the cipher of a file's pages: none, that
// of an "encoded" Jet 3 or Jet 4 file (every page but the header enciphered under the file's
// 4-byte key with the page's number laid over it), or the Office encryption of an Access 2007 or
// later file its password opened (OfficeEncryption.h).
#include "driver/jet/format/OfficeEncryption.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kervane::jet {

// Enciphers or deciphers (the same stream undoes itself) `size` bytes under `key`.
void rc4(const unsigned char* key, std::size_t keySize, unsigned char* bytes, std::size_t size);

class JetPageCipher {
public:
    // The cipher a Jet 3 or Jet 4 header page (its first `size` bytes) states: none when its key
    // is zero or the header is too short to tell.
    static JetPageCipher ofHeader(const unsigned char* header, std::size_t size);
    // A cipher under a new random key, for a file made encoded (ENCRYPT).
    static JetPageCipher withNewKey();
    // The Office encryption of the header page (its first `size` bytes, the whole page) of an
    // Access 2007 or later file the header says is enciphered, opened with `password`.
    // True for the header page (its first `size` bytes) of an Access 2007 or later file a password
    // encrypts: its pages are read only through the cipher ofEncryptedHeader() opens.
    static bool officeEncrypted(const unsigned char* header, std::size_t size);
    static OfficeOpening ofEncryptedHeader(const unsigned char* header, std::size_t size, const std::string& password,
                                           JetPageCipher& cipher);

    // Writes the cipher's key into a Jet 3 or Jet 4 header page (under the header's mask): the
    // header of a file whose pages it enciphers.
    void writeKeyInto(unsigned char* header) const;

    bool active() const { return m_active; }
    // True for an encoded Jet file, whose pages libmdb deciphers itself; an Office-encrypted
    // file's are given to it deciphered.
    bool libmdbDeciphers() const { return m_active && !m_office; }
    // True for an Office-encrypted file's cipher.
    bool office() const { return m_office != nullptr; }
    // Deciphers or enciphers page `page` (a whole page) in place; the header page and an inactive
    // cipher leave the bytes as they are. An encoded file's key stream depends on the page's
    // number alone: the streams of the pages used last are kept, so that a page read again costs
    // one pass of XOR.
    void decipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const;
    void encipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const;

private:
    // Pages whose key streams are kept (their bytes: this many pages).
    static constexpr std::size_t kKeptStreams = 1024;

    // The encoded file's cipher, the same both ways.
    void apply(std::uint32_t page, unsigned char* bytes, std::size_t size) const;
    const std::vector<unsigned char>& streamOf(std::uint32_t page, std::size_t size) const;

    std::array<unsigned char, 4> m_key{};
    bool m_active = false;
    std::shared_ptr<const OfficePageCipher> m_office;  // shared by the copies of one opening
    mutable std::unordered_map<std::uint32_t, std::vector<unsigned char>> m_streams;
};

}  // namespace kervane::jet
