#include "messages/Texte.h"

#include <QRegularExpression>

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

QString sansEspacesGauche(const QString& strTexte)
{
    qsizetype n = 0;
    while (n < strTexte.size() && strTexte[n] == u' ')
        ++n;
    return strTexte.mid(n);
}

QString sansEspaces(const QString& strTexte)
{
    if (strTexte.isEmpty() || (strTexte.front() != u' ' && strTexte.back() != u' '))
        return strTexte;  // the common case, without a copy
    qsizetype nFin = strTexte.size();
    while (nFin > 0 && strTexte[nFin - 1] == u' ')
        --nFin;
    return sansEspacesGauche(strTexte.left(nFin));
}

QString sansMotsDePasse(const QString& strRequete)
{
    static const QRegularExpression DEBUT(QStringLiteral("^\\s*ALTER\\s+DATABASE\\s+PASSWORD\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch trouve = DEBUT.match(strRequete);
    return trouve.hasMatch() ? trouve.captured(0).trimmed() + QStringLiteral(" …") : strRequete;
}

}  // namespace kervane
