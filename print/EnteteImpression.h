#pragma once
// The page header of a printed grid, written with the grid's header codes: "/l", "/c" and "/r"
// put the text that follows at the left, centre or right of the line, "/n" ends the line and
// "//" stands for one "/". A "/" before any other character is kept as it is. The text after
// the last "/n" makes a line only when it holds something.
#include <QString>

#include <vector>

namespace kervane {

struct LigneEntete {
    QString strGauche;
    QString strCentre;
    QString strDroite;
    friend bool operator==(const LigneEntete&, const LigneEntete&) = default;
};

std::vector<LigneEntete> analyserEntete(const QString& strEntete);

// The text with every "/" doubled, so that it prints as it is inside a header.
QString protegerEntete(const QString& strTexte);

}  // namespace kervane
