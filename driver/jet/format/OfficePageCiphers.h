#pragma once
// The page ciphers of the three Office encryption forms (OfficeEncryption.h), each made from
// what the password opened, and the page keys the password check uses too.
#include "driver/jet/format/OfficeCryptoPrimitives.h"
#include "driver/jet/format/OfficeEncryption.h"

#include <array>
#include <span>

namespace kervane::jet::office {

using EncodingKey = std::array<unsigned char, 4>;

// What a page's key or IV is hashed with: the header's key, the page number laid over it
// (little-endian, exclusive or).
EncodingKey blockBytes(const EncodingKey& key, std::uint32_t page);

// CryptoAPI RC4: SHA-1 of `base` and the block bytes, cut to `keyBytes`; a 40-bit key is then
// lengthened with zeros to 128 bits, as CryptoAPI does.
SecretBytes rc4Key(const SecretBytes& base, std::size_t keyBytes, std::span<const unsigned char> block);
std::shared_ptr<const OfficePageCipher> rc4Pages(SecretBytes base, std::size_t keyBytes, const EncodingKey& key);

// Standard AES (ECB): the SHA-1 of the iterated password hash and the block bytes, spread over
// two SHA-1 of it against 0x36 and 0x5C, cut to `keyBytes`.
SecretBytes standardAesKey(const SecretBytes& iterated, std::size_t keyBytes, std::span<const unsigned char> block);
std::shared_ptr<const OfficePageCipher> standardAesPages(SecretBytes iterated, std::size_t keyBytes,
                                                         const EncodingKey& key);

// Agile AES (CBC) under the file's key; a page's IV is the hash of the key data's salt and the
// block bytes, cut or lengthened with 0x36 to the block size.
std::shared_ptr<const OfficePageCipher> agileAesPages(SecretBytes fileKey, HashKind hash, Bytes salt,
                                                      std::size_t blockSize, const EncodingKey& key);

}  // namespace kervane::jet::office
