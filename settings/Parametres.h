#pragma once
// Module_SYS: the start-up settings the whole program reads from kervane::Programme().
#include <QString>

namespace kervane {

// Debug mode and value ("Mode Debug"), the log editor ("Editeur utilisé") and the user
// identification ("Number"), each written back with its default on a first start.
// False when a default could not be written back (already reported).
bool SYS_LireParametresUtilisateur();
// The decimal separator of the locale in force: one character.
bool SYS_LireSeparateurDecimal();
// The one-character texts of codes 0 to 31, then of code 169.
bool SYS_InitialiserCaracteresControle();

// The editor used when none is set.
QString editeurParDefaut();
// The 10-digit identification made from a draw r in [0, 1): integer part of r × 999999999 + 1.
QString numeroUtilisateurDepuis(double dTirage);

}  // namespace kervane
