#pragma once
// Owns a POSIX file descriptor and closes it on every exit path; writes a whole buffer to one.
#include <cerrno>
#include <cstddef>
#include <unistd.h>
#include <utility>

namespace kervane {

class UniqueFd {
public:
    explicit UniqueFd(int nFd = -1) : m_nFd(nFd) {}
    ~UniqueFd()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& autre) noexcept : m_nFd(std::exchange(autre.m_nFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& autre) noexcept
    {
        if (this != &autre) {
            close();
            m_nFd = std::exchange(autre.m_nFd, -1);
        }
        return *this;
    }

    int get() const { return m_nFd; }
    bool valid() const { return m_nFd >= 0; }
    // Closes now and tells whether the close succeeded (a delayed write error shows here).
    bool close()
    {
        const int nFd = m_nFd;
        m_nFd = -1;
        return nFd < 0 || ::close(nFd) == 0;
    }

private:
    int m_nFd;
};

// Writes every byte, going on after an interruption or a partial write; false on any other
// failure (a full disk, say).
inline bool writeAll(int nFd, const void* pData, std::size_t nBytes)
{
    const auto* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const ssize_t nWritten = ::write(nFd, p, nBytes);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        p += nWritten;
        nBytes -= static_cast<std::size_t>(nWritten);
    }
    return true;
}

}  // namespace kervane
