#include "driver/jet/format/OfficeEncryption.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/OfficeCryptoPrimitives.h"
#include "driver/jet/format/OfficePageCiphers.h"
#include "driver/jet/format/OfficeXmlDescriptor.h"
#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <openssl/crypto.h>
#include <cctype>
#include <optional>
#include <string_view>

namespace kervane::jet {
namespace officeencryption {

using office::Bytes;
using office::EncodingKey;
using office::HashKind;
using office::SecretBytes;

constexpr std::size_t kDescription = 0x299;  // its length (2 bytes), then the description
constexpr std::size_t kLongestPassword = 255;
constexpr std::uint32_t kStandardRounds = 50000;

// The flags of a binary description (the standard and CryptoAPI forms).
constexpr std::uint32_t kCryptoApi = 0x04;
constexpr std::uint32_t kExternal = 0x10;
constexpr std::uint32_t kAesFlag = 0x20;
constexpr std::uint32_t kRc4 = 0x6801;
constexpr std::uint32_t kAes128 = 0x660E;
constexpr std::uint32_t kAes192 = 0x660F;
constexpr std::uint32_t kAes256 = 0x6610;
constexpr std::uint32_t kSha1 = 0x8004;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kVerifierSize = 16;

// The fixed blocks the agile form hashes with the password to open its verifier and its key.
constexpr std::array<unsigned char, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<unsigned char, 8> kVerifierValueBlock = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::array<unsigned char, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

// Reads little-endian numbers and byte runs from a description, remembering an overrun.
class Reader {
public:
    Reader(const unsigned char* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}
    std::uint32_t u32()
    {
        if (!room(4))
            return 0;
        const std::uint32_t value = readUInt32(m_bytes + m_at, 0);
        m_at += 4;
        return value;
    }
    std::uint16_t u16()
    {
        if (!room(2))
            return 0;
        const std::uint16_t value = readUInt16(m_bytes + m_at, 0);
        m_at += 2;
        return value;
    }
    Bytes take(std::size_t count)
    {
        if (!room(count))
            return {};
        Bytes bytes(m_bytes + m_at, m_bytes + m_at + count);
        m_at += count;
        return bytes;
    }
    std::size_t at() const { return m_at; }
    std::size_t size() const { return m_size; }
    bool ok() const { return m_ok; }

private:
    bool room(std::size_t count)
    {
        m_ok = m_ok && count <= m_size - m_at;
        return m_ok;
    }
    const unsigned char* m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

// The password as the forms hash it: its UTF-16 units, little-endian, at most 255 of them.
SecretBytes passwordBytes(const std::string& password)
{
    std::u16string units = sql::utf16FromUtf8(password, sql::IllFormed::Replace).value_or(std::u16string());
    units.resize(std::min(units.size(), kLongestPassword));
    Bytes bytes;
    bytes.reserve(2 * units.size());
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xff));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    OPENSSL_cleanse(units.data(), units.size() * sizeof(char16_t));
    return SecretBytes(std::move(bytes));
}

std::array<unsigned char, 4> littleEndian(std::uint32_t value)
{
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

// The hash of the salt and the password, hashed again `rounds` times, each time after the round's
// number.
SecretBytes iteratedHash(HashKind kind, const Bytes& salt, const SecretBytes& password, std::uint32_t rounds)
{
    SecretBytes hash = office::hashOf(kind, {salt, password.bytes()});
    for (std::uint32_t round = 0; round < rounds; ++round)
        hash = office::hashOf(kind, {littleEndian(round), hash.bytes()});
    return hash;
}

// What a binary description states (the standard and CryptoAPI forms).
struct BinaryDescription {
    std::uint32_t flags = 0;
    std::uint32_t algorithm = 0;
    std::uint32_t hash = 0;
    std::uint32_t keyBits = 0;
    std::u16string provider;
    Bytes salt;
    Bytes verifier;
    std::uint32_t verifierHashSize = 0;
    Bytes verifierHash;  // what remains of the description
};

std::optional<BinaryDescription> readBinary(Reader& reader)
{
    BinaryDescription description;
    reader.u32();  // a copy of the header's flags
    const std::uint32_t headerSize = reader.u32();
    const std::size_t headerStart = reader.at();
    description.flags = reader.u32();
    reader.u32();  // size of the extra part, always 0
    description.algorithm = reader.u32();
    description.hash = reader.u32();
    description.keyBits = reader.u32();
    reader.u32();  // provider type
    reader.u32();
    reader.u32();
    if (!reader.ok() || headerSize < reader.at() - headerStart || headerSize > reader.size() - headerStart)
        return std::nullopt;
    const Bytes name = reader.take(headerSize - (reader.at() - headerStart));
    for (std::size_t i = 0; i + 1 < name.size() && (name[i] != 0 || name[i + 1] != 0); i += 2)
        description.provider += static_cast<char16_t>(name[i] | (name[i + 1] << 8));
    if (reader.u32() != kSaltSize)
        return std::nullopt;
    description.salt = reader.take(kSaltSize);
    description.verifier = reader.take(kVerifierSize);
    description.verifierHashSize = reader.u32();
    description.verifierHash = reader.take(reader.size() - std::min(reader.size(), reader.at()));
    if (!reader.ok())
        return std::nullopt;
    return description;
}

bool isBaseProvider(const std::u16string& provider)
{
    std::string name;
    for (const char16_t unit : provider)
        name += unit < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(unit))) : '?';
    return name.find_first_not_of(' ') == std::string::npos || name.find(" base ") != std::string::npos;
}

