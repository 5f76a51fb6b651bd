#include "export/ValeurCellule.h"

#include "messages/Texte.h"

#include <array>
#include <charconv>

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
    // The digits in C notation, read without making a text: at most 15 digits and a point.
    std::array<char, kChiffresMax + 2> chiffres{};
    std::size_t n = 0;
    for (QChar ch : reste.left(nEntiers))
        chiffres[n++] = static_cast<char>(ch.unicode());
    if (nDecimales > 0) {
        chiffres[n++] = '.';
        for (QChar ch : fraction)
            chiffres[n++] = static_cast<char>(ch.unicode());
    }
    double dValeur = 0;
    const auto [pFin, erreur] = std::from_chars(chiffres.data(), chiffres.data() + n, dValeur);
    if (erreur != std::errc() || pFin != chiffres.data() + n)
        return false;
    dNombre = bNegatif ? -dValeur : dValeur;
    return true;
}

}  // namespace kervane
