#include "export/ValeurCellule.h"

#include "messages/Texte.h"

namespace kervane {
namespace {

constexpr qsizetype kChiffresMax = 15;

qsizetype chiffresEnTete(QStringView texte)
{
    qsizetype n = 0;
    while (n < texte.size() && texte[n] >= u'0' && texte[n] <= u'9')
        ++n;
    return n;
}

}  // namespace

QString TexteCellule(const QString& strTexte)
{
    QString strCellule = sansEspaces(strTexte);
    if (strCellule.contains(u'\r'))
        strCellule.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return strCellule;
}

bool LireNombre(const QString& strTexte, const QString& strSeparateur, double& dNombre)
{
    QStringView reste(strTexte);
    const bool bNegatif = reste.startsWith(u'-');
    if (bNegatif)
        reste = reste.mid(1);
    const qsizetype nEntiers = chiffresEnTete(reste);
    if (nEntiers == 0 || (nEntiers > 1 && reste[0] == u'0'))
        return false;
    QStringView fraction = reste.mid(nEntiers);
    qsizetype nDecimales = 0;
    if (!fraction.isEmpty()) {
        if (strSeparateur.isEmpty() || !fraction.startsWith(strSeparateur))
            return false;
        fraction = fraction.mid(strSeparateur.size());
        nDecimales = chiffresEnTete(fraction);
        if (nDecimales == 0 || nDecimales != fraction.size())
            return false;
    }
    if (nEntiers + nDecimales > kChiffresMax)
        return false;
    QString strC = reste.left(nEntiers).toString();
    if (nDecimales > 0)
        strC += QLatin1Char('.') + fraction.toString();
    bool bOk = false;
    const double dValeur = strC.toDouble(&bOk);
    if (!bOk)
        return false;
    dNombre = bNegatif ? -dValeur : dValeur;
    return true;
}

}  // namespace kervane
