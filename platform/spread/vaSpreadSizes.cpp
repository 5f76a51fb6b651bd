// vaSpread: column widths in characters, row heights in pixels, the height a row's texts
// need, and the transfer of the stored sizes to the headers.
#include "platform/spread/SpreadGeometry.h"
#include "platform/spread/vaSpread.h"

#include <QFontMetricsF>

#include <QEvent>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kervane {

namespace {

// Text margin of a title, as the platform style draws it.
int titleMargin(const QWidget& header)
{
    return header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
}

// Keeps the grid's own section changes apart from the user's.
class ApplyingSizes {
public:
    explicit ApplyingSizes(qint32& nDepth) : m_nDepth(nDepth) { ++m_nDepth; }
    ~ApplyingSizes() { --m_nDepth; }
    ApplyingSizes(const ApplyingSizes&) = delete;
    ApplyingSizes& operator=(const ApplyingSizes&) = delete;

private:
    qint32& m_nDepth;
};

}  // namespace

qint32 vaSpread::ColWidthToPixels(double dCharacters) const
{
    return static_cast<qint32>(std::lround(dCharacters * m_text.digitWidth())) + spread::kExtraWidth;
}

double vaSpread::PixelsToColWidth(qint32 nPixels) const
{
    return std::max(nPixels - spread::kExtraWidth, 0) / m_text.digitWidth();
}

double vaSpread::TextWidth(const QString& strText, bool bBold) const
{
    return m_text.width(strText, bBold) / m_text.digitWidth();
}

double vaSpread::TextWidthUtf8(QByteArrayView utf8, bool bBold) const
{
    return m_text.widthUtf8(utf8, bBold) / m_text.digitWidth();
}

double vaSpread::LatinTextWidthUtf8(QByteArrayView utf8) const
{
    const double dPixels = m_text.tableWidthUtf8(utf8, false);
    return dPixels < 0.0 ? -1.0 : dPixels / m_text.digitWidth();
}

double vaSpread::MaxCharWidth() const
{
    return QFontMetricsF(m_text.font(false)).maxWidth() / m_text.digitWidth();
}

double vaSpread::ColWidth(qint32 nCol) const
{
    return m_model.cells().colWidth(nCol);
}

void vaSpread::setColWidth(qint32 nCol, double dCharacters)
{
    if (dCharacters < 0.0 || nCol < -1 || nCol > MaxCols())
        return;
    if (nCol == -1) {
        m_dDefaultColWidth = dCharacters;
        for (qint32 c = 1; c <= MaxCols(); ++c)
            setColWidth(c, dCharacters);
        return;
    }
    m_model.cells().setColWidth(nCol, dCharacters);
    if (m_bReDraw)
        applyColWidth(nCol);
    else
        m_bSizesDirty = true;
}

qint32 vaSpread::defaultRowHeight() const
{
    if (m_nDefaultRowHeight > 0)
        return m_nDefaultRowHeight;
    return m_text.height(1) + spread::kExtraHeight;
}

qint32 vaSpread::titleRowHeight() const
{
    const qint32 nHeight = m_model.cells().rowHeight(0);
    return nHeight > 0 ? nHeight : horizontalHeader()->sizeHint().height();
}

qint32 vaSpread::RowHeight(qint32 nRow) const
{
    if (nRow < 0 || nRow > MaxRows())
        return 0;
    if (nRow == 0)
        return titleRowHeight();
    const qint32 nHeight = m_model.cells().rowHeight(nRow);
    return nHeight > 0 ? nHeight : defaultRowHeight();
}

void vaSpread::setRowHeight(qint32 nRow, qint32 nPixels)
{
    if (nPixels < (nRow == -1 ? 0 : 1) || nRow < -1 || nRow > MaxRows())
        return;
    if (nRow == -1) {
        m_nDefaultRowHeight = nPixels;
        for (qint32 r = 1; r <= MaxRows(); ++r)
            m_model.cells().setRowHeight(r, 0);
    } else {
        m_model.cells().setRowHeight(nRow, nPixels);
    }
    if (!m_bReDraw)
        m_bSizesDirty = true;
    else if (nRow == -1)
        applyAllSizes();
    else
        applyRowHeight(nRow);
}

