#pragma once
// The height a sheet row needs so that a spreadsheet shows every line of its wrapped texts.
// Spreadsheet applications do not fit a row to its texts when they open a file: a row left
// at the default height shows a memo over the rows below and loses its last lines.
#include <QStringList>

#include <vector>

namespace kervane {

constexpr double HAUTEUR_LIGNE_TEXTE = 15.0;     // points per line of the workbook's font (Calibri 11)
constexpr double HAUTEUR_LIGNE_MAX = 409.0;      // the highest row a sheet accepts, in points
constexpr double LARGEUR_COLONNE_STANDARD = 8.43;  // a column without a width of its own, in characters

// Lines a wrapped cell shows: one per line break ("\n") plus the lines word wrapping makes
// at dLargeur characters (the width of a digit), a word longer than a line being cut.
int LignesCellule(const QString& strTexte, double dLargeur);

// Height in points of a row whose wrapped cells hold textes, cell i in a column dLargeurs[i]
// characters wide (0: the standard width): one line height per line of its tallest cell,
// at most the highest row. 0 when every cell fits on one line: the row keeps the default
// height.
double HauteurLigne(const QStringList& textes, const std::vector<double>& dLargeurs);

}  // namespace kervane
