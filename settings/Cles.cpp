#include "settings/Cles.h"

#include "messages/Programme.h"

namespace kervane {
namespace {
const QString RACINE_EDITEUR = QStringLiteral("Software\\Brintek\\");
}

QString cleProgramme()
{
    return RACINE_EDITEUR + Programme().strNomExecutable;
}

QString cleSuite()
{
    return RACINE_EDITEUR + QStringLiteral("Velmora");
}

QString cleUtilisateurSuite()
{
    return cleSuite() + QStringLiteral("\\Utilisateur");
}

}  // namespace kervane
