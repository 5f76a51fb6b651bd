#include "print/TexteImprime.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace kervane {
namespace {

// Lays the text out in lines of that width; returns the height taken.
double layOut(QTextLayout& layout, double dLargeur, Qt::Alignment alignement)
{
    QTextOption option(alignement);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    double dHaut = 0.0;
    layout.beginLayout();
    for (QTextLine ligne = layout.createLine(); ligne.isValid(); ligne = layout.createLine()) {
        ligne.setLineWidth(std::max(dLargeur, 1.0));
        ligne.setPosition(QPointF(0.0, dHaut));
        dHaut += ligne.height();
    }
    layout.endLayout();
    return dHaut;
}

QString oneParagraph(QString strTexte)
{
    strTexte.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    strTexte.replace(u'\r', QChar::LineSeparator);
    return strTexte.replace(u'\n', QChar::LineSeparator);
}

}  // namespace

double hauteurTexte(const QString& strTexte, const QFont& police, double dLargeur)
{
    const double dLigne = QFontMetricsF(police).height();
    if (strTexte.isEmpty())
        return dLigne;
    QTextLayout layout(oneParagraph(strTexte), police);
    return std::max(layOut(layout, dLargeur, Qt::AlignLeft), dLigne);
}

void dessinerTexte(QPainter& painter, const QRectF& rect, const QString& strTexte, const QFont& police,
                   Qt::Alignment alignement)
{
    if (strTexte.isEmpty())
        return;
    QTextLayout layout(oneParagraph(strTexte), police);
    const double dHauteur = layOut(layout, rect.width(), alignement & Qt::AlignHorizontal_Mask);
    QPointF origine = rect.topLeft();
    if (alignement & Qt::AlignVCenter)
        origine.ry() += std::max((rect.height() - dHauteur) / 2.0, 0.0);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    layout.draw(&painter, origine);
    painter.restore();
}

}  // namespace kervane
