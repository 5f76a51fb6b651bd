// The user's own folder that stands for the Windows folder, and what counts as shared.
#include "messages/Fichiers.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace kervane;

namespace {

constexpr uid_t kAutreUtilisateur = 65534;

// XDG_RUNTIME_DIR for one test, put back afterwards.
class DossierExecution {
public:
    DossierExecution()
    {
        if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
            m_ancien = qgetenv("XDG_RUNTIME_DIR");
    }
    ~DossierExecution()
    {
        if (m_ancien)
            qputenv("XDG_RUNTIME_DIR", *m_ancien);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    DossierExecution(const DossierExecution&) = delete;
    DossierExecution& operator=(const DossierExecution&) = delete;

private:
    std::optional<QByteArray> m_ancien;
};

QString creerDossier(const QString& strChemin, mode_t nDroits)
{
    QDir().mkpath(strChemin);
    ::chmod(QFile::encodeName(strChemin).constData(), nDroits);
    return strChemin;
}

mode_t droits(const QString& strChemin)
{
    struct stat etat {};
    return ::lstat(QFile::encodeName(strChemin).constData(), &etat) == 0 ? etat.st_mode : 0;
}

bool estAdministrateur()
{
    return ::geteuid() == 0;
}

}  // namespace

TEST(DossierWindows, RuntimeFolderOnlyWhenPrivateNeverTheSharedTmp)
{
    test::DossierTemporaire dossier;
    DossierExecution execution;
    const QString strPrive = creerDossier(dossier.fichier("run"), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(strPrive + "/"));
    EXPECT_EQ(FIC_LireDossierWindows(), strPrive);

    const QString strMaison = QStringLiteral("/tmp/kervane-%1").arg(::geteuid());
    for (const QString& strRefuse : {creerDossier(dossier.fichier("ouvert"), 0755), dossier.fichier("absent")}) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(strRefuse));
        EXPECT_EQ(FIC_LireDossierWindows(), strMaison) << strRefuse.toStdString();
    }
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(FIC_LireDossierWindows(), strMaison);
    EXPECT_EQ(droits(strMaison) & 07777, 0700u);
}

TEST(DossierWindows, PrivateFolderMadeClosedAndRefusedWhenTaken)
{
    test::DossierTemporaire dossier;
    const QString strParent = creerDossier(dossier.fichier("partage"), 01777);
    const QString strAttendu = strParent + QStringLiteral("/kervane-%1").arg(::geteuid());

    EXPECT_EQ(DossierPriveUtilisateur(strParent + "/"), strAttendu);
    EXPECT_EQ(droits(strAttendu) & 07777, 0700u);
    ::chmod(QFile::encodeName(strAttendu).constData(), 0755);
    EXPECT_EQ(DossierPriveUtilisateur(strParent), strAttendu);  // the user's own: narrowed
    EXPECT_EQ(droits(strAttendu) & 07777, 0700u);

    // The name taken by a link to a folder of the user, or by a file: refused.
    ASSERT_TRUE(QDir(strAttendu).removeRecursively());
    ASSERT_TRUE(QFile::link(creerDossier(dossier.fichier("ailleurs"), 0700), strAttendu));
    EXPECT_EQ(DossierPriveUtilisateur(strParent), QString());
    ASSERT_TRUE(QFile::remove(strAttendu));
    QFile fichier(strAttendu);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.close();
    EXPECT_EQ(DossierPriveUtilisateur(strParent), QString());
    ASSERT_TRUE(QFile::remove(strAttendu));

    if (!estAdministrateur())
        GTEST_SKIP() << "a folder of another user needs the administrator to be made";
    creerDossier(strAttendu, 0700);
    ASSERT_EQ(::chown(QFile::encodeName(strAttendu).constData(), kAutreUtilisateur, kAutreUtilisateur), 0);
    EXPECT_EQ(DossierPriveUtilisateur(strParent), QString());
}

TEST(DossierPartage, WritableByOthersOrNotTheUsers)
{
    test::DossierTemporaire dossier;
    EXPECT_FALSE(FIC_DossierPartage(creerDossier(dossier.fichier("prive"), 0700)));
    EXPECT_FALSE(FIC_DossierPartage(creerDossier(dossier.fichier("lisible"), 0755)));
    EXPECT_TRUE(FIC_DossierPartage(creerDossier(dossier.fichier("commun"), 01777)));
    EXPECT_TRUE(FIC_DossierPartage(creerDossier(dossier.fichier("groupe"), 0770)));
    EXPECT_TRUE(FIC_DossierPartage(dossier.fichier("absent")));
    EXPECT_TRUE(FIC_DossierPartage(QStringLiteral("/tmp")));
    if (!estAdministrateur())
        return;
    const QString strAutre = creerDossier(dossier.fichier("autre"), 0700);
    ASSERT_EQ(::chown(QFile::encodeName(strAutre).constData(), kAutreUtilisateur, kAutreUtilisateur), 0);
    EXPECT_TRUE(FIC_DossierPartage(strAutre));
}
