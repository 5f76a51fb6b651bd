// vaSpread: selection and active cell, the rows and columns scrolled to the top left, the
// hit test, and the mouse and key events told with the component's names and arguments.
#include "platform/spread/SpreadKeys.h"
#include "platform/spread/vaSpread.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace kervane {

namespace {

qint32 buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

qint32 shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

bool sameCell(const SpreadHit& a, const SpreadHit& b)
{
    return a.nCol == b.nCol && a.nRow == b.nRow;
}

// Scrolls so that the section (from 0) comes first, when the view has it.
void scrollToSection(QScrollBar& bar, const QHeaderView& header, QAbstractItemView::ScrollMode mode, int nSection)
{
    if (nSection < 0 || nSection >= header.count())
        return;
    bar.setValue(mode == QAbstractItemView::ScrollPerItem ? header.visualIndex(nSection)
                                                          : header.sectionPosition(nSection));
}

}  // namespace

SpreadBlock vaSpread::selectedBlock() const
{
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return {ActiveCol(), ActiveRow(), ActiveCol(), ActiveRow()};
    SpreadBlock block{selection.first().left() + 1, selection.first().top() + 1, selection.first().right() + 1,
                      selection.first().bottom() + 1};
    for (const QItemSelectionRange& range : selection) {
        block.nCol1 = std::min(block.nCol1, range.left() + 1);
        block.nRow1 = std::min(block.nRow1, range.top() + 1);
        block.nCol2 = std::max(block.nCol2, range.right() + 1);
        block.nRow2 = std::max(block.nRow2, range.bottom() + 1);
    }
    return block;
}

