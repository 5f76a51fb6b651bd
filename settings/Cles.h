#pragma once
// The registry key paths of the system; every module builds its keys from these.
#include <QString>

namespace kervane {

// "Software\Brintek\" + the executable's base name: the program's own settings.
QString cleProgramme();
// "Software\Brintek\Velmora": the values shared by the suite.
QString cleSuite();
// "Software\Brintek\Velmora\Utilisateur" (machine root): the workstation user's identification.
QString cleUtilisateurSuite();

}  // namespace kervane
