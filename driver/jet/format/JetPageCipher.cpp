#include "driver/jet/format/JetPageCipher.h"

#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/format/OfficeEncryption.h"

#include <algorithm>
#include <random>
#include <vector>

namespace kervane::jet {
namespace pagecipher {

constexpr std::size_t kEncodingKey = 0x3e;  // the file's key, in the masked part of the header
constexpr std::size_t kHeaderNeeded = 0x100;

}  // namespace pagecipher

void rc4(const unsigned char* key, std::size_t keySize, unsigned char* bytes, std::size_t size)
{
    std::array<unsigned char, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<unsigned char>(i);
    for (std::size_t i = 0, j = 0; i < state.size(); ++i) {
        j = (j + state[i] + key[i % keySize]) & 0xff;
        std::swap(state[i], state[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < size; ++n) {
        i = (i + 1) & 0xff;
        j = (j + state[i]) & 0xff;
        std::swap(state[i], state[j]);
        bytes[n] ^= state[(state[i] + state[j]) & 0xff];
    }
}

JetPageCipher JetPageCipher::ofHeader(const unsigned char* header, std::size_t size)
{
    JetPageCipher cipher;
    if (size < pagecipher::kHeaderNeeded)
        return cipher;
    std::vector<unsigned char> shown(header, header + pagecipher::kHeaderNeeded);
    // Both formats hide at least these bytes; Jet 3's shorter mask ends after the key too.
    maskHeader(shown.data(), true);
    std::copy_n(shown.begin() + pagecipher::kEncodingKey, cipher.m_key.size(), cipher.m_key.begin());
    cipher.m_active = std::any_of(cipher.m_key.begin(), cipher.m_key.end(), [](unsigned char b) { return b != 0; });
    return cipher;
}

JetPageCipher JetPageCipher::withNewKey()
{
    JetPageCipher cipher;
    std::random_device random;
    while (!cipher.m_active) {
        for (unsigned char& b : cipher.m_key)
            b = static_cast<unsigned char>(random());
        cipher.m_active = std::any_of(cipher.m_key.begin(), cipher.m_key.end(), [](unsigned char b) { return b != 0; });
    }
    return cipher;
}

void JetPageCipher::writeKeyInto(unsigned char* header) const
{
    // Jet 3's shorter mask covers the key in both formats; the same stream hides it again.
    maskHeader(header, true);
    std::copy(m_key.begin(), m_key.end(), header + pagecipher::kEncodingKey);
    maskHeader(header, true);
}

const std::vector<unsigned char>& JetPageCipher::streamOf(std::uint32_t page, std::size_t size) const
{
    const auto kept = m_streams.find(page);
    if (kept != m_streams.end() && kept->second.size() == size)
        return kept->second;
    if (m_streams.size() >= kKeptStreams)
        m_streams.clear();
    std::array<unsigned char, 4> key = m_key;
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] ^= static_cast<unsigned char>(page >> (8 * i));
    std::vector<unsigned char> stream(size, 0);
    rc4(key.data(), key.size(), stream.data(), stream.size());
    return m_streams[page] = std::move(stream);
}

bool JetPageCipher::officeEncrypted(const unsigned char* header, std::size_t size)
{
    const std::optional<AccessVersion> version = accessVersionOf(header, size);
    return version && isAce(*version) && ofHeader(header, size).active();
}

OfficeOpening JetPageCipher::ofEncryptedHeader(const unsigned char* header, std::size_t size,
                                               const std::string& password, JetPageCipher& cipher)
{
    JetPageCipher opened = ofHeader(header, size);
    const OfficeOpening outcome = openOfficeEncryption(header, size, opened.m_key, password, opened.m_office);
    if (outcome == OfficeOpening::Opened)
        cipher = std::move(opened);
    return outcome;
}

void JetPageCipher::decipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const
{
    if (m_office && page != 0)
        m_office->decipher(page, bytes, size);
    else
        apply(page, bytes, size);
}

void JetPageCipher::encipher(std::uint32_t page, unsigned char* bytes, std::size_t size) const
{
    if (m_office && page != 0)
        m_office->encipher(page, bytes, size);
    else
        apply(page, bytes, size);
}

void JetPageCipher::apply(std::uint32_t page, unsigned char* bytes, std::size_t size) const
{
    if (!m_active || m_office || page == 0)
        return;
    const std::vector<unsigned char>& stream = streamOf(page, size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] ^= stream[i];
}

}  // namespace kervane::jet
