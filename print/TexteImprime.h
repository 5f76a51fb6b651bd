#pragma once
// Aligned, word-wrapped text on a printed page, laid out in the grid's own units so that it
// wraps as it does on the screen. The painter's scale carries it to the printer's resolution.
#include <QFont>
#include <QString>
#include <Qt>

class QPainter;
class QRectF;

namespace kervane {

// Height the text takes in that width (at least one line).
double hauteurTexte(const QString& strTexte, const QFont& police, double dLargeur);
// Draws the text in the rectangle, clipped to it: from the top, or centred when the
// alignment holds Qt::AlignVCenter.
void dessinerTexte(QPainter& painter, const QRectF& rect, const QString& strTexte, const QFont& police,
                   Qt::Alignment alignement);

}  // namespace kervane
