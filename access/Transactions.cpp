// Transactions: autocommit off, then commit or roll back and autocommit on again.
#include "access/EtatODBC.h"
#include "access/Module_ODBC.h"
#include "access/TraceODBC.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "messages/Trace.h"

namespace kervane {
namespace {

QString transactionLine(qint16 nIndice, qint16 nCode, bool bExecute)
{
    static const char* const noms[] = {"", "TRANS_BEGIN", "TRANS_COMMIT", "TRANS_ROLLBACK"};
    return motCle(QStringLiteral("Transaction")) + QStringLiteral("Indice = ") + QString::number(nIndice)
           + QStringLiteral(", DSN = ") + dsnOfSlot(nIndice) + QStringLiteral(", Type = ")
           + QLatin1String(noms[nCode])
           + (bExecute ? QStringLiteral(", Etat = exécuté") : QStringLiteral(", Etat = non exécuté"));
}

void endTransaction(SQLHDBC hConnexion, SQLUSMALLINT nType)
{
    verifierODBC(SQLTransact(etatODBC().environnement.get(), hConnexion, nType));
    verifierODBC(SQLSetConnectOption(hConnexion, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON));
}

}  // namespace

bool ODBC_EtablirTransaction(qint16 nIndice, qint16 nCode)
{
    Sablier sablier;
    const bool bCodeConnu = nCode >= TRANS_BEGIN && nCode <= TRANS_ROLLBACK;
    return Pieger(
        QStringLiteral("ODBC_EtablirTransaction"),
        [&] {
            if (!bCodeConnu) {
                MSG_Afficher(108, GENRE_CATALOGUE, MB_ICONEXCLAMATION, QStringLiteral("ODBC_EtablirTransaction"));
                return false;
            }
            const SQLHDBC hConnexion = etatODBC().emplacement(nIndice).connexion.get();
            if (nCode == TRANS_BEGIN)
                verifierODBC(SQLSetConnectOption(hConnexion, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
            else
                endTransaction(hConnexion, nCode == TRANS_COMMIT ? SQL_COMMIT : SQL_ROLLBACK);
            MSG_Tracer(transactionLine(nIndice, nCode, true));
            return true;
        },
        [&](const ErreurPiegee&) {
            if (bCodeConnu)
                MSG_Tracer(transactionLine(nIndice, nCode, false));
        });
}

}  // namespace kervane
