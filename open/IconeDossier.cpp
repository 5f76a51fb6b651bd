#include "open/IconeDossier.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kervane {
namespace {

// A manila folder with its tab, on a 16-unit square scaled to the pixmap.
QPixmap folderPixmap(int nTaille)
{
    QPixmap image(nTaille, nTaille);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.scale(nTaille / 16.0, nTaille / 16.0);
    const QColor contour(150, 110, 20);

    QPainterPath dos;  // back with its tab
    dos.moveTo(1.5, 3.5);
    dos.lineTo(6.0, 3.5);
    dos.lineTo(7.5, 5.0);
    dos.lineTo(14.5, 5.0);
    dos.lineTo(14.5, 13.5);
    dos.lineTo(1.5, 13.5);
    dos.closeSubpath();
    peintre.setPen(QPen(contour, 1.0));
    peintre.setBrush(QColor(230, 180, 60));
    peintre.drawPath(dos);

    QPainterPath devant;  // front flap, slightly lighter
    devant.moveTo(1.5, 13.5);
    devant.lineTo(3.0, 7.0);
    devant.lineTo(15.5, 7.0);
    devant.lineTo(14.5, 13.5);
    devant.closeSubpath();
    peintre.setBrush(QColor(250, 210, 100));
    peintre.drawPath(devant);
    return image;
}

}  // namespace

QIcon iconeDossier()
{
    QIcon icone;
    for (int nTaille : {16, 24, 32})
        icone.addPixmap(folderPixmap(nTaille));
    return icone;
}

}  // namespace kervane
