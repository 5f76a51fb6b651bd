#pragma once
// Module_ODBC: the database access layer. Every window reaches a database only through
// these operations and the connection number ("Indice") that ODBC_Connecter hands out.
// Each returns True on success; a failure has already been shown to the user.
#include "access/TableauTextes.h"

#include <QString>

#include <functional>
#include <optional>

namespace kervane {

// Connection request: user name, password, data-source name.
struct DemandeConnexion {
    QString strUtilisateur;
    QString strMotDePasse;
    QString strDSN;
    // Asked when the driver refuses the password (SQLSTATE 28000: a base protected by another
    // one): the password to try next, or nothing when the user gives up. bRefuse tells that
    // the last password the user typed was refused. Without it, the refusal is reported as any
    // failure to connect.
    std::function<std::optional<QString>(bool bRefuse)> demanderMotDePasse = {};
};

enum CodeTransaction : qint16 { TRANS_BEGIN = 1, TRANS_COMMIT = 2, TRANS_ROLLBACK = 3 };

extern const QString PILOTE_ACCESS;  // "Microsoft Access Driver (*.mdb)"

// Connections
bool ODBC_Initialiser();
bool ODBC_Connecter(const DemandeConnexion& demande, qint16& nIndice, const QString& strTag);
bool ODBC_Deconnecter(qint16 nIndice);
bool ODBC_Cloturer();

// Statements and result arrays: rows 0..N+1, columns 0..C; (0,0) = N, row 0 the display
// widths and row 1 the column names when asked for, data from row 2.
bool ODBC_Executer(qint16 nIndice, const QString& strSQL, qint32& nLignes);
bool ODBC_SelectionnerDansTableau(qint16 nIndice, const QString& strSQL, TableauTextes& tabResultat,
                                  bool bEntetes);
// Asks the driver to stop the statement running on that connection (from another thread, or
// from the interface thread while it waits: see ExecutionEnFond.h). True when one was running
// and the driver took the request; the statement then fails with the driver's message.
bool ODBC_Annuler(qint16 nIndice);
// True when the last statement run on that connection failed after ODBC_Annuler.
bool ODBC_InstructionAnnulee(qint16 nIndice);

// Catalogue: tables (rows 1..n: name, type, remarks, qualifier, owner) and the columns of a
// table (rows 1..C: name, ODBC type name, size).
bool ODBC_LireTables(qint16 nIndice, TableauTextes& tabTables);
bool ODBC_LireChampsTable(qint16 nIndice, const QString& strTable, TableauTextes& tabChamps);

// Transactions: TRANS_BEGIN, TRANS_COMMIT or TRANS_ROLLBACK.
bool ODBC_EtablirTransaction(qint16 nIndice, qint16 nCode);

// Data sources of the Access driver.
bool ODBC_TesterExistenceDSN(const QString& strDSN);
bool ODBC_AjouterDSN(const QString& strPilote, const QString& strDSN, const QString& strDescription,
                     const QString& strBase);
bool ODBC_ModifierDSN(const QString& strPilote, const QString& strDSN, const QString& strBase);

// The driver's first diagnostic for the current slot, with " [SQLETAT=...]".
bool ODBC_LireMessageErreur(QString& strTexte);

}  // namespace kervane
