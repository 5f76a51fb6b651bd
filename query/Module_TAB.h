#pragma once
// Module_TAB: framing a block of grid cells and keeping it in a block list, as the grouped
// display draws its runs and the export finds them again.
#include "messages/Programme.h"

#include <QtGlobal>
#include <vector>

namespace kervane {

class vaSpread;

// Outlines the block (first and last column and row) on the grid and appends it to
// tabBlocs. The grid's working block is the same afterwards. False on a trapped failure.
bool TAB_Encadrer(vaSpread& grille, qint32 nColonne1, qint32 nLigne1, qint32 nColonne2, qint32 nLigne2,
                  std::vector<BlocCellules>& tabBlocs);

}  // namespace kervane
