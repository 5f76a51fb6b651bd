#include "export/Coordonnees.h"

namespace kervane {

QString GES_CalculerCoordonneesColonne(qint16 nColonne)
{
    if (nColonne < 1 || nColonne > COLONNE_TABLEUR_MAX)
        return {};
    const auto lettre = [](int nRang) { return QChar(u'A' + nRang); };
    if (nColonne <= 26)
        return QString(lettre(nColonne - 1));
    const int nRang = nColonne - 1;
    return QString(lettre(nRang / 26 - 1)) + lettre(nRang % 26);
}

QString GES_CalculerCoordonneesLigne(qint16 nLigne)
{
    return nLigne < 1 ? QString() : QString::number(nLigne);
}

QString GES_CalculerCoordonneesCellule(qint16 nColonne, qint16 nLigne)
{
    const QString strColonne = GES_CalculerCoordonneesColonne(nColonne);
    const QString strLigne = GES_CalculerCoordonneesLigne(nLigne);
    if (strColonne.isEmpty() || strLigne.isEmpty())
        return {};
    return strColonne + strLigne;
}

}  // namespace kervane
