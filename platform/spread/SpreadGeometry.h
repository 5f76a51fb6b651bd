#pragma once
// Pixel layout of a grid cell: the text sits inside margins, and the cell's last pixel column
// and row carry its grid lines (or its borders).
#include <QColor>
#include <QRect>

namespace kervane::spread {

constexpr int kMarginX = 3;   // left and right of the text
constexpr int kMarginY = 1;   // above and below the text
constexpr int kGridLine = 1;  // right and bottom grid line

// Pixels taken by a cell besides its text.
constexpr int kExtraWidth = 2 * kMarginX + kGridLine;
constexpr int kExtraHeight = 2 * kMarginY + kGridLine;

inline QRect textRect(const QRect& cell)
{
    return cell.adjusted(kMarginX, kMarginY, -(kMarginX + kGridLine), -(kMarginY + kGridLine));
}

inline QColor gridLineColour() { return QColor(0xC0, 0xC0, 0xC0); }
inline QColor borderColour() { return QColor(Qt::black); }

}  // namespace kervane::spread
