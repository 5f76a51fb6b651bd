#include "print/IconesOrientation.h"

#include <QPainter>
#include <QPixmap>

namespace kervane {
namespace {

// A sheet with a folded corner and a few lines of text, inside the given rectangle.
QIcon sheetIcon(const QRect& feuille)
{
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    constexpr int kCoin = 3;
    const QPolygon contour({feuille.topLeft(), QPoint(feuille.right() - kCoin, feuille.top()),
                            QPoint(feuille.right(), feuille.top() + kCoin), feuille.bottomRight(),
                            feuille.bottomLeft()});
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.setBrush(Qt::white);
    p.drawPolygon(contour);
    p.drawPolyline(QPolygon({QPoint(feuille.right() - kCoin, feuille.top()),
                             QPoint(feuille.right() - kCoin, feuille.top() + kCoin),
                             QPoint(feuille.right(), feuille.top() + kCoin)}));
    p.setPen(QColor(0x30, 0x60, 0xB0));
    for (int y = feuille.top() + kCoin + 2; y < feuille.bottom() - 1; y += 2)
        p.drawLine(feuille.left() + 2, y, feuille.right() - 2, y);
    return QIcon(image);
}

}  // namespace

QIcon iconePortrait()
{
    return sheetIcon(QRect(3, 1, 10, 14));
}

QIcon iconePaysage()
{
    return sheetIcon(QRect(1, 3, 14, 10));
}

}  // namespace kervane
