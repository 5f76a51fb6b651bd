#pragma once
// Small helpers for the grid tests: writing and reading one cell through the current cell.
#include "platform/spread/vaSpread.h"

namespace kervane::test {

inline void ecrire(vaSpread& grille, qint32 nCol, qint32 nRow, const QString& strTexte)
{
    grille.setCol(nCol);
    grille.setRow(nRow);
    grille.setText(strTexte);
}

inline QString lire(vaSpread& grille, qint32 nCol, qint32 nRow)
{
    grille.setCol(nCol);
    grille.setRow(nRow);
    return grille.Text();
}

// The working block (c1, r1)-(c2, r2), for the next block action.
inline void bloc(vaSpread& grille, qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2)
{
    grille.setCol(nCol1);
    grille.setRow(nRow1);
    grille.setCol2(nCol2);
    grille.setRow2(nRow2);
}

// A grid of nRows x nCols whose data cell (c, r) holds "r.c".
inline void remplir(vaSpread& grille, qint32 nRows, qint32 nCols)
{
    grille.setMaxCols(nCols);
    grille.setMaxRows(nRows);
    for (qint32 r = 1; r <= nRows; ++r)
        for (qint32 c = 1; c <= nCols; ++c)
            ecrire(grille, c, r, QStringLiteral("%1.%2").arg(r).arg(c));
}

}  // namespace kervane::test