// The AES key size an algorithm names, or 0 for one that is not AES.
std::uint32_t aesBits(std::uint32_t algorithm)
{
    switch (algorithm) {
    case kAes128: return 128;
    case kAes192: return 192;
    case kAes256: return 256;
    default: return 0;
    }
}

OfficeOpening openRc4(const BinaryDescription& description, const SecretBytes& password, const EncodingKey& key,
                      std::shared_ptr<const OfficePageCipher>& cipher)
{
    std::uint32_t bits = description.keyBits;
    if (bits == 0)
        bits = isBaseProvider(description.provider) ? 40 : 128;
    constexpr std::size_t kHashSize = 20;
    if (bits < 40 || bits > 512 || bits % 8 != 0 || description.verifierHash.size() < kHashSize)
        return OfficeOpening::Unsupported;
    SecretBytes base = office::hashOf(HashKind::Sha1, {description.salt, password.bytes()});
    // The verifier and its hash are one stream under the key of block 0.
    Bytes opened = description.verifier;
    opened.insert(opened.end(), description.verifierHash.begin(), description.verifierHash.begin() + kHashSize);
    const SecretBytes firstKey = office::rc4Key(base, bits / 8, littleEndian(0));
    rc4(firstKey.data(), firstKey.size(), opened.data(), opened.size());
    const std::size_t compared = std::min<std::size_t>(description.verifierHashSize, kHashSize);
    const SecretBytes expected =
        office::hashOf(HashKind::Sha1, {std::span<const unsigned char>(opened.data(), kVerifierSize)});
    if (!std::equal(expected.data(), expected.data() + compared, opened.begin() + kVerifierSize))
        return OfficeOpening::WrongPassword;
    cipher = office::rc4Pages(std::move(base), bits / 8, key);
    return OfficeOpening::Opened;
}

OfficeOpening openStandardAes(const BinaryDescription& description, const SecretBytes& password,
                              const EncodingKey& key, std::shared_ptr<const OfficePageCipher>& cipher)
{
    const std::uint32_t bits = aesBits(description.algorithm != 0 ? description.algorithm : kAes128);
    constexpr std::size_t kHashSize = 20;
    constexpr std::size_t kEncipheredHash = 32;
    if (bits == 0 || (description.keyBits != 0 && description.keyBits != bits) ||
        description.verifierHash.size() < kEncipheredHash)
        return OfficeOpening::Unsupported;
    // The standard form hashes the password 50,000 times more; some providers write it with none
    // and say so by leaving out the AES flag.
    const std::uint32_t rounds = (description.flags & kAesFlag) != 0 ? kStandardRounds : 0;
    SecretBytes iterated = iteratedHash(HashKind::Sha1, description.salt, password, rounds);
    const SecretBytes firstKey = office::standardAesKey(iterated, bits / 8, littleEndian(0));
    Bytes verifier = description.verifier;
    Bytes hash(description.verifierHash.begin(), description.verifierHash.begin() + kEncipheredHash);
    if (!office::aes(false, office::AesMode::Ecb, firstKey, nullptr, verifier.data(), verifier.data(), verifier.size()) ||
        !office::aes(false, office::AesMode::Ecb, firstKey, nullptr, hash.data(), hash.data(), hash.size()))
        return OfficeOpening::Unsupported;
    const std::size_t compared = std::min<std::size_t>(description.verifierHashSize, kHashSize);
    const SecretBytes expected = office::hashOf(HashKind::Sha1, {verifier});
    if (!std::equal(expected.data(), expected.data() + compared, hash.begin()))
        return OfficeOpening::WrongPassword;
    cipher = office::standardAesPages(std::move(iterated), bits / 8, key);
    return OfficeOpening::Opened;
}

OfficeOpening openBinary(Reader& reader, const SecretBytes& password, const EncodingKey& key,
                         std::shared_ptr<const OfficePageCipher>& cipher)
{
    const std::optional<BinaryDescription> description = readBinary(reader);
    if (!description || (description->flags & kCryptoApi) == 0 || (description->flags & kExternal) != 0 ||
        (description->hash != 0 && description->hash != kSha1))
        return OfficeOpening::Unsupported;
    const bool rc4 = description->algorithm == kRc4 || (description->algorithm == 0 && (description->flags & kAesFlag) == 0);
    if (rc4)
        return (description->flags & kAesFlag) == 0 ? openRc4(*description, password, key, cipher)
                                                     : OfficeOpening::Unsupported;
    return openStandardAes(*description, password, key, cipher);
}

