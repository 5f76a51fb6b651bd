#include "messages/Texte.h"

namespace kervane {

QString STR_Remplacer(const QString& strSource, const QString& strCherche, const QString& strRemplacement,
                      qint16 nNombre)
{
    if (strCherche.isEmpty())
        return strSource;
    qsizetype nPosition = strSource.indexOf(strCherche);
    if (nPosition < 0)
        return strSource;
    QString strResultat = strSource;
    do {
        strResultat.replace(nPosition, strCherche.size(), strRemplacement);
        if (nNombre != STR_TOUTES)
            break;
        nPosition = strResultat.indexOf(strCherche, nPosition + strRemplacement.size());
    } while (nPosition >= 0);
    return strResultat;
}

}  // namespace kervane
