#pragma once
// The texts of a sheet's cells, row-major like the sheet: every text in UTF-8 in one buffer,
// each cell a 32-bit start offset and one length byte (a text of 254 bytes or more keeps its
// length apart, by its start; a cell never written is null). A large result costs its UTF-8
// bytes and 5 bytes per cell, and rows read elsewhere as one UTF-8 buffer with an end offset
// per cell are taken over without copying their texts, their offsets becoming the starts where
// they lie. A text written over another goes in place when it is not longer, else at the
// buffer's end; the bytes left behind are reclaimed once they outweigh the texts in use. The
// buffer holds at most 4 GiB. The texts can be set aside in a file while the next result is
// read (park), and still be read from there.
#include "platform/FinsCellules.h"
#include "platform/spread/SpreadParking.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace kervane {

class SpreadTexts {
public:
    SpreadTexts();

    qsizetype cells() const;
    bool isNull(qsizetype nCell) const { return lengthsView()[nCell] == kNull; }
    // The cell's UTF-8 bytes (empty for a null cell), valid until the next change.
    QByteArrayView utf8(qsizetype nCell) const
    {
        const quint8 nLength = lengthsView()[nCell];
        if (nLength == kNull)
            return {};
        const quint32 nStart = startsView()[nCell];
        return {bytesView() + nStart, nLength == kLong ? qsizetype{m_longLengths.at(nStart)} : qsizetype{nLength}};
    }
    // The cell's text; a null text for a null cell.
    QString text(qsizetype nCell) const;
    // A null text makes the cell null again.
    void setText(qsizetype nCell, QStringView text, bool bNull);

    // The cells of a sheet of nOldRows x nOldCols (titles included) moved to one of nRows x
    // nCols: those that still fit keep their texts, the new ones are null.
    void relayout(qint32 nOldRows, qint32 nOldCols, qint32 nRows, qint32 nCols);
    // Data row order[i - 1] moves to row i, for the columns 1..nCols (the titles stay).
    void permuteRows(const std::vector<qint32>& order, qint32 nCols);

    // Takes over ends.taille() cells from nFirstCell on: cell k holds the bytes between
    // ends[k - 1] (0 for the first) and ends[k] of utf8. A cell with no bytes becomes null.
    // False, nothing changed, when the cells do not fit or the offsets do not match utf8.
    bool adoptCells(qsizetype nFirstCell, QByteArray&& utf8, FinsCellules&& ends);

    // Sets the texts aside in a file when they hold at least nMinimumBytes; they are read from
    // there until a change brings them back. False when they stay in memory.
    bool park(qsizetype nMinimumBytes);
    bool parked() const { return m_parked != nullptr; }
    // The parked texts back in memory, as they were.
    void bringBack();

    // Bytes held in memory (buffer capacity, offsets and lengths), for measurements.
    qsizetype bytes() const;

private:
    static constexpr quint8 kNull = 255;  // the length byte of a null cell
    static constexpr quint8 kLong = 254;  // 254 bytes or more: the length is in m_longLengths

    const char* bytesView() const { return m_parked ? m_parked->utf8().data() : m_utf8.constData(); }
    const quint32* startsView() const { return m_parked ? m_parked->starts().data() : m_starts.valeurs().data(); }
    const quint8* lengthsView() const { return m_parked ? m_parked->lengths().data() : m_lengths.data(); }
    quint32 lengthOf(qsizetype nCell) const;
    void place(qsizetype nCell, quint32 nStart, quint32 nLength);
    void makeNull(qsizetype nCell);
    void startsUpTo(qsizetype nCell);
    void relayoutFrom(std::span<const quint32> starts, const quint8* pLengths, qint32 nOldRows, qint32 nOldCols,
                      qint32 nRows, qint32 nCols);
    void textsMoved(const char* pSource);
    void compactIfWasteful();
    void compact(const char* pSource);

    QByteArray m_utf8;
    FinsCellules m_starts;  // may be shorter than the cells: the cells past it are null
    std::vector<quint8> m_lengths;
    std::unordered_map<quint32, quint32> m_longLengths;  // by start offset
    qsizetype m_nLive = 0;                               // bytes of m_utf8 that cells use
    std::unique_ptr<ParkedTexts> m_parked;
};

// Appends the UTF-8 form of a text (a lone surrogate as U+FFFD); returns the bytes written.
qsizetype appendUtf8(QByteArray& out, QStringView text);

}  // namespace kervane
