#pragma once
// A private ODBC setup for one test: an odbcinst.ini registering our driver under the
// Access driver name, and ODBCSYSINI/ODBCINI pointing into the test's own folder, so
// the user's data sources are never touched. Also makes SQLite databases from SQL text.
#include <QString>

namespace kervane::test {

class DossierTemporaire;

class OdbcPrive {
public:
    explicit OdbcPrive(const DossierTemporaire& dossier);
    ~OdbcPrive();
    OdbcPrive(const OdbcPrive&) = delete;
    OdbcPrive& operator=(const OdbcPrive&) = delete;

    // The built driver library; empty when the build has none.
    static QString bibliothequePilote();
    // Adds a user data source of the Access driver pointing at strBase, in the private odbc.ini.
    void ajouterDSN(const QString& strDSN, const QString& strBase) const;

private:
    QString m_strDossier;
    QByteArray m_anciens[2];
    bool m_bDefinis[2] = {false, false};
};

// The folder of the process's driver registration (odbcinst.ini), made on first use by the
// project's registration script; unixODBC reads ODBCSYSINI once per process, so every test
// of the process shares it, while each test keeps its data sources (ODBCINI) to itself.
QString dossierInscriptionPilote();

// Creates (or extends) the SQLite database strChemin by running strSQL; throws on failure.
void creerBaseSQLite(const QString& strChemin, const QString& strSQL);

}  // namespace kervane::test
