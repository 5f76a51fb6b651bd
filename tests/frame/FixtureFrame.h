#pragma once
// A main window over a private registry, temporary folder and ODBC setup, with copies of
// the demonstration database to open.
#include "access/Module_ODBC.h"
#include "frame/BarreEtat.h"
#include "frame/wndMDI.h"
#include "messages/Programme.h"
#include "query/wndKervane.h"
#include "settings/Parametres.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"
#include "tests/support/RepondeurScripte.h"

#include <QFile>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

#include <memory>

namespace kervane::test {

class FixtureFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (OdbcPrive::bibliothequePilote().isEmpty())
            GTEST_SKIP() << "no ODBC driver in this build";
        SYS_LireParametresUtilisateur();
        ASSERT_TRUE(ODBC_Initialiser());
        fenetre = std::make_unique<wndMDI>();
        QObject::connect(fenetre->stbBarre(), &BarreEtat::messageAffiche,
                         [this](const QString& s) { messages << s; });
    }
    void TearDown() override
    {
        fenetre.reset();
        ODBC_Cloturer();
        Programme().pFenetreCourante = nullptr;
        Programme().tabMenuRecentes.clear();
    }

    // A fresh copy of the demonstration database under that name.
    QString copieDemo(const QString& strNom)
    {
        const QString strCopie = dossier.fichier(strNom);
        QFile::remove(strCopie);
        EXPECT_TRUE(QFile::copy(QStringLiteral(KERVANE_DEMO_DATABASE), strCopie));
        QFile(strCopie).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return strCopie;
    }

    // Opens a database as a recent entry would (no dialog).
    bool ouvrir(const QString& strChemin, const QString& strLibelle = QStringLiteral("Base source Velmora"))
    {
        Programme().strCheminBase = strChemin;
        Programme().strLibelleBase = strLibelle;
        return fenetre->Ouvrir(false);
    }

    QStringList titres() const
    {
        QStringList t;
        for (const wndKervane* p : fenetre->fenetresRequetes())
            t << p->windowTitle();
        return t;
    }

    DossierTemporaire dossier;
    OdbcPrive odbc{dossier};
    RepondeurScripte repondeur;
    std::unique_ptr<wndMDI> fenetre;
    QStringList messages;
};

}  // namespace kervane::test
