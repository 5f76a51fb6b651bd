#include "access/EtatODBC.h"

#include "messages/Erreur.h"

namespace kervane {

void EmplacementConnexion::liberer()
{
    instruction.reset();
    connexion.reset();
    strDSN.clear();
    nUtilisations = 0;
    strTag.clear();
    bAnnulee = false;
}

EmplacementConnexion& EtatODBC::emplacement(qint16 nIndice)
{
    if (nIndice < 1 || nIndice > nombreEmplacements())
        LeverErreur(ERREUR_INDICE);
    return tabEmplacements[static_cast<std::size_t>(nIndice - 1)];
}

EtatODBC& etatODBC()
{
    static EtatODBC etat;
    return etat;
}

QString dsnOfSlot(qint16 nIndice)
{
    EtatODBC& etat = etatODBC();
    return nIndice >= 1 && nIndice <= etat.nombreEmplacements() ? etat.emplacement(nIndice).strDSN : QString();
}

}  // namespace kervane
