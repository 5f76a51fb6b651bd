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

// Sets the database password of the Access file strBase through the driver, on a connection
// that holds the file alone (ALTER DATABASE PASSWORD); false when the driver refuses.
bool poserMotDePasseAccess(const QString& strBase, const QString& strMotDePasse);

// Creates (or extends) the SQLite database strChemin by running strSQL; throws on failure.
void creerBaseSQLite(const QString& strChemin, const QString& strSQL);

// A table of 150 rows (created in a base by SQLite itself) whose four-way join counts 506 million
// combinations: some seconds of work, for the tests that cancel a statement while it runs.
inline constexpr char TABLE_NOMBRE[] = R"(
CREATE TABLE NOMBRE (N LONG);
WITH RECURSIVE suite(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM suite WHERE x < 150)
INSERT INTO NOMBRE SELECT x FROM suite;
)";
inline constexpr char JOINTURE_LONGUE[] = "SELECT Count(*) FROM NOMBRE AS A, NOMBRE AS B, NOMBRE AS C, NOMBRE AS D";

}  // namespace kervane::test
