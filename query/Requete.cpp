#include "query/Requete.h"

#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "messages/Texte.h"

#include <QStringList>

namespace kervane {

namespace {

const QString CRLF = QStringLiteral("\r\n");

}  // namespace

bool InterpreterRequete(const QString& strTexte, QString& strRequete, QString& strPositions)
{
    Sablier sablier;
    qsizetype p = strTexte.indexOf(CRLF);
    if (p < 0) {
        strRequete = strTexte;
        strPositions = QStringLiteral("0");
        return true;
    }
    QString strReste = strTexte;
    QString f;
    QString strP;
    while (p >= 0) {
        f = sansEspacesGauche(f + u' ') + sansEspaces(strReste.left(p));
        strP += QString::number(f.size() + 1) + u':';
        strReste = strReste.mid(p + 2);
        p = strReste.indexOf(CRLF);
    }
    strRequete = sansEspacesGauche(f + u' ') + sansEspaces(strReste);
    strPositions = strP;
    return true;
}

GenreRequete classerRequete(const QString& strRequete)
{
    const QString u = sansEspaces(strRequete).toUpper();
    if (u.startsWith(QLatin1String("SELECT")) || u.contains(QLatin1String("CALL")))
        return GenreRequete::Selection;
    if (u.contains(QLatin1String("INSERT")))
        return GenreRequete::Insertion;
    if (u.contains(QLatin1String("DELETE")))
        return GenreRequete::Suppression;
    if (u.contains(QLatin1String("UPDATE")))
        return GenreRequete::MiseAJour;
    return GenreRequete::Autre;
}

QString texteQuestion(GenreRequete genre, qint32 nLignes)
{
    struct Phrases {
        const char* szUne;
        const char* szPlusieurs;
    };
    Phrases phrases{" ligne modifiée.", " lignes modifiées."};
    if (genre == GenreRequete::Insertion)
        phrases = {" ligne créée.", " lignes créées."};
    else if (genre == GenreRequete::Suppression)
        phrases = {" ligne détruite.", " lignes détruites."};
    const QString strNombre = QString::number(nLignes);
    if (nLignes == 0)
        return strNombre + QString::fromUtf8(phrases.szUne);
    const QString strPhrase = QString::fromUtf8(nLignes == 1 ? phrases.szUne : phrases.szPlusieurs);
    return strNombre + strPhrase + QStringLiteral("Acceptez-vous la transaction?");
}

qint32 styleQuestion(qint32 nLignes)
{
    return nLignes == 0 ? MB_ICONINFORMATION : MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
}

// Each recorded position is that of a joining space: the space gives way to a line break.
QString reconstruireLignes(const QString& strRequete, const QString& strPositions)
{
    if (strPositions.isEmpty() || strPositions == QLatin1String("0"))
        return strRequete;
    QString strTexte;
    qsizetype nDebut = 0;
    for (const QString& strPosition : strPositions.split(u':', Qt::SkipEmptyParts)) {
        bool bNombre = false;
        const qsizetype nEspace = strPosition.toLongLong(&bNombre) - 1;
        if (!bNombre || nEspace < nDebut || nEspace > strRequete.size())
            continue;
        strTexte += strRequete.mid(nDebut, nEspace - nDebut) + CRLF;
        nDebut = nEspace < strRequete.size() && strRequete[nEspace] == u' ' ? nEspace + 1 : nEspace;
    }
    return strTexte + strRequete.mid(nDebut);
}

QString formeComparaison(const QString& strRequete)
{
    QString strForme = strRequete;
    strForme.remove(u' ');
    return strForme.toCaseFolded();
}

QString surUneLigne(const QString& strTexte)
{
    QString strLigne = strTexte;
    strLigne.replace(u'\r', u' ');
    strLigne.replace(u'\n', u' ');
    return strLigne;
}

}  // namespace kervane
