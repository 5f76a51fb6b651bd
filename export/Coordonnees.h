#pragma once
// Spreadsheet references from grid-style numbers: columns 1..702 are "A".."ZZ", rows are
// written in decimal. Numbers outside those ranges have no reference (an empty text).
#include <QString>
#include <QtGlobal>

namespace kervane {

constexpr qint32 COLONNE_TABLEUR_MAX = 702;  // "ZZ", the last column with a reference

// "A".."Z", then "AA".."ZZ"; empty outside 1..702.
QString GES_CalculerCoordonneesColonne(qint16 nColonne);
// The row number in decimal; empty below 1.
QString GES_CalculerCoordonneesLigne(qint16 nLigne);
// Column letters followed by the row number, e.g. "B7"; empty when either has no reference.
QString GES_CalculerCoordonneesCellule(qint16 nColonne, qint16 nLigne);

}  // namespace kervane