// The height the row's texts need at the current column widths: the most lines of any cell
// (each in its own weight), at least one.
qint32 vaSpread::MaxTextRowHeight(qint32 nRow) const
{
    if (nRow < 0 || nRow > MaxRows())
        return 0;
    const SpreadCells& cells = m_model.cells();
    const int nTitleMargin = nRow == 0 ? titleMargin(*horizontalHeader()) : 0;
    qint32 nLines = 1;
    for (qint32 c = 1; c <= MaxCols(); ++c) {
        const double dWidth = nRow == 0 ? ColWidthToPixels(cells.colWidth(c)) - 2.0 * nTitleMargin
                                         : ColWidthToPixels(cells.colWidth(c)) - spread::kExtraWidth;
        if (nRow != 0 && m_text.fitsOneLineUtf8(cells.utf8(c, nRow), cells.bold(c, nRow), dWidth))
            continue;  // one line, known without converting the text
        const QString strText = nRow == 0 ? m_model.displayText(c, 0) : cells.text(c, nRow);
        nLines = std::max(nLines, m_text.lineCount(strText, cells.bold(c, nRow), dWidth));
    }
    const qint32 nText = m_text.height(nLines);
    if (nRow == 0)
        return std::max(nText + 2 * nTitleMargin, horizontalHeader()->sizeHint().height());
    return nText + spread::kExtraHeight;
}

void vaSpread::applyColWidth(qint32 nCol)
{
    ApplyingSizes applying(m_nApplyingSizes);
    const int nPixels = ColWidthToPixels(ColWidth(nCol));
    if (nCol == 0)
        verticalHeader()->setFixedWidth(nPixels);
    else if (nCol <= horizontalHeader()->count())
        horizontalHeader()->resizeSection(nCol - 1, nPixels);
}

void vaSpread::applyRowHeight(qint32 nRow)
{
    ApplyingSizes applying(m_nApplyingSizes);
    if (nRow == 0) {
        if (m_model.cells().rowHeight(0) > 0)
            horizontalHeader()->setFixedHeight(titleRowHeight());
        else {
            horizontalHeader()->setMinimumHeight(0);
            horizontalHeader()->setMaximumHeight(QWIDGETSIZE_MAX);
        }
    } else if (nRow <= verticalHeader()->count()) {
        verticalHeader()->resizeSection(nRow - 1, RowHeight(nRow));
    }
}

// Gives every header section its stored size. The headers' own signals are held back, so that
// a hundred thousand rows cost one relayout of the view instead of one per row.
void vaSpread::applyAllSizes()
{
    ApplyingSizes applying(m_nApplyingSizes);
    m_bSizesDirty = false;
    applyColWidth(0);
    applyRowHeight(0);
    {
        const QSignalBlocker titles(horizontalHeader());
        const QSignalBlocker rows(verticalHeader());
        for (qint32 c = 1; c <= horizontalHeader()->count(); ++c)
            horizontalHeader()->resizeSection(c - 1, ColWidthToPixels(ColWidth(c)));
        QHeaderView* pRows = verticalHeader();
        pRows->setDefaultSectionSize(defaultRowHeight());
        for (qint32 r = 1; r <= pRows->count(); ++r)
            if (pRows->sectionSize(r - 1) != RowHeight(r))
                pRows->resizeSection(r - 1, RowHeight(r));
    }
    updateGeometries();
    viewport()->update();
}

void vaSpread::applyInsertedColumns(qint32 nFirst, qint32 nLast)
{
    for (qint32 c = nFirst; c <= nLast; ++c)
        applyColWidth(c);
}

void vaSpread::userResizedColumn(int nSection, int /*nOldSize*/, int nNewSize)
{
    if (m_nApplyingSizes > 0)
        return;
    m_model.cells().setColWidth(nSection + 1, PixelsToColWidth(nNewSize));
    m_resizedCols.add(nSection + 1);
    if (!m_bPressed)
        tellResizes();
}

void vaSpread::userResizedRow(int nSection, int /*nOldSize*/, int nNewSize)
{
    if (m_nApplyingSizes > 0)
        return;
    m_model.cells().setRowHeight(nSection + 1, nNewSize);
    m_resizedRows.add(nSection + 1);
    if (!m_bPressed)
        tellResizes();
}

void vaSpread::ResizedSpan::add(qint32 n)
{
    if (empty()) {
        nFirst = n;
        nLast = n;
    } else {
        nFirst = std::min(nFirst, n);
        nLast = std::max(nLast, n);
    }
}

// Tells the user's size changes once, when the button that made them is released.
void vaSpread::tellResizes()
{
    const ResizedSpan cols = std::exchange(m_resizedCols, ResizedSpan());
    const ResizedSpan rows = std::exchange(m_resizedRows, ResizedSpan());
    if (!cols.empty())
        emit ColWidthChange(cols.nFirst, cols.nLast);
    if (!rows.empty())
        emit RowHeightChange(rows.nFirst, rows.nLast);
}

void vaSpread::changeEvent(QEvent* pEvent)
{
    QTableView::changeEvent(pEvent);
    if (pEvent->type() == QEvent::FontChange) {
        m_text.setFont(font());
        m_model.setHeaderFont(font());
        applyAllSizes();
    }
}

}  // namespace kervane
