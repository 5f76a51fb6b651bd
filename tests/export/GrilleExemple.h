#pragma once
// Result grids for the export tests, filled as the query window fills them.
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"

#include <QStringList>
#include <vector>

namespace kervane::test {

// Titles in row 0, rows of texts from row 1; every column dLargeur characters wide.
inline void remplirGrille(vaSpread& grille, const QStringList& titres, const std::vector<QStringList>& lignes,
                          double dLargeur = 10)
{
    grille.setMaxCols(static_cast<qint32>(titres.size()));
    grille.setMaxRows(static_cast<qint32>(lignes.size()));
    for (qint32 c = 1; c <= grille.MaxCols(); ++c) {
        grille.setColWidth(c, dLargeur);
        grille.setCol(c);
        grille.setRow(0);
        grille.setText(titres[c - 1]);
        for (qint32 r = 1; r <= grille.MaxRows(); ++r) {
            grille.setRow(r);
            grille.setText(lignes[static_cast<std::size_t>(r - 1)].value(c - 1));
        }
    }
}

inline void colorerCellule(vaSpread& grille, qint32 nCol, qint32 nRow, quint32 nRgb)
{
    grille.setCol(nCol);
    grille.setRow(nRow);
    grille.setForeColor(QColor::fromRgb(nRgb));
}

}  // namespace kervane::test
