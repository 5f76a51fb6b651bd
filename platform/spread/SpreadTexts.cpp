#include "platform/spread/SpreadTexts.h"

#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace kervane {

namespace {

constexpr qsizetype kMaxBytes = std::numeric_limits<quint32>::max() - 1;
constexpr qsizetype kSmallWaste = 1 << 16;  // below this the bytes left behind stay

}  // namespace

qsizetype appendUtf8(QByteArray& out, QStringView text)
{
    const qsizetype nBefore = out.size();
    out.resize(nBefore + 3 * text.size());  // a UTF-16 unit never takes more than 3 bytes
    char* const pBegin = out.data() + nBefore;
    const std::u16string_view units(text.utf16(), static_cast<std::size_t>(text.size()));
    const char* const pEnd = sql::putUtf8(pBegin, units);
    out.resize(nBefore + (pEnd - pBegin));
    return pEnd - pBegin;
}

QByteArrayView SpreadTexts::utf8(qsizetype nCell) const
{
    const Span& span = m_spans[static_cast<std::size_t>(nCell)];
    if (span.nLength == kNull)
        return {};
    return QByteArrayView(m_utf8.constData() + span.nStart, span.nLength);
}

QString SpreadTexts::text(qsizetype nCell) const
{
    const Span& span = m_spans[static_cast<std::size_t>(nCell)];
    if (span.nLength == kNull)
        return QString();
    if (span.nLength == 0)
        return QStringLiteral("");
    return QString::fromUtf8(m_utf8.constData() + span.nStart, span.nLength);
}

quint32 SpreadTexts::append(QStringView text)
{
    return static_cast<quint32>(appendUtf8(m_utf8, text));
}

void SpreadTexts::setText(qsizetype nCell, QStringView text, bool bNull)
{
    Span& span = m_spans[static_cast<std::size_t>(nCell)];
    if (span.nLength != kNull)
        m_nLive -= span.nLength;
    if (bNull) {
        span = Span{};
        return;
    }
    // Written in place when it fits in the cell's old bytes (a blank over a value, say).
    if (span.nLength != kNull && text.size() <= span.nLength) {
        bool bAscii = true;
        for (const QChar c : text)
            bAscii = bAscii && c.unicode() < 0x80;
        if (bAscii) {
            char* p = m_utf8.data() + span.nStart;
            for (const QChar c : text)
                *p++ = static_cast<char>(c.unicode());
            span.nLength = static_cast<quint32>(text.size());
            m_nLive += span.nLength;
            compactIfWasteful();
            return;
        }
    }
    if (m_utf8.size() + 3 * text.size() > kMaxBytes)
        compact();
    if (m_utf8.size() + 3 * text.size() > kMaxBytes) {
        span = Span{};  // no room left: the cell stays empty rather than wrong
        return;
    }
    const auto nStart = static_cast<quint32>(m_utf8.size());
    span.nLength = append(text);
    span.nStart = nStart;
    m_nLive += span.nLength;
    compactIfWasteful();
}

void SpreadTexts::spansMoved()
{
    m_nLive = 0;
    for (const Span& span : m_spans)
        if (span.nLength != kNull)
            m_nLive += span.nLength;
    if (m_nLive == 0)
        m_utf8 = QByteArray();
    else
        compactIfWasteful();
}

bool SpreadTexts::adoptCells(qsizetype nFirstCell, QByteArray&& utf8, std::span<const quint32> ends)
{
    const auto nCount = static_cast<qsizetype>(ends.size());
    if (nFirstCell < 0 || nFirstCell + nCount > cells() || utf8.size() > kMaxBytes)
        return false;
    if (nCount > 0 && ends.back() != static_cast<quint32>(utf8.size()))
        return false;
    // The cells outside the taken-over ones keep their texts: they move after the new bytes.
    // Their room is reserved first, so that the large buffer is extended where it lies; letting
    // append() grow it would copy every taken-over byte.
    const std::size_t nFirst = static_cast<std::size_t>(nFirstCell);
    const std::size_t nEnd = nFirst + static_cast<std::size_t>(nCount);
    const auto kept = [&](std::size_t i) {
        return (i < nFirst || i >= nEnd) && m_spans[i].nLength != kNull && m_spans[i].nLength != 0;
    };
    qsizetype nKeptBytes = 0;
    for (std::size_t i = 0; i < m_spans.size(); ++i)
        if (kept(i))
            nKeptBytes += m_spans[i].nLength;
    if (utf8.size() + nKeptBytes > kMaxBytes)
        return false;
    QByteArray old = std::move(m_utf8);
    m_utf8 = std::move(utf8);
    m_utf8.reserve(m_utf8.size() + nKeptBytes);
    m_nLive = m_utf8.size();
    for (std::size_t i = 0; i < m_spans.size(); ++i) {
        if (!kept(i))
            continue;
        Span& span = m_spans[i];
        const auto nStart = static_cast<quint32>(m_utf8.size());
        m_utf8.append(old.constData() + span.nStart, span.nLength);
        span.nStart = nStart;
        m_nLive += span.nLength;
    }
    quint32 nDebut = 0;
    Span* pSpan = m_spans.data() + nFirst;
    for (qsizetype k = 0; k < nCount; ++k) {
        const quint32 nFin = ends[static_cast<std::size_t>(k)];
        *pSpan++ = nFin > nDebut ? Span{nDebut, nFin - nDebut} : Span{};
        nDebut = std::max(nDebut, nFin);
    }
    return true;
}

void SpreadTexts::compactIfWasteful()
{
    const qsizetype nWaste = m_utf8.size() - m_nLive;
    if (nWaste > kSmallWaste && nWaste > m_nLive)
        compact();
}

void SpreadTexts::compact()
{
    QByteArray packed;
    packed.reserve(m_nLive);
    for (Span& span : m_spans) {
        if (span.nLength == kNull)
            continue;
        const auto nStart = static_cast<quint32>(packed.size());
        packed.append(m_utf8.constData() + span.nStart, span.nLength);
        span.nStart = nStart;
    }
    m_utf8 = std::move(packed);
}

qsizetype SpreadTexts::bytes() const
{
    return m_utf8.capacity() + static_cast<qsizetype>(m_spans.capacity() * sizeof(Span));
}

}  // namespace kervane
