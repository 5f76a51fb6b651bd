#pragma once
// The trace lines of the access layer and the check of ODBC results.
#include <QString>
#include <sql.h>

namespace kervane {

// Raises the ODBC-failure signal for any result but SQL_SUCCESS.
void verifierODBC(SQLRETURN nCode);

// The keyword column of a trace line: the word on 15 characters, then "-> ".
QString motCle(const QString& strMotCle);
// "Lecture        -> Indice = 1, DSN = X, Nb ligne(s) = N, Etat = exécuté" and its kin.
QString ligneEtat(const QString& strMotCle, qint16 nIndice, const QString& strDSN, qint64 nLignes, bool bExecute);
// The three lines of a statement: its state, "Requete -> " + text with the duration, a blank.
void tracerInstruction(const QString& strEtat, const QString& strRequete, double dDebut);

}  // namespace kervane
