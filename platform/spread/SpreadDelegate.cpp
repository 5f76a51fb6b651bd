#include "platform/spread/SpreadDelegate.h"

#include "platform/spread/SpreadGeometry.h"

#include <QPainter>

#include <cmath>

namespace kervane {

SpreadDelegate::SpreadDelegate(const SpreadModel& model, const SpreadText& text, QObject* pParent)
    : QStyledItemDelegate(pParent), m_model(model), m_text(text)
{
}

void SpreadDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const qint32 nCol = index.column() + 1;
    const qint32 nRow = index.row() + 1;
    const SpreadCells& cells = m_model.cells();
    const bool bSelected = option.state.testFlag(QStyle::State_Selected);
    const QRect cell = option.rect;

    pPainter->fillRect(cell, bSelected ? option.palette.color(QPalette::Highlight) : m_backColour);
    QColor textColour = option.palette.color(bSelected ? QPalette::HighlightedText : QPalette::Text);
    if (const quint32 nRgb = cells.foreColor(nCol, nRow); nRgb != 0 && !bSelected)
        textColour = QColor::fromRgb(nRgb);
    pPainter->setPen(textColour);
    m_text.draw(*pPainter, spread::textRect(cell), cells.text(nCol, nRow), cells.bold(nCol, nRow));

    paintLines(*pPainter, cell, nCol, nRow);
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        pPainter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
        pPainter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
}

void SpreadDelegate::paintLines(QPainter& painter, const QRect& cell, qint32 nCol, qint32 nRow) const
{
    const SpreadCells& cells = m_model.cells();
    const quint8 nSides = cells.borders(nCol, nRow);
    const bool bRight = (nSides & BorderRight) || (cells.borders(nCol + 1, nRow) & BorderLeft);
    const bool bBottom = (nSides & BorderBottom) || (cells.borders(nCol, nRow + 1) & BorderTop);

    painter.setPen(bRight ? spread::borderColour() : spread::gridLineColour());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    painter.setPen(bBottom ? spread::borderColour() : spread::gridLineColour());
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());

    // The first column and row have no neighbour to draw their outer border.
    painter.setPen(spread::borderColour());
    if (nCol == 1 && (nSides & BorderLeft))
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
    if (nRow == 1 && (nSides & BorderTop))
        painter.drawLine(cell.topLeft(), cell.topRight());
}

QSize SpreadDelegate::sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& index) const
{
    const SpreadCells& cells = m_model.cells();
    const qint32 nRow = index.row() + 1;
    const qint32 nHeight = cells.rowHeight(nRow);
    return QSize(static_cast<int>(std::lround(cells.colWidth(index.column() + 1) * m_text.digitWidth())) +
                     spread::kExtraWidth,
                 nHeight > 0 ? nHeight : m_text.height(1) + spread::kExtraHeight);
}

}  // namespace kervane
