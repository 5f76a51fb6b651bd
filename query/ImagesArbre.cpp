// The tree's 16x16 image list imListe: "ouvrir", "detail", "base1", "base2", "champ",
// "table", drawn here in one palette so they read alike.
#include "query/wndKervane.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kervane {

namespace {

const QColor ENCRE(40, 58, 90);
const QColor BLEU(86, 136, 206);
const QColor BLEU_CLAIR(196, 218, 244);
const QColor OCRE(222, 170, 60);
const QColor OCRE_CLAIR(250, 222, 150);

QPixmap blankImage()
{
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    return image;
}

// A database: a cylinder; open (expanded) shows its top lid lifted.
QPixmap drawBase(bool bOuverte)
{
    QPixmap image = blankImage();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(bOuverte ? OCRE_CLAIR : BLEU_CLAIR);
    QPainterPath corps;
    corps.moveTo(2.5, 4.5);
    corps.lineTo(2.5, 12.5);
    corps.arcTo(QRectF(2.5, 10.5, 11, 4), 180, 180);
    corps.lineTo(13.5, 4.5);
    corps.closeSubpath();
    p.drawPath(corps);
    p.drawArc(QRectF(2.5, 6.5, 11, 4), 180 * 16, 180 * 16);
    p.setBrush(bOuverte ? OCRE : BLEU);
    p.drawEllipse(QRectF(2.5, bOuverte ? 1.0 : 2.5, 11, 4));
    return image;
}

// A table: a small sheet with a title band and cell lines.
QPixmap drawTable()
{
    QPixmap image = blankImage();
    QPainter p(&image);
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, BLEU);
    p.setPen(QPen(BLEU_CLAIR.darker(130), 1));
    p.drawLine(2, 9, 13, 9);
    p.drawLine(6, 6, 6, 12);
    p.drawLine(10, 6, 10, 12);
    return image;
}

// A column: one highlighted column of a sheet.
QPixmap drawChamp()
{
    QPixmap image = blankImage();
    QPainter p(&image);
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 13);
    p.fillRect(5, 2, 6, 3, OCRE);
    p.setPen(QPen(OCRE.darker(120), 1));
    p.drawLine(5, 8, 10, 8);
    p.drawLine(5, 11, 10, 11);
    return image;
}

// A detail line: a small bullet with a stroke.
QPixmap drawDetail()
{
    QPixmap image = blankImage();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(BLEU);
    p.drawEllipse(QRectF(3, 6, 4, 4));
    p.setPen(QPen(ENCRE, 1));
    p.drawLine(QPointF(8.5, 8), QPointF(13.5, 8));
    return image;
}

// An open folder.
QPixmap drawOuvrir()
{
    QPixmap image = blankImage();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(OCRE);
    p.drawPolygon(QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5}, {12.5, 5}, {12.5, 13.5}, {1.5, 13.5}}));
    p.setBrush(OCRE_CLAIR);
    p.drawPolygon(QPolygonF({{3.5, 7.5}, {15, 7.5}, {12.5, 13.5}, {1.5, 13.5}}));
    return image;
}

}  // namespace

void wndKervane::buildImages()
{
    m_imListe[QStringLiteral("ouvrir")] = QIcon(drawOuvrir());
    m_imListe[QStringLiteral("detail")] = QIcon(drawDetail());
    m_imListe[QStringLiteral("base1")] = QIcon(drawBase(false));
    m_imListe[QStringLiteral("base2")] = QIcon(drawBase(true));
    m_imListe[QStringLiteral("champ")] = QIcon(drawChamp());
    m_imListe[QStringLiteral("table")] = QIcon(drawTable());
}

}  // namespace kervane
