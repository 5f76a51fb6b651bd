#pragma once
// The hashes, AES and Base64 the Office encryption of Access 2007 and later files is made of,
// taken from OpenSSL's libcrypto. Key material passes through `SecretBytes`, cleared when it goes.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kervane::jet::office {

using Bytes = std::vector<unsigned char>;

// Bytes that held a key, a password or what was derived from them: overwritten when they go.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(Bytes bytes) : m_bytes(std::move(bytes)) {}
    SecretBytes(const SecretBytes& other) : m_bytes(other.m_bytes) {}
    SecretBytes& operator=(const SecretBytes& other);
    ~SecretBytes();

    const Bytes& bytes() const { return m_bytes; }
    Bytes& bytes() { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }
    const unsigned char* data() const { return m_bytes.data(); }

private:
    Bytes m_bytes;
};

enum class HashKind { Md5, Sha1, Sha256, Sha384, Sha512 };

// The hash an encryption descriptor names ("SHA1", "SHA512"...), none for a name not known.
std::optional<HashKind> hashNamed(std::string_view name);
std::size_t hashSize(HashKind kind);

// The hash of the parts one after the other.
SecretBytes hashOf(HashKind kind, std::initializer_list<std::span<const unsigned char>> parts);

// `bytes` cut or lengthened to `size`, lengthened with `fill`.
SecretBytes fixedLength(const SecretBytes& bytes, std::size_t size, unsigned char fill);

enum class AesMode { Ecb, Cbc };

// AES under `key` (16, 24 or 32 bytes) over `size` bytes, a whole number of blocks and no padding,
// from `in` to `out` (which may be the same); `iv` (16 bytes) for CBC only. False when libcrypto
// refuses.
bool aes(bool encrypt, AesMode mode, const SecretBytes& key, const unsigned char* iv, const unsigned char* in,
         unsigned char* out, std::size_t size);

// The bytes a Base64 text stands for; none when it is no Base64.
std::optional<Bytes> fromBase64(std::string_view text);

}  // namespace kervane::jet::office
