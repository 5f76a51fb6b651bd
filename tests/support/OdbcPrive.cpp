#include "tests/support/OdbcPrive.h"

#include "tests/support/DossierTemporaire.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <stdexcept>

namespace kervane::test {
namespace {
const char* const VARIABLES[2] = {"ODBCSYSINI", "ODBCINI"};

void writeFile(const QString& strChemin, const QByteArray& contenu)
{
    QFile f(strChemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenu) != contenu.size())
        throw std::runtime_error("cannot write " + strChemin.toStdString());
}

}  // namespace

QString dossierInscriptionPilote()
{
    // Registered once, by the project's own registration script; ODBCSYSINI points there.
    static QTemporaryDir dossier;
    static const bool bInscrit = [] {
        const int nEtat = QProcess::execute(QStringLiteral(KERVANE_REGISTER_SCRIPT),
                                            {OdbcPrive::bibliothequePilote(), dossier.path()});
        if (nEtat != 0)
            throw std::runtime_error("driver registration failed");
        qputenv("ODBCSYSINI", dossier.path().toUtf8());
        return true;
    }();
    Q_UNUSED(bInscrit);
    return dossier.path();
}

OdbcPrive::OdbcPrive(const DossierTemporaire& dossier) : m_strDossier(dossier.chemin())
{
    for (int i = 0; i < 2; ++i) {
        m_bDefinis[i] = qEnvironmentVariableIsSet(VARIABLES[i]);
        m_anciens[i] = qgetenv(VARIABLES[i]);
    }
    writeFile(m_strDossier + "/odbc.ini", "");
    qputenv("ODBCSYSINI", dossierInscriptionPilote().toUtf8());
    qputenv("ODBCINI", (m_strDossier + "/odbc.ini").toUtf8());
}

OdbcPrive::~OdbcPrive()
{
    for (int i = 0; i < 2; ++i) {
        if (m_bDefinis[i])
            qputenv(VARIABLES[i], m_anciens[i]);
        else
            qunsetenv(VARIABLES[i]);
    }
}

QString OdbcPrive::bibliothequePilote()
{
#ifdef KERVANE_ODBC_DRIVER
    return QStringLiteral(KERVANE_ODBC_DRIVER);
#else
    return {};
#endif
}

void OdbcPrive::ajouterDSN(const QString& strDSN, const QString& strBase) const
{
    // Through the installer library, which also refreshes unixODBC's cached settings.
    const QByteArray dsn = strDSN.toUtf8(), base = strBase.toUtf8();
    if (!SQLWriteDSNToIni(dsn.constData(), "Microsoft Access Driver (*.mdb)")
        || !SQLWritePrivateProfileString(dsn.constData(), "DBQ", base.constData(), "odbc.ini"))
        throw std::runtime_error("cannot add the data source " + strDSN.toStdString());
}

void creerBaseSQLite(const QString& strChemin, const QString& strSQL)
{
    sqlite3* db = nullptr;
    const int nOuverture = sqlite3_open(strChemin.toUtf8().constData(), &db);
    char* szErreur = nullptr;
    const int nExec = nOuverture == SQLITE_OK
                          ? sqlite3_exec(db, strSQL.toUtf8().constData(), nullptr, nullptr, &szErreur)
                          : nOuverture;
    const std::string strErreur = szErreur ? szErreur : sqlite3_errmsg(db);
    sqlite3_free(szErreur);
    sqlite3_close(db);
    if (nExec != SQLITE_OK)
        throw std::runtime_error("cannot create " + strChemin.toStdString() + ": " + strErreur);
}

bool poserMotDePasseAccess(const QString& strBase, const QString& strMotDePasse)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return false;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray texte = ("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + strBase + ";Exclusive=1").toUtf8();
    bool bPose = SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(texte.data()), SQL_NTS,
                                                nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    if (bPose) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        QByteArray sql = ("ALTER DATABASE PASSWORD [" + strMotDePasse + "] NULL").toUtf8();
        bPose = SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS));
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return bPose;
}

}  // namespace kervane::test
