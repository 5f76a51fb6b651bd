#include "export/ErreurClasseur.h"

#include "messages/ErreurSysteme.h"

#include <xlsxwriter.h>

namespace kervane {
namespace {

// The codes where the library stopped on a file operation and left errno set.
bool echecFichier(int nCode)
{
    switch (nCode) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: return true;
    default: return false;
    }
}

QString texteBibliotheque(int nCode)
{
    switch (nCode) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return QStringLiteral("Mémoire insuffisante.");
    case LXW_ERROR_CREATING_XLSX_FILE: return QStringLiteral("Le fichier du classeur ne peut pas être créé.");
    case LXW_ERROR_CREATING_TMPFILE: return QStringLiteral("Un fichier de travail ne peut pas être créé.");
    case LXW_ERROR_READING_TMPFILE: return QStringLiteral("Un fichier de travail ne peut pas être relu.");
    case LXW_ERROR_ZIP_FILE_OPERATION: return QStringLiteral("Le fichier du classeur ne peut pas être écrit.");
    case LXW_ERROR_ZIP_BAD_ZIP_FILE: return QStringLiteral("Le classeur est trop volumineux pour être compressé.");
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_INTERNAL_ERROR: return QStringLiteral("La compression du classeur a échoué.");
    case LXW_ERROR_ZIP_FILE_ADD: return QStringLiteral("Une partie du classeur n'a pas pu être ajoutée au fichier.");
    case LXW_ERROR_ZIP_CLOSE: return QStringLiteral("Le fichier du classeur n'a pas pu être fermé.");
    case LXW_ERROR_FEATURE_NOT_SUPPORTED:
        return QStringLiteral("Cette opération n'est pas possible dans un classeur.");
    case LXW_ERROR_NULL_PARAMETER_IGNORED:
    case LXW_ERROR_PARAMETER_VALIDATION: return QStringLiteral("Une valeur a été refusée par le classeur.");
    case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED: return QStringLiteral("Le nom de la feuille dépasse 31 caractères.");
    case LXW_ERROR_INVALID_SHEETNAME_CHARACTER:
        return QStringLiteral("Le nom de la feuille contient un caractère interdit ([ ] : * ? / \\).");
    case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE:
        return QStringLiteral("Le nom de la feuille ne peut ni commencer ni finir par une apostrophe.");
    case LXW_ERROR_SHEETNAME_ALREADY_USED: return QStringLiteral("Le nom de la feuille est déjà pris.");
    case LXW_ERROR_32_STRING_LENGTH_EXCEEDED: return QStringLiteral("Un texte dépasse 32 caractères.");
    case LXW_ERROR_128_STRING_LENGTH_EXCEEDED: return QStringLiteral("Un texte dépasse 128 caractères.");
    case LXW_ERROR_255_STRING_LENGTH_EXCEEDED: return QStringLiteral("Un texte dépasse 255 caractères.");
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("Le texte d'une cellule dépasse 32 767 caractères.");
    case LXW_ERROR_SHARED_STRING_INDEX_NOT_FOUND:
        return QStringLiteral("Un texte de la feuille est introuvable dans le classeur.");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("Une cellule est hors des limites de la feuille.");
    case LXW_ERROR_WORKSHEET_MAX_URL_LENGTH_EXCEEDED:
    case LXW_ERROR_WORKSHEET_MAX_NUMBER_URLS_EXCEEDED:
        return QStringLiteral("Un lien hypertexte dépasse les limites du classeur.");
    case LXW_ERROR_IMAGE_DIMENSIONS: return QStringLiteral("Les dimensions d'une image n'ont pas pu être lues.");
    default: return QStringLiteral("Erreur n° %1 de l'écriture du classeur.").arg(nCode);
    }
}

}  // namespace

QString TexteErreurClasseur(int nCode, int nErrno)
{
    if (echecFichier(nCode) && nErrno != 0)
        return TexteErreurSysteme(nErrno);
    return texteBibliotheque(nCode);
}

qint32 NumeroErreurClasseur(int nCode, int nErrno)
{
    if (echecFichier(nCode) && nErrno != 0)
        return NumeroErreurSysteme(nErrno);
    return ERREUR_CLASSEUR;
}

}  // namespace kervane
