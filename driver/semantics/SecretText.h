#pragma once
// A password kept only while it is needed: its bytes are overwritten when it goes, so that no
// copy of it lingers in freed memory (a core dump, the next user of the block).
#include <string>
#include <utility>

namespace kervane {

// Overwrites the bytes of `text`, then empties it.
inline void wipe(std::string& text) noexcept
{
    volatile char* bytes = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = 0;
    text.clear();
}

class SecretText {
public:
    SecretText() = default;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    ~SecretText() { wipe(m_text); }

    std::string& text() noexcept { return m_text; }
    const std::string& text() const noexcept { return m_text; }

private:
    std::string m_text;
};

}  // namespace kervane