// A block of the agile form's password key: hashed from the password, cut or lengthened with
// 0x36, the bytes it deciphers under the salt as IV.
std::optional<SecretBytes> openAgileBlock(const office::AgilePasswordKey& passwordKey, HashKind hash,
                                          const SecretBytes& iterated, std::span<const unsigned char> block,
                                          const Bytes& enciphered)
{
    const office::AgileCipherParameters& parameters = passwordKey.parameters;
    const SecretBytes key =
        office::fixedLength(office::hashOf(hash, {iterated.bytes(), block}), parameters.keyBits / 8, 0x36);
    const SecretBytes iv = office::fixedLength(SecretBytes(parameters.salt), parameters.blockSize, 0x36);
    SecretBytes opened(enciphered);
    if (!office::aes(false, office::AesMode::Cbc, key, iv.data(), opened.data(), opened.bytes().data(), opened.size()))
        return std::nullopt;
    return opened;
}

bool agileParametersKnown(const office::AgileCipherParameters& parameters)
{
    constexpr std::size_t kAesBlock = 16;
    return parameters.cipherAlgorithm == "AES" && parameters.cipherChaining == "ChainingModeCBC" &&
           parameters.blockSize == kAesBlock &&
           (parameters.keyBits == 128 || parameters.keyBits == 192 || parameters.keyBits == 256) &&
           office::hashNamed(parameters.hashAlgorithm).has_value() && !parameters.salt.empty();
}

OfficeOpening openAgile(Reader& reader, const SecretBytes& password, const EncodingKey& key,
                        std::shared_ptr<const OfficePageCipher>& cipher)
{
    constexpr std::uint32_t kReserved = 0x40;
    if (reader.u32() != kReserved)
        return OfficeOpening::Unsupported;
    const Bytes xml = reader.take(reader.size() - std::min(reader.size(), reader.at()));
    const std::optional<office::AgileDescriptor> descriptor =
        office::readAgileDescriptor(std::string_view(reinterpret_cast<const char*>(xml.data()), xml.size()));
    if (!descriptor || !agileParametersKnown(descriptor->keyData) ||
        !agileParametersKnown(descriptor->passwordKey.parameters))
        return OfficeOpening::Unsupported;
    const office::AgilePasswordKey& passwordKey = descriptor->passwordKey;
    const HashKind hash = *office::hashNamed(passwordKey.parameters.hashAlgorithm);
    const SecretBytes iterated = iteratedHash(hash, passwordKey.parameters.salt, password, passwordKey.spinCount);
    const std::optional<SecretBytes> input =
        openAgileBlock(passwordKey, hash, iterated, kVerifierInputBlock, passwordKey.encryptedVerifierHashInput);
    const std::optional<SecretBytes> value =
        openAgileBlock(passwordKey, hash, iterated, kVerifierValueBlock, passwordKey.encryptedVerifierHashValue);
    if (!input || !value)
        return OfficeOpening::Unsupported;
    // The verifier's hash, lengthened with zeros to whole blocks, is what its value deciphers to.
    const std::size_t block = passwordKey.parameters.blockSize;
    const std::size_t whole = (office::hashSize(hash) + block - 1) / block * block;
    if (value->bytes() != office::fixedLength(office::hashOf(hash, {input->bytes()}), whole, 0).bytes())
        return OfficeOpening::WrongPassword;
    const std::optional<SecretBytes> fileKey =
        openAgileBlock(passwordKey, hash, iterated, kKeyValueBlock, passwordKey.encryptedKeyValue);
    const std::size_t keyBytes = descriptor->keyData.keyBits / 8;
    if (!fileKey || fileKey->size() < keyBytes)
        return OfficeOpening::Unsupported;
    cipher = office::agileAesPages(office::fixedLength(*fileKey, keyBytes, 0),
                                   *office::hashNamed(descriptor->keyData.hashAlgorithm), descriptor->keyData.salt,
                                   descriptor->keyData.blockSize, key);
    return OfficeOpening::Opened;
}

}  // namespace officeencryption

OfficeOpening openOfficeEncryption(const unsigned char* header, std::size_t size,
                                   const std::array<unsigned char, 4>& encodingKey, const std::string& password,
                                   std::shared_ptr<const OfficePageCipher>& cipher)
{
    using namespace officeencryption;
    cipher.reset();
    if (size < kDescription + 2)
        return OfficeOpening::Unsupported;
    const std::size_t length = readUInt16(header, kDescription);
    if (length > size - kDescription - 2)
        return OfficeOpening::Unsupported;
    Reader reader(header + kDescription + 2, length);
    const std::uint16_t major = reader.u16();
    const std::uint16_t minor = reader.u16();
    const SecretBytes secret = passwordBytes(password);
    if (major == 4 && minor == 4)
        return openAgile(reader, secret, encodingKey, cipher);
    if (major >= 2 && major <= 4 && minor == 2)
        return openBinary(reader, secret, encodingKey, cipher);
    return OfficeOpening::Unsupported;
}

}  // namespace kervane::jet
