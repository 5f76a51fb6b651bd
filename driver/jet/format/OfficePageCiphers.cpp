#include "driver/jet/format/OfficePageCiphers.h"

#include "driver/jet/format/JetPageCipher.h"

#include <cstring>
#include <unordered_map>

namespace kervane::jet::office {
namespace pageciphers {

constexpr std::size_t kRc4KeyBytes = 16;
constexpr std::size_t kShortRc4Key = 5;
constexpr std::size_t kPadBlock = 64;
// Key streams kept, as for an encoded Jet file: a page read again costs one pass of XOR.
constexpr std::size_t kKeptStreams = 1024;

// A page that cannot be deciphered reads as zeros: an unknown page type, reported as damage.
void failed(unsigned char* bytes, std::size_t size)
{
    std::memset(bytes, 0, size);
}

class Rc4Pages final : public OfficePageCipher {
public:
    Rc4Pages(SecretBytes base, std::size_t keyBytes, const EncodingKey& key)
        : m_base(std::move(base)), m_keyBytes(keyBytes), m_key(key)
    {
    }
    void decipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const override { apply(page, bytes, size); }
    void encipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const override { apply(page, bytes, size); }

private:
    void apply(std::uint32_t page, unsigned char* bytes, std::size_t size) const
    {
        const Bytes& stream = streamOf(page, size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] ^= stream[i];
    }
    const Bytes& streamOf(std::uint32_t page, std::size_t size) const
    {
        const auto kept = m_streams.find(page);
        if (kept != m_streams.end() && kept->second.size() == size)
            return kept->second;
        if (m_streams.size() >= kKeptStreams)
            m_streams.clear();
        const EncodingKey block = blockBytes(m_key, page);
        const SecretBytes key = rc4Key(m_base, m_keyBytes, block);
        Bytes stream(size, 0);
        rc4(key.data(), key.size(), stream.data(), stream.size());
        return m_streams[page] = std::move(stream);
    }

    SecretBytes m_base;
    std::size_t m_keyBytes;
    EncodingKey m_key;
    mutable std::unordered_map<std::uint32_t, Bytes> m_streams;
};

// A block cipher: the same work both ways but for its direction.
class BlockPages : public OfficePageCipher {
public:
    void decipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const override
    {
        apply(false, page, bytes, size);
    }
    void encipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const override
    {
        apply(true, page, bytes, size);
    }

private:
    virtual void apply(bool encrypt, std::uint32_t page, unsigned char* bytes, std::size_t size) const = 0;
};

class StandardAesPages final : public BlockPages {
public:
    StandardAesPages(SecretBytes iterated, std::size_t keyBytes, const EncodingKey& key)
        : m_iterated(std::move(iterated)), m_keyBytes(keyBytes), m_key(key)
    {
    }

private:
    void apply(bool encrypt, std::uint32_t page, unsigned char* bytes, std::size_t size) const override
    {
        const EncodingKey block = blockBytes(m_key, page);
        if (!aes(encrypt, AesMode::Ecb, standardAesKey(m_iterated, m_keyBytes, block), nullptr, bytes, bytes, size))
            failed(bytes, size);
    }

    SecretBytes m_iterated;
    std::size_t m_keyBytes;
    EncodingKey m_key;
};

class AgileAesPages final : public BlockPages {
public:
    AgileAesPages(SecretBytes fileKey, HashKind hash, Bytes salt, std::size_t blockSize, const EncodingKey& key)
        : m_fileKey(std::move(fileKey)), m_hash(hash), m_salt(std::move(salt)), m_blockSize(blockSize), m_key(key)
    {
    }

private:
    void apply(bool encrypt, std::uint32_t page, unsigned char* bytes, std::size_t size) const override
    {
        const EncodingKey block = blockBytes(m_key, page);
        const SecretBytes iv = fixedLength(hashOf(m_hash, {m_salt, block}), m_blockSize, 0x36);
        if (!aes(encrypt, AesMode::Cbc, m_fileKey, iv.data(), bytes, bytes, size))
            failed(bytes, size);
    }

    SecretBytes m_fileKey;
    HashKind m_hash;
    Bytes m_salt;
    std::size_t m_blockSize;
    EncodingKey m_key;
};

}  // namespace pageciphers

EncodingKey blockBytes(const EncodingKey& key, std::uint32_t page)
{
    EncodingKey block = key;
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] ^= static_cast<unsigned char>(page >> (8 * i));
    return block;
}

SecretBytes rc4Key(const SecretBytes& base, std::size_t keyBytes, std::span<const unsigned char> block)
{
    SecretBytes key = fixedLength(hashOf(HashKind::Sha1, {base.bytes(), block}), keyBytes, 0);
    return keyBytes == pageciphers::kShortRc4Key ? fixedLength(key, pageciphers::kRc4KeyBytes, 0) : key;
}

std::shared_ptr<const OfficePageCipher> rc4Pages(SecretBytes base, std::size_t keyBytes, const EncodingKey& key)
{
    return std::make_shared<pageciphers::Rc4Pages>(std::move(base), keyBytes, key);
}

SecretBytes standardAesKey(const SecretBytes& iterated, std::size_t keyBytes, std::span<const unsigned char> block)
{
    const SecretBytes mixed = hashOf(HashKind::Sha1, {iterated.bytes(), block});
    SecretBytes inner(Bytes(pageciphers::kPadBlock, 0x36));
    SecretBytes outer(Bytes(pageciphers::kPadBlock, 0x5C));
    for (std::size_t i = 0; i < mixed.size(); ++i) {
        inner.bytes()[i] ^= mixed.bytes()[i];
        outer.bytes()[i] ^= mixed.bytes()[i];
    }
    const SecretBytes first = hashOf(HashKind::Sha1, {inner.bytes()});
    const SecretBytes second = hashOf(HashKind::Sha1, {outer.bytes()});
    SecretBytes both(first.bytes());
    both.bytes().insert(both.bytes().end(), second.bytes().begin(), second.bytes().end());
    return fixedLength(both, keyBytes, 0);
}

std::shared_ptr<const OfficePageCipher> standardAesPages(SecretBytes iterated, std::size_t keyBytes,
                                                         const EncodingKey& key)
{
    return std::make_shared<pageciphers::StandardAesPages>(std::move(iterated), keyBytes, key);
}

std::shared_ptr<const OfficePageCipher> agileAesPages(SecretBytes fileKey, HashKind hash, Bytes salt,
                                                      std::size_t blockSize, const EncodingKey& key)
{
    return std::make_shared<pageciphers::AgileAesPages>(std::move(fileKey), hash, std::move(salt), blockSize, key);
}

}  // namespace kervane::jet::office
