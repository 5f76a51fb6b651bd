#include "open/EntreeRecente.h"

#include "settings/Cles.h"

namespace kervane {

EntreeRecente decouperEntreeRecente(const QString& strEntree)
{
    const qsizetype nBarre = strEntree.indexOf(QLatin1Char('|'));
    if (nBarre > 0)
        return {strEntree.left(nBarre), strEntree.mid(nBarre + 1)};
    return {QString(), strEntree.mid(1)};
}

QString cleBasesRecentes()
{
    return cleProgramme() + QStringLiteral("\\Bases récentes");
}

}  // namespace kervane
