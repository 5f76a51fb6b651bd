#include "platform/spread/SpreadCells.h"

#include "platform/spread/SpreadRows.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace kervane {

namespace {

constexpr quint8 kFlagBold = 0x10;
constexpr quint8 kFlagStatic = 0x20;

std::size_t cellCount(qint32 nRows, qint32 nCols)
{
    return static_cast<std::size_t>(nRows + 1) * static_cast<std::size_t>(nCols + 1);
}

// Moves the cells of a row-major vector to a sheet of another size; cells that do not fit
// are dropped and new cells get the fill value. An empty vector (an attribute never used)
// stays empty.
template <typename T>
void relayout(std::vector<T>& cells, qint32 nOldRows, qint32 nOldCols, qint32 nRows, qint32 nCols,
              const T& fill)
{
    if (cells.empty())
        return;
    if (nCols == nOldCols) {
        cells.resize(cellCount(nRows, nCols), fill);
    } else {
        std::vector<T> result(cellCount(nRows, nCols), fill);
        const qint32 nKeepRows = std::min(nRows, nOldRows);
        const qint32 nKeepCols = std::min(nCols, nOldCols);
        for (qint32 r = 0; r <= nKeepRows; ++r)
            for (qint32 c = 0; c <= nKeepCols; ++c)
                result[cellCount(r - 1, nCols) + c] = std::move(cells[cellCount(r - 1, nOldCols) + c]);
        cells.swap(result);
    }
    if (cells.capacity() > 2 * cells.size() + 1024)
        cells.shrink_to_fit();
}

}  // namespace

SpreadCells::SpreadCells()
    : m_flags(1, 0), m_palette(1, 0), m_rowHeights(1, 0), m_colWidths(1, 0.0)
{
}

bool SpreadCells::contains(qint32 nCol, qint32 nRow) const
{
    return nCol >= 0 && nRow >= 0 && nCol <= m_nCols && nRow <= m_nRows;
}

qsizetype SpreadCells::index(qint32 nCol, qint32 nRow) const
{
    return static_cast<qsizetype>(nRow) * (m_nCols + 1) + nCol;
}

bool SpreadCells::resize(qint32 nRows, qint32 nCols, double dNewColWidth)
{
    if (nRows < 0 || nCols < 0 || static_cast<qint64>(cellCount(nRows, nCols)) > kMaxCells)
        return false;
    const quint8 nNewFlags = m_bStaticDefault ? kFlagStatic : 0;
    m_texts.relayout(m_nRows, m_nCols, nRows, nCols);
    relayout(m_flags, m_nRows, m_nCols, nRows, nCols, nNewFlags);
    relayout(m_colourIndex, m_nRows, m_nCols, nRows, nCols, quint8(0));
    m_rowHeights.resize(static_cast<std::size_t>(nRows) + 1, 0);
    m_colWidths.resize(static_cast<std::size_t>(nCols) + 1, dNewColWidth);
    m_nRows = nRows;
    m_nCols = nCols;
    return true;
}

QString SpreadCells::text(qint32 nCol, qint32 nRow) const
{
    return contains(nCol, nRow) ? m_texts.text(index(nCol, nRow)) : QString();
}

QByteArrayView SpreadCells::utf8(qint32 nCol, qint32 nRow) const
{
    return contains(nCol, nRow) ? m_texts.utf8(index(nCol, nRow)) : QByteArrayView();
}

void SpreadCells::setText(qint32 nCol, qint32 nRow, const QString& strText)
{
    if (contains(nCol, nRow))
        m_texts.setText(index(nCol, nRow), strText, strText.isNull());
}

void SpreadCells::setText(qint32 nCol, qint32 nRow, QString&& strText)
{
    setText(nCol, nRow, static_cast<const QString&>(strText));
}

bool SpreadCells::adoptRowTexts(qint32 nRow1, QByteArray&& utf8, FinsCellules&& ends)
{
    const qsizetype nStride = static_cast<qsizetype>(m_nCols) + 1;
    const qsizetype nEnds = ends.taille();
    if (nRow1 < 0 || nEnds % nStride != 0 || nRow1 + nEnds / nStride > static_cast<qsizetype>(m_nRows) + 1)
        return false;
    return m_texts.adoptCells(index(0, nRow1), std::move(utf8), std::move(ends));
}

void SpreadCells::setFlag(qint32 nCol, qint32 nRow, quint8 nFlag, bool bOn)
{
    if (!contains(nCol, nRow))
        return;
    quint8& nFlags = m_flags[index(nCol, nRow)];
    nFlags = bOn ? quint8(nFlags | nFlag) : quint8(nFlags & ~nFlag);
}

bool SpreadCells::bold(qint32 nCol, qint32 nRow) const
{
    return contains(nCol, nRow) && (m_flags[index(nCol, nRow)] & kFlagBold) != 0;
}

