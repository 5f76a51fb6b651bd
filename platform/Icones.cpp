#include "platform/Icones.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <map>

namespace kervane {
namespace {

using Dessin = std::function<void(QPainter&)>;

const QColor ENCRE(40, 48, 64);
const QColor PAPIER(252, 252, 248);
const QColor BLEU(37, 99, 185);
const QColor OR(224, 168, 48);
const QColor ROUGE(200, 40, 40);

void folder(QPainter& p)
{
    p.setPen(QPen(QColor(150, 105, 20), 1));
    p.setBrush(OR);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    p.setBrush(QColor(246, 200, 90));
    QPainterPath rabat;
    rabat.moveTo(1.5, 13.5);
    rabat.lineTo(4.5, 7.5);
    rabat.lineTo(15.5, 7.5);
    rabat.lineTo(14.5, 13.5);
    rabat.closeSubpath();
    p.drawPath(rabat);
}

void printer(QPainter& p)
{
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(PAPIER);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(120, 130, 145));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
    p.setBrush(PAPIER);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(QPen(QColor(90, 200, 90), 1));
    p.drawPoint(QPointF(12.5, 8.5));
}

void closeCross(QPainter& p)
{
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(PAPIER);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(ROUGE, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

void copyPages(QPainter& p)
{
    p.setPen(QPen(ENCRE, 1));
    for (const QPointF origine : {QPointF(1.5, 1.5), QPointF(6.5, 5.5)}) {
        p.setBrush(PAPIER);
        p.drawRect(QRectF(origine, QSizeF(8, 9)));
        p.setPen(QPen(QColor(140, 150, 165), 1));
        for (int i = 0; i < 3; ++i)
            p.drawLine(origine + QPointF(2, 2.5 + 2 * i), origine + QPointF(6, 2.5 + 2 * i));
        p.setPen(QPen(ENCRE, 1));
    }
}

void table(QPainter& p, bool bAgrandir)
{
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(PAPIER);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.fillRect(QRectF(2, 2, 12, 3), BLEU);
    p.setPen(QPen(BLEU, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (bAgrandir) {  // arrows towards the corners
        p.drawLine(QPointF(5, 12), QPointF(11, 7));
        p.drawPolyline(QPolygonF({QPointF(8, 7), QPointF(11, 7), QPointF(11, 10)}));
    } else {  // arrow towards the middle
        p.drawLine(QPointF(11, 7), QPointF(6, 12));
        p.drawPolyline(QPolygonF({QPointF(6, 9), QPointF(6, 12), QPointF(9, 12)}));
    }
}

void groupedCells(QPainter& p)
{
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(PAPIER);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.drawLine(QPointF(6.5, 2), QPointF(6.5, 14));
    for (double y : {5.5, 8.5, 11.5})
        p.drawLine(QPointF(7, y), QPointF(14, y));
    p.fillRect(QRectF(2, 2, 4.5, 12), QColor(196, 220, 250));
    p.setPen(QPen(BLEU, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2, 2, 4.5, 12));
}

void roundBadge(QPainter& p, const QColor& fond, const QString& strSigne)
{
    p.setPen(Qt::NoPen);
    p.setBrush(fond);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(Qt::white);
    QFont police(QStringLiteral("DejaVu Sans"));
    police.setPixelSize(11);
    police.setBold(true);
    p.setFont(police);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, strSigne);
}

void warning(QPainter& p)
{
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(150, 105, 20), 1));
    p.setBrush(QColor(250, 200, 40));
    p.drawPath(triangle);
    p.setPen(QPen(ENCRE, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
    p.drawPoint(QPointF(8, 12.5));
}

void forbidden(QPainter& p)
{
    p.setPen(QPen(ROUGE, 2));
    p.setBrush(PAPIER);
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
}

// A stop sign: a red octagon crossed by a white bar.
void stopSign(QPainter& p)
{
    QPolygonF octogone;
    for (int i = 0; i < 8; ++i) {
        const double dAngle = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octogone << QPointF(8 + 7 * std::cos(dAngle), 8 + 7 * std::sin(dAngle));
    }
    p.setPen(QPen(QColor(130, 20, 20), 1));
    p.setBrush(ROUGE);
    p.drawPolygon(octogone);
    p.setPen(QPen(PAPIER, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
}

void program(QPainter& p)
{
    p.setPen(QPen(ENCRE, 1));
    p.setBrush(QColor(230, 236, 246));
    p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
    p.drawRect(QRectF(2.5, 3.5, 11, 9));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(3, 3.5, 10, 2));
    p.setPen(QPen(ENCRE, 1));
    p.drawArc(QRectF(2.5, 10.5, 11, 4), 180 * 16, 180 * 16);
    p.drawArc(QRectF(2.5, 1.5, 11, 4), 180 * 16, 180 * 16);
    p.setPen(QPen(BLEU, 1.5));
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
    p.drawLine(QPointF(5, 10.5), QPointF(9, 10.5));
}

const std::map<QString, Dessin>& drawings()
{
    static const std::map<QString, Dessin> dessins = {
        {QStringLiteral("Ouvrir"), folder},
        {QStringLiteral("Imprimer"), printer},
        {QStringLiteral("Fermer"), closeCross},
        {QStringLiteral("Copier"), copyPages},
        {QStringLiteral("Maximiser"), [](QPainter& p) { table(p, true); }},
        {QStringLiteral("Reduction"), [](QPainter& p) { table(p, false); }},
        {QStringLiteral("Regrouper_cellules"), groupedCells},
        {QStringLiteral("Annuler"), stopSign},
        {QStringLiteral("Aide"), [](QPainter& p) { roundBadge(p, BLEU, QStringLiteral("?")); }},
        {QStringLiteral("Information"), [](QPainter& p) { roundBadge(p, BLEU, QStringLiteral("i")); }},
        {QStringLiteral("Exclamation"), warning},
        {QStringLiteral("Interdiction"), forbidden},
        {QStringLiteral("Kervane"), program},
    };
    return dessins;
}

QPixmap render(const Dessin& dessin, int nTaille)
{
    QPixmap image(nTaille, nTaille);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(nTaille / 16.0, nTaille / 16.0);
    dessin(p);
    return image;
}

}  // namespace

QIcon iconeKervane(const QString& strCle)
{
    const auto it = drawings().find(strCle);
    if (it == drawings().end())
        return {};
    QIcon icone;
    for (int nTaille : {16, 32})
        icone.addPixmap(render(it->second, nTaille));
    return icone;
}

}  // namespace kervane
