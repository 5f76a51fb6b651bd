// The driver's diagnostic for the current slot, as the error messages show it.
#include "access/EtatODBC.h"
#include "access/Module_ODBC.h"
#include "access/TexteODBC.h"
#include "messages/Sablier.h"

namespace kervane {

bool ODBC_LireMessageErreur(QString& strTexte)
{
    Sablier sablier;
    try {
        EtatODBC& etat = etatODBC();
        EmplacementConnexion& e = etat.emplacement(etat.nEmplacementCourant);
        SQLCHAR szEtat[80] = {};
        SQLINTEGER nNatif = 0;
        SQLCHAR szMessage[2000] = {};
        SQLSMALLINT nLongueur = 0;
        if (SQLError(etat.environnement.get(), e.connexion.get(), e.instruction.get(), szEtat, &nNatif, szMessage,
                     sizeof szMessage, &nLongueur)
            == SQL_SUCCESS) {
            strTexte = texteDepuisODBC(szMessage, qMin<qsizetype>(nLongueur, sizeof szMessage - 1))
                       + QStringLiteral(" [SQLETAT=") + texteDepuisODBC(szEtat, sizeof szEtat) + QLatin1Char(']');
            return true;
        }
        strTexte = QStringLiteral("Le contexte ne permet pas de récupérer le message d'erreur de l'environnement ODBC.");
        return false;
    } catch (...) {
        strTexte = QStringLiteral("Impossible de récupérer le message d'erreur ODBC.");
        return false;
    }
}

}  // namespace kervane
