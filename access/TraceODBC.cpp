#include "access/TraceODBC.h"

#include "messages/Erreur.h"
#include "messages/Texte.h"
#include "messages/Trace.h"

namespace kervane {

void verifierODBC(SQLRETURN nCode)
{
    if (nCode != SQL_SUCCESS)
        LeverErreurODBC();
}

QString motCle(const QString& strMotCle)
{
    return strMotCle.leftJustified(15) + QStringLiteral("-> ");
}

QString ligneEtat(const QString& strMotCle, qint16 nIndice, const QString& strDSN, qint64 nLignes, bool bExecute)
{
    return motCle(strMotCle) + QStringLiteral("Indice = ") + QString::number(nIndice) + QStringLiteral(", DSN = ")
           + strDSN + QStringLiteral(", Nb ligne(s) = ") + QString::number(nLignes)
           + (bExecute ? QStringLiteral(", Etat = exécuté") : QStringLiteral(", Etat = non exécuté"));
}

void tracerInstruction(const QString& strEtat, const QString& strRequete, double dDebut)
{
    MSG_Tracer(strEtat);
    MSG_Tracer(motCle(QStringLiteral("Requete")) + sansMotsDePasse(strRequete), dDebut);
    MSG_Tracer(QString());
}

}  // namespace kervane
