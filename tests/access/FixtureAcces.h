#pragma once
// An initialised access layer over a private ODBC setup, with one SQLite database of the
// Access driver's declared types behind the data source "BASE1".
#include "access/Module_ODBC.h"
#include "messages/Erreur.h"
#include "messages/Programme.h"
#include "messages/Trace.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"
#include "tests/support/RepondeurScripte.h"

#include <QFile>
#include <gtest/gtest.h>

namespace kervane::test {

inline const char* const SCHEMA_CLIENTS = R"(
CREATE TABLE CLIENT (ID LONG PRIMARY KEY, NOM TEXT(40), NOTE MEMO, NE DATETIME, JOUR DATE,
                     SOLDE DOUBLE, TAUX REAL, ACTIF YESNO);
INSERT INTO CLIENT VALUES (1, 'Dupont', 'court', '1970-03-21 08:05:09', '2001-12-31', 12.5, 2.0, 1);
INSERT INTO CLIENT VALUES (2, 'Éloïse Müller', NULL, NULL, NULL, 3.0, 2.25, 0);
INSERT INTO CLIENT VALUES (3, 'Zoé', NULL, '2026-12-05 23:59:59', NULL, NULL, 0.5, 1);
CREATE TABLE REPLIQUE (CLE GUID, TEXTE LONGTEXT);
CREATE VIEW CLIENTS_ACTIFS AS SELECT ID, NOM FROM CLIENT WHERE ACTIF = 1;
)";

class FixtureAcces : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (OdbcPrive::bibliothequePilote().isEmpty())
            GTEST_SKIP() << "no ODBC driver in this build";
        strBase = dossier.fichier("base1.mdb");
        creerBaseSQLite(strBase, SCHEMA_CLIENTS);
        odbc.ajouterDSN("BASE1", strBase);
        ASSERT_TRUE(ODBC_Initialiser());
    }
    void TearDown() override
    {
        ODBC_Cloturer();
        Programme().bModeDebug = false;
        Programme().strSeparateurDecimal = ".";
    }

    qint16 connecter(const QString& strDSN = "BASE1", const QString& strTag = QString())
    {
        qint16 n = 0;
        EXPECT_TRUE(ODBC_Connecter({QString(), QStringLiteral("0123456789"), strDSN}, n, strTag));
        return n;
    }

    QStringList trace() const
    {
        QFile f(MSG_CheminTrace());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lignes = QString::fromUtf8(f.readAll()).split("\r\n");
        lignes.removeLast();
        return lignes;
    }

    DossierTemporaire dossier;
    OdbcPrive odbc{dossier};
    RepondeurScripte repondeur;
    QString strBase;
};

// The text of a trace line after its elapsed column, separator and tab.
inline QString sansColonne(const QString& strLigne)
{
    return strLigne.mid(21);
}

}  // namespace kervane::test
