#include "query/CleHistorique.h"

#include "settings/Cles.h"

namespace kervane {
namespace {

const QString MARQUE = QStringLiteral("^");

QString texteDe(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// The one character of a text, or 0 when it holds none or more than one.
char32_t seulCaractere(const QString& strTexte)
{
    if (strTexte.size() == 1 && !strTexte[0].isSurrogate())
        return strTexte[0].unicode();
    if (strTexte.size() == 2 && strTexte[0].isHighSurrogate() && strTexte[1].isLowSurrogate())
        return QChar::surrogateToUcs4(strTexte[0], strTexte[1]);
    return 0;
}

// True for an upper-case letter that is the one upper-case form of its folded form, so
// that "^" and the letter, folded, stand for it alone.
bool majusculeSimple(char32_t c, const QString& strPlie)
{
    const char32_t nPlie = seulCaractere(strPlie);
    return nPlie != 0 && texteDe(nPlie).toCaseFolded() == texteDe(nPlie) && QChar::toUpper(nPlie) == c;
}

QString codeHexadecimal(char32_t c)
{
    return MARQUE + u'#' + QString::number(c, 16).toUpper() + u';';
}

// One character of the path as the key name holds it; bDernier for the last one, which a
// reader of the hive would trim if it were a space.
QString formeExacte(char32_t c, bool bDernier)
{
    switch (c) {
    case U'/': return QStringLiteral("|");
    case U'\\': return MARQUE + u'|';
    case U'|': return MARQUE + u'!';
    case U'^': return MARQUE + MARQUE;
    default: break;
    }
    const QString strCar = texteDe(c);
    const bool bSur = QChar::isPrint(c) && !(bDernier && QChar::isSpace(c)) && !QChar::isSurrogate(c);
    if (!bSur)
        return codeHexadecimal(c);
    const QString strPlie = strCar.toCaseFolded();
    if (strPlie == strCar)
        return strCar;
    return majusculeSimple(c, strPlie) ? MARQUE + strCar : codeHexadecimal(c);
}

}  // namespace

QString NomCleBase(const QString& strBase)
{
    QString strNom;
    strNom.reserve(strBase.size() + 8);
    for (qsizetype i = 0; i < strBase.size(); ++i) {
        char32_t c = strBase[i].unicode();
        // A lone surrogate stays itself, and is written as its code.
        if (strBase[i].isHighSurrogate() && i + 1 < strBase.size() && strBase[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(strBase[i], strBase[i + 1]);
            ++i;
        }
        strNom += formeExacte(c, i + 1 == strBase.size());
    }
    return strNom;
}

QString NomCleBasePartagee(const QString& strBase)
{
    QString strNom = strBase;
    strNom.replace(u'/', u'|');
    strNom.replace(u'\\', u'|');
    return strNom;
}

QString CleRequetes(const QString& strNomCle)
{
    return cleProgramme() + QStringLiteral("\\Requetes\\") + strNomCle;
}

}  // namespace kervane
