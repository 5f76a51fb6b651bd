#pragma once
// Query windows on a private SQLite database behind our ODBC driver, opened the way the
// opening sequence opens them, with a stand-in main window and scripted answers.
#include "access/Module_ODBC.h"
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "query/CleHistorique.h"
#include "query/wndKervane.h"
#include "settings/Cles.h"
#include "settings/Registration.h"
#include "tests/query/FenetreTest.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"
#include "tests/support/RepondeurScripte.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace kervane::test {

inline const char* const SCHEMA_REQUETES = R"(
CREATE TABLE ARTICLE (ID LONG PRIMARY KEY, FAMILLE TEXT(20), NOM TEXT(40), PRIX DOUBLE, NOTE MEMO,
                      CREE DATETIME, ACTIF YESNO);
INSERT INTO ARTICLE VALUES (1, 'Outils', 'Marteau', 12.5, 'Manche en frêne', '2024-03-01 10:00:00', 1);
INSERT INTO ARTICLE VALUES (2, 'Outils', 'Pince', 8.0, NULL, NULL, 1);
INSERT INTO ARTICLE VALUES (3, 'Outils', 'Scie', 21.0, NULL, NULL, 0);
INSERT INTO ARTICLE VALUES (4, 'Jardin', 'Râteau', 15.0, NULL, NULL, 1);
CREATE TABLE [Order Details] (OrderID LONG, Quantité SHORT);
CREATE VIEW V_NOTES AS SELECT ID, NOTE AS COMMENTAIRE FROM ARTICLE;
)";

class FixtureRequete : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (OdbcPrive::bibliothequePilote().isEmpty())
            GTEST_SKIP() << "no ODBC driver in this build";
        strBase = dossier.fichier("base1.mdb");
        creerBaseSQLite(strBase, SCHEMA_REQUETES);
        odbc.ajouterDSN(DSN, strBase);
        ASSERT_TRUE(ODBC_Initialiser());
        principale.ouvrir = [this](bool) { return ouvrir() != nullptr; };
    }
    void TearDown() override
    {
        for (const QPointer<wndKervane>& p : principale.fenetres)
            if (p)
                p->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ODBC_Cloturer();
        Programme().pFenetreCourante = nullptr;
        Programme().nTailleListeRequetes = 30;
        Programme().tabBlocs.clear();
    }

    // A window on the test database, opened as the opening sequence does.
    template <class Fenetre = wndKervane>
    Fenetre* ouvrir(const QString& strTag = QString())
    {
        auto* p = new Fenetre;
        principale.fenetres << p;
        qint16 n = 0;
        EXPECT_TRUE(ODBC_Connecter({QString(), QStringLiteral("0123456789"), strSource}, n,
                                   strTag.isEmpty() ? strBase : strTag))
            << repondeur.questions().size() << " "
            << (repondeur.questions().empty() ? std::string() : repondeur.derniere().strTexte.toStdString());
        p->nIndBase = n;
        p->strBase = strBase;
        p->strLibelleBase = QStringLiteral("Base test");
        p->LireParametres();
        p->ChargerRequetes();
        p->SauvegarderRequetes();
        EXPECT_TRUE(p->AfficherTables());
        p->setTag(QString::number(n));
        p->nOccurrence = 0;
        for (const wndKervane* pAutre : principale.fenetresRequetes())
            if (pAutre->Tag().toInt() == n)
                ++p->nOccurrence;
        for (wndKervane* pAutre : principale.fenetresRequetes())
            if (pAutre->nIndBase == n)
                pAutre->setWindowTitle(pAutre->titre(p->nOccurrence > 1));
        p->show();
        p->Form_Activate();
        return p;
    }

    // Types the statement (lines joined by CR LF) and runs it.
    static void lancer(wndKervane& f, const QString& strTexte)
    {
        f.definirTexteRequete(strTexte);
        f.btnLancer_Click();
    }

    // Every value of a one-column query, through the access layer.
    QStringList valeurs(const wndKervane& f, const QString& strRequete)
    {
        TableauTextes tab;
        EXPECT_TRUE(ODBC_SelectionnerDansTableau(f.nIndBase, strRequete, tab, false));
        QStringList liste;
        for (qsizetype r = 2; r < tab.lignes(); ++r)
            liste << tab.texte(r, 1);
        return liste;
    }

    static QStringList historique(const wndKervane& f)
    {
        QStringList liste;
        for (int i = 0; i < f.cboRequetes->count(); ++i)
            liste << f.cboRequetes->itemText(i);
        return liste;
    }

    // The history key of a database path (that of the test database by default).
    QString cleHistorique(const QString& strChemin = QString()) const
    {
        return CleRequetes(NomCleBase(strChemin.isEmpty() ? strBase : strChemin));
    }

    QString valeurStockee(int k, const QString& strCle = QString()) const
    {
        QString strValeur;
        if (!SYS_LireChaineRegistration(strCle.isEmpty() ? cleHistorique() : strCle, QString::number(k), strValeur,
                                        false, true))
            return QStringLiteral("<absente>");
        return strValeur;
    }

    static QString cellule(const wndKervane& f, qint32 c, qint32 r) { return f.griRequetes->CellText(c, r); }

    DossierTemporaire dossier;
    // A data source of its own per test: the driver manager keeps what it read of odbc.ini
    // for a while, by data-source name.
    const QString DSN = QStringLiteral("Base ") + QFileInfo(dossier.chemin()).fileName();
    OdbcPrive odbc{dossier};
    QString strSource = DSN;  // the data source ouvrir() connects through
    RepondeurScripte repondeur;
    FenetreTest principale;
    QString strBase;
};

}  // namespace kervane::test