void SpreadCells::setBold(qint32 nCol, qint32 nRow, bool bBold)
{
    setFlag(nCol, nRow, kFlagBold, bBold);
}

bool SpreadCells::isStatic(qint32 nCol, qint32 nRow) const
{
    return contains(nCol, nRow) && (m_flags[index(nCol, nRow)] & kFlagStatic) != 0;
}

void SpreadCells::setStatic(qint32 nCol, qint32 nRow, bool bStatic)
{
    setFlag(nCol, nRow, kFlagStatic, bStatic);
}

quint8 SpreadCells::borders(qint32 nCol, qint32 nRow) const
{
    return contains(nCol, nRow) ? quint8(m_flags[index(nCol, nRow)] & BorderAll) : quint8(0);
}

void SpreadCells::setBorders(qint32 nCol, qint32 nRow, quint8 nSides)
{
    if (!contains(nCol, nRow))
        return;
    quint8& nFlags = m_flags[index(nCol, nRow)];
    nFlags = quint8((nFlags & ~BorderAll) | (nSides & BorderAll));
}

void SpreadCells::addBorders(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2, quint8 nSides)
{
    if (!contains(nCol1, nRow1) || !contains(nCol2, nRow2))
        return;
    const auto nAjout = quint8(nSides & BorderAll);
    for (qint32 r = nRow1; r <= nRow2; ++r) {
        quint8* pFlags = m_flags.data() + index(nCol1, r);
        for (qint32 c = nCol1; c <= nCol2; ++c)
            *pFlags++ |= nAjout;
    }
}

quint32 SpreadCells::foreColor(qint32 nCol, qint32 nRow) const
{
    if (m_colourIndex.empty() || !contains(nCol, nRow))
        return 0;
    return m_palette[m_colourIndex[index(nCol, nRow)]];
}

void SpreadCells::setForeColor(qint32 nCol, qint32 nRow, quint32 nRgb, bool bDefault)
{
    if (!contains(nCol, nRow) || (bDefault && m_colourIndex.empty()))
        return;
    if (m_colourIndex.empty())
        m_colourIndex.assign(m_texts.cells(), 0);
    std::size_t nIndex = 0;
    if (!bDefault) {
        nIndex = static_cast<std::size_t>(std::find(m_palette.begin() + 1, m_palette.end(), nRgb) - m_palette.begin());
        if (nIndex == m_palette.size() && nIndex > 255)
            return;  // a grid with 255 text colours takes no further one
        if (nIndex == m_palette.size())
            m_palette.push_back(nRgb);
    }
    m_colourIndex[index(nCol, nRow)] = static_cast<quint8>(nIndex);
}

qint32 SpreadCells::rowHeight(qint32 nRow) const
{
    return nRow >= 0 && nRow <= m_nRows ? m_rowHeights[static_cast<std::size_t>(nRow)] : 0;
}

void SpreadCells::setRowHeight(qint32 nRow, qint32 nPixels)
{
    if (nRow >= 0 && nRow <= m_nRows && nPixels >= 0)
        m_rowHeights[static_cast<std::size_t>(nRow)] = nPixels;
}

double SpreadCells::colWidth(qint32 nCol) const
{
    return nCol >= 0 && nCol <= m_nCols ? m_colWidths[static_cast<std::size_t>(nCol)] : 0.0;
}

void SpreadCells::setColWidth(qint32 nCol, double dCharacters)
{
    if (nCol >= 0 && nCol <= m_nCols && dCharacters >= 0.0)
        m_colWidths[static_cast<std::size_t>(nCol)] = dCharacters;
}

void SpreadCells::sortRows(qint32 nCol, bool bAscending)
{
    if (nCol < 1 || nCol > m_nCols || m_nRows < 2)
        return;
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<qint32> order(static_cast<std::size_t>(m_nRows));
    std::iota(order.begin(), order.end(), 1);
    std::vector<QString> keys(static_cast<std::size_t>(m_nRows) + 1);
    for (qint32 r = 1; r <= m_nRows; ++r)
        keys[static_cast<std::size_t>(r)] = text(nCol, r);
    std::stable_sort(order.begin(), order.end(), [&](qint32 a, qint32 b) {
        const int nCompare =
            collator.compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        return bAscending ? nCompare < 0 : nCompare > 0;
    });
    m_texts.permuteRows(order, m_nCols);
    spread::permuteRows(m_flags, order, m_nCols);
    if (!m_colourIndex.empty())
        spread::permuteRows(m_colourIndex, order, m_nCols);
    std::vector<qint32> heights(m_rowHeights);
    for (std::size_t i = 0; i < order.size(); ++i)
        m_rowHeights[i + 1] = heights[static_cast<std::size_t>(order[i])];
}

}  // namespace kervane
