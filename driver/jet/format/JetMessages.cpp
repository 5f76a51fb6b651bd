#include "driver/jet/format/JetMessages.h"

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
    case EEXIST: return "un fichier de ce nom existe déjà";
    case ENOSPC: return "le disque est plein";
    case EDQUOT: return "le quota de disque de l'utilisateur est atteint";
    case EFBIG: return "la taille maximale permise pour un fichier est atteinte";
    case EOVERFLOW: return "le fichier est trop grand pour être traité";
    case EROFS: return "système de fichiers en lecture seule";
    case ELOOP: return "trop de liens symboliques, ou lien symbolique refusé";
    case EMLINK: return "trop de liens vers ce fichier ou dans ce dossier";
    case ENAMETOOLONG: return "nom de fichier trop long";
    case EIO: return "erreur d'entrée-sortie du disque";
    case EMFILE:
    case ENFILE: return "trop de fichiers ouverts";
    case EBUSY: return "le fichier ou le périphérique est occupé";
    case ETXTBSY: return "le fichier est un programme en cours d'exécution";
    case EINTR: return "opération interrompue";
    case ENOMEM: return "mémoire insuffisante";
    case EAGAIN: return "ressource momentanément indisponible";
    case ENXIO:
    case ENODEV: return "le périphérique est absent";
    case ESTALE: return "le fichier réseau n'est plus accessible (descripteur périmé)";
    case EBADF: return "descripteur de fichier invalide";
    case EINVAL: return "opération refusée par le système de fichiers";
    case EXDEV: return "les deux noms sont sur des systèmes de fichiers différents";
    case ENOTEMPTY: return "le dossier n'est pas vide";
    case ENOLCK: return "plus aucun verrou n'est disponible";
    case EDEADLK: return "verrouillage impossible sans blocage mutuel";
    case ENOSYS:
    case EOPNOTSUPP: return "opération non prise en charge par le système de fichiers";
    case ETIMEDOUT: return "délai dépassé";
    default: return "erreur système n° " + std::to_string(error);
    }
}

std::string messageOpenedElsewhere(const std::string& path, bool exclusive)
{
    return exclusive ? "Le fichier « " + path + " » est ouvert par un autre programme ou une autre connexion : il ne "
                       "peut pas être ouvert en exclusivité."
                     : "Le fichier « " + path + " » est ouvert en exclusivité par un autre programme ou une autre "
                       "connexion : il ne peut pas être ouvert maintenant.";
}

}  // namespace kervane::jet
