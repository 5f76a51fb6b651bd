#include "messages/ErreurSysteme.h"

#include "messages/Erreur.h"

#include <cerrno>

namespace kervane {

QString TexteErreurSysteme(int nErrno)
{
    switch (nErrno) {
    case 0: return QStringLiteral("Erreur système inconnue.");
    case ENOSPC: return QStringLiteral("Le disque est plein.");
    case EDQUOT: return QStringLiteral("Le quota d'espace disque est dépassé.");
    case EACCES:
    case EPERM: return QStringLiteral("Permission refusée.");
    case EROFS: return QStringLiteral("Le système de fichiers est en lecture seule.");
    case EISDIR: return QStringLiteral("Le chemin désigne un répertoire.");
    case ENOENT: return QStringLiteral("Le fichier ou le répertoire n'existe pas.");
    case ENOTDIR: return QStringLiteral("Un élément du chemin n'est pas un répertoire.");
    case EEXIST: return QStringLiteral("Le fichier existe déjà.");
    case ENOTEMPTY: return QStringLiteral("Le répertoire n'est pas vide.");
    case ENAMETOOLONG: return QStringLiteral("Le nom du fichier est trop long.");
    case ELOOP: return QStringLiteral("Le chemin passe par un lien symbolique refusé ou par trop de liens.");
    case EMFILE:
    case ENFILE: return QStringLiteral("Trop de fichiers sont ouverts.");
    case EIO: return QStringLiteral("Erreur d'entrée-sortie sur le disque.");
    case EFBIG: return QStringLiteral("Le fichier est trop volumineux.");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("Le fichier est occupé par un autre programme.");
    case EXDEV: return QStringLiteral("Le fichier ne peut pas être déplacé d'un disque à un autre.");
    case ENOMEM: return QStringLiteral("Mémoire insuffisante.");
    case EINVAL: return QStringLiteral("Argument incorrect.");
    case EAGAIN: return QStringLiteral("La ressource est momentanément indisponible.");
    case EINTR: return QStringLiteral("L'opération a été interrompue.");
    case ENXIO:
    case ENODEV: return QStringLiteral("Le périphérique n'existe pas.");
    default: return QStringLiteral("Erreur système n° %1.").arg(nErrno);
    }
}

qint32 NumeroErreurSysteme(int nErrno)
{
    switch (nErrno) {
    case ENOSPC:
    case EDQUOT: return ERREUR_DISQUE_PLEIN;
    case EACCES:
    case EPERM:
    case EROFS: return ERREUR_PERMISSION;
    case ENOENT: return ERREUR_FICHIER_INTROUVABLE;
    case ENOTDIR: return ERREUR_CHEMIN_INTROUVABLE;
    case ENOMEM: return ERREUR_MEMOIRE;
    default: return ERREUR_ACCES_FICHIER;
    }
}

void LeverErreurSysteme(int nErrno, const QString& strContexte)
{
    LeverErreur(NumeroErreurSysteme(nErrno), strContexte + QLatin1Char(' ') + TexteErreurSysteme(nErrno));
}

}  // namespace kervane
