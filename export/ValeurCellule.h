#pragma once
// How a grid text becomes a sheet value: trimmed of spaces, and a plain decimal number
// becomes a number the spreadsheet can compute with.
#include <QString>

namespace kervane {

// A grid text as a sheet cell holds it: trimmed of spaces, line breaks (CR LF, CR) as LF,
// the spreadsheet's own line break.
QString TexteCellule(const QString& strTexte);

// True for an optional minus sign, an integer part without leading zeros and an optional
// fraction after strSeparateur, 15 digits at most (what a double holds exactly); the value
// goes to dNombre. "007", "1 000", "1e5" and dates stay texts.
bool LireNombre(const QString& strTexte, const QString& strSeparateur, double& dNombre);

}  // namespace kervane
