#include "messages/Catalogue.h"

#include <map>

namespace kervane {

const QString* TexteCatalogue(qint32 nNumero)
{
    static const std::map<qint32, QString> catalogue = {
        {102, QStringLiteral("Problème d'allocation de l'environnement ODBC.")},
        {103, QStringLiteral("L'environnement ODBC n'est pas initialisé.")},
        {104, QStringLiteral("Connexion impossible avec le DSN [%%].")},
        {105, QStringLiteral("Allocation impossible pour le DSN [%%].")},
        {106, QStringLiteral("Allocation impossible pour la requête du DSN [%%].")},
        {107, QStringLiteral("Indice de connexion invalide.")},
        {108, QStringLiteral("Transaction inconnue.")},
        {112, QStringLiteral("L'environnement ODBC est déjà initialisé.")},
        {113, QStringLiteral("Impossible de créer le DSN pour l'interface ODBC.")},
        {114, QStringLiteral("Impossible de modifier le DSN pour l'interface ODBC.")},
        {202, QStringLiteral("Vous ne pouvez pas lancer deux fois cette application.")},
        {203, QStringLiteral("La clé HKEY_CURRENT_USER [%%] est inconnue dans la base de registration.")},
        {204, QStringLiteral("Une donnée est inconnue ou de type incohérent dans la clé HKEY_CURRENT_USER [%%] "
                             "de la base de registration.")},
        {205, QStringLiteral("La clé HKEY_CURRENT_USER [%%] ne peut être créée dans la base de registration.")},
        {206, QStringLiteral("Une donnée ne peut pas être associée à la clé HKEY_CURRENT_USER [%%] de la base "
                             "de registration.")},
        {213, QStringLiteral("Une donnée ne peut pas être associée à la clé HKEY_LOCAL_MACHINE [%%] de la base "
                             "de registration.")},
        {214, QStringLiteral("La clé HKEY_LOCAL_MACHINE [%%] ne peut être créée dans la base de registration.")},
        {215, QStringLiteral("Une donnée est inconnue ou de type incohérent dans la clé HKEY_LOCAL_MACHINE [%%] "
                             "de la base de registration.")},
        {216, QStringLiteral("La clé HKEY_LOCAL_MACHINE [%%] est inconnue dans la base de registration.")},
    };
    const auto it = catalogue.find(nNumero);
    return it == catalogue.end() ? nullptr : &it->second;
}

}  // namespace kervane
