#include "query/PositionErreur.h"

#include "query/LexiqueSql.h"

#include <QRegularExpression>

namespace kervane {

namespace {

// Index of the N-th character (from 1), a character outside the basic plane counting once.
qsizetype indexOfCharacter(const QString& strTexte, qint64 nCaractere)
{
    qsizetype i = 0;
    for (qint64 n = 1; n < nCaractere && i < strTexte.size(); ++n)
        i += strTexte[i].isHighSurrogate() && i + 1 < strTexte.size() && strTexte[i + 1].isLowSurrogate() ? 2 : 1;
    return i < strTexte.size() ? i : -1;
}

// Leading and trailing spaces of a line, as the flattening trims them (spaces only).
std::pair<qsizetype, qsizetype> trimmedBounds(const QString& strTexte, qsizetype nDebut, qsizetype nFin)
{
    while (nDebut < nFin && strTexte[nDebut] == u' ')
        ++nDebut;
    while (nFin > nDebut && strTexte[nFin - 1] == u' ')
        --nFin;
    return {nDebut, nFin};
}

}  // namespace

qsizetype indiceErreur(const QString& strMessage, const QString& strRequete)
{
    static const QRegularExpression position(QStringLiteral("\\(caractère (\\d+)\\)"));
    qint64 nCaractere = 0;
    for (auto it = position.globalMatch(strMessage); it.hasNext();)
        nCaractere = it.next().captured(1).toLongLong();
    return nCaractere < 1 ? -1 : indexOfCharacter(strRequete, nCaractere);
}

std::pair<qsizetype, qsizetype> plageJeton(const QString& strRequete, qsizetype nIndice)
{
    QList<JetonSql> jetons;
    decouperSql(strRequete, EtatLexical::Normal, jetons);
    for (const JetonSql& jeton : jetons)
        if (jeton.nDebut <= nIndice && nIndice < jeton.fin())
            return {jeton.nDebut, jeton.fin()};
    return {nIndice, nIndice + 1};
}

QList<qsizetype> originesAplaties(const QString& strTexte, QString& strAplatie)
{
    QList<qsizetype> origines;
    strAplatie.clear();
    if (!strTexte.contains(u'\n')) {
        strAplatie = strTexte;
        for (qsizetype i = 0; i < strTexte.size(); ++i)
            origines.append(i);
        return origines;
    }
    qsizetype nLigne = 0;
    for (;;) {
        const qsizetype nSaut = strTexte.indexOf(u'\n', nLigne);
        const qsizetype nFinLigne = nSaut < 0 ? strTexte.size() : nSaut;
        if (!strAplatie.isEmpty()) {  // the space joining this line to the one above
            strAplatie += u' ';
            origines.append(nLigne - 1);
        }
        const auto [nDebut, nFin] = trimmedBounds(strTexte, nLigne, nFinLigne);
        strAplatie += QStringView(strTexte).sliced(nDebut, nFin - nDebut);
        for (qsizetype i = nDebut; i < nFin; ++i)
            origines.append(i);
        if (nSaut < 0)
            return origines;
        nLigne = nSaut + 1;
    }
}

}  // namespace kervane
