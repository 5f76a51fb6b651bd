#include "platform/spread/SpreadTexts.h"

#include "driver/semantics/UtfCoding.h"
#include "platform/BlocsRecycles.h"
#include "platform/spread/SpreadRows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace kervane {

namespace {

constexpr qsizetype kMaxBytes = std::numeric_limits<quint32>::max() - 1;
constexpr qsizetype kSmallWaste = 1 << 16;  // below this the bytes left behind stay

std::size_t cellCount(qint32 nRows, qint32 nCols)
{
    return static_cast<std::size_t>(nRows + 1) * static_cast<std::size_t>(nCols + 1);
}

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

SpreadTexts::SpreadTexts() : m_lengths(1, kNull) {}

qsizetype SpreadTexts::cells() const
{
    return static_cast<qsizetype>(m_parked ? m_parked->lengths().size() : m_lengths.size());
}

quint32 SpreadTexts::lengthOf(qsizetype nCell) const
{
    const quint8 nLength = lengthsView()[nCell];
    return nLength == kLong ? m_longLengths.at(startsView()[nCell]) : nLength;
}

QString SpreadTexts::text(qsizetype nCell) const
{
    if (isNull(nCell))
        return QString();
    const QByteArrayView bytes = utf8(nCell);
    return bytes.isEmpty() ? QStringLiteral("") : QString::fromUtf8(bytes);
}

void SpreadTexts::place(qsizetype nCell, quint32 nStart, quint32 nLength)
{
    makeNull(nCell);
    m_starts[nCell] = nStart;
    if (nLength >= kLong)
        m_longLengths[nStart] = nLength;
    m_lengths[static_cast<std::size_t>(nCell)] = nLength >= kLong ? kLong : static_cast<quint8>(nLength);
}

void SpreadTexts::makeNull(qsizetype nCell)
{
    quint8& nLength = m_lengths[static_cast<std::size_t>(nCell)];
    if (nLength == kLong)
        m_longLengths.erase(m_starts[nCell]);
    nLength = kNull;
}

void SpreadTexts::startsUpTo(qsizetype nCell)
{
    const qsizetype nHad = m_starts.taille();
    if (nCell < nHad)
        return;
    // Grown by half at least, so that cells written one after the other cost no copy each.
    const qsizetype nWanted = std::min(cells(), std::max(nCell + 1, nHad + nHad / 2));
    m_starts.redimensionner(nWanted);
    std::fill(m_starts.donnees() + nHad, m_starts.donnees() + nWanted, 0u);
}

void SpreadTexts::setText(qsizetype nCell, QStringView text, bool bNull)
{
    bringBack();
    const bool bWasNull = isNull(nCell);
    const quint32 nOldLength = bWasNull ? 0 : lengthOf(nCell);
    m_nLive -= nOldLength;
    if (bNull) {
        makeNull(nCell);
        return;
    }
    startsUpTo(nCell);
    // Written in place when it fits in the cell's old bytes (a blank over a value, say).
    if (!bWasNull && text.size() <= nOldLength &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        const quint32 nStart = m_starts[nCell];
        char* p = m_utf8.data() + nStart;
        for (const QChar c : text)
            *p++ = static_cast<char>(c.unicode());
        place(nCell, nStart, static_cast<quint32>(text.size()));
        m_nLive += text.size();
        compactIfWasteful();
        return;
    }
    if (m_utf8.size() + 3 * text.size() > kMaxBytes)
        compact(m_utf8.constData());
    if (m_utf8.size() + 3 * text.size() > kMaxBytes) {
        makeNull(nCell);  // no room left: the cell stays empty rather than wrong
        return;
    }
    const auto nStart = static_cast<quint32>(m_utf8.size());
    const auto nLength = static_cast<quint32>(appendUtf8(m_utf8, text));
    place(nCell, nStart, nLength);
    m_nLive += nLength;
    compactIfWasteful();
}

void SpreadTexts::relayout(qint32 nOldRows, qint32 nOldCols, qint32 nRows, qint32 nCols)
{
    if (m_parked) {
        // Only the cells kept come back from the file (none when the sheet is emptied).
        const std::unique_ptr<ParkedTexts> parked = std::move(m_parked);
        relayoutFrom(parked->starts(), parked->lengths().data(), nOldRows, nOldCols, nRows, nCols);
        textsMoved(parked->utf8().data());
        return;
    }
    if (nCols != nOldCols) {
        const FinsCellules oldStarts = std::move(m_starts);
        const std::vector<quint8> oldLengths = std::move(m_lengths);
        relayoutFrom(oldStarts.valeurs(), oldLengths.data(), nOldRows, nOldCols, nRows, nCols);
        textsMoved(m_utf8.constData());
        return;
    }
    const std::size_t nCells = cellCount(nRows, nCols);
    m_lengths.resize(nCells, kNull);
    if (m_lengths.capacity() > 2 * nCells + 1024)
        m_lengths.shrink_to_fit();
    if (m_starts.taille() > static_cast<qsizetype>(nCells)) {
        m_starts.redimensionner(static_cast<qsizetype>(nCells));
        m_starts.ajuster();
    }
    textsMoved(m_utf8.constData());
}

void SpreadTexts::relayoutFrom(std::span<const quint32> starts, const quint8* pLengths, qint32 nOldRows,
                               qint32 nOldCols, qint32 nRows, qint32 nCols)
{
    const qint32 nKeepRows = std::min(nRows, nOldRows);
    const qint32 nKeepCols = std::min(nCols, nOldCols);
    m_lengths.assign(cellCount(nRows, nCols), kNull);
    m_starts = FinsCellules();
    m_starts.redimensionner(static_cast<qsizetype>(std::min(cellCount(nRows, nCols), cellCount(nKeepRows, nCols))));
    std::fill(m_starts.donnees(), m_starts.donnees() + m_starts.taille(), 0u);
    for (qint32 r = 0; r <= nKeepRows; ++r) {
        for (qint32 c = 0; c <= nKeepCols; ++c) {
            const std::size_t nOld = cellCount(r - 1, nOldCols) + static_cast<std::size_t>(c);
            if (pLengths[nOld] == kNull)
                continue;
            const std::size_t nNew = cellCount(r - 1, nCols) + static_cast<std::size_t>(c);
            m_lengths[nNew] = pLengths[nOld];
            m_starts[static_cast<qsizetype>(nNew)] = starts[nOld];
        }
    }
}

void SpreadTexts::permuteRows(const std::vector<qint32>& order, qint32 nCols)
{
    bringBack();
    startsUpTo(cells() - 1);
    spread::permuteRows(m_starts, order, nCols);
    spread::permuteRows(m_lengths, order, nCols);
}

bool SpreadTexts::adoptCells(qsizetype nFirstCell, QByteArray&& utf8, FinsCellules&& ends)
{
    bringBack();
    const qsizetype nCount = ends.taille();
    if (nFirstCell < 0 || nFirstCell + nCount > cells() || utf8.size() > kMaxBytes)
        return false;
    quint32 nPrevious = 0;
    for (qsizetype k = 0; k < nCount; ++k) {
        if (ends[k] < nPrevious)
            return false;
        nPrevious = ends[k];
    }
    if (nPrevious != static_cast<quint32>(utf8.size()))
        return false;
    if (nCount == 0)
        return true;
    // The cells outside the taken-over ones keep their texts: they move after the new bytes.
    // Their room is reserved first, so that the large buffer is extended where it lies.
    const qsizetype nEnd = nFirstCell + nCount;
    const auto kept = [&](qsizetype k) { return (k < nFirstCell || k >= nEnd) && !isNull(k); };
    qsizetype nKeptBytes = 0;
    for (qsizetype k = 0; k < m_starts.taille(); ++k)
        if (kept(k))
            nKeptBytes += lengthOf(k);
    if (utf8.size() + nKeptBytes > kMaxBytes)
        return false;
    const QByteArray old = std::move(m_utf8);
    const std::unordered_map<quint32, quint32> oldLongLengths = std::move(m_longLengths);
    m_longLengths.clear();
    m_utf8 = std::move(utf8);
    m_utf8.reserve(m_utf8.size() + nKeptBytes);
    for (qsizetype k = 0; k < m_starts.taille(); ++k) {
        if (!kept(k))
            continue;
        const quint8 nByte = m_lengths[static_cast<std::size_t>(k)];
        const quint32 nLength = nByte == kLong ? oldLongLengths.at(m_starts[k]) : nByte;
        const quint32 nStart = nLength == 0 ? 0 : static_cast<quint32>(m_utf8.size());
        m_utf8.append(old.constData() + m_starts[k], nLength);
        m_starts[k] = nStart;
        if (nByte == kLong)
            m_longLengths[nStart] = nLength;
    }
    m_nLive = m_utf8.size();
    quint8* pLength = m_lengths.data() + nFirstCell;
    for (qsizetype k = 0; k < nCount; ++k) {
        const quint32 nStart = k > 0 ? ends[k - 1] : 0;
        const quint32 nLength = ends[k] - nStart;
        *pLength++ = nLength == 0 ? kNull : nLength >= kLong ? kLong : static_cast<quint8>(nLength);
        if (nLength >= kLong)
            m_longLengths[nStart] = nLength;
    }
    if (nEnd < cells()) {
        startsUpTo(cells() - 1);
        for (qsizetype k = 0; k < nCount; ++k)
            m_starts[nFirstCell + k] = k > 0 ? ends[k - 1] : 0;
        return true;
    }
    // The last cells: the block of end offsets becomes the block of starts where it lies, each
    // end moving to the next cell, the cells before the taken-over ones copied in front.
    const FinsCellules before = std::move(m_starts);
    m_starts = std::move(ends);
    m_starts.redimensionner(nEnd);
    quint32* pStarts = m_starts.donnees();
    for (qsizetype k = nCount - 1; k >= 0; --k)
        pStarts[nFirstCell + k] = k > 0 ? pStarts[k - 1] : 0;
    for (qsizetype k = 0; k < nFirstCell; ++k)
        pStarts[k] = k < before.taille() ? before[k] : 0;
    return true;
}

bool SpreadTexts::park(qsizetype nMinimumBytes)
{
    if (m_parked)
        return true;
    if (bytes() < nMinimumBytes)
        return false;
    m_parked = ParkedTexts::park(m_utf8, m_starts.valeurs(), m_lengths);
    if (!m_parked)
        return false;
    // The memory stays with the process for the result being read (the texts and the offsets
    // are blocks of the same kinds), and goes back to the system with bringBack().
    recyclage::deposer(std::move(m_utf8));
    recyclage::deposer(std::move(m_starts));
    m_utf8 = QByteArray();
    m_starts = FinsCellules();
    m_lengths = std::vector<quint8>();
    return true;
}

void SpreadTexts::bringBack()
{
    if (!m_parked)
        return;
    recyclage::vider();
    // Everything is copied before the file is let go: a lack of memory loses nothing.
    const QByteArrayView parkedBytes = m_parked->utf8();
    QByteArray utf8(parkedBytes.data(), parkedBytes.size());
    const std::span<const quint32> parkedStarts = m_parked->starts();
    FinsCellules starts;
    starts.redimensionner(static_cast<qsizetype>(parkedStarts.size()));
    std::copy(parkedStarts.begin(), parkedStarts.end(), starts.donnees());
    std::vector<quint8> lengths(m_parked->lengths().begin(), m_parked->lengths().end());
    m_utf8 = std::move(utf8);
    m_starts = std::move(starts);
    m_lengths = std::move(lengths);
    m_parked.reset();
}

void SpreadTexts::textsMoved(const char* pSource)
{
    m_nLive = 0;
    for (qsizetype k = 0; k < m_starts.taille(); ++k)
        if (!isNull(k))
            m_nLive += lengthOf(k);
    if (pSource != m_utf8.constData()) {
        compact(pSource);
    } else if (m_nLive == 0) {
        m_utf8 = QByteArray();
        m_longLengths.clear();
    } else {
        compactIfWasteful();
    }
}

void SpreadTexts::compactIfWasteful()
{
    const qsizetype nWaste = m_utf8.size() - m_nLive;
    if (nWaste > kSmallWaste && nWaste > m_nLive)
        compact(m_utf8.constData());
}

void SpreadTexts::compact(const char* pSource)
{
    QByteArray packed;
    packed.reserve(m_nLive);
    std::unordered_map<quint32, quint32> longLengths;
    for (qsizetype k = 0; k < m_starts.taille(); ++k) {
        if (isNull(k))
            continue;
        const quint32 nLength = lengthOf(k);
        const auto nStart = static_cast<quint32>(packed.size());
        packed.append(pSource + m_starts[k], nLength);
        m_starts[k] = nStart;
        if (nLength >= kLong)
            longLengths[nStart] = nLength;
    }
    m_utf8 = std::move(packed);
    m_longLengths = std::move(longLengths);
}

qsizetype SpreadTexts::bytes() const
{
    return m_utf8.capacity() + m_starts.capacite() * static_cast<qsizetype>(sizeof(quint32)) +
           static_cast<qsizetype>(m_lengths.capacity()) +
           static_cast<qsizetype>(m_longLengths.size() * 2 * sizeof(quint32));
}

}  // namespace kervane
