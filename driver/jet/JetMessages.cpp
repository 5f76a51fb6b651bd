#include "driver/jet/JetMessages.h"

#include <cerrno>

namespace kervane::jet {

std::string messageMissing(const std::string& path)
{
    return "Le fichier « " + path + " » est introuvable.";
}

std::string messageUnreadable(const std::string& path, const std::string& precision)
{
    std::string text = "Le fichier « " + path + " » n'est pas une base Access lisible";
    if (!precision.empty())
        text += " : " + precision;
    return text + ".";
}

std::string messageDamagedTable(const std::string& path, const std::string& table,
                                const std::string& precision)
{
    return "La table « " + table + " » du fichier « " + path + " » est endommagée : " + precision + ".";
}

std::string messageDamagedFile(const std::string& path, const std::string& where)
{
    return "Le fichier « " + path + " » est endommagé : " + where + ".";
}

std::string messageInterrupted(const std::string& table)
{
    return "La lecture de la table « " + table + " » a été interrompue.";
}

std::string systemReason(int error)
{
    switch (error) {
    case ENOENT: return "fichier introuvable";
    case ENOTDIR: return "un élément du chemin n'est pas un dossier";
    case EACCES:
    case EPERM: return "accès refusé";
    case EISDIR: return "c'est un dossier";
    case ENOSPC: return "le disque est plein";
    case EROFS: return "système de fichiers en lecture seule";
    case ELOOP: return "trop de liens symboliques";
    case ENAMETOOLONG: return "nom de fichier trop long";
    case EIO: return "erreur d'entrée-sortie du disque";
    case EMFILE:
    case ENFILE: return "trop de fichiers ouverts";
    default: return "erreur système n° " + std::to_string(error);
    }
}

}  // namespace kervane::jet
