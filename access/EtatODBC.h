#pragma once
// The access layer's process-wide state: the one ODBC environment, the table of numbered
// connection slots and the current slot whose diagnostics an error message reads.
#include "access/PoigneesODBC.h"

#include <QString>
#include <vector>

namespace kervane {

struct EmplacementConnexion {
    PoigneeConnexion connexion;    // declared first: outlives its statement
    PoigneeInstruction instruction;
    QString strDSN;
    qint16 nUtilisations = 0;
    QString strTag;                // the database file path given by the caller
    bool bAnnulee = false;         // the last statement was stopped by ODBC_Annuler

    bool libre() const { return !connexion; }
    // Frees the statement, then disconnects and frees the connection; the slot is free.
    void liberer();
};

struct EtatODBC {
    PoigneeEnvironnement environnement;        // declared first: outlives every connection
    std::vector<EmplacementConnexion> tabEmplacements;  // slot n is tabEmplacements[n - 1]
    qint16 nEmplacementCourant = 0;

    qint16 nombreEmplacements() const { return static_cast<qint16>(tabEmplacements.size()); }
    // The slot of that number; raises the subscript error for a number outside the table.
    EmplacementConnexion& emplacement(qint16 nIndice);
};

EtatODBC& etatODBC();
// The DSN of a slot, empty for a number outside the table (for trace lines).
QString dsnOfSlot(qint16 nIndice);

}  // namespace kervane
