#pragma once
// Where the program's data files are: beside the executable in a build folder, in
// <prefix>/share/kervane once installed (the executable then being <prefix>/bin/kervane).
#include <QString>

namespace kervane {

// The data file strNom (help file, demonstration base): beside the executable when it is
// there, else in the installed data folder when it is there, else beside the executable.
QString cheminDonnee(const QString& strNom);

// The suite's reference database offered on first start. A build uses the one beside the
// executable. An installed program cannot write in its data folder, so each user gets a copy
// of the installed one in their own data folder (~/.local/share/Kervane), made once; the
// installed file itself when that copy cannot be made.
QString baseSourceParDefaut();

}  // namespace kervane
