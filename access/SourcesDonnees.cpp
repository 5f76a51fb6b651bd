// Data sources of the Access driver: existence test, creation and repointing.
#include "access/EtatODBC.h"
#include "access/Module_ODBC.h"
#include "access/TexteODBC.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"

#include <odbcinst.h>

namespace kervane {
namespace {

// "keyword=value" texts, each followed by a NUL, the whole by one more NUL.
QByteArray attributeList(std::initializer_list<QString> attributs)
{
    QByteArray liste;
    for (const QString& a : attributs) {
        liste.append(a.toUtf8());
        liste.append('\0');
    }
    liste.append('\0');
    return liste;
}

bool configure(WORD nRequete, const QByteArray& attributs)
{
    const QByteArray pilote = PILOTE_ACCESS.toUtf8();
    return SQLConfigDataSource(nullptr, nRequete, pilote.constData(), attributs.constData());
}

bool refuseDriver(qint32 nMessage)
{
    MSG_Afficher(nMessage, GENRE_CATALOGUE, MB_ICONEXCLAMATION, QStringLiteral("ChargerListeLogigrammes"));
    return false;
}

}  // namespace

bool ODBC_TesterExistenceDSN(const QString& strDSN)
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_TesterExistenceDSN"), [&] {
        const SQLHENV hEnvironnement = etatODBC().environnement.get();
        const QString strCherche = strDSN.toUpper();
        SQLCHAR szNom[2000], szDescription[2000];
        SQLSMALLINT nNom = 0, nDescription = 0;
        SQLUSMALLINT nSens = SQL_FETCH_FIRST;
        while (SQLDataSources(hEnvironnement, nSens, szNom, sizeof szNom, &nNom, szDescription, sizeof szDescription,
                              &nDescription)
               == SQL_SUCCESS) {
            if (texteDepuisODBC(szNom, qMin<qsizetype>(nNom, sizeof szNom - 1)).toUpper() == strCherche)
                return true;
            nSens = SQL_FETCH_NEXT;
        }
        return false;
    });
}

bool ODBC_AjouterDSN(const QString& strPilote, const QString& strDSN, const QString& strDescription,
                     const QString& strBase)
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_AjouterDSN"), [&] {
        configure(ODBC_REMOVE_DSN, attributeList({QStringLiteral("DSN=") + strDSN}));
        if (strPilote != PILOTE_ACCESS)
            return refuseDriver(113);
        return configure(ODBC_ADD_DSN,
                         attributeList({QStringLiteral("DSN=") + strDSN, QStringLiteral("DBQ=") + strBase,
                                        QStringLiteral("Description=") + strDescription,
                                        QStringLiteral("FIL=MS Access")}));
    });
}

bool ODBC_ModifierDSN(const QString& strPilote, const QString& strDSN, const QString& strBase)
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_ModifierDSN"), [&] {
        if (strPilote != PILOTE_ACCESS)
            return refuseDriver(114);
        return configure(ODBC_CONFIG_DSN,
                         attributeList({QStringLiteral("DSN=") + strDSN, QStringLiteral("DBQ=") + strBase,
                                        QStringLiteral("FIL=MS Access")}));
    });
}

}  // namespace kervane
