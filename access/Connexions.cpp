// The connection table: one environment, numbered slots shared by DSN and database tag.
#include "access/EtatODBC.h"
#include "access/Module_ODBC.h"
#include "access/TexteODBC.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"

namespace kervane {

const QString PILOTE_ACCESS = QStringLiteral("Microsoft Access Driver (*.mdb)");

namespace {

bool refuse(qint32 nMessage, const QString& strProcedure)
{
    MSG_Afficher(nMessage, GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure);
    return false;
}

bool refuseWithDsn(qint16 nMessage, const QString& strDSN)
{
    MSG_Afficher(MSG_Formater(nMessage, strDSN), GENRE_CATALOGUE, MB_ICONEXCLAMATION,
                 QStringLiteral("ODBC_Connecter"));
    return false;
}

// The first slot in use on that DSN whose tag matches (an empty tag matches any), or 0.
qint16 reusableSlot(const QString& strDSN, const QString& strTag)
{
    EtatODBC& etat = etatODBC();
    for (qint16 n = 1; n <= etat.nombreEmplacements(); ++n) {
        const EmplacementConnexion& e = etat.emplacement(n);
        if (!e.libre() && e.strDSN == strDSN && (strTag.isEmpty() || strTag == e.strTag))
            return n;
    }
    return 0;
}

// The lowest free slot, or a new one at the end of the table.
qint16 freeSlot()
{
    EtatODBC& etat = etatODBC();
    for (qint16 n = 1; n <= etat.nombreEmplacements(); ++n)
        if (etat.emplacement(n).libre())
            return n;
    etat.tabEmplacements.emplace_back();
    return etat.nombreEmplacements();
}

// The SQLSTATE of the last failure on the connection handle.
QString etatConnexion(SQLHDBC hConnexion)
{
    SQLCHAR szEtat[6] = {};
    SQLCHAR szMessage[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLINTEGER nNatif = 0;
    SQLSMALLINT nLongueur = 0;
    SQLError(SQL_NULL_HENV, hConnexion, SQL_NULL_HSTMT, szEtat, &nNatif, szMessage, sizeof szMessage, &nLongueur);
    return QString::fromLatin1(reinterpret_cast<const char*>(szEtat));
}

// Overwrites the characters of a password no longer needed.
void effacer(QString& strMotDePasse)
{
    strMotDePasse.fill(QChar(u'\0'));
    strMotDePasse.clear();
}

// SQLConnect with the request's password, then, while the driver refuses the password and the
// request can ask for one, with each one the user types; bAbandon when the user gave up.
bool connectWithPassword(SQLHDBC hConnexion, const DemandeConnexion& demande, bool& bAbandon)
{
    QString strMotDePasse = demande.strMotDePasse;
    for (bool bRefuse = false;; bRefuse = true) {
        TexteODBC dsn(demande.strDSN), utilisateur(demande.strUtilisateur), motDePasse(strMotDePasse);
        effacer(strMotDePasse);
        if (SQLConnect(hConnexion, dsn.data(), dsn.longueurCourte(), utilisateur.data(),
                       utilisateur.longueurCourte(), motDePasse.data(), motDePasse.longueurCourte())
            == SQL_SUCCESS)
            return true;
        if (!demande.demanderMotDePasse || etatConnexion(hConnexion) != QLatin1String("28000"))
            return false;
        std::optional<QString> saisi = demande.demanderMotDePasse(bRefuse);
        if (!saisi) {
            bAbandon = true;
            return false;
        }
        strMotDePasse = *saisi;
        effacer(*saisi);
    }
}

bool connect(const DemandeConnexion& demande, qint16& nIndice, const QString& strTag)
{
    EtatODBC& etat = etatODBC();
    if (const qint16 n = reusableSlot(demande.strDSN, strTag)) {
        ++etat.emplacement(n).nUtilisations;
        nIndice = n;
        return true;
    }
    if (!etat.environnement)
        return refuse(103, QStringLiteral("ODBC_Connecter"));

    SQLHDBC hConnexion = SQL_NULL_HDBC;
    if (SQLAllocConnect(etat.environnement.get(), &hConnexion) != SQL_SUCCESS)
        return refuseWithDsn(105, demande.strDSN);
    bool bAbandon = false;
    if (!connectWithPassword(hConnexion, demande, bAbandon)) {
        SQLFreeConnect(hConnexion);
        return bAbandon ? false : refuseWithDsn(104, demande.strDSN);
    }
    PoigneeConnexion connexion(hConnexion);
    PoigneeInstruction instruction;
    if (SQLAllocStmt(connexion.get(), instruction.adresse()) != SQL_SUCCESS)
        return refuseWithDsn(106, demande.strDSN);  // the owner disconnects and frees
    SQLSetConnectOption(connexion.get(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);

    nIndice = freeSlot();
    EmplacementConnexion& e = etat.emplacement(nIndice);
    e.connexion = std::move(connexion);
    e.instruction = std::move(instruction);
    e.strDSN = demande.strDSN;
    e.nUtilisations = 1;
    e.strTag = strTag;
    return true;
}

bool disconnect(qint16 nIndice)
{
    EtatODBC& etat = etatODBC();
    if (nIndice < 1 || nIndice > etat.nombreEmplacements())
        return refuse(107, QStringLiteral("ODBC_Deconnecter"));
    EmplacementConnexion& e = etat.emplacement(nIndice);
    if (e.libre())
        return true;
    SQLTransact(etat.environnement.get(), e.connexion.get(), SQL_ROLLBACK);
    if (e.nUtilisations != 1)
        --e.nUtilisations;
    else
        e.liberer();
    return true;
}

}  // namespace

bool ODBC_Initialiser()
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_Initialiser"), [] {
        EtatODBC& etat = etatODBC();
        if (etat.environnement)
            return refuse(112, QStringLiteral("ODBC_Initialiser"));
        etat.tabEmplacements.clear();
        if (SQLAllocEnv(etat.environnement.adresse()) != SQL_SUCCESS) {
            etat.environnement.reset();
            return refuse(102, QStringLiteral("ODBC_Initialiser"));
        }
        Programme().pLecteurDiagnosticODBC = ODBC_LireMessageErreur;
        return true;
    });
}

bool ODBC_Connecter(const DemandeConnexion& demande, qint16& nIndice, const QString& strTag)
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_Connecter"), [&] { return connect(demande, nIndice, strTag); });
}

bool ODBC_Deconnecter(qint16 nIndice)
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_Deconnecter"), [&] { return disconnect(nIndice); });
}

bool ODBC_Cloturer()
{
    Sablier sablier;
    return Pieger(QStringLiteral("ODBC_Cloturer"), [] {
        EtatODBC& etat = etatODBC();
        for (qint16 n = 1; n <= etat.nombreEmplacements(); ++n)
            if (!disconnect(n))
                break;
        // Connections still held by someone are closed too: nothing outlives the environment.
        etat.tabEmplacements.clear();
        etat.environnement.reset();
        etat.nEmplacementCourant = 0;
        return true;
    });
}

}  // namespace kervane
