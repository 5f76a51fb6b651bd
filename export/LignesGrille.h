#pragma once
// The grid's rows on the sheet, written one after the other as the workbook takes them:
// grid row r at sheet row r + 7, grid column c at sheet column c + 1. Each cell's look is
// decided before its row is written, from what the layout gives every cell of its kind:
//
// - every row from the titles on: top alignment and wrapping, the row's own setting too,
//   and a height fitting its texts (HauteurLigne.h);
// - the titles (grid row 0): a medium frame on all four sides, centred, bold, grey;
// - data rows: a thin frame on the edges of the blocks touching the cell (BordsBlocs.h);
// - a cell whose grid text colour is the remarked colour: colour 41 and bold.
//
// Data texts that are plain numbers become numbers (ValeurCellule.h); titles stay texts.
#include "export/BordsBlocs.h"

namespace kervane {

class ClasseurXlsx;
class vaSpread;

// Writes grid rows 0..MaxRows into the workbook's current sheet, after the column widths
// and the rows above. The width of sheet column c + 1 is the grid's ColWidth(c) + 5.
void EcrireLignesGrille(ClasseurXlsx& classeur, const vaSpread& grille, BordsBlocs& bords);

}  // namespace kervane
