#pragma once
// Velmora-like SQLite databases made in the test, an initialised access layer over a private
// ODBC setup, a private registry and scripted answers.
#include "access/Module_ODBC.h"
#include "messages/Programme.h"
#include "open/dlgOuvrir.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"
#include "tests/support/RepondeurScripte.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <gtest/gtest.h>
#include <ostream>
#include <sqlite3.h>

// Readable texts in test failures.
inline void PrintTo(const QString& strTexte, std::ostream* pSortie)
{
    *pSortie << '"' << strTexte.toStdString() << '"';
}

namespace kervane::test {

// Memo columns are LONGTEXT: SQLite gives a column declared MEMO numeric affinity.
inline const char* const SCHEMA_VELMORA =
    "CREATE TABLE BASE (ID_BASE LONG, COURANT_BASE YESNO, TYPE_BASE LONG, LIB_BASE TEXT(50));"
    "CREATE TABLE UTILR (ID_CLE_UTILR TEXT(10), NOM_UTILR TEXT(50), CONNECTE_UTILR YESNO);"
    "CREATE TABLE FAMILLE (ID_FAMILLE LONG, LIB_FAMILLE TEXT(50), TRADUCTION_HTML_FAMILLE LONGTEXT);";

inline const QString NUMERO_POSTE = QStringLiteral("00000abcde");

// Bytes and modification time, to show that a file was left alone.
inline QString empreinte(const QString& strChemin)
{
    QFile fichier(strChemin);
    return QString::fromLatin1(fichier.open(QIODevice::ReadOnly) ? fichier.readAll().toBase64() : QByteArray())
           + QFileInfo(strChemin).lastModified().toString(Qt::ISODateWithMs);
}

// The dialog's inline message after validating that text; empty when none shows.
inline QString valider(dlgOuvrir& dlg, const QString& strTexte)
{
    dlg.cboBases->setEditText(strTexte);
    dlg.cboBases_Validate();
    return dlg.staInformation->isHidden() ? QString() : dlg.staInformation->text();
}

inline QString cheminNwind()
{
    const QString strNwind = qEnvironmentVariable("KERVANE_TEST_DATA") + QStringLiteral("/nwind.mdb");
    return QFileInfo::exists(strNwind) ? strNwind : QString();
}

class FixtureOuvrir : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (OdbcPrive::bibliothequePilote().isEmpty())
            GTEST_SKIP() << "no ODBC driver in this build";
        ASSERT_TRUE(ODBC_Initialiser());
        Programme().strPiloteAccess = PILOTE_ACCESS;
        Programme().strNumeroUtilisateur = NUMERO_POSTE;
    }
    void TearDown() override
    {
        ODBC_Cloturer();
        Programme().strNumeroUtilisateur.clear();
        Programme().strLibelleBase.clear();
        Programme().strCheminBase.clear();
        Programme().strBaseSource.clear();
        Programme().bDialogueValide = false;
    }

    // A Velmora database in the test's folder, with extra SQL run after the schema.
    QString creerBase(const QString& strNom, const QString& strSQL = QString())
    {
        creerBaseSQLite(dossier.fichier(strNom), QString::fromUtf8(SCHEMA_VELMORA) + strSQL);
        return dossier.fichier(strNom);
    }

    // The first value of a query, read straight from a SQLite file.
    static QString valeur(const QString& strChemin, const char* szSQL)
    {
        sqlite3* db = nullptr;
        sqlite3_stmt* p = nullptr;
        QString strValeur;
        if (sqlite3_open_v2(strChemin.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, szSQL, -1, &p, nullptr) == SQLITE_OK && sqlite3_step(p) == SQLITE_ROW)
            strValeur = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(p, 0)));
        sqlite3_finalize(p);
        sqlite3_close(db);
        return strValeur;
    }

    DossierTemporaire dossier;
    OdbcPrive odbc{dossier};
    RepondeurScripte repondeur;
};

}  // namespace kervane::test
