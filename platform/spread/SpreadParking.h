#pragma once
// The texts of a large sheet set aside in a file while the next result is read, so that the
// previous result and the next one are never both in memory. The file has no name (the system
// removes it when the mapping goes) and is mapped read-only: the sheet still paints from it,
// and only the pages shown come back into memory.
#include <QByteArrayView>
#include <QtGlobal>

#include <memory>
#include <span>

namespace kervane {

class ParkedTexts {
public:
    // The bytes, start offsets and length bytes written to an unnamed file in the user's cache
    // folder and mapped; null when the file cannot be written whole (the caller keeps its memory).
    static std::unique_ptr<ParkedTexts> park(QByteArrayView utf8, std::span<const quint32> starts,
                                             std::span<const quint8> lengths);
    ParkedTexts() = default;  // nothing parked; park() makes the real ones
    ~ParkedTexts();
    ParkedTexts(const ParkedTexts&) = delete;
    ParkedTexts& operator=(const ParkedTexts&) = delete;

    QByteArrayView utf8() const { return {m_pBase, m_nUtf8}; }
    std::span<const quint32> starts() const;
    std::span<const quint8> lengths() const;

private:
    const char* m_pBase = nullptr;
    std::size_t m_nMapped = 0;
    qsizetype m_nUtf8 = 0;
    std::size_t m_nStartsAt = 0;
    std::size_t m_nStarts = 0;
    std::size_t m_nLengthsAt = 0;
    std::size_t m_nLengths = 0;
};

}  // namespace kervane
