#pragma once
// The texts of a sheet's cells, row-major like the sheet: every text in UTF-8, back to back in
// one buffer, each cell a span of it (8 bytes), a cell never written a null span. A large
// result costs its UTF-8 bytes and the spans, and rows read elsewhere as one UTF-8 buffer with
// an end offset per cell are taken over without copying their texts. A text written over
// another goes in place when it is not longer, else at the buffer's end; the bytes left behind
// are reclaimed once they outweigh the texts in use. The buffer holds at most 4 GiB.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <span>
#include <vector>

namespace kervane {

class SpreadTexts {
public:
    struct Span {
        quint32 nStart = 0;
        quint32 nLength = kNull;
    };
    static constexpr quint32 kNull = 0xFFFFFFFFu;

    qsizetype cells() const { return static_cast<qsizetype>(m_spans.size()); }
    bool isNull(qsizetype nCell) const { return m_spans[static_cast<std::size_t>(nCell)].nLength == kNull; }
    // The cell's UTF-8 bytes (empty for a null cell), valid until the next change.
    QByteArrayView utf8(qsizetype nCell) const;
    // The cell's text; a null text for a null cell.
    QString text(qsizetype nCell) const;
    // A null text makes the cell null again.
    void setText(qsizetype nCell, QStringView text, bool bNull);

    // The spans themselves, for the sheet's own moves of whole cells (resizing, sorting);
    // call spansMoved() after such a move.
    std::vector<Span>& spans() { return m_spans; }
    void spansMoved();

    // Takes over ends.size() cells from nFirstCell on: cell k holds the bytes between
    // ends[k - 1] (0 for the first) and ends[k] of utf8. A cell with no bytes becomes null.
    // False, nothing changed, when the cells do not fit or the offsets do not match utf8.
    bool adoptCells(qsizetype nFirstCell, QByteArray&& utf8, std::span<const quint32> ends);

    // Bytes held (buffer capacity and spans), for measurements.
    qsizetype bytes() const;

private:
    quint32 append(QStringView text);
    void compactIfWasteful();
    void compact();

    QByteArray m_utf8;
    std::vector<Span> m_spans;
    qsizetype m_nLive = 0;  // bytes of m_utf8 that cells use
};

// Appends the UTF-8 form of a text (a lone surrogate as U+FFFD); returns the bytes written.
qsizetype appendUtf8(QByteArray& out, QStringView text);

}  // namespace kervane
