#pragma once
// The frames of the block list, row by row: which edges of which blocks touch each cell of
// a grid row. A frame around a block draws the top edge of its first row's cells, the
// bottom edge of its last row's cells, the left edge of its first column's cells and the
// right edge of its last column's cells; the edges of all blocks add up.
//
// The rows are asked for in order, so the sheet can be written row by row: only the blocks
// crossing the current row are looked at, and the list itself is not copied.
#include "messages/Programme.h"

#include <QtGlobal>

#include <vector>

namespace kervane {

enum Bord : quint8 { BORD_GAUCHE = 1, BORD_DROIT = 2, BORD_HAUT = 4, BORD_BAS = 8 };
constexpr quint8 BORDS_TOUS = BORD_GAUCHE | BORD_DROIT | BORD_HAUT | BORD_BAS;

class BordsBlocs {
public:
    // The frames of tabBlocs (grid coordinates) in a grid of nColonnes x nLignes data cells;
    // a block reaching outside the grid has no place there and is left out. tabBlocs must
    // outlive this object.
    BordsBlocs(const std::vector<BlocCellules>& tabBlocs, qint32 nColonnes, qint32 nLignes);
    // Every data cell framed on its own, as a grid without blocks shows it.
    static BordsBlocs chaqueCellule(qint32 nColonnes);

    // The edges (Bord flags) of the cells of grid row nLigne, index c for column c (index 0
    // unused). Rows 1, 2, ... are asked for in that order, each once; the result holds until
    // the next call.
    const std::vector<quint8>& ligne(qint32 nLigne);

private:
    BordsBlocs(const std::vector<BlocCellules>& tabBlocs, qint32 nColonnes);
    void ouvrirBlocs(qint32 nLigne);
    void tracer(const BlocCellules& bloc, qint32 nLigne);

    const std::vector<BlocCellules>& m_tabBlocs;
    std::vector<quint32> m_ordre;    // blocks in the grid, by first row
    std::size_t m_nSuivant = 0;      // next of m_ordre to open
    std::vector<quint32> m_ouverts;  // blocks crossing the current row
    std::vector<quint8> m_bords;
    bool m_bChaqueCellule = false;
};

}  // namespace kervane