void vaSpread::SetSelection(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2)
{
    SpreadBlock block{nCol1, nRow1, nCol2, nRow2};
    if (!resolveBlock(block) || block.nCol1 < 1 || block.nRow1 < 1 || block.nRow2 > m_model.rowCount() ||
        block.nCol2 > m_model.columnCount())
        return;
    const QItemSelection selection(m_model.index(block.nRow1 - 1, block.nCol1 - 1),
                                   m_model.index(block.nRow2 - 1, block.nCol2 - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

qint32 vaSpread::ActiveCol() const
{
    return currentIndex().isValid() ? currentIndex().column() + 1 : 1;
}

qint32 vaSpread::ActiveRow() const
{
    return currentIndex().isValid() ? currentIndex().row() + 1 : 1;
}

void vaSpread::SetActiveCell(qint32 nCol, qint32 nRow)
{
    const QModelIndex index = m_model.index(nRow - 1, nCol - 1);
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

qint32 vaSpread::TopRow() const
{
    if (m_nTopRow > 0)
        return m_nTopRow;
    return std::max(verticalHeader()->logicalIndexAt(0), 0) + 1;
}

void vaSpread::setTopRow(qint32 nRow)
{
    if (nRow < 1)
        return;
    m_nTopRow = nRow;
    if (m_bReDraw)
        applyScroll();
}

qint32 vaSpread::LeftCol() const
{
    if (m_nLeftCol > 0)
        return m_nLeftCol;
    return std::max(horizontalHeader()->logicalIndexAt(0), 0) + 1;
}

void vaSpread::setLeftCol(qint32 nCol)
{
    if (nCol < 1)
        return;
    m_nLeftCol = nCol;
    if (m_bReDraw)
        applyScroll();
}

// The scroll asked for, on scroll bars whose ranges fit the sheet the view now shows.
void vaSpread::applyScroll()
{
    if (m_nTopRow == 0 && m_nLeftCol == 0)
        return;
    updateGeometries();
    if (m_nTopRow > 0)
        scrollToSection(*verticalScrollBar(), *verticalHeader(), verticalScrollMode(), m_nTopRow - 1);
    if (m_nLeftCol > 0)
        scrollToSection(*horizontalScrollBar(), *horizontalHeader(), horizontalScrollMode(), m_nLeftCol - 1);
    m_nTopRow = 0;
    m_nLeftCol = 0;
}

// The title whose right border lies within the platform's grip margin of x (title viewport
// coordinates), as the header itself decides where a resize starts; -1 when none.
qint32 vaSpread::headerBorderAt(qint32 x) const
{
    const QHeaderView* pTitles = horizontalHeader();
    const int nVisual = pTitles->visualIndexAt(x);
    if (nVisual < 0)
        return -1;
    const int nGrip = pTitles->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, pTitles);
    const int nLogical = pTitles->logicalIndex(nVisual);
    const int nStart = pTitles->sectionViewportPosition(nLogical);
    if (x > nStart + pTitles->sectionSize(nLogical) - nGrip)
        return nLogical;
    if (x < nStart + nGrip) {
        for (int v = nVisual - 1; v >= 0; --v)
            if (!pTitles->isSectionHidden(pTitles->logicalIndex(v)))
                return pTitles->logicalIndex(v);
    }
    return -1;
}

SpreadHit vaSpread::HitTest(qint32 x, qint32 y) const
{
    const QPoint position(x, y);
    const QHeaderView* pTitles = horizontalHeader();
    const QHeaderView* pRowTitles = verticalHeader();
    SpreadHit hit;
    if (pTitles->isVisible() && pTitles->geometry().contains(position)) {
        const int nX = pTitles->viewport()->mapFrom(this, position).x();
        const qint32 nBorder = headerBorderAt(nX);
        const int nSection = nBorder >= 0 ? nBorder : pTitles->logicalIndexAt(nX);
        if (nSection >= 0)
            hit = {nSection + 1, 0, nBorder >= 0};
    } else if (pRowTitles->isVisible() && pRowTitles->geometry().contains(position)) {
        const int nSection = pRowTitles->logicalIndexAt(pRowTitles->viewport()->mapFrom(this, position).y());
        if (nSection >= 0)
            hit = {0, nSection + 1, false};
    } else if (position.x() < pRowTitles->geometry().right() + 1 && position.y() < pTitles->geometry().bottom() + 1 &&
               position.x() >= pRowTitles->geometry().left() && position.y() >= pTitles->geometry().top()) {
        hit = {0, 0, false};  // the corner
    } else if (viewport()->geometry().contains(position)) {
        const QModelIndex index = indexAt(viewport()->mapFrom(this, position));
        if (index.isValid())
            hit = {index.column() + 1, index.row() + 1, false};
    }
    return hit;
}

void vaSpread::pressAt(const QPoint& position, const QMouseEvent& event)
{
    m_bPressed = true;
    m_press = HitTest(position.x(), position.y());
    emit MouseDown(buttonCode(event.button()), shiftCode(event.modifiers()), position.x(), position.y());
}

// A click is a press and release on the same cell, not on a title border.
void vaSpread::releaseAt(const QPoint& position)
{
    const SpreadHit hit = HitTest(position.x(), position.y());
    const bool bClick = m_bPressed && !m_press.bColBorder && sameCell(hit, m_press) && hit.nCol >= 0;
    m_bPressed = false;
    if (bClick)
        emit Click(hit.nCol, hit.nRow);
    tellResizes();
}

void vaSpread::doubleClickAt(const QPoint& position)
{
    const SpreadHit hit = HitTest(position.x(), position.y());
    if (hit.nCol >= 0)
        emit DblClick(hit.nCol, hit.nRow);
}

bool vaSpread::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    const QEvent::Type type = pEvent->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) {
        const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        const QPoint position = static_cast<QWidget*>(pWatched)->mapTo(this, pMouse->position().toPoint());
        if (type == QEvent::MouseButtonPress)
            pressAt(position, *pMouse);
        else if (type == QEvent::MouseButtonRelease)
            releaseAt(position);
        else
            doubleClickAt(position);
    }
    return QTableView::eventFilter(pWatched, pEvent);
}

void vaSpread::mousePressEvent(QMouseEvent* pEvent)
{
    pressAt(viewport()->mapTo(this, pEvent->position().toPoint()), *pEvent);
    QTableView::mousePressEvent(pEvent);
}

void vaSpread::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QTableView::mouseReleaseEvent(pEvent);
    releaseAt(viewport()->mapTo(this, pEvent->position().toPoint()));
}

void vaSpread::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    doubleClickAt(viewport()->mapTo(this, pEvent->position().toPoint()));
    QTableView::mouseDoubleClickEvent(pEvent);
}

void vaSpread::keyPressEvent(QKeyEvent* pEvent)
{
    if (const qint32 nCode = virtualKeyCode(pEvent->key()); nCode != 0)
        emit KeyDown(nCode);
    QTableView::keyPressEvent(pEvent);
}

}  // namespace kervane
