#include "driver/jet/format/OfficeCryptoPrimitives.h"

#include <algorithm>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace kervane::jet::office {

SecretBytes& SecretBytes::operator=(const SecretBytes& other)
{
    if (this != &other) {
        OPENSSL_cleanse(m_bytes.data(), m_bytes.size());
        m_bytes = other.m_bytes;
    }
    return *this;
}

SecretBytes::~SecretBytes()
{
    OPENSSL_cleanse(m_bytes.data(), m_bytes.size());
}

namespace primitives {

const EVP_MD* digestOf(HashKind kind)
{
    switch (kind) {
    case HashKind::Md5: return EVP_md5();
    case HashKind::Sha1: return EVP_sha1();
    case HashKind::Sha256: return EVP_sha256();
    case HashKind::Sha384: return EVP_sha384();
    case HashKind::Sha512: return EVP_sha512();
    }
    return EVP_sha1();
}

const EVP_CIPHER* aesOf(AesMode mode, std::size_t keySize)
{
    switch (keySize) {
    case 16: return mode == AesMode::Ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
    case 24: return mode == AesMode::Ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
    case 32: return mode == AesMode::Ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
    default: return nullptr;
    }
}

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace primitives

std::optional<HashKind> hashNamed(std::string_view name)
{
    if (name == "SHA1" || name == "SHA-1")
        return HashKind::Sha1;
    if (name == "SHA256")
        return HashKind::Sha256;
    if (name == "SHA384")
        return HashKind::Sha384;
    if (name == "SHA512")
        return HashKind::Sha512;
    if (name == "MD5")
        return HashKind::Md5;
    return std::nullopt;
}

std::size_t hashSize(HashKind kind)
{
    return static_cast<std::size_t>(EVP_MD_get_size(primitives::digestOf(kind)));
}

SecretBytes hashOf(HashKind kind, std::initializer_list<std::span<const unsigned char>> parts)
{
    // One context per thread, used again for every hash: a key derivation makes 100,000 of them.
    thread_local const std::unique_ptr<EVP_MD_CTX, primitives::DigestContextFree> context(EVP_MD_CTX_new());
    Bytes digest(static_cast<std::size_t>(EVP_MAX_MD_SIZE));
    unsigned int size = 0;
    bool done = context && EVP_DigestInit_ex(context.get(), primitives::digestOf(kind), nullptr) == 1;
    for (const std::span<const unsigned char>& part : parts)
        done = done && EVP_DigestUpdate(context.get(), part.data(), part.size()) == 1;
    done = done && EVP_DigestFinal_ex(context.get(), digest.data(), &size) == 1;
    digest.resize(done ? size : 0);
    return SecretBytes(std::move(digest));
}

SecretBytes fixedLength(const SecretBytes& bytes, std::size_t size, unsigned char fill)
{
    Bytes fixed(bytes.bytes().begin(), bytes.bytes().begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
    fixed.resize(size, fill);
    return SecretBytes(std::move(fixed));
}

bool aes(bool encrypt, AesMode mode, const SecretBytes& key, const unsigned char* iv, const unsigned char* in,
         unsigned char* out, std::size_t size)
{
    const EVP_CIPHER* cipher = primitives::aesOf(mode, key.size());
    constexpr std::size_t kBlock = 16;
    if (cipher == nullptr || size % kBlock != 0)
        return false;
    thread_local const std::unique_ptr<EVP_CIPHER_CTX, primitives::CipherContextFree> context(EVP_CIPHER_CTX_new());
    int written = 0;
    int last = 0;
    return context && EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) == 1 &&
           EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
           EVP_CipherUpdate(context.get(), out, &written, in, static_cast<int>(size)) == 1 &&
           EVP_CipherFinal_ex(context.get(), out + written, &last) == 1 &&
           static_cast<std::size_t>(written + last) == size;
}

std::optional<Bytes> fromBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    Bytes bytes(text.size() / 4 * 3);
    const int size = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size()));
    if (size < 0)
        return std::nullopt;
    // EVP_DecodeBlock counts the padding's bytes as zeros.
    std::size_t padding = 0;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && padding < 2; --i)
        ++padding;
    bytes.resize(static_cast<std::size_t>(size) - padding);
    return bytes;
}

}  // namespace kervane::jet::office
