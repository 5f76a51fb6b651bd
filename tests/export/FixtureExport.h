#pragma once
// A two-row result grid to export into a temporary folder, with scripted answers, and what an
// export leaves in that folder.
#include "export/ExporterTableau.h"
#include "GrilleExemple.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kervane::test {

inline QByteArray contenu(const QString& strChemin)
{
    QFile fichier(strChemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

class FixtureExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        remplirGrille(grille, {QStringLiteral("CLIENT")}, {{QStringLiteral("Crème")}, {QStringLiteral("Œuvre")}});
    }
    // A file already there under that name, holding `ancien`, with those permissions.
    QString ancienFichier(const QString& strNom, mode_t nDroits = 0644)
    {
        const QString strChemin = dossier.fichier(strNom);
        QFile fichier(strChemin);
        EXPECT_TRUE(fichier.open(QIODevice::WriteOnly) && fichier.write(ancien) == ancien.size());
        fichier.close();
        ::chmod(QFile::encodeName(strChemin).constData(), nDroits);
        return strChemin;
    }
    QStringList fichiers() const
    {
        return QDir(dossier.chemin()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    DossierTemporaire dossier;
    RepondeurScripte repondeur;
    vaSpread grille;
    const EnteteExport entete{QStringLiteral("Démo"), QStringLiteral("/bases/Velmora.mdb"), QString()};
    const QByteArray ancien{"ancien contenu"};
};

}  // namespace kervane::test
