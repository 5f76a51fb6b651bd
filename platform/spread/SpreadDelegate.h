#pragma once
// Paints the data cells of a grid: background, word-wrapped top-aligned text in the cell's
// weight and colour, the grid lines, and the cell borders. A border between two cells is
// drawn once, on the grid line they share.
#include "platform/spread/SpreadModel.h"
#include "platform/spread/SpreadText.h"

#include <QColor>
#include <QStyledItemDelegate>

namespace kervane {

class SpreadDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    SpreadDelegate(const SpreadModel& model, const SpreadText& text, QObject* pParent = nullptr);

    void setBackColour(const QColor& colour) { m_backColour = colour; }
    const QColor& backColour() const { return m_backColour; }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintLines(QPainter& painter, const QRect& cell, qint32 nCol, qint32 nRow) const;

    const SpreadModel& m_model;
    const SpreadText& m_text;
    QColor m_backColour = Qt::white;
};

}  // namespace kervane
