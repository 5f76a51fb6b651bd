#pragma once
// Cutting a grid into printed pages. A grid too wide for the page is split by columns into
// bands, each as wide as the page allows (at least one column); a grid too long is split by
// rows (at least one row a page). Pages run down the rows of the first band, then the next
// band. The row titles (column 0) and the column titles (row 0) are repeated on every page
// when they are printed, so they take room on every page.
#include <QtGlobal>

#include <vector>

namespace kervane {

struct PageGrille {
    qint32 nColonne1 = 1;  // data columns nColonne1..nColonne2 (none when nColonne2 < nColonne1)
    qint32 nColonne2 = 0;
    qint32 nLigne1 = 1;    // data rows nLigne1..nLigne2 (none when nLigne2 < nLigne1)
    qint32 nLigne2 = 0;
    friend bool operator==(const PageGrille&, const PageGrille&) = default;
};

// Sizes in one unit: dLargeurs[c] for columns 0..MaxCols, dHauteurs[r] for rows 0..MaxRows.
struct DimensionsGrille {
    std::vector<double> dLargeurs;
    std::vector<double> dHauteurs;
    bool bTitresColonnes = true;
    bool bTitresLignes = true;
};

// The pages for a printable area of that width and height. Always at least one page.
std::vector<PageGrille> decouperPages(const DimensionsGrille& dimensions, double dLargeur, double dHauteur);

}  // namespace kervane
